// The transfer queue driven poll by poll with scripted tasks, and the dialogs that work on it.

#include "app/CCloseAppDlg.h"
#include "app/CQuillmoorDoc.h"
#include "app/CTaskListDlg.h"
#include "conversion/ITask.h"
#include "devices/CBaseDevice.h"
#include "devices/CComputerSrcDev.h"

#include <QKeyEvent>
#include <QListWidget>
#include <QTest>

#include <gtest/gtest.h>

using namespace vidlume;

namespace {

struct Journal {
    std::vector<std::string> lines;
    void Add(const std::string& s) { lines.push_back(s); }
};

// Starts (or not), runs for `polls` polls, records what happens to it.
class CScriptedTask final : public ITask {
public:
    CScriptedTask(std::string name, Journal* journal, bool starts = true, int polls = 1)
        : m_name(std::move(name)), m_journal(journal), m_starts(starts), m_polls(polls)
    {
    }
    ~CScriptedTask() override { m_journal->Add("delete " + m_name); }
    bool Start() override
    {
        m_journal->Add("start " + m_name);
        if (onStart)
            onStart();
        return m_starts;
    }
    void Abort() override { m_journal->Add("abort " + m_name); }
    bool Poll() override { return --m_polls > 0; }
    float GetProgress() override { return 0.25f; }
    QString GetDescription() override { return QStringLiteral("Transferring %1").arg(QString::fromStdString(m_name)); }
    std::function<void()> onStart;

private:
    std::string m_name;
    Journal* m_journal;
    bool m_starts;
    int m_polls;
};

class CEventLog final : public IDocumentObserver {
public:
    void OnDocumentEvent(int code, CTranscodeTask*) override { codes.push_back(code); }
    std::vector<int> codes;
};

struct PollResult {
    bool reported;
    QString status;
    bool idle;
    float progress;
};

PollResult Poll(CQuillmoorDoc& doc)
{
    PollResult r { false, "unset", false, -1 };
    r.reported = doc.PollTasks(&r.status, &r.idle, &r.progress);
    return r;
}

} // namespace

TEST(DocumentTest, QueueRunsTasksOneAtATime)
{
    Journal journal;
    CEventLog events;
    {
        CQuillmoorDoc doc;
        doc.AddObserver(&events);
        doc.Enqueue(std::make_unique<CScriptedTask>("a", &journal, true, 2));
        doc.Enqueue(std::make_unique<CScriptedTask>("b", &journal, false));
        doc.Enqueue(std::make_unique<CScriptedTask>("c", &journal, true, 1));

        PollResult r = Poll(doc);
        ASSERT_TRUE(r.reported);
        EXPECT_FALSE(r.idle);
        EXPECT_EQ(r.status, "3 transfer(s) left\nTransferring a");
        EXPECT_FLOAT_EQ(r.progress, 0.25f);

        // "a" finishes: announced with 100, then "b" fails to start and is dropped at once.
        r = Poll(doc);
        EXPECT_TRUE(r.reported);
        EXPECT_EQ(events.codes, std::vector<int>({ 100 }));
        EXPECT_EQ(doc.GetCurrentTask(), nullptr);

        // The next poll starts "c".
        r = Poll(doc);
        EXPECT_TRUE(r.reported);
        EXPECT_EQ(r.status, "1 transfer(s) left\nTransferring c");
        r = Poll(doc);
        EXPECT_TRUE(r.reported);
        r = Poll(doc);
        EXPECT_TRUE(r.idle);
        EXPECT_EQ(r.status, "");
        EXPECT_EQ(doc.GetSucceededCount(), 2);
        EXPECT_EQ(doc.GetFailedCount(), 1);
        doc.RemoveObserver(&events);
    }
    EXPECT_EQ(journal.lines, std::vector<std::string>({ "start a", "delete a", "start b", "delete b", "start c", "delete c" }));
}

TEST(DocumentTest, SkipAbortsAndAnnounces)
{
    Journal journal;
    CEventLog events;
    CQuillmoorDoc doc;
    doc.AddObserver(&events);
    doc.SkipCurrentTask(); // nothing running: nothing happens
    EXPECT_TRUE(events.codes.empty());

    doc.Enqueue(std::make_unique<CScriptedTask>("a", &journal, true, 100));
    Poll(doc);
    doc.SkipCurrentTask();
    EXPECT_EQ(events.codes, std::vector<int>({ 101 }));
    EXPECT_EQ(journal.lines, std::vector<std::string>({ "start a", "abort a", "delete a" }));
    EXPECT_TRUE(Poll(doc).idle);
    doc.RemoveObserver(&events);
}

TEST(DocumentTest, NestedPollsDoNothingAndDestructionAbortsTheRunningTask)
{
    Journal journal;
    {
        CQuillmoorDoc doc;
        auto task = std::make_unique<CScriptedTask>("a", &journal, true, 100);
        PollResult nested { true, "", false, 0 };
        task->onStart = [&] { nested = Poll(doc); };
        doc.Enqueue(std::move(task));
        doc.Enqueue(std::make_unique<CScriptedTask>("b", &journal));
        EXPECT_TRUE(Poll(doc).reported);
        EXPECT_FALSE(nested.reported);
        EXPECT_EQ(nested.status, "unset") << "a nested poll writes nothing";
    }
    EXPECT_EQ(journal.lines, std::vector<std::string>({ "start a", "abort a", "delete a", "delete b" })) << "queued tasks never start";
}

TEST(DocumentTest, PowerOffOnlyWhenTheQueueEmptiesWhileWaiting)
{
    Journal journal;
    for (bool cancelEarly : { false, true }) {
        CQuillmoorDoc doc;
        int powerOffs = 0;
        doc.SetPowerOff([&] { ++powerOffs; });
        doc.Enqueue(std::make_unique<CScriptedTask>("a", &journal, true, 3));
        doc.SetDialogs(nullptr, [&] {
            // The waiting dialog: the view's timer keeps polling while it is open.
            for (int i = 0; i < (cancelEarly ? 1 : 5); ++i)
                Poll(doc);
        });
        doc.PowerOffWhenDone();
        EXPECT_EQ(powerOffs, cancelEarly ? 0 : 1);
    }
}

TEST(DocumentTest, CloseQueryAsksOnlyWhileBusy)
{
    Journal journal;
    CQuillmoorDoc doc;
    int asked = 0;
    int answer = CCloseAppDlg::kNo;
    doc.SetDialogs([&] { ++asked; return answer; }, [] { });
    EXPECT_TRUE(doc.CanCloseFrame());
    EXPECT_EQ(asked, 0);
    doc.Enqueue(std::make_unique<CScriptedTask>("a", &journal, true, 100));
    EXPECT_FALSE(doc.CanCloseFrame());
    answer = CCloseAppDlg::kYes;
    EXPECT_TRUE(doc.CanCloseFrame());
    answer = CCloseAppDlg::kNoTurnOff;
    EXPECT_TRUE(doc.CanCloseFrame());
    EXPECT_EQ(asked, 3);
}

TEST(DocumentTest, DevicesAreFoundByIdAndExactName)
{
    CQuillmoorDoc doc;
    CBaseDevice* source = doc.FindDeviceById(DEVICE_ComputerSource);
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(source->GetKind(), kSourceDevice);
    CBaseDevice* target = doc.FindDeviceByName("My Computer", kTargetDevice);
    ASSERT_NE(target, nullptr);
    EXPECT_EQ(target->GetKind(), kTargetDevice);
    EXPECT_EQ(doc.FindDeviceByName("my computer", kTargetDevice), nullptr);
    EXPECT_EQ(doc.FindDeviceByName("Apple iPad", kTargetDevice), nullptr);
    EXPECT_FALSE(doc.SendTo("Apple iPad", { "a.mp4" }));
}

TEST(DocumentTest, TaskListAbortsTheSelectedPendingTasks)
{
    Journal journal;
    CQuillmoorDoc doc;
    for (const char* name : { "t0", "t1", "t2", "t3", "t4" })
        doc.Enqueue(std::make_unique<CScriptedTask>(name, &journal, true, 100));
    CTaskListDlg dialog(&doc, false);
    // The first tick starts t0 and lists the four pending tasks.
    dialog.OnTimer();
    ASSERT_EQ(dialog.PendingList()->count(), 4);
    dialog.PendingList()->item(1)->setSelected(true);
    dialog.PendingList()->item(2)->setSelected(true);
    dialog.OnAbortTasks();
    ASSERT_EQ(doc.GetQueue().size(), 2u);
    EXPECT_EQ(doc.GetQueue()[0]->GetDescription(), "Transferring t1");
    EXPECT_EQ(doc.GetQueue()[1]->GetDescription(), "Transferring t4");
    dialog.OnTimer();
    ASSERT_EQ(dialog.PendingList()->count(), 2);
    EXPECT_EQ(dialog.PendingList()->item(1)->text(), "Transferring t4");
    EXPECT_EQ(journal.lines, std::vector<std::string>({ "start t0", "delete t2", "delete t3" }));

    dialog.OnAbort();
    EXPECT_EQ(journal.lines.back(), "start t1") << "Abort skips to the next task";
}

TEST(DocumentTest, EscapeInTheClosePromptKeepsTheApplicationOpen)
{
    CCloseAppDlg dialog;
    dialog.show();
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.GetChoice(), CCloseAppDlg::kNo);

    CCloseAppDlg chosen;
    chosen.show();
    chosen.findChild<QWidget*>("1117")->setProperty("checked", true);
    chosen.accept();
    EXPECT_EQ(chosen.GetChoice(), CCloseAppDlg::kNoTurnOff);
}
