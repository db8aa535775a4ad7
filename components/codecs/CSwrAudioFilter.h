#pragma once
// Base of the converters that turn raw audio into other raw audio with swresample (the sample-rate
// converter and the audio converter): pins "In" (any raw audio) and "Out" (the formats the
// concrete filter offers). Timestamps are exact (see CSwrResampler); what the resampler holds is
// delivered at the end of the stream and dropped at a discontinuity (a seek). Uncompressed audio
// that arrives as packets (PCM from a Wave file) is taken as frames.

#include "components/codecs/CSwrResampler.h"
#include "components/ffmpeg/CodecMediaTypes.h"
#include "platform/graph/CTransformFilter.h"

#include <memory>
#include <vector>

namespace vidlume {

class CSwrAudioFilter : public CTransformFilter {
protected:
    explicit CSwrAudioFilter(const CLSID& clsid);
    ~CSwrAudioFilter() override;

    // What the filter offers for an input, best first.
    virtual std::vector<AudioFormat> OutputFormats(const AudioFormat& input) = 0;

    HRESULT CheckInputType(const CMediaType& type) override;
    HRESULT GetOutputType(int index, CMediaType* type) override;
    HRESULT CheckOutputType(const CMediaType& type) override;
    FlowStatus Transform(const CMediaSample& sample) override;
    FlowStatus Drain() override;
    HRESULT OnStart() override;
    void OnStop() override;

private:
    FlowStatus DeliverAll(std::vector<CSwrResampler::Output>& outputs);

    AudioFormat m_input;
    std::unique_ptr<CSwrResampler> m_resampler;
    bool m_discontinuity = true;
};

} // namespace vidlume
