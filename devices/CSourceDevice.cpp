#include "CSourceDevice.h"

#include "conversion/CTranscodeTask.h"
#include "conversion/GraphSteps.h"
#include "devices/CTargetDevice.h"
#include "devices/DeviceGraph.h"
#include "devices/MediaFileKinds.h"
#include "platform/com/CClassRegistry.h"
#include "platform/graph/MediaInfoInterfaces.h"
#include "res/CStringTable.h"
#include "ui/CDevicePage.h"
#include "ui/ErrorReporting.h"

#include <QFileInfo>

namespace vidlume {

namespace {
    constexpr unsigned IDS_FORMAT_NOT_SUPPORTED = 300;
}

HRESULT CSourceDevice::AddVideoSource(CTargetDevice*, CTranscodeTask* task)
{
    IGraphBuilder* graph = task->GetGraph();
    if (!graph)
        return E_FAIL;
    ComPtr<IPin> decoded;
    HRESULT hr = BuildVideoChain(task, &decoded);
    if (FAILED(hr))
        return hr;
    IPin* videoIn = task->GetVideoInputPin();
    IPin* audioIn = task->AudioInputPin();
    if (!videoIn || !audioIn)
        return E_FAIL;
    if (FAILED(hr = graph->Connect(decoded.Get(), videoIn)))
        return hr;
    FindStreamSeeking(decoded.Get(), task);
    ConfigureAvcDecoder(task);
    // The sound comes from whichever filter offers it first; a video without sound still converts.
    for (const auto& filter : FiltersOf(graph)) {
        ComPtr<IPin> audio;
        if (SUCCEEDED(FindPin(filter.Get(), PINDIR_OUTPUT, MEDIATYPE_Audio, GUID_NULL, 0, &audio)) && SUCCEEDED(graph->Connect(audio.Get(), audioIn)))
            break;
    }
    return S_OK;
}

HRESULT CSourceDevice::AddAudioSource(CTargetDevice*, CTranscodeTask* task)
{
    IGraphBuilder* graph = task->GetGraph();
    if (!graph)
        return E_FAIL;
    const QString path = task->GetSourcePath();
    ComPtr<IBaseFilter> source;
    HRESULT hr;
    if (IsNetworkPath(path)) {
        if (FAILED(hr = CreateFilter(CLSID_NetworkSource, &source)) || FAILED(hr = graph->AddFilter(source.Get(), "")))
            return hr;
        ComPtr<IFileSourceFilter> load;
        if (FAILED(source.As(&load)))
            return E_FAIL;
        if (FAILED(hr = load->Load(path.toStdString(), nullptr)))
            return hr;
    } else if (FAILED(hr = graph->AddSourceFilter(path.toStdString(), "", source.ReleaseAndGetAddressOf()))) {
        return hr;
    }
    ComPtr<IPin> pin;
    if (FAILED(FindPin(source.Get(), PINDIR_OUTPUT, MEDIATYPE_Audio, GUID_NULL, 0, &pin))
        && FAILED(hr = FindPin(source.Get(), PINDIR_OUTPUT, MEDIATYPE_Stream, GUID_NULL, 0, &pin)))
        return hr;
    ComPtr<IPin> audioIn;
    if (FAILED(hr = task->GetAudioInputPin(&audioIn)))
        return hr;
    if (FAILED(hr = graph->Connect(pin.Get(), audioIn.Get())))
        return hr;
    FindStreamSeeking(pin.Get(), task);
    return S_OK;
}

double CSourceDevice::GetSelectedDuration()
{
    QStringList files;
    if (m_page)
        m_page->GetTransferFiles(&files);
    double total = 0;
    for (const QString& path : files) {
        ComPtr<IMediaInfo> info;
        if (FAILED(CoCreateInstance(CLSID_MediaInfo, &info)) || FAILED(info->Open(path.toStdString())))
            continue;
        double seconds = 0;
        if (SUCCEEDED(info->GetDuration(&seconds)))
            total += seconds;
    }
    return total;
}

bool CSourceDevice::CreateTasks(QList<CTranscodeTask*>* tasks, CTargetDevice* target, const QStringList* paths)
{
    QStringList video, audio;
    FillExtensionLists(video, audio);
    if (!target->AcceptsSource(this))
        return false;
    QStringList items;
    if (paths) {
        items = *paths;
    } else if (m_page) {
        m_page->GetTransferFiles(&items);
        m_page->UncheckAll();
    }
    for (const QString& item : items) {
        const MediaFileKind kind = ClassifyFile(item, video, audio);
        if (kind == kNotMediaFile) {
            ShowError(CStringTable::Format(IDS_FORMAT_NOT_SUPPORTED, item), true);
            continue;
        }
        const QString title = QFileInfo(item).completeBaseName();
        tasks->append(new CTranscodeTask(this, target, title, item, kind == kAudioFile));
    }
    return true;
}

} // namespace vidlume
