#include "CLavcWmvStream.h"

#include "WindowsMediaCodecs.h"

#include "platform/graph/GraphInterfaces.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <new>

namespace vidlume {

namespace {
    constexpr REFERENCE_TIME kDefaultFrameDuration = 333'333;            // 30 fps
    constexpr REFERENCE_TIME kDefaultKeyFrameSpacing = 10 * kUnitsPerSecond;
    // A jump in the source's times longer than this is a discontinuity, not a gap to fill with
    // copies of one picture.
    constexpr REFERENCE_TIME kLongestGapToFill = 60 * kUnitsPerSecond;
    // Times beyond a few years are broken timestamps; clamping keeps the slot arithmetic exact.
    constexpr REFERENCE_TIME kLatestTime = REFERENCE_TIME(1) << 50;
} // namespace

HRESULT CLavcWmvStream::Create(const WM_STREAM_CONFIG& config, const VideoFormat& input, std::unique_ptr<CLavcWmvStream>* stream)
{
    if (!stream)
        return E_POINTER;
    stream->reset();
    const VIDEOINFOHEADER* vih = config.mediaType.VideoInfo();
    const AVCodecID id = WindowsMediaEncoder(config.mediaType.subtype);
    if (config.streamType != MEDIATYPE_Video || !vih || (id != AV_CODEC_ID_WMV1 && id != AV_CODEC_ID_WMV2))
        return E_INVALIDARG;
    const AVCodec* codec = avcodec_find_encoder(id);
    if (!codec)
        return HResultFromAVError(AVERROR_ENCODER_NOT_FOUND);

    int width = vih->bmiHeader.biWidth;
    int height = std::abs(vih->bmiHeader.biHeight);
    if (width == 0 || height == 0) {
        width = input.width;
        height = input.height;
    }
    width &= ~1;
    height &= ~1;
    if (width < 2 || height < 2 || width > kMaxWindowsMediaPictureSide || height > kMaxWindowsMediaPictureSide)
        return E_INVALIDARG;

    REFERENCE_TIME duration = vih->AvgTimePerFrame > 0 ? vih->AvgTimePerFrame
        : input.avgTimePerFrame > 0                    ? input.avgTimePerFrame
                                                       : kDefaultFrameDuration;
    duration = std::clamp(duration, kMinWindowsMediaFrameDuration, kMaxWindowsMediaFrameDuration);
    const AVRational rate = av_d2q(double(kUnitsPerSecond) / double(duration), 65535);

    std::unique_ptr<CLavcWmvStream> s(new (std::nothrow) CLavcWmvStream());
    if (!s)
        return E_OUTOFMEMORY;
    s->m_codec.reset(avcodec_alloc_context3(codec));
    s->m_packet.reset(av_packet_alloc());
    if (!s->m_codec || !s->m_packet)
        return E_OUTOFMEMORY;
    AVCodecContext* c = s->m_codec.get();
    c->width = width;
    c->height = height;
    c->pix_fmt = AV_PIX_FMT_YUV420P;
    c->time_base = av_inv_q(rate);
    c->framerate = rate;
    c->sample_aspect_ratio = { 1, 1 };
    c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER; // the ASF header carries the codec's set-up data
    const REFERENCE_TIME spacing = config.maxKeyFrameSpacing > 0 ? config.maxKeyFrameSpacing : kDefaultKeyFrameSpacing;
    c->gop_size = int(std::clamp<int64_t>(av_rescale_q(spacing, kReferenceTimeBase, c->time_base), 1, 10000));
    if (config.vbrEnabled) {
        const int quality = int(std::min<uint32_t>(config.vbrQuality, 100));
        const int quantiser = 31 - (quality * 29 + 50) / 100;
        c->flags |= AV_CODEC_FLAG_QSCALE;
        c->global_quality = quantiser * FF_QP2LAMBDA;
        c->bit_rate = 0; // unknown in advance; keeps the codec's default out of the file header
    } else {
        c->bit_rate = config.bitrate;
    }
    if (int err = avcodec_open2(c, codec, nullptr); err < 0)
        return HResultFromAVError(err);

    s->m_input = input;
    s->m_frameDuration = av_rescale_q(1, c->time_base, kReferenceTimeBase);
    *stream = std::move(s);
    return S_OK;
}

int64_t CLavcWmvStream::SlotOf(REFERENCE_TIME time) const
{
    return av_rescale_q_rnd(time, kReferenceTimeBase, m_codec->time_base, AVRounding(AV_ROUND_NEAR_INF | AV_ROUND_PASS_MINMAX));
}

HRESULT CLavcWmvStream::Hold(const CMediaSample& sample)
{
    AVFramePtr picture(av_frame_alloc());
    if (!picture)
        return E_OUTOFMEMORY;
    if (const AVFrame* frame = sample.Frame()) {
        if (int err = av_frame_ref(picture.get(), frame); err < 0)
            return HResultFromAVError(err);
        if (picture->format < 0 || picture->width <= 0 || picture->height <= 0) {
            picture->format = m_input.pixelFormat;
            picture->width = m_input.width;
            picture->height = m_input.height;
        }
        if (!picture->data[0] || !av_pix_fmt_desc_get(AVPixelFormat(picture->format)))
            return VFW_E_TYPE_NOT_ACCEPTED;
    } else if (const AVPacket* packet = sample.Packet()) {
        // A raw picture in a packet: exactly the connection's format, tightly packed.
        const int need = av_image_get_buffer_size(m_input.pixelFormat, m_input.width, m_input.height, 1);
        if (need <= 0 || !packet->data || packet->size < need)
            return VFW_E_TYPE_NOT_ACCEPTED;
        picture->format = m_input.pixelFormat;
        picture->width = m_input.width;
        picture->height = m_input.height;
        if (int err = av_frame_get_buffer(picture.get(), 0); err < 0)
            return HResultFromAVError(err);
        uint8_t* planes[4] {};
        int strides[4] {};
        if (int err = av_image_fill_arrays(planes, strides, packet->data, m_input.pixelFormat, m_input.width, m_input.height, 1); err < 0)
            return HResultFromAVError(err);
        av_image_copy(picture->data, picture->linesize, const_cast<const uint8_t**>(planes), strides, m_input.pixelFormat, m_input.width,
            m_input.height);
    }
    m_held = std::move(picture);
    m_heldConverted.reset();
    return S_OK;
}

HRESULT CLavcWmvStream::Converted(AVFrame** picture)
{
    if (!m_heldConverted) {
        const AVFrame* in = m_held.get();
        const AVCodecContext* c = m_codec.get();
        m_sws.reset(sws_getCachedContext(m_sws.release(), in->width, in->height, AVPixelFormat(in->format), c->width, c->height, c->pix_fmt,
            SWS_BICUBIC, nullptr, nullptr, nullptr));
        if (!m_sws)
            return VFW_E_TYPE_NOT_ACCEPTED;
        AVFramePtr out(av_frame_alloc());
        if (!out)
            return E_OUTOFMEMORY;
        out->format = c->pix_fmt;
        out->width = c->width;
        out->height = c->height;
        out->sample_aspect_ratio = c->sample_aspect_ratio;
        if (int err = av_frame_get_buffer(out.get(), 0); err < 0)
            return HResultFromAVError(err);
        if (int err = sws_scale(m_sws.get(), in->data, in->linesize, 0, in->height, out->data, out->linesize); err < 0)
            return HResultFromAVError(err);
        m_heldConverted = std::move(out);
    }
    *picture = m_heldConverted.get();
    return S_OK;
}

HRESULT CLavcWmvStream::Drain(const PacketSink& sink)
{
    for (;;) {
        int err = avcodec_receive_packet(m_codec.get(), m_packet.get());
        if (err == AVERROR(EAGAIN) || err == AVERROR_EOF)
            return S_OK;
        if (err < 0)
            return HResultFromAVError(err);
        HRESULT hr = sink(m_packet.get());
        av_packet_unref(m_packet.get());
        if (FAILED(hr))
            return hr;
    }
}

HRESULT CLavcWmvStream::Encode(int64_t slot, const PacketSink& sink)
{
    AVFrame* picture = nullptr;
    if (HRESULT hr = Converted(&picture); FAILED(hr))
        return hr;
    // The encoder keeps a reference; repeats share the converted picture, which nobody writes again.
    AVFramePtr frame(av_frame_clone(picture));
    if (!frame)
        return E_OUTOFMEMORY;
    frame->pts = slot;
    frame->pict_type = AV_PICTURE_TYPE_NONE;
    frame->quality = m_codec->global_quality;
    if (int err = avcodec_send_frame(m_codec.get(), frame.get()); err < 0)
        return HResultFromAVError(err);
    return Drain(sink);
}

HRESULT CLavcWmvStream::Write(const CMediaSample& sample, const PacketSink& sink)
{
    if (sample.IsEmpty())
        return S_OK;
    const AVFrame* frame = sample.Frame();
    REFERENCE_TIME start = sample.start;
    if (start == kNoTime && frame && frame->pts != AV_NOPTS_VALUE)
        start = frame->pts;
    REFERENCE_TIME stop = sample.stop;
    if (start != kNoTime)
        start = std::clamp(start, -kLatestTime, kLatestTime);
    if (stop == kNoTime && start != kNoTime)
        stop = start + (frame && frame->pkt_duration > 0 ? std::min(frame->pkt_duration, kLatestTime) : m_frameDuration);
    if (stop != kNoTime)
        stop = std::clamp(stop, -kLatestTime, 2 * kLatestTime);

    const int64_t slot = start == kNoTime ? m_nextSlot : SlotOf(start);
    if (slot > m_nextSlot && m_held) {
        if (slot - m_nextSlot > SlotOf(kLongestGapToFill))
            m_nextSlot = slot;
        for (; m_nextSlot < slot; ++m_nextSlot)
            if (HRESULT hr = Encode(m_nextSlot, sink); FAILED(hr))
                return hr;
    }
    if (HRESULT hr = Hold(sample); FAILED(hr))
        return hr;
    m_heldStop = stop;
    if (slot < m_nextSlot)
        return S_OK; // too late for a slot of its own; kept in case a gap follows
    m_nextSlot = slot + 1;
    return Encode(slot, sink);
}

HRESULT CLavcWmvStream::Finish(const PacketSink& sink)
{
    if (m_held && m_heldStop != kNoTime) {
        const int64_t end = std::min(SlotOf(m_heldStop), m_nextSlot + SlotOf(kLongestGapToFill));
        for (; m_nextSlot < end; ++m_nextSlot)
            if (HRESULT hr = Encode(m_nextSlot, sink); FAILED(hr))
                return hr;
    }
    m_held.reset();
    m_heldConverted.reset();
    if (int err = avcodec_send_frame(m_codec.get(), nullptr); err < 0 && err != AVERROR_EOF)
        return HResultFromAVError(err);
    return Drain(sink);
}

} // namespace vidlume
