// The demultiplexer in a real graph: file source -> demultiplexer -> a test sink per output pin.

#include "TestGraph.h"
#include "TestMedia.h"

#include "components/ffmpeg/CodecMediaTypes.h"
#include "components/sources/CByteStreamSource.h"
#include "components/sources/CLavfDemultiplexer.h"
#include "components/sources/CMemoryReader.h"
#include "platform/com/CClassRegistry.h"
#include "tests/components/Fixtures.h"

#include <gtest/gtest.h>

using namespace vidlume;
using namespace vidlume::test;

namespace {

constexpr REFERENCE_TIME kSecond = kUnitsPerSecond;
constexpr REFERENCE_TIME kMs = kSecond / 1000;

std::string Seconds(REFERENCE_TIME t)
{
    return t == kNoTime ? "none" : std::to_string(double(t) / kSecond) + " s";
}

// What every stream must look like at a sink after a run from the start: a discontinuity first,
// decoding times that never go back, output starting near 0 and reaching the end.
void CheckTimeline(const DemuxGraph::Output& o, REFERENCE_TIME duration)
{
    SCOPED_TRACE(o.id);
    const auto samples = o.sink->Samples();
    ASSERT_FALSE(samples.empty());
    EXPECT_TRUE(o.sink->Ended());
    EXPECT_TRUE(samples.front().discontinuity);
    EXPECT_TRUE(samples.front().syncPoint);
    REFERENCE_TIME first = kNoTime, last = kNoTime, lastDts = kNoTime;
    int backwards = 0;
    for (const auto& s : samples) {
        if (s.start != kNoTime) {
            first = first == kNoTime ? s.start : std::min(first, s.start);
            last = last == kNoTime ? s.start : std::max(last, s.start);
        }
        if (s.dts != kNoTime) {
            backwards += lastDts != kNoTime && s.dts < lastDts;
            lastDts = s.dts;
        }
        EXPECT_FALSE(&s != &samples.front() && s.discontinuity);
    }
    EXPECT_EQ(backwards, 0);
    EXPECT_LT(std::abs(first), 200 * kMs) << Seconds(first);
    EXPECT_GT(last, duration - 300 * kMs) << Seconds(last);
    EXPECT_LT(last, duration + 100 * kMs) << Seconds(last);
}

// The video samples of a plain run over the whole file, and the one a run starting at `start`
// must begin with: the last key frame at or before it.
struct Reference {
    std::vector<CTestSink::Sample> video;
    size_t KeyFrameBefore(REFERENCE_TIME start) const
    {
        size_t key = 0;
        for (size_t i = 0; i < video.size(); ++i)
            if (video[i].syncPoint && video[i].start <= start)
                key = i;
        return key;
    }
};

Reference ReferenceRun(const std::string& path)
{
    DemuxGraph g;
    Reference r;
    EXPECT_EQ(LoadSource(path, &g), S_OK);
    EXPECT_EQ(AddDemultiplexer(&g), S_OK);
    EXPECT_EQ(RunToEnd(g), EC_COMPLETE);
    if (!g.outputs.empty())
        r.video = g.outputs[0].sink->Samples();
    return r;
}

} // namespace

// Every fixture opens, names its pins as the callers look for them (in the container's stream
// order, which for FLV puts the sound first), describes its streams with the right types and runs
// to EC_COMPLETE with every packet and sound timestamps.
TEST(DemultiplexerTest, DemuxesEveryFixture)
{
    struct Pin {
        const char* id;
        Guid subtype;
        int width, height; // video
        int sampleRate;    // audio
        int packets;       // video: frames in the two seconds; 0: not counted
    };
    struct Case {
        const char* fixture;
        std::vector<Pin> pins;
    };
    const Guid xvid = Guid::FromFourCC("xvid");
    const Case cases[] = {
        { "h264_aac.mp4", { { "Video", MEDIASUBTYPE_AVC1, 320, 240, 0, 50 }, { "Audio", MEDIASUBTYPE_AAC, 0, 0, 44100, 0 } } },
        { "h264_aac.mov", { { "Video", MEDIASUBTYPE_AVC1, 320, 240, 0, 50 }, { "Audio", MEDIASUBTYPE_AAC, 0, 0, 44100, 0 } } },
        { "mpeg2.mpg", { { "Video 0xE0", MEDIASUBTYPE_MPEG2_VIDEO, 352, 288, 0, 50 }, { "Audio 0xC0", MEDIASUBTYPE_MPEG1AudioPayload, 0, 0, 44100, 0 } } },
        { "mpeg4_mp3.avi", { { "Video", xvid, 320, 240, 0, 50 }, { "Audio", MEDIASUBTYPE_MP3, 0, 0, 44100, 0 } } },
        { "wmv2.wmv", { { "Video", Guid::FromFourCC("WMV2"), 320, 240, 0, 50 }, { "Audio", MEDIASUBTYPE_WMAUDIO2, 0, 0, 44100, 0 } } },
        { "flv1.flv", { { "Video", Guid::FromFourCC("FLV1"), 320, 240, 0, 50 }, { "Audio", MEDIASUBTYPE_MP3, 0, 0, 44100, 0 } } },
        { "tone.wav", { { "Audio", MEDIASUBTYPE_PCM, 0, 0, 44100, 0 } } },
        { "tone.mp3", { { "Audio", MEDIASUBTYPE_MP3, 0, 0, 44100, 0 } } },
        { "tone.m4a", { { "Audio", MEDIASUBTYPE_AAC, 0, 0, 48000, 0 } } },
        { "video_only.mp4", { { "Video", MEDIASUBTYPE_AVC1, 320, 240, 0, 50 } } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fixture);
        DemuxGraph g;
        ASSERT_EQ(LoadSource(FixturePath(c.fixture), &g), S_OK);
        ASSERT_EQ(AddDemultiplexer(&g), S_OK);
        ASSERT_EQ(g.outputs.size(), c.pins.size());
        for (const Pin& want : c.pins) {
            SCOPED_TRACE(want.id);
            const auto* found = g.Find(want.id);
            ASSERT_NE(found, nullptr);
            const auto& o = *found;
            const CMediaType type = o.sink->ConnectedType();
            EXPECT_EQ(type.subtype, want.subtype) << type.subtype.ToString();
            if (want.width) {
                ASSERT_NE(type.BitmapHeader(), nullptr);
                EXPECT_EQ(type.majortype, MEDIATYPE_Video);
                EXPECT_EQ(type.BitmapHeader()->biWidth, want.width);
                EXPECT_EQ(type.BitmapHeader()->biHeight, want.height);
                EXPECT_EQ(type.AvgTimePerFrame(), kSecond / 25);
            } else {
                ASSERT_NE(type.WaveFormat(), nullptr);
                EXPECT_EQ(type.majortype, MEDIATYPE_Audio);
                EXPECT_EQ(type.WaveFormat()->nSamplesPerSec, uint32_t(want.sampleRate));
                EXPECT_EQ(type.WaveFormat()->nChannels, 2);
            }
            ComPtr<IMediaSeeking> seeking;
            ASSERT_EQ(o.pin.As(&seeking), S_OK);
            REFERENCE_TIME duration = 0;
            EXPECT_EQ(seeking->GetDuration(&duration), S_OK);
            EXPECT_NEAR(double(duration), double(2 * kSecond), double(kSecond / 10)) << Seconds(duration);
        }

        ComPtr<IMediaControl> control;
        ComPtr<IMediaEvent> events;
        ASSERT_EQ(g.graph.As(&control), S_OK);
        ASSERT_EQ(g.graph.As(&events), S_OK);
        ASSERT_EQ(control->Run(), S_OK);
        long code = 0;
        ASSERT_EQ(events->WaitForCompletion(-1, &code), S_OK);
        EXPECT_EQ(code, EC_COMPLETE);
        ASSERT_EQ(control->Stop(), S_OK);

        for (const Pin& want : c.pins) {
            const auto& o = *g.Find(want.id);
            CheckTimeline(o, 2 * kSecond);
            const auto samples = o.sink->Samples();
            if (want.packets) {
                EXPECT_EQ(long(samples.size()), want.packets) << o.id;
            }
            ComPtr<IMediaSeeking> seeking;
            o.pin.As(&seeking);
            REFERENCE_TIME current = 0;
            EXPECT_EQ(seeking->GetCurrentPosition(&current), S_OK);
            EXPECT_EQ(current, samples.back().start) << o.id;
        }
    }
}

// DVD VOB data: pins named by stream id (the DVD device finds "Video..." by prefix and the
// subpicture by its full name), both as the first demultiplexer finds it and as the second,
// configured the way the DVD device configures it.
TEST(DemultiplexerTest, NamesProgramStreamPinsByStreamId)
{
    const std::string vob = MakeDvdLikeVob();
    ASSERT_FALSE(vob.empty());
    struct Case {
        const char* name;
        CLSID clsid;
        bool dvdSettings;
    };
    const Case cases[] = { { "first choice", CLSID_Demultiplexer, false }, { "second, set up for DVD", CLSID_Demultiplexer2, true } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DemuxGraph g;
        ASSERT_EQ(LoadSource(vob, &g), S_OK);
        std::function<void(IModuleConfig*)> configure;
        if (c.dvdSettings) {
            configure = [](IModuleConfig* config) {
                const std::pair<Guid, int32_t> values[] = { { DEMUX_ProgramStream, 1 }, { DEMUX_ProbeSize, 0x01000000 }, { DEMUX_SeekByIndex, 0 },
                    { DEMUX_KeepTimestamps, 0 }, { DEMUX_GenerateTimes, 1 }, { DEMUX_DropCorrupt, 1 } };
                for (const auto& [parameter, value] : values)
                    EXPECT_EQ(config->SetValue(parameter, VARIANT::I4(value)), S_OK);
                EXPECT_EQ(config->CommitChanges(), S_OK);
            };
        }
        ASSERT_EQ(AddDemultiplexer(&g, c.clsid, configure), S_OK);
        const char* ids[] = { "Video 0xE0", "Audio 0x80", "Audio 0xA0", "Subpicture (ID 189/32 @ Prog# 0)" };
        ASSERT_EQ(g.outputs.size(), std::size(ids));
        for (size_t i = 0; i < std::size(ids); ++i)
            EXPECT_EQ(g.outputs[i].id, ids[i]);
        const Guid subtypes[] = { MEDIASUBTYPE_MPEG2_VIDEO, MEDIASUBTYPE_DOLBY_AC3, SubtypeFromCodec(AV_CODEC_ID_PCM_DVD, 0, false),
            MEDIASUBTYPE_DVD_SUBPICTURE };
        for (size_t i = 0; i < std::size(subtypes); ++i)
            EXPECT_EQ(g.outputs[i].sink->ConnectedType().subtype, subtypes[i]) << ids[i];
        EXPECT_EQ(g.outputs[3].sink->ConnectedType().majortype, MEDIATYPE_Subtitle);

        EXPECT_EQ(RunToEnd(g), EC_COMPLETE);
        for (size_t i = 0; i < 3; ++i)
            CheckTimeline(g.outputs[i], 2 * kSecond);
        EXPECT_EQ(g.outputs[0].sink->Samples().size(), 50u);
        const auto subpictures = g.outputs[3].sink->Samples();
        ASSERT_EQ(subpictures.size(), 2u);
        EXPECT_NEAR(double(subpictures[0].start), double(kSecond / 2), double(kMs));
        EXPECT_NEAR(double(subpictures[1].start), double(12 * kSecond / 10), double(kMs));
    }
}

// Input the parser cannot read fails at Load or at connection - never later, never with a
// crash - and leaves the demultiplexer with its input pin only, so the graph can go on to the
// next candidate. Intelligent connect then finds no way and adds nothing.
TEST(DemultiplexerTest, BadInputFailsAtLoadOrConnection)
{
    const std::string folder = ScratchFolder();
    struct Case {
        const char* name;
        std::string path;
        HRESULT load;    // S_OK: loads, and the connection fails
        HRESULT connect; // S_OK: any failure
    };
    const Case cases[] = {
        { "missing file", folder + "/missing.mp4", HResultFromWin32(ERROR_FILE_NOT_FOUND), S_OK },
        { "missing folder", folder + "/nowhere/clip.mp4", HResultFromWin32(ERROR_FILE_NOT_FOUND), S_OK },
        { "a folder", folder, E_ACCESSDENIED, S_OK },
        { "zero bytes", FixturePath("empty.mp4"), S_OK, VFW_E_FILE_TOO_SHORT },
        { "cut before the index", FixturePath("truncated.mp4"), S_OK, S_OK },
        { "text with a lying extension", FixturePath("text.mp4"), S_OK, S_OK },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DemuxGraph g;
        const HRESULT load = LoadSource(c.path, &g);
        EXPECT_EQ(load, c.load) << HResultToString(load);
        if (FAILED(load))
            continue;
        const HRESULT connect = AddDemultiplexer(&g, CLSID_Demultiplexer);
        EXPECT_TRUE(FAILED(connect));
        if (c.connect != S_OK) {
            EXPECT_EQ(connect, c.connect) << HResultToString(connect);
        }
        ComPtr<IPin> pin;
        EXPECT_EQ(g.demux->FindPin("Input", pin.ReleaseAndGetAddressOf()), S_OK);
        ComPtr<IPin> peer;
        EXPECT_EQ(pin->ConnectedTo(peer.ReleaseAndGetAddressOf()), VFW_E_NOT_CONNECTED);
        ComPtr<IEnumPins> pins;
        g.demux->EnumPins(pins.ReleaseAndGetAddressOf());
        IPin* raw[4] = {};
        ULONG got = 0;
        pins->Next(4, raw, &got);
        for (ULONG i = 0; i < got; ++i)
            raw[i]->Release();
        EXPECT_EQ(got, 1u);

        ASSERT_EQ(g.graph->RemoveFilter(g.demux.Get()), S_OK);
        auto sink = MakeComObject<CTestSink>();
        ASSERT_EQ(g.graph->AddFilter(sink.Get(), "Sink"), S_OK);
        ComPtr<IPin> out;
        ASSERT_EQ(g.source->FindPin("Output", out.ReleaseAndGetAddressOf()), S_OK);
        EXPECT_TRUE(FAILED(g.graph->Connect(out.Get(), sink->Input())));
        ComPtr<IEnumFilters> filters;
        g.graph->EnumFilters(filters.ReleaseAndGetAddressOf());
        IBaseFilter* f[4] = {};
        filters->Next(4, f, &got);
        for (ULONG i = 0; i < got; ++i)
            f[i]->Release();
        EXPECT_EQ(got, 2u) << "filters left behind by failed attempts";
    }
}

// Intelligent connect from a file source takes the first-choice demultiplexer; disconnecting its
// input takes the output pins away (and their downstream connections), connecting brings them back.
TEST(DemultiplexerTest, OutputPinsFollowTheInputConnection)
{
    DemuxGraph g;
    ASSERT_EQ(LoadSource(FixturePath("h264_aac.mp4"), &g), S_OK);
    auto sink = MakeComObject<CTestSink>();
    ASSERT_EQ(g.graph->AddFilter(sink.Get(), "Sink"), S_OK);
    ComPtr<IPin> out;
    ASSERT_EQ(g.source->FindPin("Output", out.ReleaseAndGetAddressOf()), S_OK);
    ASSERT_EQ(g.graph->Connect(out.Get(), sink->Input()), S_OK);

    ComPtr<IPin> demuxIn;
    ASSERT_EQ(out->ConnectedTo(demuxIn.ReleaseAndGetAddressOf()), S_OK);
    PIN_INFO info;
    ASSERT_EQ(demuxIn->QueryPinInfo(&info), S_OK);
    ComPtr<IBaseFilter> demux(info.pFilter);
    CLSID clsid;
    demux->GetClassID(&clsid);
    EXPECT_EQ(clsid, CLSID_Demultiplexer);
    ComPtr<IPin> video;
    ASSERT_EQ(demux->FindPin("Video", video.ReleaseAndGetAddressOf()), S_OK);
    ComPtr<IPin> peer;
    ASSERT_EQ(video->ConnectedTo(peer.ReleaseAndGetAddressOf()), S_OK);
    EXPECT_TRUE(IsSameObject(peer.Get(), sink->Input()));
    video.Reset();
    peer.Reset();

    ASSERT_EQ(g.graph->Disconnect(out.Get()), S_OK);
    ASSERT_EQ(g.graph->Disconnect(demuxIn.Get()), S_OK);
    EXPECT_EQ(demux->FindPin("Video", video.ReleaseAndGetAddressOf()), VFW_E_NOT_FOUND);
    EXPECT_EQ(demux->FindPin("Audio", video.ReleaseAndGetAddressOf()), VFW_E_NOT_FOUND);
    EXPECT_EQ(sink->Input()->ConnectedTo(peer.ReleaseAndGetAddressOf()), VFW_E_NOT_CONNECTED);

    ASSERT_EQ(g.graph->ConnectDirect(out.Get(), demuxIn.Get(), nullptr), S_OK);
    EXPECT_EQ(demux->FindPin("Video", video.ReleaseAndGetAddressOf()), S_OK);
    EXPECT_EQ(demux->FindPin("Audio", video.ReleaseAndGetAddressOf()), S_OK);
}

// A file cut short mid-way still plays to its end: every stream ends cleanly with what there is.
TEST(DemultiplexerTest, FileCutShortEndsItsStreamsCleanly)
{
    struct Case {
        const char* name;
        std::string full;
        double keep; // share of the file that is left
    };
    const Case cases[] = {
        { "program stream", FixturePath("mpeg2.mpg"), 0.5 },
        { "MP4 with its index in front", MakeFastStartMp4(), 0.6 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_FALSE(c.full.empty());
        auto bytes = ReadWholeFile(c.full);
        bytes.resize(size_t(double(bytes.size()) * c.keep));
        const std::string cut = ScratchFolder() + "/cut";
        WriteWholeFile(cut, bytes);

        DemuxGraph g;
        ASSERT_EQ(LoadSource(cut, &g), S_OK);
        ASSERT_EQ(AddDemultiplexer(&g), S_OK);
        ASSERT_EQ(g.outputs.size(), 2u);
        EXPECT_EQ(RunToEnd(g), EC_COMPLETE);
        for (const auto& o : g.outputs) {
            EXPECT_TRUE(o.sink->Ended()) << o.id;
            EXPECT_FALSE(o.sink->Samples().empty()) << o.id;
        }
        const size_t frames = g.outputs[0].sink->Samples().size();
        EXPECT_GT(frames, 10u);
        EXPECT_LT(frames, 50u);
    }
}

// A source that cannot be read is an error: at connection it fails the connection, while
// running it stops the graph with EC_ERRORABORT carrying the source's own result.
TEST(DemultiplexerTest, ReadErrorsOfTheSourceAreReported)
{
    const HRESULT kDiskError = HResultFromWin32(ERROR_INVALID_HANDLE);
    const auto bytes = ReadWholeFile(FixturePath("h264_aac.mp4"));
    struct Case {
        const char* name;
        int64_t from, to; // reads touching these bytes fail
        bool connects;
    };
    const Case cases[] = {
        { "at connection", 0, 16, false },
        { "mid-way", int64_t(bytes.size() / 2), int64_t(bytes.size() / 2 + 1), true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto source = MakeComObject<CByteStreamSource>(CLSID_AsyncReader, [&](const std::string&, std::unique_ptr<CByteReader>* reader) {
            *reader = std::make_unique<CFailingReader>(bytes, c.from, c.to, kDiskError);
            return S_OK;
        });
        ComPtr<IFileSourceFilter> load;
        ASSERT_EQ(ComPtr<IBaseFilter>(source.Get()).As(&load), S_OK);
        ASSERT_EQ(load->Load("damaged disc", nullptr), S_OK);
        DemuxGraph g;
        ASSERT_EQ(AddSource(source.Get(), &g), S_OK);
        const HRESULT connect = AddDemultiplexer(&g);
        if (!c.connects) {
            EXPECT_EQ(connect, kDiskError) << HResultToString(connect);
            continue;
        }
        ASSERT_EQ(connect, S_OK);
        intptr_t error = 0;
        EXPECT_EQ(RunToEnd(g, &error), EC_ERRORABORT);
        EXPECT_EQ(HRESULT(error), kDiskError) << HResultToString(HRESULT(error));
    }
}

// Stop right after Run returns with the streaming thread joined; the next run starts again from
// the beginning and delivers the whole file.
TEST(DemultiplexerTest, StopRightAfterRunThenRunAgain)
{
    DemuxGraph g;
    ASSERT_EQ(LoadSource(FixturePath("hd.mp4"), &g), S_OK);
    ASSERT_EQ(AddDemultiplexer(&g), S_OK);
    ASSERT_EQ(g.outputs.size(), 2u);
    ComPtr<IMediaControl> control;
    ASSERT_EQ(g.graph.As(&control), S_OK);
    ASSERT_EQ(control->Run(), S_OK);
    ASSERT_EQ(control->Stop(), S_OK);
    FILTER_STATE state;
    EXPECT_EQ(g.demux->GetState(0, &state), S_OK);
    EXPECT_EQ(state, State_Stopped);

    const size_t before = g.outputs[0].sink->Samples().size();
    EXPECT_EQ(RunToEnd(g), EC_COMPLETE);
    const auto video = g.outputs[0].sink->Samples();
    ASSERT_EQ(video.size() - before, 60u);
    EXPECT_TRUE(video[before].discontinuity);
    EXPECT_TRUE(video[before].syncPoint);
    EXPECT_LT(std::abs(video[before].start), 100 * kMs);
}

// Start and stop positions: streaming starts at the key frame before the start (so the first
// picture decodes) and each stream ends at the stop; alike for both ways of reaching the start
// and whether the positions come before the run or while paused (as the DVD device sets them).
TEST(DemultiplexerTest, StartsAtKeyFrameBeforeStartAndEndsAtStop)
{
    struct Case {
        const char* name;
        int32_t seekByIndex;
        bool whilePaused;
    };
    const Case cases[] = {
        { "seek, before the run", 1, false },
        { "seek, while paused", 1, true },
        { "read from the start, before the run", 0, false },
        { "read from the start, while paused", 0, true },
    };
    const REFERENCE_TIME start = kSecond, stop = 3 * kSecond / 2;
    // The fixture's MPEG-2 video has a key frame every 12 pictures (0.48 s).
    const Reference full = ReferenceRun(FixturePath("mpeg2.mpg"));
    const size_t key = full.KeyFrameBefore(start);
    ASSERT_GT(key, 0u);
    const REFERENCE_TIME keyFrame = full.video[key].start;
    size_t expectedFrames = 0;
    for (size_t i = key; i < full.video.size() && full.video[i].dts < stop; ++i)
        ++expectedFrames;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DemuxGraph g;
        ASSERT_EQ(LoadSource(FixturePath("mpeg2.mpg"), &g), S_OK);
        ASSERT_EQ(AddDemultiplexer(&g, CLSID_Demultiplexer2, [&](IModuleConfig* config) {
            EXPECT_EQ(config->SetValue(DEMUX_SeekByIndex, VARIANT::I4(c.seekByIndex)), S_OK);
            EXPECT_EQ(config->CommitChanges(), S_OK);
        }),
            S_OK);
        ComPtr<IMediaControl> control;
        ComPtr<IMediaSeeking> seeking;
        ASSERT_EQ(g.graph.As(&control), S_OK);
        ASSERT_EQ(g.graph.As(&seeking), S_OK);
        if (c.whilePaused) {
            ASSERT_EQ(control->Pause(), S_OK);
        }
        REFERENCE_TIME a = start, b = stop;
        ASSERT_EQ(seeking->SetPositions(&a, AM_SEEKING_AbsolutePositioning, &b, AM_SEEKING_AbsolutePositioning), S_OK);
        REFERENCE_TIME stopAt = 0;
        EXPECT_EQ(seeking->GetStopPosition(&stopAt), S_OK);
        EXPECT_EQ(stopAt, stop);
        EXPECT_EQ(RunToEnd(g), EC_COMPLETE);

        for (const auto& o : g.outputs) {
            SCOPED_TRACE(o.id);
            const auto samples = o.sink->Samples();
            ASSERT_FALSE(samples.empty());
            EXPECT_TRUE(o.sink->Ended());
            EXPECT_EQ(o.sink->Flushes(), 0) << "nothing may flow before the start is known";
            EXPECT_TRUE(samples.front().discontinuity);
            for (const auto& s : samples) {
                EXPECT_LT(s.dts != kNoTime ? s.dts : s.start, stop);
            }
            EXPECT_GT(samples.back().start, stop - 150 * kMs) << Seconds(samples.back().start);
        }
        const auto video = g.outputs[0].sink->Samples();
        EXPECT_TRUE(video.front().syncPoint);
        EXPECT_EQ(video.front().start, keyFrame) << Seconds(video.front().start);
        EXPECT_EQ(video.size(), expectedFrames);
        // The sound begins with the packet playing when that picture shows.
        const auto audio = g.outputs[1].sink->Samples();
        EXPECT_GT(audio.front().stop, keyFrame) << Seconds(audio.front().stop);
        EXPECT_LE(audio.front().start, keyFrame) << Seconds(audio.front().start);
    }
}

// Without video every packet stands on its own: streaming starts with the one playing at the start.
TEST(DemultiplexerTest, SoundAloneStartsWithThePacketPlayingAtTheStart)
{
    DemuxGraph g;
    ASSERT_EQ(LoadSource(FixturePath("tone.mp3"), &g), S_OK);
    ASSERT_EQ(AddDemultiplexer(&g), S_OK);
    ComPtr<IMediaSeeking> seeking;
    ASSERT_EQ(g.graph.As(&seeking), S_OK);
    REFERENCE_TIME start = kSecond, stop = 3 * kSecond / 2;
    ASSERT_EQ(seeking->SetPositions(&start, AM_SEEKING_AbsolutePositioning, &stop, AM_SEEKING_AbsolutePositioning), S_OK);
    EXPECT_EQ(RunToEnd(g), EC_COMPLETE);
    const auto samples = g.outputs[0].sink->Samples();
    ASSERT_FALSE(samples.empty());
    EXPECT_TRUE(samples.front().discontinuity);
    EXPECT_LE(samples.front().start, start) << Seconds(samples.front().start);
    EXPECT_GT(samples.front().stop, start) << Seconds(samples.front().stop);
    EXPECT_LT(samples.back().start, stop);
    EXPECT_GE(samples.back().stop, stop - 30 * kMs) << Seconds(samples.back().stop);
}

// A seek while running flushes what is downstream and goes on from the key frame before the new
// start, with a discontinuity, to the end.
TEST(DemultiplexerTest, SeekWhileRunningFlushesAndGoesOn)
{
    const Reference full = ReferenceRun(FixturePath("mpeg2.mpg"));
    const size_t key = full.KeyFrameBefore(kSecond / 2);
    ASSERT_GT(key, 0u);
    DemuxGraph g;
    ASSERT_EQ(LoadSource(FixturePath("mpeg2.mpg"), &g), S_OK);
    ASSERT_EQ(AddDemultiplexer(&g), S_OK);
    const auto& video = g.outputs[0];
    ComPtr<IMediaSeeking> seeking;
    ASSERT_EQ(video.pin.As(&seeking), S_OK);
    // On the streaming thread, after the 30th picture (1.16 s): back to 0.5 s.
    video.sink->SetHook([&](size_t count) {
        if (count == 30) {
            REFERENCE_TIME at = kSecond / 2;
            EXPECT_EQ(seeking->SetPositions(&at, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning), S_OK);
        }
    });
    EXPECT_EQ(RunToEnd(g), EC_COMPLETE);
    video.sink->SetHook({});

    for (const auto& o : g.outputs)
        EXPECT_EQ(o.sink->Flushes(), 1) << o.id;
    const auto samples = video.sink->Samples();
    ASSERT_GT(samples.size(), 30u);
    const auto& resumed = samples[30];
    EXPECT_EQ(resumed.flushesBefore, 1);
    EXPECT_TRUE(resumed.discontinuity);
    EXPECT_TRUE(resumed.syncPoint);
    EXPECT_EQ(resumed.start, full.video[key].start) << Seconds(resumed.start);
    EXPECT_EQ(samples.size(), 30 + full.video.size() - key);
    EXPECT_TRUE(video.sink->Ended());
}

// Program streams joined end to end (as a DVD title made of several sector ranges is) restart
// their clock; by default the jump is taken out so time runs on, and on request it is kept.
TEST(DemultiplexerTest, TimestampJumpsInProgramStreams)
{
    auto once = ReadWholeFile(FixturePath("mpeg2.mpg"));
    auto twice = once;
    twice.insert(twice.end(), once.begin(), once.end());
    const std::string joined = ScratchFolder() + "/joined.mpg";
    WriteWholeFile(joined, twice);

    for (int32_t keep : { 0, 1 }) {
        SCOPED_TRACE(keep ? "kept" : "repaired");
        DemuxGraph g;
        ASSERT_EQ(LoadSource(joined, &g), S_OK);
        ASSERT_EQ(AddDemultiplexer(&g, CLSID_Demultiplexer2, [&](IModuleConfig* config) {
            config->SetValue(DEMUX_KeepTimestamps, VARIANT::I4(keep));
            config->CommitChanges();
        }),
            S_OK);
        EXPECT_EQ(RunToEnd(g), EC_COMPLETE);
        for (const auto& o : g.outputs) {
            SCOPED_TRACE(o.id);
            const auto samples = o.sink->Samples();
            int backwards = 0;
            for (size_t i = 1; i < samples.size(); ++i)
                backwards += samples[i].dts != kNoTime && samples[i - 1].dts != kNoTime && samples[i].dts < samples[i - 1].dts;
            if (keep) {
                EXPECT_EQ(backwards, 1);
                EXPECT_LT(samples.back().start, 2 * kSecond);
            } else {
                EXPECT_EQ(backwards, 0);
                EXPECT_GT(samples.back().start, 39 * kSecond / 10) << Seconds(samples.back().start);
            }
        }
        EXPECT_EQ(g.outputs[0].sink->Samples().size(), 100u);
    }
}

// The second demultiplexer's parameters: committed values only, checked kinds and ranges.
TEST(DemultiplexerTest, ModuleConfigOfTheSecondDemultiplexer)
{
    RegisterSourceGroup();
    ComPtr<IBaseFilter> first, second;
    ASSERT_EQ(CoCreateInstance(CLSID_Demultiplexer, &first), S_OK);
    ASSERT_EQ(CoCreateInstance(CLSID_Demultiplexer2, &second), S_OK);
    ComPtr<IModuleConfig> config;
    EXPECT_EQ(first.As(&config), E_NOINTERFACE);
    ASSERT_EQ(second.As(&config), S_OK);

    VARIANT v;
    ASSERT_EQ(config->GetValue(DEMUX_ProbeSize, &v), S_OK);
    EXPECT_EQ(v.vt, VT_I4);
    EXPECT_EQ(v.lVal, 5'000'000);
    EXPECT_EQ(config->SetValue(DEMUX_ProbeSize, VARIANT::I4(0x01000000)), S_OK);
    EXPECT_EQ(config->SetValue(DEMUX_ProgramStream, VARIANT::UI4(1)), S_OK);
    ASSERT_EQ(config->GetValue(DEMUX_ProbeSize, &v), S_OK);
    EXPECT_EQ(v.lVal, 5'000'000) << "not before CommitChanges";
    ASSERT_EQ(config->CommitChanges(), S_OK);
    ASSERT_EQ(config->GetValue(DEMUX_ProbeSize, &v), S_OK);
    EXPECT_EQ(v.lVal, 0x01000000);

    const Guid unknown = MakeGuid("AF65371F-7E7D-40A4-A1BA-AAFD10090ACD");
    EXPECT_EQ(config->IsSupported(DEMUX_DropCorrupt), S_OK);
    EXPECT_EQ(config->IsSupported(unknown), S_FALSE);
    EXPECT_EQ(config->SetValue(unknown, VARIANT::I4(1)), E_INVALIDARG);
    EXPECT_EQ(config->SetValue(DEMUX_GenerateTimes, VARIANT::R8(1.0)), E_INVALIDARG);
    EXPECT_EQ(config->SetValue(DEMUX_GenerateTimes, VARIANT::I4(2)), E_INVALIDARG);
    EXPECT_EQ(config->SetValue(DEMUX_ProbeSize, VARIANT::I4(100)), E_INVALIDARG);
    EXPECT_EQ(config->SetValue(DEMUX_ProbeSize, VARIANT::UI4(0x80000000u)), E_INVALIDARG);

    ASSERT_EQ(config->SetDefState(), S_OK);
    ASSERT_EQ(config->CommitChanges(), S_OK);
    ASSERT_EQ(config->GetValue(DEMUX_ProgramStream, &v), S_OK);
    EXPECT_EQ(v.lVal, 0);
}
