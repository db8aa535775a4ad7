#pragma once
// The Windows Media codecs this group can write, and the limits a profile must keep to. Shared
// by the profile manager, which refuses what the writer could not honour, and the writer.

#include "components/ffmpeg/FFmpegHolders.h"
#include "platform/graph/MediaType.h"

namespace vidlume {

constexpr Guid MEDIASUBTYPE_WMV1 = Guid::FromFourCC("WMV1"); // Windows Media Video 7
constexpr Guid MEDIASUBTYPE_WMV2 = Guid::FromFourCC("WMV2"); // Windows Media Video 8
constexpr Guid MEDIASUBTYPE_WMAUDIO1 = Guid::FromFourCC(0x0160);

// Largest picture side; anything beyond is a broken profile rather than a wish.
constexpr int kMaxWindowsMediaPictureSide = 8192;
// Frame durations from 1/1000 s to 10 s; 0 means the source's rate.
constexpr REFERENCE_TIME kMinWindowsMediaFrameDuration = 10'000;
constexpr REFERENCE_TIME kMaxWindowsMediaFrameDuration = 100'000'000;
// The WMA encoders take one or two channels at up to 48 kHz.
constexpr uint32_t kMinWindowsMediaSampleRate = 8000;
constexpr uint32_t kMaxWindowsMediaSampleRate = 48000;
constexpr uint16_t kMaxWindowsMediaChannels = 2;

// The libavcodec encoder for a profile's subtype, or AV_CODEC_ID_NONE.
inline AVCodecID WindowsMediaEncoder(const Guid& subtype)
{
    if (subtype == MEDIASUBTYPE_WMV2)
        return AV_CODEC_ID_WMV2;
    if (subtype == MEDIASUBTYPE_WMV1)
        return AV_CODEC_ID_WMV1;
    if (subtype == MEDIASUBTYPE_WMAUDIO2)
        return AV_CODEC_ID_WMAV2;
    if (subtype == MEDIASUBTYPE_WMAUDIO1)
        return AV_CODEC_ID_WMAV1;
    return AV_CODEC_ID_NONE;
}

} // namespace vidlume
