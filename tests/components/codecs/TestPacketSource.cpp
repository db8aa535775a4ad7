#include "TestPacketSource.h"

#include "components/ffmpeg/CodecMediaTypes.h"
#include "tests/components/common/CTestOutputPin.h"

namespace vidlume::test {

class CTestPacketSource::CPin final : public CTestOutputPin {
public:
    using CTestOutputPin::CTestOutputPin;
    bool first = true;
    bool ended = false;
};

CTestPacketSource::CTestPacketSource(const std::string& path, PacketSourceOptions options)
    : CBaseFilter(kClsid)
    , m_path(path)
    , m_options(std::move(options))
{
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0)
        return;
    AVInputFormatContextPtr format(raw);
    if (avformat_find_stream_info(format.get(), nullptr) < 0)
        return;
    m_videoStream = av_find_best_stream(format.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    m_audioStream = av_find_best_stream(format.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (m_videoStream >= 0) {
        AVStream* s = format->streams[m_videoStream];
        CMediaType type;
        MediaTypeFromCodecParameters(s->codecpar, s->avg_frame_rate, &type);
        if (m_options.editVideoType)
            m_options.editVideoType(type);
        m_video = static_cast<CPin*>(AddPin(std::make_unique<CPin>(this, "Video", type)));
    }
    if (m_audioStream >= 0) {
        AVStream* s = format->streams[m_audioStream];
        CMediaType type;
        MediaTypeFromCodecParameters(s->codecpar, { 0, 1 }, &type);
        if (m_options.editAudioType)
            m_options.editAudioType(type);
        m_audio = static_cast<CPin*>(AddPin(std::make_unique<CPin>(this, "Audio", type)));
    }
    m_opened = true;
}

CTestPacketSource::~CTestPacketSource()
{
    OnStop();
}

HRESULT CTestPacketSource::OnStart()
{
    if (!m_opened)
        return E_FAIL;
    m_stop.store(false);
    for (CPin* pin : { m_video, m_audio })
        if (pin)
            pin->first = true, pin->ended = false;
    m_thread = std::thread([this] { Stream(); });
    return S_OK;
}

void CTestPacketSource::OnStop()
{
    m_stop.store(true);
    if (m_thread.joinable())
        m_thread.join();
}

void CTestPacketSource::Stream()
{
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, m_path.c_str(), nullptr, nullptr) < 0) {
        ReportError(E_FAIL);
        return;
    }
    AVInputFormatContextPtr format(raw);
    avformat_find_stream_info(format.get(), nullptr);
    AVPacketPtr packet(av_packet_alloc());
    int videoPackets = 0;
    bool flushing = false;
    while (!m_stop.load() && !flushing) {
        int ret = av_read_frame(format.get(), packet.get());
        if (ret == AVERROR_EOF)
            break;
        if (ret < 0) {
            ReportError(HResultFromAVError(ret));
            return;
        }
        CPin* pin = packet->stream_index == m_videoStream ? m_video : packet->stream_index == m_audioStream ? m_audio : nullptr;
        if (!pin || pin->ended) {
            av_packet_unref(packet.get());
            continue;
        }
        av_packet_rescale_ts(packet.get(), format->streams[packet->stream_index]->time_base, kReferenceTimeBase);
        if (m_options.stripTimestamps)
            packet->pts = packet->dts = AV_NOPTS_VALUE;
        if (pin == m_video && videoPackets++ == m_options.damagedVideoPacket && av_packet_make_writable(packet.get()) >= 0) {
            for (int i = packet->size / 4; i < packet->size; ++i)
                packet->data[i] = uint8_t(i * 37 + 11);
        }
        CMediaSample sample = CMediaSample::FromPacket(av_packet_clone(packet.get()));
        sample.start = packet->pts;
        sample.stop = packet->pts != AV_NOPTS_VALUE && packet->duration > 0 ? packet->pts + packet->duration : kNoTime;
        sample.syncPoint = packet->flags & AV_PKT_FLAG_KEY;
        sample.discontinuity = std::exchange(pin->first, false);
        av_packet_unref(packet.get());
        switch (pin->Deliver(sample)) {
        case FlowStatus::Ok: break;
        case FlowStatus::Flushing: flushing = true; break;
        case FlowStatus::NotNegotiated: // the receiver did not say so itself
            ReportError(VFW_E_TYPE_NOT_ACCEPTED);
            pin->ended = true;
            break;
        default: pin->ended = true; break;
        }
    }
    if (flushing || m_stop.load())
        return;
    for (CPin* pin : { m_video, m_audio })
        if (pin && !pin->ended)
            pin->DeliverEndOfStream();
}

} // namespace vidlume::test
