#include "TestGraph.h"

#include "tests/components/Fixtures.h"

#include "components/ComponentGroups.h"
#include "platform/com/CClassRegistry.h"
#include "platform/graph/CFilterGraph.h"

#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

#include <map>
#include <mutex>

namespace vidlume::test {

TestGraph::TestGraph()
{
    static std::once_flag once;
    std::call_once(once, [] {
        CFilterGraph::Register();
        RegisterDecoderComponents();
    });
    EXPECT_EQ(CoCreateInstance(CLSID_FilterGraph, &m_graph), S_OK);
}

CTestPacketSource* TestGraph::AddSource(const std::string& path, PacketSourceOptions options)
{
    ComPtr<CTestPacketSource> source(new CTestPacketSource(path, std::move(options)));
    if (!source->Opened()) {
        ADD_FAILURE() << "cannot open " << path;
        return nullptr;
    }
    EXPECT_TRUE(SUCCEEDED(m_graph->AddFilter(source.Get(), "Source")));
    return source.Get(); // the graph holds it
}

CTestFrameSink* TestGraph::AddSink(CTestFrameSink::Predicate accepts)
{
    ComPtr<CTestFrameSink> sink(new CTestFrameSink(std::move(accepts)));
    EXPECT_TRUE(SUCCEEDED(m_graph->AddFilter(sink.Get(), "Sink")));
    return sink.Get();
}

ComPtr<IBaseFilter> TestGraph::Add(const CLSID& clsid)
{
    ComPtr<IBaseFilter> filter;
    EXPECT_EQ(CoCreateInstance(clsid, &filter), S_OK) << clsid.ToString();
    if (filter) {
        EXPECT_TRUE(SUCCEEDED(m_graph->AddFilter(filter.Get(), "")));
    }
    return filter;
}

HRESULT TestGraph::Direct(IBaseFilter* from, const char* out, IBaseFilter* to, const char* in)
{
    ComPtr<IPin> a = PinOf(from, out), b = PinOf(to, in);
    return a && b ? m_graph->ConnectDirect(a.Get(), b.Get(), nullptr) : VFW_E_NOT_FOUND;
}

HRESULT TestGraph::Chain(IBaseFilter* from, const char* out, std::vector<IBaseFilter*> filters)
{
    for (IBaseFilter* next : filters) {
        HRESULT hr = Direct(from, out, next, "In");
        if (FAILED(hr))
            return hr;
        from = next;
        out = "Out";
    }
    return S_OK;
}

HRESULT TestGraph::Intelligent(IBaseFilter* from, const char* out, IBaseFilter* to, const char* in)
{
    ComPtr<IPin> a = PinOf(from, out), b = PinOf(to, in);
    return a && b ? m_graph->Connect(a.Get(), b.Get()) : VFW_E_NOT_FOUND;
}

long TestGraph::Run()
{
    ComPtr<IMediaControl> control;
    ComPtr<IMediaEvent> events;
    ComPtr<IMediaFilter> filter;
    m_graph.As(&control);
    m_graph.As(&events);
    m_graph.As(&filter);
    filter->SetSyncSource(nullptr);
    HRESULT hr = control->Run();
    if (FAILED(hr))
        return -hr;
    long code = 0;
    events->WaitForCompletion(-1, &code);
    control->Stop();
    return code;
}

std::vector<CLSID> TestGraph::Classes() const
{
    std::vector<CLSID> classes;
    ComPtr<IEnumFilters> e;
    m_graph->EnumFilters(e.ReleaseAndGetAddressOf());
    IBaseFilter* raw = nullptr;
    while (e && e->Next(1, &raw, nullptr) == S_OK) {
        CLSID clsid;
        raw->GetClassID(&clsid);
        raw->Release();
        classes.push_back(clsid);
    }
    return classes;
}

ComPtr<IPin> PinOf(IBaseFilter* filter, const char* id)
{
    ComPtr<IPin> pin;
    if (filter)
        filter->FindPin(id, pin.ReleaseAndGetAddressOf());
    return pin;
}

HRESULT Configure(IBaseFilter* filter, std::vector<std::pair<Guid, VARIANT>> values)
{
    ComPtr<IModuleConfig> config;
    HRESULT hr = ComPtr<IBaseFilter>(filter).As(&config);
    if (FAILED(hr))
        return hr;
    for (auto& [id, value] : values)
        if (FAILED(hr = config->SetValue(id, value)))
            return hr;
    return config->CommitChanges();
}

std::string MakeClip(const std::string& name, const QStringList& arguments)
{
    static std::mutex lock;
    static std::map<std::string, std::string> made;
    std::lock_guard guard(lock);
    if (auto it = made.find(name); it != made.end())
        return it->second;
    const std::string path = ScratchFolder() + "/" + name;
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", QStringList { "-nostdin", "-hide_banner", "-loglevel", "error", "-y" } + arguments + QStringList { QString::fromStdString(path) });
    if (!ffmpeg.waitForFinished(120000) || ffmpeg.exitCode() != 0) {
        ADD_FAILURE() << "ffmpeg could not make " << name << ": " << ffmpeg.readAllStandardError().toStdString();
        return {};
    }
    made[name] = path;
    return path;
}

} // namespace vidlume::test
