// What the three encoders share: parameters that apply only when committed, what they refuse at
// connection, and input that does not match the connection.

#include "TestEncoderGraph.h"
#include "TestMedia.h"

#include "components/encoders/EncoderParameters.h"
#include "platform/com/CClassRegistry.h"

#include <gtest/gtest.h>

#include <functional>

using namespace vidlume;
using namespace vidlume::test;

namespace {

constexpr REFERENCE_TIME kFrameDuration = 400'000;
constexpr AudioFormat kStereo { AV_SAMPLE_FMT_S16, 44100, 2 };

struct Encoder {
    const char* name;
    CLSID clsid;
    CMediaType input;
    CTestSourceFilter::Generator generate;
    // The bit rate the connected output type states.
    std::function<int64_t(const CMediaType&)> statedRate;
};

std::vector<Encoder> Encoders()
{
    auto video = [](const CMediaType& t) -> int64_t { return t.VideoInfo2() ? t.VideoInfo2()->dwBitRate : -1; };
    auto picture = [](int i) { return MovingPicture(160, 120, i, kFrameDuration); };
    return {
        { "H.264", CLSID_H264Encoder, I420Type(160, 120, kFrameDuration), picture, video },
        { "MPEG-4 Part 2", CLSID_MPEG4Encoder, I420Type(160, 120, kFrameDuration), picture, video },
        { "AAC", CLSID_AACEncoder, MediaTypeFromAudioFormat(kStereo), [](int i) { return ToneSamples(kStereo, i * 1000, 1000, 0); },
            [](const CMediaType& t) -> int64_t { return t.WaveFormat() ? int64_t(t.WaveFormat()->nAvgBytesPerSec) * 8 : -1; } },
    };
}

int32_t Committed(IModuleConfig* config, const Guid& parameter)
{
    VARIANT v;
    EXPECT_EQ(config->GetValue(parameter, &v), S_OK);
    EXPECT_EQ(v.vt, VT_I4);
    return v.lVal;
}

} // namespace

TEST(EncoderContract, ParametersApplyOnlyWhenCommitted)
{
    struct Values {
        int32_t defaultValue, first, second; // of the bit rate parameter
        int64_t firstRate;                  // what the output type then states
    };
    const Values values[] = {
        { 1'000'000, 300'000, 700'000, 300'000 },
        { 1'000'000, 300'000, 700'000, 300'000 },
        { 18, 10, 14, 32'000 },
    };
    const std::vector<Encoder> encoders = Encoders();
    for (size_t e = 0; e < encoders.size(); ++e) {
        const Encoder& enc = encoders[e];
        const Values& v = values[e];
        SCOPED_TRACE(enc.name);
        CTestEncoderGraph graph(enc.clsid, enc.input, 5, enc.generate);
        IModuleConfig* config = graph.Config();
        ASSERT_NE(config, nullptr);
        EXPECT_EQ(Committed(config, kEncoderBitRate), v.defaultValue);
        ASSERT_EQ(config->SetValue(kEncoderBitRate, VARIANT::I4(v.first)), S_OK);
        EXPECT_EQ(Committed(config, kEncoderBitRate), v.defaultValue) << "pending until committed";
        ASSERT_EQ(config->CommitChanges(), S_OK);
        EXPECT_EQ(Committed(config, kEncoderBitRate), v.first);

        // A value set but not committed does not reach the stream.
        ASSERT_EQ(config->SetValue(kEncoderBitRate, VARIANT::I4(v.second)), S_OK);
        ASSERT_EQ(graph.ConnectInput(), S_OK);
        ASSERT_EQ(graph.ConnectOutput(), S_OK);
        EXPECT_EQ(enc.statedRate(graph.OutputType()), v.firstRate);

        // Committed after the output was connected, it no longer fits the connection.
        ASSERT_EQ(config->CommitChanges(), S_OK);
        EXPECT_EQ(Committed(config, kEncoderBitRate), v.second);
        long completion = 0;
        EXPECT_EQ(graph.Run(&completion), VFW_E_TYPE_NOT_ACCEPTED);

        ASSERT_EQ(config->SetDefState(), S_OK);
        EXPECT_EQ(Committed(config, kEncoderBitRate), v.second) << "defaults are pending too";
        ASSERT_EQ(config->CommitChanges(), S_OK);
        EXPECT_EQ(Committed(config, kEncoderBitRate), v.defaultValue);
    }
}

TEST(EncoderContract, RefusesUnknownParametersAndBadValues)
{
    struct Case {
        const char* name;
        CLSID clsid;
        Guid foreign; // another encoder's parameter
        Guid parameter;
        int32_t badValue;
    };
    const Case cases[] = {
        { "H.264 stream kind", CLSID_H264Encoder, kEncoderMpeg4SimpleProfile, kEncoderAvcMp4Stream, 2 },
        { "H.264 rate mode", CLSID_H264Encoder, kEncoderMpeg4SimpleProfile, kEncoderRateMode, 1 },
        { "H.264 bit rate", CLSID_H264Encoder, kEncoderMpeg4SimpleProfile, kEncoderBitRate, 0 },
        { "MPEG-4 profile flag", CLSID_MPEG4Encoder, kEncoderAvcMp4Stream, kEncoderMpeg4SimpleProfile, 2 },
        { "AAC index past the table", CLSID_AACEncoder, kEncoderDeviceOption, kEncoderBitRate, 28 },
        { "AAC negative index", CLSID_AACEncoder, kEncoderRateMode, kEncoderBitRate, -1 },
    };
    constexpr Guid kUnknown = MakeGuid("12345678-9ABC-4DEF-8123-456789ABCDEF");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CTestEncoderGraph graph(c.clsid, CMediaType(), 0, {});
        IModuleConfig* config = graph.Config();
        ASSERT_NE(config, nullptr);
        VARIANT out;
        for (const Guid& unknown : { kUnknown, c.foreign }) {
            EXPECT_EQ(config->SetValue(unknown, VARIANT::I4(1)), E_INVALIDARG);
            EXPECT_EQ(config->GetValue(unknown, &out), E_INVALIDARG);
            EXPECT_EQ(config->IsSupported(unknown), S_FALSE);
        }
        EXPECT_EQ(config->IsSupported(c.parameter), S_OK);
        const int32_t before = Committed(config, c.parameter);
        EXPECT_EQ(config->SetValue(c.parameter, VARIANT::I4(c.badValue)), E_INVALIDARG);
        EXPECT_EQ(config->SetValue(c.parameter, VARIANT::R8(1.0)), E_INVALIDARG) << "a number of the wrong kind";
        EXPECT_EQ(config->CommitChanges(), S_OK);
        EXPECT_EQ(Committed(config, c.parameter), before) << "a refused value leaves the parameter as it was";
    }
}

TEST(EncoderContract, RefusesRawFormatsItCannotEncode)
{
    auto video = [](const Guid& subtype, int width, int height) {
        CMediaType t = I420Type(width, height, kFrameDuration);
        t.subtype = subtype;
        return t;
    };
    struct Case {
        const char* name;
        CLSID clsid;
        CMediaType input;
    };
    const Case cases[] = {
        { "H.264 from NV12", CLSID_H264Encoder, video(MEDIASUBTYPE_NV12, 320, 240) },
        { "H.264 from RGB32", CLSID_H264Encoder, video(MEDIASUBTYPE_RGB32, 320, 240) },
        { "H.264 from an odd size", CLSID_H264Encoder, video(MEDIASUBTYPE_I420, 321, 241) },
        { "MPEG-4 from NV12", CLSID_MPEG4Encoder, video(MEDIASUBTYPE_NV12, 320, 240) },
        { "AAC from 9 channels", CLSID_AACEncoder, MediaTypeFromAudioFormat({ AV_SAMPLE_FMT_S16, 48000, 9 }) },
        { "AAC from 12345 Hz", CLSID_AACEncoder, MediaTypeFromAudioFormat({ AV_SAMPLE_FMT_S16, 12345, 2 }) },
        { "AAC from video", CLSID_AACEncoder, video(MEDIASUBTYPE_I420, 320, 240) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CTestEncoderGraph graph(c.clsid, c.input, 0, {});
        EXPECT_TRUE(FAILED(graph.ConnectInput()));
    }
    CTestEncoderGraph::RegisterClasses();
    for (const CLSID& clsid : { CLSID_H264Encoder, CLSID_MPEG4Encoder }) {
        ComPtr<IMediaTypeConfig> types;
        ASSERT_EQ(CoCreateInstance(clsid, &types), S_OK);
        EXPECT_EQ(types->SetMediaType(MEDIATYPE_Video, GUID_NULL), S_OK);
        EXPECT_EQ(types->SetMediaType(MEDIATYPE_Video, MEDIASUBTYPE_I420), S_OK);
        EXPECT_EQ(types->SetMediaType(MEDIATYPE_Video, MEDIASUBTYPE_NV12), VFW_E_TYPE_NOT_ACCEPTED);
        EXPECT_EQ(types->SetMediaType(MEDIATYPE_Audio, GUID_NULL), E_INVALIDARG);
    }
}

TEST(EncoderContract, InputThatBreaksTheConnectionAbortsTheGraph)
{
    for (Encoder& enc : Encoders()) {
        SCOPED_TRACE(enc.name);
        // The frames arriving do not match what was connected: a bigger picture, float samples.
        CTestSourceFilter::Generator wrong = enc.input.majortype == MEDIATYPE_Video
            ? CTestSourceFilter::Generator([](int i) { return MovingPicture(320, 240, i, kFrameDuration); })
            : CTestSourceFilter::Generator([](int i) { return ToneSamples({ AV_SAMPLE_FMT_FLT, 44100, 2 }, i * 1000, 1000, 0); });
        CTestEncoderGraph graph(enc.clsid, enc.input, 5, wrong);
        ASSERT_EQ(graph.ConnectInput(), S_OK);
        ASSERT_EQ(graph.ConnectOutput(), S_OK);
        long completion = 0;
        ASSERT_EQ(graph.Run(&completion), S_OK);
        EXPECT_EQ(completion, EC_ERRORABORT);
        EXPECT_TRUE(graph.Samples().empty());
    }
}
