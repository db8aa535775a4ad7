// The network source against a small HTTP server that the test runs on 127.0.0.1.

#include "TestGraph.h"
#include "TestHttpServer.h"

#include "platform/com/CClassRegistry.h"
#include "tests/components/Fixtures.h"

#include <gtest/gtest.h>

#include <thread>

using namespace vidlume;
using namespace vidlume::test;

namespace {

HRESULT LoadNetworkSource(const std::string& url, ComPtr<IBaseFilter>* source)
{
    RegisterSourceGroup();
    HRESULT hr = CoCreateInstance(CLSID_NetworkSource, source);
    if (FAILED(hr))
        return hr;
    ComPtr<IFileSourceFilter> load;
    hr = source->As(&load);
    return SUCCEEDED(hr) ? load->Load(url, nullptr) : hr;
}

ComPtr<IAsyncReader> ReaderOf(IBaseFilter* source)
{
    ComPtr<IPin> pin;
    ComPtr<IAsyncReader> reader;
    if (SUCCEEDED(source->FindPin("Output", pin.ReleaseAndGetAddressOf())))
        pin.As(&reader);
    return reader;
}

} // namespace

// Reads anywhere, in any order, give the served bytes - through ranges where the server has
// them, and by reading from the front where it has not (then the size counts as unknown).
TEST(NetworkSourceTest, ReadsAnyPositionWithAndWithoutRanges)
{
    const auto bytes = ReadWholeFile(FixturePath("h264_aac.mp4"));
    const int64_t size = int64_t(bytes.size());
    ASSERT_GT(size, 100000);
    for (bool ranges : { true, false }) {
        SCOPED_TRACE(ranges ? "ranges" : "no ranges");
        CTestHttpServer server({ bytes, 0, ranges, false });
        ComPtr<IBaseFilter> source;
        ASSERT_EQ(LoadNetworkSource(server.Url(), &source), S_OK);
        auto reader = ReaderOf(source.Get());
        ASSERT_TRUE(reader);
        int64_t total = 0, available = 0;
        ASSERT_EQ(reader->Length(&total, &available), S_OK);
        EXPECT_EQ(total, ranges ? size : -1);

        struct Read {
            int64_t position;
            int32_t length;
            HRESULT result;
            int32_t read;
        };
        const Read reads[] = {
            { 0, 100, S_OK, 100 },
            { size / 2, 4096, S_OK, 4096 }, // forward, far
            { 1000, 500, S_OK, 500 },       // backward
            { size - 10, 100, S_FALSE, 10 },
            { size + 5, 10, S_FALSE, 0 },
            { 3, 7, S_OK, 7 },
        };
        for (const Read& r : reads) {
            SCOPED_TRACE(r.position);
            std::vector<uint8_t> buffer(size_t(r.length));
            int32_t read = -1;
            EXPECT_EQ(reader->SyncRead(r.position, r.length, buffer.data(), &read), r.result);
            ASSERT_EQ(read, r.read);
            EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + read, bytes.begin() + r.position));
        }
        ASSERT_EQ(reader->Length(&total, &available), S_OK);
        EXPECT_EQ(available, size);
    }
}

// The whole chain over the network: an MP4 with its index at the end needs ranges; a program
// stream plays from front to back on a server without them.
TEST(NetworkSourceTest, DemultiplexesOverHttp)
{
    struct Case {
        const char* fixture;
        bool ranges;
    };
    for (const Case& c : { Case { "h264_aac.mp4", true }, Case { "mpeg2.mpg", false } }) {
        SCOPED_TRACE(c.fixture);
        CTestHttpServer server({ ReadWholeFile(FixturePath(c.fixture)), 0, c.ranges, false });
        DemuxGraph g;
        ASSERT_EQ(LoadSource(server.Url(), &g), S_OK);
        CLSID clsid;
        g.source->GetClassID(&clsid);
        EXPECT_EQ(clsid, CLSID_NetworkSource);
        ASSERT_EQ(AddDemultiplexer(&g), S_OK);
        ASSERT_EQ(g.outputs.size(), 2u);
        EXPECT_EQ(RunToEnd(g), EC_COMPLETE);
        EXPECT_EQ(g.outputs[0].sink->Samples().size(), 50u);
        EXPECT_GT(g.outputs[1].sink->Samples().size(), 50u);
        for (const auto& o : g.outputs)
            EXPECT_TRUE(o.sink->Ended()) << o.id;
    }
}

TEST(NetworkSourceTest, LoadFailsWithAClearResult)
{
    CTestHttpServer server({ { 1, 2, 3 }, 0, true, false });
    int closedPort;
    {
        CTestHttpServer gone({ { 1 }, 0, true, false });
        closedPort = gone.Port();
    }
    struct Case {
        const char* name;
        std::string url;
        HRESULT expected; // S_OK: any failure
    };
    const Case cases[] = {
        { "not found", server.Url("/missing"), HResultFromWin32(ERROR_FILE_NOT_FOUND) },
        { "nobody listening", "http://127.0.0.1:" + std::to_string(closedPort) + "/media", S_OK },
        { "another scheme", "ftp://127.0.0.1/media", E_INVALIDARG },
        { "a local path", FixturePath("tone.wav"), E_INVALIDARG },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ComPtr<IBaseFilter> source;
        const HRESULT hr = LoadNetworkSource(c.url, &source);
        EXPECT_TRUE(FAILED(hr));
        if (c.expected != S_OK) {
            EXPECT_EQ(hr, c.expected) << HResultToString(hr);
        }
    }
}

// A read waiting for a server that does not answer ends at once - with E_ABORT, which only the
// interruption gives - when the reader is flushed (as the demultiplexer does when it stops) or
// the source filter stops.
TEST(NetworkSourceTest, WaitingReadEndsOnFlushOrStop)
{
    for (bool byStop : { false, true }) {
        SCOPED_TRACE(byStop ? "Stop" : "BeginFlush");
        CTestHttpServer server({ {}, 64 << 20, true, true });
        ComPtr<IBaseFilter> source;
        ASSERT_EQ(LoadNetworkSource(server.Url(), &source), S_OK);
        auto reader = ReaderOf(source.Get());
        ASSERT_TRUE(reader);
        if (byStop) {
            ASSERT_EQ(source->Pause(), S_OK);
        }

        HRESULT result = S_OK;
        std::thread waiting([&] {
            uint8_t buffer[100];
            int32_t read = 0;
            result = reader->SyncRead(32 << 20, sizeof buffer, buffer, &read); // a new request the server holds
        });
        server.WaitForStalledRequest();
        if (byStop) {
            EXPECT_EQ(source->Stop(), S_OK);
        } else {
            EXPECT_EQ(reader->BeginFlush(), S_OK);
        }
        waiting.join();
        EXPECT_EQ(result, E_ABORT) << HResultToString(result);
        if (!byStop)
            reader->EndFlush();
    }
}
