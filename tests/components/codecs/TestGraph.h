#pragma once
// A graph for the decoder and converter tests: the real graph manager with this folder's classes
// registered, the test source and sink, and small helpers to connect and run it.

#include "TestFrameSink.h"
#include "TestPacketSource.h"

#include "platform/com/ComPtr.h"
#include "platform/graph/GraphInterfaces.h"

#include <QStringList>

#include <string>
#include <utility>
#include <vector>

namespace vidlume::test {

class TestGraph {
public:
    TestGraph(); // registers the graph and the decoder components first

    IGraphBuilder* Graph() const { return m_graph.Get(); }
    // Adds a test source for a fixture path; null (and a test failure) when it does not open.
    CTestPacketSource* AddSource(const std::string& path, PacketSourceOptions options = {});
    CTestFrameSink* AddSink(CTestFrameSink::Predicate accepts);
    // Creates a registered class by CLSID and adds it.
    ComPtr<IBaseFilter> Add(const CLSID& clsid);

    // ConnectDirect between pins named by identifier.
    HRESULT Direct(IBaseFilter* from, const char* out, IBaseFilter* to, const char* in = "In");
    // A chain: from's pin into each filter's "In", each "Out" into the next, the last into the sink.
    HRESULT Chain(IBaseFilter* from, const char* out, std::vector<IBaseFilter*> filters);
    // IGraphBuilder::Connect (intelligent).
    HRESULT Intelligent(IBaseFilter* from, const char* out, IBaseFilter* to, const char* in = "In");

    // Runs until the graph completes or aborts, then stops it; returns the ending event.
    long Run();
    // The class identifiers of the filters in the graph, in the order they were added.
    std::vector<CLSID> Classes() const;

private:
    ComPtr<IGraphBuilder> m_graph;
};

ComPtr<IPin> PinOf(IBaseFilter* filter, const char* id);
// Sets and commits parameters through IModuleConfig; the first failure is returned.
HRESULT Configure(IBaseFilter* filter, std::vector<std::pair<Guid, VARIANT>> values);

// A clip made with the ffmpeg command line (two seconds of test picture and tone by default) for
// cases the shared fixtures do not cover; made once per test program.
std::string MakeClip(const std::string& name, const QStringList& arguments);

} // namespace vidlume::test
