#include "components/ffmpeg/CodecMediaTypes.h"
#include "platform/graph/GraphInterfaces.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

#include <gtest/gtest.h>

using namespace vidlume;

// A parser's description of a stream must give a decoder the same codec and set-up data.
TEST(CodecMediaTypesTest, CompressedTypesRoundTrip)
{
    struct Case {
        AVMediaType kind;
        AVCodecID codec;
        uint32_t tag;
        std::vector<uint8_t> extra;
        Guid subtype;
    };
    const Case cases[] = {
        { AVMEDIA_TYPE_VIDEO, AV_CODEC_ID_H264, 0, { 1, 0x64, 0, 0x1e }, MEDIASUBTYPE_AVC1 },
        { AVMEDIA_TYPE_VIDEO, AV_CODEC_ID_H264, 0, {}, MEDIASUBTYPE_H264 },
        { AVMEDIA_TYPE_VIDEO, AV_CODEC_ID_MPEG2VIDEO, 0, {}, MEDIASUBTYPE_MPEG2_VIDEO },
        { AVMEDIA_TYPE_VIDEO, AV_CODEC_ID_MPEG4, MKTAG('x', 'v', 'i', 'd'), {}, Guid::FromFourCC("xvid") },
        { AVMEDIA_TYPE_VIDEO, AV_CODEC_ID_MPEG4, 0, {}, MEDIASUBTYPE_MP4V },
        { AVMEDIA_TYPE_VIDEO, AV_CODEC_ID_WMV2, 0, {}, Guid::FromFourCC("WMV2") },
        { AVMEDIA_TYPE_VIDEO, AV_CODEC_ID_FLV1, 0, {}, Guid::FromFourCC("FLV1") },
        { AVMEDIA_TYPE_AUDIO, AV_CODEC_ID_AAC, 0, { 0x12, 0x10 }, MEDIASUBTYPE_AAC },
        { AVMEDIA_TYPE_AUDIO, AV_CODEC_ID_AC3, 0, {}, MEDIASUBTYPE_DOLBY_AC3 },
        { AVMEDIA_TYPE_AUDIO, AV_CODEC_ID_MP3, 0, {}, MEDIASUBTYPE_MP3 },
        { AVMEDIA_TYPE_AUDIO, AV_CODEC_ID_WMAV2, 0, { 0, 0, 0, 0, 1, 0 }, MEDIASUBTYPE_WMAUDIO2 },
        { AVMEDIA_TYPE_AUDIO, AV_CODEC_ID_VORBIS, 0, {}, Guid {} }, // no wave tag: our own subtype
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(avcodec_get_name(c.codec));
        AVCodecParametersPtr in(avcodec_parameters_alloc());
        in->codec_type = c.kind;
        in->codec_id = c.codec;
        in->codec_tag = c.tag;
        in->width = 320;
        in->height = 240;
        in->sample_rate = 44100;
        av_channel_layout_default(&in->ch_layout, 2);
        if (!c.extra.empty()) {
            in->extradata = static_cast<uint8_t*>(av_mallocz(c.extra.size() + AV_INPUT_BUFFER_PADDING_SIZE));
            std::copy(c.extra.begin(), c.extra.end(), in->extradata);
            in->extradata_size = int(c.extra.size());
        }
        CMediaType type;
        ASSERT_EQ(MediaTypeFromCodecParameters(in.get(), { 25, 1 }, &type), S_OK);
        if (!c.subtype.IsNull()) {
            EXPECT_EQ(type.subtype, c.subtype) << type.subtype.ToString();
        }
        EXPECT_EQ(type.ExtraData(), c.extra);

        AVCodecParametersPtr out(avcodec_parameters_alloc());
        ASSERT_EQ(CodecParametersFromMediaType(type, out.get()), S_OK);
        EXPECT_EQ(out->codec_id, c.codec);
        EXPECT_EQ(std::vector<uint8_t>(out->extradata, out->extradata + out->extradata_size), c.extra);
        if (c.kind == AVMEDIA_TYPE_VIDEO) {
            EXPECT_EQ(out->width, 320);
            EXPECT_EQ(out->height, 240);
            EXPECT_EQ(type.AvgTimePerFrame(), 400000);
        } else {
            EXPECT_EQ(out->sample_rate, 44100);
            EXPECT_EQ(out->ch_layout.nb_channels, 2);
        }
    }
}

TEST(CodecMediaTypesTest, RawFormatsRoundTripAndAreNotCodecs)
{
    for (AVPixelFormat pf : { AV_PIX_FMT_YUV420P, AV_PIX_FMT_NV12, AV_PIX_FMT_BGRA, AV_PIX_FMT_YUV422P10LE }) {
        VideoFormat f { pf, 640, 360, { 4, 3 }, 333667 };
        CMediaType type = MediaTypeFromVideoFormat(f);
        VideoFormat back;
        ASSERT_TRUE(VideoFormatFromMediaType(type, &back)) << av_get_pix_fmt_name(pf);
        EXPECT_EQ(back.pixelFormat, pf);
        EXPECT_EQ(back.width, 640);
        EXPECT_EQ(back.height, 360);
        EXPECT_EQ(back.avgTimePerFrame, 333667);
        EXPECT_EQ(av_cmp_q(back.sampleAspect, AVRational { 4, 3 }), 0);
        EXPECT_EQ(CodecIdFromMediaType(type), AV_CODEC_ID_NONE);
    }
    EXPECT_EQ(MediaTypeFromVideoFormat({ AV_PIX_FMT_YUV420P, 2, 2 }).subtype, MEDIASUBTYPE_I420);

    for (AVSampleFormat sf : { AV_SAMPLE_FMT_S16, AV_SAMPLE_FMT_FLT, AV_SAMPLE_FMT_S32, AV_SAMPLE_FMT_U8 }) {
        CMediaType type = MediaTypeFromAudioFormat({ sf, 48000, 6 });
        AudioFormat back;
        ASSERT_TRUE(AudioFormatFromMediaType(type, &back));
        EXPECT_EQ(back.sampleFormat, sf);
        EXPECT_EQ(back.sampleRate, 48000);
        EXPECT_EQ(back.channels, 6);
        EXPECT_EQ(CodecIdFromMediaType(type), AV_CODEC_ID_NONE);
    }
    // A planar format is described by its interleaved counterpart.
    AudioFormat back;
    ASSERT_TRUE(AudioFormatFromMediaType(MediaTypeFromAudioFormat({ AV_SAMPLE_FMT_FLTP, 44100, 2 }), &back));
    EXPECT_EQ(back.sampleFormat, AV_SAMPLE_FMT_FLT);

    // Damaged format blocks are refused, never read past their end.
    CMediaType bad(MEDIATYPE_Video, MEDIASUBTYPE_I420);
    bad.formattype = FORMAT_VideoInfo2;
    bad.format.resize(10);
    VideoFormat vf;
    EXPECT_FALSE(VideoFormatFromMediaType(bad, &vf));
    AVCodecParametersPtr p(avcodec_parameters_alloc());
    bad.subtype = MEDIASUBTYPE_AVC1;
    EXPECT_EQ(CodecParametersFromMediaType(bad, p.get()), VFW_E_TYPE_NOT_ACCEPTED);
}
