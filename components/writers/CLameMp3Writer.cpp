#include "CLameMp3Writer.h"

#include "components/ffmpeg/InterleavedAudio.h"
#include "platform/graph/CBaseInputPin.h"

#include <new>

#include <lame/lame.h>

#include <cstdarg>

namespace vidlume {

namespace {
    // LAME writes its messages to the console otherwise.
    void Silent(const char*, va_list) { }

    // What lame_encode_flush may produce at most (LAME's own figure).
    constexpr int kFlushBytes = 7200;
}

void CLameMp3Writer::LameDeleter::operator()(lame_global_struct* lame) const
{
    lame_close(lame);
}

class CLameMp3Writer::CInput final : public CBaseInputPin {
public:
    explicit CInput(CLameMp3Writer* filter) : CBaseInputPin(filter, "In"), m_owner(filter) { }

protected:
    HRESULT CheckMediaType(const CMediaType& type) override { return Accepts(type) ? S_OK : S_FALSE; }
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

    CLameMp3Writer* m_owner;
};

CLameMp3Writer::CLameMp3Writer() : CBaseFileSink(CLSID_MP3Writer)
{
    AddPin(std::make_unique<CInput>(this));
}

CLameMp3Writer::LamePtr CLameMp3Writer::OpenEncoder(const AudioFormat& format)
{
    LamePtr lame(lame_init());
    if (!lame)
        return nullptr;
    lame_set_errorf(lame.get(), &Silent);
    lame_set_debugf(lame.get(), &Silent);
    lame_set_msgf(lame.get(), &Silent);
    lame_set_in_samplerate(lame.get(), format.sampleRate);
    lame_set_num_channels(lame.get(), format.channels);
    // No ID3 tag in front, so the info frame is the first thing in the file.
    lame_set_write_id3tag_automatic(lame.get(), 0);
    lame_set_bWriteVbrTag(lame.get(), 1);
    if (lame_init_params(lame.get()) < 0)
        return nullptr;
    return lame;
}

bool CLameMp3Writer::Accepts(const CMediaType& type)
{
    AudioFormat f;
    if (!AudioFormatFromMediaType(type, &f))
        return false;
    if (f.sampleFormat != AV_SAMPLE_FMT_S16 && f.sampleFormat != AV_SAMPLE_FMT_FLT)
        return false;
    if (f.channels < 1 || f.channels > 2)
        return false;
    // LAME itself decides which rates it can resample from.
    return bool(OpenEncoder(f));
}

HRESULT CLameMp3Writer::OnStart()
{
    CBasePin* in = GetPin(0);
    if (!in->IsConnected() || !AudioFormatFromMediaType(in->CurrentMediaType(), &m_format))
        return VFW_E_NOT_CONNECTED;
    m_lame = OpenEncoder(m_format);
    if (!m_lame)
        return VFW_E_TYPE_NOT_ACCEPTED;
    m_position = 0;
    m_completed = false;
    return CreateOutputFile(m_file);
}

void CLameMp3Writer::OnStop()
{
    // Stopped in the middle: what was encoded still makes a complete file.
    if (m_lame && m_position > 0 && !m_completed) {
        try {
            Complete();
        } catch (const std::bad_alloc&) {
            // The file keeps LAME's placeholder frame; it still plays.
        }
    }
    m_file.Close();
    m_lame.reset();
}

HRESULT CLameMp3Writer::Append(const unsigned char* data, int length)
{
    if (length <= 0)
        return S_OK;
    HRESULT hr = m_file.Write(m_position, data, size_t(length));
    if (SUCCEEDED(hr))
        m_position += length;
    return hr;
}

HRESULT CLameMp3Writer::Complete()
{
    m_completed = true;
    m_buffer.resize(kFlushBytes);
    int n = lame_encode_flush(m_lame.get(), m_buffer.data(), int(m_buffer.size()));
    if (n < 0)
        return E_FAIL;
    HRESULT hr = Append(m_buffer.data(), n);
    if (FAILED(hr))
        return hr;
    size_t tag = lame_get_lametag_frame(m_lame.get(), m_buffer.data(), m_buffer.size());
    if (tag > m_buffer.size()) {
        m_buffer.resize(tag);
        tag = lame_get_lametag_frame(m_lame.get(), m_buffer.data(), m_buffer.size());
    }
    // The info frame takes the place of the empty frame LAME put first.
    if (tag > 0 && tag <= m_buffer.size() && int64_t(tag) <= m_position)
        hr = m_file.Write(0, m_buffer.data(), tag);
    return hr;
}

FlowStatus CLameMp3Writer::WriteSample(const CMediaSample& sample)
{
    InterleavedAudio audio;
    if (!InterleavedAudioOf(sample, m_format, &audio)) {
        ReportError(VFW_E_TYPE_NOT_ACCEPTED);
        return FlowStatus::NotNegotiated;
    }
    if (audio.frames == 0)
        return FlowStatus::Ok;
    if (m_completed)
        return FlowStatus::EndOfStream;
    m_buffer.resize(size_t(audio.frames) * 5 / 4 + 7200);
    const int capacity = int(m_buffer.size());
    int n;
    if (m_format.sampleFormat == AV_SAMPLE_FMT_S16) {
        // LAME only reads its input; the cast is for its older declarations.
        auto* pcm = const_cast<short*>(reinterpret_cast<const short*>(audio.data));
        n = m_format.channels == 2 ? lame_encode_buffer_interleaved(m_lame.get(), pcm, audio.frames, m_buffer.data(), capacity)
                                   : lame_encode_buffer(m_lame.get(), pcm, pcm, audio.frames, m_buffer.data(), capacity);
    } else {
        auto* pcm = reinterpret_cast<const float*>(audio.data);
        n = m_format.channels == 2
            ? lame_encode_buffer_interleaved_ieee_float(m_lame.get(), pcm, audio.frames, m_buffer.data(), capacity)
            : lame_encode_buffer_ieee_float(m_lame.get(), pcm, pcm, audio.frames, m_buffer.data(), capacity);
    }
    HRESULT hr = n < 0 ? (n == -2 ? E_OUTOFMEMORY : E_FAIL) : Append(m_buffer.data(), n);
    if (FAILED(hr)) {
        ReportError(hr);
        return FlowStatus::Error;
    }
    return FlowStatus::Ok;
}

FlowStatus CLameMp3Writer::Finish()
{
    if (m_completed)
        return FlowStatus::Ok;
    HRESULT hr = Complete();
    if (FAILED(hr)) {
        ReportError(hr);
        return FlowStatus::Error;
    }
    return FlowStatus::Ok;
}

} // namespace vidlume
