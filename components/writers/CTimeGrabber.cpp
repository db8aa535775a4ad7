#include "CTimeGrabber.h"

#include "platform/graph/CBaseInputPin.h"
#include "platform/graph/CBaseOutputPin.h"

#include <vector>

namespace vidlume {

class CTimeGrabber::CInput final : public CBaseInputPin {
public:
    explicit CInput(CTimeGrabber* filter) : CBaseInputPin(filter, "In"), m_owner(filter) { }

    void BeginFlush() override;
    void EndFlush() override;

protected:
    HRESULT CheckMediaType(const CMediaType& type) override;
    FlowStatus OnReceive(const CMediaSample& sample) override;
    FlowStatus OnEndOfStream() override;

private:
    CTimeGrabber* m_owner;
};

class CTimeGrabber::COutput final : public CBaseOutputPin {
public:
    explicit COutput(CTimeGrabber* filter) : CBaseOutputPin(filter, "Out"), m_owner(filter) { }

    HRESULT Connect(IPin* receivePin, const CMediaType* type) override;

protected:
    HRESULT CheckMediaType(const CMediaType& type) override
    {
        CBasePin* in = m_owner->m_input;
        return in->IsConnected() && type == in->CurrentMediaType() ? S_OK : S_FALSE;
    }
    HRESULT GetMediaType(int index, CMediaType* type) override
    {
        CBasePin* in = m_owner->m_input;
        if (index != 0 || !in->IsConnected())
            return S_FALSE;
        *type = in->CurrentMediaType();
        return S_OK;
    }

private:
    HRESULT ReconnectInput(IPin* upstream, const CMediaType& type);

    CTimeGrabber* m_owner;
};

HRESULT CTimeGrabber::CInput::CheckMediaType(const CMediaType& type)
{
    // Once the output is connected, the type flowing through is settled.
    CBasePin* out = m_owner->m_output;
    return !out->IsConnected() || type == out->CurrentMediaType() ? S_OK : S_FALSE;
}

FlowStatus CTimeGrabber::CInput::OnReceive(const CMediaSample& sample)
{
    if (sample.start != kNoTime)
        m_owner->m_last.store(sample.start);
    return m_owner->m_output->Deliver(sample);
}

FlowStatus CTimeGrabber::CInput::OnEndOfStream()
{
    return m_owner->m_output->DeliverEndOfStream();
}

void CTimeGrabber::CInput::BeginFlush()
{
    CBaseInputPin::BeginFlush();
    m_owner->m_output->DeliverBeginFlush();
}

void CTimeGrabber::CInput::EndFlush()
{
    CBaseInputPin::EndFlush();
    m_owner->m_output->DeliverEndFlush();
}

HRESULT CTimeGrabber::COutput::ReconnectInput(IPin* upstream, const CMediaType& type)
{
    upstream->Disconnect();
    m_owner->m_input->Disconnect();
    return upstream->Connect(m_owner->m_input, &type);
}

HRESULT CTimeGrabber::COutput::Connect(IPin* receivePin, const CMediaType* type)
{
    const HRESULT first = CBaseOutputPin::Connect(receivePin, type);
    if (SUCCEEDED(first) || !receivePin || first == VFW_E_ALREADY_CONNECTED || first == VFW_E_NOT_STOPPED
        || first == VFW_E_INVALID_DIRECTION)
        return first;
    ComPtr<IPin> upstream(m_owner->m_input->ConnectedPin());
    if (!upstream)
        return first;

    // Runs without this filter's lock held: reconnecting "In" takes it.
    const CMediaType current = m_owner->m_input->CurrentMediaType();
    std::vector<CMediaType> offered;
    ComPtr<IEnumMediaTypes> types;
    if (SUCCEEDED(upstream->EnumMediaTypes(types.ReleaseAndGetAddressOf()))) {
        CMediaType mt;
        while (types->Next(1, &mt, nullptr) == S_OK)
            offered.push_back(mt);
    }
    for (const CMediaType& candidate : offered) {
        if (candidate == current || receivePin->QueryAccept(candidate) != S_OK || (type && !candidate.MatchesPartial(*type)))
            continue;
        if (FAILED(ReconnectInput(upstream.Get(), candidate)))
            continue;
        if (SUCCEEDED(CBaseOutputPin::Connect(receivePin, nullptr)))
            return S_OK;
    }
    // Nothing suits both ends: leave "In" as it was.
    if (m_owner->m_input->CurrentMediaType() != current || !m_owner->m_input->IsConnected())
        ReconnectInput(upstream.Get(), current);
    return first;
}

CTimeGrabber::CTimeGrabber() : CBaseFilter(CLSID_TimeGrabber)
{
    m_input = static_cast<CInput*>(AddPin(std::make_unique<CInput>(this)));
    m_output = static_cast<COutput*>(AddPin(std::make_unique<COutput>(this)));
}

HRESULT CTimeGrabber::QueryOtherInterface(REFIID iid, void** ppv)
{
    if (iid == ITimeGrabber::kIid)
        return GetInterface<ITimeGrabber>(this, ppv);
    return CBaseFilter::QueryOtherInterface(iid, ppv);
}

HRESULT CTimeGrabber::GetLastSampleTime(REFERENCE_TIME* time)
{
    if (!time)
        return E_POINTER;
    *time = m_last.load();
    return S_OK;
}

HRESULT CTimeGrabber::OnStart()
{
    m_last.store(0);
    return S_OK;
}

} // namespace vidlume
