#include "CSwrSampleRateConverter.h"

namespace vidlume {

CSwrSampleRateConverter::CSwrSampleRateConverter()
    : CSwrAudioFilter(CLSID_SampleRateConverter)
    , m_parameters({ { kSampleRate, VT_UI4, VARIANT::UI4(0), [](const VARIANT& v) { return v.ulVal == 0 || (v.ulVal >= 1000 && v.ulVal <= 768000); } } })
{
}

HRESULT CSwrSampleRateConverter::QueryOtherInterface(REFIID iid, void** ppv)
{
    if (iid == IModuleConfig::kIid)
        return GetInterface<IModuleConfig>(this, ppv);
    return CSwrAudioFilter::QueryOtherInterface(iid, ppv);
}

HRESULT CSwrSampleRateConverter::SetValue(const Guid& parameter, const VARIANT& value)
{
    return m_parameters.Set(parameter, value);
}

HRESULT CSwrSampleRateConverter::GetValue(const Guid& parameter, VARIANT* value)
{
    return m_parameters.Get(parameter, value);
}

HRESULT CSwrSampleRateConverter::IsSupported(const Guid& parameter)
{
    return m_parameters.Has(parameter) ? S_OK : E_INVALIDARG;
}

HRESULT CSwrSampleRateConverter::SetDefState()
{
    m_parameters.SetDefaults();
    return S_OK;
}

HRESULT CSwrSampleRateConverter::CommitChanges()
{
    std::lock_guard lock(m_stateLock);
    if (OutputPin()->IsConnected() && m_parameters.Pending()[0].ulVal != m_parameters.CommittedUInt(kSampleRate))
        return VFW_E_ALREADY_CONNECTED;
    m_parameters.Commit();
    return S_OK;
}

std::vector<AudioFormat> CSwrSampleRateConverter::OutputFormats(const AudioFormat& input)
{
    AudioFormat output = input;
    if (uint32_t rate = m_parameters.CommittedUInt(kSampleRate))
        output.sampleRate = int(rate);
    return { output };
}

} // namespace vidlume
