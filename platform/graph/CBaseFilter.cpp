#include "CBaseFilter.h"

#include "CBaseInputPin.h"
#include "CBasePin.h"
#include "CEnumerator.h"

#include <algorithm>

namespace vidlume {

PIN_INFO::~PIN_INFO()
{
    if (pFilter)
        pFilter->Release();
}

FILTER_INFO::~FILTER_INFO()
{
    if (pGraph)
        pGraph->Release();
}

CBaseFilter::CBaseFilter(const CLSID& clsid) : m_clsid(clsid) { }

CBaseFilter::~CBaseFilter() = default;

CBasePin* CBaseFilter::AddPin(std::unique_ptr<CBasePin> pin)
{
    m_pins.push_back(std::move(pin));
    return m_pins.back().get();
}

void CBaseFilter::RemovePin(CBasePin* pin)
{
    auto it = std::find_if(m_pins.begin(), m_pins.end(), [&](const auto& p) { return p.get() == pin; });
    if (it == m_pins.end())
        return;
    ComPtr<IPin> peer;
    if (SUCCEEDED(pin->ConnectedTo(peer.ReleaseAndGetAddressOf())))
        peer->Disconnect();
    pin->Disconnect();
    m_pins.erase(it);
}

HRESULT CBaseFilter::GetClassID(CLSID* clsid)
{
    if (!clsid)
        return E_POINTER;
    *clsid = m_clsid;
    return S_OK;
}

HRESULT CBaseFilter::Start(FILTER_STATE target)
{
    std::lock_guard lock(m_stateLock);
    if (m_state.load() == State_Stopped) {
        m_errorReported.store(false);
        for (auto& pin : m_pins) {
            pin->SetFlushing(false);
            if (pin->Direction() == PINDIR_INPUT)
                static_cast<CBaseInputPin*>(pin.get())->ResetEndOfStream();
        }
        // Set the state first: a streaming thread started by OnStart checks it.
        m_state.store(target);
        HRESULT hr = OnStart();
        if (FAILED(hr)) {
            m_state.store(State_Stopped);
            return hr;
        }
        return S_OK;
    }
    m_state.store(target);
    return S_OK;
}

HRESULT CBaseFilter::Pause()
{
    return Start(State_Paused);
}

HRESULT CBaseFilter::Run(REFERENCE_TIME)
{
    return Start(State_Running);
}

HRESULT CBaseFilter::Stop()
{
    if (m_state.load() == State_Stopped)
        return S_OK;
    for (auto& pin : m_pins)
        pin->SetFlushing(true);
    for (auto& pin : m_pins)
        pin->WaitForIdle();
    OnStop();
    std::lock_guard lock(m_stateLock);
    m_state.store(State_Stopped);
    return S_OK;
}

HRESULT CBaseFilter::GetState(uint32_t, FILTER_STATE* state)
{
    if (!state)
        return E_POINTER;
    *state = m_state.load();
    return S_OK;
}

HRESULT CBaseFilter::SetSyncSource(IReferenceClock* clock)
{
    std::lock_guard lock(m_stateLock);
    m_clock = clock;
    return S_OK;
}

HRESULT CBaseFilter::GetSyncSource(IReferenceClock** clock)
{
    if (!clock)
        return E_POINTER;
    std::lock_guard lock(m_stateLock);
    return m_clock.CopyTo(clock);
}

HRESULT CBaseFilter::EnumPins(IEnumPins** pins)
{
    if (!pins)
        return E_POINTER;
    std::vector<ComPtr<IPin>> items;
    for (auto& pin : m_pins)
        items.emplace_back(pin.get());
    auto e = MakeComObject<CEnumerator<IEnumPins, IPin*, ComPtr<IPin>>>(std::move(items));
    *pins = e.Detach();
    return *pins ? S_OK : E_OUTOFMEMORY;
}

HRESULT CBaseFilter::FindPin(const std::string& id, IPin** pin)
{
    if (!pin)
        return E_POINTER;
    *pin = nullptr;
    for (auto& p : m_pins) {
        if (p->Id() == id) {
            *pin = p.get();
            p->AddRef();
            return S_OK;
        }
    }
    return VFW_E_NOT_FOUND;
}

HRESULT CBaseFilter::QueryFilterInfo(FILTER_INFO* info)
{
    if (!info)
        return E_POINTER;
    info->achName = m_name;
    info->pGraph = m_graph;
    if (m_graph)
        m_graph->AddRef();
    return S_OK;
}

HRESULT CBaseFilter::JoinFilterGraph(IFilterGraph* graph, const std::string& name)
{
    std::lock_guard lock(m_stateLock);
    m_graph = graph;
    m_name = graph ? name : std::string();
    m_events = nullptr;
    if (graph) {
        // The graph outlives our membership in it, so no reference is kept.
        void* pv = nullptr;
        if (SUCCEEDED(graph->QueryInterface(IMediaEventSink::kIid, &pv))) {
            m_events = static_cast<IMediaEventSink*>(pv);
            m_events->Release();
        }
    }
    return S_OK;
}

void CBaseFilter::NotifyEvent(long code, intptr_t param1, intptr_t param2)
{
    if (IMediaEventSink* events = m_events)
        events->Notify(code, param1, param2);
}

void CBaseFilter::ReportError(HRESULT hr)
{
    if (!m_errorReported.exchange(true))
        NotifyEvent(EC_ERRORABORT, hr, reinterpret_cast<intptr_t>(static_cast<IBaseFilter*>(this)));
}

void CBaseFilter::OnAllInputsEnded()
{
    for (auto& pin : m_pins)
        if (pin->Direction() == PINDIR_OUTPUT)
            return;
    NotifyEvent(EC_COMPLETE, S_OK, reinterpret_cast<intptr_t>(static_cast<IBaseFilter*>(this)));
}

} // namespace vidlume
