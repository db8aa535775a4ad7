#include "TestGraph.h"

#include "components/ffmpeg/CodecMediaTypes.h"
#include "tests/components/Fixtures.h"

#include <gtest/gtest.h>

using namespace vidlume;
using namespace vidlume::test;

namespace {

constexpr Guid kSampleRate = MakeGuid("1AF02EDB-7353-4A44-B4FE-106DB15EA05C");

struct Outcome {
    long event = 0;
    int64_t samples = 0;
    std::vector<ReceivedFrame> frames;
    AudioFormat output;
};

// Source audio pin -> decoder (unless null) -> sample-rate converter (rate 0: as the source) -> sink.
Outcome Resample(const std::string& path, const CLSID& decoder, uint32_t rate)
{
    Outcome r;
    TestGraph g;
    CTestPacketSource* source = g.AddSource(path);
    std::vector<IBaseFilter*> chain;
    ComPtr<IBaseFilter> dec, src;
    if (!decoder.IsNull()) {
        dec = g.Add(decoder);
        chain.push_back(dec.Get());
    }
    src = g.Add(CLSID_SampleRateConverter);
    EXPECT_EQ(Configure(src.Get(), { { kSampleRate, VARIANT::UI4(rate) } }), S_OK);
    chain.push_back(src.Get());
    CTestFrameSink* sink = g.AddSink(AnyRawAudio());
    chain.push_back(sink);
    if (!source)
        return r;
    EXPECT_EQ(g.Chain(source, "Audio", chain), S_OK);
    r.event = g.Run();
    r.samples = sink->TotalSamples();
    r.frames = sink->Frames();
    AudioFormatFromMediaType(sink->ConnectionType(), &r.output);
    return r;
}

} // namespace

// The converted sound lasts exactly as long as the decoded one: the count scales with the rate
// (the resampler's delay flushed at the end), the timestamps run without gaps from the same start.
TEST(AudioConvertersTest, SampleRateConverterKeepsTheDuration)
{
    struct Case {
        const char* fixture;
        CLSID decoder;
        uint32_t rate;
    };
    const Case cases[] = {
        { "tone.mp3", CLSID_GenericAudioDecoder, 48000 },
        { "tone.m4a", CLSID_AACDecoder, 44100 },
        { "tone.m4a", CLSID_AACDecoder, 16000 },
        { "tone.wav", GUID_NULL, 48000 }, // PCM straight from the file, as packets
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.fixture) + " at " + std::to_string(c.rate));
        const Outcome plain = Resample(FixturePath(c.fixture), c.decoder, 0);
        const Outcome converted = Resample(FixturePath(c.fixture), c.decoder, c.rate);
        ASSERT_EQ(plain.event, EC_COMPLETE);
        ASSERT_EQ(converted.event, EC_COMPLETE);
        EXPECT_EQ(converted.output.sampleRate, int(c.rate));
        EXPECT_EQ(converted.output.sampleFormat, plain.output.sampleFormat);
        EXPECT_EQ(converted.output.channels, plain.output.channels);
        const double expected = double(plain.samples) * c.rate / plain.output.sampleRate;
        EXPECT_NEAR(double(converted.samples), expected, 2.0);
        ASSERT_FALSE(converted.frames.empty());
        EXPECT_NEAR(double(converted.frames.front().start), double(plain.frames.front().start), 1e7 / c.rate);
        EXPECT_NEAR(double(converted.frames.back().stop), double(plain.frames.back().stop), 2e7 / c.rate);
        for (size_t i = 1; i < converted.frames.size(); ++i)
            ASSERT_NEAR(double(converted.frames[i].start), double(converted.frames[i - 1].stop), 1.0) << "frame " << i;
    }
}

// Intelligent connect finds the decoder, and the audio converter where the receiver takes only
// 16-bit stereo: a 5.1 stream is mixed down, a stereo one only changes its sample format.
TEST(AudioConvertersTest, AudioConverterMixesDownForStereoReceivers)
{
    const std::string surround = MakeClip("surround.m4a", { "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=48000:duration=2", "-af",
                                                              "pan=5.1|c0=c0|c1=c0|c2=c0|c3=c0|c4=c0|c5=c0", "-c:a", "aac" });
    ASSERT_FALSE(surround.empty());
    struct Case {
        std::string path;
        CLSID decoder;
        double seconds;
    };
    const Case cases[] = {
        { surround, CLSID_AACDecoder, 2.0 },
        { FixturePath("tone.mp3"), CLSID_GenericAudioDecoder, 2.0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        TestGraph g;
        CTestPacketSource* source = g.AddSource(c.path);
        CTestFrameSink* sink = g.AddSink(AudioOf(AV_SAMPLE_FMT_S16, 2));
        ASSERT_TRUE(source);
        ASSERT_EQ(g.Intelligent(source, "Audio", sink), S_OK);
        const std::vector<CLSID> classes = g.Classes();
        EXPECT_NE(std::find(classes.begin(), classes.end(), c.decoder), classes.end());
        EXPECT_NE(std::find(classes.begin(), classes.end(), CLSID_AudioConverter), classes.end());
        ASSERT_EQ(g.Run(), EC_COMPLETE);
        ASSERT_FALSE(sink->Frames().empty());
        EXPECT_EQ(sink->Frames()[0].channels, 2);
        EXPECT_EQ(sink->Frames()[0].format, AV_SAMPLE_FMT_S16);
        const int rate = sink->Frames()[0].sampleRate;
        EXPECT_NEAR(double(sink->TotalSamples()), c.seconds * rate, 0.06 * rate);

        // The tone is in every channel of the surround clip: the mix-down keeps it audible and
        // does not clip it.
        const AVFrame* f = sink->FirstFrame();
        ASSERT_NE(f, nullptr);
        int peak = 0;
        for (int i = 0; i < f->nb_samples * 2; ++i)
            peak = std::max(peak, std::abs(int(reinterpret_cast<const int16_t*>(f->data[0])[i])));
        EXPECT_GT(peak, 1000);
        EXPECT_LT(peak, 32767);
    }
}
