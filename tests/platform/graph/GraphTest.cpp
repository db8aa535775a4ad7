// The graph manager driven with scripted filters: a source thread that delivers numbered
// samples, a pass-through that can be told to fail, a renderer that records what it got.

#include "platform/com/CClassRegistry.h"
#include "platform/graph/CBaseFilter.h"
#include "platform/graph/CBaseInputPin.h"
#include "platform/graph/CBaseOutputPin.h"
#include "platform/graph/CFilterGraph.h"
#include "platform/graph/CTransformFilter.h"

extern "C" {
#include <libavcodec/packet.h>
}

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace vidlume;

namespace {

constexpr Guid kTypeA = MakeGuid("0000000A-0000-0000-0000-0000000000AA");
constexpr Guid kTypeB = MakeGuid("0000000B-0000-0000-0000-0000000000BB");
constexpr Guid kTypeC = MakeGuid("0000000C-0000-0000-0000-0000000000CC");
constexpr Guid kTestMajor = MakeGuid("00000001-0000-0000-0000-000000000001");

CMediaType TypeOf(const Guid& sub)
{
    CMediaType mt(kTestMajor, sub);
    mt.formattype = FORMAT_None;
    return mt;
}

// Delivers `count` samples (or without end, for count < 0) from its own thread.
class CScriptedSource final : public CBaseFilter {
public:
    CScriptedSource(int count, Guid type) : CBaseFilter(MakeGuid("5C000000-0000-0000-0000-000000000001")), m_count(count)
    {
        m_out = static_cast<COut*>(AddPin(std::make_unique<COut>(this, type)));
    }
    ~CScriptedSource() override { OnStop(); }
    IPin* Out() { return m_out; }
    std::atomic<int> delivered { 0 };
    std::atomic<bool> threadEnded { false };

protected:
    HRESULT OnStart() override
    {
        threadEnded = false;
        m_thread = std::thread([this] { Stream(); });
        return S_OK;
    }
    void OnStop() override
    {
        if (m_thread.joinable())
            m_thread.join();
    }

private:
    class COut final : public CBaseOutputPin {
    public:
        COut(CBaseFilter* f, Guid type) : CBaseOutputPin(f, "Out"), m_type(type) { }
        HRESULT CheckMediaType(const CMediaType& mt) override { return mt.subtype == m_type ? S_OK : S_FALSE; }
        HRESULT GetMediaType(int i, CMediaType* mt) override
        {
            if (i > 0)
                return S_FALSE;
            *mt = TypeOf(m_type);
            return S_OK;
        }
        Guid m_type;
    };

    void Stream()
    {
        for (int i = 0; m_count < 0 || i < m_count; ++i) {
            AVPacket* p = av_packet_alloc();
            p->pts = i;
            CMediaSample s = CMediaSample::FromPacket(p);
            s.start = i;
            if (m_out->Deliver(s) != FlowStatus::Ok) {
                threadEnded = true;
                return;
            }
            ++delivered;
        }
        m_out->DeliverEndOfStream();
        threadEnded = true;
    }

    int m_count;
    COut* m_out;
    std::thread m_thread;
};

// Records the start times it receives; a renderer.
class CRecordingSink final : public CBaseFilter {
public:
    explicit CRecordingSink(Guid accepted) : CBaseFilter(MakeGuid("5C000000-0000-0000-0000-000000000002"))
    {
        m_in = static_cast<CIn*>(AddPin(std::make_unique<CIn>(this, accepted)));
    }
    IPin* In() { return m_in; }
    std::vector<REFERENCE_TIME> received;

private:
    class CIn final : public CBaseInputPin {
    public:
        CIn(CRecordingSink* f, Guid accepted) : CBaseInputPin(f, "In"), m_sink(f), m_accepted(accepted) { }
        HRESULT CheckMediaType(const CMediaType& mt) override { return mt.subtype == m_accepted ? S_OK : S_FALSE; }
        FlowStatus OnReceive(const CMediaSample& s) override
        {
            m_sink->received.push_back(s.start);
            return FlowStatus::Ok;
        }
        CRecordingSink* m_sink;
        Guid m_accepted;
    };
    CIn* m_in;
};

// Passes samples on, turning type `from` into `to`; fails at sample `failAt` when set.
class CPassThrough final : public CTransformFilter {
public:
    CPassThrough(Guid from, Guid to, int failAt = -1)
        : CTransformFilter(MakeGuid("5C000000-0000-0000-0000-000000000003")), m_from(from), m_to(to), m_failAt(failAt)
    {
    }

protected:
    HRESULT CheckInputType(const CMediaType& mt) override { return mt.subtype == m_from ? S_OK : S_FALSE; }
    HRESULT GetOutputType(int i, CMediaType* mt) override
    {
        if (i > 0)
            return S_FALSE;
        *mt = TypeOf(m_to);
        return S_OK;
    }
    FlowStatus Transform(const CMediaSample& s) override
    {
        if (m_seen++ == m_failAt) {
            ReportError(E_UNEXPECTED);
            return FlowStatus::Error;
        }
        return Deliver(s);
    }

private:
    Guid m_from, m_to;
    int m_failAt;
    int m_seen = 0;
};

ComPtr<IGraphBuilder> NewGraph()
{
    CFilterGraph::Register();
    ComPtr<IGraphBuilder> graph;
    EXPECT_EQ(CoCreateInstance(CLSID_FilterGraph, &graph), S_OK);
    return graph;
}

template <class I>
ComPtr<I> As(const ComPtr<IGraphBuilder>& graph)
{
    ComPtr<I> out;
    graph.As(&out);
    return out;
}

IPin* PinOf(IBaseFilter* f, const char* id)
{
    IPin* pin = nullptr;
    f->FindPin(id, &pin);
    if (pin)
        pin->Release(); // the filter keeps it alive
    return pin;
}

} // namespace

TEST(GraphTest, RunsToCompletionAndDeliversInOrder)
{
    auto graph = NewGraph();
    auto source = MakeComObject<CScriptedSource>(50, kTypeA);
    auto middle = MakeComObject<CPassThrough>(kTypeA, kTypeB);
    auto sink = MakeComObject<CRecordingSink>(kTypeB);
    ASSERT_EQ(graph->AddFilter(source.Get(), "Source"), S_OK);
    ASSERT_EQ(graph->AddFilter(middle.Get(), ""), S_OK);
    ASSERT_EQ(graph->AddFilter(sink.Get(), "Sink"), S_OK);
    ASSERT_EQ(graph->ConnectDirect(source->Out(), PinOf(middle.Get(), "In"), nullptr), S_OK);
    EXPECT_EQ(graph->ConnectDirect(PinOf(middle.Get(), "Out"), PinOf(source.Get(), "Out"), nullptr), VFW_E_INVALID_DIRECTION);
    ASSERT_EQ(graph->ConnectDirect(PinOf(middle.Get(), "Out"), sink->In(), nullptr), S_OK);

    CMediaType mt;
    ASSERT_EQ(sink->In()->ConnectionMediaType(&mt), S_OK);
    EXPECT_EQ(mt.subtype, kTypeB);

    auto control = As<IMediaControl>(graph);
    auto events = As<IMediaEvent>(graph);
    ASSERT_EQ(control->Run(), S_OK);
    long code = 0;
    ASSERT_EQ(events->WaitForCompletion(-1, &code), S_OK);
    EXPECT_EQ(code, EC_COMPLETE);
    ASSERT_EQ(control->Stop(), S_OK);
    ASSERT_EQ(sink->received.size(), 50u);
    for (size_t i = 0; i < sink->received.size(); ++i)
        EXPECT_EQ(sink->received[i], REFERENCE_TIME(i));
    FILTER_STATE state;
    EXPECT_EQ(control->GetState(10, &state), S_OK);
    EXPECT_EQ(state, State_Stopped);

    // A second run starts over.
    sink->received.clear();
    ASSERT_EQ(control->Run(), S_OK);
    ASSERT_EQ(events->WaitForCompletion(-1, &code), S_OK);
    EXPECT_EQ(code, EC_COMPLETE);
    control->Stop();
    EXPECT_EQ(sink->received.size(), 50u);
}

TEST(GraphTest, StopInTheMiddleJoinsTheStreamingThread)
{
    auto graph = NewGraph();
    auto source = MakeComObject<CScriptedSource>(-1, kTypeA);
    auto sink = MakeComObject<CRecordingSink>(kTypeA);
    graph->AddFilter(source.Get(), "Source");
    graph->AddFilter(sink.Get(), "Sink");
    ASSERT_EQ(graph->ConnectDirect(source->Out(), sink->In(), nullptr), S_OK);
    auto control = As<IMediaControl>(graph);
    ASSERT_EQ(control->Run(), S_OK);
    while (source->delivered.load() < 100)
        std::this_thread::yield();
    ASSERT_EQ(control->Stop(), S_OK);
    EXPECT_TRUE(source->threadEnded.load()) << "Stop returned before the streaming thread ended";
    EXPECT_GE(sink->received.size(), 100u);
    FILTER_STATE state;
    control->GetState(0, &state);
    EXPECT_EQ(state, State_Stopped);
}

TEST(GraphTest, AFailingFilterStopsTheGraphWithAnErrorEvent)
{
    auto graph = NewGraph();
    auto source = MakeComObject<CScriptedSource>(-1, kTypeA);
    auto middle = MakeComObject<CPassThrough>(kTypeA, kTypeA, 10);
    auto sink = MakeComObject<CRecordingSink>(kTypeA);
    graph->AddFilter(source.Get(), "Source");
    graph->AddFilter(middle.Get(), "Middle");
    graph->AddFilter(sink.Get(), "Sink");
    ASSERT_EQ(graph->ConnectDirect(source->Out(), PinOf(middle.Get(), "In"), nullptr), S_OK);
    ASSERT_EQ(graph->ConnectDirect(PinOf(middle.Get(), "Out"), sink->In(), nullptr), S_OK);
    auto control = As<IMediaControl>(graph);
    auto events = As<IMediaEvent>(graph);
    ASSERT_EQ(control->Run(), S_OK);
    long code = 0;
    intptr_t p1 = 0, p2 = 0;
    ASSERT_EQ(events->GetEvent(&code, &p1, &p2, -1), S_OK);
    EXPECT_EQ(code, EC_ERRORABORT);
    EXPECT_EQ(HRESULT(p1), E_UNEXPECTED);
    FILTER_STATE state = State_Running;
    ASSERT_EQ(control->GetState(10, &state), S_OK);
    EXPECT_EQ(state, State_Stopped) << "the graph stops itself after an error";
    EXPECT_TRUE(source->threadEnded.load());
    EXPECT_EQ(sink->received.size(), 10u);
    EXPECT_EQ(events->GetEvent(&code, &p1, &p2, 0), E_ABORT) << "no completion follows an error";
}

TEST(GraphTest, CompletionWaitsForEveryRenderer)
{
    auto graph = NewGraph();
    auto shortSource = MakeComObject<CScriptedSource>(3, kTypeA);
    auto endless = MakeComObject<CScriptedSource>(-1, kTypeB);
    auto sinkA = MakeComObject<CRecordingSink>(kTypeA);
    auto sinkB = MakeComObject<CRecordingSink>(kTypeB);
    auto idle = MakeComObject<CRecordingSink>(kTypeC); // not connected: not waited for
    for (IBaseFilter* f : std::initializer_list<IBaseFilter*> { shortSource.Get(), endless.Get(), sinkA.Get(), sinkB.Get(), idle.Get() })
        graph->AddFilter(f, "");
    ASSERT_EQ(graph->ConnectDirect(shortSource->Out(), sinkA->In(), nullptr), S_OK);
    ASSERT_EQ(graph->ConnectDirect(endless->Out(), sinkB->In(), nullptr), S_OK);
    auto control = As<IMediaControl>(graph);
    auto events = As<IMediaEvent>(graph);
    ASSERT_EQ(control->Run(), S_OK);
    while (!shortSource->threadEnded.load())
        std::this_thread::yield();
    long code = 0;
    intptr_t p1, p2;
    EXPECT_EQ(events->GetEvent(&code, &p1, &p2, 0), E_ABORT) << "one renderer is still running";
    control->Stop();
}

TEST(GraphTest, IntelligentConnectFindsAConverterAndRemovesFailedAttempts)
{
    auto& registry = CClassRegistry::Instance();
    constexpr CLSID kGoodConverter = MakeGuid("5C000000-0000-0000-0000-0000000000A1");
    constexpr CLSID kDeadEnd = MakeGuid("5C000000-0000-0000-0000-0000000000A2");
    registry.Register({ kGoodConverter, "A to B", { CATEGORY_Converters }, 0x100,
        [](REFIID iid, void** ppv) { return ComPtr<CPassThrough>(new CPassThrough(kTypeA, kTypeB))->QueryInterface(iid, ppv); },
        { { kTestMajor, kTypeA } } });
    // Tried first (higher merit), accepts the input but leads nowhere.
    registry.Register({ kDeadEnd, "A to C", { CATEGORY_Converters }, 0x800,
        [](REFIID iid, void** ppv) { return ComPtr<CPassThrough>(new CPassThrough(kTypeA, kTypeC))->QueryInterface(iid, ppv); },
        { { kTestMajor, kTypeA } } });

    auto graph = NewGraph();
    auto source = MakeComObject<CScriptedSource>(5, kTypeA);
    auto sink = MakeComObject<CRecordingSink>(kTypeB);
    graph->AddFilter(source.Get(), "Source");
    graph->AddFilter(sink.Get(), "Sink");
    ASSERT_EQ(graph->Connect(source->Out(), sink->In()), S_OK);

    std::vector<std::string> names;
    ComPtr<IEnumFilters> e;
    graph->EnumFilters(e.ReleaseAndGetAddressOf());
    IBaseFilter* f = nullptr;
    while (e->Next(1, &f, nullptr) == S_OK) {
        FILTER_INFO info;
        f->QueryFilterInfo(&info);
        names.push_back(info.achName);
        f->Release();
    }
    EXPECT_EQ(names, (std::vector<std::string> { "Source", "Sink", "A to B" }));

    auto control = As<IMediaControl>(graph);
    auto events = As<IMediaEvent>(graph);
    ASSERT_EQ(control->Run(), S_OK);
    long code = 0;
    ASSERT_EQ(events->WaitForCompletion(-1, &code), S_OK);
    EXPECT_EQ(code, EC_COMPLETE);
    control->Stop();
    EXPECT_EQ(sink->received.size(), 5u);

    // Nothing converts A into C: the graph is left as it was.
    auto other = MakeComObject<CScriptedSource>(1, kTypeA);
    auto unreachable = MakeComObject<CRecordingSink>(kTypeC);
    registry.Unregister(kDeadEnd);
    graph->AddFilter(other.Get(), "Other");
    graph->AddFilter(unreachable.Get(), "Unreachable");
    EXPECT_EQ(graph->Connect(other->Out(), unreachable->In()), VFW_E_CANNOT_CONNECT);
    IBaseFilter* leftover = nullptr;
    EXPECT_EQ(graph->FindFilterByName("A to B 1", &leftover), VFW_E_NOT_FOUND);
    registry.Unregister(kGoodConverter);
}

TEST(GraphTest, FiltersComeAndGoCleanly)
{
    auto graph = NewGraph();
    auto source = MakeComObject<CScriptedSource>(1, kTypeA);
    auto sink = MakeComObject<CRecordingSink>(kTypeA);
    auto sink2 = MakeComObject<CRecordingSink>(kTypeA);
    EXPECT_EQ(graph->AddFilter(sink.Get(), "Sink"), S_OK);
    EXPECT_EQ(graph->AddFilter(sink2.Get(), "Sink"), S_FALSE) << "a taken name gets a number";
    EXPECT_EQ(graph->AddFilter(sink.Get(), "Again"), VFW_E_DUPLICATE_NAME);
    graph->AddFilter(source.Get(), "Source");
    ComPtr<IBaseFilter> found;
    ASSERT_EQ(graph->FindFilterByName("Sink 1", found.ReleaseAndGetAddressOf()), S_OK);
    EXPECT_TRUE(IsSameObject(found.Get(), sink2.Get()));

    ASSERT_EQ(graph->ConnectDirect(source->Out(), sink->In(), nullptr), S_OK);
    EXPECT_EQ(graph->ConnectDirect(source->Out(), sink2->In(), nullptr), VFW_E_ALREADY_CONNECTED);
    ASSERT_EQ(graph->RemoveFilter(sink.Get()), S_OK);
    IPin* peer = nullptr;
    EXPECT_EQ(source->Out()->ConnectedTo(&peer), VFW_E_NOT_CONNECTED) << "removing a filter disconnects its peers";
    EXPECT_EQ(graph->RemoveFilter(sink.Get()), VFW_E_NOT_FOUND);

    auto outside = MakeComObject<CRecordingSink>(kTypeA);
    EXPECT_EQ(graph->ConnectDirect(source->Out(), outside->In(), nullptr), VFW_E_NOT_IN_GRAPH);
}
