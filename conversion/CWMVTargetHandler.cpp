#include "CWMVTargetHandler.h"

#include "conversion/GraphSteps.h"
#include "platform/graph/WindowsMediaInterfaces.h"
#include "res/CStringTable.h"

#include <QFile>

namespace vidlume {

namespace {
    constexpr unsigned IDR_WMV_PROFILE = 10075;

    std::unique_ptr<CTargetProfile> WmvProfile(unsigned nameId, int width, int height, const char* systemProfile)
    {
        const CVideoSettings video { {}, 1, width, height, 0, 0 };
        const Guid profile = *Guid::Parse(systemProfile);
        return std::make_unique<CTargetProfile>(nameId, &video, nullptr, &profile, sizeof profile);
    }
} // namespace

CWMVTargetHandler::CWMVTargetHandler()
{
    AddProfile(WmvProfile(10072, 320, 240, "3510A862-5850-4886-835F-D78EC6A64042"));
    AddProfile(WmvProfile(10071, 640, 480, "0F10D9D3-3B04-4FB0-A3D3-88D4AC854ACC"));
    AddProfile(WmvProfile(10070, 720, 576, "048439BA-309C-440E-9CB4-3DCCA3756423"));
    SelectProfile(0);
}

void CWMVTargetHandler::GetAudioCodec(int, QString* name, CLSID* clsid) const
{
    *name = CStringTable::LoadString(10073);
    *clsid = CLSID {};
}

void CWMVTargetHandler::GetVideoCodec(int, QString* name, CLSID* clsid) const
{
    *name = CStringTable::LoadString(10074);
    *clsid = CLSID {};
}

QString CWMVTargetHandler::ProfileText() const
{
    QFile resource(QStringLiteral(":/xml/%1.xml").arg(IDR_WMV_PROFILE));
    if (!resource.open(QIODevice::ReadOnly))
        return {};
    QString text = QString::fromLatin1(resource.readAll());
    // A size of 0 x 0 ("as the source") stays 0: the writer then keeps the source's size.
    text.replace(QLatin1String("%width%"), QString::number(m_video.width));
    text.replace(QLatin1String("%height%"), QString::number(m_video.height));
    return text;
}

HRESULT CWMVTargetHandler::AddEncoders(const QString& outputPath, IGraphBuilder* graph, ComPtr<IPin>* videoInput, ComPtr<IPin>* audioInput)
{
    ComPtr<IWMProfileManager> manager;
    HRESULT hr = WMCreateProfileManager(manager.ReleaseAndGetAddressOf());
    if (FAILED(hr))
        return hr;
    ComPtr<IBaseFilter> writer;
    if (FAILED(hr = CreateFilter(CLSID_WMAsfWriter, &writer)))
        return hr;
    ComPtr<IFileSinkFilter> sink;
    if (FAILED(writer.As(&sink)))
        return E_FAIL;
    if (FAILED(hr = sink->SetFileName(outputPath.toStdString(), nullptr)))
        return hr;
    if (FAILED(hr = graph->AddFilter(writer.Get(), "")))
        return hr;
    if (FAILED(hr = FindPinById(writer.Get(), "Video Input 01", videoInput)) || FAILED(hr = FindPinById(writer.Get(), "Audio Input 01", audioInput)))
        return hr;
    const QString text = ProfileText();
    if (text.isEmpty())
        return E_FAIL;
    ComPtr<IConfigAsfWriter> config;
    if (FAILED(writer.As(&config)))
        return E_FAIL;
    ComPtr<IWMProfile> profile;
    if (FAILED(hr = manager->LoadProfileByData(text.toStdString(), profile.ReleaseAndGetAddressOf())))
        return hr;
    return config->ConfigureFilterUsingProfile(profile.Get());
}

} // namespace vidlume
