#pragma once
// An input pin that receives samples. Concrete pins implement OnReceive and OnEndOfStream; the
// base answers Flushing while the filter stops or flushes, keeps the two from overlapping with
// Stop, and tells the filter when every connected input has ended.

#include "platform/graph/CBasePin.h"

namespace vidlume {

class CBaseInputPin : public CBasePin, public IMemInputPin {
public:
    CBaseInputPin(CBaseFilter* filter, std::string id);

    HRESULT QueryInterface(REFIID iid, void** ppv) override { return CBasePin::QueryInterface(iid, ppv); }
    ULONG AddRef() override { return CBasePin::AddRef(); }
    ULONG Release() override { return CBasePin::Release(); }

    // IMemInputPin
    FlowStatus Receive(const CMediaSample& sample) final;
    FlowStatus EndOfStream() final;
    void BeginFlush() override;
    void EndFlush() override;

    bool HasEnded() const { return m_ended.load(); }
    // Clears the end-of-stream mark when the filter starts.
    void ResetEndOfStream() { m_ended.store(false); }
    void WaitForIdle() override;

protected:
    virtual FlowStatus OnReceive(const CMediaSample& sample) = 0;
    // Default: nothing to drain; the filter is told when all inputs ended.
    virtual FlowStatus OnEndOfStream() { return FlowStatus::Ok; }
    HRESULT QueryPinInterface(REFIID iid, void** ppv) override;

private:
    std::mutex m_receiveLock;
    std::atomic<bool> m_ended { false };
};

} // namespace vidlume
