#include "CPosixFileReader.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vidlume {

namespace {

    HRESULT HResultFromErrno(int error)
    {
        switch (error) {
        case ENOENT: return HResultFromWin32(ERROR_FILE_NOT_FOUND);
        case ENOTDIR: return HResultFromWin32(ERROR_PATH_NOT_FOUND);
        case EACCES:
        case EPERM:
        case EISDIR: return E_ACCESSDENIED;
        case ENOMEM: return E_OUTOFMEMORY;
        case EINVAL:
        case ENAMETOOLONG: return E_INVALIDARG;
        default: return E_FAIL;
        }
    }

} // namespace

HRESULT CPosixFileReader::Open(const std::string& path, std::unique_ptr<CByteReader>* reader)
{
    if (!reader)
        return E_POINTER;
    reader->reset();
    if (path.empty())
        return E_INVALIDARG;
    // Non-blocking, so that opening a pipe does not wait for a writer; a regular file ignores it.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return HResultFromErrno(errno);
    std::unique_ptr<CPosixFileReader> file(new (std::nothrow) CPosixFileReader(fd));
    if (!file) {
        ::close(fd);
        return E_OUTOFMEMORY;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        return HResultFromErrno(errno);
    // Parsers jump around in their input; only files and block devices (a disc) allow that.
    if (!S_ISREG(info.st_mode) && !S_ISBLK(info.st_mode))
        return E_ACCESSDENIED;
    *reader = std::move(file);
    return S_OK;
}

CPosixFileReader::~CPosixFileReader()
{
    ::close(m_fd);
}

HRESULT CPosixFileReader::ReadAt(int64_t position, int32_t length, uint8_t* buffer, int32_t* read)
{
    int32_t done = 0;
    while (done < length) {
        ssize_t n = ::pread(m_fd, buffer + done, size_t(length - done), off_t(position + done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            *read = done;
            return HResultFromErrno(errno);
        }
        if (n == 0)
            break;
        done += int32_t(n);
    }
    *read = done;
    return done == length ? S_OK : S_FALSE;
}

HRESULT CPosixFileReader::Length(int64_t* total, int64_t* available)
{
    if (!total || !available)
        return E_POINTER;
    struct stat info {};
    if (::fstat(m_fd, &info) != 0)
        return HResultFromErrno(errno);
    if (S_ISBLK(info.st_mode)) {
        off_t end = ::lseek(m_fd, 0, SEEK_END); // the file position is unused: reads are positioned
        if (end < 0)
            return HResultFromErrno(errno);
        info.st_size = end;
    }
    *total = info.st_size;
    *available = info.st_size;
    return S_OK;
}

} // namespace vidlume
