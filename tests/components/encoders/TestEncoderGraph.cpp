#include "TestEncoderGraph.h"

#include "components/ComponentGroups.h"
#include "platform/com/CClassRegistry.h"
#include "platform/graph/CFilterGraph.h"

#include <mutex>

namespace vidlume::test {

namespace {
    ComPtr<IPin> PinOf(IBaseFilter* filter, const std::string& id)
    {
        ComPtr<IPin> pin;
        if (filter)
            filter->FindPin(id, pin.ReleaseAndGetAddressOf());
        return pin;
    }
} // namespace

void CTestEncoderGraph::RegisterClasses()
{
    static std::once_flag registered;
    std::call_once(registered, [] {
        CFilterGraph::Register();
        RegisterEncoderComponents();
    });
}

CTestEncoderGraph::CTestEncoderGraph(const CLSID& encoder, const CMediaType& input, int count, CTestSourceFilter::Generator generate)
{
    RegisterClasses();
    if (FAILED(CoCreateInstance(CLSID_FilterGraph, &m_graph)) || FAILED(CoCreateInstance(encoder, &m_encoder)))
        return;
    const bool video = input.majortype == MEDIATYPE_Video;
    if (FAILED(m_graph->AddFilter(m_encoder.Get(), video ? "Video Encoder" : "Audio Encoder")))
        return;
    ComPtr<IMediaTypeConfig> typeConfig;
    if (video && SUCCEEDED(m_encoder.As(&typeConfig)) && FAILED(typeConfig->SetMediaType(MEDIATYPE_Video, GUID_NULL)))
        return;
    m_source = MakeComObject<CTestSourceFilter>(input, count, std::move(generate));
    m_sink = MakeComObject<CTestSinkFilter>(input.majortype);
    if (FAILED(m_graph->AddFilter(m_source.Get(), "Source")) || FAILED(m_graph->AddFilter(m_sink.Get(), "Sink")))
        return;
    m_encoder.As(&m_config);
}

HRESULT CTestEncoderGraph::ConnectInput()
{
    ComPtr<IPin> in = PinOf(m_encoder.Get(), "In");
    return in ? m_graph->Connect(m_source->OutputPin(), in.Get()) : E_FAIL;
}

HRESULT CTestEncoderGraph::ConnectOutput()
{
    ComPtr<IPin> out = PinOf(m_encoder.Get(), "Out");
    return out ? m_graph->ConnectDirect(out.Get(), m_sink->InputPin(), nullptr) : E_FAIL;
}

CMediaType CTestEncoderGraph::OutputType() const
{
    CMediaType type;
    if (ComPtr<IPin> out = PinOf(m_encoder.Get(), "Out"))
        out->ConnectionMediaType(&type);
    return type;
}

HRESULT CTestEncoderGraph::Run(long* completion)
{
    ComPtr<IMediaFilter> filter;
    ComPtr<IMediaControl> control;
    ComPtr<IMediaEvent> events;
    HRESULT hr = m_graph.As(&filter);
    if (SUCCEEDED(hr))
        hr = m_graph.As(&control);
    if (SUCCEEDED(hr))
        hr = m_graph.As(&events);
    if (SUCCEEDED(hr))
        hr = filter->SetSyncSource(nullptr);
    if (SUCCEEDED(hr))
        hr = control->Run();
    if (SUCCEEDED(hr))
        hr = events->WaitForCompletion(-1, completion);
    if (control)
        control->Stop();
    return hr;
}

} // namespace vidlume::test
