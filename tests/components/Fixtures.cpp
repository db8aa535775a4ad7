#include "Fixtures.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>
#include <mutex>

namespace vidlume::test {

namespace {

    QTemporaryDir& Folder()
    {
        static QTemporaryDir dir;
        return dir;
    }

    // ffmpeg arguments after the output-independent input options, by fixture.
    const std::map<std::string, QStringList>& Recipes()
    {
        auto av = [](const char* size, const char* rate, const char* audioRate) {
            return QStringList { "-f", "lavfi", "-i", QString("testsrc2=size=%1:rate=%2:duration=2").arg(size, rate), "-f", "lavfi",
                "-i", QString("sine=frequency=440:sample_rate=%1:duration=2").arg(audioRate), "-ac", "2" };
        };
        static const std::map<std::string, QStringList> recipes = {
            { "h264_aac.mp4", av("320x240", "25", "44100") + QStringList { "-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt", "yuv420p", "-c:a", "aac", "-b:a", "96k" } },
            { "h264_aac.mov", av("320x240", "25", "44100") + QStringList { "-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt", "yuv420p", "-c:a", "aac" } },
            { "video_only.mp4", QStringList { "-f", "lavfi", "-i", "testsrc2=size=320x240:rate=25:duration=2", "-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt", "yuv420p" } },
            { "mpeg2.mpg", av("352x288", "25", "44100") + QStringList { "-c:v", "mpeg2video", "-b:v", "1M", "-c:a", "mp2", "-f", "vob" } },
            { "mpeg4_mp3.avi", av("320x240", "25", "44100") + QStringList { "-c:v", "mpeg4", "-vtag", "xvid", "-c:a", "libmp3lame" } },
            { "wmv2.wmv", av("320x240", "25", "44100") + QStringList { "-c:v", "wmv2", "-c:a", "wmav2" } },
            { "flv1.flv", av("320x240", "25", "44100") + QStringList { "-c:v", "flv1", "-c:a", "libmp3lame" } },
            { "hd.mp4", av("1280x720", "30", "48000") + QStringList { "-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt", "yuv420p", "-c:a", "aac" } },
            { "tone.wav", QStringList { "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=44100:duration=2", "-ac", "2", "-c:a", "pcm_s16le" } },
            { "tone.mp3", QStringList { "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=44100:duration=2", "-ac", "2", "-c:a", "libmp3lame" } },
            { "tone.m4a", QStringList { "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=48000:duration=2", "-ac", "2", "-c:a", "aac" } },
        };
        return recipes;
    }

} // namespace

std::string FixturePath(const std::string& name)
{
    // Recursive: truncated.mp4 is cut from h264_aac.mp4, made through this same function.
    static std::recursive_mutex lock;
    std::lock_guard guard(lock);
    const QString path = Folder().filePath(QString::fromStdString(name));
    if (QFile::exists(path))
        return path.toStdString();

    if (name == "truncated.mp4") {
        QFile full(QString::fromStdString(FixturePath("h264_aac.mp4")));
        QFile cut(path);
        if (full.open(QIODevice::ReadOnly) && cut.open(QIODevice::WriteOnly))
            cut.write(full.read(3000));
    } else if (name == "empty.mp4") {
        QFile(path).open(QIODevice::WriteOnly);
    } else if (name == "text.mp4") {
        QFile f(path);
        if (f.open(QIODevice::WriteOnly))
            f.write("This is not a video.\nJust some text with a lying extension.\n");
    } else {
        auto it = Recipes().find(name);
        if (it == Recipes().end()) {
            ADD_FAILURE() << "no fixture named " << name;
            return {};
        }
        QProcess ffmpeg;
        ffmpeg.start("ffmpeg", QStringList { "-nostdin", "-hide_banner", "-loglevel", "error", "-y" } + it->second + QStringList { path });
        if (!ffmpeg.waitForFinished(120000) || ffmpeg.exitCode() != 0) {
            ADD_FAILURE() << "ffmpeg could not make " << name << ": " << ffmpeg.readAllStandardError().toStdString();
            QFile::remove(path);
            return {};
        }
    }
    return path.toStdString();
}

std::string ScratchFolder()
{
    static std::mutex lock;
    static int counter = 0;
    std::lock_guard guard(lock);
    QString path = Folder().filePath(QString("scratch-%1").arg(++counter));
    QDir().mkpath(path);
    return path.toStdString();
}

} // namespace vidlume::test
