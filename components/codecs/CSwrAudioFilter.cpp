#include "CSwrAudioFilter.h"

#include "components/codecs/RawFrames.h"

namespace vidlume {

CSwrAudioFilter::CSwrAudioFilter(const CLSID& clsid) : CTransformFilter(clsid) { }

CSwrAudioFilter::~CSwrAudioFilter() = default;

HRESULT CSwrAudioFilter::CheckInputType(const CMediaType& type)
{
    AudioFormat format;
    if (!AudioFormatFromMediaType(type, &format))
        return VFW_E_TYPE_NOT_ACCEPTED;
    return OutputFormats(format).empty() ? VFW_E_TYPE_NOT_ACCEPTED : S_OK;
}

HRESULT CSwrAudioFilter::GetOutputType(int index, CMediaType* type)
{
    AudioFormat input;
    if (index < 0 || !AudioFormatFromMediaType(InputPin()->CurrentMediaType(), &input))
        return S_FALSE;
    const std::vector<AudioFormat> offers = OutputFormats(input);
    if (size_t(index) >= offers.size())
        return S_FALSE;
    *type = MediaTypeFromAudioFormat(offers[size_t(index)]);
    return S_OK;
}

HRESULT CSwrAudioFilter::CheckOutputType(const CMediaType& type)
{
    AudioFormat input, wanted;
    if (!AudioFormatFromMediaType(InputPin()->CurrentMediaType(), &input) || !AudioFormatFromMediaType(type, &wanted))
        return VFW_E_TYPE_NOT_ACCEPTED;
    for (const AudioFormat& f : OutputFormats(input))
        if (f.sampleFormat == wanted.sampleFormat && f.sampleRate == wanted.sampleRate && f.channels == wanted.channels)
            return S_OK;
    return VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CSwrAudioFilter::OnStart()
{
    if (!InputPin()->IsConnected())
        return S_OK;
    if (!AudioFormatFromMediaType(InputPin()->CurrentMediaType(), &m_input))
        return VFW_E_TYPE_NOT_ACCEPTED;
    CMediaType output;
    if (OutputPin()->IsConnected())
        output = OutputPin()->CurrentMediaType();
    else if (GetOutputType(0, &output) != S_OK)
        return VFW_E_TYPE_NOT_ACCEPTED;
    AudioFormat agreed;
    if (!AudioFormatFromMediaType(output, &agreed))
        return VFW_E_TYPE_NOT_ACCEPTED;
    m_resampler = std::make_unique<CSwrResampler>(agreed);
    m_discontinuity = true;
    return S_OK;
}

void CSwrAudioFilter::OnStop()
{
    m_resampler.reset();
}

FlowStatus CSwrAudioFilter::DeliverAll(std::vector<CSwrResampler::Output>& outputs)
{
    for (auto& o : outputs) {
        CMediaSample sample = CMediaSample::FromFrame(o.frame.release());
        sample.start = o.start;
        sample.stop = o.stop;
        sample.syncPoint = true;
        sample.discontinuity = std::exchange(m_discontinuity, false);
        if (FlowStatus status = Deliver(sample); status != FlowStatus::Ok)
            return status;
    }
    outputs.clear();
    return FlowStatus::Ok;
}

FlowStatus CSwrAudioFilter::Transform(const CMediaSample& sample)
{
    AVFramePtr frame = m_resampler ? AudioFrameFromSample(sample, m_input) : nullptr;
    if (!frame) {
        ReportError(m_resampler ? VFW_E_TYPE_NOT_ACCEPTED : VFW_E_WRONG_STATE);
        return FlowStatus::Error;
    }
    if (sample.discontinuity) {
        m_resampler->Reset();
        m_discontinuity = true;
    }
    std::vector<CSwrResampler::Output> outputs;
    const REFERENCE_TIME start = sample.start != kNoTime ? sample.start : frame->pts;
    if (int ret = m_resampler->Convert(*frame, start, &outputs); ret < 0) {
        ReportError(HResultFromAVError(ret));
        return FlowStatus::Error;
    }
    return DeliverAll(outputs);
}

FlowStatus CSwrAudioFilter::Drain()
{
    if (!m_resampler)
        return FlowStatus::Ok;
    std::vector<CSwrResampler::Output> outputs;
    if (int ret = m_resampler->Flush(&outputs); ret < 0) {
        ReportError(HResultFromAVError(ret));
        return FlowStatus::Error;
    }
    m_resampler->Reset();
    return DeliverAll(outputs);
}

} // namespace vidlume
