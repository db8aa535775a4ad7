#include "CExclusiveFile.h"

#include "platform/graph/GraphInterfaces.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vidlume {

CExclusiveFile::~CExclusiveFile()
{
    Close();
}

HRESULT CExclusiveFile::HResultFromErrno(int error)
{
    switch (error) {
    case 0: return S_OK;
    case EEXIST: return kErrorFileExists;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return E_ACCESSDENIED;
    case ENOENT:
    case ENOTDIR: return HResultFromWin32(ERROR_PATH_NOT_FOUND);
    case ENOSPC:
    case EDQUOT: return kErrorDiskFull;
    case EFBIG: return kErrorFileTooLarge;
    case ENAMETOOLONG: return kErrorNameTooLong;
    case EINVAL: return E_INVALIDARG;
    case ENOMEM: return E_OUTOFMEMORY;
    case EIO: return HResultFromWin32(ERROR_WRITE_FAULT);
    default: return E_FAIL;
    }
}

HRESULT CExclusiveFile::Create(const std::string& path)
{
    if (path.empty())
        return E_INVALIDARG;
    std::lock_guard lock(m_lock);
    if (m_fd >= 0)
        return VFW_E_WRONG_STATE;
    int fd;
    do
        fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return HResultFromErrno(errno);
    m_fd = fd;
    m_path = path;
    m_written = false;
    return S_OK;
}

HRESULT CExclusiveFile::Write(int64_t position, const void* data, size_t length)
{
    if (position < 0 || (!data && length))
        return E_INVALIDARG;
    std::lock_guard lock(m_lock);
    if (m_fd < 0)
        return VFW_E_WRONG_STATE;
    auto bytes = static_cast<const uint8_t*>(data);
    while (length > 0) {
        ssize_t n = ::pwrite(m_fd, bytes, length, off_t(position));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return HResultFromErrno(errno);
        }
        if (n == 0)
            return HResultFromWin32(ERROR_WRITE_FAULT);
        m_written = true;
        bytes += n;
        length -= size_t(n);
        position += n;
    }
    return S_OK;
}

HRESULT CExclusiveFile::Read(int64_t position, void* buffer, size_t length, size_t* read)
{
    if (!read || (!buffer && length))
        return E_POINTER;
    *read = 0;
    if (position < 0)
        return E_INVALIDARG;
    std::lock_guard lock(m_lock);
    if (m_fd < 0)
        return VFW_E_WRONG_STATE;
    auto bytes = static_cast<uint8_t*>(buffer);
    while (*read < length) {
        ssize_t n = ::pread(m_fd, bytes + *read, length - *read, off_t(position + int64_t(*read)));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return HResultFromErrno(errno);
        }
        if (n == 0)
            break;
        *read += size_t(n);
    }
    return *read == length ? S_OK : S_FALSE;
}

HRESULT CExclusiveFile::GetSize(int64_t* size)
{
    if (!size)
        return E_POINTER;
    std::lock_guard lock(m_lock);
    if (m_fd < 0)
        return VFW_E_WRONG_STATE;
    struct stat st {};
    if (::fstat(m_fd, &st) != 0)
        return HResultFromErrno(errno);
    *size = int64_t(st.st_size);
    return S_OK;
}

bool CExclusiveFile::IsOpen()
{
    std::lock_guard lock(m_lock);
    return m_fd >= 0;
}

void CExclusiveFile::Close()
{
    std::lock_guard lock(m_lock);
    if (m_fd < 0)
        return;
    ::close(m_fd);
    m_fd = -1;
    // We created the file, so an empty one is ours to take away again.
    if (!m_written)
        ::unlink(m_path.c_str());
    m_path.clear();
}

} // namespace vidlume
