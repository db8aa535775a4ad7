#pragma once
// The document: every device, in a fixed order, and the transfer queue - the tasks waiting to run
// and the one that runs. Tasks run one at a time; whoever shows progress (the view's timer, the
// task list) calls PollTasks, which starts, watches and finishes them. User-interface thread only.

#include "platform/com/Guid.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <memory>
#include <vector>

namespace vidlume {

class CBaseDevice;
class CSourceDevice;
class CTargetDevice;
class CTranscodeTask;
class ITask;

// Gets the document's broadcasts after the devices and their pages (the views).
class IDocumentObserver {
public:
    virtual ~IDocumentObserver() = default;
    virtual void OnDocumentEvent(int code, CTranscodeTask* task) = 0;
};

class CQuillmoorDoc {
public:
    CQuillmoorDoc();
    ~CQuillmoorDoc();
    CQuillmoorDoc(const CQuillmoorDoc&) = delete;
    CQuillmoorDoc& operator=(const CQuillmoorDoc&) = delete;

    // The source's tasks for the items (the page's marks when paths is null) join the queue.
    void QueueTransfer(CSourceDevice* source, const QStringList* paths, CTargetDevice* target);
    // Appends a task to the queue (the document owns it from now on).
    void Enqueue(std::unique_ptr<ITask> task);

    // One step of the queue machine. Returns false, writing nothing, when it has nothing to say:
    // a nested call, or a task that failed to start (the next poll starts the next one).
    bool PollTasks(QString* status, bool* idle, float* progress);
    // Aborts the running task and starts the next.
    void SkipCurrentTask();

    // 100 with the finished task, 101, 102, 103, 105 with none: to every device and its page,
    // in device order, then to the observers.
    void BroadcastEvent(int code, CTranscodeTask* task);
    void AddObserver(IDocumentObserver* observer);
    void RemoveObserver(IDocumentObserver* observer);

    CBaseDevice* FindDeviceById(const Guid& id) const;
    // Exact, case-sensitive name and the kind (0 source, 1 target).
    CBaseDevice* FindDeviceByName(const QString& name, int kind) const;
    const std::vector<std::unique_ptr<CBaseDevice>>& GetDevices() const { return m_devices; }

    // The command-line transfer: every file to the named target, with only the task list on
    // screen until the queue is done. False when no target has that name.
    bool SendTo(const QString& targetName, const QStringList& paths);

    // When the main window is asked to close: true when it may.
    bool CanCloseFrame();
    // Command 32777: waits, with the waiting dialog, for the queue to run empty, then turns the
    // computer off (unless cancelled).
    void PowerOffWhenDone();

    // The queue, head first, for the task list.
    const std::deque<std::unique_ptr<ITask>>& GetQueue() const { return m_queue; }
    // Removes and deletes the queued tasks at these positions (they never ran).
    void RemoveQueuedTasks(const QList<int>& positions);
    ITask* GetCurrentTask() const { return m_current.get(); }
    bool IsBusy() const { return m_current || !m_queue.empty(); }

    // How the finished transfers went, for the command line's exit status.
    int GetSucceededCount() const { return m_succeeded; }
    int GetFailedCount() const { return m_failed; }
    void CountFailures(int count) { m_failed += count; }

    // Each task's start, progress (at most a line a second) and result to standard error.
    void SetConsoleReport(bool report) { m_consoleReport = report; }
    // What turns the computer off (logind by default); tests put their own.
    void SetPowerOff(std::function<void()> powerOff) { m_powerOff = std::move(powerOff); }
    // The dialogs the document opens; tests and the command line replace them.
    void SetDialogs(std::function<int()> closePrompt, std::function<void()> powerOffWait);

private:
    bool StartNext();
    void Finish(std::unique_ptr<ITask> task, bool completed);
    void Report(const QString& line);

    std::vector<std::unique_ptr<CBaseDevice>> m_devices;
    std::deque<std::unique_ptr<ITask>> m_queue;
    std::unique_ptr<ITask> m_current;
    std::vector<IDocumentObserver*> m_observers;
    bool m_powerOffPending = false;
    bool m_pollGuard = false;
    int m_succeeded = 0;
    int m_failed = 0;
    bool m_consoleReport = false;
    qint64 m_lastProgressReport = 0;
    std::function<void()> m_powerOff;
    std::function<int()> m_closePrompt;
    std::function<void()> m_powerOffWait;
};

} // namespace vidlume
