#include "TestGraph.h"

#include "components/ComponentGroups.h"
#include "platform/com/CClassRegistry.h"
#include "platform/graph/CFilterGraph.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavutil/log.h>
}

#include <fstream>
#include <iterator>
#include <mutex>

namespace vidlume::test {

void RegisterSourceGroup()
{
    static std::once_flag once;
    std::call_once(once, [] {
        // The damaged inputs make FFmpeg complain at length; the tests check the outcome.
        av_log_set_level(AV_LOG_FATAL);
        CFilterGraph::Register();
        RegisterSourceComponents();
    });
}

const DemuxGraph::Output* DemuxGraph::Find(const std::string& id) const
{
    for (const Output& o : outputs)
        if (o.id == id)
            return &o;
    return nullptr;
}

static HRESULT NewGraph(DemuxGraph* g)
{
    RegisterSourceGroup();
    *g = DemuxGraph();
    return CoCreateInstance(CLSID_FilterGraph, &g->graph);
}

HRESULT LoadSource(const std::string& path, DemuxGraph* g)
{
    HRESULT hr = NewGraph(g);
    if (FAILED(hr))
        return hr;
    return g->graph->AddSourceFilter(path, "", g->source.ReleaseAndGetAddressOf());
}

HRESULT AddSource(IBaseFilter* source, DemuxGraph* g)
{
    HRESULT hr = NewGraph(g);
    if (FAILED(hr))
        return hr;
    g->source = source;
    return g->graph->AddFilter(source, "Source");
}

HRESULT AddDemultiplexer(DemuxGraph* g, const CLSID& clsid, const std::function<void(IModuleConfig*)>& configure)
{
    HRESULT hr = CoCreateInstance(clsid, &g->demux);
    if (FAILED(hr))
        return hr;
    if (configure) {
        ComPtr<IModuleConfig> config;
        hr = g->demux.As(&config);
        if (FAILED(hr))
            return hr;
        configure(config.Get());
    }
    hr = g->graph->AddFilter(g->demux.Get(), "Demultiplexer");
    if (FAILED(hr))
        return hr;
    ComPtr<IPin> out, in;
    if (FAILED(hr = g->source->FindPin("Output", out.ReleaseAndGetAddressOf())) || FAILED(hr = g->demux->FindPin("Input", in.ReleaseAndGetAddressOf())))
        return hr;
    hr = g->graph->ConnectDirect(out.Get(), in.Get(), nullptr);
    if (FAILED(hr))
        return hr;

    ComPtr<IEnumPins> pins;
    g->demux->EnumPins(pins.ReleaseAndGetAddressOf());
    IPin* raw = nullptr;
    while (pins->Next(1, &raw, nullptr) == S_OK) {
        ComPtr<IPin> pin;
        pin.Attach(raw);
        PIN_DIRECTION dir;
        pin->QueryDirection(&dir);
        if (dir != PINDIR_OUTPUT)
            continue;
        DemuxGraph::Output o;
        pin->QueryId(&o.id);
        o.pin = pin;
        o.sink = MakeComObject<CTestSink>();
        if (FAILED(hr = g->graph->AddFilter(o.sink.Get(), "Sink " + o.id)) || FAILED(hr = g->graph->ConnectDirect(pin.Get(), o.sink->Input(), nullptr)))
            return hr;
        g->outputs.push_back(std::move(o));
    }
    return S_OK;
}

long RunToEnd(DemuxGraph& g, intptr_t* param)
{
    ComPtr<IMediaControl> control;
    ComPtr<IMediaEvent> events;
    g.graph.As(&control);
    g.graph.As(&events);
    EXPECT_EQ(control->Run(), S_OK);
    long code = 0;
    intptr_t p1 = 0, p2 = 0;
    while (SUCCEEDED(events->GetEvent(&code, &p1, &p2, -1)) && code != EC_COMPLETE && code != EC_ERRORABORT && code != EC_USERABORT) { }
    if (param)
        *param = p1;
    control->Stop();
    return code;
}

std::vector<uint8_t> ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteWholeFile(const std::string& path, const std::vector<uint8_t>& data)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
}

} // namespace vidlume::test
