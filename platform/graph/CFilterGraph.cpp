#include "CFilterGraph.h"

#include "CEnumerator.h"
#include "platform/com/CClassRegistry.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <functional>
#include <map>

namespace vidlume {

namespace {

    constexpr int kMaxChainLength = 5; // filters intelligent connect may put between two pins

    ComPtr<IBaseFilter> FilterOf(IPin* pin)
    {
        PIN_INFO info;
        if (!pin || FAILED(pin->QueryPinInfo(&info)) || !info.pFilter)
            return nullptr;
        return ComPtr<IBaseFilter>(info.pFilter);
    }

    std::vector<ComPtr<IPin>> PinsOf(IBaseFilter* filter, PIN_DIRECTION wanted)
    {
        std::vector<ComPtr<IPin>> pins;
        ComPtr<IEnumPins> e;
        if (FAILED(filter->EnumPins(e.ReleaseAndGetAddressOf())))
            return pins;
        IPin* pin = nullptr;
        while (e->Next(1, &pin, nullptr) == S_OK) {
            ComPtr<IPin> owned;
            owned.Attach(pin);
            PIN_DIRECTION dir;
            if (SUCCEEDED(owned->QueryDirection(&dir)) && dir == wanted)
                pins.push_back(owned);
        }
        return pins;
    }

    std::vector<CMediaType> TypesOf(IPin* pin)
    {
        std::vector<CMediaType> types;
        ComPtr<IEnumMediaTypes> e;
        if (FAILED(pin->EnumMediaTypes(e.ReleaseAndGetAddressOf())))
            return types;
        CMediaType mt;
        while (e->Next(1, &mt, nullptr) == S_OK)
            types.push_back(mt);
        return types;
    }

    bool IsRenderer(IBaseFilter* filter)
    {
        if (!PinsOf(filter, PINDIR_OUTPUT).empty())
            return false;
        for (auto& pin : PinsOf(filter, PINDIR_INPUT)) {
            ComPtr<IPin> peer;
            if (SUCCEEDED(pin->ConnectedTo(peer.ReleaseAndGetAddressOf())))
                return true;
        }
        return false;
    }

} // namespace

CFilterGraph::CFilterGraph() = default;

CFilterGraph::~CFilterGraph()
{
    StopNow();
    for (auto& entry : m_filters) {
        for (auto dir : { PINDIR_INPUT, PINDIR_OUTPUT })
            for (auto& pin : PinsOf(entry.filter.Get(), dir))
                pin->Disconnect();
        entry.filter->JoinFilterGraph(nullptr, {});
    }
}

void CFilterGraph::Register()
{
    CClassRegistry::Instance().Register({ CLSID_FilterGraph, "Filter Graph", {}, 0, [](REFIID iid, void** ppv) -> HRESULT {
                                             ComPtr<CFilterGraph> graph(new CFilterGraph());
                                             return graph->QueryInterface(iid, ppv);
                                         } });
}

bool CFilterGraph::Contains(IBaseFilter* filter) const
{
    return std::any_of(m_filters.begin(), m_filters.end(), [&](const Entry& e) { return IsSameObject(e.filter.Get(), filter); });
}

bool CFilterGraph::OwnsPin(IPin* pin) const
{
    ComPtr<IBaseFilter> filter = FilterOf(pin);
    return filter && Contains(filter.Get());
}

HRESULT CFilterGraph::AddFilter(IBaseFilter* filter, const std::string& name)
{
    if (!filter)
        return E_POINTER;
    if (Contains(filter))
        return VFW_E_DUPLICATE_NAME;
    std::string unique = name.empty() ? "Filter" : name;
    auto taken = [&](const std::string& n) {
        return std::any_of(m_filters.begin(), m_filters.end(), [&](const Entry& e) { return e.name == n; });
    };
    if (name.empty() || taken(unique)) {
        std::string base = unique;
        do
            unique = base + " " + std::to_string(++m_nameCounter);
        while (taken(unique));
    }
    HRESULT hr = filter->JoinFilterGraph(static_cast<IGraphBuilder*>(this), unique);
    if (FAILED(hr))
        return hr;
    m_filters.push_back({ ComPtr<IBaseFilter>(filter), unique });
    return name.empty() || unique == name ? S_OK : S_FALSE;
}

HRESULT CFilterGraph::RemoveFilter(IBaseFilter* filter)
{
    auto it = std::find_if(m_filters.begin(), m_filters.end(), [&](const Entry& e) { return IsSameObject(e.filter.Get(), filter); });
    if (it == m_filters.end())
        return VFW_E_NOT_FOUND;
    if (m_state != State_Stopped)
        return VFW_E_NOT_STOPPED;
    ComPtr<IBaseFilter> keep = it->filter;
    for (auto dir : { PINDIR_INPUT, PINDIR_OUTPUT }) {
        for (auto& pin : PinsOf(keep.Get(), dir)) {
            ComPtr<IPin> peer;
            if (SUCCEEDED(pin->ConnectedTo(peer.ReleaseAndGetAddressOf())))
                peer->Disconnect();
            pin->Disconnect();
        }
    }
    keep->JoinFilterGraph(nullptr, {});
    m_filters.erase(it);
    return S_OK;
}

HRESULT CFilterGraph::EnumFilters(IEnumFilters** filters)
{
    if (!filters)
        return E_POINTER;
    std::vector<ComPtr<IBaseFilter>> items;
    for (auto& e : m_filters)
        items.push_back(e.filter);
    auto e = MakeComObject<CEnumerator<IEnumFilters, IBaseFilter*, ComPtr<IBaseFilter>>>(std::move(items));
    *filters = e.Detach();
    return *filters ? S_OK : E_OUTOFMEMORY;
}

HRESULT CFilterGraph::FindFilterByName(const std::string& name, IBaseFilter** filter)
{
    if (!filter)
        return E_POINTER;
    *filter = nullptr;
    for (auto& e : m_filters)
        if (e.name == name)
            return e.filter.CopyTo(filter);
    return VFW_E_NOT_FOUND;
}

HRESULT CFilterGraph::ConnectDirect(IPin* out, IPin* in, const CMediaType* type)
{
    if (!out || !in)
        return E_POINTER;
    if (!OwnsPin(out) || !OwnsPin(in))
        return VFW_E_NOT_IN_GRAPH;
    if (m_state != State_Stopped)
        return VFW_E_NOT_STOPPED;
    return out->Connect(in, type);
}

HRESULT CFilterGraph::Disconnect(IPin* pin)
{
    if (!pin)
        return E_POINTER;
    if (m_state != State_Stopped)
        return VFW_E_NOT_STOPPED;
    return pin->Disconnect();
}

std::vector<CLSID> CFilterGraph::CandidatesFor(IPin* out) const
{
    const std::vector<CMediaType> types = TypesOf(out);
    std::vector<CLSID> candidates;
    auto add = [&](const CLSID& clsid) {
        if (std::find(candidates.begin(), candidates.end(), clsid) == candidates.end())
            candidates.push_back(clsid);
    };
    // The decoder preference component's choices come first.
    ComPtr<IDecoderPreferences> preferences;
    if (SUCCEEDED(CoCreateInstance(CLSID_DecoderPreferences, &preferences))) {
        for (const CMediaType& mt : types) {
            CLSID preferred;
            if (preferences->GetPreferredDecoder(mt.subtype, &preferred) == S_OK && CClassRegistry::Instance().Find(preferred))
                add(preferred);
        }
    }
    auto accepts = [&](const CClassRegistry::ClassInfo& info) {
        for (const CMediaType& mt : types)
            for (const auto& [major, sub] : info.inputTypes)
                if ((major == GUID_NULL || major == mt.majortype) && (sub == GUID_NULL || sub == mt.subtype))
                    return true;
        return false;
    };
    for (const Guid& category : { CATEGORY_Parsers, CATEGORY_Decoders, CATEGORY_Converters })
        for (const auto& info : CClassRegistry::Instance().EnumerateCategory(category))
            if (accepts(info))
                add(info.clsid);
    return candidates;
}

HRESULT CFilterGraph::ConnectThrough(IPin* out, IPin* in, int depth, std::set<CLSID>& tried)
{
    if (SUCCEEDED(out->Connect(in, nullptr)))
        return S_OK;
    if (depth >= kMaxChainLength)
        return VFW_E_CANNOT_CONNECT;
    for (const CLSID& clsid : CandidatesFor(out)) {
        // A class already in the chain being built would only loop.
        if (tried.count(clsid))
            continue;
        ComPtr<IBaseFilter> filter;
        if (FAILED(CoCreateInstance(clsid, &filter)))
            continue;
        auto info = CClassRegistry::Instance().Find(clsid);
        if (FAILED(AddFilter(filter.Get(), info ? info->name : std::string())))
            continue;
        bool entered = false;
        for (auto& filterIn : PinsOf(filter.Get(), PINDIR_INPUT)) {
            if (SUCCEEDED(out->Connect(filterIn.Get(), nullptr))) {
                entered = true;
                break;
            }
        }
        if (entered) {
            tried.insert(clsid);
            for (auto& filterOut : PinsOf(filter.Get(), PINDIR_OUTPUT)) {
                if (SUCCEEDED(ConnectThrough(filterOut.Get(), in, depth + 1, tried))) {
                    tried.erase(clsid);
                    return S_OK;
                }
            }
            tried.erase(clsid);
        }
        RemoveFilter(filter.Get());
    }
    return VFW_E_CANNOT_CONNECT;
}

HRESULT CFilterGraph::Connect(IPin* out, IPin* in)
{
    if (!out || !in)
        return E_POINTER;
    if (!OwnsPin(out) || !OwnsPin(in))
        return VFW_E_NOT_IN_GRAPH;
    if (m_state != State_Stopped)
        return VFW_E_NOT_STOPPED;
    PIN_DIRECTION dir;
    if (FAILED(out->QueryDirection(&dir)) || dir != PINDIR_OUTPUT || FAILED(in->QueryDirection(&dir)) || dir != PINDIR_INPUT)
        return VFW_E_INVALID_DIRECTION;
    ComPtr<IPin> peer;
    if (SUCCEEDED(out->ConnectedTo(peer.ReleaseAndGetAddressOf())) || SUCCEEDED(in->ConnectedTo(peer.ReleaseAndGetAddressOf())))
        return VFW_E_ALREADY_CONNECTED;
    std::set<CLSID> tried;
    return ConnectThrough(out, in, 0, tried);
}

HRESULT CFilterGraph::AddSourceFilter(const std::string& path, const std::string& name, IBaseFilter** filter)
{
    if (!filter)
        return E_POINTER;
    *filter = nullptr;
    if (path.empty())
        return E_INVALIDARG;
    auto startsWith = [&](const char* prefix) {
        size_t n = std::char_traits<char>::length(prefix);
        if (path.size() < n)
            return false;
        for (size_t i = 0; i < n; ++i)
            if (std::tolower(static_cast<unsigned char>(path[i])) != prefix[i])
                return false;
        return true;
    };
    const CLSID clsid = startsWith("http://") || startsWith("https://") ? CLSID_NetworkSource : CLSID_AsyncReader;
    ComPtr<IBaseFilter> source;
    HRESULT hr = CoCreateInstance(clsid, &source);
    if (FAILED(hr))
        return hr;
    ComPtr<IFileSourceFilter> load;
    if (FAILED(source.As(&load)))
        return E_FAIL;
    hr = load->Load(path, nullptr);
    if (FAILED(hr))
        return hr;
    hr = AddFilter(source.Get(), name.empty() ? path : name);
    if (FAILED(hr))
        return hr;
    *filter = source.Detach();
    return S_OK;
}

std::vector<ComPtr<IBaseFilter>> CFilterGraph::DownstreamFirst() const
{
    // Depth of a filter = length of the longest path from it to a filter without connected
    // outputs; stopping or starting in increasing depth goes from the renderers up to the sources.
    std::map<IBaseFilter*, int> depth;
    std::function<int(IBaseFilter*, int)> measure = [&](IBaseFilter* f, int guard) -> int {
        auto it = depth.find(f);
        if (it != depth.end())
            return it->second;
        int d = 0;
        if (guard < 64) {
            for (auto& pin : PinsOf(f, PINDIR_OUTPUT)) {
                ComPtr<IPin> peer;
                if (FAILED(pin->ConnectedTo(peer.ReleaseAndGetAddressOf())))
                    continue;
                if (ComPtr<IBaseFilter> next = FilterOf(peer.Get()))
                    d = std::max(d, 1 + measure(next.Get(), guard + 1));
            }
        }
        depth[f] = d;
        return d;
    };
    std::vector<std::pair<int, ComPtr<IBaseFilter>>> order;
    for (auto& e : m_filters)
        order.emplace_back(measure(e.filter.Get(), 0), e.filter);
    std::stable_sort(order.begin(), order.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<ComPtr<IBaseFilter>> result;
    for (auto& [d, f] : order)
        result.push_back(f);
    return result;
}

HRESULT CFilterGraph::ChangeState(FILTER_STATE target)
{
    StopIfAborted();
    if (m_state == target)
        return S_OK;
    if (m_state == State_Stopped) {
        std::lock_guard lock(m_eventLock);
        m_events.clear();
        m_completedRenderers.clear();
        m_completeQueued = false;
        m_abortPending = false;
        m_stopping = false;
        m_expectedRenderers = 0;
        for (auto& e : m_filters)
            if (IsRenderer(e.filter.Get()))
                ++m_expectedRenderers;
    }
    for (auto& filter : DownstreamFirst()) {
        filter->SetSyncSource(m_clock.Get());
        HRESULT hr = target == State_Running ? filter->Run(0) : filter->Pause();
        if (FAILED(hr)) {
            StopNow();
            return hr;
        }
    }
    m_state = target;
    std::lock_guard lock(m_eventLock);
    if (m_expectedRenderers == 0 && !m_completeQueued) {
        m_completeQueued = true;
        m_events.push_back({ EC_COMPLETE, S_OK, 0 });
        m_eventReady.notify_all();
    }
    return S_OK;
}

HRESULT CFilterGraph::Run()
{
    return ChangeState(State_Running);
}

HRESULT CFilterGraph::Run(REFERENCE_TIME)
{
    return ChangeState(State_Running);
}

HRESULT CFilterGraph::Pause()
{
    return ChangeState(State_Paused);
}

HRESULT CFilterGraph::StopNow()
{
    {
        std::lock_guard lock(m_eventLock);
        m_stopping = true;
    }
    for (auto& filter : DownstreamFirst())
        filter->Stop();
    m_state = State_Stopped;
    std::lock_guard lock(m_eventLock);
    m_stopping = false;
    m_abortPending = false;
    return S_OK;
}

void CFilterGraph::StopIfAborted()
{
    bool abort;
    {
        std::lock_guard lock(m_eventLock);
        abort = m_abortPending;
    }
    if (abort)
        StopNow();
}

HRESULT CFilterGraph::Stop()
{
    return StopNow();
}

HRESULT CFilterGraph::StopWhenReady()
{
    // Every filter finishes the sample it is working on before it stops; what reached the
    // writers stays written.
    return StopNow();
}

HRESULT CFilterGraph::GetState(long, FILTER_STATE* state)
{
    if (!state)
        return E_POINTER;
    StopIfAborted();
    *state = m_state;
    return S_OK;
}

HRESULT CFilterGraph::GetState(uint32_t msTimeout, FILTER_STATE* state)
{
    return GetState(long(msTimeout), state);
}

void CFilterGraph::Queue(long code, intptr_t param1, intptr_t param2)
{
    m_events.push_back({ code, param1, param2 });
    m_eventReady.notify_all();
}

HRESULT CFilterGraph::Notify(long code, intptr_t param1, intptr_t param2)
{
    std::lock_guard lock(m_eventLock);
    if (m_stopping)
        return S_FALSE; // what filters report while being stopped is a consequence of the stop
    switch (code) {
    case EC_COMPLETE:
        m_completedRenderers.insert(param2);
        if (!m_completeQueued && m_completedRenderers.size() >= m_expectedRenderers) {
            m_completeQueued = true;
            Queue(EC_COMPLETE, S_OK, 0);
        }
        break;
    case EC_ERRORABORT:
        if (!m_abortPending) {
            m_abortPending = true;
            Queue(EC_ERRORABORT, param1, 0);
        }
        break;
    default:
        Queue(code, param1, param2);
    }
    return S_OK;
}

HRESULT CFilterGraph::GetEvent(long* code, intptr_t* param1, intptr_t* param2, long msTimeout)
{
    if (!code || !param1 || !param2)
        return E_POINTER;
    std::unique_lock lock(m_eventLock);
    auto ready = [&] { return !m_events.empty(); };
    if (msTimeout < 0)
        m_eventReady.wait(lock, ready);
    else if (!m_eventReady.wait_for(lock, std::chrono::milliseconds(msTimeout), ready))
        return E_ABORT;
    Event e = m_events.front();
    m_events.pop_front();
    *code = e.code;
    *param1 = e.param1;
    *param2 = e.param2;
    return S_OK;
}

HRESULT CFilterGraph::FreeEventParams(long, intptr_t, intptr_t)
{
    return S_OK; // event parameters are plain values
}

HRESULT CFilterGraph::WaitForCompletion(long msTimeout, long* code)
{
    if (!code)
        return E_POINTER;
    std::unique_lock lock(m_eventLock);
    auto ending = [&] {
        return std::any_of(m_events.begin(), m_events.end(), [](const Event& e) {
            return e.code == EC_COMPLETE || e.code == EC_ERRORABORT || e.code == EC_USERABORT;
        });
    };
    if (msTimeout < 0)
        m_eventReady.wait(lock, ending);
    else if (!m_eventReady.wait_for(lock, std::chrono::milliseconds(msTimeout), ending))
        return E_ABORT;
    for (auto it = m_events.begin(); it != m_events.end(); ++it) {
        if (it->code == EC_COMPLETE || it->code == EC_ERRORABORT || it->code == EC_USERABORT) {
            *code = it->code;
            m_events.erase(it);
            break;
        }
    }
    return S_OK;
}

std::vector<ComPtr<IMediaSeeking>> CFilterGraph::SeekingPins() const
{
    std::vector<ComPtr<IMediaSeeking>> result;
    for (auto& e : m_filters) {
        for (auto& pin : PinsOf(e.filter.Get(), PINDIR_OUTPUT)) {
            ComPtr<IMediaSeeking> seeking;
            if (SUCCEEDED(pin.As(&seeking)))
                result.push_back(seeking);
        }
    }
    return result;
}

HRESULT CFilterGraph::GetCapabilities(uint32_t* capabilities)
{
    if (!capabilities)
        return E_POINTER;
    *capabilities = 0;
    auto pins = SeekingPins();
    if (pins.empty())
        return E_NOINTERFACE;
    uint32_t all = ~0u;
    for (auto& s : pins) {
        uint32_t c = 0;
        if (SUCCEEDED(s->GetCapabilities(&c)))
            all &= c;
    }
    *capabilities = all;
    return S_OK;
}

HRESULT CFilterGraph::CheckCapabilities(uint32_t* capabilities)
{
    if (!capabilities)
        return E_POINTER;
    uint32_t have = 0;
    HRESULT hr = GetCapabilities(&have);
    if (FAILED(hr))
        return hr;
    uint32_t wanted = *capabilities;
    *capabilities &= have;
    return *capabilities == wanted ? S_OK : *capabilities ? S_FALSE : E_FAIL;
}

HRESULT CFilterGraph::GetDuration(REFERENCE_TIME* duration)
{
    if (!duration)
        return E_POINTER;
    HRESULT result = E_NOINTERFACE;
    REFERENCE_TIME longest = 0;
    for (auto& s : SeekingPins()) {
        REFERENCE_TIME d = 0;
        if (SUCCEEDED(s->GetDuration(&d))) {
            longest = std::max(longest, d);
            result = S_OK;
        }
    }
    *duration = longest;
    return result;
}

HRESULT CFilterGraph::GetStopPosition(REFERENCE_TIME* stop)
{
    if (!stop)
        return E_POINTER;
    for (auto& s : SeekingPins())
        if (SUCCEEDED(s->GetStopPosition(stop)))
            return S_OK;
    return E_NOINTERFACE;
}

HRESULT CFilterGraph::GetCurrentPosition(REFERENCE_TIME* current)
{
    if (!current)
        return E_POINTER;
    // The slowest stream tells how far the conversion has come.
    HRESULT result = E_NOINTERFACE;
    REFERENCE_TIME least = INT64_MAX;
    for (auto& s : SeekingPins()) {
        REFERENCE_TIME c = 0;
        if (SUCCEEDED(s->GetCurrentPosition(&c))) {
            least = std::min(least, c);
            result = S_OK;
        }
    }
    *current = SUCCEEDED(result) ? least : 0;
    return result;
}

HRESULT CFilterGraph::SetPositions(REFERENCE_TIME* current, uint32_t currentFlags, REFERENCE_TIME* stop, uint32_t stopFlags)
{
    HRESULT result = E_NOINTERFACE;
    for (auto& s : SeekingPins()) {
        REFERENCE_TIME c = current ? *current : 0, t = stop ? *stop : 0;
        HRESULT hr = s->SetPositions(current ? &c : nullptr, currentFlags, stop ? &t : nullptr, stopFlags);
        if (SUCCEEDED(hr))
            result = S_OK;
    }
    return result;
}

HRESULT CFilterGraph::GetPositions(REFERENCE_TIME* current, REFERENCE_TIME* stop)
{
    HRESULT hr = S_OK;
    if (current)
        hr = GetCurrentPosition(current);
    if (stop && SUCCEEDED(hr))
        hr = GetStopPosition(stop);
    return hr;
}

HRESULT CFilterGraph::GetClassID(CLSID* clsid)
{
    if (!clsid)
        return E_POINTER;
    *clsid = CLSID_FilterGraph;
    return S_OK;
}

HRESULT CFilterGraph::SetSyncSource(IReferenceClock* clock)
{
    m_clock = clock;
    return S_OK;
}

HRESULT CFilterGraph::GetSyncSource(IReferenceClock** clock)
{
    if (!clock)
        return E_POINTER;
    return m_clock.CopyTo(clock);
}

} // namespace vidlume
