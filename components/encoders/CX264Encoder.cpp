#include "CX264Encoder.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <utility>

namespace vidlume {

namespace {

    struct DeviceProfile {
        int32_t device;
        const char* profile;
        int levelIdc;
    };
    // The level's own MaxBR and MaxCPB (x264's level table) are the VBV of each device.
    constexpr DeviceProfile kDeviceProfiles[] = {
        { 15, "baseline", 13 }, // iPod
        { 0, "baseline", 30 },  // iPhone
        { 2, "main", 31 },      // iPad
    };

    const DeviceProfile* FindDevice(int32_t device)
    {
        for (const DeviceProfile& d : kDeviceProfiles)
            if (d.device == device)
                return &d;
        return nullptr;
    }

    // The lowest level from the device's on that admits the picture, its macroblock rate and the
    // bit rate; the highest level when none does.
    const x264_level_t* LevelFor(int startIdc, int mbWidth, int mbHeight, double framesPerSecond, int kbitPerSecond)
    {
        const int64_t mbs = int64_t(mbWidth) * mbHeight;
        const x264_level_t* chosen = nullptr;
        bool reached = false;
        for (const x264_level_t* level = x264_levels; level->level_idc; ++level) {
            reached = reached || level->level_idc == startIdc;
            if (!reached)
                continue;
            chosen = level;
            const int64_t maxFs = level->frame_size;
            const bool fits = mbs <= maxFs && int64_t(mbWidth) * mbWidth <= 8 * maxFs && int64_t(mbHeight) * mbHeight <= 8 * maxFs
                && (framesPerSecond <= 0 || mbs * framesPerSecond <= level->mbps) && kbitPerSecond <= level->bitrate;
            if (fits)
                break;
        }
        return chosen;
    }

    HRESULT Configure(const VideoFormat& format, int32_t device, bool mp4Ready, int32_t bitRate, x264_param_t* p)
    {
        if (x264_param_default_preset(p, "medium", nullptr) < 0)
            return E_FAIL;
        p->i_log_level = X264_LOG_WARNING;
        p->i_csp = X264_CSP_I420;
        p->i_width = format.width;
        p->i_height = format.height;
        if (format.sampleAspect.num > 0 && format.sampleAspect.den > 0 && format.sampleAspect.num != format.sampleAspect.den) {
            p->vui.i_sar_width = format.sampleAspect.num;
            p->vui.i_sar_height = format.sampleAspect.den;
        }
        // Timestamps go through in reference time; the nominal rate only guides rate control.
        p->b_vfr_input = 1;
        p->i_timebase_num = 1;
        p->i_timebase_den = uint32_t(kUnitsPerSecond);
        double framesPerSecond = 0;
        if (format.avgTimePerFrame > 0 && format.avgTimePerFrame <= INT_MAX) {
            int num = 0, den = 0;
            av_reduce(&num, &den, kUnitsPerSecond, format.avgTimePerFrame, INT_MAX);
            p->i_fps_num = uint32_t(num);
            p->i_fps_den = uint32_t(den);
            framesPerSecond = double(num) / den;
        }
        p->rc.i_rc_method = X264_RC_ABR;
        p->rc.i_bitrate = std::max(1, (bitRate + 500) / 1000);
        p->b_annexb = mp4Ready ? 0 : 1;
        p->b_repeat_headers = mp4Ready ? 0 : 1;

        const DeviceProfile* target = FindDevice(device);
        if (!target)
            return x264_param_apply_profile(p, "high") < 0 ? E_FAIL : S_OK;

        const int mbWidth = (format.width + 15) / 16;
        const int mbHeight = (format.height + 15) / 16;
        const x264_level_t* level = LevelFor(target->levelIdc, mbWidth, mbHeight, framesPerSecond, p->rc.i_bitrate);
        if (!level)
            return E_FAIL;
        p->i_level_idc = level->level_idc;
        p->rc.i_vbv_max_bitrate = level->bitrate;
        p->rc.i_vbv_buffer_size = level->cpb;
        if (x264_param_apply_profile(p, target->profile) < 0)
            return E_FAIL;
        // x264 only warns when the frames it keeps exceed the level's decoded picture buffer;
        // a device decoder may refuse such a stream, so the references are limited here.
        const int dpbFrames = std::clamp(level->dpb / (mbWidth * mbHeight), 1, 16);
        if (dpbFrames < 4)
            p->i_bframe_pyramid = X264_B_PYRAMID_NONE;
        if (dpbFrames < 2)
            p->i_bframe = 0;
        p->i_frame_reference = std::clamp(p->i_frame_reference, 1, dpbFrames);
        return S_OK;
    }

    // The payload of an x264 NAL unit without its 4-byte length or start code.
    std::pair<const uint8_t*, size_t> NalBody(const x264_nal_t& nal)
    {
        return { nal.p_payload + 4, size_t(nal.i_payload - 4) };
    }

    // ISO/IEC 14496-15 AVCDecoderConfigurationRecord with one SPS and one PPS.
    std::vector<uint8_t> AvcDecoderConfiguration(const x264_nal_t& sps, const x264_nal_t& pps)
    {
        auto [s, sSize] = NalBody(sps);
        auto [q, qSize] = NalBody(pps);
        std::vector<uint8_t> c { 1, s[1], s[2], s[3], 0xFF /* 4-byte lengths */, 0xE1 /* one SPS */,
            uint8_t(sSize >> 8), uint8_t(sSize) };
        c.insert(c.end(), s, s + sSize);
        c.insert(c.end(), { 1, uint8_t(qSize >> 8), uint8_t(qSize) });
        c.insert(c.end(), q, q + qSize);
        const uint8_t profile = s[1];
        if (profile == 100 || profile == 110 || profile == 122 || profile == 144) {
            // 4:2:0, 8 bits, no SPS extensions.
            c.insert(c.end(), { 0xFC | 1, 0xF8, 0xF8, 0 });
        }
        return c;
    }

} // namespace

CX264Encoder::CX264Encoder()
    : CTransformFilter(CLSID_H264Encoder)
    , m_parameters({
          CModuleParameters::Definition::Int(kEncoderDeviceOption, -1, INT32_MIN, INT32_MAX),
          CModuleParameters::Definition::Int(kEncoderAvcMp4Stream, 1, 0, 1),
          CModuleParameters::Definition::Int(kEncoderRateMode, 0, 0, 0),
          CModuleParameters::Definition::Int(kEncoderBitRate, 1'000'000, 1000, INT32_MAX),
      })
{
}

CX264Encoder::~CX264Encoder() = default;

HRESULT CX264Encoder::QueryOtherInterface(REFIID iid, void** ppv)
{
    if (iid == IModuleConfig::kIid)
        return GetInterface<IModuleConfig>(this, ppv);
    if (iid == IMediaTypeConfig::kIid)
        return GetInterface<IMediaTypeConfig>(this, ppv);
    return CTransformFilter::QueryOtherInterface(iid, ppv);
}

HRESULT CX264Encoder::SetValue(const Guid& parameter, const VARIANT& value) { return m_parameters.Set(parameter, value); }
HRESULT CX264Encoder::GetValue(const Guid& parameter, VARIANT* value) { return m_parameters.Get(parameter, value); }
HRESULT CX264Encoder::IsSupported(const Guid& parameter) { return m_parameters.Has(parameter) ? S_OK : S_FALSE; }

HRESULT CX264Encoder::SetDefState()
{
    m_parameters.SetDefaults();
    return S_OK;
}

HRESULT CX264Encoder::CommitChanges()
{
    m_parameters.Commit();
    return S_OK;
}

HRESULT CX264Encoder::SetMediaType(const Guid& majorType, const Guid& subtype)
{
    if (majorType != MEDIATYPE_Video)
        return E_INVALIDARG;
    return subtype == GUID_NULL || subtype == MEDIASUBTYPE_I420 ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

CX264Encoder::Settings CX264Encoder::CommittedSettings() const
{
    return { m_parameters.CommittedInt(kEncoderDeviceOption), m_parameters.CommittedInt(kEncoderAvcMp4Stream) != 0,
        m_parameters.CommittedInt(kEncoderBitRate) };
}

HRESULT CX264Encoder::CheckInputType(const CMediaType& type)
{
    VideoFormat f;
    if (!VideoFormatFromMediaType(type, &f) || f.pixelFormat != AV_PIX_FMT_YUV420P)
        return VFW_E_TYPE_NOT_ACCEPTED;
    // 4:2:0 needs whole chroma samples.
    if (f.width % 2 || f.height % 2 || f.width > 16384 || f.height > 16384)
        return VFW_E_TYPE_NOT_ACCEPTED;
    return S_OK;
}

HRESULT CX264Encoder::OpenEncoder(const VideoFormat& format, const Settings& settings, EncoderPtr* encoder, std::vector<uint8_t>* extraData,
    std::vector<uint8_t>* sei)
{
    x264_param_t p;
    HRESULT hr = Configure(format, settings.device, settings.mp4Ready, settings.bitRate, &p);
    if (FAILED(hr))
        return hr;
    EncoderPtr opened(x264_encoder_open(&p));
    if (!opened)
        return E_FAIL;
    x264_nal_t* nals = nullptr;
    int count = 0;
    if (x264_encoder_headers(opened.get(), &nals, &count) < 0)
        return E_FAIL;
    const x264_nal_t* sps = nullptr;
    const x264_nal_t* pps = nullptr;
    if (sei)
        sei->clear();
    for (int i = 0; i < count; ++i) {
        if (nals[i].i_type == NAL_SPS && !sps)
            sps = &nals[i];
        else if (nals[i].i_type == NAL_PPS && !pps)
            pps = &nals[i];
        else if (nals[i].i_type == NAL_SEI && sei && settings.mp4Ready)
            sei->insert(sei->end(), nals[i].p_payload, nals[i].p_payload + nals[i].i_payload);
    }
    if (!sps || !pps || sps->i_payload < 8 || pps->i_payload < 5)
        return E_FAIL;
    if (settings.mp4Ready) {
        *extraData = AvcDecoderConfiguration(*sps, *pps);
    } else {
        extraData->assign(sps->p_payload, sps->p_payload + sps->i_payload);
        extraData->insert(extraData->end(), pps->p_payload, pps->p_payload + pps->i_payload);
    }
    *encoder = std::move(opened);
    return S_OK;
}

HRESULT CX264Encoder::BuildOutputType(const VideoFormat& format, const Settings& settings, const std::vector<uint8_t>& extraData, CMediaType* type)
{
    AVCodecParametersPtr p(avcodec_parameters_alloc());
    if (!p)
        return E_OUTOFMEMORY;
    p->codec_type = AVMEDIA_TYPE_VIDEO;
    p->codec_id = AV_CODEC_ID_H264;
    p->width = format.width;
    p->height = format.height;
    p->sample_aspect_ratio = format.sampleAspect;
    p->bit_rate = settings.bitRate;
    p->extradata = static_cast<uint8_t*>(av_mallocz(extraData.size() + AV_INPUT_BUFFER_PADDING_SIZE));
    if (!p->extradata)
        return E_OUTOFMEMORY;
    std::memcpy(p->extradata, extraData.data(), extraData.size());
    p->extradata_size = int(extraData.size());
    const AVRational rate = format.avgTimePerFrame > 0 && format.avgTimePerFrame <= INT_MAX
        ? AVRational { int(kUnitsPerSecond), int(format.avgTimePerFrame) }
        : AVRational { 0, 1 };
    return MediaTypeFromCodecParameters(p.get(), rate, type);
}

HRESULT CX264Encoder::GetOutputType(int index, CMediaType* type)
{
    if (index != 0)
        return S_FALSE;
    const CMediaType& input = InputPin()->CurrentMediaType();
    const Settings settings = CommittedSettings();
    if (!m_cachedOutput || !(m_cachedOutput->input == input) || !(m_cachedOutput->settings == settings)) {
        VideoFormat format;
        if (!VideoFormatFromMediaType(input, &format))
            return S_FALSE;
        EncoderPtr encoder;
        std::vector<uint8_t> extra;
        CMediaType output;
        if (FAILED(OpenEncoder(format, settings, &encoder, &extra)) || FAILED(BuildOutputType(format, settings, extra, &output)))
            return S_FALSE;
        m_cachedOutput = CachedOutput { input, settings, output };
    }
    *type = m_cachedOutput->output;
    return S_OK;
}

HRESULT CX264Encoder::OnStart()
{
    if (!InputPin()->IsConnected())
        return S_OK;
    if (!VideoFormatFromMediaType(InputPin()->CurrentMediaType(), &m_format))
        return VFW_E_TYPE_NOT_ACCEPTED;
    const Settings settings = CommittedSettings();
    std::vector<uint8_t> extra;
    HRESULT hr = OpenEncoder(m_format, settings, &m_encoder, &extra, &m_sei);
    if (FAILED(hr))
        return hr;
    if (OutputPin()->IsConnected()) {
        CMediaType expected;
        hr = BuildOutputType(m_format, settings, extra, &expected);
        if (FAILED(hr) || !(expected == OutputPin()->CurrentMediaType())) {
            m_encoder.reset();
            return FAILED(hr) ? hr : VFW_E_TYPE_NOT_ACCEPTED;
        }
    }
    m_lastPts = kNoTime;
    m_durations.clear();
    m_discontinuity = true;
    return S_OK;
}

void CX264Encoder::OnStop()
{
    m_encoder.reset();
    m_durations.clear();
    m_sei.clear();
}

FlowStatus CX264Encoder::Transform(const CMediaSample& sample)
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
    // x264 needs rising timestamps; a repeated one moves by the smallest step.
    if (m_lastPts != kNoTime && pts <= m_lastPts)
        pts = m_lastPts + 1;
    m_lastPts = pts;
    const bool timed = sample.start != kNoTime && sample.stop != kNoTime && sample.stop > sample.start;
    m_durations[pts] = timed ? sample.stop - sample.start : m_format.avgTimePerFrame;

    x264_picture_t in;
    x264_picture_init(&in);
    in.img.i_csp = X264_CSP_I420;
    in.img.i_plane = 3;
    for (int i = 0; i < 3; ++i) {
        in.img.plane[i] = frame->data[i];
        in.img.i_stride[i] = frame->linesize[i];
    }
    in.i_pts = pts;
    x264_picture_t out;
    x264_nal_t* nals = nullptr;
    int count = 0;
    const int size = x264_encoder_encode(m_encoder.get(), &nals, &count, &in, &out);
    if (size < 0) {
        ReportError(E_FAIL);
        return FlowStatus::Error;
    }
    return size > 0 ? DeliverPicture(size, nals, out) : FlowStatus::Ok;
}

FlowStatus CX264Encoder::Drain()
{
    if (!m_encoder)
        return FlowStatus::Ok;
    while (x264_encoder_delayed_frames(m_encoder.get()) > 0) {
        x264_picture_t out;
        x264_nal_t* nals = nullptr;
        int count = 0;
        const int size = x264_encoder_encode(m_encoder.get(), &nals, &count, nullptr, &out);
        if (size < 0) {
            ReportError(E_FAIL);
            return FlowStatus::Error;
        }
        if (size > 0) {
            FlowStatus status = DeliverPicture(size, nals, out);
            if (status != FlowStatus::Ok)
                return status;
        }
    }
    return FlowStatus::Ok;
}

FlowStatus CX264Encoder::DeliverPicture(int size, const x264_nal_t* nals, const x264_picture_t& picture)
{
    AVPacketPtr packet(av_packet_alloc());
    if (!packet || av_new_packet(packet.get(), size + int(m_sei.size())) < 0) {
        ReportError(E_OUTOFMEMORY);
        return FlowStatus::Error;
    }
    if (!m_sei.empty())
        std::memcpy(packet->data, m_sei.data(), m_sei.size());
    // x264 keeps the payloads of one picture's NAL units back to back.
    std::memcpy(packet->data + m_sei.size(), nals[0].p_payload, size_t(size));
    m_sei.clear();
    REFERENCE_TIME duration = 0;
    if (auto it = m_durations.find(picture.i_pts); it != m_durations.end()) {
        duration = it->second;
        m_durations.erase(it);
    }
    packet->pts = picture.i_pts;
    packet->dts = picture.i_dts;
    packet->duration = duration;
    packet->time_base = kReferenceTimeBase;
    if (picture.b_keyframe)
        packet->flags |= AV_PKT_FLAG_KEY;
    CMediaSample sample = CMediaSample::FromPacket(packet.release());
    sample.start = picture.i_pts;
    sample.stop = duration > 0 ? picture.i_pts + duration : kNoTime;
    sample.syncPoint = picture.b_keyframe != 0;
    sample.discontinuity = std::exchange(m_discontinuity, false);
    return Deliver(sample);
}

} // namespace vidlume
