#include "TestGraph.h"

#include "components/ffmpeg/CodecMediaTypes.h"
#include "tests/components/Fixtures.h"

#include <gtest/gtest.h>

using namespace vidlume;
using namespace vidlume::test;

namespace {

struct Decoded {
    long event = 0;
    std::vector<ReceivedFrame> frames;
    int64_t samples = 0;
    AudioFormat output;
};

Decoded DecodeAudio(const std::string& path, const CLSID& decoder, PacketSourceOptions options = {})
{
    Decoded d;
    TestGraph g;
    CTestPacketSource* source = g.AddSource(path, std::move(options));
    ComPtr<IBaseFilter> filter = g.Add(decoder);
    CTestFrameSink* sink = g.AddSink(AnyRawAudio());
    if (!source || !filter)
        return d;
    EXPECT_EQ(g.Chain(source, "Audio", { filter.Get(), sink }), S_OK);
    d.event = g.Run();
    d.frames = sink->Frames();
    d.samples = sink->TotalSamples();
    EXPECT_TRUE(AudioFormatFromMediaType(sink->ConnectionType(), &d.output));
    return d;
}

// Every frame in the agreed format, each starting where the previous one stopped.
void ExpectContinuous(const Decoded& d)
{
    for (size_t i = 0; i < d.frames.size(); ++i) {
        const ReceivedFrame& f = d.frames[i];
        ASSERT_EQ(f.format, d.output.sampleFormat) << "frame " << i;
        ASSERT_EQ(f.channels, d.output.channels) << "frame " << i;
        ASSERT_EQ(f.sampleRate, d.output.sampleRate) << "frame " << i;
        ASSERT_NEAR(double(f.stop - f.start), f.samples * 1e7 / f.sampleRate, 1.0) << "frame " << i;
        if (i > 0) {
            ASSERT_NEAR(double(f.start), double(d.frames[i - 1].stop), 2.0) << "frame " << i;
        }
    }
}

} // namespace

// Every audio stream of the fixtures decodes to two seconds of interleaved sound (give or take
// the encoders' padding), in the right format, without gaps.
TEST(AudioDecoderTest, DecodesEveryFixture)
{
    struct Case {
        const char* fixture;
        CLSID decoder;
        int rate;
        AVSampleFormat format;
    };
    const Case cases[] = {
        { "h264_aac.mp4", CLSID_AACDecoder, 44100, AV_SAMPLE_FMT_FLT },
        { "hd.mp4", CLSID_AACDecoder, 48000, AV_SAMPLE_FMT_FLT },
        { "tone.m4a", CLSID_AACDecoder, 48000, AV_SAMPLE_FMT_FLT },
        { "tone.mp3", CLSID_GenericAudioDecoder, 44100, AV_SAMPLE_FMT_FLT },
        { "mpeg4_mp3.avi", CLSID_GenericAudioDecoder, 44100, AV_SAMPLE_FMT_FLT },
        { "flv1.flv", CLSID_GenericAudioDecoder, 44100, AV_SAMPLE_FMT_FLT },
        { "mpeg2.mpg", CLSID_GenericAudioDecoder, 44100, AV_SAMPLE_FMT_S16 },
        { "wmv2.wmv", CLSID_GenericAudioDecoder, 44100, AV_SAMPLE_FMT_FLT },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fixture);
        Decoded d = DecodeAudio(FixturePath(c.fixture), c.decoder);
        EXPECT_EQ(d.event, EC_COMPLETE);
        EXPECT_EQ(d.output.sampleFormat, c.format);
        EXPECT_EQ(d.output.sampleRate, c.rate);
        EXPECT_EQ(d.output.channels, 2);
        EXPECT_NEAR(double(d.samples), 2.0 * c.rate, 0.06 * c.rate);
        ASSERT_FALSE(d.frames.empty());
        EXPECT_TRUE(d.frames.front().discontinuity);
        ExpectContinuous(d);
    }
}

// Codecs beyond the fixtures: AC-3 for DVD titles, PCM that is not already a raw format.
TEST(AudioDecoderTest, DecodesAc3AndPcmVariants)
{
    auto tone = [](const char* codec, std::initializer_list<QString> more = {}) {
        QStringList args { "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=48000:duration=1", "-ac", "2", "-c:a", codec };
        for (const QString& a : more)
            args << a;
        return args;
    };
    struct Case {
        std::string path;
        CLSID decoder;
        AVSampleFormat format;
    };
    const Case cases[] = {
        { MakeClip("tone.ac3", tone("ac3")), CLSID_AC3Decoder, AV_SAMPLE_FMT_FLT },
        { MakeClip("tone24.wav", tone("pcm_s24le")), CLSID_GenericAudioDecoder, AV_SAMPLE_FMT_S32 },
        { MakeClip("tone.aiff", tone("pcm_s16be")), CLSID_GenericAudioDecoder, AV_SAMPLE_FMT_S16 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        ASSERT_FALSE(c.path.empty());
        Decoded d = DecodeAudio(c.path, c.decoder);
        EXPECT_EQ(d.event, EC_COMPLETE);
        EXPECT_EQ(d.output.sampleFormat, c.format);
        EXPECT_NEAR(double(d.samples), 48000, 1600);
        ExpectContinuous(d);
    }
}

// The decoder delivers what the connection says even when the stream says otherwise: a type
// announcing one channel at 22.05 kHz gets the stereo 44.1 kHz AAC mixed and resampled to it.
TEST(AudioDecoderTest, ConvertsFramesToTheAgreedFormat)
{
    PacketSourceOptions lying;
    lying.editAudioType = [](CMediaType& t) {
        WAVEFORMATEX wfx = *t.WaveFormat();
        const std::vector<uint8_t> extra = t.ExtraData();
        wfx.nChannels = 1;
        wfx.nSamplesPerSec = 22050;
        t.SetWaveFormat(wfx, extra);
    };
    Decoded d = DecodeAudio(FixturePath("h264_aac.mp4"), CLSID_AACDecoder, lying);
    EXPECT_EQ(d.event, EC_COMPLETE);
    EXPECT_EQ(d.output.channels, 1);
    EXPECT_EQ(d.output.sampleRate, 22050);
    EXPECT_NEAR(double(d.samples), 2.0 * 22050, 0.06 * 22050);
    ExpectContinuous(d);
}

TEST(AudioDecoderTest, AcceptsOnlyItsOwnCodecs)
{
    struct Case {
        const char* fixture;
        CLSID decoder;
        bool accepts;
    };
    const Case cases[] = {
        { "tone.m4a", CLSID_AACDecoder, true },
        { "tone.mp3", CLSID_AACDecoder, false },
        { "tone.mp3", CLSID_AC3Decoder, false },
        { "tone.mp3", CLSID_GenericAudioDecoder, true },
        { "tone.wav", CLSID_GenericAudioDecoder, false }, // already decoded
        { "wmv2.wmv", CLSID_AACDecoder, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.fixture) + " into " + c.decoder.ToString());
        TestGraph g;
        CTestPacketSource* source = g.AddSource(FixturePath(c.fixture));
        ComPtr<IBaseFilter> decoder = g.Add(c.decoder);
        ASSERT_TRUE(source && decoder);
        EXPECT_EQ(SUCCEEDED(g.Direct(source, "Audio", decoder.Get())), c.accepts);
    }

    // Windows Media Audio cannot be opened without its block size: refused at connection.
    TestGraph g;
    PacketSourceOptions broken;
    broken.editAudioType = [](CMediaType& t) {
        WAVEFORMATEX wfx = *t.WaveFormat();
        const std::vector<uint8_t> extra = t.ExtraData();
        wfx.nBlockAlign = 0;
        t.SetWaveFormat(wfx, extra);
    };
    CTestPacketSource* source = g.AddSource(FixturePath("wmv2.wmv"), broken);
    ComPtr<IBaseFilter> decoder = g.Add(CLSID_GenericAudioDecoder);
    ASSERT_TRUE(source && decoder);
    EXPECT_TRUE(FAILED(g.Direct(source, "Audio", decoder.Get())));
}
