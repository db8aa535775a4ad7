#pragma once
// Windows Media output as the format handler sees it: a profile manager that reads a profile
// from its XML text, the profile it hands out (what each stream is: codec, rates, picture size,
// quality), and the writer's configuration interface that takes such a profile. The writer itself
// (CLSID_WMAsfWriter, GraphInterfaces.h) is an ordinary filter with IFileSinkFilter and the input
// pins "Audio Input 01" and "Video Input 01".
//
// The handler creates everything by CLSID and never includes a component header:
//
//   ComPtr<IWMProfileManager> manager;
//   WMCreateProfileManager(manager.ReleaseAndGetAddressOf());
//   ComPtr<IWMProfile> profile;
//   manager->LoadProfileByData(text, profile.ReleaseAndGetAddressOf());
//   writerConfig->ConfigureFilterUsingProfile(profile.Get());

#include "platform/com/CClassRegistry.h"
#include "platform/graph/MediaType.h"

#include <string>

namespace vidlume {

// One stream of a profile, read back from it. Values the profile text leaves out keep the
// defaults below.
struct WM_STREAM_CONFIG {
    Guid streamType;            // MEDIATYPE_Audio or MEDIATYPE_Video
    uint16_t streamNumber = 0;  // 1 to 127, unique in the profile
    std::string streamName;
    std::string connectionName; // the profile's "inputname"
    uint32_t bitrate = 0;       // bits per second; 0 for a quality-based video stream
    int32_t bufferWindow = -1;  // milliseconds, -1: the codec's default
    bool vbrEnabled = false;
    uint32_t vbrQuality = 0;    // 0 to 100, with vbrEnabled
    uint32_t bitrateMax = 0;    // 0: no peak limit
    int32_t bufferWindowMax = 0;
    REFERENCE_TIME maxKeyFrameSpacing = 0; // video: longest distance between key frames, 0: codec default
    uint32_t quality = 0;                  // video: the smoothness/sharpness trade-off, 0 to 100
    std::string language;                  // RFC 1766 tag, e.g. "de"
    // The stream's coded type: a WAVEFORMATEX followed by the codec data for audio, a
    // VIDEOINFOHEADER for video. A video size of 0 x 0 stands for the size of the source.
    CMediaType mediaType;
};

struct IWMProfile : IUnknown {
    static constexpr IID kIid = MakeGuid("DA65027F-8C14-4802-BD43-FD7C98360493");
    virtual HRESULT GetVersion(uint32_t* version) = 0;
    virtual HRESULT GetName(std::string* name) = 0;
    virtual HRESULT GetDescription(std::string* description) = 0;
    virtual HRESULT GetStreamCount(uint32_t* count) = 0;
    // In the order of the profile text. E_INVALIDARG past the last stream.
    virtual HRESULT GetStream(uint32_t index, WM_STREAM_CONFIG* stream) = 0;
};

struct IWMProfileManager : IUnknown {
    static constexpr IID kIid = MakeGuid("CFA04B88-5740-498B-9960-27E823C19007");
    // Reads a profile from its XML text (8-bit, UTF-8 or plain ASCII). On success *profile holds
    // a new profile the caller owns; on failure it is null and nothing was kept. A text that is
    // not well-formed, has no stream, or names values no writer could honour (an unknown codec,
    // a picture or rate of zero or of an absurd size) fails here, never later.
    // Thread-safe.
    virtual HRESULT LoadProfileByData(const std::string& xmlText, IWMProfile** profile) = 0;
};

struct IConfigAsfWriter : IUnknown {
    static constexpr IID kIid = MakeGuid("C57205C2-6334-40C3-BD00-0C13731D361F");
    // The writer encodes to the profile's streams from the next start on; the writer reads what
    // it needs from the profile at once and keeps no reference to it. Only while stopped
    // (VFW_E_NOT_STOPPED otherwise). A stream whose input pin is not connected when the graph
    // starts is left out of the file.
    virtual HRESULT ConfigureFilterUsingProfile(IWMProfile* profile) = 0;
};

constexpr CLSID CLSID_WMProfileManager = MakeGuid("E6ED6F15-8DF6-4E3B-AF9F-BD709239B1FF");

// Creates the profile manager through the class registry. *manager is null on failure.
inline HRESULT WMCreateProfileManager(IWMProfileManager** manager)
{
    if (!manager)
        return E_POINTER;
    *manager = nullptr;
    void* pv = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_WMProfileManager, IWMProfileManager::kIid, &pv);
    if (SUCCEEDED(hr))
        *manager = static_cast<IWMProfileManager*>(pv);
    return hr;
}

} // namespace vidlume
