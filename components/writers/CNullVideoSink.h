#pragma once
// The null video sink (CLSID_NullVideoSink): takes a video stream and discards it, so a
// sound-only output can be made from a video source without decoding or encoding its pictures.
// A renderer: it reports EC_COMPLETE when the stream ends.
//
// Pin "In" (input): any video, raw or compressed, until IMediaTypeConfig narrows it.
//
// IMediaTypeConfig::SetMediaType(major, subtype) chooses what "In" takes, before it is
// connected: the major type must be MEDIATYPE_Video (or GUID_NULL, the same); a subtype of
// GUID_NULL means any video, another subtype only that one. VFW_E_ALREADY_CONNECTED once
// connected, E_INVALIDARG for a major type other than video.

#include "platform/graph/CBaseFilter.h"

#include <mutex>

namespace vidlume {

class CNullVideoSink final : public CBaseFilter, public IMediaTypeConfig {
public:
    CNullVideoSink();

    VIDLUME_UNKNOWN_VIA(CBaseFilter)

    // IMediaTypeConfig
    HRESULT SetMediaType(const Guid& majorType, const Guid& subtype) override;

protected:
    HRESULT QueryOtherInterface(REFIID iid, void** ppv) override;

private:
    class CInput;

    bool Accepts(const CMediaType& type);

    std::mutex m_typeLock;
    Guid m_subtype = GUID_NULL;
};

} // namespace vidlume
