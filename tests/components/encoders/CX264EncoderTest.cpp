// The H.264 encoder in a graph, configured as the MPEG-4 format handler does it, its output
// decoded back with libavcodec.

#include "TestEncoderGraph.h"
#include "TestMedia.h"

#include "components/encoders/EncoderParameters.h"

#include <gtest/gtest.h>

using namespace vidlume;
using namespace vidlume::test;

namespace {

constexpr REFERENCE_TIME kFrameDuration = 333'333; // 30 frames per second
constexpr int kFrames = 60;

void ConfigureAsHandler(IModuleConfig* config, int device, int kbitPerSecond)
{
    EXPECT_EQ(config->SetValue(kEncoderDeviceOption, VARIANT::I4(device)), S_OK);
    EXPECT_EQ(config->SetValue(kEncoderAvcMp4Stream, VARIANT::I4(1)), S_OK);
    EXPECT_EQ(config->CommitChanges(), S_OK);
    EXPECT_EQ(config->SetValue(kEncoderRateMode, VARIANT::I4(0)), S_OK);
    EXPECT_EQ(config->SetValue(kEncoderBitRate, VARIANT::I4(kbitPerSecond * 1000)), S_OK);
    EXPECT_EQ(config->CommitChanges(), S_OK);
}

} // namespace

TEST(CX264Encoder, EncodesForEachDevice)
{
    struct Case {
        const char* name;
        int device;
        int width, height;
        int kbit;
        int profile; // profile_idc
        int level;   // 0: x264's choice
    };
    const Case cases[] = {
        { "iPod", 15, 320, 240, 600, 66, 13 },
        { "iPhone", 0, 480, 360, 970, 66, 30 },
        { "iPad", 2, 1024, 768, 2000, 77, 31 },
        { "iPod profile, picture beyond its level", 15, 640, 480, 600, 66, 30 },
        { "no device", 7, 640, 480, 1000, 100, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CTestEncoderGraph graph(CLSID_H264Encoder, I420Type(c.width, c.height, kFrameDuration), kFrames,
            [&](int i) { return MovingPicture(c.width, c.height, i, kFrameDuration); });
        graph.Encode([&](IModuleConfig* config) { ConfigureAsHandler(config, c.device, c.kbit); });
        if (HasFatalFailure())
            return;

        const CMediaType type = graph.OutputType();
        EXPECT_EQ(type.subtype, MEDIASUBTYPE_AVC1);
        ASSERT_NE(type.VideoInfo2(), nullptr);
        EXPECT_EQ(type.VideoInfo2()->bmiHeader.biWidth, c.width);
        EXPECT_EQ(type.VideoInfo2()->bmiHeader.biHeight, c.height);
        EXPECT_EQ(type.VideoInfo2()->AvgTimePerFrame, kFrameDuration);
        const std::vector<uint8_t> avcC = type.ExtraData();
        ASSERT_GE(avcC.size(), 7u);
        EXPECT_EQ(avcC[0], 1);
        EXPECT_EQ(avcC[1], c.profile);
        if (c.level) {
            EXPECT_EQ(avcC[3], c.level);
        }

        auto& samples = graph.Samples();
        EXPECT_EQ(samples.size(), size_t(kFrames)) << "every delayed frame drained";
        const Decoded decoded = DecodeAll(type, samples);
        EXPECT_TRUE(decoded.opened);
        EXPECT_EQ(decoded.failures, 0);
        EXPECT_EQ(decoded.frames, kFrames);
        EXPECT_EQ(decoded.width, c.width);
        EXPECT_EQ(decoded.height, c.height);
        EXPECT_EQ(decoded.profile & 0xFF, c.profile) << "the SPS's profile";
        EXPECT_EQ(decoded.level, avcC[3]) << "the SPS's level";
        // One-pass rate control over two seconds lands within 30% of the target.
        EXPECT_NEAR(BitRate(samples, kFrames * kFrameDuration / 1e7) / (c.kbit * 1000), 1.0, 0.3);

        EXPECT_EQ(ExpectVideoTimes(samples, kFrames, kFrameDuration), c.profile != 66) << "B-frames only outside Baseline";
    }
}

TEST(CX264Encoder, WritesAnnexBWhenNotForMp4)
{
    constexpr int kShort = 30;
    CTestEncoderGraph graph(CLSID_H264Encoder, I420Type(320, 240, kFrameDuration), kShort,
        [](int i) { return MovingPicture(320, 240, i, kFrameDuration); });
    graph.Encode([](IModuleConfig* config) {
        EXPECT_EQ(config->SetValue(kEncoderAvcMp4Stream, VARIANT::I4(0)), S_OK);
        EXPECT_EQ(config->CommitChanges(), S_OK);
    });
    if (HasFatalFailure())
        return;
    const CMediaType type = graph.OutputType();
    EXPECT_EQ(type.subtype, MEDIASUBTYPE_H264);
    const std::vector<uint8_t> extra = type.ExtraData();
    ASSERT_GE(extra.size(), 5u);
    EXPECT_EQ(std::vector<uint8_t>(extra.begin(), extra.begin() + 5), (std::vector<uint8_t> { 0, 0, 0, 1, 0x67 }));
    auto& samples = graph.Samples();
    ASSERT_EQ(samples.size(), size_t(kShort));
    for (const auto& s : samples) {
        const AVPacket* p = s.packet.get();
        ASSERT_GE(p->size, 5);
        EXPECT_EQ(std::vector<uint8_t>(p->data, p->data + 3), (std::vector<uint8_t> { 0, 0, 0 })) << "a start code, not a length";
        if (s.syncPoint) {
            EXPECT_EQ(p->data[4] & 0x1F, 7) << "key frames repeat the SPS";
        }
    }
    const Decoded decoded = DecodeAll(type, samples);
    EXPECT_EQ(decoded.failures, 0);
    EXPECT_EQ(decoded.frames, kShort);
}
