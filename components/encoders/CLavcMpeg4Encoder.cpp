#include "CLavcMpeg4Encoder.h"

#include <algorithm>
#include <climits>
#include <iterator>
#include <utility>

namespace vidlume {

namespace {

    // MPEG-4 Visual levels (ISO/IEC 14496-2 Annex N): picture size and macroblock rate limits,
    // maximum bit rate and VBV buffer (units of 16384 bits).
    struct Mpeg4Level {
        int level;
        int maxMacroblocks;
        int maxMacroblockRate;
        int maxKbitPerSecond;
        int vbvUnits;
    };
    constexpr Mpeg4Level kSimpleLevels[] = {
        { 1, 99, 1485, 64, 10 },
        { 2, 396, 5940, 128, 40 },
        { 3, 396, 11880, 384, 40 },
        { 4, 1200, 36000, 4000, 80 }, // 4a
        { 5, 1620, 40500, 8000, 112 },
        { 6, 3600, 108000, 12000, 248 },
    };
    constexpr Mpeg4Level kAdvancedSimpleLevels[] = {
        { 1, 99, 2970, 128, 10 },
        { 2, 396, 5940, 384, 40 },
        { 3, 396, 11880, 768, 40 },
        { 4, 792, 23760, 3000, 80 },
        { 5, 1620, 48600, 8000, 112 },
    };

    bool IsDevice(int32_t device) { return device == 15 || device == 0 || device == 2; }

    // The lowest level that admits the stream, or null when none does.
    template <size_t N>
    const Mpeg4Level* LevelFor(const Mpeg4Level (&levels)[N], int64_t macroblocks, double framesPerSecond, int64_t bitRate)
    {
        for (const Mpeg4Level& l : levels)
            if (macroblocks <= l.maxMacroblocks && (framesPerSecond <= 0 || macroblocks * framesPerSecond <= l.maxMacroblockRate)
                && bitRate <= int64_t(l.maxKbitPerSecond) * 1000)
                return &l;
        return nullptr;
    }

} // namespace

CLavcMpeg4Encoder::CLavcMpeg4Encoder()
    : CTransformFilter(CLSID_MPEG4Encoder)
    , m_parameters({
          CModuleParameters::Definition::Int(kEncoderDeviceOption, -1, INT32_MIN, INT32_MAX),
          CModuleParameters::Definition::Int(kEncoderMpeg4SimpleProfile, 0, 0, 1),
          CModuleParameters::Definition::Int(kEncoderRateMode, 0, 0, 0),
          CModuleParameters::Definition::Int(kEncoderBitRate, 1'000'000, 1000, INT32_MAX),
      })
{
}

CLavcMpeg4Encoder::~CLavcMpeg4Encoder() = default;

HRESULT CLavcMpeg4Encoder::QueryOtherInterface(REFIID iid, void** ppv)
{
    if (iid == IModuleConfig::kIid)
        return GetInterface<IModuleConfig>(this, ppv);
    if (iid == IMediaTypeConfig::kIid)
        return GetInterface<IMediaTypeConfig>(this, ppv);
    return CTransformFilter::QueryOtherInterface(iid, ppv);
}

HRESULT CLavcMpeg4Encoder::SetValue(const Guid& parameter, const VARIANT& value) { return m_parameters.Set(parameter, value); }
HRESULT CLavcMpeg4Encoder::GetValue(const Guid& parameter, VARIANT* value) { return m_parameters.Get(parameter, value); }
HRESULT CLavcMpeg4Encoder::IsSupported(const Guid& parameter) { return m_parameters.Has(parameter) ? S_OK : S_FALSE; }

HRESULT CLavcMpeg4Encoder::SetDefState()
{
    m_parameters.SetDefaults();
    return S_OK;
}

HRESULT CLavcMpeg4Encoder::CommitChanges()
{
    m_parameters.Commit();
    return S_OK;
}

HRESULT CLavcMpeg4Encoder::SetMediaType(const Guid& majorType, const Guid& subtype)
{
    if (majorType != MEDIATYPE_Video)
        return E_INVALIDARG;
    return subtype == GUID_NULL || subtype == MEDIASUBTYPE_I420 ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

CLavcMpeg4Encoder::Settings CLavcMpeg4Encoder::CommittedSettings() const
{
    return { m_parameters.CommittedInt(kEncoderDeviceOption), m_parameters.CommittedInt(kEncoderMpeg4SimpleProfile) != 0,
        m_parameters.CommittedInt(kEncoderBitRate) };
}

HRESULT CLavcMpeg4Encoder::CheckInputType(const CMediaType& type)
{
    VideoFormat f;
    if (!VideoFormatFromMediaType(type, &f) || f.pixelFormat != AV_PIX_FMT_YUV420P)
        return VFW_E_TYPE_NOT_ACCEPTED;
    if (f.width % 2 || f.height % 2 || f.width > 8190 || f.height > 8190)
        return VFW_E_TYPE_NOT_ACCEPTED;
    return S_OK;
}

HRESULT CLavcMpeg4Encoder::OpenEncoder(const VideoFormat& format, const Settings& settings, AVCodecContextPtr* encoder)
{
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MPEG4);
    if (!codec)
        return E_FAIL;
    AVCodecContextPtr c(avcodec_alloc_context3(codec));
    if (!c)
        return E_OUTOFMEMORY;
    c->width = format.width;
    c->height = format.height;
    c->pix_fmt = AV_PIX_FMT_YUV420P;
    if (format.sampleAspect.num > 0 && format.sampleAspect.den > 0)
        c->sample_aspect_ratio = format.sampleAspect;
    // Rate control counts the bits of a frame from the time base, so it is the frame duration;
    // without a known one, 25 frames per second.
    AVRational timeBase { 1, 25 };
    double framesPerSecond = 0;
    if (format.avgTimePerFrame > 0 && format.avgTimePerFrame <= INT_MAX) {
        av_reduce(&timeBase.num, &timeBase.den, format.avgTimePerFrame, kUnitsPerSecond, 65535);
        if (timeBase.num <= 0)
            timeBase = { 1, 65535 };
        framesPerSecond = double(kUnitsPerSecond) / double(format.avgTimePerFrame);
    }
    c->time_base = timeBase;
    c->framerate = { timeBase.den, timeBase.num };
    c->bit_rate = settings.bitRate;
    // libavcodec's default tolerance (4 Mbit) lets a short clip end far above its rate; a
    // second's worth of bits keeps the average close from the start.
    c->bit_rate_tolerance = settings.bitRate;
    c->gop_size = 250;
    c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER | AV_CODEC_FLAG_4MV | AV_CODEC_FLAG_AC_PRED;
    c->mb_decision = FF_MB_DECISION_RD;

    const bool device = IsDevice(settings.device);
    const bool simple = device || settings.simpleProfile;
    const int64_t macroblocks = int64_t((format.width + 15) / 16) * ((format.height + 15) / 16);
    c->max_b_frames = simple ? 0 : 2;
    if (simple) {
        c->profile = FF_PROFILE_MPEG4_SIMPLE;
        const Mpeg4Level* level = LevelFor(kSimpleLevels, macroblocks, framesPerSecond, settings.bitRate);
        c->level = level ? level->level : std::end(kSimpleLevels)[-1].level;
        if (device && level) {
            c->rc_max_rate = int64_t(level->maxKbitPerSecond) * 1000;
            c->rc_buffer_size = level->vbvUnits * 16384;
        }
    } else {
        c->profile = FF_PROFILE_MPEG4_ADVANCED_SIMPLE;
        const Mpeg4Level* level = LevelFor(kAdvancedSimpleLevels, macroblocks, framesPerSecond, settings.bitRate);
        c->level = level ? level->level : std::end(kAdvancedSimpleLevels)[-1].level;
    }
    const int err = avcodec_open2(c.get(), codec, nullptr);
    if (err < 0)
        return HResultFromAVError(err);
    if (!c->extradata || c->extradata_size <= 0)
        return E_FAIL;
    *encoder = std::move(c);
    return S_OK;
}

HRESULT CLavcMpeg4Encoder::BuildOutputType(const VideoFormat& format, const AVCodecContext* encoder, CMediaType* type)
{
    AVCodecParametersPtr p(avcodec_parameters_alloc());
    if (!p)
        return E_OUTOFMEMORY;
    const int err = avcodec_parameters_from_context(p.get(), encoder);
    if (err < 0)
        return HResultFromAVError(err);
    const AVRational rate = format.avgTimePerFrame > 0 && format.avgTimePerFrame <= INT_MAX
        ? AVRational { int(kUnitsPerSecond), int(format.avgTimePerFrame) }
        : AVRational { 0, 1 };
    return MediaTypeFromCodecParameters(p.get(), rate, type);
}

HRESULT CLavcMpeg4Encoder::GetOutputType(int index, CMediaType* type)
{
    if (index != 0)
        return S_FALSE;
    const CMediaType& input = InputPin()->CurrentMediaType();
    const Settings settings = CommittedSettings();
    if (!m_cachedOutput || !(m_cachedOutput->input == input) || !(m_cachedOutput->settings == settings)) {
        VideoFormat format;
        if (!VideoFormatFromMediaType(input, &format))
            return S_FALSE;
        AVCodecContextPtr encoder;
        CMediaType output;
        if (FAILED(OpenEncoder(format, settings, &encoder)) || FAILED(BuildOutputType(format, encoder.get(), &output)))
            return S_FALSE;
        m_cachedOutput = CachedOutput { input, settings, output };
    }
    *type = m_cachedOutput->output;
    return S_OK;
}

HRESULT CLavcMpeg4Encoder::OnStart()
{
    if (!InputPin()->IsConnected())
        return S_OK;
    if (!VideoFormatFromMediaType(InputPin()->CurrentMediaType(), &m_format))
        return VFW_E_TYPE_NOT_ACCEPTED;
    HRESULT hr = OpenEncoder(m_format, CommittedSettings(), &m_encoder);
    if (FAILED(hr))
        return hr;
    if (OutputPin()->IsConnected()) {
        CMediaType expected;
        hr = BuildOutputType(m_format, m_encoder.get(), &expected);
        if (FAILED(hr) || !(expected == OutputPin()->CurrentMediaType())) {
            m_encoder.reset();
            return FAILED(hr) ? hr : VFW_E_TYPE_NOT_ACCEPTED;
        }
    }
    m_packet.reset(av_packet_alloc());
    if (!m_packet) {
        m_encoder.reset();
        return E_OUTOFMEMORY;
    }
    m_origin = kNoTime;
    m_lastPts = kNoTime;
    m_lastCodecPts = 0;
    m_discontinuity = true;
    m_times.clear();
    return S_OK;
}

void CLavcMpeg4Encoder::OnStop()
{
    m_encoder.reset();
    m_packet.reset();
    m_times.clear();
}

FlowStatus CLavcMpeg4Encoder::Transform(const CMediaSample& sample)
{
    if (!m_encoder) {
        ReportError(E_UNEXPECTED);
        return FlowStatus::Error;
    }
    const AVFrame* frame = sample.Frame();
    if (!frame || frame->format != AV_PIX_FMT_YUV420P || frame->width != m_format.width || frame->height != m_format.height) {
        ReportError(VFW_E_TYPE_NOT_ACCEPTED);
        return FlowStatus::NotNegotiated;
    }
    REFERENCE_TIME pts = sample.start != kNoTime ? sample.start : frame->pts;
    if (pts == kNoTime)
        pts = m_lastPts == kNoTime ? 0 : m_lastPts + std::max<REFERENCE_TIME>(1, m_format.avgTimePerFrame);
    if (m_lastPts != kNoTime && pts <= m_lastPts)
        pts = m_lastPts + 1;
    if (m_origin == kNoTime)
        m_origin = pts;
    // The codec's clock is coarser than reference time; frames closer than its tick still get
    // their own, and keep their exact times in m_times.
    int64_t codecPts = av_rescale_q(pts - m_origin, kReferenceTimeBase, m_encoder->time_base);
    if (m_lastPts != kNoTime && codecPts <= m_lastCodecPts)
        codecPts = m_lastCodecPts + 1;
    m_lastPts = pts;
    m_lastCodecPts = codecPts;
    const bool timed = sample.start != kNoTime && sample.stop != kNoTime && sample.stop > sample.start;
    m_times[codecPts] = { pts, timed ? sample.stop - sample.start : m_format.avgTimePerFrame };

    AVFramePtr input(av_frame_clone(frame));
    if (!input) {
        ReportError(E_OUTOFMEMORY);
        return FlowStatus::Error;
    }
    input->pts = codecPts;
    input->pict_type = AV_PICTURE_TYPE_NONE;
    return Encode(input.get());
}

FlowStatus CLavcMpeg4Encoder::Drain()
{
    return m_encoder ? Encode(nullptr) : FlowStatus::Ok;
}

FlowStatus CLavcMpeg4Encoder::Encode(const AVFrame* frame)
{
    int err = avcodec_send_frame(m_encoder.get(), frame);
    if (err < 0 && !(frame == nullptr && err == AVERROR_EOF)) {
        ReportError(HResultFromAVError(err));
        return FlowStatus::Error;
    }
    for (;;) {
        err = avcodec_receive_packet(m_encoder.get(), m_packet.get());
        if (err == AVERROR(EAGAIN) || err == AVERROR_EOF)
            return FlowStatus::Ok;
        if (err < 0) {
            ReportError(HResultFromAVError(err));
            return FlowStatus::Error;
        }
        auto exact = [&](int64_t codecTime) -> FrameTimes {
            if (auto it = m_times.find(codecTime); it != m_times.end())
                return it->second;
            return { m_origin + av_rescale_q(codecTime, m_encoder->time_base, kReferenceTimeBase), 0 };
        };
        const FrameTimes times = exact(m_packet->pts);
        const REFERENCE_TIME dts = m_packet->dts == AV_NOPTS_VALUE ? times.pts : exact(m_packet->dts).pts;
        // Decoding times only rise: a frame's times are not asked for once the dts passed them.
        if (m_packet->dts != AV_NOPTS_VALUE)
            m_times.erase(m_times.begin(), m_times.lower_bound(m_packet->dts));

        AVPacket* packet = av_packet_alloc();
        if (!packet) {
            av_packet_unref(m_packet.get());
            ReportError(E_OUTOFMEMORY);
            return FlowStatus::Error;
        }
        av_packet_move_ref(packet, m_packet.get());
        packet->pts = times.pts;
        packet->dts = dts;
        packet->duration = times.duration;
        packet->time_base = kReferenceTimeBase;
        CMediaSample sample = CMediaSample::FromPacket(packet);
        sample.start = times.pts;
        sample.stop = times.duration > 0 ? times.pts + times.duration : kNoTime;
        sample.syncPoint = (packet->flags & AV_PKT_FLAG_KEY) != 0;
        sample.discontinuity = std::exchange(m_discontinuity, false);
        FlowStatus status = Deliver(sample);
        if (status != FlowStatus::Ok)
            return status;
    }
}

} // namespace vidlume
