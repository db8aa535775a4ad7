#include "CLavfDemuxInputPin.h"

#include "CLavfDemultiplexer.h"

namespace vidlume {

CLavfDemuxInputPin::CLavfDemuxInputPin(CLavfDemultiplexer* filter)
    : CBaseInputPin(filter, "Input")
    , m_demux(filter)
{
}

HRESULT CLavfDemuxInputPin::CheckMediaType(const CMediaType& type)
{
    return type.majortype == MEDIATYPE_Stream ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CLavfDemuxInputPin::GetMediaType(int index, CMediaType* type)
{
    if (!type)
        return E_POINTER;
    if (index != 0)
        return S_FALSE;
    *type = CMediaType(MEDIATYPE_Stream, MEDIASUBTYPE_NULL);
    return S_OK;
}

HRESULT CLavfDemuxInputPin::CompleteConnect(IPin* peer)
{
    ComPtr<IAsyncReader> reader;
    if (FAILED(ComPtr<IPin>(peer).As(&reader)))
        return E_NOINTERFACE;
    return m_demux->OpenInput(reader.Get());
}

void CLavfDemuxInputPin::BreakConnect()
{
    m_demux->CloseInput();
}

FlowStatus CLavfDemuxInputPin::OnReceive(const CMediaSample&)
{
    return FlowStatus::NotNegotiated;
}

} // namespace vidlume
