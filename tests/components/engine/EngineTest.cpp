// Every output format of the program, built by hand the way the devices and format handlers
// build their graphs - through the graph and class identifiers only - over tiny fixtures, and
// every output read back with libavformat.

#include "components/ComponentGroups.h"
#include "platform/com/CClassRegistry.h"
#include "platform/graph/GraphInterfaces.h"
#include "tests/components/Fixtures.h"
#include "tests/components/engine/GraphRecipes.h"
#include "tests/components/Probe.h"

#include <gtest/gtest.h>


using namespace vidlume;
using namespace vidlume::test;

namespace {

class EngineTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterComponents(); }
};

} // namespace

TEST_F(EngineTest, EveryOutputFormat)
{
    struct Case {
        const char* name;
        const char* fixture;
        bool audioOnly;
        Target target;
        const char* extension;
        const char* container; // a part of FFmpeg's input format name
        const char* videoCodec; // null: no video stream expected
        int width, height;
        const char* audioCodec; // null: no audio stream expected
        int sampleRate;
        double duration;
        bool fallback;
    };
    const Case cases[] = {
        { "iPod from MP4", "h264_aac.mp4", false, { Target::Mpeg4, CLSID_H264Encoder, 320, 240, 0, 600, 128, 0, { 15, 0, 3 } }, "mp4", "mp4", "h264", 320, 240, "aac", 44100, 2.0, false },
        { "iPhone from MOV", "h264_aac.mov", false, { Target::Mpeg4, CLSID_H264Encoder, 480, 360, 0, 970, 128, 0, { 0, 0, 3 } }, "mp4", "mp4", "h264", 480, 360, "aac", 44100, 2.0, false },
        { "iPad from HD", "hd.mp4", false, { Target::Mpeg4, CLSID_H264Encoder, 1024, 768, 0, 2000, 128, 0, { 2, 0, 3 } }, "mp4", "mp4", "h264", 1024, 768, "aac", 48000, 2.0, false },
        { "MPEG-4 Part 2 from MPEG-2 PS", "mpeg2.mpg", false, { Target::Mpeg4, CLSID_MPEG4Encoder, 640, 480, 0, 1500, 128, 0, { 0, 0, 3 } }, "mp4", "mp4", "mpeg4", 640, 480, "aac", 44100, 2.0, false },
        { "29.97 fps from MPEG-4 AVI", "mpeg4_mp3.avi", false, { Target::Mpeg4, CLSID_H264Encoder, 320, 240, -2997, 600, 128, 0, { 15, 0, 3 } }, "mp4", "mp4", "h264", 320, 240, "aac", 44100, 2.0, false },
        { "iPhone from WMV (fallback)", "wmv2.wmv", false, { Target::Mpeg4, CLSID_H264Encoder, 480, 360, 0, 970, 128, 0, { 0, 0, 3 } }, "mp4", "mp4", "h264", 480, 360, "aac", 44100, 2.0, true },
        { "iPod from FLV (fallback)", "flv1.flv", false, { Target::Mpeg4, CLSID_H264Encoder, 320, 240, 0, 600, 128, 0, { 15, 0, 3 } }, "mp4", "mp4", "h264", 320, 240, "aac", 44100, 2.0, true },
        { "video without sound", "video_only.mp4", false, { Target::Mpeg4, CLSID_H264Encoder, 320, 240, 0, 600, 128, 0, { 15, 0, 3 } }, "mp4", "mp4", "h264", 320, 240, nullptr, 0, 2.0, false },
        { "WMV 640x480", "h264_aac.mp4", false, { Target::Wmv, {}, 640, 480 }, "wmv", "asf", "wmv2", 640, 480, "wmav2", 44100, 2.0, false },
        { "M4A from a video", "h264_aac.mp4", false, { Target::M4a, {}, 0, 0, 0, 0, 128 }, "m4a", "mp4", nullptr, 0, 0, "aac", 44100, 2.0, false },
        { "M4A from MP3", "tone.mp3", true, { Target::M4a, {}, 0, 0, 0, 0, 128 }, "m4a", "mp4", nullptr, 0, 0, "aac", 44100, 2.0, false },
        { "WAV from a video (fallback)", "flv1.flv", false, { Target::Wave }, "wav", "wav", nullptr, 0, 0, "pcm_s16le", 44100, 2.0, true },
        { "WAV for audio CD from M4A", "tone.m4a", true, { Target::Wave, {}, 0, 0, 0, 0, 0, 44100 }, "wav", "wav", nullptr, 0, 0, "pcm_s16le", 44100, 2.0, false },
        { "MP3 from WAV", "tone.wav", true, { Target::Mp3 }, "mp3", "mp3", nullptr, 0, 0, "mp3", 44100, 2.0, false },
        { "MP3 from a video", "h264_aac.mp4", false, { Target::Mp3, {}, 0, 0, 0, 0, 0, 44100 }, "mp3", "mp3", nullptr, 0, 0, "mp3", 44100, 2.0, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string in = FixturePath(c.fixture);
        ASSERT_FALSE(in.empty());
        const std::string out = ScratchFolder() + "/out." + c.extension;
        Built b;
        ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, &b.graph), S_OK);
        std::string error;
        ASSERT_EQ(AddTargetPart(c.target, out, b, &error), S_OK) << error;
        bool fallback = false;
        if (c.audioOnly) {
            ASSERT_EQ(AddAudioSource(in, b, &error), S_OK) << error;
        } else {
            ASSERT_EQ(AddVideoSource(in, b, &fallback, &error), S_OK) << error;
        }
        EXPECT_EQ(fallback, c.fallback);
        ASSERT_EQ(CompleteGraph(c.target, out, b, &error), S_OK) << error;
        ComPtr<ITimeGrabber> grabber;
        ASSERT_EQ(InsertTimeGrabber(b, c.audioOnly, &grabber, &error), S_OK) << error;
        ASSERT_EQ(RunToCompletion(b, &error), S_OK) << error;
        REFERENCE_TIME last = 0;
        grabber->GetLastSampleTime(&last);
        EXPECT_NEAR(last / 1e7, c.duration, 0.2);

        ProbedFile probe = Probe(out);
        ASSERT_TRUE(probe.opened) << probe.error;
        EXPECT_EQ(probe.error, "");
        EXPECT_NE(probe.container.find(c.container), std::string::npos) << probe.container;
        EXPECT_NEAR(probe.duration, c.duration, 0.1);
        if (c.videoCodec) {
            ASSERT_NE(probe.Video(), nullptr);
            EXPECT_EQ(probe.Video()->codec, c.videoCodec);
            EXPECT_EQ(probe.Video()->width, c.width);
            EXPECT_EQ(probe.Video()->height, c.height);
        } else {
            EXPECT_EQ(probe.Video(), nullptr);
        }
        if (c.audioCodec) {
            ASSERT_NE(probe.Audio(), nullptr);
            EXPECT_EQ(probe.Audio()->codec, c.audioCodec);
            EXPECT_EQ(probe.Audio()->sampleRate, c.sampleRate);
        } else {
            EXPECT_EQ(probe.Audio(), nullptr);
        }
        if (c.target.kind == Target::Mpeg4) {
            EXPECT_TRUE(probe.indexAtFront) << "devices stream the file: the index goes first";
        }
    }
}
