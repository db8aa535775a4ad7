#pragma once
// An output pin that pushes samples to the connected input pin's IMemInputPin. Deliver on a pin
// that is not connected drops the sample and answers Ok, so a parser can deliver every stream
// whether or not it is used.

#include "platform/graph/CBasePin.h"

namespace vidlume {

class CBaseOutputPin : public CBasePin {
public:
    CBaseOutputPin(CBaseFilter* filter, std::string id);

    FlowStatus Deliver(const CMediaSample& sample);
    FlowStatus DeliverEndOfStream();
    void DeliverBeginFlush();
    void DeliverEndFlush();

protected:
    // Requires IMemInputPin on the peer; pins that talk through another interface override it.
    HRESULT CompleteConnect(IPin* peer) override;
    void BreakConnect() override;

private:
    ComPtr<IMemInputPin> m_input;
};

} // namespace vidlume
