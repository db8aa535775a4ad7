#include "CTaskListDlg.h"

#include "app/CQuillmoorDoc.h"
#include "conversion/ITask.h"
#include "res/CStringTable.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace vidlume {

namespace {
    constexpr unsigned IDD_TASK_LIST = 362;
    constexpr unsigned IDC_PENDING = 1055, IDC_ABORT_TASKS = 1056, IDC_ABORT = 1057, IDC_CURRENT = 1088, IDC_PROGRESS = 1089;
    constexpr int kTimerMs = 100;
}

CTaskListDlg::CTaskListDlg(CQuillmoorDoc* document, bool closeWhenIdle, QWidget* parent)
    : CBaseDialog(parent)
    , m_document(document)
    , m_closeWhenIdle(closeWhenIdle)
{
    setWindowTitle(CStringTable::DialogText(IDD_TASK_LIST, 0));
    auto* layout = new QVBoxLayout(this);

    auto* currentRow = new QHBoxLayout;
    currentRow->addWidget(new QLabel(CStringTable::DialogLabel(IDD_TASK_LIST, 0)));
    m_current = new QLabel;
    m_current->setObjectName(QString::number(IDC_CURRENT));
    currentRow->addWidget(m_current, 1);
    layout->addLayout(currentRow);

    auto* progressRow = new QHBoxLayout;
    m_progress = new QProgressBar;
    m_progress->setObjectName(QString::number(IDC_PROGRESS));
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    progressRow->addWidget(m_progress, 1);
    auto* abort = new QPushButton(CStringTable::DialogText(IDD_TASK_LIST, IDC_ABORT));
    abort->setObjectName(QString::number(IDC_ABORT));
    progressRow->addWidget(abort);
    layout->addLayout(progressRow);

    layout->addWidget(new QLabel(CStringTable::DialogLabel(IDD_TASK_LIST, 1)));
    m_pending = new QListWidget;
    m_pending->setObjectName(QString::number(IDC_PENDING));
    m_pending->setSelectionMode(QAbstractItemView::MultiSelection);
    layout->addWidget(m_pending, 1);

    auto* buttons = new QHBoxLayout;
    auto* abortTasks = new QPushButton(CStringTable::DialogText(IDD_TASK_LIST, IDC_ABORT_TASKS));
    abortTasks->setObjectName(QString::number(IDC_ABORT_TASKS));
    buttons->addWidget(abortTasks);
    buttons->addStretch(1);
    auto* ok = new QPushButton(CStringTable::DialogText(IDD_TASK_LIST, 1));
    ok->setObjectName(QStringLiteral("1"));
    ok->setDefault(true);
    buttons->addWidget(ok);
    layout->addLayout(buttons);

    connect(abort, &QPushButton::clicked, this, &CTaskListDlg::OnAbort);
    connect(abortTasks, &QPushButton::clicked, this, &CTaskListDlg::OnAbortTasks);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    resize(420, 320);
    m_timer = new QTimer(this);
    m_timer->setInterval(kTimerMs);
    connect(m_timer, &QTimer::timeout, this, &CTaskListDlg::OnTimer);
    m_timer->start();
}

void CTaskListDlg::OnTimer()
{
    QString status;
    bool idle = false;
    float progress = 0;
    const bool reported = m_document->PollTasks(&status, &idle, &progress);
    // Filled after the poll, so the rows match the queue the user then picks from.
    const auto& queue = m_document->GetQueue();
    if (int(queue.size()) != m_queuedCount) {
        m_queuedCount = int(queue.size());
        m_pending->clear();
        for (const auto& task : queue)
            m_pending->addItem(task->GetDescription());
    }
    // A poll that reported nothing (nested, or a task that could not start) changes nothing more.
    if (!reported)
        return;
    if (idle) {
        if (m_closeWhenIdle) {
            m_timer->stop();
            accept();
            return;
        }
        m_progress->setValue(0);
        m_current->clear();
        return;
    }
    m_progress->setValue(std::clamp(int(progress * 100), 0, 100));
    if (ITask* task = m_document->GetCurrentTask())
        m_current->setText(task->GetDescription());
}

void CTaskListDlg::OnAbort()
{
    m_document->SkipCurrentTask();
}

void CTaskListDlg::OnAbortTasks()
{
    QList<int> rows;
    for (int row = 0; row < m_pending->count(); ++row)
        if (m_pending->item(row)->isSelected())
            rows << row;
    m_document->RemoveQueuedTasks(rows);
}

} // namespace vidlume
