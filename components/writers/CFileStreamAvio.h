#pragma once
// libavformat's view of a file writer's IFileStream: a context that writes and seeks, and
// read-only contexts over the same stream for a muxer that reads back what it wrote (the MP4
// muxer does, to move its index to the front). Every context keeps its own position.
//
// The stream's own failure (disk full, writer already stopped) is kept, so the caller reports that
// HRESULT rather than FFmpeg's translation of it. Used from one thread at a time; the contexts
// must be freed before this object.

#include "components/ffmpeg/FFmpegHolders.h"
#include "platform/com/ComPtr.h"
#include "platform/graph/FilterAuthoring.h"

#include <list>

namespace vidlume {

class CFileStreamAvio {
public:
    explicit CFileStreamAvio(IFileStream* stream);
    CFileStreamAvio(const CFileStreamAvio&) = delete;
    CFileStreamAvio& operator=(const CFileStreamAvio&) = delete;

    // A context for writing from position 0, or null when memory runs out.
    AVIOContextPtr OpenWriter();
    // A context for reading from position 0, or null when memory runs out.
    AVIOContextPtr OpenReader();

    // The first failure of the stream, or S_OK.
    HRESULT FirstError() const { return m_firstError; }

private:
    struct Cursor {
        CFileStreamAvio* owner;
        int64_t position;
    };

    AVIOContextPtr Open(bool write);
    void Remember(HRESULT hr);

    static int ReadPacket(void* opaque, uint8_t* buffer, int size);
    static int WritePacket(void* opaque, uint8_t* buffer, int size);
    static int64_t Seek(void* opaque, int64_t offset, int whence);

    ComPtr<IFileStream> m_stream;
    std::list<Cursor> m_cursors; // one per context handed out; a few per file at most
    HRESULT m_firstError = S_OK;
};

} // namespace vidlume
