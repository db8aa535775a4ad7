#include "RawFrames.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/imgutils.h>
}

#include <cstring>

namespace vidlume {

namespace {

    // A reference to the packet's bytes, copied when the packet does not own a buffer.
    AVBufferRef* BufferOf(const AVPacket& packet)
    {
        if (packet.buf)
            return av_buffer_ref(packet.buf);
        AVBufferRef* copy = av_buffer_alloc(size_t(packet.size) + AV_INPUT_BUFFER_PADDING_SIZE);
        if (copy && packet.size > 0)
            std::memcpy(copy->data, packet.data, size_t(packet.size));
        return copy;
    }

} // namespace

AVFramePtr AudioFrameFromSample(const CMediaSample& sample, const AudioFormat& format)
{
    if (AVFrame* frame = sample.Frame())
        return AVFramePtr(av_frame_clone(frame));
    const AVPacket* packet = sample.Packet();
    const int bytesPerFrame = av_get_bytes_per_sample(format.sampleFormat) * format.channels;
    if (!packet || packet->size <= 0 || bytesPerFrame <= 0 || format.sampleRate <= 0)
        return nullptr;
    AVFramePtr frame(av_frame_alloc());
    if (!frame)
        return nullptr;
    frame->format = format.sampleFormat;
    frame->sample_rate = format.sampleRate;
    frame->nb_samples = packet->size / bytesPerFrame;
    av_channel_layout_default(&frame->ch_layout, format.channels);
    frame->buf[0] = BufferOf(*packet);
    if (!frame->buf[0] || frame->nb_samples <= 0)
        return nullptr;
    frame->data[0] = packet->buf ? packet->data : frame->buf[0]->data;
    frame->extended_data = frame->data;
    frame->linesize[0] = frame->nb_samples * bytesPerFrame;
    frame->pts = sample.start != kNoTime ? sample.start : packet->pts;
    return frame;
}

AVFramePtr VideoFrameFromSample(const CMediaSample& sample, const VideoFormat& format)
{
    if (AVFrame* frame = sample.Frame())
        return AVFramePtr(av_frame_clone(frame));
    const AVPacket* packet = sample.Packet();
    const int needed = av_image_get_buffer_size(format.pixelFormat, format.width, format.height, 1);
    if (!packet || needed <= 0 || packet->size < needed)
        return nullptr;
    AVFramePtr frame(av_frame_alloc());
    if (!frame)
        return nullptr;
    frame->format = format.pixelFormat;
    frame->width = format.width;
    frame->height = format.height;
    frame->sample_aspect_ratio = format.sampleAspect;
    frame->buf[0] = BufferOf(*packet);
    if (!frame->buf[0])
        return nullptr;
    const uint8_t* bytes = packet->buf ? packet->data : frame->buf[0]->data;
    if (av_image_fill_arrays(frame->data, frame->linesize, bytes, format.pixelFormat, format.width, format.height, 1) < 0)
        return nullptr;
    frame->pts = sample.start != kNoTime ? sample.start : packet->pts;
    return frame;
}

} // namespace vidlume
