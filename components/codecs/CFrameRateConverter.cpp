#include "CFrameRateConverter.h"

#include "components/codecs/RawFrames.h"

namespace vidlume {

namespace {
    constexpr int32_t kNtscCode = -2997;
    constexpr REFERENCE_TIME kLongestGap = 10 * kUnitsPerSecond;
    bool IsCode(const VARIANT& v)
    {
        const int32_t code = v.lVal;
        return code == 0 || code == kNtscCode || (code > 0 && code <= 100'000);
    }
} // namespace

CFrameRateConverter::CFrameRateConverter()
    : CTransformFilter(CLSID_FrameRateConverter)
    , m_parameters({ { kFrameRateCode, VT_UI4, VARIANT::UI4(0), IsCode } })
{
}

CFrameRateConverter::~CFrameRateConverter() = default;

AVRational CFrameRateConverter::RateFromCode(int32_t code)
{
    if (code == kNtscCode)
        return { 30000, 1001 };
    if (code <= 0)
        return { 0, 1 };
    AVRational rate;
    av_reduce(&rate.num, &rate.den, code, 100, INT32_MAX);
    return rate;
}

HRESULT CFrameRateConverter::QueryOtherInterface(REFIID iid, void** ppv)
{
    if (iid == IModuleConfig::kIid)
        return GetInterface<IModuleConfig>(this, ppv);
    return CTransformFilter::QueryOtherInterface(iid, ppv);
}

HRESULT CFrameRateConverter::SetValue(const Guid& parameter, const VARIANT& value)
{
    return m_parameters.Set(parameter, value);
}

HRESULT CFrameRateConverter::GetValue(const Guid& parameter, VARIANT* value)
{
    return m_parameters.Get(parameter, value);
}

HRESULT CFrameRateConverter::IsSupported(const Guid& parameter)
{
    return m_parameters.Has(parameter) ? S_OK : E_INVALIDARG;
}

HRESULT CFrameRateConverter::SetDefState()
{
    m_parameters.SetDefaults();
    return S_OK;
}

HRESULT CFrameRateConverter::CommitChanges()
{
    std::lock_guard lock(m_stateLock);
    if (OutputPin()->IsConnected() && m_parameters.Pending()[0].lVal != m_parameters.CommittedInt(kFrameRateCode))
        return VFW_E_ALREADY_CONNECTED;
    m_parameters.Commit();
    return S_OK;
}

HRESULT CFrameRateConverter::CheckInputType(const CMediaType& type)
{
    return IsRawVideo(type) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CFrameRateConverter::GetOutputType(int index, CMediaType* type)
{
    VideoFormat format;
    if (index != 0 || !VideoFormatFromMediaType(InputPin()->CurrentMediaType(), &format))
        return S_FALSE;
    const AVRational rate = RateFromCode(m_parameters.CommittedInt(kFrameRateCode));
    if (rate.num > 0)
        format.avgTimePerFrame = FrameDurationFromRate(rate);
    *type = MediaTypeFromVideoFormat(format);
    return S_OK;
}

HRESULT CFrameRateConverter::CheckOutputType(const CMediaType& type)
{
    VideoFormat input, wanted;
    if (!VideoFormatFromMediaType(InputPin()->CurrentMediaType(), &input) || !VideoFormatFromMediaType(type, &wanted))
        return VFW_E_TYPE_NOT_ACCEPTED;
    return wanted.pixelFormat == input.pixelFormat && wanted.width == input.width && wanted.height == input.height ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CFrameRateConverter::OnStart()
{
    if (!InputPin()->IsConnected())
        return S_OK;
    if (!VideoFormatFromMediaType(InputPin()->CurrentMediaType(), &m_input))
        return VFW_E_TYPE_NOT_ACCEPTED;
    m_rate = RateFromCode(m_parameters.CommittedInt(kFrameRateCode));
    m_inputDuration = m_input.avgTimePerFrame;
    m_held.reset();
    m_heldStart = m_heldStop = m_origin = kNoTime;
    m_index = 0;
    m_discontinuity = true;
    return S_OK;
}

void CFrameRateConverter::OnStop()
{
    m_held.reset();
}

REFERENCE_TIME CFrameRateConverter::SlotTime(int64_t index) const
{
    return m_origin + av_rescale_q(index, av_inv_q(m_rate), kReferenceTimeBase);
}

FlowStatus CFrameRateConverter::EmitUntil(REFERENCE_TIME end)
{
    while (m_held && SlotTime(m_index) < end) {
        AVFramePtr copy(av_frame_clone(m_held.get()));
        if (!copy) {
            ReportError(E_OUTOFMEMORY);
            return FlowStatus::Error;
        }
        const REFERENCE_TIME start = SlotTime(m_index);
        const REFERENCE_TIME stop = SlotTime(++m_index);
        copy->pts = start;
        copy->pkt_duration = stop - start;
        CMediaSample sample = CMediaSample::FromFrame(copy.release());
        sample.start = start;
        sample.stop = stop;
        sample.syncPoint = true;
        sample.discontinuity = std::exchange(m_discontinuity, false);
        if (FlowStatus status = Deliver(sample); status != FlowStatus::Ok)
            return status;
    }
    return FlowStatus::Ok;
}

FlowStatus CFrameRateConverter::Transform(const CMediaSample& sample)
{
    if (m_rate.num <= 0)
        return Deliver(sample); // as the source
    AVFramePtr frame = VideoFrameFromSample(sample, m_input);
    if (!frame) {
        ReportError(VFW_E_TYPE_NOT_ACCEPTED);
        return FlowStatus::Error;
    }
    if (sample.discontinuity && m_held) {
        // A seek: finish the old position, then count afresh from the new one.
        if (FlowStatus status = Drain(); status != FlowStatus::Ok)
            return status;
    }
    REFERENCE_TIME start = sample.start;
    if (start == kNoTime) {
        const REFERENCE_TIME step = m_inputDuration > 0 ? m_inputDuration : SlotTime(1) - SlotTime(0);
        start = m_held ? m_heldStart + step : 0;
    }
    if (!m_held) {
        m_origin = start;
        m_index = 0;
    } else if (start - m_heldStart > kLongestGap) {
        // A jump in the timestamps: filling it with copies of one picture would only bloat the
        // output, so the held picture keeps its own span and the count starts again.
        if (FlowStatus status = Drain(); status != FlowStatus::Ok)
            return status;
        m_discontinuity = false;
        m_origin = start;
        m_index = 0;
    } else if (start > m_heldStart) {
        if (FlowStatus status = EmitUntil(start); status != FlowStatus::Ok)
            return status;
    }
    // A picture that does not move forward in time replaces the one held.
    m_held = std::move(frame);
    m_heldStart = start;
    m_heldStop = sample.stop;
    return FlowStatus::Ok;
}

FlowStatus CFrameRateConverter::Drain()
{
    if (!m_held)
        return FlowStatus::Ok;
    REFERENCE_TIME end = m_heldStop;
    if (end == kNoTime || end <= m_heldStart)
        end = m_heldStart + (m_inputDuration > 0 ? m_inputDuration : SlotTime(m_index + 1) - SlotTime(m_index));
    FlowStatus status = EmitUntil(end);
    m_held.reset();
    m_heldStart = m_heldStop = kNoTime;
    m_discontinuity = true;
    return status;
}

} // namespace vidlume
