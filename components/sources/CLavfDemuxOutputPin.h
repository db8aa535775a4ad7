#pragma once
// One output pin of the demultiplexer per video, audio or subtitle stream, offering the stream's
// compressed media type (MediaTypeFromCodecParameters) and nothing else. Its IMediaSeeking is
// the demultiplexer's, with the pin's own duration and current position (the start time of the
// last sample delivered on it).

#include "platform/graph/CBaseOutputPin.h"

#include <atomic>

namespace vidlume {

class CLavfDemultiplexer;

class CLavfDemuxOutputPin final : public CBaseOutputPin, public IMediaSeeking {
public:
    // duration: of the stream, kNoTime when unknown.
    CLavfDemuxOutputPin(CLavfDemultiplexer* filter, std::string id, CMediaType type, int streamIndex, REFERENCE_TIME duration);

    HRESULT QueryInterface(REFIID iid, void** ppv) override { return CBasePin::QueryInterface(iid, ppv); }
    ULONG AddRef() override { return CBasePin::AddRef(); }
    ULONG Release() override { return CBasePin::Release(); }

    int StreamIndex() const { return m_streamIndex; }
    const CMediaType& StreamType() const { return m_type; }
    REFERENCE_TIME Duration() const { return m_duration; }
    // Set by the streaming thread; read by anyone.
    void SetCurrentPosition(REFERENCE_TIME time) { m_current.store(time); }
    REFERENCE_TIME CurrentPosition() const { return m_current.load(); }

    // IMediaSeeking
    HRESULT GetCapabilities(uint32_t* capabilities) override;
    HRESULT CheckCapabilities(uint32_t* capabilities) override;
    HRESULT GetDuration(REFERENCE_TIME* duration) override;
    HRESULT GetStopPosition(REFERENCE_TIME* stop) override;
    HRESULT GetCurrentPosition(REFERENCE_TIME* current) override;
    HRESULT SetPositions(REFERENCE_TIME* current, uint32_t currentFlags, REFERENCE_TIME* stop, uint32_t stopFlags) override;
    HRESULT GetPositions(REFERENCE_TIME* current, REFERENCE_TIME* stop) override;

protected:
    HRESULT CheckMediaType(const CMediaType& type) override;
    HRESULT GetMediaType(int index, CMediaType* type) override;
    HRESULT QueryPinInterface(REFIID iid, void** ppv) override;

private:
    CLavfDemultiplexer* m_demux;
    const CMediaType m_type;
    const int m_streamIndex;
    const REFERENCE_TIME m_duration;
    std::atomic<REFERENCE_TIME> m_current { 0 };
};

} // namespace vidlume
