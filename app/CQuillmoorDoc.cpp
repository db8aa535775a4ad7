#include "CQuillmoorDoc.h"

#include "app/CCloseAppDlg.h"
#include "app/CPowerOffWaitDlg.h"
#include "app/CTaskListDlg.h"
#include "conversion/CTranscodeTask.h"
#include "devices/CComputerSrcDev.h"
#include "devices/CComputerTgtDev.h"
#include "platform/power/CSleepInhibitor.h"
#include "res/CStringTable.h"
#include "ui/CDevicePage.h"

#include <QDateTime>

#include <algorithm>
#include <cstdio>

namespace vidlume {

namespace {
    constexpr unsigned IDS_TRANSFERS_LEFT = 218;

    // Clears the poll guard on every way out.
    class CGuard {
    public:
        explicit CGuard(bool& flag) : m_flag(flag) { m_flag = true; }
        ~CGuard() { m_flag = false; }

    private:
        bool& m_flag;
    };
} // namespace

CQuillmoorDoc::CQuillmoorDoc()
{
    // Sources, then targets; each further device joins this table in its place when it exists.
    m_devices.push_back(std::make_unique<CComputerSrcDev>(this));
    m_devices.push_back(std::make_unique<CComputerTgtDev>(this));
    m_powerOff = [] { PowerOffComputer(); };
    m_closePrompt = [] {
        CCloseAppDlg dialog;
        dialog.exec();
        return dialog.GetChoice();
    };
    m_powerOffWait = [] {
        CPowerOffWaitDlg dialog;
        dialog.exec();
    };
}

CQuillmoorDoc::~CQuillmoorDoc()
{
    while (!m_devices.empty())
        m_devices.pop_back();
    if (m_current) {
        m_current->Abort();
        m_current.reset();
    }
    m_queue.clear();
}

void CQuillmoorDoc::SetDialogs(std::function<int()> closePrompt, std::function<void()> powerOffWait)
{
    m_closePrompt = std::move(closePrompt);
    m_powerOffWait = std::move(powerOffWait);
}

void CQuillmoorDoc::Report(const QString& line)
{
    if (m_consoleReport)
        std::fprintf(stderr, "%s\n", qPrintable(line));
}

void CQuillmoorDoc::QueueTransfer(CSourceDevice* source, const QStringList* paths, CTargetDevice* target)
{
    QList<CTranscodeTask*> tasks;
    source->CreateTasks(&tasks, target, paths);
    for (CTranscodeTask* task : tasks)
        m_queue.emplace_back(task);
}

void CQuillmoorDoc::Enqueue(std::unique_ptr<ITask> task)
{
    m_queue.push_back(std::move(task));
}

bool CQuillmoorDoc::StartNext()
{
    if (m_queue.empty())
        return false;
    m_current = std::move(m_queue.front());
    m_queue.pop_front();
    Report(m_current->GetDescription());
    if (m_current->Start()) {
        m_lastProgressReport = QDateTime::currentMSecsSinceEpoch();
        return true;
    }
    // The task has told the user why; it goes away without a notification.
    ++m_failed;
    Report(QStringLiteral("  failed to start"));
    m_current.reset();
    return false;
}

void CQuillmoorDoc::Finish(std::unique_ptr<ITask> task, bool completed)
{
    auto* transcode = dynamic_cast<CTranscodeTask*>(task.get());
    const bool ok = completed && (!transcode || transcode->Succeeded());
    ok ? ++m_succeeded : ++m_failed;
    if (transcode && ok)
        Report(QStringLiteral("  done: %1").arg(transcode->GetOutputPath()));
    else if (transcode && FAILED(transcode->GetError()))
        Report(QStringLiteral("  failed (error 0x%1)").arg(quint32(transcode->GetError()), 8, 16, QLatin1Char('0')));
    else
        Report(QStringLiteral("  failed"));
    BroadcastEvent(100, transcode);
}

bool CQuillmoorDoc::PollTasks(QString* status, bool* idle, float* progress)
{
    if (m_pollGuard)
        return false;
    CGuard guard(m_pollGuard);
    if (!m_current) {
        if (m_queue.empty()) {
            *idle = true;
            status->clear();
            *progress = 0;
            return true;
        }
        if (!StartNext())
            return false;
    }
    *idle = false;
    *status = CStringTable::Format(IDS_TRANSFERS_LEFT, int(m_queue.size()) + 1, m_current->GetDescription());
    *progress = m_current->GetProgress();
    if (m_consoleReport) {
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        if (now - m_lastProgressReport >= 1000) {
            m_lastProgressReport = now;
            Report(QStringLiteral("  %1%").arg(int(std::clamp(*progress, 0.0f, 1.0f) * 100)));
        }
    }
    if (m_current->Poll())
        return true;
    std::unique_ptr<ITask> finished = std::move(m_current);
    Finish(std::move(finished), true);
    if (!m_queue.empty())
        StartNext();
    else if (m_powerOffPending && m_powerOff)
        m_powerOff();
    return true;
}

void CQuillmoorDoc::SkipCurrentTask()
{
    // Inside a poll the running task may be in the middle of its start (a dialog of its own
    // lets the window's timers run): it must not be deleted under itself, nor may the next task
    // start while the poll is busy.
    if (!m_current || m_pollGuard)
        return;
    CGuard guard(m_pollGuard);
    m_current->Abort();
    m_current.reset();
    ++m_failed;
    Report(QStringLiteral("  aborted"));
    BroadcastEvent(101, nullptr);
    StartNext();
}

void CQuillmoorDoc::BroadcastEvent(int code, CTranscodeTask* task)
{
    for (const auto& device : m_devices) {
        device->OnDocumentEvent(code, task);
        if (CDevicePage* page = device->GetPage())
            page->OnDocumentEvent(code, task);
    }
    for (IDocumentObserver* observer : std::vector<IDocumentObserver*>(m_observers))
        observer->OnDocumentEvent(code, task);
}

void CQuillmoorDoc::AddObserver(IDocumentObserver* observer)
{
    m_observers.push_back(observer);
}

void CQuillmoorDoc::RemoveObserver(IDocumentObserver* observer)
{
    std::erase(m_observers, observer);
}

CBaseDevice* CQuillmoorDoc::FindDeviceById(const Guid& id) const
{
    for (const auto& device : m_devices)
        if (device->GetId() == id)
            return device.get();
    return nullptr;
}

CBaseDevice* CQuillmoorDoc::FindDeviceByName(const QString& name, int kind) const
{
    for (const auto& device : m_devices)
        if (device->GetName() == name && int(device->GetKind()) == kind)
            return device.get();
    return nullptr;
}

bool CQuillmoorDoc::SendTo(const QString& targetName, const QStringList& paths)
{
    auto* source = static_cast<CSourceDevice*>(FindDeviceById(DEVICE_ComputerSource));
    auto* target = static_cast<CTargetDevice*>(FindDeviceByName(targetName, kTargetDevice));
    if (!source || !target)
        return false;
    const size_t before = m_queue.size();
    QueueTransfer(source, &paths, target);
    // Items that became no task (an unknown kind of file) count as failed transfers.
    CountFailures(int(paths.size()) - int(m_queue.size() - before));
    CTaskListDlg dialog(this, true);
    dialog.exec();
    return true;
}

void CQuillmoorDoc::RemoveQueuedTasks(const QList<int>& positions)
{
    std::deque<std::unique_ptr<ITask>> kept;
    for (int i = 0; i < int(m_queue.size()); ++i)
        if (!positions.contains(i))
            kept.push_back(std::move(m_queue[size_t(i)]));
    m_queue = std::move(kept);
}

bool CQuillmoorDoc::CanCloseFrame()
{
    if (!IsBusy())
        return true;
    switch (m_closePrompt ? m_closePrompt() : CCloseAppDlg::kNo) {
    case CCloseAppDlg::kYes:
        return true;
    case CCloseAppDlg::kNoTurnOff:
        PowerOffWhenDone();
        return true;
    default:
        return false;
    }
}

void CQuillmoorDoc::PowerOffWhenDone()
{
    m_powerOffPending = true;
    if (m_powerOffWait)
        m_powerOffWait();
    m_powerOffPending = false;
}

} // namespace vidlume
