// The three filters that create an output file - the file writer behind the MP4 multiplexer, the
// Wave writer and the MP3 writer - never overwrite, fail their start clearly, and stop cleanly
// in the middle of a stream.

#include "tests/components/Fixtures.h"
#include "tests/components/Probe.h"
#include "tests/components/writers/TestPacketSource.h"
#include "tests/components/writers/WriterTestGraph.h"

#include <sys/stat.h>
#include <unistd.h>

#include <memory>

using namespace vidlume;
using namespace vidlume::test;

namespace {

enum class Kind { Mp4, Wave, Mp3 };

const char* ExtensionOf(Kind kind)
{
    return kind == Kind::Mp4 ? "mp4" : kind == Kind::Wave ? "wav" : "mp3";
}

struct SinkGraph {
    CTestGraph graph;
    ComPtr<CTestPacketSource> source;
    ComPtr<IBaseFilter> writer; // the filter that creates the file
};

// A source of two seconds feeding the sink of that kind, which writes to path.
std::unique_ptr<SinkGraph> Build(Kind kind, const std::string& path)
{
    auto g = std::make_unique<SinkGraph>();
    if (kind == Kind::Mp4) {
        g->source = CTestPacketSource::FromFile(FixturePath("h264_aac.mp4"));
        ComPtr<IBaseFilter> mux = CreateFilter(CLSID_MP4Multiplexer);
        g->writer = CreateFilter(CLSID_FileWriter);
        g->graph.Add(g->source.Get());
        g->graph.Add(mux.Get());
        g->graph.Add(g->writer.Get());
        EXPECT_EQ(g->graph.Connect(g->source->Pin("Video"), PinOf(mux.Get(), "Input 0").Get()), S_OK);
        EXPECT_EQ(g->graph.Connect(g->source->Pin("Audio"), PinOf(mux.Get(), "Input 1").Get()), S_OK);
        EXPECT_EQ(g->graph.Connect(PinOf(mux.Get(), "Output").Get(), PinOf(g->writer.Get(), "in").Get()), S_OK);
    } else {
        g->source = CTestPacketSource::FromAudio({ AV_SAMPLE_FMT_S16, 44100, 2 }, 2.0);
        g->writer = CreateFilter(kind == Kind::Wave ? CLSID_WaveWriter : CLSID_MP3Writer);
        g->graph.Add(g->source.Get());
        g->graph.Add(g->writer.Get());
        EXPECT_EQ(g->graph.Connect(g->source->Pin("Audio"), PinOf(g->writer.Get(), "In").Get()), S_OK);
    }
    ComPtr<IFileSinkFilter> sink;
    EXPECT_EQ(g->writer.As(&sink), S_OK);
    if (sink) {
        EXPECT_EQ(sink->SetFileName(path, nullptr), S_OK);
    }
    return g;
}

bool Exists(const std::string& path)
{
    return ::access(path.c_str(), F_OK) == 0;
}

// A folder nobody may create files in. The superuser may write anywhere the permissions say
// no, so it gets the system's device tree, which refuses everyone.
std::string UnwritableFolder()
{
    std::string folder = ScratchFolder() + "/read-only";
    ::mkdir(folder.c_str(), 0555);
    ::chmod(folder.c_str(), 0555);
    return ::access(folder.c_str(), W_OK) == 0 ? std::string("/sys") : folder;
}

} // namespace

TEST(FileSinksTest, StartFailsWithoutTouchingOtherFiles)
{
    for (Kind kind : { Kind::Mp4, Kind::Wave, Kind::Mp3 }) {
        SCOPED_TRACE(ExtensionOf(kind));
        const std::string name = std::string("/out.") + ExtensionOf(kind);
        struct Case {
            const char* what;
            std::string path;
            HRESULT expected;
        };
        const Case cases[] = {
            { "existing file", ScratchFolder() + name, HResultFromWin32(80) },
            { "unwritable folder", UnwritableFolder() + name, E_ACCESSDENIED },
            { "missing folder", ScratchFolder() + "/missing" + name, HResultFromWin32(ERROR_PATH_NOT_FOUND) },
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.what);
            const bool existed = c.expected == HResultFromWin32(80);
            if (existed)
                WriteBytes(c.path, "someone else's file");
            auto g = Build(kind, c.path);
            RunResult run = g->graph.RunToEnd();
            EXPECT_EQ(run.run, c.expected) << HResultToString(run.run);
            EXPECT_FALSE(g->source->ThreadRunning());
            if (existed) {
                const std::vector<uint8_t> bytes = ReadBytes(c.path);
                EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "someone else's file");
            } else {
                EXPECT_FALSE(Exists(c.path));
            }
        }
    }
}

TEST(FileSinksTest, StopInTheMiddleJoinsAndKeepsWhatWasWritten)
{
    for (Kind kind : { Kind::Mp4, Kind::Wave, Kind::Mp3 }) {
        SCOPED_TRACE(ExtensionOf(kind));
        const std::string path = ScratchFolder() + "/out." + ExtensionOf(kind);
        auto g = Build(kind, path);
        const size_t half = g->source->SampleCount() / 2;
        g->source->HoldBefore(half);
        ComPtr<IMediaFilter> filter;
        ASSERT_EQ(g->graph->QueryInterface(IMediaFilter::kIid, reinterpret_cast<void**>(filter.ReleaseAndGetAddressOf())), S_OK);
        filter->SetSyncSource(nullptr);
        ASSERT_EQ(g->graph.Control()->Run(), S_OK);
        g->source->WaitUntilHeld();
        EXPECT_EQ(g->graph.Control()->Stop(), S_OK);
        EXPECT_FALSE(g->source->ThreadRunning());
        ASSERT_TRUE(Exists(path));

        if (kind == Kind::Mp4) {
            // The writer is closed: a multiplexer that is late to write gets an error, not a
            // write into whatever file the descriptor number belongs to now.
            ComPtr<IFileStream> stream;
            ASSERT_EQ(PinOf(g->writer.Get(), "in").As(&stream), S_OK);
            const uint8_t byte = 0;
            EXPECT_EQ(stream->Write(0, &byte, 1), VFW_E_WRONG_STATE);
        } else {
            // Audio files are completed at the stop with what arrived.
            ProbedFile probe = Probe(path);
            ASSERT_TRUE(probe.opened) << probe.error;
            EXPECT_EQ(probe.error, "");
            EXPECT_NEAR(probe.duration, double(half) * 1024 / 44100, 0.1);
        }
    }
}

TEST(FileSinksTest, StopRacingTheStream)
{
    // No hold: the stop lands wherever the streaming thread happens to be, and must be clean
    // wherever that is (the sanitizers watch).
    for (Kind kind : { Kind::Mp4, Kind::Wave, Kind::Mp3 }) {
        for (int round = 0; round < 3; ++round) {
            auto g = Build(kind, ScratchFolder() + "/out." + ExtensionOf(kind));
            ASSERT_EQ(g->graph.Control()->Run(), S_OK);
            EXPECT_EQ(g->graph.Control()->Stop(), S_OK);
            EXPECT_FALSE(g->source->ThreadRunning());
        }
    }
}

TEST(FileSinksTest, FileWriterWritesAndReadsAtPositions)
{
    ComPtr<IBaseFilter> writer = CreateFilter(CLSID_FileWriter);
    ComPtr<IFileSinkFilter> sink;
    ComPtr<IFileStream> stream;
    ASSERT_EQ(writer.As(&sink), S_OK);
    ASSERT_EQ(PinOf(writer.Get(), "in").As(&stream), S_OK);

    const std::string path = ScratchFolder() + "/stream.bin";
    ASSERT_EQ(sink->SetFileName(path, nullptr), S_OK);
    std::string name;
    ASSERT_EQ(sink->GetCurFile(&name, nullptr), S_OK);
    EXPECT_EQ(name, path);
    ASSERT_EQ(writer->Pause(), S_OK);
    EXPECT_EQ(sink->SetFileName(path + "2", nullptr), VFW_E_NOT_STOPPED);

    EXPECT_EQ(stream->Write(6, reinterpret_cast<const uint8_t*>("world"), 5), S_OK);
    EXPECT_EQ(stream->Write(0, reinterpret_cast<const uint8_t*>("hello "), 6), S_OK);
    int64_t size = 0;
    EXPECT_EQ(stream->GetSize(&size), S_OK);
    EXPECT_EQ(size, 11);
    char back[16] = {};
    int32_t read = 0;
    EXPECT_EQ(stream->Read(0, reinterpret_cast<uint8_t*>(back), 11, &read), S_OK);
    EXPECT_EQ(std::string(back, size_t(read)), "hello world");
    EXPECT_EQ(stream->Read(6, reinterpret_cast<uint8_t*>(back), 16, &read), S_FALSE) << "past the end";
    EXPECT_EQ(read, 5);

    ASSERT_EQ(writer->Stop(), S_OK);
    EXPECT_EQ(stream->Write(0, reinterpret_cast<const uint8_t*>("x"), 1), VFW_E_WRONG_STATE);
    const std::vector<uint8_t> bytes = ReadBytes(path);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "hello world");

    // A start that went no further - another filter failed to start - leaves no empty file.
    const std::string unused = ScratchFolder() + "/unused.bin";
    ASSERT_EQ(sink->SetFileName(unused, nullptr), S_OK);
    ASSERT_EQ(writer->Pause(), S_OK);
    ASSERT_EQ(writer->Stop(), S_OK);
    EXPECT_FALSE(Exists(unused));
}
