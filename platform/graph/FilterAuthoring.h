#pragma once
// The media graph as component authors see it: samples and how they are delivered, end of
// stream, flushing, failures, and the byte-stream interfaces between sources and parsers and
// between multiplexers and writers. The base classes CBaseFilter, CBaseInputPin and
// CBaseOutputPin implement the user-facing interfaces of GraphInterfaces.h on top of these.
//
// Threads: a filter that produces data on its own (a parser reading a file, a disc source) owns
// one streaming thread, started when the graph leaves the stopped state and joined in Stop.
// Everything downstream runs on the thread that delivers to it: Receive and EndOfStream of an
// input pin are called by the upstream streaming thread, never concurrently for one pin.

#include "platform/graph/GraphInterfaces.h"

#include <memory>

extern "C" {
struct AVPacket;
struct AVFrame;
}

namespace vidlume {

constexpr REFERENCE_TIME kNoTime = INT64_MIN;

// The outcome of delivering a sample or an end of stream. Details of an error travel separately,
// as EC_ERRORABORT through the graph's event queue.
enum class FlowStatus {
    Ok,
    Flushing,      // the receiver is stopping or flushing: stop delivering, it is no error
    EndOfStream,   // the receiver wants no more data on this pin
    NotNegotiated, // the data does not fit the connection's media type
    Error,         // the receiver failed and has reported why
};

// One unit of media: a compressed packet or a decoded frame, shared (copying a sample shares the
// data; take your own reference with av_packet_ref/av_frame_ref to keep it beyond Receive).
// Packet and frame timestamps (pts, dts, duration) are in reference time, 100 ns units.
class CMediaSample {
public:
    CMediaSample() = default;
    // Takes ownership of the packet or frame; null gives an empty sample.
    static CMediaSample FromPacket(AVPacket* packet);
    static CMediaSample FromFrame(AVFrame* frame);

    AVPacket* Packet() const { return m_packet.get(); }
    AVFrame* Frame() const { return m_frame.get(); }
    bool IsEmpty() const { return !m_packet && !m_frame; }

    REFERENCE_TIME start = kNoTime; // presentation time of the first sample's first moment
    REFERENCE_TIME stop = kNoTime;
    bool syncPoint = false;     // a key frame / every audio packet
    bool discontinuity = false; // the first sample after a start or a seek

private:
    std::shared_ptr<AVPacket> m_packet;
    std::shared_ptr<AVFrame> m_frame;
};

// Implemented by input pins; called by the connected output pin on the upstream streaming thread.
struct IMemInputPin : IUnknown {
    static constexpr IID kIid = MakeGuid("031975F0-55A2-42F2-A113-9C51F42B86A3");
    virtual FlowStatus Receive(const CMediaSample& sample) = 0;
    // No more samples follow until the next start or flush. A filter that buffers data (an
    // encoder's delayed frames) delivers it before passing the end of stream on.
    virtual FlowStatus EndOfStream() = 0;
    // A seek: drop what is queued; Receive answers Flushing until EndFlush.
    virtual void BeginFlush() = 0;
    virtual void EndFlush() = 0;
};

// Implemented by the output pin of a byte source (file, network); parsers read through it.
// Thread-safe.
struct IAsyncReader : IUnknown {
    static constexpr IID kIid = MakeGuid("B7F8C466-2A80-4F8F-AB85-186828702D48");
    // Reads up to length bytes at position; *read gets the count. S_FALSE at the end of the data
    // (fewer bytes or none), a failure code when the source cannot be read.
    virtual HRESULT SyncRead(int64_t position, int32_t length, uint8_t* buffer, int32_t* read) = 0;
    // total: the size, or -1 when unknown (a live network stream); available: what can be read now.
    virtual HRESULT Length(int64_t* total, int64_t* available) = 0;
    // Makes reads that wait (for the network) fail at once until EndFlush; the parser calls it
    // before joining its streaming thread.
    virtual HRESULT BeginFlush() = 0;
    virtual HRESULT EndFlush() = 0;
};

// Implemented by the input pin of a file writer; a multiplexer writes through it at any position
// and may read back what it wrote (to move the index to the front). Used from one thread at a time.
struct IFileStream : IUnknown {
    static constexpr IID kIid = MakeGuid("A001153B-45D8-40D7-8FDC-A8BB31756895");
    virtual HRESULT Write(int64_t position, const uint8_t* data, int32_t length) = 0;
    virtual HRESULT Read(int64_t position, uint8_t* buffer, int32_t length, int32_t* read) = 0;
    virtual HRESULT GetSize(int64_t* size) = 0;
};

// Implemented by the graph; filters report events through it from any thread.
struct IMediaEventSink : IUnknown {
    static constexpr IID kIid = MakeGuid("85EE63E7-FE09-42B6-AD69-C1834BA369BC");
    virtual HRESULT Notify(long code, intptr_t param1, intptr_t param2) = 0;
};

// Hands out an interface the object itself implements, with a reference.
template <class I, class T>
HRESULT GetInterface(T* self, void** ppv)
{
    *ppv = static_cast<I*>(self);
    self->AddRef();
    return S_OK;
}

} // namespace vidlume

// For classes that add interfaces to a base that already implements IUnknown: one set of
// IUnknown methods for all of them.
#define VIDLUME_UNKNOWN_VIA(Base)                                                                  \
    HRESULT QueryInterface(::vidlume::REFIID iid, void** ppv) override { return Base::QueryInterface(iid, ppv); } \
    ::vidlume::ULONG AddRef() override { return Base::AddRef(); }                                   \
    ::vidlume::ULONG Release() override { return Base::Release(); }
