// Transfer tasks of the computer devices, run through the document as the window runs them.

#include "app/CQuillmoorDoc.h"
#include "components/ComponentGroups.h"
#include "conversion/CTargetHandler.h"
#include "conversion/CTranscodeTask.h"
#include "devices/CComputerSrcDev.h"
#include "devices/CComputerTgtDev.h"
#include "tests/app/RecordingErrorSink.h"
#include "tests/components/Fixtures.h"
#include "tests/components/Probe.h"
#include "ui/CComputerTgtPage.h"
#include "ui/ErrorReporting.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <thread>

#include <gtest/gtest.h>

using namespace vidlume;
using namespace vidlume::test;

namespace {

class TaskTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterComponents(); }
    void SetUp() override { SetErrorSink(&sink); }
    void TearDown() override { SetErrorSink(nullptr); }

    // Queues the files for the computer target writing into folder.
    void Queue(CQuillmoorDoc& doc, const QString& folder, const QStringList& files)
    {
        auto* target = static_cast<CComputerTgtDev*>(doc.FindDeviceById(DEVICE_ComputerTarget));
        static_cast<CComputerTgtPage*>(target->GetPage())->SetFolderPath(folder);
        doc.QueueTransfer(static_cast<CSourceDevice*>(doc.FindDeviceById(DEVICE_ComputerSource)), &files, target);
    }

    CRecordingErrorSink sink;
};

bool Poll(CQuillmoorDoc& doc, bool* idle)
{
    QString status;
    float progress = 0;
    return doc.PollTasks(&status, idle, &progress);
}

} // namespace

TEST_F(TaskTest, AbortDeletesThePartialFile)
{
    const QString folder = QString::fromStdString(ScratchFolder());
    CQuillmoorDoc doc;
    Queue(doc, folder, { QString::fromStdString(FixturePath("hd.mp4")) });
    bool idle = true;
    ASSERT_TRUE(Poll(doc, &idle));
    ASSERT_FALSE(idle);
    ASSERT_NE(doc.GetCurrentTask(), nullptr);
    doc.SkipCurrentTask();
    EXPECT_EQ(doc.GetCurrentTask(), nullptr);
    EXPECT_TRUE(QDir(folder).entryList(QDir::Files).isEmpty()) << "nothing of the aborted file is left";
    EXPECT_TRUE(sink.errors.isEmpty());
}

TEST_F(TaskTest, AnUnwritableFolderFailsTheStartAndLeavesNothing)
{
    const QString folder = QString::fromStdString(ScratchFolder()) + "/blocked";
    QFile blocker(folder); // a file where the folder should be
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    CQuillmoorDoc doc;
    Queue(doc, folder, { QString::fromStdString(FixturePath("h264_aac.mp4")) });
    bool idle = false;
    EXPECT_FALSE(Poll(doc, &idle)) << "a task that cannot start reports nothing";
    EXPECT_EQ(sink.errors, QStringList { "An error occured during the transfer. The source item was not transferred to the target." });
    EXPECT_EQ(doc.GetFailedCount(), 1);
    ASSERT_TRUE(Poll(doc, &idle));
    EXPECT_TRUE(idle);
}

TEST_F(TaskTest, ConvertsIntoTheChosenFormatWithoutOverwriting)
{
    const QString folder = QString::fromStdString(ScratchFolder());
    const QString clip = folder + "/clip.avi";
    QFile::copy(QString::fromStdString(FixturePath("mpeg4_mp3.avi")), clip);
    CQuillmoorDoc doc;
    auto* target = static_cast<CComputerTgtDev*>(doc.FindDeviceById(DEVICE_ComputerTarget));
    QStringList formats;
    target->GetFormatNames(&formats);
    EXPECT_EQ(formats, QStringList({ "MPEG-4", "Windows Media Video (WMV)", "Wave Audio (WAV)",
                           "MPEG-4 Audio, Advanced Audio Coding (AAC)", "LAME MP3 Encoded Audio (MP3)" }));
    // The format is the one chosen when the task starts.
    for (int format : { 0, 0, 1 }) {
        target->SetCurrentFormat(target->GetFormat(format));
        Queue(doc, folder, { clip });
        // Polled as the window's timer does, until the queue is idle; a graph always ends, with
        // completion or an error.
        bool idle = false;
        while (!idle) {
            Poll(doc, &idle);
            std::this_thread::yield();
        }
    }
    EXPECT_EQ(doc.GetSucceededCount(), 3);
    QStringList written = QDir(folder).entryList(QDir::Files, QDir::Name);
    EXPECT_EQ(written, QStringList({ "clip (2).mp4", "clip.avi", "clip.mp4", "clip.wmv" }));
    EXPECT_TRUE(sink.errors.isEmpty()) << sink.errors.join('\n').toStdString();
}

TEST_F(TaskTest, SoundFilesGoToEveryFormat)
{
    // Sound alone, also into the video formats: an MP4 or WMV file with only a sound track.
    // Wave sources reach the encoders as uncompressed packets, compressed ones as decoded frames.
    const QString folder = QString::fromStdString(ScratchFolder());
    // A Wave file cut off in the middle of a sample frame converts what it holds.
    const QString cut = QString::fromStdString(ScratchFolder()) + "/cut.wav";
    ASSERT_TRUE(QFile::copy(QString::fromStdString(FixturePath("tone.wav")), cut));
    ASSERT_TRUE(QFile::resize(cut, QFileInfo(cut).size() - 3));
    CQuillmoorDoc doc;
    auto* target = static_cast<CComputerTgtDev*>(doc.FindDeviceById(DEVICE_ComputerTarget));
    int expected = 0;
    for (const std::string& fixture : { FixturePath("tone.wav"), FixturePath("tone.mp3"), cut.toStdString() }) {
        for (int format = 0; format < target->GetFormatCount(); ++format) {
            target->SetCurrentFormat(target->GetFormat(format));
            Queue(doc, folder, { QString::fromStdString(fixture) });
            ++expected;
            bool idle = false;
            while (!idle) {
                Poll(doc, &idle);
                std::this_thread::yield();
            }
            EXPECT_EQ(doc.GetSucceededCount(), expected) << fixture << " to " << target->GetFormat(format)->GetFormatName().toStdString();
        }
    }
    for (const QString& name : QDir(folder).entryList(QDir::Files)) {
        const ProbedFile probe = Probe((folder + "/" + name).toStdString());
        EXPECT_TRUE(probe.opened) << name.toStdString();
        EXPECT_EQ(probe.Video(), nullptr) << name.toStdString();
        EXPECT_NE(probe.Audio(), nullptr) << name.toStdString();
        EXPECT_NEAR(probe.duration, 2.0, 0.2) << name.toStdString();
    }
    EXPECT_TRUE(sink.errors.isEmpty()) << sink.errors.join('\n').toStdString();
}
