#pragma once
// The graph manager (CLSID_FilterGraph): holds the filters of one conversion, connects them -
// directly or through decoders, parsers and converters from the class registry - runs and stops
// them, and turns what the filters report into events for its owner.
//
// Control (Run, Stop, GetState, GetEvent ...) belongs to the thread that owns the graph. Filters
// report through IMediaEventSink from their streaming threads. When a filter reports an error
// (EC_ERRORABORT) the graph stops itself at the next control call of its owner, so a failed
// conversion never keeps running and its threads are joined.

#include "platform/com/CComObject.h"
#include "platform/graph/FilterAuthoring.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <set>
#include <vector>

namespace vidlume {

class CFilterGraph final : public CComObject<IGraphBuilder, IMediaControl, IMediaEvent, IMediaEventSink, IMediaSeeking, IMediaFilter> {
public:
    CFilterGraph();
    ~CFilterGraph() override;

    // Registers CLSID_FilterGraph with the class registry.
    static void Register();

    // IFilterGraph / IGraphBuilder
    HRESULT AddFilter(IBaseFilter* filter, const std::string& name) override;
    HRESULT RemoveFilter(IBaseFilter* filter) override;
    HRESULT EnumFilters(IEnumFilters** filters) override;
    HRESULT FindFilterByName(const std::string& name, IBaseFilter** filter) override;
    HRESULT ConnectDirect(IPin* out, IPin* in, const CMediaType* type) override;
    HRESULT Disconnect(IPin* pin) override;
    HRESULT Connect(IPin* out, IPin* in) override;
    HRESULT AddSourceFilter(const std::string& path, const std::string& name, IBaseFilter** filter) override;

    // IMediaControl (Stop and Pause also serve IMediaFilter)
    HRESULT Run() override;
    HRESULT Pause() override;
    HRESULT Stop() override;
    HRESULT StopWhenReady() override;
    HRESULT GetState(long msTimeout, FILTER_STATE* state) override;

    // IMediaEvent
    HRESULT GetEvent(long* code, intptr_t* param1, intptr_t* param2, long msTimeout) override;
    HRESULT FreeEventParams(long code, intptr_t param1, intptr_t param2) override;
    HRESULT WaitForCompletion(long msTimeout, long* code) override;

    // IMediaEventSink
    HRESULT Notify(long code, intptr_t param1, intptr_t param2) override;

    // IMediaSeeking: answered by the pins of the graph that can seek.
    HRESULT GetCapabilities(uint32_t* capabilities) override;
    HRESULT CheckCapabilities(uint32_t* capabilities) override;
    HRESULT GetDuration(REFERENCE_TIME* duration) override;
    HRESULT GetStopPosition(REFERENCE_TIME* stop) override;
    HRESULT GetCurrentPosition(REFERENCE_TIME* current) override;
    HRESULT SetPositions(REFERENCE_TIME* current, uint32_t currentFlags, REFERENCE_TIME* stop, uint32_t stopFlags) override;
    HRESULT GetPositions(REFERENCE_TIME* current, REFERENCE_TIME* stop) override;

    // IMediaFilter
    HRESULT GetClassID(CLSID* clsid) override;
    HRESULT Run(REFERENCE_TIME start) override;
    HRESULT GetState(uint32_t msTimeout, FILTER_STATE* state) override;
    HRESULT SetSyncSource(IReferenceClock* clock) override;
    HRESULT GetSyncSource(IReferenceClock** clock) override;

private:
    struct Event {
        long code;
        intptr_t param1;
        intptr_t param2;
    };

    HRESULT ChangeState(FILTER_STATE target);
    HRESULT StopNow();
    void StopIfAborted();
    bool Contains(IBaseFilter* filter) const;
    bool OwnsPin(IPin* pin) const;
    HRESULT ConnectThrough(IPin* out, IPin* in, int depth, std::set<CLSID>& tried);
    std::vector<CLSID> CandidatesFor(IPin* out) const;
    std::vector<ComPtr<IBaseFilter>> DownstreamFirst() const;
    std::vector<ComPtr<IMediaSeeking>> SeekingPins() const;
    void Queue(long code, intptr_t param1, intptr_t param2);

    struct Entry {
        ComPtr<IBaseFilter> filter;
        std::string name;
    };
    std::vector<Entry> m_filters;
    FILTER_STATE m_state = State_Stopped;
    ComPtr<IReferenceClock> m_clock;
    int m_nameCounter = 0;

    std::mutex m_eventLock;
    std::condition_variable m_eventReady;
    std::deque<Event> m_events;
    std::set<intptr_t> m_completedRenderers;
    size_t m_expectedRenderers = 0;
    bool m_completeQueued = false;
    bool m_abortPending = false;
    bool m_stopping = false;
};

} // namespace vidlume
