#include "CSwrResampler.h"

#include <cstdlib>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

namespace vidlume {

namespace {

    constexpr REFERENCE_TIME kJitter = 20 * 10'000; // 20 ms

    // A layout swresample can mix from: a frame that only counts its channels gets the usual
    // layout for that count.
    int LayoutOf(const AVFrame& frame, AVChannelLayout* layout)
    {
        av_channel_layout_uninit(layout);
        if (frame.ch_layout.nb_channels <= 0)
            return AVERROR(EINVAL);
        if (frame.ch_layout.order == AV_CHANNEL_ORDER_UNSPEC) {
            av_channel_layout_default(layout, frame.ch_layout.nb_channels);
            return 0;
        }
        return av_channel_layout_copy(layout, &frame.ch_layout);
    }

} // namespace

CSwrResampler::CSwrResampler(const AudioFormat& target) : m_target(target)
{
    m_target.sampleFormat = av_get_packed_sample_fmt(target.sampleFormat);
    av_channel_layout_default(&m_targetLayout, target.channels);
}

CSwrResampler::~CSwrResampler()
{
    av_channel_layout_uninit(&m_targetLayout);
    av_channel_layout_uninit(&m_inLayout);
}

void CSwrResampler::Reset()
{
    m_swr.reset();
    m_inFormat = AV_SAMPLE_FMT_NONE;
    m_inRate = 0;
    av_channel_layout_uninit(&m_inLayout);
    m_next = kNoTime;
}

REFERENCE_TIME CSwrResampler::Continue(REFERENCE_TIME start) const
{
    // Containers store times in milliseconds or coarser; sound that is meant to be continuous
    // stays continuous rather than following their rounding.
    if (start == kNoTime || (m_next != kNoTime && std::llabs(start - m_next) < kJitter))
        return m_next;
    return start;
}

bool CSwrResampler::Matches(const AVFrame& frame) const
{
    return frame.format == m_target.sampleFormat && frame.sample_rate == m_target.sampleRate
        && frame.ch_layout.nb_channels == m_target.channels;
}

int CSwrResampler::Configure(const AVFrame& frame, std::vector<Output>* out)
{
    AVChannelLayout layout {};
    int ret = LayoutOf(frame, &layout);
    if (ret < 0)
        return ret;
    const bool same = m_swr && frame.format == m_inFormat && frame.sample_rate == m_inRate && !av_channel_layout_compare(&layout, &m_inLayout);
    if (same) {
        av_channel_layout_uninit(&layout);
        return 0;
    }
    // What the old set-up still holds plays before the new frame.
    if (m_swr && (ret = Flush(out)) < 0) {
        av_channel_layout_uninit(&layout);
        return ret;
    }
    m_swr.reset();
    av_channel_layout_uninit(&m_inLayout);
    m_inLayout = layout;
    m_inFormat = AVSampleFormat(frame.format);
    m_inRate = frame.sample_rate;
    if (m_inRate <= 0 || m_inFormat == AV_SAMPLE_FMT_NONE)
        return AVERROR(EINVAL);
    SwrContext* swr = nullptr;
    ret = swr_alloc_set_opts2(&swr, &m_targetLayout, m_target.sampleFormat, m_target.sampleRate, &m_inLayout, m_inFormat, m_inRate, 0, nullptr);
    m_swr.reset(swr);
    if (ret < 0)
        return ret;
    if (m_target.channels < m_inLayout.nb_channels) {
        // Mixing down adds channels together; keep the sum from clipping.
        av_opt_set_int(swr, "clip_protection", 1, 0);
    }
    return swr_init(swr);
}

int CSwrResampler::Emit(const uint8_t* const* input, int count, REFERENCE_TIME start, std::vector<Output>* out)
{
    SwrContext* swr = m_swr.get();
    // The held samples come out first; they belong before this frame's start.
    const int64_t held = swr_get_delay(swr, m_target.sampleRate);
    if (start != kNoTime)
        start -= av_rescale(held, kReferenceTimeBase.den, m_target.sampleRate);
    start = Continue(start);
    const int capacity = swr_get_out_samples(swr, count);
    if (capacity <= 0)
        return capacity;
    AVFramePtr frame(av_frame_alloc());
    if (!frame)
        return AVERROR(ENOMEM);
    frame->format = m_target.sampleFormat;
    frame->sample_rate = m_target.sampleRate;
    frame->nb_samples = capacity;
    int ret = av_channel_layout_copy(&frame->ch_layout, &m_targetLayout);
    if (ret < 0 || (ret = av_frame_get_buffer(frame.get(), 0)) < 0)
        return ret;
    const int got = swr_convert(swr, frame->extended_data, capacity, const_cast<const uint8_t**>(input), count);
    if (got < 0)
        return got;
    if (got == 0)
        return 0;
    frame->nb_samples = got;
    if (start == kNoTime)
        start = 0;
    const REFERENCE_TIME stop = start + av_rescale(got, kReferenceTimeBase.den, m_target.sampleRate);
    frame->pts = start;
    frame->pkt_duration = stop - start;
    m_next = stop;
    out->push_back({ std::move(frame), start, stop });
    return 0;
}

int CSwrResampler::Convert(const AVFrame& frame, REFERENCE_TIME start, std::vector<Output>* out)
{
    if (frame.nb_samples <= 0)
        return 0;
    if (Matches(frame)) {
        // Whatever an earlier, different frame left in the resampler goes first.
        if (m_swr) {
            int ret = Flush(out);
            if (ret < 0)
                return ret;
            Reset();
        }
        start = Continue(start);
        if (start == kNoTime)
            start = 0;
        AVFramePtr copy(av_frame_clone(&frame));
        if (!copy)
            return AVERROR(ENOMEM);
        const REFERENCE_TIME stop = start + av_rescale(frame.nb_samples, kReferenceTimeBase.den, m_target.sampleRate);
        copy->pts = start;
        copy->pkt_duration = stop - start;
        m_next = stop;
        out->push_back({ std::move(copy), start, stop });
        return 0;
    }
    int ret = Configure(frame, out);
    if (ret < 0)
        return ret;
    return Emit(frame.extended_data, frame.nb_samples, start, out);
}

int CSwrResampler::Flush(std::vector<Output>* out)
{
    if (!m_swr)
        return 0;
    // Draining may take more than one call when much is held.
    for (int i = 0; i < 16; ++i) {
        const size_t before = out->size();
        int ret = Emit(nullptr, 0, kNoTime, out);
        if (ret < 0)
            return ret;
        if (out->size() == before)
            break;
    }
    return 0;
}

} // namespace vidlume
