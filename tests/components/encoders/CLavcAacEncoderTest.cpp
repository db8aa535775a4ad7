// The AAC encoder in a graph, configured as the MPEG-4 format handler does it, its output decoded
// back with libavcodec.

#include "TestEncoderGraph.h"
#include "TestMedia.h"

#include "components/encoders/EncoderParameters.h"

#include <gtest/gtest.h>

using namespace vidlume;
using namespace vidlume::test;

TEST(CLavcAacEncoder, EncodesAtTheTableRate)
{
    constexpr REFERENCE_TIME kOrigin = 50'000'000; // the sound starts at 5 s
    constexpr int kChunk = 1000;                   // not a multiple of the AAC frame
    constexpr int kFrame = 1024;
    struct Case {
        const char* name;
        AudioFormat format;
        int index;
        int typeRate;     // bit/s the output type states
        bool measureRate; // whether the tone fills that rate
        int channelConfig; // of the AudioSpecificConfig; 0: described by a program config element
    };
    const Case cases[] = {
        { "44.1 kHz stereo", { AV_SAMPLE_FMT_S16, 44100, 2 }, 18, 128'000, true, 2 },
        { "48 kHz mono", { AV_SAMPLE_FMT_FLT, 48000, 1 }, 18, 128'000, true, 1 },
        { "48 kHz 5.1", { AV_SAMPLE_FMT_S16, 48000, 6 }, 18, 128'000, true, 6 },
        { "44.1 kHz 5.1", { AV_SAMPLE_FMT_FLT, 44100, 6 }, 14, 64'000, true, 6 },
        { "48 kHz 6.1, which needs a program config element", { AV_SAMPLE_FMT_S16, 48000, 7 }, 18, 128'000, true, 0 },
        { "1024 kbit/s is more than stereo can carry", { AV_SAMPLE_FMT_FLT, 44100, 2 }, 27, 529'200, false, 2 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int64_t total = 2 * c.format.sampleRate;
        const int chunks = int((total + kChunk - 1) / kChunk);
        CTestEncoderGraph graph(CLSID_AACEncoder, MediaTypeFromAudioFormat(c.format), chunks, [&](int i) {
            const int64_t first = int64_t(i) * kChunk;
            return ToneSamples(c.format, first, int(std::min<int64_t>(kChunk, total - first)), kOrigin);
        });
        graph.Encode([&](IModuleConfig* config) {
            EXPECT_EQ(config->SetDefState(), S_OK);
            EXPECT_EQ(config->SetValue(kEncoderBitRate, VARIANT::I4(c.index)), S_OK);
            EXPECT_EQ(config->CommitChanges(), S_OK);
        });
        if (HasFatalFailure())
            return;

        const CMediaType type = graph.OutputType();
        EXPECT_EQ(type.subtype, MEDIASUBTYPE_AAC);
        ASSERT_NE(type.WaveFormat(), nullptr);
        EXPECT_EQ(type.WaveFormat()->wFormatTag, 0x00FF);
        EXPECT_EQ(type.WaveFormat()->nChannels, c.format.channels);
        EXPECT_EQ(type.WaveFormat()->nSamplesPerSec, uint32_t(c.format.sampleRate));
        EXPECT_EQ(type.WaveFormat()->nAvgBytesPerSec * 8, uint32_t(c.typeRate));
        const std::vector<uint8_t> config = type.ExtraData();
        ASSERT_GE(config.size(), 2u);
        EXPECT_EQ(config[0] >> 3, 2) << "AAC LC";
        EXPECT_EQ((config[1] >> 3) & 0xF, c.channelConfig);

        auto& samples = graph.Samples();
        ASSERT_FALSE(samples.empty());
        const Decoded decoded = DecodeAll(type, samples);
        EXPECT_EQ(decoded.failures, 0);
        EXPECT_EQ(decoded.channels, c.format.channels);
        EXPECT_EQ(decoded.sampleRate, c.format.sampleRate);
        // The priming frame comes on top of the sound, and the last frame is filled up.
        EXPECT_GE(decoded.samples - kFrame, total);
        EXPECT_LT(decoded.samples - kFrame, total + kFrame);
        if (c.measureRate) {
            EXPECT_NEAR(BitRate(samples, double(total) / c.format.sampleRate) / c.typeRate, 1.0, 0.15);
        }

        // Times come from the sample count: the priming frame just before the sound, then
        // back to back up to its last sample.
        auto at = [&](int64_t sample) { return kOrigin + av_rescale(sample, kUnitsPerSecond, c.format.sampleRate); };
        EXPECT_EQ(samples.front().start, at(-kFrame));
        for (size_t i = 1; i < samples.size(); ++i) {
            EXPECT_EQ(samples[i].start, samples[i - 1].stop);
            EXPECT_EQ(samples[i].packet->dts, samples[i].start);
            EXPECT_TRUE(samples[i].syncPoint);
        }
        EXPECT_EQ(samples.back().stop, at(total));
    }
}
