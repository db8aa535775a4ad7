#include "CLavfMp4Multiplexer.h"

#include "components/ffmpeg/CodecMediaTypes.h"
#include "platform/graph/CBaseInputPin.h"
#include "platform/graph/CBaseOutputPin.h"

extern "C" {
#include <libavutil/dict.h>
}

#include <cerrno>
#include <new>
#include <string>

namespace vidlume {

namespace {

    // Whole ticks for the usual frame rates (24, 25, 29.97, 30, 50, 60), and fine enough that
    // variable-rate timestamps never fall two frames into one tick.
    constexpr AVRational kVideoTimeBase { 1, 90000 };

    // Muxer options; whatever the muxer did not take is freed with the holder.
    struct Options {
        AVDictionary* dict = nullptr;
        Options() = default;
        Options(const Options&) = delete;
        Options& operator=(const Options&) = delete;
        ~Options() { av_dict_free(&dict); }
        void Set(const char* key, const char* value) { av_dict_set(&dict, key, value, 0); }
    };

    bool AcceptsInput(const CMediaType& type)
    {
        if (type.majortype == MEDIATYPE_Video) {
            if (!type.BitmapHeader())
                return false;
        } else if (type.majortype == MEDIATYPE_Audio) {
            if (!type.WaveFormat())
                return false;
        } else {
            return false;
        }
        const AVCodecID codec = CodecIdFromMediaType(type);
        if (codec == AV_CODEC_ID_NONE)
            return false;
        const AVOutputFormat* mp4 = av_guess_format("mp4", nullptr, nullptr);
        if (!mp4 || avformat_query_codec(mp4, codec, FF_COMPLIANCE_NORMAL) != 1)
            return false;
        const std::vector<uint8_t> extra = type.ExtraData();
        // Length-prefixed H.264 cannot be read without its configuration; AAC without its
        // AudioSpecificConfig would be ADTS, which MP4 does not hold as it is.
        if (type.subtype == MEDIASUBTYPE_AVC1 && (extra.empty() || extra[0] != 1))
            return false;
        if (codec == AV_CODEC_ID_AAC && extra.empty())
            return false;
        return true;
    }

    // Samples per packet, which the muxer wants to know for compressed audio; 0 when the codec
    // does not say.
    int AudioFrameSize(const AVCodecParameters* p)
    {
        switch (p->codec_id) {
        case AV_CODEC_ID_AAC: return 1024;
        case AV_CODEC_ID_MP3: return p->sample_rate >= 32000 ? 1152 : 576;
        case AV_CODEC_ID_MP2: return 1152;
        case AV_CODEC_ID_AC3:
        case AV_CODEC_ID_EAC3: return 1536;
        default: return 0;
        }
    }

    // libavformat reopens its output to read it back when it moves the index to the front; here
    // that is another context over the same file stream.
    int OpenReadBack(AVFormatContext* format, AVIOContext** pb, const char*, int flags, AVDictionary**)
    {
        auto* avio = static_cast<CFileStreamAvio*>(format->opaque);
        if (!avio || (flags & AVIO_FLAG_WRITE))
            return AVERROR(EPERM);
        AVIOContextPtr io = avio->OpenReader();
        if (!io)
            return AVERROR(ENOMEM);
        *pb = io.release();
        return 0;
    }

    int CloseReadBack(AVFormatContext*, AVIOContext* pb)
    {
        AVIOContextDeleter {}(pb);
        return 0;
    }

} // namespace

class CLavfMp4Multiplexer::CInput final : public CBaseInputPin {
public:
    CInput(CLavfMp4Multiplexer* filter, int index)
        : CBaseInputPin(filter, "Input " + std::to_string(index))
        , m_owner(filter)
        , m_index(index)
    {
    }

protected:
    HRESULT CheckMediaType(const CMediaType& type) override { return AcceptsInput(type) ? S_OK : S_FALSE; }
    FlowStatus OnReceive(const CMediaSample& sample) override { return m_owner->WriteSample(m_index, sample); }
    FlowStatus OnEndOfStream() override { return m_owner->EndInput(); }

private:
    CLavfMp4Multiplexer* m_owner;
    int m_index;
};

class CLavfMp4Multiplexer::COutput final : public CBaseOutputPin {
public:
    explicit COutput(CLavfMp4Multiplexer* filter) : CBaseOutputPin(filter, "Output") { }

    IFileStream* FileStream() const { return m_stream.Get(); }

protected:
    HRESULT CheckMediaType(const CMediaType& type) override { return type.majortype == MEDIATYPE_Stream ? S_OK : S_FALSE; }
    HRESULT GetMediaType(int index, CMediaType* type) override
    {
        if (index != 0)
            return S_FALSE;
        *type = CMediaType(MEDIATYPE_Stream, MEDIASUBTYPE_NULL);
        return S_OK;
    }
    HRESULT CompleteConnect(IPin* peer) override
    {
        HRESULT hr = CBaseOutputPin::CompleteConnect(peer);
        if (FAILED(hr))
            return hr;
        ComPtr<IPin>(peer).As(&m_stream);
        return m_stream ? S_OK : E_NOINTERFACE;
    }
    void BreakConnect() override
    {
        m_stream.Reset();
        CBaseOutputPin::BreakConnect();
    }

private:
    ComPtr<IFileStream> m_stream;
};

CLavfMp4Multiplexer::CLavfMp4Multiplexer()
    : CBaseFilter(CLSID_MP4Multiplexer)
    , m_parameters({
          CModuleParameters::Definition::Int(kBrandParameter, BrandAutomatic, BrandAutomatic, BrandApple),
          // The flags are the two lowest bits, so their range is every combination of them.
          CModuleParameters::Definition::Int(kFlagsParameter, 0, 0, kFlagIndexAtFront | kFlagDeviceCompatible),
      })
{
    m_inputs[0] = static_cast<CInput*>(AddPin(std::make_unique<CInput>(this, 0)));
    m_inputs[1] = static_cast<CInput*>(AddPin(std::make_unique<CInput>(this, 1)));
    m_output = static_cast<COutput*>(AddPin(std::make_unique<COutput>(this)));
}

CLavfMp4Multiplexer::~CLavfMp4Multiplexer()
{
    std::lock_guard lock(m_muxLock);
    ReleaseLocked();
}

HRESULT CLavfMp4Multiplexer::QueryOtherInterface(REFIID iid, void** ppv)
{
    if (iid == IModuleConfig::kIid)
        return GetInterface<IModuleConfig>(this, ppv);
    return CBaseFilter::QueryOtherInterface(iid, ppv);
}

HRESULT CLavfMp4Multiplexer::SetValue(const Guid& parameter, const VARIANT& value)
{
    return m_parameters.Set(parameter, value);
}

HRESULT CLavfMp4Multiplexer::GetValue(const Guid& parameter, VARIANT* value)
{
    return m_parameters.Get(parameter, value);
}

HRESULT CLavfMp4Multiplexer::IsSupported(const Guid& parameter)
{
    return m_parameters.Has(parameter) ? S_OK : E_INVALIDARG;
}

HRESULT CLavfMp4Multiplexer::SetDefState()
{
    m_parameters.SetDefaults();
    return S_OK;
}

HRESULT CLavfMp4Multiplexer::CommitChanges()
{
    m_parameters.Commit();
    return S_OK;
}

HRESULT CLavfMp4Multiplexer::OnStart()
{
    std::lock_guard lock(m_muxLock);
    ReleaseLocked();
    IFileStream* stream = m_output->FileStream();
    if (!stream || (!m_inputs[0]->IsConnected() && !m_inputs[1]->IsConnected()))
        return VFW_E_NOT_CONNECTED;
    // One snapshot, so a commit between two reads cannot mix old and new values.
    const std::vector<VARIANT> committed = m_parameters.Committed();
    const int32_t brandValue = committed[size_t(m_parameters.IndexOf(kBrandParameter))].lVal;
    const int32_t flags = committed[size_t(m_parameters.IndexOf(kFlagsParameter))].lVal;

    // Declared in this order so the format context goes before the I/O it writes to.
    std::unique_ptr<CFileStreamAvio> avio(new (std::nothrow) CFileStreamAvio(stream));
    AVIOContextPtr io = avio ? avio->OpenWriter() : nullptr;
    if (!io)
        return E_OUTOFMEMORY;
    AVFormatContext* raw = nullptr;
    int ret = avformat_alloc_output_context2(&raw, nullptr, "mp4", "output.mp4");
    if (ret < 0)
        return HResultFromAVError(ret);
    AVOutputFormatContextPtr format(raw);
    format->pb = io.get();
    format->flags |= AVFMT_FLAG_CUSTOM_IO;
    format->opaque = avio.get();
    format->io_open = &OpenReadBack;
    format->io_close2 = &CloseReadBack;

    bool hasVideo = false;
    for (int i = 0; i < 2; ++i) {
        m_streamOf[i] = -1;
        if (!m_inputs[i]->IsConnected())
            continue;
        const CMediaType& type = m_inputs[i]->CurrentMediaType();
        AVStream* st = avformat_new_stream(format.get(), nullptr);
        if (!st)
            return E_OUTOFMEMORY;
        HRESULT hr = CodecParametersFromMediaType(type, st->codecpar);
        if (FAILED(hr))
            return hr;
        // The muxer chooses the MP4 sample entry; a FourCC from another container (xvid, DX50)
        // would only be refused.
        st->codecpar->codec_tag = 0;
        if (st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
            hasVideo = true;
            st->time_base = kVideoTimeBase;
            if (REFERENCE_TIME frame = type.AvgTimePerFrame(); frame > 0)
                st->avg_frame_rate = av_d2q(double(kUnitsPerSecond) / double(frame), 100000);
        } else {
            if (st->codecpar->sample_rate > 0)
                st->time_base = AVRational { 1, st->codecpar->sample_rate };
            if (st->codecpar->frame_size == 0)
                st->codecpar->frame_size = AudioFrameSize(st->codecpar);
        }
        m_streamOf[i] = st->index;
        m_frameDuration[i] = type.AvgTimePerFrame();
    }

    Options options;
    if (flags & kFlagIndexAtFront)
        options.Set("movflags", "+faststart");
    if (flags & kFlagDeviceCompatible)
        options.Set("skip_iods", "0");
    const char* brand = nullptr;
    switch (brandValue) {
    case BrandAutomatic: brand = (flags & kFlagDeviceCompatible) ? "mp42" : nullptr; break;
    case BrandMp42: brand = "mp42"; break;
    case BrandApple: brand = hasVideo ? "M4V " : "M4A "; break;
    }
    if (brand)
        options.Set("brand", brand);
    ret = avformat_init_output(format.get(), &options.dict);
    if (ret < 0)
        return FAILED(avio->FirstError()) ? avio->FirstError() : HResultFromAVError(ret);

    m_avio = std::move(avio);
    m_io = std::move(io);
    m_format = std::move(format);
    m_headerWritten = false;
    m_finished = false;
    return S_OK;
}

void CLavfMp4Multiplexer::OnStop()
{
    std::lock_guard lock(m_muxLock);
    ReleaseLocked();
}

void CLavfMp4Multiplexer::ReleaseLocked()
{
    m_format.reset();
    m_io.reset();
    m_avio.reset();
}

FlowStatus CLavfMp4Multiplexer::FailLocked(int averror)
{
    const HRESULT streamError = m_avio ? m_avio->FirstError() : S_OK;
    const HRESULT hr = FAILED(streamError) ? streamError : HResultFromAVError(averror);
    // The writer downstream stops first; what fails because of that is no error of ours.
    if (hr == VFW_E_WRONG_STATE)
        return FlowStatus::Flushing;
    ReportError(hr);
    return FlowStatus::Error;
}

FlowStatus CLavfMp4Multiplexer::WriteSample(int input, const CMediaSample& sample)
{
    const AVPacket* source = sample.Packet();
    if (!source) {
        ReportError(VFW_E_TYPE_NOT_ACCEPTED);
        return FlowStatus::NotNegotiated;
    }
    std::lock_guard lock(m_muxLock);
    if (!m_format)
        return FlowStatus::Flushing;
    if (m_finished)
        return FlowStatus::EndOfStream;
    if (m_streamOf[input] < 0) {
        ReportError(E_UNEXPECTED); // connected after the start: the graph would not allow it
        return FlowStatus::Error;
    }
    if (!m_headerWritten) {
        if (int ret = avformat_write_header(m_format.get(), nullptr); ret < 0)
            return FailLocked(ret);
        m_headerWritten = true;
    }
    AVStream* st = m_format->streams[m_streamOf[input]];
    AVPacketPtr packet(av_packet_alloc());
    if (!packet) {
        ReportError(E_OUTOFMEMORY);
        return FlowStatus::Error;
    }
    // Shares the sample's data; the muxer takes this reference over.
    if (int ret = av_packet_ref(packet.get(), source); ret < 0)
        return FailLocked(ret);
    auto rescale = [&](int64_t t) {
        return av_rescale_q_rnd(t, kReferenceTimeBase, st->time_base, AVRounding(AV_ROUND_NEAR_INF | AV_ROUND_PASS_MINMAX));
    };
    packet->pts = rescale(source->pts != AV_NOPTS_VALUE ? source->pts : sample.start);
    packet->dts = rescale(source->dts);
    // Without a duration the last sample of a track would have none.
    REFERENCE_TIME duration = source->duration;
    if (duration <= 0 && sample.start != kNoTime && sample.stop != kNoTime)
        duration = sample.stop - sample.start;
    if (duration <= 0)
        duration = m_frameDuration[input];
    packet->duration = duration > 0 ? rescale(duration) : 0;
    if (sample.syncPoint)
        packet->flags |= AV_PKT_FLAG_KEY;
    packet->stream_index = st->index;
    packet->pos = -1;
    if (int ret = av_interleaved_write_frame(m_format.get(), packet.get()); ret < 0)
        return FailLocked(ret);
    return FlowStatus::Ok;
}

FlowStatus CLavfMp4Multiplexer::EndInput()
{
    {
        std::lock_guard lock(m_muxLock);
        if (!m_format)
            return FlowStatus::Flushing;
        if (m_finished)
            return FlowStatus::Ok;
        for (CInput* input : m_inputs)
            if (input->IsConnected() && !input->HasEnded())
                return FlowStatus::Ok;
        if (!m_headerWritten) {
            if (int ret = avformat_write_header(m_format.get(), nullptr); ret < 0)
                return FailLocked(ret);
            m_headerWritten = true;
        }
        if (int ret = av_write_trailer(m_format.get()); ret < 0)
            return FailLocked(ret);
        m_finished = true;
    }
    return m_output->DeliverEndOfStream();
}

} // namespace vidlume
