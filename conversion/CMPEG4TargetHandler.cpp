#include "CMPEG4TargetHandler.h"

#include "conversion/GraphSteps.h"
#include "res/CStringTable.h"

#include <array>

namespace vidlume {

namespace {

    const int kAacBitrates[] = { 6, 7, 8, 10, 12, 14, 16, 20, 24, 28, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 448, 512, 1024 };

    std::unique_ptr<CTargetProfile> Mpeg4Profile(unsigned nameId, int width, int height, int videoKbps, std::array<int32_t, 3> options)
    {
        const CVideoSettings video { CLSID_H264Encoder, 1, width, height, 0, videoKbps };
        const CAudioSettings audio { CLSID_AACEncoder, 44100, 128 };
        return std::make_unique<CTargetProfile>(nameId, &video, &audio, options.data(), sizeof options);
    }

} // namespace

CMPEG4TargetHandler::CMPEG4TargetHandler()
{
    AddProfile(Mpeg4Profile(10003, 320, 240, 600, { 15, 0, 3 }));
    AddProfile(Mpeg4Profile(10004, 480, 360, 970, { 0, 0, 3 }));
    AddProfile(Mpeg4Profile(10011, 1024, 768, 2000, { 2, 0, 3 }));
    SelectProfile(0);
}

CMPEG4TargetHandler::~CMPEG4TargetHandler() = default;

void CMPEG4TargetHandler::GetAudioCodec(int, QString* name, CLSID* clsid) const
{
    *name = CStringTable::LoadString(10006);
    *clsid = CLSID_AACEncoder;
}

void CMPEG4TargetHandler::GetVideoCodec(int index, QString* name, CLSID* clsid) const
{
    if (index == 0) {
        *name = CStringTable::LoadString(10007);
        *clsid = CLSID_H264Encoder;
    } else if (index == 1) {
        *name = CStringTable::LoadString(10008);
        *clsid = CLSID_MPEG4Encoder;
    }
}

void CMPEG4TargetHandler::GetAudioBitrates(QList<int>* rates) const
{
    for (int r : kAacBitrates)
        *rates << r;
}

int CMPEG4TargetHandler::AudioBitrateIndex(int kbps)
{
    for (int i = 0; i < 27; ++i)
        if (kAacBitrates[i] >= kbps)
            return i;
    return 27;
}

void CMPEG4TargetHandler::Release()
{
    m_videoEncoder.Reset();
    m_audioEncoder.Reset();
    m_graph.Reset();
}

HRESULT CMPEG4TargetHandler::AddEncoders(const QString& outputPath, IGraphBuilder* graph, ComPtr<IPin>* videoInput, ComPtr<IPin>* audioInput)
{
    Release();
    m_outputPath = outputPath;
    m_graph = graph;
    HRESULT hr = CreateFilter(m_video.codec, &m_videoEncoder);
    if (FAILED(hr))
        return hr;
    if (FAILED(hr = graph->AddFilter(m_videoEncoder.Get(), "Video Encoder")))
        return hr;
    ComPtr<IMediaTypeConfig> typeConfig;
    if (SUCCEEDED(m_videoEncoder.As(&typeConfig)))
        typeConfig->SetMediaType(MEDIATYPE_Video, GUID_NULL);
    if (FAILED(hr = CreateFilter(m_audio.codec, &m_audioEncoder)))
        return hr;
    if (FAILED(hr = graph->AddFilter(m_audioEncoder.Get(), "Audio Encoder")))
        return hr;
    if (FAILED(hr = FindPinById(m_videoEncoder.Get(), "In", videoInput)))
        return hr;
    return FindPinById(m_audioEncoder.Get(), "In", audioInput);
}

HRESULT CMPEG4TargetHandler::CompleteGraph()
{
    if (!m_graph || !m_videoEncoder || !m_audioEncoder)
        return E_UNEXPECTED;
    ComPtr<IPin> videoIn;
    HRESULT hr = FindPinById(m_videoEncoder.Get(), "In", &videoIn);
    if (FAILED(hr))
        return hr;
    // A sound file sent to a video format leaves the video encoder without input: the file then
    // holds the sound alone rather than failing.
    ComPtr<IPin> videoSource;
    const bool hasPicture = m_video.codec == CLSID_NullVideoSink || SUCCEEDED(videoIn->ConnectedTo(videoSource.ReleaseAndGetAddressOf()));
    if (!hasPicture) {
        if (FAILED(hr = m_graph->RemoveFilter(m_videoEncoder.Get())))
            return hr;
    } else if (m_video.codec != CLSID_NullVideoSink) {
        if (FAILED(hr = InsertFrameRateConverter(m_graph.Get(), videoIn.Get())))
            return hr;
        if (FAILED(hr = InsertResizer(m_graph.Get(), videoIn.Get())))
            return hr;
    }
    ComPtr<IBaseFilter> multiplexer;
    if (FAILED(hr = CreateFilter(CLSID_MP4Multiplexer, &multiplexer)))
        return hr;
    if (FAILED(hr = m_graph->AddFilter(multiplexer.Get(), "")))
        return hr;
    if (FAILED(hr = ConfigureMultiplexer(multiplexer.Get())) || FAILED(hr = ConfigureAudioEncoder())
        || (hasPicture && FAILED(hr = ConfigureVideoEncoder())))
        return hr;

    ComPtr<IPin> audioOut, videoOut, input0, input1, audioIn, audioSource;
    if (FAILED(hr = FindPinById(m_audioEncoder.Get(), "Out", &audioOut)))
        return hr;
    if (FAILED(hr = FindPinById(multiplexer.Get(), "Input 0", &input0)))
        return hr;
    // A video without sound leaves the audio encoder without input; the file then has no
    // audio track rather than failing.
    const bool hasSound = SUCCEEDED(FindPinById(m_audioEncoder.Get(), "In", &audioIn))
        && SUCCEEDED(audioIn->ConnectedTo(audioSource.ReleaseAndGetAddressOf()));
    if (hasPicture && SUCCEEDED(FindPinById(m_videoEncoder.Get(), "Out", &videoOut))) {
        if (FAILED(hr = FindPinById(multiplexer.Get(), "Input 1", &input1)))
            return hr;
        if (FAILED(hr = m_graph->ConnectDirect(videoOut.Get(), input0.Get(), nullptr)))
            return hr;
        if (hasSound && FAILED(hr = m_graph->ConnectDirect(audioOut.Get(), input1.Get(), nullptr)))
            return hr;
    } else if (FAILED(hr = m_graph->ConnectDirect(audioOut.Get(), input0.Get(), nullptr))) {
        return hr;
    }

    ComPtr<IBaseFilter> writer;
    if (FAILED(hr = CreateFilter(CLSID_FileWriter, &writer)))
        return hr;
    ComPtr<IFileSinkFilter> sink;
    if (FAILED(writer.As(&sink)))
        return E_FAIL;
    if (FAILED(hr = sink->SetFileName(m_outputPath.toStdString(), nullptr)))
        return hr;
    if (FAILED(hr = m_graph->AddFilter(writer.Get(), "")))
        return hr;
    ComPtr<IPin> muxOut, writerIn;
    if (FAILED(hr = FindPinById(multiplexer.Get(), "Output", &muxOut)) || FAILED(hr = FindPinById(writer.Get(), "in", &writerIn)))
        return hr;
    if (FAILED(hr = m_graph->ConnectDirect(muxOut.Get(), writerIn.Get(), nullptr)))
        return hr;
    Release();
    return S_OK;
}

HRESULT CMPEG4TargetHandler::ConfigureMultiplexer(IBaseFilter* multiplexer)
{
    return ConfigureModule(multiplexer, true, { { PARAM_MuxOption2, VARIANT::I4(OptionValue(1)) }, { PARAM_MuxOption3, VARIANT::I4(OptionValue(2)) } });
}

HRESULT CMPEG4TargetHandler::ConfigureAudioEncoder()
{
    return ConfigureModule(m_audioEncoder.Get(), true, { { PARAM_BitRate, VARIANT::I4(AudioBitrateIndex(m_audio.bitRate)) } });
}

HRESULT CMPEG4TargetHandler::ConfigureVideoEncoder()
{
    if (m_video.codec == CLSID_NullVideoSink)
        return S_OK;
    const Guid& stream = m_video.codec == CLSID_H264Encoder ? PARAM_AvcStream : PARAM_Mpeg4Stream;
    HRESULT hr = ConfigureModule(m_videoEncoder.Get(), false, { { PARAM_EncoderDeviceOption, VARIANT::I4(OptionValue(0)) }, { stream, VARIANT::I4(1) } });
    if (FAILED(hr))
        return hr;
    return ConfigureModule(m_videoEncoder.Get(), false, { { PARAM_RateControl, VARIANT::I4(0) }, { PARAM_BitRate, VARIANT::I4(m_video.bitRate * 1000) } });
}

CM4ATargetHandler::CM4ATargetHandler()
{
    ClearProfiles();
    const CVideoSettings video { CLSID_NullVideoSink, 0, 0, 0, 0, 0 };
    const CAudioSettings audio { CLSID_AACEncoder, 0, 128 };
    const int32_t options[3] = { 0, 0, 0 };
    AddProfile(std::make_unique<CTargetProfile>(10010, &video, &audio, options, sizeof options));
    SelectProfile(0);
}

} // namespace vidlume
