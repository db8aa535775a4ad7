#pragma once
// What the writers' tests share: a real graph from the class registry, running it to its end,
// and reading files back byte by byte.

#include "components/ComponentGroups.h"
#include "platform/com/CClassRegistry.h"
#include "platform/graph/CFilterGraph.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <vector>

namespace vidlume::test {

inline void RegisterForWriterTests()
{
    static std::once_flag once;
    std::call_once(once, [] {
        CFilterGraph::Register();
        RegisterWriterComponents();
    });
}

inline ComPtr<IBaseFilter> CreateFilter(const CLSID& clsid)
{
    RegisterForWriterTests();
    ComPtr<IBaseFilter> filter;
    EXPECT_EQ(CoCreateInstance(clsid, &filter), S_OK) << clsid.ToString();
    return filter;
}

inline ComPtr<IPin> PinOf(IBaseFilter* filter, const std::string& id)
{
    ComPtr<IPin> pin;
    if (filter)
        filter->FindPin(id, pin.ReleaseAndGetAddressOf());
    return pin;
}

// How a run ended: the result of Run, then the ending event and, for EC_ERRORABORT, its code.
struct RunResult {
    HRESULT run = E_FAIL;
    long event = 0;
    HRESULT error = S_OK;
};

class CTestGraph {
public:
    CTestGraph()
    {
        RegisterForWriterTests();
        EXPECT_EQ(CoCreateInstance(CLSID_FilterGraph, &m_graph), S_OK);
        m_graph.As(&m_control);
        m_graph.As(&m_events);
    }

    IGraphBuilder* operator->() const { return m_graph.Get(); }
    IMediaControl* Control() const { return m_control.Get(); }

    void Add(IBaseFilter* filter) { ASSERT_TRUE(SUCCEEDED(m_graph->AddFilter(filter, ""))); }
    HRESULT Connect(IPin* out, IPin* in) { return out && in ? m_graph->ConnectDirect(out, in, nullptr) : E_POINTER; }

    // Runs without a clock until the graph completes or aborts, then stops it.
    RunResult RunToEnd()
    {
        RunResult r;
        ComPtr<IMediaFilter> filter;
        m_graph.As(&filter);
        filter->SetSyncSource(nullptr);
        r.run = m_control->Run();
        if (FAILED(r.run))
            return r;
        for (;;) {
            long code = 0;
            intptr_t p1 = 0, p2 = 0;
            if (FAILED(m_events->GetEvent(&code, &p1, &p2, -1)))
                break;
            m_events->FreeEventParams(code, p1, p2);
            if (code == EC_COMPLETE || code == EC_ERRORABORT || code == EC_USERABORT) {
                r.event = code;
                if (code == EC_ERRORABORT)
                    r.error = HRESULT(p1);
                break;
            }
        }
        m_control->Stop();
        return r;
    }

private:
    ComPtr<IGraphBuilder> m_graph;
    ComPtr<IMediaControl> m_control;
    ComPtr<IMediaEvent> m_events;
};

inline std::vector<uint8_t> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline void WriteBytes(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

inline uint32_t ReadLE32(const std::vector<uint8_t>& b, size_t at)
{
    return at + 4 <= b.size() ? uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24 : 0;
}

inline uint32_t ReadBE32(const std::vector<uint8_t>& b, size_t at)
{
    return at + 4 <= b.size() ? uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 | uint32_t(b[at + 3]) : 0;
}

} // namespace vidlume::test
