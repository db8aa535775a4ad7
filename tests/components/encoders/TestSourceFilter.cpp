#include "TestSourceFilter.h"

#include "tests/components/common/CTestOutputPin.h"

namespace vidlume::test {

class CTestSourceFilter::COutput final : public CTestOutputPin {
public:
    COutput(CBaseFilter* filter, CMediaType type) : CTestOutputPin(filter, "Out", std::move(type)) { }
};

CTestSourceFilter::CTestSourceFilter(CMediaType type, int count, Generator generate)
    : CBaseFilter(MakeGuid("7E570000-0000-4000-8000-00000000500C"))
    , m_count(count)
    , m_generate(std::move(generate))
{
    m_output = static_cast<COutput*>(AddPin(std::make_unique<COutput>(this, std::move(type))));
}

CTestSourceFilter::~CTestSourceFilter()
{
    OnStop();
}

IPin* CTestSourceFilter::OutputPin() const
{
    return m_output;
}

HRESULT CTestSourceFilter::OnStart()
{
    m_thread = std::thread([this] { Stream(); });
    return S_OK;
}

void CTestSourceFilter::OnStop()
{
    if (m_thread.joinable())
        m_thread.join();
}

void CTestSourceFilter::Stream()
{
    for (int i = 0; i < m_count; ++i)
        if (m_output->Deliver(m_generate(i)) != FlowStatus::Ok)
            return;
    m_output->DeliverEndOfStream();
}

} // namespace vidlume::test
