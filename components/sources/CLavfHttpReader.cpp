#include "CLavfHttpReader.h"

#include <algorithm>
#include <cctype>
#include <mutex>

namespace vidlume {

namespace {

    bool HasScheme(const std::string& url, const char* scheme)
    {
        const size_t n = std::char_traits<char>::length(scheme);
        if (url.size() <= n)
            return false;
        for (size_t i = 0; i < n; ++i)
            if (std::tolower(static_cast<unsigned char>(url[i])) != scheme[i])
                return false;
        return true;
    }

} // namespace

HRESULT CLavfHttpReader::Open(const std::string& url, std::unique_ptr<CByteReader>* reader)
{
    if (!reader)
        return E_POINTER;
    reader->reset();
    if (!HasScheme(url, "http://") && !HasScheme(url, "https://"))
        return E_INVALIDARG;
    static std::once_flag networkReady;
    std::call_once(networkReady, [] { avformat_network_init(); });

    std::unique_ptr<CLavfHttpReader> http(new (std::nothrow) CLavfHttpReader(url));
    if (!http)
        return E_OUTOFMEMORY;
    std::lock_guard lock(http->m_lock);
    HRESULT hr = http->Connect(0);
    if (FAILED(hr))
        return hr;
    *reader = std::move(http);
    return S_OK;
}

int CLavfHttpReader::Interrupted(void* opaque)
{
    auto* self = static_cast<CLavfHttpReader*>(opaque);
    return self->IsFlushing() || self->m_interrupts.load() != self->m_readEpoch.load();
}

HRESULT CLavfHttpReader::Failure(int error) const
{
    return error == AVERROR_EXIT ? E_ABORT : HResultFromAVError(error);
}

HRESULT CLavfHttpReader::Connect(int64_t offset)
{
    m_io.reset();
    const std::string timeout = std::to_string(std::chrono::microseconds(kTimeout).count());
    AVDictionary* raw = nullptr;
    av_dict_set(&raw, "rw_timeout", timeout.c_str(), 0); // each read
    av_dict_set(&raw, "timeout", timeout.c_str(), 0);    // the socket's connect and reads
    av_dict_set(&raw, "protocol_whitelist", "http,https,tcp,tls", 0);
    if (offset > 0)
        av_dict_set(&raw, "offset", std::to_string(offset).c_str(), 0);
    AVIOInterruptCB interrupt { &CLavfHttpReader::Interrupted, this };
    AVIOContext* io = nullptr;
    const int ret = avio_open2(&io, m_url.c_str(), AVIO_FLAG_READ, &interrupt, &raw);
    AVDictionaryPtr unused(raw);
    if (ret < 0)
        return Failure(ret);
    m_io.reset(io);
    m_seekable.store((io->seekable & AVIO_SEEKABLE_NORMAL) != 0);
    const int64_t size = avio_size(io);
    if (size >= 0)
        m_size.store(size);
    return S_OK;
}

HRESULT CLavfHttpReader::MoveTo(int64_t position)
{
    HRESULT hr = S_OK;
    if (!m_io)
        hr = Connect(m_seekable.load() ? position : 0);
    else if (!m_seekable.load() && position < avio_tell(m_io.get()))
        hr = Connect(0); // no ranges: the only way back is from the start
    if (FAILED(hr))
        return hr;
    if (avio_tell(m_io.get()) == position)
        return S_OK;
    // Without ranges avio_seek reads its way forward.
    const int64_t at = avio_seek(m_io.get(), position, SEEK_SET);
    if (at < 0) {
        m_io.reset();
        return Failure(int(at));
    }
    return S_OK;
}

HRESULT CLavfHttpReader::ReadAt(int64_t position, int32_t length, uint8_t* buffer, int32_t* read)
{
    std::lock_guard lock(m_lock);
    m_readEpoch.store(m_interrupts.load());
    // A flush may have begun while this read waited for the lock.
    if (IsFlushing())
        return VFW_E_WRONG_STATE;
    const int64_t size = m_size.load();
    if (size >= 0 && position >= size)
        return S_FALSE;
    HRESULT hr = MoveTo(position);
    if (FAILED(hr))
        return hr;
    int32_t done = 0;
    while (done < length) {
        const int n = avio_read(m_io.get(), buffer + done, length - done);
        if (n == AVERROR_EOF || n == 0)
            break;
        if (n < 0) {
            // The connection is in an unknown state after a failure or an interruption.
            m_io.reset();
            *read = done;
            return Failure(n);
        }
        done += n;
    }
    *read = done;
    int64_t reached = position + done;
    int64_t seen = m_received.load();
    while (reached > seen && !m_received.compare_exchange_weak(seen, reached)) { }
    return done == length ? S_OK : S_FALSE;
}

HRESULT CLavfHttpReader::Length(int64_t* total, int64_t* available)
{
    if (!total || !available)
        return E_POINTER;
    const int64_t size = m_size.load();
    *total = m_seekable.load() && size >= 0 ? size : -1;
    *available = *total >= 0 ? *total : m_received.load();
    return S_OK;
}

void CLavfHttpReader::Interrupt()
{
    m_interrupts.fetch_add(1);
}

} // namespace vidlume
