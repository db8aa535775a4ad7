#pragma once
// An output file the program creates and owns while a graph runs. It is only ever created new:
// a file that already exists is never opened, let alone overwritten. Once created it is written
// and read at any position.
//
// Thread-safe. Close waits for a read or write in flight, and every call after Close fails with
// VFW_E_WRONG_STATE without touching a descriptor, so a writer can be stopped while a
// multiplexer's streaming thread is still on its way to write.

#include "platform/com/HResult.h"

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>

namespace vidlume {

// Results beyond HResult.h's list, with their customary values.
constexpr HRESULT kErrorFileExists = HResultFromWin32(80);    // ERROR_FILE_EXISTS
constexpr HRESULT kErrorDiskFull = HResultFromWin32(112);     // ERROR_DISK_FULL
constexpr HRESULT kErrorNameTooLong = HResultFromWin32(206);  // ERROR_FILENAME_EXCED_RANGE
constexpr HRESULT kErrorFileTooLarge = HResultFromWin32(223); // ERROR_FILE_TOO_LARGE

class CExclusiveFile {
public:
    CExclusiveFile() = default;
    ~CExclusiveFile();
    CExclusiveFile(const CExclusiveFile&) = delete;
    CExclusiveFile& operator=(const CExclusiveFile&) = delete;

    // Creates the file for reading and writing. kErrorFileExists when a file of that name exists
    // (it is left untouched), E_ACCESSDENIED for a folder the program may not write to,
    // HResultFromWin32(ERROR_PATH_NOT_FOUND) when the folder does not exist, VFW_E_WRONG_STATE
    // when this object already has a file open.
    HRESULT Create(const std::string& path);

    // Writes every byte at the position; the file grows as needed. kErrorDiskFull when the disk
    // is full, kErrorFileTooLarge past the file system's limit.
    HRESULT Write(int64_t position, const void* data, size_t length);
    // Reads up to length bytes at the position; *read gets the count. S_FALSE when the file ends
    // before length bytes.
    HRESULT Read(int64_t position, void* buffer, size_t length, size_t* read);
    HRESULT GetSize(int64_t* size);

    bool IsOpen();
    // Closes the file. A file that never had a byte written is removed as well: when another
    // filter fails to start after this one created its file, no empty file is left behind.
    // Does nothing when no file is open.
    void Close();

    // The result code for an errno value of the file functions.
    static HRESULT HResultFromErrno(int error);

private:
    std::mutex m_lock;
    int m_fd = -1;
    std::string m_path;
    bool m_written = false;
};

} // namespace vidlume
