#include "devices/CTitleInfo.h"
#include "devices/CTitleSetInfo.h"

#include <gtest/gtest.h>

using namespace vidlume;

namespace {
void ExpectSameFields(const CTitleInfo& a, const CTitleInfo& b)
{
    EXPECT_EQ(a.m_vobPattern, b.m_vobPattern);
    EXPECT_EQ(a.m_sectorRanges, b.m_sectorRanges);
    EXPECT_EQ(a.m_audioStream, b.m_audioStream);
    EXPECT_EQ(a.m_subtitleStream, b.m_subtitleStream);
    EXPECT_EQ(a.m_startPosition, b.m_startPosition);
    EXPECT_EQ(a.m_stopPosition, b.m_stopPosition);
    EXPECT_EQ(a.m_duration, b.m_duration);
}
} // namespace

TEST(LocatorTest, TitleSetNamesItsVobFilesAndStreams)
{
    CTitleSetInfo set("/media/dvd/VIDEO_TS/VTS_01_0.IFO");
    set.m_audioStreams << "English (Dolby Digital, 5.1 Surround)";
    set.m_subtitles << "English" << "German";
    EXPECT_EQ(set.GetVobPattern(), "/media/dvd/VIDEO_TS/VTS_01_?.VOB");
    EXPECT_EQ(CTitleSetInfo("/mnt/video_ts/vts_02_0.ifo").GetVobPattern(), "/mnt/video_ts/vts_02_?.vob");
    EXPECT_EQ(set.GetAudioName(0), "English (Dolby Digital, 5.1 Surround)");
    EXPECT_EQ(set.GetAudioName(1), "No audio");
    EXPECT_EQ(set.GetAudioName(-1), "No audio");
    EXPECT_EQ(set.GetSubtitleName(1), "German");
    EXPECT_EQ(set.GetSubtitleName(-1), "No subtitles");
    EXPECT_EQ(set.GetAudioStreamCount(), 1);

    CTitleInfo title(&set);
    EXPECT_EQ(title.GetVobPattern(), "/media/dvd/VIDEO_TS/VTS_01_?.VOB");
    EXPECT_EQ(title.GetLocator(),
        "vobfile=/media/dvd/VIDEO_TS/VTS_01_?.VOB&audio=0&subtitles=0&starttime=-1&stoptime=-1&duration=0");
}

TEST(LocatorTest, WritingAndReadingGiveTheSameTitle)
{
    CTitleSetInfo set("/media/dvd/VIDEO_TS/VTS_03_0.IFO");
    struct Case {
        std::vector<CSectorRange> ranges;
        int audio, subtitles, duration;
        int64_t start, stop;
        const char* locator;
    };
    const Case cases[] = {
        { { { 0, 4711 }, { 5000, 9000 }, { 12, 13 } }, 1, 0, 95, -1, -1,
            "vobfile=/media/dvd/VIDEO_TS/VTS_03_?.VOB&range=0,4711&range=5000,9000&range=12,13&audio=1&subtitles=0"
            "&starttime=-1&stoptime=-1&duration=95" },
        // Five minutes in 100 ns units is beyond 32 bits.
        { { { 7, 8 } }, 0, -1, 3600, 3000000000LL, 36000000000LL,
            "vobfile=/media/dvd/VIDEO_TS/VTS_03_?.VOB&range=7,8&audio=0&subtitles=-1&starttime=3000000000"
            "&stoptime=36000000000&duration=3600" },
        // Sector numbers above 2^31 stay unsigned.
        { { { 0, 4294967295u } }, 2, 3, 0, 0, 1, nullptr },
    };
    for (const Case& c : cases) {
        CTitleInfo title(&set);
        title.m_sectorRanges = c.ranges;
        title.m_audioStream = c.audio;
        title.m_subtitleStream = c.subtitles;
        title.m_duration = c.duration;
        title.m_startPosition = c.start;
        title.m_stopPosition = c.stop;
        const QString locator = title.GetLocator();
        if (c.locator) {
            EXPECT_EQ(locator, c.locator);
        }
        CTitleInfo back(locator);
        SCOPED_TRACE(locator.toStdString());
        ExpectSameFields(back, title);
        EXPECT_EQ(back.m_titleSet, nullptr);
    }
}

TEST(LocatorTest, ReadsLikeTheCLibraryAndNeverFails)
{
    struct Case {
        const char* locator;
        int audio, subtitles, duration;
        int64_t start;
        std::vector<CSectorRange> ranges;
        const char* pattern;
    };
    const Case cases[] = {
        { "vobfile=a&audio=2&&subtitles=1", 2, 1, 0, -1, {}, "a" },          // "&&" is one separator
        { "&&&audio=3&&&", 3, 0, 0, -1, {}, "" },
        { "Audio=5&AUDIO=6&audio =7", 0, 0, 0, -1, {}, "" },                  // keys are case- and space-exact
        { "audio=1&audio=4", 4, 0, 0, -1, {}, "" },                           // the later one wins
        { "audio= \t 12xyz&duration=-7&subtitles=+3", 12, 3, -7, -1, {}, "" },
        { "audio=abc&duration=&starttime=--5&subtitles", 0, 0, 0, 0, {}, "" }, // no digits read as 0
        { "starttime=99999999999999999999999", 0, 0, 0, INT64_MAX, {}, "" },
        { "duration=99999999999", 0, 0, INT32_MAX, -1, {}, "" },
        { "range=10,20&range=5&range=,7&range=-1,3x", 0, 0, 0, -1, { { 10, 20 }, { 5, 0 }, { 0, 7 }, { 4294967295u, 3 } }, "" },
        { "vobfile=x=y&vobfile=/d/VTS_01_?.VOB&nokey&=v&bogus=1", 0, 0, 0, -1, {}, "/d/VTS_01_?.VOB" },
        { "", 0, 0, 0, -1, {}, "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.locator);
        CTitleInfo t { QString::fromUtf8(c.locator) };
        EXPECT_EQ(t.m_audioStream, c.audio);
        EXPECT_EQ(t.m_subtitleStream, c.subtitles);
        EXPECT_EQ(t.m_duration, c.duration);
        EXPECT_EQ(t.m_startPosition, c.start);
        EXPECT_EQ(t.m_stopPosition, -1);
        EXPECT_EQ(t.m_sectorRanges, c.ranges);
        EXPECT_EQ(t.m_vobPattern, c.pattern);
    }
}
