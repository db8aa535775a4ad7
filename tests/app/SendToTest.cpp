// The command-line transfer, as a script runs it: the real program, no display, a private home.

#include "tests/components/Fixtures.h"
#include "tests/components/Probe.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vidlume::test;

namespace {

struct RunResult {
    int exitCode;
    QString errors;
};

RunResult SendTo(const QString& home, const QStringList& arguments)
{
    QProcess vidlume;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", home);
    env.insert("XDG_CONFIG_HOME", home + "/.config");
    env.insert("XDG_DATA_HOME", home + "/.local/share");
    env.remove("XDG_VIDEOS_DIR");
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    env.remove("QT_QPA_PLATFORM");
    vidlume.setProcessEnvironment(env);
    vidlume.start(QStringLiteral(VIDLUME_EXECUTABLE), arguments);
    EXPECT_TRUE(vidlume.waitForFinished(300000));
    return { vidlume.exitCode(), QString::fromLocal8Bit(vidlume.readAllStandardError()) };
}

} // namespace

TEST(SendToTest, ConvertsWhatItCanAndSaysWhatItCannot)
{
    QTemporaryDir home;
    const QString folder = ScratchFolder().c_str();
    const QString video = folder + "/clip.mp4", audio = folder + "/song.mp3", text = folder + "/notes.txt";
    const QString broken = folder + "/broken.mp4";
    QFile::copy(QString::fromStdString(FixturePath("h264_aac.mp4")), video);
    QFile::copy(QString::fromStdString(FixturePath("tone.mp3")), audio);
    QFile::copy(QString::fromStdString(FixturePath("empty.mp4")), broken);
    QFile notes(text);
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    notes.write("not media\n");
    notes.close();

    RunResult first = SendTo(home.path(), { "-sendto=My Computer", video, audio, broken, text });
    EXPECT_NE(first.exitCode, 0);
    EXPECT_TRUE(first.errors.contains("An error occured during the transfer. The source item was not transferred to the target."))
        << first.errors.toStdString();
    EXPECT_TRUE(first.errors.contains(QString("The format of %1 is not supported.").arg(text))) << first.errors.toStdString();

    const QString videos = home.path() + "/Videos";
    ProbedFile out = Probe((videos + "/clip.mp4").toStdString());
    ASSERT_TRUE(out.opened) << first.errors.toStdString();
    ASSERT_NE(out.Video(), nullptr);
    EXPECT_EQ(out.Video()->codec, "h264");
    EXPECT_EQ(out.Video()->width, 320);
    EXPECT_EQ(out.Video()->height, 240);
    ASSERT_NE(out.Audio(), nullptr);
    EXPECT_EQ(out.Audio()->codec, "aac");
    EXPECT_EQ(out.Audio()->sampleRate, 44100);
    // The sound file, sent to a video format, gives a file with only its sound; the broken one
    // leaves nothing behind.
    EXPECT_EQ(QDir(videos).entryList(QDir::Files, QDir::Name), QStringList({ "clip.mp4", "song.mp4" }));
    ProbedFile song = Probe((videos + "/song.mp4").toStdString());
    EXPECT_EQ(song.Video(), nullptr);
    ASSERT_NE(song.Audio(), nullptr);
    EXPECT_EQ(song.Audio()->codec, "aac");

    // A second run never overwrites: the new file gets the next free name.
    const QByteArray before = [&] { QFile f(videos + "/clip.mp4"); f.open(QIODevice::ReadOnly); return f.readAll(); }();
    RunResult second = SendTo(home.path(), { "-sendto=My Computer", video });
    EXPECT_EQ(second.exitCode, 0) << second.errors.toStdString();
    EXPECT_TRUE(QFile::exists(videos + "/clip (2).mp4"));
    QFile again(videos + "/clip.mp4");
    ASSERT_TRUE(again.open(QIODevice::ReadOnly));
    EXPECT_EQ(again.readAll(), before);
}

TEST(SendToTest, UnknownTargetIsRefused)
{
    QTemporaryDir home;
    for (const char* name : { "-sendto=Apple iPad", "-sendto=my computer" }) {
        RunResult run = SendTo(home.path(), { name, "clip.mp4" });
        EXPECT_NE(run.exitCode, 0);
        EXPECT_TRUE(run.errors.contains(QString("Unable to send files to %1.").arg(QString(name).mid(8)))) << run.errors.toStdString();
    }
}
