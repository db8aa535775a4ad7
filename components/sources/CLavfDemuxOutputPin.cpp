#include "CLavfDemuxOutputPin.h"

#include "CLavfDemultiplexer.h"

namespace vidlume {

namespace {
    constexpr uint32_t kCapabilities = AM_SEEKING_CanGetDuration | AM_SEEKING_CanGetCurrentPos | AM_SEEKING_CanGetStopPos
        | AM_SEEKING_CanSeekAbsolute;
}

CLavfDemuxOutputPin::CLavfDemuxOutputPin(CLavfDemultiplexer* filter, std::string id, CMediaType type, int streamIndex, REFERENCE_TIME duration)
    : CBaseOutputPin(filter, std::move(id))
    , m_demux(filter)
    , m_type(std::move(type))
    , m_streamIndex(streamIndex)
    , m_duration(duration)
{
}

HRESULT CLavfDemuxOutputPin::QueryPinInterface(REFIID iid, void** ppv)
{
    if (iid == IMediaSeeking::kIid)
        return GetInterface<IMediaSeeking>(this, ppv);
    return CBaseOutputPin::QueryPinInterface(iid, ppv);
}

HRESULT CLavfDemuxOutputPin::CheckMediaType(const CMediaType& type)
{
    return type.majortype == m_type.majortype && type.subtype == m_type.subtype ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CLavfDemuxOutputPin::GetMediaType(int index, CMediaType* type)
{
    if (!type)
        return E_POINTER;
    if (index != 0)
        return S_FALSE;
    *type = m_type;
    return S_OK;
}

HRESULT CLavfDemuxOutputPin::GetCapabilities(uint32_t* capabilities)
{
    if (!capabilities)
        return E_POINTER;
    *capabilities = kCapabilities;
    return S_OK;
}

HRESULT CLavfDemuxOutputPin::CheckCapabilities(uint32_t* capabilities)
{
    if (!capabilities)
        return E_POINTER;
    const uint32_t wanted = *capabilities;
    *capabilities &= kCapabilities;
    return *capabilities == wanted ? S_OK : *capabilities ? S_FALSE : E_FAIL;
}

HRESULT CLavfDemuxOutputPin::GetDuration(REFERENCE_TIME* duration)
{
    if (!duration)
        return E_POINTER;
    *duration = m_duration == kNoTime ? 0 : m_duration;
    return m_duration == kNoTime ? E_FAIL : S_OK;
}

HRESULT CLavfDemuxOutputPin::GetStopPosition(REFERENCE_TIME* stop)
{
    return m_demux->GetStopPosition(*this, stop);
}

HRESULT CLavfDemuxOutputPin::GetCurrentPosition(REFERENCE_TIME* current)
{
    if (!current)
        return E_POINTER;
    *current = m_current.load();
    return S_OK;
}

HRESULT CLavfDemuxOutputPin::SetPositions(REFERENCE_TIME* current, uint32_t currentFlags, REFERENCE_TIME* stop, uint32_t stopFlags)
{
    return m_demux->SetPositions(*this, current, currentFlags, stop, stopFlags);
}

HRESULT CLavfDemuxOutputPin::GetPositions(REFERENCE_TIME* current, REFERENCE_TIME* stop)
{
    HRESULT hr = S_OK;
    if (current)
        hr = GetCurrentPosition(current);
    if (stop && SUCCEEDED(hr))
        hr = GetStopPosition(stop);
    return hr;
}

} // namespace vidlume
