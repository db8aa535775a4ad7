#pragma once
// The running task with its progress and the pending tasks, which the user can abort. Its 100 ms
// timer drives the queue too, so it is the only window the command-line transfer needs; with
// close-when-idle it ends itself once everything is done.

#include "ui/CBaseDialog.h"

class QLabel;
class QListWidget;
class QProgressBar;
class QTimer;

namespace vidlume {

class CQuillmoorDoc;

class CTaskListDlg final : public CBaseDialog {
    Q_OBJECT
public:
    CTaskListDlg(CQuillmoorDoc* document, bool closeWhenIdle, QWidget* parent = nullptr);

    // One tick of the timer (public so the queue can be driven step by step).
    void OnTimer();
    // "Abort": the running task.
    void OnAbort();
    // "Abort task(s)": the selected pending tasks.
    void OnAbortTasks();

    QListWidget* PendingList() const { return m_pending; }

private:
    CQuillmoorDoc* m_document;
    bool m_closeWhenIdle;
    int m_queuedCount = -1;
    QProgressBar* m_progress;
    QLabel* m_current;
    QListWidget* m_pending;
    QTimer* m_timer;
};

} // namespace vidlume
