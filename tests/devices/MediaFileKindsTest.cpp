#include "devices/MediaFileKinds.h"

#include <gtest/gtest.h>

using namespace vidlume;

TEST(MediaFileKindsTest, ListsComeInTheirOrder)
{
    QStringList video { "keep" }, audio;
    FillExtensionLists(video, audio);
    EXPECT_EQ(video, QStringList({ "keep", "mpeg", "mpg", "mpv", "mp4", "m4v", "mov", "qt", "vob", "3gp", "f4v", "flv", "wmv", "avi", "ts" }));
    EXPECT_EQ(audio, QStringList({ "wav", "mp3", "mpa", "m4a", "wma", "aac" }));
}

TEST(MediaFileKindsTest, ClassifiesByTheLastExtensionOfTheName)
{
    QStringList video, audio;
    FillExtensionLists(video, audio);
    struct Case {
        const char* path;
        MediaFileKind kind;
    };
    const Case cases[] = {
        { "/home/ann/Videos/Clip.MP4", kVideoFile },
        { "song.Mp3", kAudioFile },
        { "movie.mkv", kNotMediaFile },
        { "README", kNotMediaFile },
        { ".avi", kNotMediaFile },
        { "/home/ann/.avi", kNotMediaFile },
        { "backup.tar.ts", kVideoFile },
        { "/media/x.mp4", kVideoFile }, // a folder named so: the caller tells folders apart
        { "/home/ann/clips.d/trailer", kNotMediaFile },
        { "archive.wav.zip", kNotMediaFile },
        { "name.", kNotMediaFile },
        { "a.AAC", kAudioFile },
        { "", kNotMediaFile },
    };
    for (const Case& c : cases)
        EXPECT_EQ(ClassifyFile(QString::fromUtf8(c.path), video, audio), c.kind) << c.path;
}
