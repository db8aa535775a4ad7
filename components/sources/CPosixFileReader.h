#pragma once
// Reads a local file with positioned reads (pread), so any number of threads may read at once
// without sharing a file position.

#include "components/sources/CByteReader.h"

#include <memory>
#include <string>

namespace vidlume {

class CPosixFileReader final : public CByteReader {
public:
    // Opens the file for reading. HResultFromWin32(ERROR_FILE_NOT_FOUND) when it does not exist
    // (or a folder on its path does not), E_ACCESSDENIED when it may not be read or is not
    // something that can be read at any position (a folder, a pipe), E_INVALIDARG for an empty
    // path. An empty file opens: it is the parser that finds it too short.
    static HRESULT Open(const std::string& path, std::unique_ptr<CByteReader>* reader);
    ~CPosixFileReader() override;

    // The file's current size (a file still being written grows).
    HRESULT Length(int64_t* total, int64_t* available) override;

private:
    explicit CPosixFileReader(int fd) : m_fd(fd) { }
    HRESULT ReadAt(int64_t position, int32_t length, uint8_t* buffer, int32_t* read) override;

    const int m_fd;
};

} // namespace vidlume
