#include "CodecMediaTypes.h"

#include "platform/graph/GraphInterfaces.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
}

#include <cstring>

namespace vidlume {

namespace {

    // Subtype families of our own for what has no FourCC: data1 carries FFmpeg's id.
    constexpr Guid kCodecFamily = MakeGuid("00000000-4344-4C56-9D4D-564944434F44");  // "codec"
    constexpr Guid kPixelFamily = MakeGuid("00000000-5046-4C56-9D4D-564944504958");  // "pixel format"

    Guid InFamily(const Guid& family, uint32_t id)
    {
        Guid g = family;
        g.data1 = id;
        return g;
    }
    bool IsInFamily(const Guid& g, const Guid& family)
    {
        return g.data2 == family.data2 && g.data3 == family.data3 && g.data4 == family.data4;
    }
    bool IsFourCCGuid(const Guid& g)
    {
        const Guid base = Guid::FromFourCC(0u);
        return g.data2 == base.data2 && g.data3 == base.data3 && g.data4 == base.data4;
    }

    uint32_t FourCC(const char* s)
    {
        return uint32_t(uint8_t(s[0])) | uint32_t(uint8_t(s[1])) << 8 | uint32_t(uint8_t(s[2])) << 16 | uint32_t(uint8_t(s[3])) << 24;
    }

    std::vector<uint8_t> Extra(const AVCodecParameters* p)
    {
        if (!p->extradata || p->extradata_size <= 0)
            return {};
        return std::vector<uint8_t>(p->extradata, p->extradata + p->extradata_size);
    }

    bool SetExtra(AVCodecParameters* p, const std::vector<uint8_t>& extra)
    {
        av_freep(&p->extradata);
        p->extradata_size = 0;
        if (extra.empty())
            return true;
        p->extradata = static_cast<uint8_t*>(av_mallocz(extra.size() + AV_INPUT_BUFFER_PADDING_SIZE));
        if (!p->extradata)
            return false;
        std::memcpy(p->extradata, extra.data(), extra.size());
        p->extradata_size = int(extra.size());
        return true;
    }

    struct PixelSubtype {
        AVPixelFormat format;
        Guid subtype;
        uint32_t compression;
        uint16_t bits;
    };
    const PixelSubtype kPixelSubtypes[] = {
        { AV_PIX_FMT_YUV420P, MEDIASUBTYPE_I420, 0x30323449 /* I420 */, 12 },
        { AV_PIX_FMT_NV12, MEDIASUBTYPE_NV12, 0x3231564E /* NV12 */, 12 },
        { AV_PIX_FMT_BGRA, MEDIASUBTYPE_RGB32, 0, 32 },
    };

    struct SampleTag {
        AVSampleFormat format;
        uint16_t tag;
        uint16_t bits;
    };
    const SampleTag kSampleTags[] = {
        { AV_SAMPLE_FMT_S16, WAVE_FORMAT_PCM, 16 },
        { AV_SAMPLE_FMT_S32, WAVE_FORMAT_PCM, 32 },
        { AV_SAMPLE_FMT_U8, WAVE_FORMAT_PCM, 8 },
        { AV_SAMPLE_FMT_FLT, WAVE_FORMAT_IEEE_FLOAT, 32 },
        { AV_SAMPLE_FMT_DBL, WAVE_FORMAT_IEEE_FLOAT, 64 },
    };

} // namespace

REFERENCE_TIME FrameDurationFromRate(AVRational rate)
{
    if (rate.num <= 0 || rate.den <= 0)
        return 0;
    return av_rescale(kReferenceTimeBase.den, rate.den, rate.num);
}

Guid SubtypeFromCodec(AVCodecID codec, uint32_t codecTag, bool h264LengthPrefixed)
{
    switch (codec) {
    case AV_CODEC_ID_H264: return h264LengthPrefixed ? MEDIASUBTYPE_AVC1 : MEDIASUBTYPE_H264;
    case AV_CODEC_ID_MPEG2VIDEO: return MEDIASUBTYPE_MPEG2_VIDEO;
    case AV_CODEC_ID_MPEG1VIDEO: return MEDIASUBTYPE_MPEG1Video;
    case AV_CODEC_ID_AC3: return MEDIASUBTYPE_DOLBY_AC3;
    case AV_CODEC_ID_AAC: return MEDIASUBTYPE_AAC;
    case AV_CODEC_ID_MP3: return MEDIASUBTYPE_MP3;
    case AV_CODEC_ID_MP2:
    case AV_CODEC_ID_MP1: return MEDIASUBTYPE_MPEG1AudioPayload;
    case AV_CODEC_ID_DVD_SUBTITLE: return MEDIASUBTYPE_DVD_SUBPICTURE;
    case AV_CODEC_ID_MPEG4: {
        // Keep the FourCC the file names (xvid, DX50 ...) when FFmpeg reads it as MPEG-4 Part 2.
        const AVCodecTag* const tables[] = { avformat_get_riff_video_tags(), nullptr };
        if (codecTag && av_codec_get_id(tables, codecTag) == AV_CODEC_ID_MPEG4)
            return Guid::FromFourCC(codecTag);
        return MEDIASUBTYPE_MP4V;
    }
    default: break;
    }
    const AVCodecDescriptor* desc = avcodec_descriptor_get(codec);
    if (desc && desc->type == AVMEDIA_TYPE_AUDIO) {
        const AVCodecTag* const tables[] = { avformat_get_riff_audio_tags(), nullptr };
        unsigned tag = av_codec_get_tag(tables, codec);
        if (tag && tag < 0xFFFF)
            return Guid::FromFourCC(tag);
    } else if (desc && desc->type == AVMEDIA_TYPE_VIDEO) {
        const AVCodecTag* const tables[] = { avformat_get_riff_video_tags(), nullptr };
        unsigned tag = av_codec_get_tag(tables, codec);
        if (tag)
            return Guid::FromFourCC(tag);
    }
    return InFamily(kCodecFamily, uint32_t(codec));
}

AVCodecID CodecIdFromMediaType(const CMediaType& type)
{
    const Guid& s = type.subtype;
    if (s == MEDIASUBTYPE_AVC1 || s == MEDIASUBTYPE_H264)
        return AV_CODEC_ID_H264;
    if (s == MEDIASUBTYPE_MPEG2_VIDEO)
        return AV_CODEC_ID_MPEG2VIDEO;
    if (s == MEDIASUBTYPE_MPEG1Video || s == MEDIASUBTYPE_MPEG1Packet)
        return AV_CODEC_ID_MPEG1VIDEO;
    if (s == MEDIASUBTYPE_DOLBY_AC3)
        return AV_CODEC_ID_AC3;
    if (s == MEDIASUBTYPE_MPEG1AudioPayload)
        return AV_CODEC_ID_MP2;
    if (s == MEDIASUBTYPE_DVD_SUBPICTURE)
        return AV_CODEC_ID_DVD_SUBTITLE;
    if (IsInFamily(s, kCodecFamily))
        return avcodec_descriptor_get(AVCodecID(s.data1)) ? AVCodecID(s.data1) : AV_CODEC_ID_NONE;
    if (!IsFourCCGuid(s))
        return AV_CODEC_ID_NONE;
    if (type.majortype == MEDIATYPE_Audio) {
        if (s.data1 == WAVE_FORMAT_PCM || s.data1 == WAVE_FORMAT_IEEE_FLOAT) {
            // Decoded audio, not a codec - except packed 24-bit PCM, which has no sample format
            // of its own and so needs decoding into 32-bit samples.
            const WAVEFORMATEX* wfx = type.WaveFormat();
            return s.data1 == WAVE_FORMAT_PCM && wfx && wfx->wBitsPerSample == 24 ? AV_CODEC_ID_PCM_S24LE : AV_CODEC_ID_NONE;
        }
        const AVCodecTag* const tables[] = { avformat_get_riff_audio_tags(), nullptr };
        return av_codec_get_id(tables, s.data1);
    }
    if (type.majortype == MEDIATYPE_Video) {
        if (s == MEDIASUBTYPE_I420 || s == MEDIASUBTYPE_NV12)
            return AV_CODEC_ID_NONE;
        const AVCodecTag* const tables[] = { avformat_get_riff_video_tags(), avformat_get_mov_video_tags(), nullptr };
        AVCodecID id = av_codec_get_id(tables, s.data1);
        if (id == AV_CODEC_ID_NONE && s.data1 == FourCC("X264"))
            id = AV_CODEC_ID_H264;
        return id;
    }
    return AV_CODEC_ID_NONE;
}

HRESULT MediaTypeFromCodecParameters(const AVCodecParameters* p, AVRational frameRate, CMediaType* type)
{
    if (!p || !type)
        return E_POINTER;
    *type = CMediaType();
    std::vector<uint8_t> extra = Extra(p);
    if (p->codec_type == AVMEDIA_TYPE_VIDEO) {
        const bool lengthPrefixed = p->codec_id == AV_CODEC_ID_H264 && !extra.empty() && extra[0] == 1;
        type->majortype = MEDIATYPE_Video;
        type->subtype = SubtypeFromCodec(p->codec_id, p->codec_tag, lengthPrefixed);
        type->bTemporalCompression = true;
        VIDEOINFOHEADER2 vih;
        vih.rcSource = { 0, 0, p->width, p->height };
        vih.rcTarget = vih.rcSource;
        vih.dwBitRate = uint32_t(std::min<int64_t>(p->bit_rate, UINT32_MAX));
        vih.AvgTimePerFrame = FrameDurationFromRate(frameRate);
        AVRational sar = p->sample_aspect_ratio.num > 0 ? p->sample_aspect_ratio : AVRational { 1, 1 };
        AVRational dar;
        av_reduce(&dar.num, &dar.den, int64_t(p->width) * sar.num, int64_t(p->height) * sar.den, 1 << 30);
        vih.dwPictAspectRatioX = uint32_t(std::max(dar.num, 0));
        vih.dwPictAspectRatioY = uint32_t(std::max(dar.den, 0));
        vih.bmiHeader.biWidth = p->width;
        vih.bmiHeader.biHeight = p->height;
        vih.bmiHeader.biCompression = IsFourCCGuid(type->subtype) ? type->subtype.data1 : 0;
        vih.bmiHeader.biBitCount = 24;
        type->SetVideoInfo2(vih, extra);
        return S_OK;
    }
    if (p->codec_type == AVMEDIA_TYPE_AUDIO) {
        type->majortype = MEDIATYPE_Audio;
        type->subtype = SubtypeFromCodec(p->codec_id, p->codec_tag, false);
        WAVEFORMATEX wfx;
        wfx.wFormatTag = IsFourCCGuid(type->subtype) ? uint16_t(type->subtype.data1) : 0xFFFF;
        wfx.nChannels = uint16_t(p->ch_layout.nb_channels);
        wfx.nSamplesPerSec = uint32_t(p->sample_rate);
        wfx.nAvgBytesPerSec = uint32_t(std::min<int64_t>(p->bit_rate / 8, UINT32_MAX));
        wfx.nBlockAlign = uint16_t(p->block_align);
        wfx.wBitsPerSample = uint16_t(p->bits_per_coded_sample);
        type->SetWaveFormat(wfx, extra);
        return S_OK;
    }
    if (p->codec_type == AVMEDIA_TYPE_SUBTITLE) {
        type->majortype = MEDIATYPE_Subtitle;
        type->subtype = SubtypeFromCodec(p->codec_id, p->codec_tag, false);
        type->formattype = FORMAT_SubtitleInfo;
        type->format = extra;
        return S_OK;
    }
    return E_INVALIDARG;
}

HRESULT CodecParametersFromMediaType(const CMediaType& type, AVCodecParameters* p)
{
    if (!p)
        return E_POINTER;
    const AVCodecID codec = CodecIdFromMediaType(type);
    if (codec == AV_CODEC_ID_NONE)
        return VFW_E_TYPE_NOT_ACCEPTED;
    if (!SetExtra(p, type.ExtraData()))
        return E_OUTOFMEMORY;
    p->codec_id = codec;
    if (type.majortype == MEDIATYPE_Video) {
        const BITMAPINFOHEADER* bmi = type.BitmapHeader();
        if (!bmi)
            return VFW_E_TYPE_NOT_ACCEPTED;
        p->codec_type = AVMEDIA_TYPE_VIDEO;
        p->width = bmi->biWidth;
        p->height = std::abs(bmi->biHeight);
        p->codec_tag = IsFourCCGuid(type.subtype) ? type.subtype.data1 : 0;
        if (auto* v2 = type.VideoInfo2(); v2 && v2->dwPictAspectRatioX && v2->dwPictAspectRatioY && p->width && p->height)
            av_reduce(&p->sample_aspect_ratio.num, &p->sample_aspect_ratio.den, int64_t(v2->dwPictAspectRatioX) * p->height,
                int64_t(v2->dwPictAspectRatioY) * p->width, 1 << 30);
        return S_OK;
    }
    if (type.majortype == MEDIATYPE_Audio) {
        const WAVEFORMATEX* wfx = type.WaveFormat();
        if (!wfx)
            return VFW_E_TYPE_NOT_ACCEPTED;
        p->codec_type = AVMEDIA_TYPE_AUDIO;
        p->sample_rate = int(wfx->nSamplesPerSec);
        av_channel_layout_uninit(&p->ch_layout);
        av_channel_layout_default(&p->ch_layout, wfx->nChannels);
        p->block_align = wfx->nBlockAlign;
        p->bit_rate = int64_t(wfx->nAvgBytesPerSec) * 8;
        p->bits_per_coded_sample = wfx->wBitsPerSample;
        p->codec_tag = wfx->wFormatTag == 0xFFFF ? 0 : wfx->wFormatTag;
        return S_OK;
    }
    if (type.majortype == MEDIATYPE_Subtitle) {
        p->codec_type = AVMEDIA_TYPE_SUBTITLE;
        return S_OK;
    }
    return VFW_E_TYPE_NOT_ACCEPTED;
}

CMediaType MediaTypeFromVideoFormat(const VideoFormat& f)
{
    CMediaType type(MEDIATYPE_Video, InFamily(kPixelFamily, uint32_t(f.pixelFormat)));
    VIDEOINFOHEADER2 vih;
    vih.bmiHeader.biBitCount = uint16_t(av_get_bits_per_pixel(av_pix_fmt_desc_get(f.pixelFormat)));
    for (const PixelSubtype& p : kPixelSubtypes) {
        if (p.format == f.pixelFormat) {
            type.subtype = p.subtype;
            vih.bmiHeader.biCompression = p.compression;
            vih.bmiHeader.biBitCount = p.bits;
        }
    }
    type.bFixedSizeSamples = true;
    vih.rcSource = { 0, 0, f.width, f.height };
    vih.rcTarget = vih.rcSource;
    vih.AvgTimePerFrame = f.avgTimePerFrame;
    AVRational sar = f.sampleAspect.num > 0 && f.sampleAspect.den > 0 ? f.sampleAspect : AVRational { 1, 1 };
    AVRational dar { 0, 1 };
    if (f.width > 0 && f.height > 0)
        av_reduce(&dar.num, &dar.den, int64_t(f.width) * sar.num, int64_t(f.height) * sar.den, 1 << 30);
    vih.dwPictAspectRatioX = uint32_t(std::max(dar.num, 0));
    vih.dwPictAspectRatioY = uint32_t(std::max(dar.den, 0));
    vih.bmiHeader.biWidth = f.width;
    vih.bmiHeader.biHeight = f.height;
    vih.bmiHeader.biSizeImage = uint32_t(std::max(0, av_image_get_buffer_size(f.pixelFormat, f.width, f.height, 1)));
    type.lSampleSize = vih.bmiHeader.biSizeImage;
    type.SetVideoInfo2(vih);
    return type;
}

bool VideoFormatFromMediaType(const CMediaType& type, VideoFormat* f)
{
    if (type.majortype != MEDIATYPE_Video)
        return false;
    const BITMAPINFOHEADER* bmi = type.BitmapHeader();
    if (!bmi)
        return false;
    AVPixelFormat pixelFormat = AV_PIX_FMT_NONE;
    for (const PixelSubtype& p : kPixelSubtypes)
        if (p.subtype == type.subtype)
            pixelFormat = p.format;
    if (pixelFormat == AV_PIX_FMT_NONE && IsInFamily(type.subtype, kPixelFamily) && av_pix_fmt_desc_get(AVPixelFormat(type.subtype.data1)))
        pixelFormat = AVPixelFormat(type.subtype.data1);
    if (pixelFormat == AV_PIX_FMT_NONE || bmi->biWidth <= 0 || bmi->biHeight == 0)
        return false;
    f->pixelFormat = pixelFormat;
    f->width = bmi->biWidth;
    f->height = std::abs(bmi->biHeight);
    f->avgTimePerFrame = type.AvgTimePerFrame();
    f->sampleAspect = { 1, 1 };
    if (auto* v2 = type.VideoInfo2(); v2 && v2->dwPictAspectRatioX && v2->dwPictAspectRatioY)
        av_reduce(&f->sampleAspect.num, &f->sampleAspect.den, int64_t(v2->dwPictAspectRatioX) * f->height,
            int64_t(v2->dwPictAspectRatioY) * f->width, 1 << 30);
    return true;
}

bool IsRawVideo(const CMediaType& type)
{
    VideoFormat f;
    return VideoFormatFromMediaType(type, &f);
}

CMediaType MediaTypeFromAudioFormat(const AudioFormat& f)
{
    AVSampleFormat packed = av_get_packed_sample_fmt(f.sampleFormat);
    const SampleTag* tag = &kSampleTags[0];
    for (const SampleTag& t : kSampleTags)
        if (t.format == packed)
            tag = &t;
    CMediaType type(MEDIATYPE_Audio, Guid::FromFourCC(tag->tag));
    type.bFixedSizeSamples = true;
    WAVEFORMATEX wfx;
    wfx.wFormatTag = tag->tag;
    wfx.nChannels = uint16_t(f.channels);
    wfx.nSamplesPerSec = uint32_t(f.sampleRate);
    wfx.wBitsPerSample = tag->bits;
    wfx.nBlockAlign = uint16_t(f.channels * tag->bits / 8);
    wfx.nAvgBytesPerSec = wfx.nSamplesPerSec * wfx.nBlockAlign;
    type.lSampleSize = wfx.nBlockAlign;
    type.SetWaveFormat(wfx);
    return type;
}

bool AudioFormatFromMediaType(const CMediaType& type, AudioFormat* f)
{
    const WAVEFORMATEX* wfx = type.WaveFormat();
    if (type.majortype != MEDIATYPE_Audio || !wfx || wfx->nChannels == 0 || wfx->nSamplesPerSec == 0)
        return false;
    for (const SampleTag& t : kSampleTags) {
        if (t.tag == wfx->wFormatTag && t.bits == wfx->wBitsPerSample && type.subtype == Guid::FromFourCC(t.tag)) {
            f->sampleFormat = t.format;
            f->sampleRate = int(wfx->nSamplesPerSec);
            f->channels = wfx->nChannels;
            return true;
        }
    }
    return false;
}

bool IsRawAudio(const CMediaType& type)
{
    AudioFormat f;
    return AudioFormatFromMediaType(type, &f);
}

} // namespace vidlume
