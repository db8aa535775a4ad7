#pragma once
// What a byte source reads from: a file, a network address, a block of memory. The source
// filter's output pin serves IAsyncReader on top of one of these, so a parser reads every kind of
// source the same way.

#include "platform/graph/GraphInterfaces.h"

#include <atomic>
#include <cstdint>

namespace vidlume {

class CByteReader {
public:
    virtual ~CByteReader() = default;
    CByteReader(const CByteReader&) = delete;
    CByteReader& operator=(const CByteReader&) = delete;

    // Thread-safe. Reads up to length bytes at position into buffer; *read gets the count. S_OK
    // when all were read, S_FALSE at the end of the data (fewer bytes or none), a failure code
    // when the data cannot be read: VFW_E_WRONG_STATE while flushing, E_ABORT for a read that
    // was waiting when it was interrupted, E_INVALIDARG for a negative position or length.
    HRESULT Read(int64_t position, int32_t length, uint8_t* buffer, int32_t* read);

    // Thread-safe. total: the size, or -1 when it is unknown or the data can only be read from
    // front to back; available: what can be read now without waiting.
    virtual HRESULT Length(int64_t* total, int64_t* available) = 0;

    // Until EndFlush every read fails at once, and a read that waits (for the network) ends.
    void BeginFlush();
    void EndFlush();

    // Ends a read that waits now; later reads go on as usual. Nothing to do for sources that
    // never wait.
    virtual void Interrupt() { }

protected:
    CByteReader() = default;

    // Read after the arguments were checked and the reader was found not flushing.
    virtual HRESULT ReadAt(int64_t position, int32_t length, uint8_t* buffer, int32_t* read) = 0;
    bool IsFlushing() const { return m_flushing.load(); }

private:
    std::atomic<bool> m_flushing { false };
};

} // namespace vidlume
