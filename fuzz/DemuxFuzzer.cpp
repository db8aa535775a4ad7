// Feeds arbitrary bytes to the demultiplexer through an in-memory IAsyncReader, in a real graph
// with a sink on every output pin, and reads every packet: probing the container at connection
// and streaming to the end must neither crash nor hang nor leak, whatever the bytes. Inputs of
// odd length go to the second demultiplexer set up as the DVD source sets it (program stream,
// 16 MiB probing, start reached by reading from the beginning, repaired and generated times,
// damaged packets dropped) and stream from 0.5 s to 1.5 s.

#include "components/ComponentGroups.h"
#include "components/sources/CByteStreamSource.h"
#include "components/sources/CLavfDemultiplexer.h"
#include "components/sources/CMemoryReader.h"
#include "platform/com/CClassRegistry.h"
#include "platform/graph/CBaseFilter.h"
#include "platform/graph/CBaseInputPin.h"
#include "platform/graph/CFilterGraph.h"

extern "C" {
#include <libavutil/log.h>
}

#include <cstdint>
#include <cstdlib>
#include <vector>

using namespace vidlume;

namespace {

constexpr CLSID CLSID_FuzzSink = MakeGuid("0B7E4A52-3C1D-4F28-9E65-7D1A2B3C4D5E");

// Takes whatever the demultiplexer delivers and checks what every sample must hold.
class CFuzzSink final : public CBaseFilter {
public:
    CFuzzSink() : CBaseFilter(CLSID_FuzzSink) { m_input = AddPin(std::make_unique<CInput>(this)); }
    IPin* Input() const { return m_input; }

private:
    class CInput final : public CBaseInputPin {
    public:
        explicit CInput(CFuzzSink* sink) : CBaseInputPin(sink, "In") { }

    protected:
        HRESULT CheckMediaType(const CMediaType& type) override { return type.majortype != MEDIATYPE_Stream ? S_OK : VFW_E_TYPE_NOT_ACCEPTED; }
        FlowStatus OnReceive(const CMediaSample& sample) override
        {
            if (!sample.Packet() || (sample.stop != kNoTime && sample.start != kNoTime && sample.stop < sample.start))
                std::abort();
            return FlowStatus::Ok;
        }
    };
    CBasePin* m_input;
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    av_log_set_level(AV_LOG_QUIET);
    CFilterGraph::Register();
    RegisterSourceComponents();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const bool dvd = size % 2 == 1;
    std::vector<uint8_t> bytes(data, data + size);
    auto source = MakeComObject<CByteStreamSource>(CLSID_AsyncReader, [&](const std::string&, std::unique_ptr<CByteReader>* reader) {
        *reader = std::make_unique<CMemoryReader>(std::move(bytes));
        return S_OK;
    });
    ComPtr<IFileSourceFilter> load;
    if (FAILED(ComPtr<IBaseFilter>(source.Get()).As(&load)) || FAILED(load->Load("fuzz input", nullptr)))
        std::abort();

    ComPtr<IGraphBuilder> graph;
    ComPtr<IBaseFilter> demux;
    if (FAILED(CoCreateInstance(CLSID_FilterGraph, &graph)) || FAILED(CoCreateInstance(dvd ? CLSID_Demultiplexer2 : CLSID_Demultiplexer, &demux)))
        std::abort();
    if (dvd) {
        ComPtr<IModuleConfig> config;
        if (FAILED(demux.As(&config)))
            std::abort();
        config->SetValue(DEMUX_ProgramStream, VARIANT::I4(1));
        config->SetValue(DEMUX_ProbeSize, VARIANT::I4(0x01000000));
        config->SetValue(DEMUX_SeekByIndex, VARIANT::I4(0));
        config->SetValue(DEMUX_KeepTimestamps, VARIANT::I4(0));
        config->SetValue(DEMUX_GenerateTimes, VARIANT::I4(1));
        config->SetValue(DEMUX_DropCorrupt, VARIANT::I4(1));
        config->CommitChanges();
    }
    graph->AddFilter(source.Get(), "Source");
    graph->AddFilter(demux.Get(), "Demultiplexer");
    ComPtr<IPin> out, in;
    source->FindPin("Output", out.ReleaseAndGetAddressOf());
    demux->FindPin("Input", in.ReleaseAndGetAddressOf());
    if (FAILED(graph->ConnectDirect(out.Get(), in.Get(), nullptr)))
        return 0; // not a stream it understands: that is an answer too

    std::vector<ComPtr<IPin>> outputs;
    ComPtr<IEnumPins> pins;
    demux->EnumPins(pins.ReleaseAndGetAddressOf());
    IPin* raw = nullptr;
    while (pins->Next(1, &raw, nullptr) == S_OK) {
        ComPtr<IPin> pin;
        pin.Attach(raw);
        PIN_DIRECTION dir;
        pin->QueryDirection(&dir);
        if (dir == PINDIR_OUTPUT)
            outputs.push_back(pin);
    }
    if (outputs.empty())
        std::abort(); // a connection without an output pin must have failed
    for (auto& pin : outputs) {
        auto sink = MakeComObject<CFuzzSink>();
        graph->AddFilter(sink.Get(), "");
        if (FAILED(graph->ConnectDirect(pin.Get(), sink->Input(), nullptr)))
            std::abort();
    }
    outputs.clear(); // the pins go with the graph

    ComPtr<IMediaControl> control;
    ComPtr<IMediaEvent> events;
    ComPtr<IMediaSeeking> seeking;
    graph.As(&control);
    graph.As(&events);
    graph.As(&seeking);
    if (dvd) {
        REFERENCE_TIME start = kUnitsPerSecond / 2, stop = 3 * kUnitsPerSecond / 2;
        seeking->SetPositions(&start, AM_SEEKING_AbsolutePositioning, &stop, AM_SEEKING_AbsolutePositioning);
    }
    if (FAILED(control->Run()))
        std::abort();
    long code = 0;
    events->WaitForCompletion(-1, &code);
    control->Stop();
    return 0;
}
