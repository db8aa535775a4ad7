// The MP4 multiplexer writing through the file writer, fed with the packets of real files: what
// it writes must open in libavformat with every stream whole, start at 0, and honour its options.

#include "tests/components/Fixtures.h"
#include "tests/components/Probe.h"
#include "tests/components/writers/TestPacketSource.h"
#include "tests/components/writers/WriterTestGraph.h"

#include <QProcess>
#include <QStringList>

using namespace vidlume;
using namespace vidlume::test;

namespace {

constexpr Guid kBrand = MakeGuid("67F699AE-4856-4292-99F1-BB6FDB596E43");
constexpr Guid kFlags = MakeGuid("AB50A92F-1AF8-4F03-A35B-7EDEF95AE1F0");

// H.264 with B-frames: its first decoding time is before 0.
std::string BFramesFixture()
{
    static std::string path = [] {
        std::string out = ScratchFolder() + "/bframes.mp4";
        QProcess ffmpeg;
        ffmpeg.start("ffmpeg",
            { "-nostdin", "-hide_banner", "-loglevel", "error", "-y", "-f", "lavfi", "-i", "testsrc2=size=320x240:rate=25:duration=2", "-f",
                "lavfi", "-i", "sine=frequency=440:sample_rate=44100:duration=2", "-ac", "2", "-c:v", "libx264", "-preset", "veryfast",
                "-bf", "2", "-pix_fmt", "yuv420p", "-c:a", "aac", QString::fromStdString(out) });
        if (!ffmpeg.waitForFinished(120000) || ffmpeg.exitCode() != 0) {
            ADD_FAILURE() << "ffmpeg could not make the B-frame fixture: " << ffmpeg.readAllStandardError().toStdString();
            return std::string();
        }
        return out;
    }();
    return path;
}

std::string MajorBrand(const std::string& path)
{
    std::vector<uint8_t> head = ReadBytes(path);
    if (head.size() < 12 || std::string(head.begin() + 4, head.begin() + 8) != "ftyp")
        return {};
    return std::string(head.begin() + 8, head.begin() + 12);
}

// The latest start of any stream, in seconds: every track of a file that plays from 0 starts there.
double LatestStreamStart(const std::string& path)
{
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0)
        return -1;
    AVInputFormatContextPtr input(raw);
    if (avformat_find_stream_info(input.get(), nullptr) < 0)
        return -1;
    double latest = -1;
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        const AVStream* st = input->streams[i];
        if (st->start_time == AV_NOPTS_VALUE)
            return -1;
        latest = std::max(latest, st->start_time * av_q2d(st->time_base));
    }
    return latest;
}

void Configure(IBaseFilter* mux, int brand, int flags)
{
    ComPtr<IModuleConfig> config;
    ASSERT_EQ(ComPtr<IBaseFilter>(mux).As(&config), S_OK);
    EXPECT_EQ(config->SetDefState(), S_OK);
    EXPECT_EQ(config->SetValue(kBrand, VARIANT::I4(brand)), S_OK);
    EXPECT_EQ(config->SetValue(kFlags, VARIANT::I4(flags)), S_OK);
    EXPECT_EQ(config->CommitChanges(), S_OK);
}

} // namespace

TEST(Mp4MultiplexerTest, WritesFilesPlayersOpen)
{
    struct Case {
        const char* name;
        std::string fixture;
        bool video, audio; // which of the fixture's streams go in
        int brand, flags;
        const char* majorBrand;
        bool indexAtFront;
        const char* videoCodec; // null: none expected
        const char* audioCodec;
    };
    const Case cases[] = {
        { "device profile", FixturePath("h264_aac.mp4"), true, true, 0, 3, "mp42", true, "h264", "aac" },
        { "plain", FixturePath("h264_aac.mp4"), true, true, 0, 0, "isom", false, "h264", "aac" },
        { "sound only through Input 0", FixturePath("h264_aac.mp4"), false, true, 2, 0, "M4A ", false, nullptr, "aac" },
        { "B-frames", BFramesFixture(), true, true, 2, 1, "M4V ", true, "h264", "aac" },
        { "MPEG-4 Part 2 and MP3", FixturePath("mpeg4_mp3.avi"), true, true, 1, 1, "mp42", true, "mpeg4", "mp3" },
        { "video only", FixturePath("video_only.mp4"), true, false, 0, 2, "mp42", false, "h264", nullptr },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_FALSE(c.fixture.empty());
        ComPtr<CTestPacketSource> source = CTestPacketSource::FromFile(c.fixture);
        ASSERT_TRUE(source);
        if (std::string(c.name) == "B-frames") {
            ASSERT_LT(source->SamplesOn("Video").front().Packet()->dts, 0) << "the fixture should start decoding before 0";
        }
        const std::string out = ScratchFolder() + "/out.mp4";

        CTestGraph graph;
        ComPtr<IBaseFilter> mux = CreateFilter(CLSID_MP4Multiplexer);
        ComPtr<IBaseFilter> writer = CreateFilter(CLSID_FileWriter);
        ComPtr<IFileSinkFilter> sink;
        ASSERT_EQ(writer.As(&sink), S_OK);
        ASSERT_EQ(sink->SetFileName(out, nullptr), S_OK);
        graph.Add(source.Get());
        graph.Add(mux.Get());
        graph.Add(writer.Get());
        Configure(mux.Get(), c.brand, c.flags);
        int input = 0;
        if (c.video) {
            ASSERT_EQ(graph.Connect(source->Pin("Video"), PinOf(mux.Get(), "Input " + std::to_string(input++)).Get()), S_OK);
        }
        if (c.audio) {
            ASSERT_EQ(graph.Connect(source->Pin("Audio"), PinOf(mux.Get(), "Input " + std::to_string(input++)).Get()), S_OK);
        }
        ASSERT_EQ(graph.Connect(PinOf(mux.Get(), "Output").Get(), PinOf(writer.Get(), "in").Get()), S_OK);

        RunResult run = graph.RunToEnd();
        ASSERT_EQ(run.run, S_OK);
        ASSERT_EQ(run.event, EC_COMPLETE) << HResultToString(run.error);

        ProbedFile probe = Probe(out);
        ASSERT_TRUE(probe.opened) << probe.error;
        EXPECT_EQ(probe.error, "");
        EXPECT_NE(probe.container.find("mp4"), std::string::npos);
        EXPECT_NEAR(probe.duration, 2.0, 0.1);
        EXPECT_NEAR(LatestStreamStart(out), 0.0, 0.001);
        EXPECT_EQ(probe.indexAtFront, c.indexAtFront);
        EXPECT_EQ(MajorBrand(out), c.majorBrand);
        EXPECT_EQ(probe.streams.size(), size_t(c.videoCodec != nullptr) + size_t(c.audioCodec != nullptr));
        if (c.videoCodec) {
            ASSERT_NE(probe.Video(), nullptr);
            EXPECT_EQ(probe.Video()->codec, c.videoCodec);
            EXPECT_EQ(probe.Video()->frames, 50) << "every frame of the two seconds at 25 fps";
        }
        if (c.audioCodec) {
            ASSERT_NE(probe.Audio(), nullptr);
            EXPECT_EQ(probe.Audio()->codec, c.audioCodec);
            EXPECT_EQ(probe.Audio()->sampleRate, 44100);
            EXPECT_EQ(probe.Audio()->channels, 2);
        }
    }
}

TEST(Mp4MultiplexerTest, OptionsTakeEffectAtCommit)
{
    ComPtr<IBaseFilter> mux = CreateFilter(CLSID_MP4Multiplexer);
    ComPtr<IModuleConfig> config;
    ASSERT_EQ(mux.As(&config), S_OK);
    VARIANT v;
    EXPECT_EQ(config->SetValue(kFlags, VARIANT::UI4(3)), S_OK);
    ASSERT_EQ(config->GetValue(kFlags, &v), S_OK);
    EXPECT_EQ(v.lVal, 0) << "pending until committed";
    EXPECT_EQ(config->CommitChanges(), S_OK);
    ASSERT_EQ(config->GetValue(kFlags, &v), S_OK);
    EXPECT_EQ(v.lVal, 3);
    EXPECT_EQ(config->SetDefState(), S_OK);
    EXPECT_EQ(config->CommitChanges(), S_OK);
    ASSERT_EQ(config->GetValue(kFlags, &v), S_OK);
    EXPECT_EQ(v.lVal, 0);

    // Unknown parameters, other kinds of value and values without a meaning are refused.
    EXPECT_EQ(config->SetValue(MakeGuid("0D6239BD-E7DC-4DDB-AB8D-C21E8AFDA71C"), VARIANT::I4(0)), E_INVALIDARG);
    EXPECT_EQ(config->IsSupported(MakeGuid("0D6239BD-E7DC-4DDB-AB8D-C21E8AFDA71C")), E_INVALIDARG);
    EXPECT_EQ(config->SetValue(kFlags, VARIANT::R8(1)), E_INVALIDARG);
    EXPECT_EQ(config->SetValue(kFlags, VARIANT::I4(4)), E_INVALIDARG);
    EXPECT_EQ(config->SetValue(kBrand, VARIANT::I4(3)), E_INVALIDARG);
    EXPECT_EQ(config->SetValue(kBrand, VARIANT::I4(-1)), E_INVALIDARG);
}
