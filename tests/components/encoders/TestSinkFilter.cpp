#include "TestSinkFilter.h"

#include "platform/graph/CBaseInputPin.h"

namespace vidlume::test {

class CTestSinkFilter::CInput final : public CBaseInputPin {
public:
    CInput(CTestSinkFilter* filter, const Guid& majorType) : CBaseInputPin(filter, "In"), m_owner(filter), m_major(majorType) { }

protected:
    HRESULT CheckMediaType(const CMediaType& type) override { return type.majortype == m_major ? S_OK : S_FALSE; }
    FlowStatus OnReceive(const CMediaSample& sample) override
    {
        if (!sample.Packet())
            return FlowStatus::NotNegotiated;
        m_owner->m_samples.push_back({ AVPacketPtr(av_packet_clone(sample.Packet())), sample.start, sample.stop, sample.syncPoint });
        return FlowStatus::Ok;
    }

private:
    CTestSinkFilter* m_owner;
    Guid m_major;
};

CTestSinkFilter::CTestSinkFilter(const Guid& majorType) : CBaseFilter(MakeGuid("7E570000-0000-4000-8000-00000000517C"))
{
    m_input = static_cast<CInput*>(AddPin(std::make_unique<CInput>(this, majorType)));
}

IPin* CTestSinkFilter::InputPin() const
{
    return m_input;
}

} // namespace vidlume::test
