#include "TestGraph.h"

#include "components/ffmpeg/CodecMediaTypes.h"
#include "tests/components/Fixtures.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

#include <gtest/gtest.h>

using namespace vidlume;
using namespace vidlume::test;

namespace {

constexpr Guid kTimestampMode = MakeGuid("AF65371F-7E7D-40A4-A1BA-AAFD10090ACD");
constexpr Guid kFrameRate = MakeGuid("1959B33C-DB92-47EC-B466-6308D9FBC081");

struct Decoded {
    long event = 0;
    std::vector<ReceivedFrame> frames;
    CMediaType output;
};

// Source video pin -> decoder -> sink taking any raw video.
Decoded DecodeVideo(const std::string& path, const CLSID& decoder, PacketSourceOptions options = {},
    std::vector<std::pair<Guid, VARIANT>> parameters = {}, CTestFrameSink::Predicate accepts = AnyRawVideo())
{
    Decoded d;
    TestGraph g;
    CTestPacketSource* source = g.AddSource(path, std::move(options));
    ComPtr<IBaseFilter> filter = g.Add(decoder);
    CTestFrameSink* sink = g.AddSink(std::move(accepts));
    if (!source || !filter)
        return d;
    EXPECT_EQ(g.Chain(source, "Video", { filter.Get(), sink }), S_OK);
    if (!parameters.empty()) {
        EXPECT_EQ(Configure(filter.Get(), parameters), S_OK);
    }
    d.event = g.Run();
    d.frames = sink->Frames();
    d.output = sink->ConnectionType();
    return d;
}

} // namespace

// Every video stream of the fixtures decodes completely, in the negotiated format, in order.
TEST(VideoDecoderTest, DecodesEveryFixture)
{
    struct Case {
        const char* fixture;
        CLSID decoder;
        int width, height, frames;
        REFERENCE_TIME frameDuration;
    };
    const Case cases[] = {
        { "h264_aac.mp4", CLSID_H264Decoder, 320, 240, 50, 400000 },
        { "hd.mp4", CLSID_H264Decoder, 1280, 720, 60, 333333 },
        { "mpeg2.mpg", CLSID_MPEG2Decoder, 352, 288, 50, 400000 },
        { "mpeg4_mp3.avi", CLSID_MPEG4Decoder, 320, 240, 50, 400000 },
        { "wmv2.wmv", CLSID_GenericVideoDecoder, 320, 240, 50, 400000 },
        { "flv1.flv", CLSID_GenericVideoDecoder, 320, 240, 50, 400000 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fixture);
        Decoded d = DecodeVideo(FixturePath(c.fixture), c.decoder);
        EXPECT_EQ(d.event, EC_COMPLETE);
        EXPECT_EQ(d.output.subtype, MEDIASUBTYPE_I420);
        EXPECT_EQ(d.output.AvgTimePerFrame() / 10, c.frameDuration / 10);
        ASSERT_EQ(int(d.frames.size()), c.frames);
        EXPECT_TRUE(d.frames.front().discontinuity);
        for (size_t i = 0; i < d.frames.size(); ++i) {
            const ReceivedFrame& f = d.frames[i];
            ASSERT_EQ(f.format, AV_PIX_FMT_YUV420P);
            ASSERT_EQ(f.width, c.width);
            ASSERT_EQ(f.height, c.height);
            ASSERT_NE(f.start, kNoTime);
            if (i > 0) {
                ASSERT_GT(f.start, d.frames[i - 1].start) << "frame " << i;
            }
        }
        // In presentation order at the stream's rate (the AVI fixture skips one frame time at
        // its start, the containers round to milliseconds).
        const double span = double(d.frames.back().start - d.frames.front().start);
        EXPECT_NEAR(span, double(c.frameDuration) * (c.frames - 1), double(c.frameDuration) * 1.1);
    }
}

// The decoders take only their own codecs, so the caller's "first that connects" order picks the
// right one, and the generic decoder never takes what is already decoded.
TEST(VideoDecoderTest, AcceptsOnlyItsOwnCodecs)
{
    struct Case {
        const char* fixture;
        CLSID decoder;
        bool accepts;
    };
    const Case cases[] = {
        { "h264_aac.mp4", CLSID_H264Decoder, true },
        { "h264_aac.mp4", CLSID_MPEG4Decoder, false },
        { "h264_aac.mp4", CLSID_MPEG2Decoder, false },
        { "mpeg4_mp3.avi", CLSID_H264Decoder, false },
        { "mpeg4_mp3.avi", CLSID_MPEG4Decoder, true },
        { "mpeg2.mpg", CLSID_MPEG2Decoder, true },
        { "mpeg2.mpg", CLSID_H264Decoder, false },
        { "wmv2.wmv", CLSID_H264Decoder, false },
        { "wmv2.wmv", CLSID_MPEG4Decoder, false },
        { "wmv2.wmv", CLSID_GenericVideoDecoder, true },
        { "h264_aac.mp4", CLSID_GenericVideoDecoder, true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.fixture) + " into " + c.decoder.ToString());
        TestGraph g;
        CTestPacketSource* source = g.AddSource(FixturePath(c.fixture));
        ComPtr<IBaseFilter> decoder = g.Add(c.decoder);
        ASSERT_TRUE(source && decoder);
        EXPECT_EQ(SUCCEEDED(g.Direct(source, "Video", decoder.Get())), c.accepts);
        // Audio is never taken by a video decoder.
        EXPECT_TRUE(FAILED(g.Direct(source, "Audio", decoder.Get())));
    }

    // A type without a picture size gives the decoder no output type to offer: refused.
    TestGraph g;
    PacketSourceOptions sizeless;
    sizeless.editVideoType = [](CMediaType& t) {
        VIDEOINFOHEADER2 header = *t.VideoInfo2();
        const std::vector<uint8_t> extra = t.ExtraData();
        header.bmiHeader.biWidth = header.bmiHeader.biHeight = 0;
        t.SetVideoInfo2(header, extra);
    };
    CTestPacketSource* source = g.AddSource(FixturePath("mpeg4_mp3.avi"), sizeless);
    ComPtr<IBaseFilter> decoder = g.Add(CLSID_MPEG4Decoder);
    ASSERT_TRUE(source && decoder);
    EXPECT_TRUE(FAILED(g.Direct(source, "Video", decoder.Get())));
}

// What downstream agreed to is what it gets: a picture the codec delivers in another size or
// pixel format is converted inside the decoder.
TEST(VideoDecoderTest, ConvertsPicturesToTheAgreedType)
{
    // The announced size is wrong: the pictures are scaled to it.
    PacketSourceOptions lying;
    lying.editVideoType = [](CMediaType& t) {
        VIDEOINFOHEADER2 header = *t.VideoInfo2();
        const std::vector<uint8_t> extra = t.ExtraData();
        header.bmiHeader.biWidth = 160;
        header.bmiHeader.biHeight = 120;
        t.SetVideoInfo2(header, extra);
    };
    Decoded small = DecodeVideo(FixturePath("h264_aac.mp4"), CLSID_H264Decoder, lying);
    EXPECT_EQ(small.event, EC_COMPLETE);
    ASSERT_EQ(small.frames.size(), 50u);
    EXPECT_EQ(small.frames[0].width, 160);
    EXPECT_EQ(small.frames[0].height, 120);

    // A 10-bit 4:2:2 stream: the decoder offers that format first (read from the stream's set-up
    // data), and I420 to a sink that takes nothing else.
    const std::string deep = MakeClip("deep.mp4", { "-f", "lavfi", "-i", "testsrc2=size=320x240:rate=25:duration=1", "-c:v", "libx264",
                                                      "-preset", "ultrafast", "-pix_fmt", "yuv422p10le" });
    ASSERT_FALSE(deep.empty());
    Decoded native = DecodeVideo(deep, CLSID_H264Decoder);
    VideoFormat format;
    ASSERT_TRUE(VideoFormatFromMediaType(native.output, &format));
    EXPECT_STREQ(av_get_pix_fmt_name(format.pixelFormat), "yuv422p10le");
    ASSERT_EQ(native.frames.size(), 25u);
    EXPECT_EQ(native.frames[0].format, AV_PIX_FMT_YUV422P10);

    Decoded converted = DecodeVideo(deep, CLSID_H264Decoder, {}, {}, VideoSubtype(MEDIASUBTYPE_I420));
    EXPECT_EQ(converted.event, EC_COMPLETE);
    ASSERT_EQ(converted.frames.size(), 25u);
    EXPECT_EQ(converted.frames[0].format, AV_PIX_FMT_YUV420P);
}

// A damaged picture is skipped; the conversion goes on to the end.
TEST(VideoDecoderTest, SkipsDamagedPackets)
{
    for (int damaged : { 0, 10, 49 }) {
        SCOPED_TRACE(damaged);
        PacketSourceOptions options;
        options.damagedVideoPacket = damaged;
        Decoded d = DecodeVideo(FixturePath("h264_aac.mp4"), CLSID_H264Decoder, options);
        EXPECT_EQ(d.event, EC_COMPLETE);
        EXPECT_GE(d.frames.size(), 40u);
        EXPECT_LE(d.frames.size(), 50u);
    }
}

// The timestamp modes of the H.264 decoder, on a stream whose packets carry timestamps and on one
// whose packets carry none.
TEST(VideoDecoderTest, TimestampModes)
{
    struct Case {
        const char* name;
        bool strip;
        uint32_t mode;
        double rate;
        REFERENCE_TIME tenth; // start of frame 10
    };
    const Case cases[] = {
        { "fill in at the given rate", true, 2, 25.0, 10 * 400000 },
        { "fill in at the type's rate", true, 2, 0.0, 10 * 400000 },
        { "fill in at another rate", true, 2, 10.0, 10 * 1000000 },
        { "as decoded, none to fill", true, 0, 25.0, kNoTime },
        { "constant rate overrides the stream", false, 1, 50.0, 10 * 200000 },
        { "fill in keeps good timestamps", false, 2, 50.0, 10 * 400000 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PacketSourceOptions options;
        options.stripTimestamps = c.strip;
        Decoded d = DecodeVideo(FixturePath("h264_aac.mp4"), CLSID_H264Decoder, options,
            { { kTimestampMode, VARIANT::UI4(c.mode) }, { kFrameRate, VARIANT::R8(c.rate) } });
        EXPECT_EQ(d.event, EC_COMPLETE);
        ASSERT_EQ(d.frames.size(), 50u);
        EXPECT_NEAR(double(d.frames[10].start), double(c.tenth), c.tenth == kNoTime ? 0 : 1);
    }
}
