#include "DeviceGraph.h"

#include "conversion/CTranscodeTask.h"
#include "conversion/GraphSteps.h"

#include <QDir>
#include <QFileInfo>

namespace vidlume {

namespace {
    constexpr Guid PARAM_AvcDecoderTimestamps = MakeGuid("AF65371F-7E7D-40A4-A1BA-AAFD10090ACD");
    constexpr Guid PARAM_AvcDecoderFrameRate = MakeGuid("1959B33C-DB92-47EC-B466-6308D9FBC081");
    // When the connection does not give a frame duration, the H.264 decoder is told this rate.
    constexpr double kDefaultFrameRate = 25.0;

    HRESULT AddFilterWithVideoOut(IGraphBuilder* graph, const CLSID& clsid, const char* name, IPin* upstream, ComPtr<IPin>* videoPin)
    {
        ComPtr<IBaseFilter> filter;
        HRESULT hr = CreateFilter(clsid, &filter);
        if (FAILED(hr))
            return hr;
        if (FAILED(hr = graph->AddFilter(filter.Get(), name)))
            return hr;
        ComPtr<IPin> in;
        if (FAILED(hr = FirstPin(filter.Get(), PINDIR_INPUT, &in)) || FAILED(hr = graph->ConnectDirect(upstream, in.Get(), nullptr))
            || FAILED(hr = FindPin(filter.Get(), PINDIR_OUTPUT, MEDIATYPE_Video, GUID_NULL, 0, videoPin))) {
            graph->RemoveFilter(filter.Get());
            return FAILED(hr) ? hr : E_FAIL;
        }
        return S_OK;
    }
} // namespace

bool IsNetworkPath(const QString& path)
{
    return path.startsWith(QLatin1String("http://"), Qt::CaseSensitive);
}

HRESULT PinAcceptsType(IPin* pin, const Guid& majorType, const Guid& subtype)
{
    if (majorType == GUID_NULL)
        return S_OK;
    ComPtr<IEnumMediaTypes> types;
    if (!pin || FAILED(pin->EnumMediaTypes(types.ReleaseAndGetAddressOf())))
        return S_FALSE;
    CMediaType mt;
    while (types->Next(1, &mt, nullptr) == S_OK)
        if (mt.majortype == majorType && (subtype == GUID_NULL || mt.subtype == subtype))
            return S_OK;
    return S_FALSE;
}

HRESULT FindPin(IBaseFilter* filter, PIN_DIRECTION direction, const Guid& majorType, const Guid& subtype, int index, ComPtr<IPin>* pin)
{
    pin->Reset();
    ComPtr<IEnumPins> pins;
    if (!filter || FAILED(filter->EnumPins(pins.ReleaseAndGetAddressOf())))
        return E_FAIL;
    IPin* raw = nullptr;
    while (pins->Next(1, &raw, nullptr) == S_OK) {
        ComPtr<IPin> candidate;
        candidate.Attach(raw);
        PIN_DIRECTION dir;
        if (FAILED(candidate->QueryDirection(&dir)) || dir != direction || PinAcceptsType(candidate.Get(), majorType, subtype) != S_OK)
            continue;
        if (index-- == 0) {
            *pin = candidate;
            return S_OK;
        }
    }
    return E_FAIL;
}

HRESULT OpenSourceFile(IGraphBuilder* graph, const QString& path, ComPtr<IPin>* pin)
{
    ComPtr<IBaseFilter> source;
    HRESULT hr = graph->AddSourceFilter(path.toStdString(), "", source.ReleaseAndGetAddressOf());
    if (FAILED(hr))
        return hr;
    if (SUCCEEDED(FindPin(source.Get(), PINDIR_OUTPUT, MEDIATYPE_Video, GUID_NULL, 0, pin)))
        return S_OK;
    return FindPin(source.Get(), PINDIR_OUTPUT, MEDIATYPE_Stream, GUID_NULL, 0, pin);
}

HRESULT AddDemultiplexer(IGraphBuilder* graph, const CLSID& clsid, IPin* upstream, ComPtr<IPin>* videoPin)
{
    return AddFilterWithVideoOut(graph, clsid, "Demultiplexer", upstream, videoPin);
}

HRESULT AddVideoDecoder(IGraphBuilder* graph, const CLSID& clsid, IPin* upstream, ComPtr<IPin>* videoPin)
{
    return AddFilterWithVideoOut(graph, clsid, "Video Decoder", upstream, videoPin);
}

HRESULT BuildVideoChain(CTranscodeTask* task, ComPtr<IPin>* decodedVideo)
{
    IGraphBuilder* graph = task->GetGraph();
    const QString path = task->GetSourcePath();
    ComPtr<IBaseFilter> source;
    HRESULT hr = CreateFilter(IsNetworkPath(path) ? CLSID_NetworkSource : CLSID_AsyncReader, &source);
    if (FAILED(hr))
        return hr;
    if (FAILED(hr = graph->AddFilter(source.Get(), "")))
        return hr;
    ComPtr<IFileSourceFilter> load;
    if (FAILED(source.As(&load)))
        return E_FAIL;
    if (FAILED(hr = load->Load(path.toStdString(), nullptr)))
        return hr;
    ComPtr<IPin> stream;
    if (SUCCEEDED(FindPin(source.Get(), PINDIR_OUTPUT, MEDIATYPE_Stream, GUID_NULL, 0, &stream))) {
        ComPtr<IPin> demuxed;
        if (SUCCEEDED(AddDemultiplexer(graph, CLSID_Demultiplexer, stream.Get(), &demuxed))
            || SUCCEEDED(AddDemultiplexer(graph, CLSID_Demultiplexer2, stream.Get(), &demuxed))) {
            for (const CLSID& decoder : { CLSID_H264Decoder, CLSID_MPEG4Decoder, CLSID_MPEG2Decoder })
                if (SUCCEEDED(AddVideoDecoder(graph, decoder, demuxed.Get(), decodedVideo)))
                    return S_OK;
        }
    }
    // Nothing of ours took the file: the graph's own source selection and intelligent connect
    // get their chance. The source added above stays, unconnected.
    return OpenSourceFile(graph, path, decodedVideo);
}

HRESULT FindStreamSeeking(IPin* pin, CTranscodeTask* task)
{
    ComPtr<IPin> current(pin);
    for (int guard = 0; current && guard < 32; ++guard) {
        ComPtr<IMediaSeeking> seeking;
        if (SUCCEEDED(current.As(&seeking))) {
            task->SetSeeking(seeking.Get());
            return S_OK;
        }
        ComPtr<IPin> peer;
        if (FAILED(current->ConnectedTo(peer.ReleaseAndGetAddressOf())))
            break;
        ComPtr<IBaseFilter> filter;
        if (FAILED(FilterOfPin(peer.Get(), &filter)))
            break;
        ComPtr<IPin> next;
        if (FAILED(FindPin(filter.Get(), PINDIR_OUTPUT, MEDIATYPE_Video, GUID_NULL, 0, &next))
            && FAILED(FirstPin(filter.Get(), PINDIR_OUTPUT, &next)))
            break;
        current = next;
    }
    return S_FALSE;
}

HRESULT ConfigureAvcDecoder(CTranscodeTask* task)
{
    for (const auto& filter : FiltersOf(task->GetGraph())) {
        CLSID clsid;
        if (FAILED(filter->GetClassID(&clsid)) || clsid != CLSID_H264Decoder)
            continue;
        ComPtr<IPin> in;
        CMediaType mt;
        if (SUCCEEDED(FirstPin(filter.Get(), PINDIR_INPUT, &in)))
            in->ConnectionMediaType(&mt);
        const REFERENCE_TIME frame = mt.AvgTimePerFrame();
        const double rate = frame > 0 ? 10'000'000.0 / double(frame) : kDefaultFrameRate;
        return ConfigureModule(filter.Get(), false,
            { { PARAM_AvcDecoderTimestamps, VARIANT::UI4(2) }, { PARAM_AvcDecoderFrameRate, VARIANT::R8(rate) } });
    }
    return S_OK;
}

QString MakeOutputPath(const QString& folder, const QString& extension, CTranscodeTask* task)
{
    const QString title = task->GetTitle();
    QString path = QStringLiteral("%1/%2.%3").arg(folder, title, extension);
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = QStringLiteral("%1/%2 (%3).%4").arg(folder, title, QString::number(n), extension);
    return path;
}

void EmptyFolder(const QString& folder)
{
    QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System))
        dir.remove(name);
}

} // namespace vidlume
