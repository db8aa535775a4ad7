#include "CLavcVideoDecoder.h"

#include "components/codecs/CodecOpening.h"

#include <cmath>

namespace vidlume {

namespace {

    // Reads the bits of an H.264 sequence parameter set (emulation prevention removed).
    class CBitReader {
    public:
        explicit CBitReader(std::vector<uint8_t> bytes) : m_bytes(std::move(bytes)) { }
        bool Failed() const { return m_failed; }
        uint32_t Bits(int n)
        {
            uint32_t v = 0;
            for (int i = 0; i < n; ++i) {
                if (m_pos >= m_bytes.size() * 8) {
                    m_failed = true;
                    return 0;
                }
                v = v << 1 | ((m_bytes[m_pos / 8] >> (7 - m_pos % 8)) & 1);
                ++m_pos;
            }
            return v;
        }
        uint32_t Golomb()
        {
            int zeros = 0;
            while (!m_failed && Bits(1) == 0)
                if (++zeros > 31) {
                    m_failed = true;
                    return 0;
                }
            return zeros ? (1u << zeros) - 1 + Bits(zeros) : 0;
        }

    private:
        std::vector<uint8_t> m_bytes;
        size_t m_pos = 0;
        bool m_failed = false;
    };

    std::vector<uint8_t> Unescape(const uint8_t* p, size_t n)
    {
        std::vector<uint8_t> out;
        out.reserve(n);
        for (size_t i = 0; i < n; ++i) {
            if (i >= 2 && p[i] == 3 && p[i - 1] == 0 && p[i - 2] == 0)
                continue;
            out.push_back(p[i]);
        }
        return out;
    }

    // The first sequence parameter set (without its NAL header byte) in an AVC decoder
    // configuration record or in Annex B start-code data.
    std::vector<uint8_t> FirstH264Sps(const uint8_t* data, size_t size)
    {
        if (size >= 8 && data[0] == 1) {
            const size_t count = data[5] & 0x1F;
            const size_t length = size_t(data[6]) << 8 | data[7];
            if (count >= 1 && length >= 2 && 8 + length <= size)
                return Unescape(data + 9, length - 1);
            return {};
        }
        for (size_t i = 0; i + 3 < size; ++i) {
            if (data[i] != 0 || data[i + 1] != 0 || data[i + 2] != 1)
                continue;
            const size_t start = i + 3;
            if ((data[start] & 0x1F) != 7)
                continue;
            size_t end = start + 1;
            while (end + 2 < size && !(data[end] == 0 && data[end + 1] == 0 && (data[end + 2] == 1 || data[end + 2] == 0)))
                ++end;
            if (end + 2 >= size)
                end = size;
            return Unescape(data + start + 1, end - start - 1);
        }
        return {};
    }

    AVPixelFormat YuvFormat(int chroma, int depth)
    {
        static const struct {
            int chroma, depth;
            AVPixelFormat format;
        } table[] = {
            { 1, 8, AV_PIX_FMT_YUV420P }, { 2, 8, AV_PIX_FMT_YUV422P }, { 3, 8, AV_PIX_FMT_YUV444P },
            { 1, 9, AV_PIX_FMT_YUV420P9 }, { 2, 9, AV_PIX_FMT_YUV422P9 }, { 3, 9, AV_PIX_FMT_YUV444P9 },
            { 1, 10, AV_PIX_FMT_YUV420P10 }, { 2, 10, AV_PIX_FMT_YUV422P10 }, { 3, 10, AV_PIX_FMT_YUV444P10 },
            { 1, 12, AV_PIX_FMT_YUV420P12 }, { 2, 12, AV_PIX_FMT_YUV422P12 }, { 3, 12, AV_PIX_FMT_YUV444P12 },
            { 1, 14, AV_PIX_FMT_YUV420P14 }, { 2, 14, AV_PIX_FMT_YUV422P14 }, { 3, 14, AV_PIX_FMT_YUV444P14 },
        };
        if (chroma == 0)
            chroma = 1; // monochrome comes out as 4:2:0 with grey chroma
        for (const auto& t : table)
            if (t.chroma == chroma && t.depth == depth)
                return t.format;
        return AV_PIX_FMT_YUV420P;
    }

    AVPixelFormat H264Format(const uint8_t* data, size_t size)
    {
        CBitReader r(FirstH264Sps(data, size));
        const uint32_t profile = r.Bits(8);
        r.Bits(16); // constraint flags, level
        r.Golomb(); // sps id
        int chroma = 1, depth = 8;
        switch (profile) {
        case 100: case 110: case 122: case 244: case 44: case 83: case 86: case 118: case 128: case 138: case 139: case 134: case 135:
            chroma = int(r.Golomb());
            if (chroma == 3)
                r.Bits(1); // separate colour planes
            depth = int(r.Golomb()) + 8;
            break;
        default:
            break;
        }
        return r.Failed() ? AV_PIX_FMT_YUV420P : YuvFormat(chroma, depth);
    }

    // An HEVC decoder configuration record names chroma format and bit depth outright.
    AVPixelFormat HevcFormat(const uint8_t* data, size_t size)
    {
        if (size < 23 || data[0] != 1)
            return AV_PIX_FMT_YUV420P;
        return YuvFormat(data[16] & 3, (data[17] & 7) + 8);
    }

    // What the opened codec will most likely decode to, before it has seen a picture.
    AVPixelFormat PredictPixelFormat(const AVCodecContext& codec)
    {
        AVPixelFormat format = codec.pix_fmt; // known up front for raw formats
        if (format == AV_PIX_FMT_NONE) {
            const uint8_t* extra = codec.extradata;
            const size_t extraSize = extra && codec.extradata_size > 0 ? size_t(codec.extradata_size) : 0;
            switch (codec.codec_id) {
            case AV_CODEC_ID_H264: format = H264Format(extra, extraSize); break;
            case AV_CODEC_ID_HEVC: format = HevcFormat(extra, extraSize); break;
            case AV_CODEC_ID_MJPEG: format = AV_PIX_FMT_YUVJ420P; break;
            default: format = AV_PIX_FMT_YUV420P; break;
            }
        }
        return sws_isSupportedOutput(format) ? format : AV_PIX_FMT_YUV420P;
    }

} // namespace

CLavcVideoDecoder::CLavcVideoDecoder(Kind kind)
    : CTransformFilter(ClassOf(kind))
    , m_kind(kind)
    , m_parameters({
          { kTimestampMode, VT_UI4, VARIANT::UI4(kFillIn), [](const VARIANT& v) { return v.ulVal <= kFillIn; } },
          { kFrameRate, VT_R8, VARIANT::R8(0), [](const VARIANT& v) { return std::isfinite(v.dblVal) && v.dblVal >= 0 && v.dblVal <= 1000; } },
      })
{
}

CLavcVideoDecoder::~CLavcVideoDecoder() = default;

CLSID CLavcVideoDecoder::ClassOf(Kind kind)
{
    switch (kind) {
    case Kind::H264: return CLSID_H264Decoder;
    case Kind::Mpeg4: return CLSID_MPEG4Decoder;
    case Kind::Mpeg2: return CLSID_MPEG2Decoder;
    case Kind::Generic: break;
    }
    return CLSID_GenericVideoDecoder;
}

bool CLavcVideoDecoder::Decodes(Kind kind, AVCodecID codec)
{
    switch (kind) {
    case Kind::H264: return codec == AV_CODEC_ID_H264;
    case Kind::Mpeg4: return codec == AV_CODEC_ID_MPEG4;
    case Kind::Mpeg2: return codec == AV_CODEC_ID_MPEG1VIDEO || codec == AV_CODEC_ID_MPEG2VIDEO;
    case Kind::Generic: break;
    }
    return codec != AV_CODEC_ID_NONE && avcodec_get_type(codec) == AVMEDIA_TYPE_VIDEO && avcodec_find_decoder(codec);
}

HRESULT CLavcVideoDecoder::QueryOtherInterface(REFIID iid, void** ppv)
{
    if (iid == IModuleConfig::kIid)
        return GetInterface<IModuleConfig>(this, ppv);
    return CTransformFilter::QueryOtherInterface(iid, ppv);
}

HRESULT CLavcVideoDecoder::SetValue(const Guid& parameter, const VARIANT& value)
{
    return m_parameters.Set(parameter, value);
}

HRESULT CLavcVideoDecoder::GetValue(const Guid& parameter, VARIANT* value)
{
    return m_parameters.Get(parameter, value);
}

HRESULT CLavcVideoDecoder::IsSupported(const Guid& parameter)
{
    return m_parameters.Has(parameter) ? S_OK : E_INVALIDARG;
}

HRESULT CLavcVideoDecoder::SetDefState()
{
    m_parameters.SetDefaults();
    return S_OK;
}

HRESULT CLavcVideoDecoder::CommitChanges()
{
    m_parameters.Commit();
    return S_OK;
}

std::vector<VideoFormat> CLavcVideoDecoder::OfferedFormats(const CMediaType& input)
{
    if (!m_offered.empty() && m_offeredFor == input)
        return m_offered;
    m_offered.clear();
    m_offeredFor = input;
    AVCodecContextPtr codec;
    if (FAILED(OpenDecoder(input, false, &codec)))
        return {};
    if (codec->width <= 0 || codec->height <= 0)
        return {};
    VideoFormat format;
    format.width = codec->width;
    format.height = codec->height;
    format.sampleAspect = codec->sample_aspect_ratio;
    format.avgTimePerFrame = input.AvgTimePerFrame();
    format.pixelFormat = PredictPixelFormat(*codec);
    m_offered.push_back(format);
    if (format.pixelFormat != AV_PIX_FMT_YUV420P) {
        format.pixelFormat = AV_PIX_FMT_YUV420P;
        m_offered.push_back(format);
    }
    return m_offered;
}

HRESULT CLavcVideoDecoder::CheckInputType(const CMediaType& type)
{
    if (type.majortype != MEDIATYPE_Video || IsRawVideo(type) || !Decodes(m_kind, CodecIdFromMediaType(type)))
        return VFW_E_TYPE_NOT_ACCEPTED;
    return OfferedFormats(type).empty() ? VFW_E_TYPE_NOT_ACCEPTED : S_OK;
}

HRESULT CLavcVideoDecoder::GetOutputType(int index, CMediaType* type)
{
    const std::vector<VideoFormat> offers = OfferedFormats(InputPin()->CurrentMediaType());
    if (index < 0 || size_t(index) >= offers.size())
        return S_FALSE;
    *type = MediaTypeFromVideoFormat(offers[size_t(index)]);
    return S_OK;
}

HRESULT CLavcVideoDecoder::CheckOutputType(const CMediaType& type)
{
    VideoFormat wanted;
    if (!VideoFormatFromMediaType(type, &wanted))
        return VFW_E_TYPE_NOT_ACCEPTED;
    for (const VideoFormat& f : OfferedFormats(InputPin()->CurrentMediaType()))
        if (f.pixelFormat == wanted.pixelFormat && f.width == wanted.width && f.height == wanted.height)
            return S_OK;
    return VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CLavcVideoDecoder::OnStart()
{
    if (!InputPin()->IsConnected())
        return S_OK;
    const CMediaType& input = InputPin()->CurrentMediaType();
    HRESULT hr = OpenDecoder(input, true, &m_codec);
    if (FAILED(hr))
        return hr;
    CMediaType output;
    if (OutputPin()->IsConnected())
        output = OutputPin()->CurrentMediaType();
    else if (GetOutputType(0, &output) != S_OK)
        return VFW_E_TYPE_NOT_ACCEPTED;
    VideoFormat agreed;
    if (!VideoFormatFromMediaType(output, &agreed))
        return VFW_E_TYPE_NOT_ACCEPTED;
    CSwsPictureScaler::Target target;
    target.format = agreed.pixelFormat;
    target.width = agreed.width;
    target.height = agreed.height;
    target.sampleAspect = agreed.sampleAspect;
    m_scaler = std::make_unique<CSwsPictureScaler>(target);
    m_frame.reset(av_frame_alloc());
    if (!m_frame)
        return E_OUTOFMEMORY;

    m_mode = m_parameters.CommittedUInt(kTimestampMode);
    const double rate = m_parameters.CommittedDouble(kFrameRate);
    const REFERENCE_TIME avg = input.AvgTimePerFrame();
    if (rate > 0) {
        m_frameRate = av_d2q(rate, 1'000'000);
        m_frameDuration = std::llround(double(kUnitsPerSecond) / rate);
    } else if (avg > 0) {
        av_reduce(&m_frameRate.num, &m_frameRate.den, kUnitsPerSecond, avg, INT32_MAX);
        m_frameDuration = avg;
    } else {
        m_frameRate = { 0, 1 };
        m_frameDuration = 0;
    }
    m_first = m_last = kNoTime;
    m_count = 0;
    m_discontinuity = true;
    m_drained = false;
    return S_OK;
}

void CLavcVideoDecoder::OnStop()
{
    m_codec.reset();
    m_scaler.reset();
    m_frame.reset();
}

REFERENCE_TIME CLavcVideoDecoder::FrameTime(const AVFrame& frame, REFERENCE_TIME* duration)
{
    REFERENCE_TIME t = frame.best_effort_timestamp;
    const REFERENCE_TIME step = m_frameDuration > 0 ? m_frameDuration : frame.pkt_duration;
    *duration = frame.pkt_duration > 0 ? frame.pkt_duration : m_frameDuration;
    if (m_mode == kConstantRate && m_frameRate.num > 0) {
        if (m_first == kNoTime)
            m_first = t != kNoTime ? t : 0;
        t = m_first + av_rescale_q(m_count, av_inv_q(m_frameRate), kReferenceTimeBase);
        *duration = m_first + av_rescale_q(m_count + 1, av_inv_q(m_frameRate), kReferenceTimeBase) - t;
    } else if (m_mode != kAsDecoded && step > 0 && (t == kNoTime || (m_last != kNoTime && t <= m_last))) {
        t = m_last == kNoTime ? 0 : m_last + step;
    }
    if (t != kNoTime)
        m_last = t;
    ++m_count;
    return t;
}

FlowStatus CLavcVideoDecoder::DeliverFrame(AVFrame* frame)
{
    REFERENCE_TIME duration = 0;
    const REFERENCE_TIME start = FrameTime(*frame, &duration);
    AVFramePtr out;
    if (m_scaler->Matches(*frame)) {
        out.reset(av_frame_clone(frame));
    } else if (int ret = m_scaler->Convert(*frame, &out); ret < 0) {
        if (ret == AVERROR(ENOMEM)) {
            ReportError(E_OUTOFMEMORY);
            return FlowStatus::Error;
        }
        return FlowStatus::Ok; // a picture swscale cannot take is skipped like a damaged one
    }
    if (!out) {
        ReportError(E_OUTOFMEMORY);
        return FlowStatus::Error;
    }
    out->pts = start;
    out->pkt_duration = duration;
    // The connection's aspect ratio is the one downstream agreed to (a container's overrides
    // what the stream itself says).
    if (m_scaler->GetTarget().sampleAspect.num > 0)
        out->sample_aspect_ratio = m_scaler->GetTarget().sampleAspect;
    CMediaSample sample = CMediaSample::FromFrame(out.release());
    sample.start = start;
    sample.stop = start != kNoTime && duration > 0 ? start + duration : kNoTime;
    sample.syncPoint = true;
    sample.discontinuity = std::exchange(m_discontinuity, false);
    return Deliver(sample);
}

FlowStatus CLavcVideoDecoder::ReceiveFrames()
{
    // A picture that fails to decode is reported here once and skipped; the bound only guards
    // against a codec that keeps failing without making progress.
    for (int failures = 0; failures < 64;) {
        const int ret = avcodec_receive_frame(m_codec.get(), m_frame.get());
        if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF)
            return FlowStatus::Ok;
        if (ret == AVERROR(ENOMEM)) {
            ReportError(E_OUTOFMEMORY);
            return FlowStatus::Error;
        }
        if (ret < 0) {
            ++failures;
            continue;
        }
        const FlowStatus status = DeliverFrame(m_frame.get());
        av_frame_unref(m_frame.get());
        if (status != FlowStatus::Ok)
            return status;
    }
    return FlowStatus::Ok;
}

FlowStatus CLavcVideoDecoder::Transform(const CMediaSample& sample)
{
    const AVPacket* packet = sample.Packet();
    if (!packet || !m_codec) {
        ReportError(packet ? VFW_E_WRONG_STATE : VFW_E_TYPE_NOT_ACCEPTED);
        return FlowStatus::Error;
    }
    if ((sample.discontinuity && m_count > 0) || m_drained) {
        // A seek: what the codec still holds belongs to the old position.
        avcodec_flush_buffers(m_codec.get());
        m_first = m_last = kNoTime;
        m_count = 0;
        m_drained = false;
        m_discontinuity = true;
    }
    if (packet->size <= 0)
        return FlowStatus::Ok; // an empty packet would start draining the codec
    AVPacketPtr copy(av_packet_alloc());
    if (!copy || av_packet_ref(copy.get(), packet) < 0) {
        ReportError(E_OUTOFMEMORY);
        return FlowStatus::Error;
    }
    if (copy->pts == AV_NOPTS_VALUE && sample.start != kNoTime)
        copy->pts = sample.start;
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int ret = avcodec_send_packet(m_codec.get(), copy.get());
        if (ret == AVERROR(ENOMEM)) {
            ReportError(E_OUTOFMEMORY);
            return FlowStatus::Error;
        }
        if (ret != AVERROR(EAGAIN))
            break; // sent, or damaged and skipped
        // The codec is full: take its pictures, then the packet goes in.
        if (FlowStatus status = ReceiveFrames(); status != FlowStatus::Ok)
            return status;
    }
    return ReceiveFrames();
}

FlowStatus CLavcVideoDecoder::Drain()
{
    if (!m_codec || m_drained)
        return FlowStatus::Ok;
    m_drained = true;
    const int ret = avcodec_send_packet(m_codec.get(), nullptr);
    if (ret < 0 && ret != AVERROR_EOF)
        return FlowStatus::Ok;
    return ReceiveFrames();
}

} // namespace vidlume
