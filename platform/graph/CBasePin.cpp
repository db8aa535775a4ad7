#include "CBasePin.h"

#include "CBaseFilter.h"
#include "CEnumerator.h"

#include <vector>

namespace vidlume {

CBasePin::CBasePin(CBaseFilter* filter, PIN_DIRECTION direction, std::string id)
    : m_filter(filter)
    , m_direction(direction)
    , m_id(std::move(id))
{
}

CBasePin::~CBasePin() = default;

HRESULT CBasePin::QueryInterface(REFIID iid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (iid == IUnknown::kIid || iid == IPin::kIid)
        return GetInterface<IPin>(this, ppv);
    return QueryPinInterface(iid, ppv);
}

ULONG CBasePin::AddRef()
{
    return m_filter->AddRef();
}

ULONG CBasePin::Release()
{
    return m_filter->Release();
}

HRESULT CBasePin::QueryPinInterface(REFIID, void**)
{
    return E_NOINTERFACE;
}

HRESULT CBasePin::GetMediaType(int, CMediaType*)
{
    return S_FALSE;
}

HRESULT CBasePin::CompleteConnect(IPin*)
{
    return S_OK;
}

HRESULT CBasePin::AttemptConnection(IPin* receivePin, const CMediaType& type)
{
    if (CheckMediaType(type) != S_OK)
        return VFW_E_TYPE_NOT_ACCEPTED;
    HRESULT hr = receivePin->ReceiveConnection(this, type);
    if (FAILED(hr))
        return hr;
    m_connected = receivePin;
    m_type = type;
    hr = CompleteConnect(receivePin);
    if (FAILED(hr)) {
        receivePin->Disconnect();
        BreakConnect();
        m_connected.Reset();
        m_type = CMediaType();
    }
    return hr;
}

HRESULT CBasePin::Connect(IPin* receivePin, const CMediaType* type)
{
    if (!receivePin)
        return E_POINTER;
    if (m_direction != PINDIR_OUTPUT)
        return VFW_E_INVALID_DIRECTION;
    PIN_DIRECTION peerDir;
    if (FAILED(receivePin->QueryDirection(&peerDir)) || peerDir != PINDIR_INPUT)
        return VFW_E_INVALID_DIRECTION;
    std::lock_guard lock(m_filter->m_stateLock);
    if (m_connected)
        return VFW_E_ALREADY_CONNECTED;
    if (!m_filter->IsStopped())
        return VFW_E_NOT_STOPPED;

    // A complete type is tried as it is; a partial one (or none) filters the candidates.
    if (type && type->majortype != GUID_NULL && type->subtype != GUID_NULL && type->formattype != FORMAT_None)
        return AttemptConnection(receivePin, *type);

    std::vector<CMediaType> candidates;
    CMediaType mt;
    for (int i = 0; GetMediaType(i, &mt) == S_OK; ++i)
        candidates.push_back(mt);
    ComPtr<IEnumMediaTypes> peerTypes;
    if (SUCCEEDED(receivePin->EnumMediaTypes(peerTypes.ReleaseAndGetAddressOf()))) {
        ULONG got = 0;
        while (peerTypes->Next(1, &mt, &got) == S_OK && got == 1)
            candidates.push_back(mt);
    }
    HRESULT last = VFW_E_NO_ACCEPTABLE_TYPES;
    for (const CMediaType& candidate : candidates) {
        if (type && !candidate.MatchesPartial(*type))
            continue;
        HRESULT hr = AttemptConnection(receivePin, candidate);
        if (SUCCEEDED(hr))
            return hr;
        if (hr != VFW_E_TYPE_NOT_ACCEPTED)
            last = hr;
    }
    return last;
}

HRESULT CBasePin::ReceiveConnection(IPin* connector, const CMediaType& type)
{
    if (!connector)
        return E_POINTER;
    if (m_direction != PINDIR_INPUT)
        return VFW_E_INVALID_DIRECTION;
    // The connecting side holds its own filter's lock; ours is a different filter.
    std::lock_guard lock(m_filter->m_stateLock);
    if (m_connected)
        return VFW_E_ALREADY_CONNECTED;
    if (!m_filter->IsStopped())
        return VFW_E_NOT_STOPPED;
    if (CheckMediaType(type) != S_OK)
        return VFW_E_TYPE_NOT_ACCEPTED;
    m_connected = connector;
    m_type = type;
    HRESULT hr = CompleteConnect(connector);
    if (FAILED(hr)) {
        BreakConnect();
        m_connected.Reset();
        m_type = CMediaType();
    }
    return hr;
}

HRESULT CBasePin::Disconnect()
{
    if (!m_connected)
        return S_FALSE;
    if (!m_filter->IsStopped())
        return VFW_E_NOT_STOPPED;
    BreakConnect();
    m_connected.Reset();
    m_type = CMediaType();
    return S_OK;
}

HRESULT CBasePin::ConnectedTo(IPin** pin)
{
    if (!pin)
        return E_POINTER;
    *pin = nullptr;
    if (!m_connected)
        return VFW_E_NOT_CONNECTED;
    return m_connected.CopyTo(pin);
}

HRESULT CBasePin::ConnectionMediaType(CMediaType* type)
{
    if (!type)
        return E_POINTER;
    if (!m_connected) {
        *type = CMediaType();
        return VFW_E_NOT_CONNECTED;
    }
    *type = m_type;
    return S_OK;
}

HRESULT CBasePin::QueryPinInfo(PIN_INFO* info)
{
    if (!info)
        return E_POINTER;
    info->pFilter = m_filter;
    m_filter->AddRef();
    info->dir = m_direction;
    info->achName = m_id;
    return S_OK;
}

HRESULT CBasePin::QueryDirection(PIN_DIRECTION* dir)
{
    if (!dir)
        return E_POINTER;
    *dir = m_direction;
    return S_OK;
}

HRESULT CBasePin::QueryId(std::string* id)
{
    if (!id)
        return E_POINTER;
    *id = m_id;
    return S_OK;
}

HRESULT CBasePin::QueryAccept(const CMediaType& type)
{
    return CheckMediaType(type) == S_OK ? S_OK : S_FALSE;
}

HRESULT CBasePin::EnumMediaTypes(IEnumMediaTypes** types)
{
    if (!types)
        return E_POINTER;
    std::vector<CMediaType> items;
    CMediaType mt;
    for (int i = 0; GetMediaType(i, &mt) == S_OK; ++i)
        items.push_back(mt);
    auto e = MakeComObject<CEnumerator<IEnumMediaTypes, CMediaType, CMediaType>>(std::move(items));
    *types = e.Detach();
    return *types ? S_OK : E_OUTOFMEMORY;
}

} // namespace vidlume
