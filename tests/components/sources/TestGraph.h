#pragma once
// Graphs for the source tests, built through the class registry as the devices build them:
// a source, a demultiplexer connected to its "Output", and a CTestSink on every output pin.

#include "TestSink.h"

#include "platform/com/ComPtr.h"
#include "platform/graph/GraphInterfaces.h"

#include <functional>
#include <string>
#include <vector>

namespace vidlume::test {

// CFilterGraph and the source group, registered once per test program.
void RegisterSourceGroup();

struct DemuxGraph {
    struct Output {
        std::string id;
        ComPtr<IPin> pin; // the demultiplexer's
        ComPtr<CTestSink> sink;
    };
    // The graph goes last: destroying it disconnects, and the demultiplexer then removes its pins.
    ComPtr<IGraphBuilder> graph;
    ComPtr<IBaseFilter> source;
    ComPtr<IBaseFilter> demux;
    std::vector<Output> outputs;

    const Output* Find(const std::string& id) const;
};

// A new graph with the source for path added through AddSourceFilter.
HRESULT LoadSource(const std::string& path, DemuxGraph* g);
// A new graph with a source of the caller's.
HRESULT AddSource(IBaseFilter* source, DemuxGraph* g);
// Adds the demultiplexer (configured first, when asked), connects it and a sink to every output.
HRESULT AddDemultiplexer(DemuxGraph* g, const CLSID& clsid = CLSID_Demultiplexer,
    const std::function<void(IModuleConfig*)>& configure = {});
// Runs until EC_COMPLETE, EC_ERRORABORT or EC_USERABORT and stops; returns the event code
// (its first parameter, the error's HRESULT, in *param).
long RunToEnd(DemuxGraph& g, intptr_t* param = nullptr);

std::vector<uint8_t> ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::vector<uint8_t>& data);

} // namespace vidlume::test
