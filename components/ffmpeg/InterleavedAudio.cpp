#include "InterleavedAudio.h"

namespace vidlume {

int AudioBlockAlign(const AudioFormat& format)
{
    return av_get_bytes_per_sample(format.sampleFormat) * format.channels;
}

bool InterleavedAudioOf(const CMediaSample& sample, const AudioFormat& format, InterleavedAudio* audio)
{
    *audio = InterleavedAudio {};
    const int blockAlign = AudioBlockAlign(format);
    if (blockAlign <= 0)
        return false;
    if (const AVFrame* frame = sample.Frame()) {
        if (frame->nb_samples <= 0)
            return true;
        const int channels = frame->ch_layout.nb_channels;
        if (frame->format != format.sampleFormat || (channels != 0 && channels != format.channels) || !frame->data[0])
            return false;
        const size_t bytes = size_t(frame->nb_samples) * size_t(blockAlign);
        if (frame->linesize[0] > 0 && bytes > size_t(frame->linesize[0]))
            return false;
        audio->data = frame->data[0];
        audio->frames = frame->nb_samples;
        audio->bytes = bytes;
        return true;
    }
    if (const AVPacket* packet = sample.Packet()) {
        if (packet->size <= 0)
            return true;
        // A cut-off file can end in part of a sample frame: what is whole still plays.
        audio->data = packet->data;
        audio->frames = packet->size / blockAlign;
        audio->bytes = size_t(audio->frames) * size_t(blockAlign);
        return true;
    }
    return true;
}

} // namespace vidlume
