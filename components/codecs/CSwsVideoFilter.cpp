#include "CSwsVideoFilter.h"

#include "components/codecs/RawFrames.h"

namespace vidlume {

CSwsVideoFilter::CSwsVideoFilter(const CLSID& clsid) : CTransformFilter(clsid) { }

CSwsVideoFilter::~CSwsVideoFilter() = default;

CSwsPictureScaler::Target CSwsVideoFilter::ScalerTarget(const VideoFormat& input, const VideoFormat& output)
{
    CSwsPictureScaler::Target target;
    target.format = output.pixelFormat;
    target.width = output.width;
    target.height = output.height;
    target.sourceAspect = input.sampleAspect;
    return target;
}

HRESULT CSwsVideoFilter::CheckInputType(const CMediaType& type)
{
    VideoFormat format;
    if (!VideoFormatFromMediaType(type, &format) || !sws_isSupportedInput(format.pixelFormat))
        return VFW_E_TYPE_NOT_ACCEPTED;
    return OutputFormats(format).empty() ? VFW_E_TYPE_NOT_ACCEPTED : S_OK;
}

HRESULT CSwsVideoFilter::GetOutputType(int index, CMediaType* type)
{
    VideoFormat input;
    if (index < 0 || !VideoFormatFromMediaType(InputPin()->CurrentMediaType(), &input))
        return S_FALSE;
    const std::vector<VideoFormat> offers = OutputFormats(input);
    if (size_t(index) >= offers.size())
        return S_FALSE;
    *type = MediaTypeFromVideoFormat(offers[size_t(index)]);
    return S_OK;
}

HRESULT CSwsVideoFilter::CheckOutputType(const CMediaType& type)
{
    VideoFormat input, wanted;
    if (!VideoFormatFromMediaType(InputPin()->CurrentMediaType(), &input) || !VideoFormatFromMediaType(type, &wanted))
        return VFW_E_TYPE_NOT_ACCEPTED;
    for (const VideoFormat& f : OutputFormats(input))
        if (f.pixelFormat == wanted.pixelFormat && f.width == wanted.width && f.height == wanted.height)
            return S_OK;
    return VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CSwsVideoFilter::OnStart()
{
    if (!InputPin()->IsConnected())
        return S_OK;
    if (!VideoFormatFromMediaType(InputPin()->CurrentMediaType(), &m_input))
        return VFW_E_TYPE_NOT_ACCEPTED;
    CMediaType output;
    if (OutputPin()->IsConnected())
        output = OutputPin()->CurrentMediaType();
    else if (GetOutputType(0, &output) != S_OK)
        return VFW_E_TYPE_NOT_ACCEPTED;
    VideoFormat agreed;
    if (!VideoFormatFromMediaType(output, &agreed))
        return VFW_E_TYPE_NOT_ACCEPTED;
    m_scaler = std::make_unique<CSwsPictureScaler>(ScalerTarget(m_input, agreed));
    return S_OK;
}

void CSwsVideoFilter::OnStop()
{
    m_scaler.reset();
}

FlowStatus CSwsVideoFilter::Transform(const CMediaSample& sample)
{
    AVFramePtr frame = m_scaler ? VideoFrameFromSample(sample, m_input) : nullptr;
    if (!frame) {
        ReportError(m_scaler ? VFW_E_TYPE_NOT_ACCEPTED : VFW_E_WRONG_STATE);
        return FlowStatus::Error;
    }
    AVFramePtr out;
    if (m_scaler->Matches(*frame)) {
        out = std::move(frame);
    } else if (int ret = m_scaler->Convert(*frame, &out); ret < 0) {
        ReportError(HResultFromAVError(ret));
        return FlowStatus::Error;
    }
    CMediaSample result = CMediaSample::FromFrame(out.release());
    result.start = sample.start;
    result.stop = sample.stop;
    result.syncPoint = sample.syncPoint;
    result.discontinuity = sample.discontinuity;
    return Deliver(result);
}

} // namespace vidlume
