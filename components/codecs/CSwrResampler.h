#pragma once
// Converts decoded audio to one interleaved sample format, rate and channel count with
// swresample: the piece the audio decoders and the audio converters share. Frames already in the
// target format pass unchanged. Not thread-safe; one per stream.
//
// Timestamps are exact: the output that a frame produces starts at the frame's start minus what
// the resampler still held from before, so a rate change keeps sound and picture in step. A frame
// without a start, or one within 20 ms of where the previous output ended (container rounding),
// continues from there; a larger jump is kept as it is. More than two channels mixed down to
// fewer use swresample's standard downmix matrix.

#include "components/ffmpeg/CodecMediaTypes.h"
#include "platform/graph/FilterAuthoring.h"

#include <vector>

namespace vidlume {

class CSwrResampler {
public:
    struct Output {
        AVFramePtr frame; // pts and pkt_duration in reference time
        REFERENCE_TIME start = kNoTime;
        REFERENCE_TIME stop = kNoTime;
    };

    explicit CSwrResampler(const AudioFormat& target);
    ~CSwrResampler();
    CSwrResampler(const CSwrResampler&) = delete;
    CSwrResampler& operator=(const CSwrResampler&) = delete;

    const AudioFormat& GetTarget() const { return m_target; }
    // Converts one frame whose first sample plays at start (kNoTime: right after the previous
    // output), appending what comes out. Returns 0 or the FFmpeg error.
    int Convert(const AVFrame& frame, REFERENCE_TIME start, std::vector<Output>* out);
    // End of stream: appends what the resampler still holds.
    int Flush(std::vector<Output>* out);
    // Forgets held samples and the running time (after a seek).
    void Reset();

private:
    bool Matches(const AVFrame& frame) const;
    // The start to use for output given what the input says: the previous output's end when
    // the input does not say or differs from it by no more than container rounding.
    REFERENCE_TIME Continue(REFERENCE_TIME start) const;
    int Configure(const AVFrame& frame, std::vector<Output>* out);
    int Emit(const uint8_t* const* input, int count, REFERENCE_TIME start, std::vector<Output>* out);

    AudioFormat m_target;
    AVChannelLayout m_targetLayout {};
    SwrContextPtr m_swr;
    AVSampleFormat m_inFormat = AV_SAMPLE_FMT_NONE;
    int m_inRate = 0;
    AVChannelLayout m_inLayout {};
    REFERENCE_TIME m_next = kNoTime;
};

} // namespace vidlume
