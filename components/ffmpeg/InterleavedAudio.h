#pragma once
// The bytes of a raw audio sample for the filters that take interleaved PCM: a decoded frame in
// the connection's packed sample format, or a packet that carries the bytes themselves.

#include "components/ffmpeg/CodecMediaTypes.h"
#include "platform/graph/FilterAuthoring.h"

namespace vidlume {

struct InterleavedAudio {
    const uint8_t* data = nullptr;
    int frames = 0; // samples per channel
    size_t bytes = 0;
};

// False when the sample does not fit the format (another sample format or channel count). A
// packet's trailing part of a sample frame is left out. An empty sample gives zero frames.
bool InterleavedAudioOf(const CMediaSample& sample, const AudioFormat& format, InterleavedAudio* audio);

// Bytes per sample frame (every channel) of the format.
int AudioBlockAlign(const AudioFormat& format);

} // namespace vidlume
