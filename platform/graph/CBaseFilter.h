#pragma once
// Base of every filter: pins, state, the graph it belongs to, and event reporting.
//
// A concrete filter creates its pins in its constructor, implements OnStart/OnStop for its
// resources and streaming thread, and adds interfaces by deriving from them and answering in
// QueryOtherInterface (with VIDLUME_UNKNOWN_VIA(CBaseFilter) for the IUnknown methods).
//
// Stop first makes every pin answer Flushing, so a streaming thread anywhere in the graph returns
// from the call it is in; then it waits until no Receive runs on any input pin; then OnStop joins
// the filter's own thread. So after Stop no streaming thread touches the filter. The graph stops
// filters downstream first, so a source's thread finds its receivers flushing and ends.

#include "platform/com/CComObject.h"
#include "platform/graph/FilterAuthoring.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace vidlume {

class CBasePin;

class CBaseFilter : public CComObject<IBaseFilter> {
    friend class CBasePin;

public:
    // IMediaFilter
    HRESULT GetClassID(CLSID* clsid) override;
    HRESULT Stop() override;
    HRESULT Pause() override;
    HRESULT Run(REFERENCE_TIME start) override;
    HRESULT GetState(uint32_t msTimeout, FILTER_STATE* state) override;
    HRESULT SetSyncSource(IReferenceClock* clock) override;
    HRESULT GetSyncSource(IReferenceClock** clock) override;
    // IBaseFilter
    HRESULT EnumPins(IEnumPins** pins) override;
    HRESULT FindPin(const std::string& id, IPin** pin) override;
    HRESULT QueryFilterInfo(FILTER_INFO* info) override;
    HRESULT JoinFilterGraph(IFilterGraph* graph, const std::string& name) override;

    FILTER_STATE State() const { return m_state.load(); }
    bool IsStopped() const { return m_state.load() == State_Stopped; }
    int GetPinCount() const { return int(m_pins.size()); }
    CBasePin* GetPin(int index) const { return m_pins[size_t(index)].get(); }
    const std::string& Name() const { return m_name; }

    // Reports to the graph's event queue (any thread; nothing happens outside a graph).
    void NotifyEvent(long code, intptr_t param1 = 0, intptr_t param2 = 0);
    // EC_ERRORABORT with the code; the graph then stops itself. Only the first report counts.
    void ReportError(HRESULT hr);

    // Called by the input pins: every connected input has seen the end of its stream.
    // Renderers (filters without outputs) then tell the graph EC_COMPLETE.
    virtual void OnAllInputsEnded();

protected:
    explicit CBaseFilter(const CLSID& clsid);
    ~CBaseFilter() override;

    // Pins are added by the constructor, or (a parser's outputs) while the filter is stopped,
    // when its input connects; RemovePin disconnects both sides first. Never while streaming.
    CBasePin* AddPin(std::unique_ptr<CBasePin> pin);
    void RemovePin(CBasePin* pin);

    // Leaving the stopped state: open what streaming needs, start the streaming thread.
    // A failure leaves the filter stopped and fails Pause/Run.
    virtual HRESULT OnStart() { return S_OK; }
    // Entering the stopped state, after every pin answers Flushing and no Receive runs any more:
    // join the streaming thread, release resources. Called without the filter's state lock.
    virtual void OnStop() { }

    IReferenceClock* Clock() const { return m_clock.Get(); }

    std::mutex m_stateLock; // state changes and connections

private:
    HRESULT Start(FILTER_STATE target);

    CLSID m_clsid;
    std::vector<std::unique_ptr<CBasePin>> m_pins;
    std::atomic<FILTER_STATE> m_state { State_Stopped };
    std::atomic<bool> m_errorReported { false };
    IFilterGraph* m_graph = nullptr;     // not owned: the graph owns us
    IMediaEventSink* m_events = nullptr; // the graph's, not owned
    std::string m_name;
    ComPtr<IReferenceClock> m_clock;
};

} // namespace vidlume
