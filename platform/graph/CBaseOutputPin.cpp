#include "CBaseOutputPin.h"

namespace vidlume {

CBaseOutputPin::CBaseOutputPin(CBaseFilter* filter, std::string id) : CBasePin(filter, PINDIR_OUTPUT, std::move(id)) { }

HRESULT CBaseOutputPin::CompleteConnect(IPin* peer)
{
    ComPtr<IPin>(peer).As(&m_input);
    return m_input ? S_OK : E_NOINTERFACE;
}

void CBaseOutputPin::BreakConnect()
{
    m_input.Reset();
}

FlowStatus CBaseOutputPin::Deliver(const CMediaSample& sample)
{
    if (IsFlushing())
        return FlowStatus::Flushing;
    return m_input ? m_input->Receive(sample) : FlowStatus::Ok;
}

FlowStatus CBaseOutputPin::DeliverEndOfStream()
{
    return m_input ? m_input->EndOfStream() : FlowStatus::Ok;
}

void CBaseOutputPin::DeliverBeginFlush()
{
    if (m_input)
        m_input->BeginFlush();
}

void CBaseOutputPin::DeliverEndFlush()
{
    if (m_input)
        m_input->EndFlush();
}

} // namespace vidlume
