#pragma once
// Raw media made for the encoder tests, and decoding their output back with libavcodec.

#include "TestSinkFilter.h"

#include "components/ffmpeg/CodecMediaTypes.h"

#include <vector>

namespace vidlume::test {

// I420 pictures of a textured pattern that moves, with light noise, so that every frame costs
// bits as in real video. Frame `index` starts at index * duration.
CMediaType I420Type(int width, int height, REFERENCE_TIME frameDuration);
CMediaSample MovingPicture(int width, int height, int index, REFERENCE_TIME duration);

// Interleaved audio in the format's sample type: a tone per channel (440 Hz times the channel
// number) at half scale. `count` samples from sample `first` on; times from `origin`.
CMediaSample ToneSamples(const AudioFormat& format, int64_t first, int count, REFERENCE_TIME origin);

struct Decoded {
    bool opened = false;
    int failures = 0;      // packets the decoder refused
    int frames = 0;        // video pictures
    int64_t samples = 0;   // audio samples per channel
    int width = 0, height = 0;
    int channels = 0, sampleRate = 0;
    int profile = -99, level = -99; // as the decoder read them from the stream
};
// Decodes the packets with the decoder the media type names, its set-up data from the type.
Decoded DecodeAll(const CMediaType& type, const std::vector<CTestSinkFilter::Received>& samples);

// Checks the times of a video encoder's packets for `frames` input frames of `duration` from
// 0 on: each input time comes back once with its duration, the first packet is a key frame,
// decoding times rise and never pass presentation times. Returns whether any packet was
// presented later than decoded (B-frames).
bool ExpectVideoTimes(const std::vector<CTestSinkFilter::Received>& samples, int frames, REFERENCE_TIME duration);

// Bits per second of the packets over the given duration.
double BitRate(const std::vector<CTestSinkFilter::Received>& samples, double seconds);

} // namespace vidlume::test
