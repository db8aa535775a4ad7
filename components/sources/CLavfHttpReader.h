#pragma once
// Reads an http:// or https:// address through FFmpeg's own http protocol. Positioned reads move
// the connection where the server allows ranges (a new request from that byte on); a server that
// does not gets read from front to back, and a read behind the current position starts over
// from the beginning.
//
// Never waits without a bound: every connect and every read gives up after kTimeout, and a read
// that waits ends at once (E_ABORT) on BeginFlush or Interrupt. Redirects are followed to http
// and https only, so a server cannot point the reader at a local file.

#include "components/ffmpeg/FFmpegHolders.h"
#include "components/sources/CByteReader.h"

#include <chrono>
#include <memory>
#include <mutex>
#include <string>

namespace vidlume {

class CLavfHttpReader final : public CByteReader {
public:
    static constexpr std::chrono::seconds kTimeout { 15 };

    // Connects and reads the response header. E_INVALIDARG for an address that is not http://
    // or https://; HResultFromWin32(ERROR_FILE_NOT_FOUND) for a missing resource (404),
    // E_ACCESSDENIED when the server refuses it (401, 403), VFW_E_TIMEOUT when the server does not
    // answer in time, E_FAIL when it cannot be reached.
    static HRESULT Open(const std::string& url, std::unique_ptr<CByteReader>* reader);

    // total: the size the server gave when it also allows ranges; otherwise -1 (the data is then
    // read from front to back) and available tells how far it was read.
    HRESULT Length(int64_t* total, int64_t* available) override;
    void Interrupt() override;

private:
    explicit CLavfHttpReader(std::string url) : m_url(std::move(url)) { }
    HRESULT ReadAt(int64_t position, int32_t length, uint8_t* buffer, int32_t* read) override;
    // With m_lock held.
    HRESULT Connect(int64_t offset);
    HRESULT MoveTo(int64_t position);
    HRESULT Failure(int error) const;
    static int Interrupted(void* opaque);

    const std::string m_url;
    std::mutex m_lock; // one request at a time: the connection has one position
    AVIOOpenedContextPtr m_io; // null after a failed read: the next read connects anew
    std::atomic<int64_t> m_size { -1 };
    std::atomic<bool> m_seekable { false };
    std::atomic<int64_t> m_received { 0 };
    std::atomic<uint64_t> m_interrupts { 0 };
    std::atomic<uint64_t> m_readEpoch { 0 }; // m_interrupts when the current read began
};

} // namespace vidlume
