#include "TestPacketSource.h"

#include "tests/components/common/CTestOutputPin.h"

extern "C" {
#include <libavutil/channel_layout.h>
}

#include <cmath>
#include <map>

namespace vidlume::test {

class CTestPacketSource::COutput final : public CTestOutputPin {
public:
    COutput(CBaseFilter* filter, const std::string& id, const CMediaType& type) : CTestOutputPin(filter, id, type) { }

    REFERENCE_TIME lastStart = kNoTime; // under the source's lock
};

CTestPacketSource::CTestPacketSource() : CBaseFilter(MakeGuid("7E570000-0000-4000-8000-000000000001")) { }

CTestPacketSource::~CTestPacketSource()
{
    OnStop();
}

CTestPacketSource::COutput* CTestPacketSource::AddOutput(const std::string& id, const CMediaType& type)
{
    auto* pin = static_cast<COutput*>(AddPin(std::make_unique<COutput>(this, id, type)));
    m_outputs.push_back(pin);
    return pin;
}

ComPtr<CTestPacketSource> CTestPacketSource::FromFile(const std::string& path)
{
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0)
        return nullptr;
    AVInputFormatContextPtr input(raw);
    if (avformat_find_stream_info(input.get(), nullptr) < 0)
        return nullptr;
    ComPtr<CTestPacketSource> source(new CTestPacketSource());
    std::map<int, COutput*> pinOf;
    for (auto [kind, id] : { std::pair { AVMEDIA_TYPE_VIDEO, "Video" }, std::pair { AVMEDIA_TYPE_AUDIO, "Audio" } }) {
        int index = av_find_best_stream(input.get(), kind, -1, -1, nullptr, 0);
        if (index < 0)
            continue;
        AVStream* st = input->streams[index];
        CMediaType type;
        if (FAILED(MediaTypeFromCodecParameters(st->codecpar, st->avg_frame_rate, &type)))
            return nullptr;
        pinOf[index] = source->AddOutput(id, type);
    }
    AVPacketPtr packet(av_packet_alloc());
    while (av_read_frame(input.get(), packet.get()) >= 0) {
        auto it = pinOf.find(packet->stream_index);
        if (it == pinOf.end()) {
            av_packet_unref(packet.get());
            continue;
        }
        const AVRational tb = input->streams[packet->stream_index]->time_base;
        av_packet_rescale_ts(packet.get(), tb, kReferenceTimeBase);
        CMediaSample sample = CMediaSample::FromPacket(av_packet_clone(packet.get()));
        sample.start = packet->pts;
        sample.stop = packet->pts != AV_NOPTS_VALUE ? packet->pts + packet->duration : kNoTime;
        sample.syncPoint = packet->flags & AV_PKT_FLAG_KEY;
        source->m_items.push_back({ it->second, sample });
        av_packet_unref(packet.get());
    }
    return source;
}

ComPtr<CTestPacketSource> CTestPacketSource::FromAudio(const AudioFormat& format, double seconds)
{
    ComPtr<CTestPacketSource> source(new CTestPacketSource());
    COutput* pin = source->AddOutput("Audio", MediaTypeFromAudioFormat(format));
    const int64_t total = std::llround(seconds * format.sampleRate);
    for (int64_t done = 0; done < total;) {
        const int n = int(std::min<int64_t>(1024, total - done));
        AVFramePtr frame(av_frame_alloc());
        frame->format = format.sampleFormat;
        frame->sample_rate = format.sampleRate;
        frame->nb_samples = n;
        av_channel_layout_default(&frame->ch_layout, format.channels);
        if (av_frame_get_buffer(frame.get(), 0) < 0)
            return nullptr;
        for (int i = 0; i < n; ++i) {
            const double v = 0.5 * std::sin(2 * M_PI * 440.0 * double(done + i) / format.sampleRate);
            for (int c = 0; c < format.channels; ++c) {
                const int k = i * format.channels + c;
                switch (format.sampleFormat) {
                case AV_SAMPLE_FMT_U8: frame->data[0][k] = uint8_t(128 + std::lround(v * 127)); break;
                case AV_SAMPLE_FMT_S16: reinterpret_cast<int16_t*>(frame->data[0])[k] = int16_t(std::lround(v * 32767)); break;
                case AV_SAMPLE_FMT_S32: reinterpret_cast<int32_t*>(frame->data[0])[k] = int32_t(std::lround(v * 2147483647.0)); break;
                case AV_SAMPLE_FMT_FLT: reinterpret_cast<float*>(frame->data[0])[k] = float(v); break;
                case AV_SAMPLE_FMT_DBL: reinterpret_cast<double*>(frame->data[0])[k] = v; break;
                default: return nullptr;
                }
            }
        }
        frame->pts = av_rescale(done, kUnitsPerSecond, format.sampleRate);
        CMediaSample sample = CMediaSample::FromFrame(frame.release());
        sample.start = sample.Frame()->pts;
        sample.stop = av_rescale(done + n, kUnitsPerSecond, format.sampleRate);
        sample.syncPoint = true;
        source->m_items.push_back({ pin, sample });
        done += n;
    }
    return source;
}

IPin* CTestPacketSource::Pin(const std::string& id)
{
    for (COutput* pin : m_outputs)
        if (pin->Id() == id)
            return pin;
    return nullptr;
}

std::vector<uint8_t> CTestPacketSource::AudioBytes() const
{
    std::vector<uint8_t> bytes;
    for (const Item& item : m_items) {
        if (const AVFrame* f = item.sample.Frame()) {
            const size_t n = size_t(f->nb_samples) * size_t(av_get_bytes_per_sample(AVSampleFormat(f->format)) * f->ch_layout.nb_channels);
            bytes.insert(bytes.end(), f->data[0], f->data[0] + n);
        }
    }
    return bytes;
}

std::vector<CMediaSample> CTestPacketSource::SamplesOn(const std::string& pin) const
{
    std::vector<CMediaSample> samples;
    for (const Item& item : m_items)
        if (item.pin->Id() == pin)
            samples.push_back(item.sample);
    return samples;
}

void CTestPacketSource::WaitUntilHeld()
{
    std::unique_lock lock(m_lock);
    m_changed.wait(lock, [&] { return m_heldOrEnded; });
}

REFERENCE_TIME CTestPacketSource::LastStart(const std::string& pin) const
{
    std::lock_guard lock(m_lock);
    for (COutput* out : m_outputs)
        if (out->Id() == pin)
            return out->lastStart;
    return kNoTime;
}

HRESULT CTestPacketSource::OnStart()
{
    {
        std::lock_guard lock(m_lock);
        m_stopping = false;
        m_heldOrEnded = false;
        for (COutput* out : m_outputs)
            out->lastStart = kNoTime;
    }
    m_thread = std::thread([this] { Stream(); });
    return S_OK;
}

void CTestPacketSource::OnStop()
{
    {
        std::lock_guard lock(m_lock);
        m_stopping = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void CTestPacketSource::Stream()
{
    bool failed = false;
    for (size_t i = 0; i < m_items.size() && !failed; ++i) {
        {
            std::unique_lock lock(m_lock);
            if (i == m_holdAt) {
                m_heldOrEnded = true;
                m_changed.notify_all();
                m_changed.wait(lock, [&] { return m_stopping; });
            }
            if (m_stopping)
                break;
        }
        const Item& item = m_items[i];
        FlowStatus status = item.pin->Deliver(item.sample);
        {
            std::lock_guard lock(m_lock);
            item.pin->lastStart = item.sample.start;
        }
        failed = status == FlowStatus::Flushing || status == FlowStatus::Error || status == FlowStatus::NotNegotiated;
    }
    bool stopping;
    {
        std::lock_guard lock(m_lock);
        stopping = m_stopping;
    }
    if (!failed && !stopping)
        for (COutput* out : m_outputs)
            out->DeliverEndOfStream();
    {
        std::lock_guard lock(m_lock);
        m_heldOrEnded = true;
    }
    m_changed.notify_all();
}

} // namespace vidlume::test
