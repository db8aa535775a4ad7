#include "CComputerTgtDev.h"

#include "conversion/CAudioFileTargetHandler.h"
#include "conversion/CMPEG4TargetHandler.h"
#include "conversion/CTranscodeTask.h"
#include "conversion/CWMVTargetHandler.h"
#include "devices/DeviceGraph.h"
#include "ui/CComputerTgtPage.h"
#include "ui/ErrorReporting.h"

#include <QFileInfo>

namespace vidlume {

CComputerTgtDev::CComputerTgtDev(CQuillmoorDoc* document) : CTargetDevice(document)
{
    SetIdentity(197, DEVICE_ComputerTarget, kTargetDevice, 312);
    m_formats.push_back(std::make_unique<CMPEG4TargetHandler>());
    m_formats.push_back(std::make_unique<CWMVTargetHandler>());
    m_formats.push_back(std::make_unique<CWaveTargetHandler>());
    m_formats.push_back(std::make_unique<CM4ATargetHandler>());
    m_formats.push_back(std::make_unique<CLAMETargetHandler>());
    m_page = std::make_unique<CComputerTgtPage>(this);
    m_currentFormat = m_formats.front().get();
}

CComputerTgtDev::~CComputerTgtDev() = default;

void CComputerTgtDev::GetFormatNames(QStringList* names) const
{
    names->clear();
    for (const auto& handler : m_formats)
        names->append(handler->GetFormatName());
}

HRESULT CComputerTgtDev::AddTargetPart(CSourceDevice*, CTranscodeTask* task)
{
    if (!m_currentFormat)
        return E_FAIL;
    const QString extension = m_currentFormat->GetExtension();
    const QString folder = static_cast<CComputerTgtPage*>(m_page.get())->GetFolderPath();
    // A place that is no folder (the list shows "Places" or "Computer") has nowhere to write to.
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return E_FAIL;
    task->SetOutputPath(MakeOutputPath(folder, extension, task));
    IGraphBuilder* graph = task->GetGraph();
    if (!graph)
        return E_FAIL;
    QString message, address;
    if (FAILED(m_currentFormat->CheckComponents(&message, &address))) {
        ShowMissingComponent(message, address);
        return E_FAIL;
    }
    ComPtr<IPin> videoIn, audioIn;
    HRESULT hr = m_currentFormat->AddEncoders(task->GetOutputPath(), graph, &videoIn, &audioIn);
    if (FAILED(hr))
        return hr;
    task->SetInputPins(videoIn.Get(), audioIn.Get());
    return S_OK;
}

HRESULT CComputerTgtDev::FinishGraph(CSourceDevice*, CTranscodeTask* task)
{
    if (!m_currentFormat)
        return E_FAIL;
    HRESULT hr = m_currentFormat->CompleteGraph();
    if (FAILED(hr))
        return hr;
    return task->InsertTimeGrabber();
}

} // namespace vidlume
