#include "GraphRecipes.h"

#include "conversion/CMPEG4TargetHandler.h"
#include "conversion/GraphSteps.h"
#include "devices/DeviceGraph.h"
#include "platform/com/CClassRegistry.h"
#include "platform/graph/WindowsMediaInterfaces.h"

#include <QFile>
#include <QString>

#include <vector>

namespace vidlume::test {

namespace {

// Parameter identifiers as the format handlers pass them.
constexpr const Guid& kSampleRate = PARAM_SampleRate;
constexpr const Guid& kFrameRateCode = PARAM_FrameRateCode;
constexpr const Guid& kResizeMode = PARAM_ResizeMode;
constexpr const Guid& kResizeWidth = PARAM_ResizeWidth;
constexpr const Guid& kResizeHeight = PARAM_ResizeHeight;
constexpr const Guid& kResizeFullHd = PARAM_ResizeFullHd;
constexpr const Guid& kMuxOption2 = PARAM_MuxOption2;
constexpr const Guid& kMuxOption3 = PARAM_MuxOption3;
constexpr const Guid& kBitRate = PARAM_BitRate;
constexpr const Guid& kDeviceOption = PARAM_EncoderDeviceOption;
constexpr const Guid& kAvcMode = PARAM_AvcStream;
constexpr const Guid& kMpeg4Mode = PARAM_Mpeg4Stream;
constexpr const Guid& kRateMode = PARAM_RateControl;
constexpr Guid kAvcDecoderTimestamps = MakeGuid("AF65371F-7E7D-40A4-A1BA-AAFD10090ACD");
constexpr Guid kAvcDecoderFrameRate = MakeGuid("1959B33C-DB92-47EC-B466-6308D9FBC081");

#define CHECK_HR(expr)                                                   \
    do {                                                                 \
        HRESULT hr_ = (expr);                                            \
        if (FAILED(hr_))                                                 \
            return Fail(error, hr_, std::string(#expr));                 \
    } while (0)

HRESULT Fail(std::string* error, HRESULT hr, const std::string& what)
{
    if (error)
        *error = what + " -> " + HResultToString(hr);
    return hr;
}

// The program's own graph steps, in the shape the recipes read best with.
ComPtr<IPin> FindPin(IBaseFilter* filter, PIN_DIRECTION dir, const Guid& major, int index = 0)
{
    ComPtr<IPin> pin;
    vidlume::FindPin(filter, dir, major, GUID_NULL, index, &pin);
    return pin;
}

ComPtr<IPin> PinById(IBaseFilter* filter, const char* id)
{
    ComPtr<IPin> pin;
    FindPinById(filter, id, &pin);
    return pin;
}

ComPtr<IBaseFilter> Create(const CLSID& clsid)
{
    ComPtr<IBaseFilter> f;
    CreateFilter(clsid, &f);
    return f;
}

HRESULT Configure(IBaseFilter* filter, bool reset, std::initializer_list<std::pair<Guid, VARIANT>> values)
{
    return ConfigureModule(filter, reset, values);
}

// Puts a filter in front of an input pin that is already connected.
HRESULT InsertBefore(IGraphBuilder* graph, IBaseFilter* filter, IPin* pin)
{
    ComPtr<IPin> upstream;
    HRESULT hr = pin->ConnectedTo(upstream.ReleaseAndGetAddressOf());
    if (FAILED(hr))
        return hr;
    graph->Disconnect(upstream.Get());
    graph->Disconnect(pin);
    if (FAILED(hr = graph->AddFilter(filter, "")))
        return hr;
    ComPtr<IPin> in = FindPin(filter, PINDIR_INPUT, GUID_NULL), out = FindPin(filter, PINDIR_OUTPUT, GUID_NULL);
    if (!in || !out)
        return E_FAIL;
    if (FAILED(hr = graph->Connect(upstream.Get(), in.Get())))
        return hr;
    return graph->Connect(out.Get(), pin);
}

} // namespace

// The target part: encoders or writer and their input pins.
HRESULT AddTargetPart(const Target& t, const std::string& out, Built& b, std::string* error)
{
    IGraphBuilder* g = b.graph.Get();
    switch (t.kind) {
    case Target::Mpeg4:
    case Target::M4a: {
        b.videoFilter = Create(t.kind == Target::M4a ? CLSID_NullVideoSink : t.videoCodec);
        b.audioFilter = Create(CLSID_AACEncoder);
        if (!b.videoFilter || !b.audioFilter)
            return Fail(error, E_FAIL, "encoder missing");
        CHECK_HR(g->AddFilter(b.videoFilter.Get(), "Video Encoder"));
        ComPtr<IMediaTypeConfig> typeConfig;
        if (SUCCEEDED(b.videoFilter.As(&typeConfig)))
            typeConfig->SetMediaType(MEDIATYPE_Video, GUID_NULL);
        CHECK_HR(g->AddFilter(b.audioFilter.Get(), "Audio Encoder"));
        b.videoIn = PinById(b.videoFilter.Get(), "In");
        b.audioIn = PinById(b.audioFilter.Get(), "In");
        break;
    }
    case Target::Wmv: {
        ComPtr<IWMProfileManager> manager;
        CHECK_HR(WMCreateProfileManager(manager.ReleaseAndGetAddressOf()));
        b.writer = Create(CLSID_WMAsfWriter);
        ComPtr<IFileSinkFilter> sink;
        CHECK_HR(b.writer.As(&sink));
        CHECK_HR(sink->SetFileName(out, nullptr));
        CHECK_HR(g->AddFilter(b.writer.Get(), ""));
        b.videoIn = PinById(b.writer.Get(), "Video Input 01");
        b.audioIn = PinById(b.writer.Get(), "Audio Input 01");
        QFile templ(QStringLiteral(VIDLUME_SOURCE_DIR "/res/xml/10075.xml"));
        if (!templ.open(QIODevice::ReadOnly))
            return Fail(error, E_FAIL, "no profile template");
        QString text = QString::fromLatin1(templ.readAll());
        text.replace("%width%", QString::number(t.width)).replace("%height%", QString::number(t.height));
        ComPtr<IWMProfile> profile;
        CHECK_HR(manager->LoadProfileByData(text.toStdString(), profile.ReleaseAndGetAddressOf()));
        ComPtr<IConfigAsfWriter> config;
        CHECK_HR(b.writer.As(&config));
        CHECK_HR(config->ConfigureFilterUsingProfile(profile.Get()));
        break;
    }
    case Target::Wave:
    case Target::Mp3: {
        b.videoFilter = Create(CLSID_NullVideoSink);
        b.writer = Create(t.kind == Target::Wave ? CLSID_WaveWriter : CLSID_MP3Writer);
        ComPtr<IMediaTypeConfig> typeConfig;
        CHECK_HR(b.videoFilter.As(&typeConfig));
        typeConfig->SetMediaType(MEDIATYPE_Video, GUID_NULL);
        ComPtr<IFileSinkFilter> sink;
        CHECK_HR(b.writer.As(&sink));
        CHECK_HR(sink->SetFileName(out, nullptr));
        CHECK_HR(g->AddFilter(b.writer.Get(), ""));
        CHECK_HR(g->AddFilter(b.videoFilter.Get(), ""));
        b.videoIn = PinById(b.videoFilter.Get(), "In");
        b.audioIn = PinById(b.writer.Get(), "In");
        break;
    }
    }
    if (!b.videoIn || !b.audioIn)
        return Fail(error, E_FAIL, "input pins missing");
    return S_OK;
}

// The source part of a video task: file source, demultiplexer, decoder - or the graph's own
// source selection when none of them takes the file - then the audio from whichever filter has it.
HRESULT AddVideoSource(const std::string& path, Built& b, bool* usedFallback, std::string* error)
{
    IGraphBuilder* g = b.graph.Get();
    ComPtr<IPin> decoded;
    ComPtr<IBaseFilter> source = Create(CLSID_AsyncReader);
    CHECK_HR(g->AddFilter(source.Get(), ""));
    ComPtr<IFileSourceFilter> load;
    CHECK_HR(source.As(&load));
    CHECK_HR(load->Load(path, nullptr));
    if (ComPtr<IPin> stream = FindPin(source.Get(), PINDIR_OUTPUT, MEDIATYPE_Stream)) {
        for (const CLSID& demuxId : { CLSID_Demultiplexer, CLSID_Demultiplexer2 }) {
            ComPtr<IBaseFilter> demux = Create(demuxId);
            g->AddFilter(demux.Get(), "Demultiplexer");
            ComPtr<IPin> in = FindPin(demux.Get(), PINDIR_INPUT, GUID_NULL);
            if (!in || FAILED(g->ConnectDirect(stream.Get(), in.Get(), nullptr))) {
                g->RemoveFilter(demux.Get());
                continue;
            }
            ComPtr<IPin> video = FindPin(demux.Get(), PINDIR_OUTPUT, MEDIATYPE_Video);
            for (const CLSID& decoderId : { CLSID_H264Decoder, CLSID_MPEG4Decoder, CLSID_MPEG2Decoder }) {
                if (!video)
                    break;
                ComPtr<IBaseFilter> decoder = Create(decoderId);
                g->AddFilter(decoder.Get(), "Video Decoder");
                ComPtr<IPin> din = FindPin(decoder.Get(), PINDIR_INPUT, GUID_NULL);
                if (din && SUCCEEDED(g->ConnectDirect(video.Get(), din.Get(), nullptr))
                    && (decoded = FindPin(decoder.Get(), PINDIR_OUTPUT, MEDIATYPE_Video)))
                    break;
                g->RemoveFilter(decoder.Get());
            }
            break;
        }
    }
    *usedFallback = !decoded;
    if (!decoded) {
        ComPtr<IBaseFilter> fallback;
        CHECK_HR(g->AddSourceFilter(path, "", fallback.ReleaseAndGetAddressOf()));
        decoded = FindPin(fallback.Get(), PINDIR_OUTPUT, MEDIATYPE_Video);
        if (!decoded)
            decoded = FindPin(fallback.Get(), PINDIR_OUTPUT, MEDIATYPE_Stream);
        if (!decoded)
            return Fail(error, E_FAIL, "no pin to start from");
    }
    CHECK_HR(g->Connect(decoded.Get(), b.videoIn.Get()));

    // Frame rate for the H.264 decoder, as the devices configure it.
    ComPtr<IEnumFilters> e;
    g->EnumFilters(e.ReleaseAndGetAddressOf());
    IBaseFilter* raw = nullptr;
    std::vector<ComPtr<IBaseFilter>> filters;
    while (e->Next(1, &raw, nullptr) == S_OK) {
        filters.emplace_back();
        filters.back().Attach(raw);
    }
    for (auto& f : filters) {
        CLSID clsid;
        f->GetClassID(&clsid);
        if (clsid != CLSID_H264Decoder)
            continue;
        CMediaType mt;
        FindPin(f.Get(), PINDIR_INPUT, GUID_NULL)->ConnectionMediaType(&mt);
        double rate = mt.AvgTimePerFrame() > 0 ? 1e7 / double(mt.AvgTimePerFrame()) : 25.0;
        Configure(f.Get(), false, { { kAvcDecoderTimestamps, VARIANT::UI4(2) }, { kAvcDecoderFrameRate, VARIANT::R8(rate) } });
    }
    for (auto& f : filters) {
        ComPtr<IPin> audio = FindPin(f.Get(), PINDIR_OUTPUT, MEDIATYPE_Audio);
        ComPtr<IPin> peer;
        if (audio && FAILED(audio->ConnectedTo(peer.ReleaseAndGetAddressOf())) && SUCCEEDED(g->Connect(audio.Get(), b.audioIn.Get())))
            break;
    }
    return S_OK;
}

HRESULT AddAudioSource(const std::string& path, Built& b, std::string* error)
{
    ComPtr<IBaseFilter> source;
    CHECK_HR(b.graph->AddSourceFilter(path, "", source.ReleaseAndGetAddressOf()));
    ComPtr<IPin> pin = FindPin(source.Get(), PINDIR_OUTPUT, MEDIATYPE_Audio);
    if (!pin)
        pin = FindPin(source.Get(), PINDIR_OUTPUT, MEDIATYPE_Stream);
    if (!pin)
        return Fail(error, E_FAIL, "no audio");
    CHECK_HR(b.graph->Connect(pin.Get(), b.audioIn.Get()));
    return S_OK;
}

// The handlers' completing steps: converters, multiplexer, writer.
HRESULT CompleteGraph(const Target& t, const std::string& out, Built& b, std::string* error)
{
    IGraphBuilder* g = b.graph.Get();
    if (t.kind == Target::Wave || t.kind == Target::Mp3) {
        if (t.sampleRate) {
            ComPtr<IBaseFilter> src = Create(CLSID_SampleRateConverter);
            CHECK_HR(Configure(src.Get(), false, { { kSampleRate, VARIANT::UI4(uint32_t(t.sampleRate)) } }));
            CHECK_HR(InsertBefore(g, src.Get(), b.audioIn.Get()));
        }
        return S_OK;
    }
    if (t.kind == Target::Wmv)
        return S_OK;
    if (t.kind == Target::Mpeg4) {
        if (t.frameRateCode) {
            ComPtr<IBaseFilter> fr = Create(CLSID_FrameRateConverter);
            CHECK_HR(Configure(fr.Get(), false, { { kFrameRateCode, VARIANT::UI4(uint32_t(t.frameRateCode)) } }));
            CHECK_HR(InsertBefore(g, fr.Get(), b.videoIn.Get()));
        }
        if (t.width) {
            ComPtr<IBaseFilter> resizer = Create(CLSID_VideoResizer);
            CHECK_HR(Configure(resizer.Get(), false,
                { { kResizeMode, VARIANT::UI4(1) }, { kResizeWidth, VARIANT::UI4(uint32_t(t.width)) },
                    { kResizeHeight, VARIANT::UI4(uint32_t(t.height)) },
                    { kResizeFullHd, VARIANT::UI4(t.width == 1920 && t.height == 1080 ? 1 : 0) } }));
            CHECK_HR(InsertBefore(g, resizer.Get(), b.videoIn.Get()));
        }
    }
    ComPtr<IBaseFilter> mux = Create(CLSID_MP4Multiplexer);
    CHECK_HR(g->AddFilter(mux.Get(), ""));
    CHECK_HR(Configure(mux.Get(), true, { { kMuxOption2, VARIANT::I4(t.options[1]) }, { kMuxOption3, VARIANT::I4(t.options[2]) } }));
    const int index = CMPEG4TargetHandler::AudioBitrateIndex(t.audioKbps);
    CHECK_HR(Configure(b.audioFilter.Get(), true, { { kBitRate, VARIANT::I4(index) } }));
    if (t.kind == Target::Mpeg4) {
        const bool avc = t.videoCodec == CLSID_H264Encoder;
        CHECK_HR(Configure(b.videoFilter.Get(), false,
            { { kDeviceOption, VARIANT::I4(t.options[0]) }, { avc ? kAvcMode : kMpeg4Mode, VARIANT::I4(1) } }));
        CHECK_HR(Configure(b.videoFilter.Get(), false, { { kRateMode, VARIANT::I4(0) }, { kBitRate, VARIANT::I4(t.videoKbps * 1000) } }));
    }
    ComPtr<IPin> audioOut = PinById(b.audioFilter.Get(), "Out");
    // A source without sound leaves the audio encoder unconnected: the file gets no audio track.
    ComPtr<IPin> audioSource;
    if (FAILED(b.audioIn->ConnectedTo(audioSource.ReleaseAndGetAddressOf())))
        audioOut.Reset();
    if (ComPtr<IPin> videoOut = PinById(b.videoFilter.Get(), "Out")) {
        CHECK_HR(g->ConnectDirect(videoOut.Get(), PinById(mux.Get(), "Input 0").Get(), nullptr));
        if (audioOut)
            CHECK_HR(g->ConnectDirect(audioOut.Get(), PinById(mux.Get(), "Input 1").Get(), nullptr));
    } else {
        CHECK_HR(g->ConnectDirect(audioOut.Get(), PinById(mux.Get(), "Input 0").Get(), nullptr));
    }
    ComPtr<IBaseFilter> writer = Create(CLSID_FileWriter);
    ComPtr<IFileSinkFilter> sink;
    CHECK_HR(writer.As(&sink));
    CHECK_HR(sink->SetFileName(out, nullptr));
    CHECK_HR(g->AddFilter(writer.Get(), ""));
    CHECK_HR(g->ConnectDirect(PinById(mux.Get(), "Output").Get(), PinById(writer.Get(), "in").Get(), nullptr));
    return S_OK;
}

HRESULT InsertTimeGrabber(Built& b, bool audioOnly, ComPtr<ITimeGrabber>* grabber, std::string* error)
{
    IPin* target = audioOnly ? b.audioIn.Get() : b.videoIn.Get();
    ComPtr<IPin> upstream;
    CHECK_HR(target->ConnectedTo(upstream.ReleaseAndGetAddressOf()));
    b.graph->Disconnect(upstream.Get());
    b.graph->Disconnect(target);
    ComPtr<IBaseFilter> tg = Create(CLSID_TimeGrabber);
    CHECK_HR(b.graph->AddFilter(tg.Get(), "Time Grabber"));
    CHECK_HR(tg.As(grabber));
    ComPtr<IEnumPins> e;
    tg->EnumPins(e.ReleaseAndGetAddressOf());
    IPin* pins[2] = {};
    ULONG got = 0;
    e->Next(2, pins, &got);
    ComPtr<IPin> in, out;
    in.Attach(pins[0]);
    out.Attach(pins[1]);
    CHECK_HR(b.graph->ConnectDirect(upstream.Get(), in.Get(), nullptr));
    CHECK_HR(b.graph->ConnectDirect(out.Get(), target, nullptr));
    return S_OK;
}

HRESULT RunToCompletion(Built& b, std::string* error)
{
    ComPtr<IMediaFilter> filter;
    ComPtr<IMediaControl> control;
    ComPtr<IMediaEvent> events;
    CHECK_HR(b.graph.As(&filter));
    CHECK_HR(b.graph.As(&control));
    CHECK_HR(b.graph.As(&events));
    CHECK_HR(filter->SetSyncSource(nullptr));
    CHECK_HR(control->Run());
    long code = 0;
    CHECK_HR(events->WaitForCompletion(-1, &code));
    control->Stop();
    if (code != EC_COMPLETE)
        return Fail(error, E_FAIL, "ended with event " + std::to_string(code));
    return S_OK;
}


} // namespace vidlume::test
