// The format handlers against the real components: which filters they put into a graph, how they
// connect them, and what each component received through its parameters.

#include "components/ComponentGroups.h"
#include "conversion/CAudioFileTargetHandler.h"
#include "conversion/CMPEG4TargetHandler.h"
#include "conversion/CWMVTargetHandler.h"
#include "conversion/GraphSteps.h"
#include "devices/DeviceGraph.h"
#include "platform/com/CClassRegistry.h"
#include "tests/components/Fixtures.h"

#include <gtest/gtest.h>


using namespace vidlume;
using namespace vidlume::test;

namespace {

VARIANT Value(IBaseFilter* filter, const Guid& parameter)
{
    VARIANT v;
    ComPtr<IModuleConfig> config;
    if (filter && SUCCEEDED(ComPtr<IBaseFilter>(filter).As(&config)))
        config->GetValue(parameter, &v);
    return v;
}

ComPtr<IBaseFilter> FilterOfClass(IGraphBuilder* graph, const CLSID& clsid)
{
    for (auto& f : FiltersOf(graph)) {
        CLSID c;
        f->GetClassID(&c);
        if (c == clsid)
            return f;
    }
    return nullptr;
}

// The handler's part, a file's decoded streams connected to it, then the handler's completion.
HRESULT Build(CTargetHandler& handler, const char* fixture, ComPtr<IGraphBuilder>* graph)
{
    HRESULT hr = CoCreateInstance(CLSID_FilterGraph, graph);
    if (FAILED(hr))
        return hr;
    const std::string out = ScratchFolder() + "/out." + handler.GetExtension().toStdString();
    ComPtr<IPin> videoIn, audioIn;
    if (FAILED(hr = handler.AddEncoders(QString::fromStdString(out), graph->Get(), &videoIn, &audioIn)))
        return hr;
    ComPtr<IPin> source;
    if (FAILED(hr = OpenSourceFile(graph->Get(), QString::fromStdString(FixturePath(fixture)), &source)))
        return hr;
    if (FAILED(hr = (*graph)->Connect(source.Get(), videoIn.Get())) && FAILED(hr = (*graph)->Connect(source.Get(), audioIn.Get())))
        return hr;
    for (auto& f : FiltersOf(graph->Get())) {
        ComPtr<IPin> audio, peer;
        if (SUCCEEDED(FindPin(f.Get(), PINDIR_OUTPUT, MEDIATYPE_Audio, GUID_NULL, 0, &audio))
            && FAILED(audio->ConnectedTo(peer.ReleaseAndGetAddressOf())) && SUCCEEDED((*graph)->Connect(audio.Get(), audioIn.Get())))
            break;
    }
    return handler.CompleteGraph();
}

class HandlerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterComponents(); }
};

} // namespace

TEST_F(HandlerTest, Mpeg4ProfilesReachTheComponents)
{
    struct Case {
        const char* name;
        int profile;
        CLSID codec;
        int frameRate;
        int audioKbps;
        bool resizer, frameRateConverter;
        int width, height, videoBitRate, deviceOption, muxOption3, aacIndex;
        uint32_t frameRateCode;
    };
    const Case cases[] = {
        { "Apple iPhone", 1, CLSID_H264Encoder, 0, 128, true, false, 480, 360, 970000, 0, 3, 18, 0 },
        { "Apple iPod at 100 kbit/s audio", 0, CLSID_H264Encoder, 0, 100, true, false, 320, 240, 600000, 15, 3, 17, 0 },
        { "Apple iPad at 600 kbit/s audio", 2, CLSID_H264Encoder, 0, 600, true, false, 1024, 768, 2000000, 2, 3, 27, 0 },
        { "MPEG-4 Part 2", 1, CLSID_MPEG4Encoder, 0, 128, true, false, 480, 360, 970000, 0, 3, 18, 0 },
        { "29.97 frames per second", 0, CLSID_H264Encoder, -2997, 128, true, true, 320, 240, 600000, 15, 3, 18, 4294964299u },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CMPEG4TargetHandler handler;
        handler.SelectProfile(c.profile);
        handler.m_video.codec = c.codec;
        handler.m_video.frameRate = c.frameRate;
        handler.m_audio.bitRate = c.audioKbps;
        ComPtr<IGraphBuilder> graph;
        ASSERT_EQ(Build(handler, "h264_aac.mp4", &graph), S_OK);

        ComPtr<IBaseFilter> encoder = FilterOfClass(graph.Get(), c.codec);
        ComPtr<IBaseFilter> resizer = FilterOfClass(graph.Get(), CLSID_VideoResizer);
        ComPtr<IBaseFilter> converter = FilterOfClass(graph.Get(), CLSID_FrameRateConverter);
        ComPtr<IBaseFilter> mux = FilterOfClass(graph.Get(), CLSID_MP4Multiplexer);
        ComPtr<IBaseFilter> aac = FilterOfClass(graph.Get(), CLSID_AACEncoder);
        ASSERT_TRUE(encoder && mux && aac && FilterOfClass(graph.Get(), CLSID_FileWriter));
        EXPECT_EQ(bool(resizer), c.resizer);
        EXPECT_EQ(bool(converter), c.frameRateConverter);
        EXPECT_EQ(Value(resizer.Get(), PARAM_ResizeWidth).ulVal, uint32_t(c.width));
        EXPECT_EQ(Value(resizer.Get(), PARAM_ResizeHeight).ulVal, uint32_t(c.height));
        EXPECT_EQ(Value(encoder.Get(), PARAM_BitRate).AsDouble(), c.videoBitRate);
        EXPECT_EQ(Value(encoder.Get(), PARAM_EncoderDeviceOption).AsDouble(), c.deviceOption);
        const bool avc = c.codec == CLSID_H264Encoder;
        EXPECT_EQ(Value(encoder.Get(), avc ? PARAM_AvcStream : PARAM_Mpeg4Stream).AsDouble(), 1);
        EXPECT_EQ(Value(mux.Get(), PARAM_MuxOption2).AsDouble(), 0);
        EXPECT_EQ(Value(mux.Get(), PARAM_MuxOption3).AsDouble(), c.muxOption3);
        EXPECT_EQ(Value(aac.Get(), PARAM_BitRate).AsDouble(), c.aacIndex);
        if (converter) {
            VARIANT code = Value(converter.Get(), PARAM_FrameRateCode);
            EXPECT_EQ(code.ulVal, c.frameRateCode);
        }
        // The chain in front of the encoder: converter, then resizer, then the encoder.
        ComPtr<IPin> in, upstream;
        ASSERT_EQ(FindPinById(encoder.Get(), "In", &in), S_OK);
        ASSERT_EQ(in->ConnectedTo(upstream.ReleaseAndGetAddressOf()), S_OK);
        ComPtr<IBaseFilter> before;
        FilterOfPin(upstream.Get(), &before);
        EXPECT_TRUE(IsSameObject(before.Get(), resizer.Get()));
    }
    EXPECT_EQ(CMPEG4TargetHandler::AudioBitrateIndex(128), 18);
    EXPECT_EQ(CMPEG4TargetHandler::AudioBitrateIndex(6), 0);
    EXPECT_EQ(CMPEG4TargetHandler::AudioBitrateIndex(1024), 27);
}

TEST_F(HandlerTest, M4aSwallowsTheVideo)
{
    CM4ATargetHandler handler;
    EXPECT_EQ(handler.GetExtension(), "m4a");
    ComPtr<IGraphBuilder> graph;
    ASSERT_EQ(Build(handler, "h264_aac.mp4", &graph), S_OK);
    ComPtr<IBaseFilter> sink = FilterOfClass(graph.Get(), CLSID_NullVideoSink);
    ASSERT_TRUE(sink);
    ComPtr<IPin> sinkIn, peer;
    FindPinById(sink.Get(), "In", &sinkIn);
    EXPECT_EQ(sinkIn->ConnectedTo(peer.ReleaseAndGetAddressOf()), S_OK) << "the video ends in the null sink";
    EXPECT_FALSE(FilterOfClass(graph.Get(), CLSID_VideoResizer));
    ComPtr<IBaseFilter> mux = FilterOfClass(graph.Get(), CLSID_MP4Multiplexer);
    ComPtr<IPin> input0, input1;
    FindPinById(mux.Get(), "Input 0", &input0);
    FindPinById(mux.Get(), "Input 1", &input1);
    EXPECT_EQ(input0->ConnectedTo(peer.ReleaseAndGetAddressOf()), S_OK);
    ComPtr<IBaseFilter> from;
    FilterOfPin(peer.Get(), &from);
    CLSID clsid;
    from->GetClassID(&clsid);
    EXPECT_EQ(clsid, CLSID_AACEncoder);
    EXPECT_EQ(input1->ConnectedTo(peer.ReleaseAndGetAddressOf()), VFW_E_NOT_CONNECTED);
}

TEST_F(HandlerTest, AudioFilesGetASampleRateConverterOnlyForAudioCd)
{
    struct Case {
        const char* name;
        bool mp3;
        int profile;
        bool converter;
    };
    const Case cases[] = {
        { "Wave, computer playback", false, 0, false },
        { "Wave, audio CD", false, 1, true },
        { "MP3, computer playback", true, 0, false },
        { "MP3, audio CD", true, 1, true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<CTargetHandler> handler;
        if (c.mp3)
            handler = std::make_unique<CLAMETargetHandler>();
        else
            handler = std::make_unique<CWaveTargetHandler>();
        handler->SelectProfile(c.profile);
        ComPtr<IGraphBuilder> graph;
        ASSERT_EQ(Build(*handler, "tone.m4a", &graph), S_OK);
        ComPtr<IBaseFilter> converter = FilterOfClass(graph.Get(), CLSID_SampleRateConverter);
        EXPECT_EQ(bool(converter), c.converter);
        if (converter) {
            EXPECT_EQ(Value(converter.Get(), PARAM_SampleRate).ulVal, 44100u);
        }
        EXPECT_TRUE(FilterOfClass(graph.Get(), CLSID_NullVideoSink));
        EXPECT_TRUE(FilterOfClass(graph.Get(), c.mp3 ? CLSID_MP3Writer : CLSID_WaveWriter));
    }
}

TEST_F(HandlerTest, WindowsMediaProfileCarriesTheSize)
{
    CWMVTargetHandler handler;
    handler.SelectProfile(1);
    const QString text = handler.ProfileText();
    EXPECT_EQ(text.count("right=\"640\""), 2);
    EXPECT_EQ(text.count("bottom=\"480\""), 2);
    EXPECT_TRUE(text.contains("biwidth=\"640\" biheight=\"480\""));
    EXPECT_FALSE(text.contains("%width%"));
    // Other settings of the dialog change nothing in the profile.
    handler.m_video.frameRate = 2500;
    handler.m_audio.bitRate = 320;
    EXPECT_EQ(handler.ProfileText(), text);

    ComPtr<IGraphBuilder> graph;
    ASSERT_EQ(Build(handler, "h264_aac.mp4", &graph), S_OK);
    EXPECT_TRUE(FilterOfClass(graph.Get(), CLSID_WMAsfWriter));
}

TEST_F(HandlerTest, ProfilesAreSelectedAndRestored)
{
    CMPEG4TargetHandler handler;
    handler.SelectProfile(1);
    handler.m_video.bitRate = 5000;
    handler.SelectProfile(3); // no such profile
    EXPECT_EQ(handler.GetCurrentProfileIndex(), 1);
    EXPECT_EQ(handler.m_video.bitRate, 5000);
    handler.SelectProfile(1);
    EXPECT_EQ(handler.m_video.bitRate, 970) << "selecting the profile again discards edits";
    EXPECT_EQ(handler.GetProfile(2).m_name, "Apple iPad");
    QList<int> rates;
    handler.GetAudioBitrates(&rates);
    EXPECT_EQ(rates.size(), 28);
    CM4ATargetHandler m4a;
    EXPECT_EQ(m4a.GetProfileCount(), 1);
    EXPECT_EQ(m4a.GetProfile(0).m_name, "Computer playback");
}
