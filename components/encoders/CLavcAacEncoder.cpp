#include "CLavcAacEncoder.h"

#include "components/ffmpeg/InterleavedAudio.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace vidlume {

namespace {

    constexpr int kBitRatesKbit[] = { 6, 7, 8, 10, 12, 14, 16, 20, 24, 28, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192,
        224, 256, 320, 384, 448, 512, 1024 };
    constexpr int kBitRateCount = int(std::size(kBitRatesKbit));
    constexpr int kDefaultBitRateIndex = 18; // 128 kbit/s

    const AVCodec* AacEncoder()
    {
        return avcodec_find_encoder_by_name("aac");
    }

    bool SupportsRate(int rate)
    {
        const AVCodec* codec = AacEncoder();
        if (!codec || !codec->supported_samplerates)
            return false;
        for (const int* r = codec->supported_samplerates; *r; ++r)
            if (*r == rate)
                return true;
        return false;
    }

} // namespace

CLavcAacEncoder::CLavcAacEncoder()
    : CTransformFilter(CLSID_AACEncoder)
    , m_parameters({ CModuleParameters::Definition::Int(kEncoderBitRate, kDefaultBitRateIndex, 0, kBitRateCount - 1) })
{
}

CLavcAacEncoder::~CLavcAacEncoder() = default;

int64_t CLavcAacEncoder::BitRateFor(int index, int sampleRate, int channels)
{
    const int64_t wanted = int64_t(kBitRatesKbit[std::clamp(index, 0, kBitRateCount - 1)]) * 1000;
    // What one channel element can hold: 6144 bits per frame of 1024 samples.
    const int64_t ceiling = int64_t(6144) * channels * sampleRate / 1024;
    return std::min(wanted, ceiling);
}

HRESULT CLavcAacEncoder::QueryOtherInterface(REFIID iid, void** ppv)
{
    if (iid == IModuleConfig::kIid)
        return GetInterface<IModuleConfig>(this, ppv);
    return CTransformFilter::QueryOtherInterface(iid, ppv);
}

HRESULT CLavcAacEncoder::SetValue(const Guid& parameter, const VARIANT& value) { return m_parameters.Set(parameter, value); }
HRESULT CLavcAacEncoder::GetValue(const Guid& parameter, VARIANT* value) { return m_parameters.Get(parameter, value); }
HRESULT CLavcAacEncoder::IsSupported(const Guid& parameter) { return m_parameters.Has(parameter) ? S_OK : S_FALSE; }

HRESULT CLavcAacEncoder::SetDefState()
{
    m_parameters.SetDefaults();
    return S_OK;
}

HRESULT CLavcAacEncoder::CommitChanges()
{
    m_parameters.Commit();
    return S_OK;
}

HRESULT CLavcAacEncoder::CheckInputType(const CMediaType& type)
{
    AudioFormat f;
    if (!AudioFormatFromMediaType(type, &f) || f.channels < 1 || f.channels > 8 || !SupportsRate(f.sampleRate))
        return VFW_E_TYPE_NOT_ACCEPTED;
    return S_OK;
}

HRESULT CLavcAacEncoder::OpenEncoder(const AudioFormat& format, int bitRateIndex, AVCodecContextPtr* encoder)
{
    const AVCodec* codec = AacEncoder();
    if (!codec)
        return E_FAIL;
    AVCodecContextPtr c(avcodec_alloc_context3(codec));
    if (!c)
        return E_OUTOFMEMORY;
    c->sample_fmt = AV_SAMPLE_FMT_FLTP;
    c->sample_rate = format.sampleRate;
    av_channel_layout_uninit(&c->ch_layout);
    av_channel_layout_default(&c->ch_layout, format.channels);
    c->bit_rate = BitRateFor(bitRateIndex, format.sampleRate, format.channels);
    c->time_base = { 1, format.sampleRate };
    c->profile = FF_PROFILE_AAC_LOW;
    c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    const int err = avcodec_open2(c.get(), codec, nullptr);
    if (err < 0)
        return HResultFromAVError(err);
    if (!c->extradata || c->extradata_size <= 0 || c->frame_size <= 0)
        return E_FAIL;
    *encoder = std::move(c);
    return S_OK;
}

HRESULT CLavcAacEncoder::BuildOutputType(const AVCodecContext* encoder, CMediaType* type)
{
    AVCodecParametersPtr p(avcodec_parameters_alloc());
    if (!p)
        return E_OUTOFMEMORY;
    const int err = avcodec_parameters_from_context(p.get(), encoder);
    if (err < 0)
        return HResultFromAVError(err);
    return MediaTypeFromCodecParameters(p.get(), { 0, 1 }, type);
}

HRESULT CLavcAacEncoder::GetOutputType(int index, CMediaType* type)
{
    if (index != 0)
        return S_FALSE;
    const CMediaType& input = InputPin()->CurrentMediaType();
    const int bitRateIndex = m_parameters.CommittedInt(kEncoderBitRate);
    if (!m_cachedOutput || !(m_cachedOutput->input == input) || m_cachedOutput->bitRateIndex != bitRateIndex) {
        AudioFormat format;
        if (!AudioFormatFromMediaType(input, &format))
            return S_FALSE;
        AVCodecContextPtr encoder;
        CMediaType output;
        if (FAILED(OpenEncoder(format, bitRateIndex, &encoder)) || FAILED(BuildOutputType(encoder.get(), &output)))
            return S_FALSE;
        m_cachedOutput = CachedOutput { input, bitRateIndex, output };
    }
    *type = m_cachedOutput->output;
    return S_OK;
}

HRESULT CLavcAacEncoder::OnStart()
{
    if (!InputPin()->IsConnected())
        return S_OK;
    if (!AudioFormatFromMediaType(InputPin()->CurrentMediaType(), &m_format))
        return VFW_E_TYPE_NOT_ACCEPTED;
    AVCodecContextPtr encoder;
    HRESULT hr = OpenEncoder(m_format, m_parameters.CommittedInt(kEncoderBitRate), &encoder);
    if (FAILED(hr))
        return hr;
    if (OutputPin()->IsConnected()) {
        CMediaType expected;
        hr = BuildOutputType(encoder.get(), &expected);
        if (FAILED(hr))
            return hr;
        if (!(expected == OutputPin()->CurrentMediaType()))
            return VFW_E_TYPE_NOT_ACCEPTED;
    }
    SwrContext* converter = nullptr;
    int err = swr_alloc_set_opts2(&converter, &encoder->ch_layout, AV_SAMPLE_FMT_FLTP, m_format.sampleRate, &encoder->ch_layout,
        m_format.sampleFormat, m_format.sampleRate, 0, nullptr);
    SwrContextPtr converterHolder(converter);
    if (err >= 0)
        err = swr_init(converter);
    if (err < 0)
        return HResultFromAVError(err);
    AudioFifoPtr fifo(av_audio_fifo_alloc(AV_SAMPLE_FMT_FLTP, m_format.channels, encoder->frame_size * 4));
    AVPacketPtr packet(av_packet_alloc());
    if (!fifo || !packet)
        return E_OUTOFMEMORY;
    m_encoder = std::move(encoder);
    m_converter = std::move(converterHolder);
    m_fifo = std::move(fifo);
    m_packet = std::move(packet);
    m_converted.reset();
    m_origin = kNoTime;
    m_samplesSent = 0;
    m_discontinuity = true;
    return S_OK;
}

void CLavcAacEncoder::OnStop()
{
    m_encoder.reset();
    m_converter.reset();
    m_fifo.reset();
    m_converted.reset();
    m_packet.reset();
}

FlowStatus CLavcAacEncoder::Transform(const CMediaSample& sample)
{
    if (!m_encoder) {
        ReportError(E_UNEXPECTED);
        return FlowStatus::Error;
    }
    // Decoded frames, or - straight from a demultiplexer of uncompressed sound (Wave) - packets
    // that carry interleaved samples of the connection's format.
    const AVFrame* frame = sample.Frame();
    const uint8_t* const* data = nullptr;
    int count = 0;
    InterleavedAudio packed;
    if (frame) {
        const int channels = frame->ch_layout.nb_channels;
        if (frame->format != m_format.sampleFormat || (channels != 0 && channels != m_format.channels)
            || (frame->sample_rate != 0 && frame->sample_rate != m_format.sampleRate)) {
            ReportError(VFW_E_TYPE_NOT_ACCEPTED);
            return FlowStatus::NotNegotiated;
        }
        data = frame->extended_data;
        count = frame->nb_samples;
    } else if (!av_sample_fmt_is_planar(m_format.sampleFormat) && InterleavedAudioOf(sample, m_format, &packed)) {
        data = &packed.data;
        count = packed.frames;
    } else {
        ReportError(VFW_E_TYPE_NOT_ACCEPTED);
        return FlowStatus::NotNegotiated;
    }
    if (count <= 0)
        return FlowStatus::Ok;
    if (m_origin == kNoTime) {
        m_origin = sample.start != kNoTime ? sample.start : frame ? frame->pts : kNoTime;
        if (m_origin == kNoTime)
            m_origin = 0;
    }
    FlowStatus status = Convert(data, count);
    return status == FlowStatus::Ok ? EncodeQueued(false) : status;
}

FlowStatus CLavcAacEncoder::Drain()
{
    if (!m_encoder)
        return FlowStatus::Ok;
    FlowStatus status = Convert(nullptr, 0);
    if (status == FlowStatus::Ok)
        status = EncodeQueued(true);
    if (status == FlowStatus::Ok)
        status = Send(nullptr);
    return status;
}

FlowStatus CLavcAacEncoder::Convert(const uint8_t* const* data, int samples)
{
    const int room = swr_get_out_samples(m_converter.get(), samples);
    if (room <= 0)
        return FlowStatus::Ok;
    if (!m_converted || m_converted->nb_samples < room) {
        AVFramePtr buffer(av_frame_alloc());
        if (!buffer) {
            ReportError(E_OUTOFMEMORY);
            return FlowStatus::Error;
        }
        buffer->format = AV_SAMPLE_FMT_FLTP;
        buffer->nb_samples = room;
        int err = av_channel_layout_copy(&buffer->ch_layout, &m_encoder->ch_layout);
        if (err >= 0)
            err = av_frame_get_buffer(buffer.get(), 0);
        if (err < 0) {
            ReportError(HResultFromAVError(err));
            return FlowStatus::Error;
        }
        m_converted = std::move(buffer);
    }
    const int converted = swr_convert(m_converter.get(), m_converted->extended_data, m_converted->nb_samples, const_cast<const uint8_t**>(data), samples);
    if (converted < 0) {
        ReportError(HResultFromAVError(converted));
        return FlowStatus::Error;
    }
    if (converted > 0 && av_audio_fifo_write(m_fifo.get(), reinterpret_cast<void**>(m_converted->extended_data), converted) < converted) {
        ReportError(E_OUTOFMEMORY);
        return FlowStatus::Error;
    }
    return FlowStatus::Ok;
}

FlowStatus CLavcAacEncoder::EncodeQueued(bool final)
{
    const int frameSize = m_encoder->frame_size;
    for (;;) {
        const int queued = av_audio_fifo_size(m_fifo.get());
        if (queued == 0 || (queued < frameSize && !final))
            return FlowStatus::Ok;
        // The encoder takes a shorter frame only as the last one.
        const int count = std::min(queued, frameSize);
        AVFramePtr frame(av_frame_alloc());
        if (!frame) {
            ReportError(E_OUTOFMEMORY);
            return FlowStatus::Error;
        }
        frame->format = AV_SAMPLE_FMT_FLTP;
        frame->nb_samples = count;
        frame->sample_rate = m_format.sampleRate;
        int err = av_channel_layout_copy(&frame->ch_layout, &m_encoder->ch_layout);
        if (err >= 0)
            err = av_frame_get_buffer(frame.get(), 0);
        if (err < 0) {
            ReportError(HResultFromAVError(err));
            return FlowStatus::Error;
        }
        if (av_audio_fifo_read(m_fifo.get(), reinterpret_cast<void**>(frame->extended_data), count) < count) {
            ReportError(E_FAIL);
            return FlowStatus::Error;
        }
        frame->pts = m_samplesSent;
        m_samplesSent += count;
        FlowStatus status = Send(frame.get());
        if (status != FlowStatus::Ok)
            return status;
    }
}

FlowStatus CLavcAacEncoder::Send(const AVFrame* frame)
{
    int err = avcodec_send_frame(m_encoder.get(), frame);
    if (err < 0 && !(frame == nullptr && err == AVERROR_EOF)) {
        ReportError(HResultFromAVError(err));
        return FlowStatus::Error;
    }
    const int rate = m_format.sampleRate;
    for (;;) {
        err = avcodec_receive_packet(m_encoder.get(), m_packet.get());
        if (err == AVERROR(EAGAIN) || err == AVERROR_EOF)
            return FlowStatus::Ok;
        if (err < 0) {
            ReportError(HResultFromAVError(err));
            return FlowStatus::Error;
        }
        AVPacket* packet = av_packet_alloc();
        if (!packet) {
            av_packet_unref(m_packet.get());
            ReportError(E_OUTOFMEMORY);
            return FlowStatus::Error;
        }
        av_packet_move_ref(packet, m_packet.get());
        // Both ends from the sample count, so durations add up exactly to the stream's length.
        const REFERENCE_TIME start = m_origin + av_rescale(packet->pts, kUnitsPerSecond, rate);
        const REFERENCE_TIME stop = m_origin + av_rescale(packet->pts + packet->duration, kUnitsPerSecond, rate);
        packet->pts = start;
        packet->dts = start;
        packet->duration = stop - start;
        packet->time_base = kReferenceTimeBase;
        CMediaSample sample = CMediaSample::FromPacket(packet);
        sample.start = start;
        sample.stop = stop;
        sample.syncPoint = true;
        sample.discontinuity = std::exchange(m_discontinuity, false);
        FlowStatus status = Deliver(sample);
        if (status != FlowStatus::Ok)
            return status;
    }
}

} // namespace vidlume
