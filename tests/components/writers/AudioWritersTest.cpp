// The Wave and MP3 writers fed with synthetic audio: the files must open with the rate, channels
// and duration they were given, a Wave file must hold exactly the samples delivered, and an MP3
// file must carry its info frame.

#include "components/writers/CWaveFileWriter.h"
#include "tests/components/Probe.h"
#include "tests/components/Fixtures.h"
#include "tests/components/writers/TestPacketSource.h"
#include "tests/components/writers/WriterTestGraph.h"

using namespace vidlume;
using namespace vidlume::test;

namespace {

// The payload of the RIFF file's data chunk, walking the chunks as a reader does.
std::vector<uint8_t> WaveData(const std::vector<uint8_t>& file)
{
    for (size_t at = 12; at + 8 <= file.size();) {
        const uint32_t size = ReadLE32(file, at + 4);
        if (std::string(file.begin() + long(at), file.begin() + long(at) + 4) == "data")
            return std::vector<uint8_t>(file.begin() + long(at) + 8, file.begin() + long(std::min<size_t>(file.size(), at + 8 + size)));
        at += 8 + size + (size & 1);
    }
    return {};
}

// The frame count of the LAME/Xing info frame at the start of an MP3 file; 0 without one.
uint32_t InfoFrameCount(const std::vector<uint8_t>& file)
{
    for (size_t at = 4; at + 16 <= std::min<size_t>(file.size(), 200); ++at) {
        const std::string tag(file.begin() + long(at), file.begin() + long(at) + 4);
        if (tag == "Info" || tag == "Xing")
            return (ReadBE32(file, at + 4) & 1) ? ReadBE32(file, at + 8) : 0;
    }
    return 0;
}

struct Written {
    RunResult run;
    ComPtr<CTestPacketSource> source;
};

Written WriteAudio(IBaseFilter* writer, const AudioFormat& format, double seconds, const std::string& path)
{
    Written w;
    w.source = CTestPacketSource::FromAudio(format, seconds);
    CTestGraph graph;
    graph.Add(w.source.Get());
    graph.Add(writer);
    ComPtr<IFileSinkFilter> sink;
    EXPECT_EQ(ComPtr<IBaseFilter>(writer).As(&sink), S_OK);
    EXPECT_EQ(sink->SetFileName(path, nullptr), S_OK);
    EXPECT_EQ(graph.Connect(w.source->Pin("Audio"), PinOf(writer, "In").Get()), S_OK);
    w.run = graph.RunToEnd();
    return w;
}

} // namespace

TEST(AudioWritersTest, WritesWhatItIsGiven)
{
    struct Case {
        const char* name;
        CLSID writer;
        AudioFormat format;
        const char* codec;
        bool infoFrame = true; // MP3: LAME leaves it out when a frame is too small to hold it
    };
    const Case cases[] = {
        { "Wave 16-bit stereo", CLSID_WaveWriter, { AV_SAMPLE_FMT_S16, 44100, 2 }, "pcm_s16le" },
        { "Wave 8-bit mono", CLSID_WaveWriter, { AV_SAMPLE_FMT_U8, 22050, 1 }, "pcm_u8" },
        { "Wave 32-bit 96 kHz", CLSID_WaveWriter, { AV_SAMPLE_FMT_S32, 96000, 2 }, "pcm_s32le" },
        { "Wave 32-bit 5.1 (extensible)", CLSID_WaveWriter, { AV_SAMPLE_FMT_S32, 48000, 6 }, "pcm_s32le" },
        { "Wave 8-bit mono", CLSID_WaveWriter, { AV_SAMPLE_FMT_U8, 8000, 1 }, "pcm_u8" },
        { "MP3 16-bit stereo", CLSID_MP3Writer, { AV_SAMPLE_FMT_S16, 44100, 2 }, "mp3" },
        { "MP3 float mono", CLSID_MP3Writer, { AV_SAMPLE_FMT_FLT, 48000, 1 }, "mp3" },
        // 32 kbit/s frames: no room for the info frame; the duration of such a constant-rate file
        // comes from its bit rate.
        { "MP3 16-bit mono 22.05 kHz", CLSID_MP3Writer, { AV_SAMPLE_FMT_S16, 22050, 1 }, "mp3", false },
        { "MP3 float stereo 32 kHz", CLSID_MP3Writer, { AV_SAMPLE_FMT_FLT, 32000, 2 }, "mp3" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const bool wave = c.writer == CLSID_WaveWriter;
        const std::string path = ScratchFolder() + (wave ? "/out.wav" : "/out.mp3");
        ComPtr<IBaseFilter> writer = CreateFilter(c.writer);
        Written w = WriteAudio(writer.Get(), c.format, 2.0, path);
        ASSERT_EQ(w.run.run, S_OK);
        ASSERT_EQ(w.run.event, EC_COMPLETE) << HResultToString(w.run.error);

        ProbedFile probe = Probe(path);
        ASSERT_TRUE(probe.opened) << probe.error;
        EXPECT_EQ(probe.error, "");
        ASSERT_NE(probe.Audio(), nullptr);
        EXPECT_EQ(probe.Audio()->codec, c.codec);
        EXPECT_EQ(probe.Audio()->sampleRate, c.format.sampleRate);
        EXPECT_EQ(probe.Audio()->channels, c.format.channels);
        EXPECT_NEAR(probe.duration, 2.0, 0.1);

        const std::vector<uint8_t> file = ReadBytes(path);
        if (wave) {
            EXPECT_EQ(ReadLE32(file, 4), file.size() - 8) << "RIFF size";
            EXPECT_TRUE(WaveData(file) == w.source->AudioBytes()) << "the data chunk holds every sample as delivered";
        } else if (c.infoFrame) {
            const int samplesPerFrame = c.format.sampleRate >= 32000 ? 1152 : 576;
            EXPECT_NEAR(InfoFrameCount(file) * double(samplesPerFrame) / c.format.sampleRate, 2.0, 0.1)
                << "the info frame at the start counts the frames";
        }
    }
}

TEST(AudioWritersTest, WaveRefusesToGrowPastItsLimit)
{
    // With 100000 bytes as the RIFF limit, 24 samples of 4096 bytes fit after the 44-byte header
    // and the 25th does not; the real limit is 4 GiB.
    ComPtr<IBaseFilter> writer(new CWaveFileWriter(100000));
    const std::string path = ScratchFolder() + "/limit.wav";
    Written w = WriteAudio(writer.Get(), { AV_SAMPLE_FMT_S16, 44100, 2 }, 2.0, path);
    ASSERT_EQ(w.run.run, S_OK);
    EXPECT_EQ(w.run.event, EC_ERRORABORT);
    EXPECT_EQ(w.run.error, HResultFromWin32(223)) << HResultToString(w.run.error);

    const std::vector<uint8_t> file = ReadBytes(path);
    EXPECT_EQ(file.size(), 44u + 24 * 4096);
    EXPECT_EQ(ReadLE32(file, 4), file.size() - 8);
    std::vector<uint8_t> expected = w.source->AudioBytes();
    expected.resize(24 * 4096);
    EXPECT_TRUE(WaveData(file) == expected);
    ProbedFile probe = Probe(path);
    ASSERT_TRUE(probe.opened) << probe.error;
    EXPECT_NEAR(probe.duration, 24 * 1024 / 44100.0, 0.01);
}
