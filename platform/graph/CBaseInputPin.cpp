#include "CBaseInputPin.h"

#include "CBaseFilter.h"

namespace vidlume {

CBaseInputPin::CBaseInputPin(CBaseFilter* filter, std::string id) : CBasePin(filter, PINDIR_INPUT, std::move(id)) { }

HRESULT CBaseInputPin::QueryPinInterface(REFIID iid, void** ppv)
{
    if (iid == IMemInputPin::kIid)
        return GetInterface<IMemInputPin>(this, ppv);
    return CBasePin::QueryPinInterface(iid, ppv);
}

FlowStatus CBaseInputPin::Receive(const CMediaSample& sample)
{
    if (IsFlushing() || Filter()->IsStopped())
        return FlowStatus::Flushing;
    std::lock_guard lock(m_receiveLock);
    if (IsFlushing())
        return FlowStatus::Flushing;
    if (m_ended.load())
        return FlowStatus::EndOfStream;
    return OnReceive(sample);
}

FlowStatus CBaseInputPin::EndOfStream()
{
    if (IsFlushing() || Filter()->IsStopped())
        return FlowStatus::Flushing;
    {
        std::lock_guard lock(m_receiveLock);
        if (IsFlushing())
            return FlowStatus::Flushing;
        if (m_ended.exchange(true))
            return FlowStatus::Ok;
        FlowStatus status = OnEndOfStream();
        if (status != FlowStatus::Ok)
            return status;
    }
    CBaseFilter* filter = Filter();
    for (int i = 0; i < filter->GetPinCount(); ++i) {
        CBasePin* pin = filter->GetPin(i);
        if (pin->Direction() == PINDIR_INPUT && pin->IsConnected() && !static_cast<CBaseInputPin*>(pin)->HasEnded())
            return FlowStatus::Ok;
    }
    filter->OnAllInputsEnded();
    return FlowStatus::Ok;
}

void CBaseInputPin::BeginFlush()
{
    SetFlushing(true);
}

void CBaseInputPin::EndFlush()
{
    std::lock_guard lock(m_receiveLock);
    m_ended.store(false);
    SetFlushing(false);
}

void CBaseInputPin::WaitForIdle()
{
    std::lock_guard lock(m_receiveLock);
}

} // namespace vidlume
