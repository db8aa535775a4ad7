#include "CFileStreamAvio.h"

#include <cerrno>
#include <cstdio>
#include <new>

namespace vidlume {

namespace {
    constexpr int kBufferSize = 256 * 1024;
}

CFileStreamAvio::CFileStreamAvio(IFileStream* stream) : m_stream(stream) { }

AVIOContextPtr CFileStreamAvio::OpenWriter()
{
    return Open(true);
}

AVIOContextPtr CFileStreamAvio::OpenReader()
{
    return Open(false);
}

AVIOContextPtr CFileStreamAvio::Open(bool write)
{
    // Also called from inside libavformat, where no exception may pass.
    Cursor* cursor = nullptr;
    try {
        cursor = &m_cursors.emplace_back(Cursor { this, 0 });
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    auto* buffer = static_cast<unsigned char*>(av_malloc(kBufferSize));
    if (!buffer)
        return nullptr;
    AVIOContextPtr io(avio_alloc_context(buffer, kBufferSize, write ? 1 : 0, cursor, write ? nullptr : &ReadPacket,
        write ? &WritePacket : nullptr, &Seek));
    if (!io)
        av_free(buffer);
    return io;
}

void CFileStreamAvio::Remember(HRESULT hr)
{
    if (SUCCEEDED(m_firstError))
        m_firstError = hr;
}

int CFileStreamAvio::ReadPacket(void* opaque, uint8_t* buffer, int size)
{
    auto* cursor = static_cast<Cursor*>(opaque);
    int32_t read = 0;
    HRESULT hr = cursor->owner->m_stream->Read(cursor->position, buffer, size, &read);
    if (FAILED(hr)) {
        cursor->owner->Remember(hr);
        return AVERROR(EIO);
    }
    if (read <= 0)
        return AVERROR_EOF;
    cursor->position += read;
    return read;
}

int CFileStreamAvio::WritePacket(void* opaque, uint8_t* buffer, int size)
{
    auto* cursor = static_cast<Cursor*>(opaque);
    HRESULT hr = cursor->owner->m_stream->Write(cursor->position, buffer, size);
    if (FAILED(hr)) {
        cursor->owner->Remember(hr);
        return AVERROR(EIO);
    }
    cursor->position += size;
    return size;
}

int64_t CFileStreamAvio::Seek(void* opaque, int64_t offset, int whence)
{
    auto* cursor = static_cast<Cursor*>(opaque);
    whence &= ~AVSEEK_FORCE;
    if (whence == AVSEEK_SIZE || whence == SEEK_END) {
        int64_t size = 0;
        HRESULT hr = cursor->owner->m_stream->GetSize(&size);
        if (FAILED(hr)) {
            cursor->owner->Remember(hr);
            return AVERROR(EIO);
        }
        if (whence == AVSEEK_SIZE)
            return size;
        offset += size;
    } else if (whence == SEEK_CUR) {
        offset += cursor->position;
    } else if (whence != SEEK_SET) {
        return AVERROR(EINVAL);
    }
    if (offset < 0)
        return AVERROR(EINVAL);
    cursor->position = offset;
    return offset;
}

} // namespace vidlume
