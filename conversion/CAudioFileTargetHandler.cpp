#include "CAudioFileTargetHandler.h"

#include "conversion/GraphSteps.h"
#include "res/CStringTable.h"

namespace vidlume {

CAudioFileTargetHandler::CAudioFileTargetHandler(const CLSID& writer, unsigned codecNameId)
    : m_writerClass(writer)
    , m_codecNameId(codecNameId)
{
    const CAudioSettings asSource { {}, 0, 0 };
    const CAudioSettings audioCd { {}, 44100, 0 };
    AddProfile(std::make_unique<CTargetProfile>(10010, nullptr, &asSource, nullptr, 0));
    AddProfile(std::make_unique<CTargetProfile>(10062, nullptr, &audioCd, nullptr, 0));
    SelectProfile(0);
}

void CAudioFileTargetHandler::GetAudioCodec(int, QString* name, CLSID* clsid) const
{
    *name = CStringTable::LoadString(m_codecNameId);
    *clsid = CLSID {};
}

HRESULT CAudioFileTargetHandler::AddEncoders(const QString& outputPath, IGraphBuilder* graph, ComPtr<IPin>* videoInput, ComPtr<IPin>* audioInput)
{
    m_outputPath = outputPath;
    m_graph = graph;
    ComPtr<IBaseFilter> nullSink;
    HRESULT hr = CreateFilter(CLSID_NullVideoSink, &nullSink);
    if (FAILED(hr))
        return hr;
    ComPtr<IMediaTypeConfig> typeConfig;
    if (FAILED(nullSink.As(&typeConfig)))
        return E_FAIL;
    typeConfig->SetMediaType(MEDIATYPE_Video, GUID_NULL);
    if (FAILED(hr = CreateFilter(m_writerClass, &m_writer)))
        return hr;
    ComPtr<IFileSinkFilter> sink;
    if (FAILED(m_writer.As(&sink)))
        return E_FAIL;
    if (FAILED(hr = sink->SetFileName(outputPath.toStdString(), nullptr)))
        return hr;
    if (FAILED(hr = graph->AddFilter(m_writer.Get(), "")) || FAILED(hr = graph->AddFilter(nullSink.Get(), "")))
        return hr;
    if (FAILED(hr = FindPinById(nullSink.Get(), "In", videoInput)))
        return hr;
    return FindPinById(m_writer.Get(), "In", audioInput);
}

HRESULT CAudioFileTargetHandler::CompleteGraph()
{
    ComPtr<IPin> in;
    if (m_writer && m_graph && SUCCEEDED(FindPinById(m_writer.Get(), "In", &in))) {
        // A converter that cannot be put in leaves the sound at the source's rate; the file is
        // still written.
        InsertSampleRateConverter(m_graph.Get(), in.Get());
    }
    m_writer.Reset();
    m_graph.Reset();
    return S_OK;
}

CWaveTargetHandler::CWaveTargetHandler() : CAudioFileTargetHandler(CLSID_WaveWriter, 10064) { }

CLAMETargetHandler::CLAMETargetHandler() : CAudioFileTargetHandler(CLSID_MP3Writer, 10063) { }

} // namespace vidlume
