#pragma once
// The AAC audio encoder (CLSID_AACEncoder) on libavcodec's native "aac" encoder (AAC-LC).
//
// Pins: "In" takes raw interleaved audio as the graph describes it (PCM 8, 16 or 32 bits, IEEE
// float 32 or 64 bits), 1 to 8 channels, at a rate the encoder supports: 7350, 8000, 11025,
// 12000, 16000, 22050, 24000, 32000, 44100, 48000, 64000, 88200 or 96000 Hz. Other rates and
// channel counts are refused, so intelligent connect puts a converter in front. The channels are
// taken in the order of the standard layout for their count, as WAVE files order them (front
// left, front right, centre, LFE, then back and side channels); 7 channels are described by a
// program config element, the other counts by the AAC channel configuration. The
// samples are converted with libswresample to the encoder's planar float and cut into frames of
// 1024 through a FIFO.
// "Out" offers one type: MEDIASUBTYPE_AAC with a WAVEFORMATEX (tag 0x00FF, the input's rate and
// channels, nAvgBytesPerSec from the bit rate used) whose extra data is the AudioSpecificConfig.
// Each sample is one raw AAC frame (no ADTS header).
//
// Timestamps: the first input sample's start time (0 when it has none) is the time of the first
// sample of sound; from there every packet's pts, dts and duration are computed from the count of
// samples, in 100 ns, without accumulated rounding; later input timestamps are not looked at (the
// sound is continuous). The encoder's priming frame comes first: the first packet starts 1024
// samples before the first input sample, and a multiplexer that keeps these times hides it with
// an edit list. The last packet's duration covers only the samples that were put in. At the end
// of the stream the FIFO's rest and the encoder's delayed frames are delivered, then the end of
// stream passes on.
//
// IModuleConfig parameter (VT_I4; applies from CommitChanges on, to the next output type built and
// the next start of the graph):
//   BDD50372-38E2-4A26-BA15-482B70EE136C  bit rate as an index 0 to 27 (default 18) into the
//       table in kbit/s: 6, 7, 8, 10, 12, 14, 16, 20, 24, 28, 32, 40, 48, 56, 64, 80, 96, 112,
//       128, 160, 192, 224, 256, 320, 384, 448, 512, 1024. A rate above what AAC can carry -
//       6144 bits per channel per frame of 1024 samples, e.g. 529.2 kbit/s for 44.1 kHz stereo,
//       48 kbit/s for 8 kHz mono - is lowered to that limit, and the output type states the rate
//       used. At the low end there is nothing to clamp: the encoder spends what its coarsest
//       coding of the signal needs (some 10 to 15 kbit/s per channel at 44.1 kHz), even if that
//       is more than asked.
//
// If the parameter committed after the output was connected changes the output type, starting
// the graph fails with VFW_E_TYPE_NOT_ACCEPTED.

#include "components/encoders/EncoderParameters.h"
#include "platform/graph/CModuleParameters.h"
#include "components/ffmpeg/CodecMediaTypes.h"
#include "platform/graph/CTransformFilter.h"

#include <memory>
#include <optional>

extern "C" {
#include <libavutil/audio_fifo.h>
}

namespace vidlume {

class CLavcAacEncoder final : public CTransformFilter, public IModuleConfig {
public:
    CLavcAacEncoder();
    ~CLavcAacEncoder() override;

    VIDLUME_UNKNOWN_VIA(CTransformFilter)

    // IModuleConfig
    HRESULT SetValue(const Guid& parameter, const VARIANT& value) override;
    HRESULT GetValue(const Guid& parameter, VARIANT* value) override;
    HRESULT IsSupported(const Guid& parameter) override;
    HRESULT SetDefState() override;
    HRESULT CommitChanges() override;

    // The bit rate in bit/s used for a table index (0 to 27), rate and channel count.
    static int64_t BitRateFor(int index, int sampleRate, int channels);

protected:
    HRESULT QueryOtherInterface(REFIID iid, void** ppv) override;
    HRESULT CheckInputType(const CMediaType& type) override;
    HRESULT GetOutputType(int index, CMediaType* type) override;
    HRESULT OnStart() override;
    void OnStop() override;
    FlowStatus Transform(const CMediaSample& sample) override;
    FlowStatus Drain() override;

private:
    struct AudioFifoDeleter {
        void operator()(AVAudioFifo* fifo) const { av_audio_fifo_free(fifo); }
    };
    using AudioFifoPtr = std::unique_ptr<AVAudioFifo, AudioFifoDeleter>;

    static HRESULT OpenEncoder(const AudioFormat& format, int bitRateIndex, AVCodecContextPtr* encoder);
    static HRESULT BuildOutputType(const AVCodecContext* encoder, CMediaType* type);
    // Converts samples into the FIFO (null input: what the converter still holds).
    FlowStatus Convert(const uint8_t* const* data, int samples);
    // Sends whole frames from the FIFO - and, at the end, the rest - and delivers the packets.
    FlowStatus EncodeQueued(bool final);
    FlowStatus Send(const AVFrame* frame);

    CModuleParameters m_parameters;

    struct CachedOutput {
        CMediaType input;
        int bitRateIndex;
        CMediaType output;
    };
    std::optional<CachedOutput> m_cachedOutput;

    // Streaming state, from OnStart to OnStop.
    AVCodecContextPtr m_encoder;
    SwrContextPtr m_converter;
    AudioFifoPtr m_fifo;
    AVFramePtr m_converted; // the converter's output buffer, grown as needed
    AVPacketPtr m_packet;
    AudioFormat m_format;
    REFERENCE_TIME m_origin = kNoTime; // time of the first input sample
    int64_t m_samplesSent = 0;         // to the encoder, the next frame's first sample
    bool m_discontinuity = true;
};

} // namespace vidlume
