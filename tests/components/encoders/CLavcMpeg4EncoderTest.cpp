// The MPEG-4 Part 2 encoder in a graph, configured as the MPEG-4 format handler does it, its
// output decoded back with libavcodec.

#include "TestEncoderGraph.h"
#include "TestMedia.h"

#include "components/encoders/EncoderParameters.h"

#include <gtest/gtest.h>

using namespace vidlume;
using namespace vidlume::test;

TEST(CLavcMpeg4Encoder, EncodesSimpleAndAdvancedSimpleProfiles)
{
    constexpr REFERENCE_TIME kFrameDuration = 400'000; // 25 frames per second
    constexpr int kFrames = 50;
    struct Case {
        const char* name;
        int device;     // -1: left at its default
        int simpleFlag; // -1: left at its default
        int width, height;
        int kbit;
        int profile, level; // profile_and_level_indication's halves
    };
    const Case cases[] = {
        { "iPod", 15, 1, 320, 240, 600, FF_PROFILE_MPEG4_SIMPLE, 4 },
        { "Simple Profile without a device", 7, 1, 320, 240, 300, FF_PROFILE_MPEG4_SIMPLE, 3 },
        { "defaults", -1, -1, 640, 480, 1500, FF_PROFILE_MPEG4_ADVANCED_SIMPLE, 5 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CTestEncoderGraph graph(CLSID_MPEG4Encoder, I420Type(c.width, c.height, kFrameDuration), kFrames,
            [&](int i) { return MovingPicture(c.width, c.height, i, kFrameDuration); });
        graph.Encode([&](IModuleConfig* config) {
            if (c.device != -1) {
                EXPECT_EQ(config->SetValue(kEncoderDeviceOption, VARIANT::I4(c.device)), S_OK);
            }
            if (c.simpleFlag != -1) {
                EXPECT_EQ(config->SetValue(kEncoderMpeg4SimpleProfile, VARIANT::I4(c.simpleFlag)), S_OK);
            }
            EXPECT_EQ(config->CommitChanges(), S_OK);
            EXPECT_EQ(config->SetValue(kEncoderRateMode, VARIANT::I4(0)), S_OK);
            EXPECT_EQ(config->SetValue(kEncoderBitRate, VARIANT::I4(c.kbit * 1000)), S_OK);
            EXPECT_EQ(config->CommitChanges(), S_OK);
        });
        if (HasFatalFailure())
            return;

        const CMediaType type = graph.OutputType();
        EXPECT_EQ(type.subtype, MEDIASUBTYPE_MP4V);
        ASSERT_NE(type.VideoInfo2(), nullptr);
        EXPECT_EQ(type.VideoInfo2()->AvgTimePerFrame, kFrameDuration);
        const std::vector<uint8_t> header = type.ExtraData();
        ASSERT_GE(header.size(), 5u);
        EXPECT_EQ(std::vector<uint8_t>(header.begin(), header.begin() + 4), (std::vector<uint8_t> { 0, 0, 1, 0xB0 })) << "visual object sequence";

        auto& samples = graph.Samples();
        EXPECT_EQ(samples.size(), size_t(kFrames)) << "every delayed frame drained";
        const Decoded decoded = DecodeAll(type, samples);
        EXPECT_TRUE(decoded.opened);
        EXPECT_EQ(decoded.failures, 0);
        EXPECT_EQ(decoded.frames, kFrames);
        EXPECT_EQ(decoded.width, c.width);
        EXPECT_EQ(decoded.height, c.height);
        EXPECT_EQ(decoded.profile, c.profile);
        EXPECT_EQ(decoded.level, c.level);
        // One-pass rate control over two seconds lands within 30% of the target.
        EXPECT_NEAR(BitRate(samples, kFrames * kFrameDuration / 1e7) / (c.kbit * 1000), 1.0, 0.3);
        EXPECT_EQ(ExpectVideoTimes(samples, kFrames, kFrameDuration), c.profile != FF_PROFILE_MPEG4_SIMPLE)
            << "B-frames only outside Simple Profile";
    }
}
