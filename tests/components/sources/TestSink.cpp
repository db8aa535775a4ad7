#include "TestSink.h"

#include "platform/graph/CBaseInputPin.h"

extern "C" {
#include <libavcodec/packet.h>
}

namespace vidlume::test {

namespace {
    constexpr CLSID CLSID_TestSink = MakeGuid("5E1F2C3A-7B4D-4E6F-9A0B-1C2D3E4F5A6B");
}

class CTestSink::CInput final : public CBaseInputPin {
public:
    explicit CInput(CTestSink* sink) : CBaseInputPin(sink, "In"), m_sink(sink) { }

    void BeginFlush() override
    {
        {
            std::lock_guard lock(m_sink->m_lock);
            ++m_sink->m_flushes;
            m_sink->m_ended = false;
        }
        CBaseInputPin::BeginFlush();
    }

protected:
    HRESULT CheckMediaType(const CMediaType& type) override
    {
        return type.majortype == MEDIATYPE_Video || type.majortype == MEDIATYPE_Audio || type.majortype == MEDIATYPE_Subtitle
            ? S_OK
            : VFW_E_TYPE_NOT_ACCEPTED;
    }

    FlowStatus OnReceive(const CMediaSample& sample) override
    {
        const AVPacket* p = sample.Packet();
        size_t count;
        std::function<void(size_t)> hook;
        {
            std::lock_guard lock(m_sink->m_lock);
            m_sink->m_samples.push_back({ sample.start, sample.stop, p ? p->dts : kNoTime, p ? p->size : 0, sample.syncPoint,
                sample.discontinuity, m_sink->m_flushes });
            count = m_sink->m_samples.size();
            hook = m_sink->m_hook;
        }
        if (hook)
            hook(count);
        return FlowStatus::Ok;
    }

    FlowStatus OnEndOfStream() override
    {
        std::lock_guard lock(m_sink->m_lock);
        m_sink->m_ended = true;
        return FlowStatus::Ok;
    }

private:
    CTestSink* m_sink;
};

CTestSink::CTestSink() : CBaseFilter(CLSID_TestSink)
{
    m_input = static_cast<CInput*>(AddPin(std::make_unique<CInput>(this)));
}

std::vector<CTestSink::Sample> CTestSink::Samples() const
{
    std::lock_guard lock(m_lock);
    return m_samples;
}

bool CTestSink::Ended() const
{
    std::lock_guard lock(m_lock);
    return m_ended;
}

int CTestSink::Flushes() const
{
    std::lock_guard lock(m_lock);
    return m_flushes;
}

CMediaType CTestSink::ConnectedType() const
{
    return m_input->CurrentMediaType();
}

IPin* CTestSink::Input() const
{
    return m_input;
}

void CTestSink::SetHook(std::function<void(size_t)> hook)
{
    std::lock_guard lock(m_lock);
    m_hook = std::move(hook);
}

} // namespace vidlume::test
