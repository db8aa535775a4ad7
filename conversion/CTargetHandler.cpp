#include "CTargetHandler.h"

#include "conversion/GraphSteps.h"

#include <cstring>

namespace vidlume {

CTargetHandler::~CTargetHandler() = default;

HRESULT CTargetHandler::CheckComponents(QString*, QString*)
{
    return S_OK;
}

void CTargetHandler::GetResolutions(QList<QSize>* sizes) const
{
    *sizes << QSize(0, 0) << QSize(320, 240) << QSize(480, 360) << QSize(640, 480) << QSize(720, 480) << QSize(720, 576)
           << QSize(1280, 720) << QSize(1440, 720) << QSize(1440, 1080) << QSize(1920, 1080);
}

void CTargetHandler::GetVideoBitrateRange(int* minimum, int* maximum) const
{
    *minimum = 192;
    *maximum = 30000;
}

void CTargetHandler::GetAudioBitrates(QList<int>* rates) const
{
    *rates << 0;
}

void CTargetHandler::GetFrameRates(QList<int>* rates) const
{
    *rates << 0 << 2400 << 2500 << -2997 << 3000;
}

void CTargetHandler::GetSampleRates(QList<int>* rates) const
{
    *rates << 0 << 16000 << 22050 << 32000 << 44100 << 48000 << 96000;
}

void CTargetHandler::SelectProfile(int index)
{
    if (index < 0 || index >= GetProfileCount())
        return;
    const CTargetProfile& p = *m_profiles[size_t(index)];
    m_video = p.m_video;
    m_audio = p.m_audio;
    m_options = &p.m_options;
    m_currentProfile = index;
}

void CTargetHandler::ClearProfiles()
{
    m_profiles.clear();
    m_options = nullptr;
    m_currentProfile = 0;
}

int32_t CTargetHandler::OptionValue(int index) const
{
    if (!m_options || m_options->size() < size_t(index + 1) * 4)
        return 0;
    int32_t value;
    std::memcpy(&value, m_options->data() + index * 4, 4);
    return value;
}

HRESULT CTargetHandler::InsertFilter(IBaseFilter* filter, IGraphBuilder* graph, IPin* pin)
{
    ComPtr<IPin> upstream;
    HRESULT hr = pin->ConnectedTo(upstream.ReleaseAndGetAddressOf());
    if (FAILED(hr))
        return hr;
    if (FAILED(hr = graph->Disconnect(upstream.Get())) || FAILED(hr = graph->Disconnect(pin)))
        return hr;
    if (FAILED(hr = graph->AddFilter(filter, "")))
        return hr;
    ComPtr<IPin> in, out;
    if (FAILED(hr = FirstPin(filter, PINDIR_INPUT, &in)) || FAILED(hr = FirstPin(filter, PINDIR_OUTPUT, &out)))
        return hr;
    if (FAILED(hr = graph->Connect(upstream.Get(), in.Get())))
        return hr;
    return graph->Connect(out.Get(), pin);
}

HRESULT CTargetHandler::InsertSampleRateConverter(IGraphBuilder* graph, IPin* pin)
{
    if (m_audio.sampleRate == 0)
        return S_OK;
    ComPtr<IBaseFilter> converter;
    HRESULT hr = CreateFilter(CLSID_SampleRateConverter, &converter);
    if (FAILED(hr))
        return hr;
    if (FAILED(hr = ConfigureModule(converter.Get(), false, { { PARAM_SampleRate, VARIANT::UI4(uint32_t(m_audio.sampleRate)) } })))
        return hr;
    return InsertFilter(converter.Get(), graph, pin);
}

HRESULT CTargetHandler::InsertFrameRateConverter(IGraphBuilder* graph, IPin* pin)
{
    if (m_video.frameRate == 0)
        return S_OK;
    ComPtr<IBaseFilter> converter;
    HRESULT hr = CreateFilter(CLSID_FrameRateConverter, &converter);
    if (FAILED(hr))
        return hr;
    // The code travels as its 32-bit pattern: -2997 arrives as 4294964299.
    hr = ConfigureModule(converter.Get(), false, { { PARAM_FrameRateCode, VARIANT::UI4(static_cast<uint32_t>(m_video.frameRate)) } });
    if (FAILED(hr))
        return hr;
    return InsertFilter(converter.Get(), graph, pin);
}

HRESULT CTargetHandler::InsertResizer(IGraphBuilder* graph, IPin* pin)
{
    int width = 0, height = 0;
    switch (m_video.resizeMode) {
    case 0:
        return S_OK;
    case 1:
        width = m_video.width;
        height = m_video.height;
        break;
    case 2: {
        CMediaType mt;
        HRESULT hr = pin->ConnectionMediaType(&mt);
        if (FAILED(hr))
            return hr;
        const BITMAPINFOHEADER* bmi = mt.BitmapHeader();
        if (!bmi)
            return E_FAIL;
        // A top-down picture reports a negative height; its size is the magnitude.
        const int sourceWidth = bmi->biWidth, sourceHeight = std::abs(bmi->biHeight);
        if (sourceWidth < m_video.width && sourceHeight < m_video.height)
            return S_OK;
        width = std::min(sourceWidth, m_video.width);
        height = std::min(sourceHeight, m_video.height);
        break;
    }
    default:
        return E_FAIL;
    }
    ComPtr<IBaseFilter> resizer;
    HRESULT hr = CreateFilter(CLSID_VideoResizer, &resizer);
    if (FAILED(hr))
        return hr;
    const bool fullHd = width == 1920 && height == 1080;
    if (fullHd)
        hr = ConfigureModule(resizer.Get(), false,
            { { PARAM_ResizeMode, VARIANT::UI4(1) }, { PARAM_ResizeWidth, VARIANT::UI4(uint32_t(width)) },
                { PARAM_ResizeHeight, VARIANT::UI4(uint32_t(height)) }, { PARAM_ResizeFullHd, VARIANT::UI4(1) } });
    else
        hr = ConfigureModule(resizer.Get(), false,
            { { PARAM_ResizeMode, VARIANT::UI4(1) }, { PARAM_ResizeWidth, VARIANT::UI4(uint32_t(width)) },
                { PARAM_ResizeHeight, VARIANT::UI4(uint32_t(height)) } });
    if (FAILED(hr))
        return hr;
    return InsertFilter(resizer.Get(), graph, pin);
}

} // namespace vidlume
