#include "CNullVideoSink.h"

#include "platform/graph/CBaseInputPin.h"

namespace vidlume {

class CNullVideoSink::CInput final : public CBaseInputPin {
public:
    explicit CInput(CNullVideoSink* filter) : CBaseInputPin(filter, "In"), m_owner(filter) { }

protected:
    HRESULT CheckMediaType(const CMediaType& type) override { return m_owner->Accepts(type) ? S_OK : S_FALSE; }
    FlowStatus OnReceive(const CMediaSample&) override { return FlowStatus::Ok; }

private:
    CNullVideoSink* m_owner;
};

CNullVideoSink::CNullVideoSink() : CBaseFilter(CLSID_NullVideoSink)
{
    AddPin(std::make_unique<CInput>(this));
}

HRESULT CNullVideoSink::QueryOtherInterface(REFIID iid, void** ppv)
{
    if (iid == IMediaTypeConfig::kIid)
        return GetInterface<IMediaTypeConfig>(this, ppv);
    return CBaseFilter::QueryOtherInterface(iid, ppv);
}

HRESULT CNullVideoSink::SetMediaType(const Guid& majorType, const Guid& subtype)
{
    if (majorType != MEDIATYPE_Video && majorType != GUID_NULL)
        return E_INVALIDARG;
    std::lock_guard stateLock(m_stateLock);
    if (GetPin(0)->IsConnected())
        return VFW_E_ALREADY_CONNECTED;
    std::lock_guard lock(m_typeLock);
    m_subtype = subtype;
    return S_OK;
}

bool CNullVideoSink::Accepts(const CMediaType& type)
{
    std::lock_guard lock(m_typeLock);
    return type.majortype == MEDIATYPE_Video && (m_subtype == GUID_NULL || type.subtype == m_subtype);
}

} // namespace vidlume
