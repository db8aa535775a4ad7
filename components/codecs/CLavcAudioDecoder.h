#pragma once
// Audio decoder on libavcodec. One class behind three class identifiers, each taking its own
// family of compressed audio in (pin "In") and giving interleaved PCM or float out (pin "Out"):
//
//   CLSID_AACDecoder           AAC (MP4 and ADTS, LATM)
//   CLSID_AC3Decoder           AC-3 and E-AC-3 (DVD titles)
//   CLSID_GenericAudioDecoder  any other audio libavcodec decodes: MP3, MP2, WMA, Vorbis, FLAC,
//                              PCM variants (big-endian, 24-bit ...), found by intelligent
//                              connect after the specific decoders
//
// Output: one type, as MediaTypeFromAudioFormat describes it - the codec's sample format made
// interleaved (float for most codecs, 16 or 32-bit integers for PCM), at the rate and with the
// channel count of the input type. Frames that come out of the codec otherwise (planar, HE-AAC at
// twice the rate, a stream that changes its channels) are converted to that with swresample. A
// connection fails when the codec cannot be opened for the type.
//
// Samples: packets in; frames out with exact timestamps in reference time (a frame without a
// timestamp follows the previous one). A packet the codec cannot decode is skipped; at the end of
// the stream the codec's and the resampler's delayed samples are delivered; a discontinuity (a
// seek) drops them.

#include "components/codecs/CSwrResampler.h"
#include "components/ffmpeg/CodecMediaTypes.h"
#include "platform/graph/CTransformFilter.h"

#include <memory>

namespace vidlume {

class CLavcAudioDecoder final : public CTransformFilter {
public:
    enum class Kind { Aac, Ac3, Generic };

    explicit CLavcAudioDecoder(Kind kind);
    ~CLavcAudioDecoder() override;

    static CLSID ClassOf(Kind kind);
    static bool Decodes(Kind kind, AVCodecID codec);

protected:
    HRESULT CheckInputType(const CMediaType& type) override;
    HRESULT GetOutputType(int index, CMediaType* type) override;
    HRESULT CheckOutputType(const CMediaType& type) override;
    FlowStatus Transform(const CMediaSample& sample) override;
    FlowStatus Drain() override;
    HRESULT OnStart() override;
    void OnStop() override;

private:
    // The format offered for an input type; false when the type is not taken.
    bool OfferedFormat(const CMediaType& input, AudioFormat* format);
    FlowStatus ReceiveFrames();
    FlowStatus DeliverAll(std::vector<CSwrResampler::Output>& outputs);

    const Kind m_kind;
    CMediaType m_offeredFor;
    bool m_offerValid = false;
    AudioFormat m_offered;

    AVCodecContextPtr m_codec;
    AVFramePtr m_frame;
    std::unique_ptr<CSwrResampler> m_resampler;
    bool m_discontinuity = true;
    bool m_started = false; // a frame has come out since the start or the last seek
    bool m_drained = false;
};

} // namespace vidlume
