#pragma once
// The demultiplexer's input pin "Input": takes MEDIATYPE_Stream (any subtype) from a pin that
// serves IAsyncReader. Connecting opens the stream and creates the output pins; a stream that
// cannot be parsed makes the connection fail. Disconnecting removes the output pins again.
// It is pulled from, never pushed to: a sample that arrives anyway is refused.

#include "platform/graph/CBaseInputPin.h"

namespace vidlume {

class CLavfDemultiplexer;

class CLavfDemuxInputPin final : public CBaseInputPin {
public:
    explicit CLavfDemuxInputPin(CLavfDemultiplexer* filter);

protected:
    HRESULT CheckMediaType(const CMediaType& type) override;
    HRESULT GetMediaType(int index, CMediaType* type) override;
    HRESULT CompleteConnect(IPin* peer) override;
    void BreakConnect() override;
    FlowStatus OnReceive(const CMediaSample& sample) override;

private:
    CLavfDemultiplexer* m_demux;
};

} // namespace vidlume
