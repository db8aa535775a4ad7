#include "CTranscodeTask.h"

#include "conversion/GraphSteps.h"
#include "devices/CSourceDevice.h"
#include "devices/CTargetDevice.h"
#include "platform/com/CClassRegistry.h"
#include "platform/power/CSleepInhibitor.h"
#include "res/CStringTable.h"
#include "ui/ErrorReporting.h"

#include <QFile>
#include <QCursor>
#include <QGuiApplication>

namespace vidlume {

namespace {
    constexpr unsigned IDS_TRANSFER_ERROR = 219;
    constexpr unsigned IDS_TRANSFERRING = 294;

    // The wait cursor while a graph is built, when there is a screen to show it on.
    class CWaitCursor {
    public:
        CWaitCursor()
        {
            if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
                QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
                m_shown = true;
            }
        }
        ~CWaitCursor()
        {
            if (m_shown)
                QGuiApplication::restoreOverrideCursor();
        }

    private:
        bool m_shown = false;
    };
} // namespace

CTranscodeTask::CTranscodeTask(CSourceDevice* source, CTargetDevice* target, const QString& title, const QString& sourcePath,
    bool audioOnly, IGraphBuilder* graph)
    : m_graph(graph)
    , m_title(title)
    , m_sourcePath(sourcePath)
    , m_audioOnly(audioOnly)
    , m_source(source)
    , m_target(target)
{
    if (!m_graph)
        CoCreateInstance(CLSID_FilterGraph, &m_graph);
}

CTranscodeTask::~CTranscodeTask()
{
    // A graph still running is stopped (its threads joined) before anything it uses goes away.
    if (m_graph) {
        ComPtr<IMediaControl> control;
        if (SUCCEEDED(m_graph.As(&control)))
            control->Stop();
    }
}

void CTranscodeTask::SetInputPins(IPin* video, IPin* audio)
{
    m_videoInput = video;
    m_audioInput = audio;
}

HRESULT CTranscodeTask::GetAudioInputPin(ComPtr<IPin>* pin) const
{
    if (!m_audioInput)
        return E_FAIL;
    *pin = m_audioInput;
    return S_OK;
}

QString CTranscodeTask::GetDescription()
{
    return CStringTable::Format(IDS_TRANSFERRING, m_title);
}

bool CTranscodeTask::Fail(HRESULT hr)
{
    m_error = hr;
    ShowError(CStringTable::LoadString(IDS_TRANSFER_ERROR), false);
    // Whatever the target had begun to write is not a conversion.
    if (m_graph) {
        ComPtr<IMediaControl> control;
        if (SUCCEEDED(m_graph.As(&control)))
            control->Stop();
    }
    DeleteOutput();
    return false;
}

bool CTranscodeTask::Start()
{
    CWaitCursor wait;
    if (!m_graph || !m_source || !m_target)
        return Fail(E_FAIL);
    HRESULT hr = m_target->AddTargetPart(m_source, this);
    if (FAILED(hr))
        return Fail(hr);
    hr = m_audioOnly ? m_source->AddAudioSource(m_target, this) : m_source->AddVideoSource(m_target, this);
    if (FAILED(hr))
        return Fail(hr);
    if (FAILED(hr = m_target->FinishGraph(m_source, this)) || FAILED(hr = m_source->FinishGraph(m_target, this)))
        return Fail(hr);
    ComPtr<IMediaFilter> filter;
    ComPtr<IMediaControl> control;
    if (FAILED(m_graph.As(&filter)) || FAILED(m_graph.As(&control)))
        return Fail(E_FAIL);
    // No clock: the conversion runs as fast as the filters allow.
    if (FAILED(hr = filter->SetSyncSource(nullptr)) || FAILED(hr = control->Run()))
        return Fail(hr);
    m_inhibitor = std::make_unique<CSleepInhibitor>(GetDescription());
    return true;
}

void CTranscodeTask::EndWithError(HRESULT hr)
{
    m_error = hr;
    m_succeeded = false;
    ShowError(CStringTable::LoadString(IDS_TRANSFER_ERROR), false);
    DeleteOutput();
}

bool CTranscodeTask::Poll()
{
    if (!m_graph)
        return false;
    ComPtr<IMediaControl> control;
    ComPtr<IMediaEvent> events;
    if (FAILED(m_graph.As(&control)) || FAILED(m_graph.As(&events)))
        return false;
    long code = 0;
    intptr_t param1 = 0, param2 = 0;
    while (events->GetEvent(&code, &param1, &param2, 0) == S_OK) {
        events->FreeEventParams(code, param1, param2);
        if (code == EC_COMPLETE) {
            control->StopWhenReady();
            m_succeeded = true;
            m_inhibitor.reset();
            return false;
        }
        if (code == EC_ERRORABORT || code == EC_USERABORT) {
            // The graph has stopped itself; what it wrote is incomplete.
            control->Stop();
            EndWithError(code == EC_ERRORABORT ? HRESULT(param1) : E_ABORT);
            m_inhibitor.reset();
            return false;
        }
    }
    FILTER_STATE state = State_Stopped;
    control->GetState(10, &state);
    if (state == State_Stopped) {
        // Stopped without completion: either the progress check saw the stop position (the
        // output is complete) or something else stopped it.
        m_inhibitor.reset();
        return false;
    }
    return true;
}

float CTranscodeTask::GetProgress()
{
    ComPtr<IMediaSeeking> seeking = m_seeking;
    if (!seeking && (!m_graph || FAILED(m_graph.As(&seeking))))
        return 0;
    if (m_duration == -1) {
        REFERENCE_TIME duration = 0;
        if (FAILED(seeking->GetDuration(&duration)))
            return 0;
        m_duration = duration;
    }
    uint32_t caps = 0;
    seeking->GetCapabilities(&caps);
    REFERENCE_TIME current = 0;
    if (m_timeGrabber) {
        m_timeGrabber->GetLastSampleTime(&current);
    } else if (caps & AM_SEEKING_CanGetCurrentPos) {
        seeking->GetCurrentPosition(&current);
        REFERENCE_TIME stop = 0;
        if ((caps & AM_SEEKING_CanGetStopPos) && SUCCEEDED(seeking->GetStopPosition(&stop)) && stop <= current) {
            // The end is reached even when no completion event comes.
            ComPtr<IMediaControl> control;
            if (m_graph && SUCCEEDED(m_graph.As(&control))) {
                control->StopWhenReady();
                m_succeeded = true;
            }
        }
    }
    return float(double(current) / double(std::max<REFERENCE_TIME>(m_duration, 1)));
}

void CTranscodeTask::Abort()
{
    if (!m_graph)
        return;
    ComPtr<IMediaControl> control;
    if (FAILED(m_graph.As(&control)))
        return;
    control->Stop();
    m_inhibitor.reset();
    m_videoInput.Reset();
    m_audioInput.Reset();
    m_seeking.Reset();
    m_timeGrabber.Reset();
    m_graph.Reset();
    DeleteOutput();
}

void CTranscodeTask::DeleteOutput()
{
    if (!m_outputPath.isEmpty())
        QFile::remove(m_outputPath);
}

HRESULT CTranscodeTask::InsertTimeGrabber()
{
    IPin* target = m_audioOnly ? m_audioInput.Get() : m_videoInput.Get();
    if (!target || !m_graph)
        return E_FAIL;
    ComPtr<IPin> upstream;
    HRESULT hr = target->ConnectedTo(upstream.ReleaseAndGetAddressOf());
    if (FAILED(hr))
        return hr;
    if (FAILED(hr = m_graph->Disconnect(upstream.Get())) || FAILED(hr = m_graph->Disconnect(target)))
        return hr;
    ComPtr<IBaseFilter> grabber;
    if (FAILED(hr = CreateFilter(CLSID_TimeGrabber, &grabber)))
        return hr;
    if (FAILED(hr = m_graph->AddFilter(grabber.Get(), "Time Grabber")))
        return hr;
    ComPtr<ITimeGrabber> time;
    if (FAILED(hr = grabber.As(&time)))
        return hr;
    ComPtr<IEnumPins> pins;
    if (FAILED(hr = grabber->EnumPins(pins.ReleaseAndGetAddressOf())))
        return hr;
    IPin* raw[2] = {};
    ULONG got = 0;
    pins->Next(2, raw, &got);
    ComPtr<IPin> in, out;
    in.Attach(raw[0]);
    out.Attach(raw[1]);
    if (got != 2)
        return E_FAIL;
    if (FAILED(hr = m_graph->ConnectDirect(upstream.Get(), in.Get(), nullptr)) || FAILED(hr = m_graph->ConnectDirect(out.Get(), target, nullptr)))
        return hr;
    m_timeGrabber = time;
    return S_OK;
}

} // namespace vidlume
