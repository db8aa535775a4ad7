#include "CLavcAudioDecoder.h"

#include "components/codecs/CodecOpening.h"

namespace vidlume {

namespace {

    // The interleaved format MediaTypeFromAudioFormat can describe that keeps the codec's samples.
    AVSampleFormat OutputSampleFormat(AVSampleFormat decoded)
    {
        switch (av_get_packed_sample_fmt(decoded)) {
        case AV_SAMPLE_FMT_U8: return AV_SAMPLE_FMT_U8;
        case AV_SAMPLE_FMT_S16: return AV_SAMPLE_FMT_S16;
        case AV_SAMPLE_FMT_S32: return AV_SAMPLE_FMT_S32;
        case AV_SAMPLE_FMT_DBL: return AV_SAMPLE_FMT_DBL;
        default: return AV_SAMPLE_FMT_FLT;
        }
    }

} // namespace

CLavcAudioDecoder::CLavcAudioDecoder(Kind kind) : CTransformFilter(ClassOf(kind)), m_kind(kind) { }

CLavcAudioDecoder::~CLavcAudioDecoder() = default;

CLSID CLavcAudioDecoder::ClassOf(Kind kind)
{
    switch (kind) {
    case Kind::Aac: return CLSID_AACDecoder;
    case Kind::Ac3: return CLSID_AC3Decoder;
    case Kind::Generic: break;
    }
    return CLSID_GenericAudioDecoder;
}

bool CLavcAudioDecoder::Decodes(Kind kind, AVCodecID codec)
{
    switch (kind) {
    case Kind::Aac: return codec == AV_CODEC_ID_AAC || codec == AV_CODEC_ID_AAC_LATM;
    case Kind::Ac3: return codec == AV_CODEC_ID_AC3 || codec == AV_CODEC_ID_EAC3;
    case Kind::Generic: break;
    }
    return codec != AV_CODEC_ID_NONE && avcodec_get_type(codec) == AVMEDIA_TYPE_AUDIO && avcodec_find_decoder(codec);
}

bool CLavcAudioDecoder::OfferedFormat(const CMediaType& input, AudioFormat* format)
{
    if (m_offerValid && m_offeredFor == input) {
        *format = m_offered;
        return true;
    }
    m_offerValid = false;
    m_offeredFor = input;
    AVCodecContextPtr codec;
    if (FAILED(OpenDecoder(input, false, &codec)))
        return false;
    // The input type decides rate and channels; the codec fills in what the type left open.
    const WAVEFORMATEX* wfx = input.WaveFormat();
    m_offered.sampleRate = wfx && wfx->nSamplesPerSec ? int(wfx->nSamplesPerSec) : codec->sample_rate;
    m_offered.channels = wfx && wfx->nChannels ? int(wfx->nChannels) : codec->ch_layout.nb_channels;
    m_offered.sampleFormat = OutputSampleFormat(codec->sample_fmt);
    if (m_offered.sampleRate <= 0 || m_offered.channels <= 0 || m_offered.channels > 64)
        return false;
    m_offerValid = true;
    *format = m_offered;
    return true;
}

HRESULT CLavcAudioDecoder::CheckInputType(const CMediaType& type)
{
    AudioFormat format;
    if (type.majortype != MEDIATYPE_Audio || IsRawAudio(type) || !Decodes(m_kind, CodecIdFromMediaType(type)))
        return VFW_E_TYPE_NOT_ACCEPTED;
    return OfferedFormat(type, &format) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CLavcAudioDecoder::GetOutputType(int index, CMediaType* type)
{
    AudioFormat format;
    if (index != 0 || !OfferedFormat(InputPin()->CurrentMediaType(), &format))
        return S_FALSE;
    *type = MediaTypeFromAudioFormat(format);
    return S_OK;
}

HRESULT CLavcAudioDecoder::CheckOutputType(const CMediaType& type)
{
    AudioFormat wanted, offered;
    if (!AudioFormatFromMediaType(type, &wanted) || !OfferedFormat(InputPin()->CurrentMediaType(), &offered))
        return VFW_E_TYPE_NOT_ACCEPTED;
    return wanted.sampleFormat == offered.sampleFormat && wanted.sampleRate == offered.sampleRate && wanted.channels == offered.channels
        ? S_OK
        : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CLavcAudioDecoder::OnStart()
{
    if (!InputPin()->IsConnected())
        return S_OK;
    HRESULT hr = OpenDecoder(InputPin()->CurrentMediaType(), true, &m_codec);
    if (FAILED(hr))
        return hr;
    CMediaType output;
    if (OutputPin()->IsConnected())
        output = OutputPin()->CurrentMediaType();
    else if (GetOutputType(0, &output) != S_OK)
        return VFW_E_TYPE_NOT_ACCEPTED;
    AudioFormat agreed;
    if (!AudioFormatFromMediaType(output, &agreed))
        return VFW_E_TYPE_NOT_ACCEPTED;
    m_resampler = std::make_unique<CSwrResampler>(agreed);
    m_frame.reset(av_frame_alloc());
    if (!m_frame)
        return E_OUTOFMEMORY;
    m_discontinuity = true;
    m_started = false;
    m_drained = false;
    return S_OK;
}

void CLavcAudioDecoder::OnStop()
{
    m_codec.reset();
    m_resampler.reset();
    m_frame.reset();
}

FlowStatus CLavcAudioDecoder::DeliverAll(std::vector<CSwrResampler::Output>& outputs)
{
    for (auto& o : outputs) {
        CMediaSample sample = CMediaSample::FromFrame(o.frame.release());
        sample.start = o.start;
        sample.stop = o.stop;
        sample.syncPoint = true;
        sample.discontinuity = std::exchange(m_discontinuity, false);
        if (FlowStatus status = Deliver(sample); status != FlowStatus::Ok)
            return status;
    }
    outputs.clear();
    return FlowStatus::Ok;
}

FlowStatus CLavcAudioDecoder::ReceiveFrames()
{
    std::vector<CSwrResampler::Output> outputs;
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
        m_started = true;
        const int converted = m_resampler->Convert(*m_frame, m_frame->best_effort_timestamp, &outputs);
        av_frame_unref(m_frame.get());
        if (converted == AVERROR(ENOMEM)) {
            ReportError(E_OUTOFMEMORY);
            return FlowStatus::Error;
        }
        // A frame the resampler cannot take (no channels, no rate) is skipped like a damaged one.
        if (FlowStatus status = DeliverAll(outputs); status != FlowStatus::Ok)
            return status;
    }
    return FlowStatus::Ok;
}

FlowStatus CLavcAudioDecoder::Transform(const CMediaSample& sample)
{
    const AVPacket* packet = sample.Packet();
    if (!packet || !m_codec) {
        ReportError(packet ? VFW_E_WRONG_STATE : VFW_E_TYPE_NOT_ACCEPTED);
        return FlowStatus::Error;
    }
    if ((sample.discontinuity && m_started) || m_drained) {
        avcodec_flush_buffers(m_codec.get());
        m_resampler->Reset();
        m_started = false;
        m_drained = false;
        m_discontinuity = true;
    }
    if (packet->size <= 0)
        return FlowStatus::Ok;
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
            break;
        if (FlowStatus status = ReceiveFrames(); status != FlowStatus::Ok)
            return status;
    }
    return ReceiveFrames();
}

FlowStatus CLavcAudioDecoder::Drain()
{
    if (!m_codec || m_drained)
        return FlowStatus::Ok;
    m_drained = true;
    const int ret = avcodec_send_packet(m_codec.get(), nullptr);
    if (ret >= 0 || ret == AVERROR_EOF) {
        if (FlowStatus status = ReceiveFrames(); status != FlowStatus::Ok)
            return status;
    }
    std::vector<CSwrResampler::Output> outputs;
    if (m_resampler->Flush(&outputs) == AVERROR(ENOMEM)) {
        ReportError(E_OUTOFMEMORY);
        return FlowStatus::Error;
    }
    return DeliverAll(outputs);
}

} // namespace vidlume
