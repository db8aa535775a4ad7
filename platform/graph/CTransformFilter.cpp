#include "CTransformFilter.h"

namespace vidlume {

class CTransformFilter::CInput final : public CBaseInputPin {
public:
    CInput(CTransformFilter* filter, std::string id) : CBaseInputPin(filter, std::move(id)), m_owner(filter) { }

protected:
    HRESULT CheckMediaType(const CMediaType& type) override { return m_owner->CheckInputType(type); }
    FlowStatus OnReceive(const CMediaSample& sample) override { return m_owner->Transform(sample); }
    FlowStatus OnEndOfStream() override
    {
        FlowStatus status = m_owner->Drain();
        if (status == FlowStatus::Error || status == FlowStatus::Flushing)
            return status;
        return m_owner->m_output->DeliverEndOfStream();
    }

private:
    CTransformFilter* m_owner;
};

class CTransformFilter::COutput final : public CBaseOutputPin {
public:
    COutput(CTransformFilter* filter, std::string id) : CBaseOutputPin(filter, std::move(id)), m_owner(filter) { }

protected:
    HRESULT CheckMediaType(const CMediaType& type) override
    {
        return m_owner->m_input->IsConnected() ? m_owner->CheckOutputType(type) : VFW_E_NOT_CONNECTED;
    }
    HRESULT GetMediaType(int index, CMediaType* type) override
    {
        return m_owner->m_input->IsConnected() ? m_owner->GetOutputType(index, type) : S_FALSE;
    }

private:
    CTransformFilter* m_owner;
};

CTransformFilter::CTransformFilter(const CLSID& clsid, std::string inputId, std::string outputId) : CBaseFilter(clsid)
{
    m_input = static_cast<CBaseInputPin*>(AddPin(std::make_unique<CInput>(this, std::move(inputId))));
    m_output = static_cast<CBaseOutputPin*>(AddPin(std::make_unique<COutput>(this, std::move(outputId))));
}

HRESULT CTransformFilter::CheckOutputType(const CMediaType& type)
{
    CMediaType offered;
    for (int i = 0; GetOutputType(i, &offered) == S_OK; ++i)
        if (offered.majortype == type.majortype && offered.subtype == type.subtype && offered.formattype == type.formattype)
            return S_OK;
    return S_FALSE;
}

} // namespace vidlume
