#pragma once
// The audio half of the Windows Media writer: takes the decoded sound of its input pin (any raw
// audio format CodecMediaTypes describes, or a packet of interleaved samples in the connection's
// format), converts it with swresample to the profile's sample rate and channels, cuts it into the
// encoder's frames and encodes with libavcodec's Windows Media Audio 1 or 2 encoder.
//
// Bit rate: the profile's stream bit rate (or, without one, its wave format's byte rate); the
// encoder cannot go below 24 kbit/s, so lower rates are raised to that. WMA 1/2 have no
// quality-based mode: a VBR flag on an audio stream is ignored.
//
// Timing: the first sample's start time places the sound (a source starting at 0.5 s starts at
// 0.5 s in the file; negative starts count as 0); from there the sound runs on by its sample
// count, so small jitter in the source's times does not become clicks or gaps. At the end the
// last partial frame is padded with silence.
//
// Not thread-safe: the writer calls it under its own lock.

#include "components/ffmpeg/CodecMediaTypes.h"
#include "platform/graph/FilterAuthoring.h"
#include "platform/graph/WindowsMediaInterfaces.h"

#include <functional>
#include <memory>

namespace vidlume {

class CLavcWmaStream {
public:
    // Takes one encoded packet (timestamps in the codec's time base, 1 / sample rate).
    using PacketSink = std::function<HRESULT(AVPacket*)>;

    // Opens the encoder for the profile's stream and the connected input's format. E_INVALIDARG
    // for a stream that is not Windows Media Audio 1 or 2; the encoder's own failure otherwise.
    static HRESULT Create(const WM_STREAM_CONFIG& config, const AudioFormat& input, std::unique_ptr<CLavcWmaStream>* stream);

    const AVCodecContext* Codec() const { return m_codec.get(); }

    HRESULT Write(const CMediaSample& sample, const PacketSink& sink);
    // End of the input: flushes the resampler, pads and encodes the last frame, drains the encoder.
    HRESULT Finish(const PacketSink& sink);

private:
    CLavcWmaStream() = default;

    HRESULT PrepareResampler(AVSampleFormat format, int rate, int channels);
    HRESULT Resample(const uint8_t* const* data, int count, const PacketSink& sink);
    HRESULT Append(const uint8_t* const* planes, int count, const PacketSink& sink);
    HRESULT NewPending();
    HRESULT Encode(AVFrame* frame, const PacketSink& sink);
    HRESULT Drain(const PacketSink& sink);

    AVCodecContextPtr m_codec;
    SwrContextPtr m_swr;
    AVPacketPtr m_packet;
    AudioFormat m_input;
    // The resampler's input as it was set up.
    AVSampleFormat m_swrFormat = AV_SAMPLE_FMT_NONE;
    int m_swrRate = 0;
    int m_swrChannels = 0;

    AVFramePtr m_pending;   // the encoder frame being filled
    int m_pendingCount = 0; // samples in it so far
    int64_t m_origin = -1;  // pts of the first sample, in samples; -1 before the first
    int64_t m_samplesSent = 0;
};

} // namespace vidlume
