#include "CWaveFileWriter.h"

#include "components/ffmpeg/InterleavedAudio.h"
#include "platform/graph/CBaseInputPin.h"

extern "C" {
#include <libavutil/channel_layout.h>
}

#include <new>

namespace vidlume {

namespace {

    void Put16(std::vector<uint8_t>& out, uint32_t v)
    {
        out.push_back(uint8_t(v));
        out.push_back(uint8_t(v >> 8));
    }
    void Put32(std::vector<uint8_t>& out, uint32_t v)
    {
        Put16(out, v & 0xFFFF);
        Put16(out, v >> 16);
    }
    void PutTag(std::vector<uint8_t>& out, const char* tag)
    {
        out.insert(out.end(), tag, tag + 4);
    }
    void PutGuid(std::vector<uint8_t>& out, const Guid& g)
    {
        Put32(out, g.data1);
        Put16(out, g.data2);
        Put16(out, g.data3);
        out.insert(out.end(), g.data4.begin(), g.data4.end());
    }

    // Integer PCM only: every player reads it, and a decoder that gives float is followed by the
    // audio converter, whose first offer is 16-bit.
    bool IsWaveSampleFormat(AVSampleFormat f)
    {
        return f == AV_SAMPLE_FMT_U8 || f == AV_SAMPLE_FMT_S16 || f == AV_SAMPLE_FMT_S32;
    }

    uint32_t SpeakerMask(int channels)
    {
        AVChannelLayout layout {};
        av_channel_layout_default(&layout, channels);
        // FFmpeg's first eighteen channel bits are the Wave speaker positions.
        const uint32_t mask = layout.order == AV_CHANNEL_ORDER_NATIVE ? uint32_t(layout.u.mask & 0x3FFFF) : 0;
        av_channel_layout_uninit(&layout);
        return mask;
    }

} // namespace

class CWaveFileWriter::CInput final : public CBaseInputPin {
public:
    explicit CInput(CWaveFileWriter* filter) : CBaseInputPin(filter, "In"), m_owner(filter) { }

protected:
    HRESULT CheckMediaType(const CMediaType& type) override
    {
        AudioFormat f;
        if (!AudioFormatFromMediaType(type, &f) || !IsWaveSampleFormat(f.sampleFormat))
            return S_FALSE;
        // The header's block size and byte rate must fit their fields.
        const uint64_t blockAlign = uint64_t(AudioBlockAlign(f));
        return blockAlign <= 0xFFFF && blockAlign * uint64_t(f.sampleRate) <= 0xFFFFFFFFu ? S_OK : S_FALSE;
    }
    FlowStatus OnReceive(const CMediaSample& sample) override
    {
        try {
            return m_owner->WriteSample(sample);
        } catch (const std::bad_alloc&) {
            return OutOfMemory();
        }
    }
    FlowStatus OnEndOfStream() override
    {
        try {
            return m_owner->Finish();
        } catch (const std::bad_alloc&) {
            return OutOfMemory();
        }
    }

private:
    // Buffers grow with the samples; running out of memory ends the run, not the program.
    FlowStatus OutOfMemory()
    {
        m_owner->ReportError(E_OUTOFMEMORY);
        return FlowStatus::Error;
    }

    CWaveFileWriter* m_owner;
};

CWaveFileWriter::CWaveFileWriter(uint64_t riffLimit) : CBaseFileSink(CLSID_WaveWriter), m_riffLimit(riffLimit)
{
    AddPin(std::make_unique<CInput>(this));
}

uint32_t CWaveFileWriter::FormatChunkSize() const
{
    return IsExtensible() ? 40 : 16;
}

uint64_t CWaveFileWriter::HeaderSize() const
{
    return 12 + 8 + FormatChunkSize() + (HasFactChunk() ? 12 : 0) + 8;
}

uint64_t CWaveFileWriter::RiffSize(uint64_t dataBytes) const
{
    // RIFF chunks are padded to an even size.
    return HeaderSize() - 8 + dataBytes + (dataBytes & 1);
}

std::vector<uint8_t> CWaveFileWriter::Header() const
{
    const int bits = av_get_bytes_per_sample(m_format.sampleFormat) * 8;
    const uint32_t blockAlign = uint32_t(AudioBlockAlign(m_format));
    std::vector<uint8_t> h;
    h.reserve(size_t(HeaderSize()));
    PutTag(h, "RIFF");
    Put32(h, uint32_t(RiffSize(m_dataBytes)));
    PutTag(h, "WAVE");
    PutTag(h, "fmt ");
    Put32(h, FormatChunkSize());
    Put16(h, IsExtensible() ? WAVE_FORMAT_EXTENSIBLE : WAVE_FORMAT_PCM);
    Put16(h, uint32_t(m_format.channels));
    Put32(h, uint32_t(m_format.sampleRate));
    Put32(h, uint32_t(m_format.sampleRate) * blockAlign);
    Put16(h, blockAlign);
    Put16(h, uint32_t(bits));
    if (IsExtensible()) {
        Put16(h, 22);
        Put16(h, uint32_t(bits));
        Put32(h, SpeakerMask(m_format.channels));
        PutGuid(h, Guid::FromFourCC(WAVE_FORMAT_PCM));
    }
    if (HasFactChunk()) {
        PutTag(h, "fact");
        Put32(h, 4);
        Put32(h, uint32_t(std::min<uint64_t>(m_frames, 0xFFFFFFFFu)));
    }
    PutTag(h, "data");
    Put32(h, uint32_t(m_dataBytes));
    return h;
}

HRESULT CWaveFileWriter::WriteHeader()
{
    const std::vector<uint8_t> header = Header();
    HRESULT hr = m_file.Write(0, header.data(), header.size());
    if (SUCCEEDED(hr))
        m_headerWritten = true;
    return hr;
}

HRESULT CWaveFileWriter::Complete()
{
    if (m_dataBytes & 1) {
        const uint8_t pad = 0;
        HRESULT hr = m_file.Write(int64_t(HeaderSize() + m_dataBytes), &pad, 1);
        if (FAILED(hr))
            return hr;
    }
    return WriteHeader();
}

HRESULT CWaveFileWriter::OnStart()
{
    CBasePin* in = GetPin(0);
    if (!in->IsConnected() || !AudioFormatFromMediaType(in->CurrentMediaType(), &m_format))
        return VFW_E_NOT_CONNECTED;
    m_dataBytes = 0;
    m_frames = 0;
    m_headerWritten = false;
    m_full = false;
    return CreateOutputFile(m_file);
}

void CWaveFileWriter::OnStop()
{
    // Stopped in the middle: the samples written so far still make a valid file.
    if (m_headerWritten) {
        try {
            Complete();
        } catch (const std::bad_alloc&) {
            // The header stays as it was last written.
        }
    }
    m_file.Close();
}

FlowStatus CWaveFileWriter::WriteSample(const CMediaSample& sample)
{
    InterleavedAudio audio;
    if (!InterleavedAudioOf(sample, m_format, &audio)) {
        ReportError(VFW_E_TYPE_NOT_ACCEPTED);
        return FlowStatus::NotNegotiated;
    }
    if (audio.bytes == 0)
        return FlowStatus::Ok;
    if (m_full)
        return FlowStatus::Error;
    HRESULT hr = m_headerWritten ? S_OK : WriteHeader();
    if (SUCCEEDED(hr) && RiffSize(m_dataBytes + audio.bytes) > m_riffLimit) {
        // Nothing more goes in, so the file can be completed now.
        m_full = true;
        Complete();
        hr = kErrorFileTooLarge;
    }
    if (SUCCEEDED(hr))
        hr = m_file.Write(int64_t(HeaderSize() + m_dataBytes), audio.data, audio.bytes);
    if (FAILED(hr)) {
        ReportError(hr);
        return FlowStatus::Error;
    }
    m_dataBytes += audio.bytes;
    m_frames += uint64_t(audio.frames);
    return FlowStatus::Ok;
}

FlowStatus CWaveFileWriter::Finish()
{
    HRESULT hr = Complete();
    if (FAILED(hr)) {
        ReportError(hr);
        return FlowStatus::Error;
    }
    return FlowStatus::Ok;
}

} // namespace vidlume
