#include "TestGraph.h"

#include "components/ffmpeg/CodecMediaTypes.h"
#include "tests/components/Fixtures.h"

#include <gtest/gtest.h>

using namespace vidlume;
using namespace vidlume::test;

namespace {

constexpr Guid kKeepAspect = MakeGuid("A68F13F1-CC33-436A-BCBF-0A5C95EBE27F");
constexpr Guid kWidth = MakeGuid("04B86B7E-C04B-448F-BFF5-2A50F1945ACD");
constexpr Guid kHeight = MakeGuid("32A5E96D-2AC3-4D46-BF70-431BEE62DF35");
constexpr Guid kHighDefinition = MakeGuid("6E7CFA3C-7395-4DF9-A3D2-7E1DBE442B42");

// Mean luma of a rectangle of the first frame's Y plane.
double MeanLuma(const AVFrame* f, int x, int y, int w, int h)
{
    double sum = 0;
    for (int r = y; r < y + h; ++r)
        for (int c = x; c < x + w; ++c)
            sum += f->data[0][r * f->linesize[0] + c];
    return sum / (double(w) * h);
}

} // namespace

// Decoded 320x240 (4:3) pictures resized: size, letterbox and pillarbox bars where the aspect
// ratio asks for them, stretching when it is not kept.
TEST(VideoResizerTest, ResizesAndKeepsTheAspectRatio)
{
    struct Case {
        const char* name;
        uint32_t width, height, keep;
        const char* announcedAspect; // the picture aspect the source announces, "" for its own
        int outWidth, outHeight;
        int barLeft, barTop; // black columns at the left, rows at the top
    };
    const Case cases[] = {
        { "pillarbox", 640, 360, 1, "", 640, 360, 80, 0 },
        { "stretched", 640, 360, 0, "", 640, 360, 0, 0 },
        { "letterbox", 320, 320, 1, "", 320, 320, 0, 40 },
        { "same aspect", 640, 480, 1, "", 640, 480, 0, 0 },
        { "odd sizes round down", 321, 241, 1, "", 320, 240, 0, 0 },
        { "source size", 0, 0, 1, "", 320, 240, 0, 0 },
        { "wide pixels fill 16:9", 640, 360, 1, "16:9", 640, 360, 0, 0 },
        { "wide pixels in 4:3", 640, 480, 1, "16:9", 640, 480, 0, 60 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PacketSourceOptions options;
        if (*c.announcedAspect) {
            options.editVideoType = [](CMediaType& t) {
                VIDEOINFOHEADER2 header = *t.VideoInfo2();
                const std::vector<uint8_t> extra = t.ExtraData();
                header.dwPictAspectRatioX = 16;
                header.dwPictAspectRatioY = 9;
                t.SetVideoInfo2(header, extra);
            };
        }
        TestGraph g;
        CTestPacketSource* source = g.AddSource(FixturePath("h264_aac.mp4"), options);
        ComPtr<IBaseFilter> decoder = g.Add(CLSID_H264Decoder);
        ComPtr<IBaseFilter> resizer = g.Add(CLSID_VideoResizer);
        CTestFrameSink* sink = g.AddSink(VideoSubtype(MEDIASUBTYPE_I420));
        ASSERT_TRUE(source && decoder && resizer);
        ASSERT_EQ(Configure(resizer.Get(), { { kKeepAspect, VARIANT::UI4(c.keep) }, { kWidth, VARIANT::UI4(c.width) }, { kHeight, VARIANT::UI4(c.height) } }), S_OK);
        ASSERT_EQ(g.Chain(source, "Video", { decoder.Get(), resizer.Get(), sink }), S_OK);
        ASSERT_EQ(g.Run(), EC_COMPLETE);

        const CMediaType type = sink->ConnectionType();
        ASSERT_NE(type.BitmapHeader(), nullptr);
        EXPECT_EQ(type.BitmapHeader()->biWidth, c.outWidth);
        EXPECT_EQ(type.BitmapHeader()->biHeight, c.outHeight);
        EXPECT_EQ(type.AvgTimePerFrame(), 400000);
        ASSERT_EQ(sink->Frames().size(), 50u);
        const AVFrame* f = sink->FirstFrame();
        ASSERT_EQ(f->width, c.outWidth);
        ASSERT_EQ(f->height, c.outHeight);
        EXPECT_EQ(f->format, AV_PIX_FMT_YUV420P);

        // Black (16) exactly where the bars are; the test picture itself is far from black.
        if (c.barLeft) {
            EXPECT_EQ(MeanLuma(f, 0, 0, c.barLeft, f->height), 16.0);
            EXPECT_EQ(MeanLuma(f, f->width - c.barLeft, 0, c.barLeft, f->height), 16.0);
        }
        if (c.barTop) {
            EXPECT_EQ(MeanLuma(f, 0, 0, f->width, c.barTop), 16.0);
            EXPECT_EQ(MeanLuma(f, 0, f->height - c.barTop, f->width, c.barTop), 16.0);
        }
        EXPECT_GT(MeanLuma(f, c.barLeft, c.barTop, 4, f->height - 2 * c.barTop), 20.0);
        EXPECT_GT(MeanLuma(f, c.barLeft, c.barTop, f->width - 2 * c.barLeft, 4), 20.0);
    }
}

// Full-HD output is scaled in high quality and tagged BT.709; other sizes keep the source's matrix.
TEST(VideoResizerTest, HighDefinitionOutputUsesBt709)
{
    for (uint32_t hd : { 0u, 1u }) {
        SCOPED_TRACE(hd);
        TestGraph g;
        CTestPacketSource* source = g.AddSource(FixturePath("h264_aac.mp4"));
        ComPtr<IBaseFilter> decoder = g.Add(CLSID_H264Decoder);
        ComPtr<IBaseFilter> resizer = g.Add(CLSID_VideoResizer);
        CTestFrameSink* sink = g.AddSink(AnyRawVideo());
        ASSERT_TRUE(source && decoder && resizer);
        ASSERT_EQ(Configure(resizer.Get(), { { kKeepAspect, VARIANT::UI4(1) }, { kWidth, VARIANT::UI4(1920) }, { kHeight, VARIANT::UI4(1080) },
                                               { kHighDefinition, VARIANT::UI4(hd) } }),
            S_OK);
        ASSERT_EQ(g.Chain(source, "Video", { decoder.Get(), resizer.Get(), sink }), S_OK);
        ASSERT_EQ(g.Run(), EC_COMPLETE);
        ASSERT_EQ(sink->Frames().size(), 50u);
        EXPECT_EQ(sink->Frames()[0].width, 1920);
        EXPECT_EQ(sink->Frames()[0].colorspace, hd ? AVCOL_SPC_BT709 : AVCOL_SPC_BT470BG);
    }
}

// Once connected, the output size is fixed: a commit that would change it is refused.
TEST(VideoResizerTest, RefusesSizeChangesWhileConnected)
{
    TestGraph g;
    CTestPacketSource* source = g.AddSource(FixturePath("h264_aac.mp4"));
    ComPtr<IBaseFilter> decoder = g.Add(CLSID_H264Decoder);
    ComPtr<IBaseFilter> resizer = g.Add(CLSID_VideoResizer);
    CTestFrameSink* sink = g.AddSink(AnyRawVideo());
    ASSERT_TRUE(source && decoder && resizer);
    ASSERT_EQ(Configure(resizer.Get(), { { kWidth, VARIANT::UI4(160) }, { kHeight, VARIANT::UI4(120) } }), S_OK);
    ASSERT_EQ(g.Chain(source, "Video", { decoder.Get(), resizer.Get(), sink }), S_OK);
    EXPECT_EQ(Configure(resizer.Get(), { { kWidth, VARIANT::UI4(320) } }), VFW_E_ALREADY_CONNECTED);
    EXPECT_EQ(Configure(resizer.Get(), { { kKeepAspect, VARIANT::UI4(0) }, { kWidth, VARIANT::UI4(160) } }), S_OK);
    VARIANT width;
    ComPtr<IModuleConfig> config;
    ASSERT_EQ(resizer.As(&config), S_OK);
    EXPECT_EQ(config->GetValue(kWidth, &width), S_OK);
    EXPECT_EQ(width.ulVal, 160u);
}
