#include "CLavcWmaStream.h"

#include "WindowsMediaCodecs.h"

#include "platform/graph/GraphInterfaces.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/samplefmt.h>
}

#include <algorithm>
#include <new>

namespace vidlume {

namespace {
    // The lowest rate libavcodec's WMA encoders accept.
    constexpr int64_t kMinBitRate = 24'000;
    // Times beyond a few years are broken timestamps.
    constexpr REFERENCE_TIME kLatestTime = REFERENCE_TIME(1) << 50;
} // namespace

HRESULT CLavcWmaStream::Create(const WM_STREAM_CONFIG& config, const AudioFormat& input, std::unique_ptr<CLavcWmaStream>* stream)
{
    if (!stream)
        return E_POINTER;
    stream->reset();
    const WAVEFORMATEX* wfx = config.mediaType.WaveFormat();
    const AVCodecID id = WindowsMediaEncoder(config.mediaType.subtype);
    if (config.streamType != MEDIATYPE_Audio || !wfx || (id != AV_CODEC_ID_WMAV1 && id != AV_CODEC_ID_WMAV2))
        return E_INVALIDARG;
    if (wfx->nChannels < 1 || wfx->nChannels > kMaxWindowsMediaChannels || wfx->nSamplesPerSec < kMinWindowsMediaSampleRate
        || wfx->nSamplesPerSec > kMaxWindowsMediaSampleRate)
        return E_INVALIDARG;
    const AVCodec* codec = avcodec_find_encoder(id);
    if (!codec)
        return HResultFromAVError(AVERROR_ENCODER_NOT_FOUND);

    std::unique_ptr<CLavcWmaStream> s(new (std::nothrow) CLavcWmaStream());
    if (!s)
        return E_OUTOFMEMORY;
    s->m_codec.reset(avcodec_alloc_context3(codec));
    s->m_packet.reset(av_packet_alloc());
    if (!s->m_codec || !s->m_packet)
        return E_OUTOFMEMORY;
    AVCodecContext* c = s->m_codec.get();
    c->sample_fmt = codec->sample_fmts ? codec->sample_fmts[0] : AV_SAMPLE_FMT_FLTP;
    c->sample_rate = int(wfx->nSamplesPerSec);
    av_channel_layout_default(&c->ch_layout, wfx->nChannels);
    uint64_t bitrate = config.bitrate ? config.bitrate : uint64_t(wfx->nAvgBytesPerSec) * 8;
    c->bit_rate = std::max<int64_t>(int64_t(bitrate), kMinBitRate);
    c->time_base = { 1, c->sample_rate };
    c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (int err = avcodec_open2(c, codec, nullptr); err < 0)
        return HResultFromAVError(err);
    if (c->frame_size <= 0)
        return E_UNEXPECTED;

    s->m_input = input;
    if (HRESULT hr = s->NewPending(); FAILED(hr))
        return hr;
    *stream = std::move(s);
    return S_OK;
}

HRESULT CLavcWmaStream::NewPending()
{
    const AVCodecContext* c = m_codec.get();
    AVFramePtr frame(av_frame_alloc());
    if (!frame)
        return E_OUTOFMEMORY;
    frame->format = c->sample_fmt;
    frame->sample_rate = c->sample_rate;
    frame->nb_samples = c->frame_size;
    if (int err = av_channel_layout_copy(&frame->ch_layout, &c->ch_layout); err < 0)
        return HResultFromAVError(err);
    if (int err = av_frame_get_buffer(frame.get(), 0); err < 0)
        return HResultFromAVError(err);
    m_pending = std::move(frame);
    m_pendingCount = 0;
    return S_OK;
}

HRESULT CLavcWmaStream::PrepareResampler(AVSampleFormat format, int rate, int channels)
{
    if (m_swr && format == m_swrFormat && rate == m_swrRate && channels == m_swrChannels)
        return S_OK;
    if (av_get_bytes_per_sample(format) <= 0 || rate <= 0 || channels <= 0)
        return VFW_E_TYPE_NOT_ACCEPTED;
    const AVCodecContext* c = m_codec.get();
    AVChannelLayout layout;
    av_channel_layout_default(&layout, channels);
    SwrContext* raw = nullptr;
    // FFmpeg 5.1 declares the layouts non-const; they are only read.
    int err = swr_alloc_set_opts2(&raw, const_cast<AVChannelLayout*>(&c->ch_layout), c->sample_fmt, c->sample_rate, &layout, format, rate, 0, nullptr);
    av_channel_layout_uninit(&layout);
    m_swr.reset(raw);
    if (err >= 0)
        err = swr_init(m_swr.get());
    if (err < 0) {
        m_swr.reset();
        return HResultFromAVError(err);
    }
    m_swrFormat = format;
    m_swrRate = rate;
    m_swrChannels = channels;
    return S_OK;
}

HRESULT CLavcWmaStream::Drain(const PacketSink& sink)
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

HRESULT CLavcWmaStream::Encode(AVFrame* frame, const PacketSink& sink)
{
    frame->pts = m_origin + m_samplesSent;
    m_samplesSent += frame->nb_samples;
    if (int err = avcodec_send_frame(m_codec.get(), frame); err < 0)
        return HResultFromAVError(err);
    return Drain(sink);
}

HRESULT CLavcWmaStream::Append(const uint8_t* const* planes, int count, const PacketSink& sink)
{
    const AVCodecContext* c = m_codec.get();
    for (int offset = 0; offset < count;) {
        const int n = std::min(count - offset, c->frame_size - m_pendingCount);
        av_samples_copy(m_pending->extended_data, const_cast<uint8_t* const*>(planes), m_pendingCount, offset, n, c->ch_layout.nb_channels,
            c->sample_fmt);
        m_pendingCount += n;
        offset += n;
        if (m_pendingCount == c->frame_size) {
            // The encoder keeps its own reference to the full frame; the next one is a new buffer.
            if (HRESULT hr = Encode(m_pending.get(), sink); FAILED(hr))
                return hr;
            if (HRESULT hr = NewPending(); FAILED(hr))
                return hr;
        }
    }
    return S_OK;
}

HRESULT CLavcWmaStream::Resample(const uint8_t* const* data, int count, const PacketSink& sink)
{
    const AVCodecContext* c = m_codec.get();
    const int room = swr_get_out_samples(m_swr.get(), count);
    if (room < 0)
        return HResultFromAVError(room);
    if (room == 0)
        return S_OK;
    AVFramePtr out(av_frame_alloc());
    if (!out)
        return E_OUTOFMEMORY;
    out->format = c->sample_fmt;
    out->nb_samples = room;
    if (int err = av_channel_layout_copy(&out->ch_layout, &c->ch_layout); err < 0)
        return HResultFromAVError(err);
    if (int err = av_frame_get_buffer(out.get(), 0); err < 0)
        return HResultFromAVError(err);
    const int got = swr_convert(m_swr.get(), out->extended_data, room, const_cast<const uint8_t**>(data), count);
    if (got < 0)
        return HResultFromAVError(got);
    return Append(out->extended_data, got, sink);
}

HRESULT CLavcWmaStream::Write(const CMediaSample& sample, const PacketSink& sink)
{
    AVSampleFormat format = m_input.sampleFormat;
    int rate = m_input.sampleRate;
    int channels = m_input.channels;
    int count = 0;
    const uint8_t* const* data = nullptr;
    const uint8_t* packed[1] {};
    REFERENCE_TIME start = sample.start;

    if (const AVFrame* frame = sample.Frame()) {
        // A frame describes itself; the connection's format fills in what it leaves out.
        if (frame->format >= 0)
            format = AVSampleFormat(frame->format);
        if (frame->sample_rate > 0)
            rate = frame->sample_rate;
        if (frame->ch_layout.nb_channels > 0)
            channels = frame->ch_layout.nb_channels;
        count = frame->nb_samples;
        data = frame->extended_data;
        if (start == kNoTime && frame->pts != AV_NOPTS_VALUE)
            start = frame->pts;
    } else if (const AVPacket* packet = sample.Packet()) {
        const int frameBytes = av_get_bytes_per_sample(format) * channels;
        if (frameBytes <= 0 || av_sample_fmt_is_planar(format))
            return VFW_E_TYPE_NOT_ACCEPTED;
        count = packet->size / frameBytes;
        packed[0] = packet->data;
        data = packed;
    }
    if (count <= 0 || !data || !data[0])
        return S_OK;

    if (m_origin < 0) {
        start = start == kNoTime ? 0 : std::clamp<REFERENCE_TIME>(start, 0, kLatestTime);
        m_origin = av_rescale_q(start, kReferenceTimeBase, m_codec->time_base);
    }
    if (HRESULT hr = PrepareResampler(format, rate, channels); FAILED(hr))
        return hr;
    return Resample(data, count, sink);
}

HRESULT CLavcWmaStream::Finish(const PacketSink& sink)
{
    const AVCodecContext* c = m_codec.get();
    if (m_swr) {
        // What the resampler's filter still holds.
        if (HRESULT hr = Resample(nullptr, 0, sink); FAILED(hr))
            return hr;
        m_swr.reset();
    }
    if (m_pending && m_pendingCount > 0) {
        if (m_origin < 0)
            m_origin = 0;
        if (c->codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME)
            m_pending->nb_samples = m_pendingCount;
        else
            av_samples_set_silence(m_pending->extended_data, m_pendingCount, c->frame_size - m_pendingCount, c->ch_layout.nb_channels,
                c->sample_fmt);
        if (HRESULT hr = Encode(m_pending.get(), sink); FAILED(hr))
            return hr;
    }
    m_pending.reset();
    m_pendingCount = 0;
    if (int err = avcodec_send_frame(m_codec.get(), nullptr); err < 0 && err != AVERROR_EOF)
        return HResultFromAVError(err);
    return Drain(sink);
}

} // namespace vidlume
