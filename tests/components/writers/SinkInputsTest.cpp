// What each writer's and sink's input takes: graph building relies on a refusal (an MP3 writer
// refusing six channels is what brings in the audio converter), so acceptance is checked type by
// type.

#include "tests/components/Fixtures.h"
#include "tests/components/writers/TestPacketSource.h"
#include "tests/components/writers/WriterTestGraph.h"

using namespace vidlume;
using namespace vidlume::test;

namespace {

CMediaType FirstType(IPin* pin)
{
    CMediaType type;
    ComPtr<IEnumMediaTypes> types;
    if (pin && SUCCEEDED(pin->EnumMediaTypes(types.ReleaseAndGetAddressOf())))
        types->Next(1, &type, nullptr);
    return type;
}

CMediaType WithoutSetupData(const CMediaType& type)
{
    CMediaType bare = type;
    if (auto* v2 = type.VideoInfo2())
        bare.SetVideoInfo2(*v2);
    else if (auto* wfx = type.WaveFormat())
        bare.SetWaveFormat(*wfx);
    return bare;
}

CMediaType Pcm(AVSampleFormat format, int channels, int rate = 44100)
{
    return MediaTypeFromAudioFormat({ format, rate, channels });
}

} // namespace

TEST(SinkInputsTest, EachInputTakesWhatItCanWrite)
{
    ComPtr<CTestPacketSource> mp4 = CTestPacketSource::FromFile(FixturePath("h264_aac.mp4"));
    ComPtr<CTestPacketSource> avi = CTestPacketSource::FromFile(FixturePath("mpeg4_mp3.avi"));
    ASSERT_TRUE(mp4 && avi);
    const CMediaType avc1 = FirstType(mp4->Pin("Video"));
    const CMediaType aac = FirstType(mp4->Pin("Audio"));
    const CMediaType mp4v = FirstType(avi->Pin("Video"));
    const CMediaType mp3 = FirstType(avi->Pin("Audio"));
    ASSERT_EQ(avc1.subtype, MEDIASUBTYPE_AVC1);
    ASSERT_EQ(aac.subtype, MEDIASUBTYPE_AAC);
    const CMediaType i420 = MediaTypeFromVideoFormat({ AV_PIX_FMT_YUV420P, 320, 240 });

    struct Case {
        const char* name;
        CLSID filter;
        const char* pin;
        CMediaType type;
        HRESULT expected;
    };
    const Case cases[] = {
        { "mux: H.264 with configuration", CLSID_MP4Multiplexer, "Input 0", avc1, S_OK },
        { "mux: AAC with configuration", CLSID_MP4Multiplexer, "Input 1", aac, S_OK },
        { "mux: MPEG-4 Part 2", CLSID_MP4Multiplexer, "Input 0", mp4v, S_OK },
        { "mux: MP3", CLSID_MP4Multiplexer, "Input 1", mp3, S_OK },
        { "mux: H.264 without configuration", CLSID_MP4Multiplexer, "Input 0", WithoutSetupData(avc1), S_FALSE },
        { "mux: AAC without configuration", CLSID_MP4Multiplexer, "Input 1", WithoutSetupData(aac), S_FALSE },
        { "mux: raw video", CLSID_MP4Multiplexer, "Input 0", i420, S_FALSE },
        { "mux: raw audio", CLSID_MP4Multiplexer, "Input 1", Pcm(AV_SAMPLE_FMT_S16, 2), S_FALSE },
        { "mux output: a byte stream", CLSID_MP4Multiplexer, "Output", CMediaType(MEDIATYPE_Stream, GUID_NULL), S_OK },
        { "null sink: compressed video", CLSID_NullVideoSink, "In", avc1, S_OK },
        { "null sink: raw video", CLSID_NullVideoSink, "In", i420, S_OK },
        { "null sink: audio", CLSID_NullVideoSink, "In", aac, S_FALSE },
        { "file writer: a byte stream", CLSID_FileWriter, "in", CMediaType(MEDIATYPE_Stream, GUID_NULL), S_OK },
        { "file writer: video", CLSID_FileWriter, "in", avc1, S_FALSE },
        { "wave: 8-bit", CLSID_WaveWriter, "In", Pcm(AV_SAMPLE_FMT_U8, 2), S_OK },
        { "wave: 16-bit", CLSID_WaveWriter, "In", Pcm(AV_SAMPLE_FMT_S16, 2), S_OK },
        { "wave: 32-bit", CLSID_WaveWriter, "In", Pcm(AV_SAMPLE_FMT_S32, 2), S_OK },
        { "wave: 32-bit, eight channels", CLSID_WaveWriter, "In", Pcm(AV_SAMPLE_FMT_S32, 8), S_OK },
        { "wave: float is converted first", CLSID_WaveWriter, "In", Pcm(AV_SAMPLE_FMT_FLT, 2), S_FALSE },
        { "wave: AAC", CLSID_WaveWriter, "In", aac, S_FALSE },
        { "mp3: 16-bit stereo", CLSID_MP3Writer, "In", Pcm(AV_SAMPLE_FMT_S16, 2), S_OK },
        { "mp3: float mono", CLSID_MP3Writer, "In", Pcm(AV_SAMPLE_FMT_FLT, 1, 8000), S_OK },
        { "mp3: six channels", CLSID_MP3Writer, "In", Pcm(AV_SAMPLE_FMT_S16, 6), S_FALSE },
        { "mp3: 8-bit", CLSID_MP3Writer, "In", Pcm(AV_SAMPLE_FMT_U8, 2), S_FALSE },
        { "mp3: 32-bit integer", CLSID_MP3Writer, "In", Pcm(AV_SAMPLE_FMT_S32, 2), S_FALSE },
        { "mp3: double", CLSID_MP3Writer, "In", Pcm(AV_SAMPLE_FMT_DBL, 2), S_FALSE },
        { "mp3: AAC", CLSID_MP3Writer, "In", aac, S_FALSE },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ComPtr<IBaseFilter> filter = CreateFilter(c.filter);
        ComPtr<IPin> pin = PinOf(filter.Get(), c.pin);
        ASSERT_TRUE(pin);
        EXPECT_EQ(pin->QueryAccept(c.type), c.expected);
    }
}

TEST(SinkInputsTest, NullSinkTakesTheVideoItIsToldTo)
{
    ComPtr<IBaseFilter> sink = CreateFilter(CLSID_NullVideoSink);
    ComPtr<IMediaTypeConfig> config;
    ASSERT_EQ(sink.As(&config), S_OK);
    ComPtr<IPin> in = PinOf(sink.Get(), "In");
    const CMediaType i420 = MediaTypeFromVideoFormat({ AV_PIX_FMT_YUV420P, 320, 240 });
    const CMediaType nv12 = MediaTypeFromVideoFormat({ AV_PIX_FMT_NV12, 320, 240 });

    EXPECT_EQ(config->SetMediaType(MEDIATYPE_Audio, GUID_NULL), E_INVALIDARG);
    EXPECT_EQ(config->SetMediaType(MEDIATYPE_Video, MEDIASUBTYPE_I420), S_OK);
    EXPECT_EQ(in->QueryAccept(i420), S_OK);
    EXPECT_EQ(in->QueryAccept(nv12), S_FALSE);
    EXPECT_EQ(config->SetMediaType(MEDIATYPE_Video, GUID_NULL), S_OK);
    EXPECT_EQ(in->QueryAccept(nv12), S_OK);
}

TEST(SinkInputsTest, MultiplexerOutputNeedsAFileStream)
{
    // The Time Grabber's input takes a byte stream but cannot be written at positions.
    CTestGraph graph;
    ComPtr<IBaseFilter> mux = CreateFilter(CLSID_MP4Multiplexer);
    ComPtr<IBaseFilter> grabber = CreateFilter(CLSID_TimeGrabber);
    ComPtr<IBaseFilter> writer = CreateFilter(CLSID_FileWriter);
    graph.Add(mux.Get());
    graph.Add(grabber.Get());
    graph.Add(writer.Get());
    ComPtr<IPin> output = PinOf(mux.Get(), "Output");
    EXPECT_TRUE(FAILED(graph.Connect(output.Get(), PinOf(grabber.Get(), "In").Get())));
    ComPtr<IPin> peer;
    EXPECT_EQ(output->ConnectedTo(peer.ReleaseAndGetAddressOf()), VFW_E_NOT_CONNECTED);
    EXPECT_EQ(graph.Connect(output.Get(), PinOf(writer.Get(), "in").Get()), S_OK);
}
