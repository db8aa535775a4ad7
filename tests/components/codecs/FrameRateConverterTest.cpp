#include "TestGraph.h"

#include "tests/components/Fixtures.h"

#include <gtest/gtest.h>

using namespace vidlume;
using namespace vidlume::test;

namespace {
constexpr Guid kFrameRateCode = MakeGuid("7CFA24E9-81FC-41A5-928E-66B9F781B6DC");
} // namespace

// Two seconds of 25 fps made constant at other rates: the picture count, the slot times and the
// type's frame duration follow the rate code, 29.97 fps arriving as the unsigned form of -2997.
TEST(FrameRateConverterTest, ConvertsTwoSecondsAtEachRate)
{
    struct Case {
        uint32_t code;
        size_t frames;
        REFERENCE_TIME duration;
        AVRational rate;
    };
    const Case cases[] = {
        { 4294964299u, 60, 333667, { 30000, 1001 } },
        { 1000, 20, 1000000, { 10, 1 } },
        { 5000, 100, 200000, { 50, 1 } },
        { 2500, 50, 400000, { 25, 1 } },
        { 0, 50, 400000, { 25, 1 } }, // as the source: unchanged
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        TestGraph g;
        CTestPacketSource* source = g.AddSource(FixturePath("h264_aac.mp4"));
        ComPtr<IBaseFilter> decoder = g.Add(CLSID_H264Decoder);
        ComPtr<IBaseFilter> converter = g.Add(CLSID_FrameRateConverter);
        CTestFrameSink* sink = g.AddSink(AnyRawVideo());
        ASSERT_TRUE(source && decoder && converter);
        ASSERT_EQ(Configure(converter.Get(), { { kFrameRateCode, VARIANT::UI4(c.code) } }), S_OK);
        ASSERT_EQ(g.Chain(source, "Video", { decoder.Get(), converter.Get(), sink }), S_OK);
        ASSERT_EQ(g.Run(), EC_COMPLETE);

        EXPECT_EQ(sink->ConnectionType().AvgTimePerFrame(), c.duration);
        const auto& frames = sink->Frames();
        ASSERT_EQ(frames.size(), c.frames);
        for (size_t i = 0; i < frames.size(); ++i) {
            const REFERENCE_TIME expected = av_rescale(int64_t(i) * c.rate.den, 10'000'000, c.rate.num);
            ASSERT_NEAR(double(frames[i].start), double(expected), 1.0) << "frame " << i;
            ASSERT_EQ(frames[i].width, 320);
        }
        EXPECT_NEAR(double(frames.back().stop), 2e7, double(c.duration) / 2);
    }
}

// Pictures are repeated by their timestamps: the AVI fixture's second picture comes one frame
// time late, so the slot it left empty shows the first picture again.
TEST(FrameRateConverterTest, RepeatsPicturesAcrossGaps)
{
    TestGraph g;
    CTestPacketSource* source = g.AddSource(FixturePath("mpeg4_mp3.avi"));
    ComPtr<IBaseFilter> decoder = g.Add(CLSID_MPEG4Decoder);
    ComPtr<IBaseFilter> converter = g.Add(CLSID_FrameRateConverter);
    CTestFrameSink* sink = g.AddSink(AnyRawVideo());
    ASSERT_TRUE(source && decoder && converter);
    ASSERT_EQ(Configure(converter.Get(), { { kFrameRateCode, VARIANT::I4(2500) } }), S_OK);
    ASSERT_EQ(g.Chain(source, "Video", { decoder.Get(), converter.Get(), sink }), S_OK);
    ASSERT_EQ(g.Run(), EC_COMPLETE);
    // 50 pictures spread over 51 frame times fill 51 slots, evenly spaced.
    const auto& frames = sink->Frames();
    ASSERT_EQ(frames.size(), 51u);
    for (size_t i = 0; i < frames.size(); ++i)
        EXPECT_EQ(frames[i].start, REFERENCE_TIME(i) * 400000);
}
