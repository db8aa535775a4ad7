#pragma once
// Media types: what flows over a pin connection. A type is a major type (video, audio, byte
// stream), a subtype (the coding: H.264, AAC, PCM, I420 ...) and a format block whose layout the
// format type names: a video info header (1 or 2) for video, a wave format for audio. Codec set-up
// data (an H.264 decoder configuration, an AAC AudioSpecificConfig) follows the header inside
// the format block.

#include "platform/com/Guid.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace vidlume {

using REFERENCE_TIME = int64_t; // 100-nanosecond units
constexpr REFERENCE_TIME kUnitsPerSecond = 10'000'000;

constexpr Guid GUID_NULL {};

constexpr Guid MEDIATYPE_Video = MakeGuid("73646976-0000-0010-8000-00AA00389B71");
constexpr Guid MEDIATYPE_Audio = MakeGuid("73647561-0000-0010-8000-00AA00389B71");
constexpr Guid MEDIATYPE_Stream = MakeGuid("E436EB83-524F-11CE-9F53-0020AF0BA770");
constexpr Guid MEDIATYPE_Subtitle = MakeGuid("E487EB08-6B26-4BE9-9DD3-993434D313FD");

constexpr Guid FORMAT_None = MakeGuid("0F6417D6-C318-11D0-A43F-00A0C9223196");
constexpr Guid FORMAT_VideoInfo = MakeGuid("05589F80-C356-11CE-BF01-00AA0055595A");
constexpr Guid FORMAT_VideoInfo2 = MakeGuid("F72A76A0-EB0A-11D0-ACE4-0000C0CC16BA");
constexpr Guid FORMAT_WaveFormatEx = MakeGuid("05589F81-C356-11CE-BF01-00AA0055595A");
// Subtitles: the format block is the codec's set-up data alone (a DVD palette, a text style header).
constexpr Guid FORMAT_SubtitleInfo = MakeGuid("A33D2F7D-96BC-4337-B23B-A8B9FBC295E9");

// Compressed video.
constexpr Guid MEDIASUBTYPE_H264 = Guid::FromFourCC("H264");   // Annex B start codes
constexpr Guid MEDIASUBTYPE_AVC1 = Guid::FromFourCC("AVC1");   // length-prefixed, configuration in the format block
constexpr Guid MEDIASUBTYPE_MP4V = Guid::FromFourCC("mp4v");   // MPEG-4 Part 2
constexpr Guid MEDIASUBTYPE_MPEG1Packet = MakeGuid("E436EB80-524F-11CE-9F53-0020AF0BA770");
constexpr Guid MEDIASUBTYPE_MPEG1Video = MakeGuid("E436EB86-524F-11CE-9F53-0020AF0BA770");
constexpr Guid MEDIASUBTYPE_MPEG2_VIDEO = MakeGuid("E06D8026-DB46-11CF-B4D1-00805F6CBBEA");
// Compressed audio.
constexpr Guid MEDIASUBTYPE_AAC = Guid::FromFourCC(0x00FF);
constexpr Guid MEDIASUBTYPE_MP3 = Guid::FromFourCC(0x0055);
constexpr Guid MEDIASUBTYPE_MPEG1AudioPayload = Guid::FromFourCC(0x0050);
constexpr Guid MEDIASUBTYPE_WMAUDIO2 = Guid::FromFourCC(0x0161);
constexpr Guid MEDIASUBTYPE_DOLBY_AC3 = MakeGuid("E06D802C-DB46-11CF-B4D1-00805F6CBBEA");
// Subtitles.
constexpr Guid MEDIASUBTYPE_DVD_SUBPICTURE = MakeGuid("E06D802D-DB46-11CF-B4D1-00805F6CBBEA");
// Uncompressed.
constexpr Guid MEDIASUBTYPE_PCM = Guid::FromFourCC(0x0001);
constexpr Guid MEDIASUBTYPE_IEEE_FLOAT = Guid::FromFourCC(0x0003);
constexpr Guid MEDIASUBTYPE_I420 = Guid::FromFourCC("I420");
constexpr Guid MEDIASUBTYPE_NV12 = Guid::FromFourCC("NV12");
constexpr Guid MEDIASUBTYPE_RGB32 = MakeGuid("E436EB7E-524F-11CE-9F53-0020AF0BA770");
// Byte streams.
constexpr Guid MEDIASUBTYPE_NULL = GUID_NULL;

constexpr uint16_t WAVE_FORMAT_PCM = 0x0001;
constexpr uint16_t WAVE_FORMAT_IEEE_FLOAT = 0x0003;
constexpr uint16_t WAVE_FORMAT_EXTENSIBLE = 0xFFFE;

#pragma pack(push, 1)
struct RECT {
    int32_t left, top, right, bottom;
};
struct BITMAPINFOHEADER {
    uint32_t biSize = 40;
    int32_t biWidth = 0;
    int32_t biHeight = 0;
    uint16_t biPlanes = 1;
    uint16_t biBitCount = 0;
    uint32_t biCompression = 0;
    uint32_t biSizeImage = 0;
    int32_t biXPelsPerMeter = 0;
    int32_t biYPelsPerMeter = 0;
    uint32_t biClrUsed = 0;
    uint32_t biClrImportant = 0;
};
struct VIDEOINFOHEADER {
    RECT rcSource {};
    RECT rcTarget {};
    uint32_t dwBitRate = 0;
    uint32_t dwBitErrorRate = 0;
    REFERENCE_TIME AvgTimePerFrame = 0;
    BITMAPINFOHEADER bmiHeader {};
};
struct VIDEOINFOHEADER2 {
    RECT rcSource {};
    RECT rcTarget {};
    uint32_t dwBitRate = 0;
    uint32_t dwBitErrorRate = 0;
    REFERENCE_TIME AvgTimePerFrame = 0;
    uint32_t dwInterlaceFlags = 0;
    uint32_t dwCopyProtectFlags = 0;
    uint32_t dwPictAspectRatioX = 0;
    uint32_t dwPictAspectRatioY = 0;
    uint32_t dwControlFlags = 0;
    uint32_t dwReserved2 = 0;
    BITMAPINFOHEADER bmiHeader {};
};
struct WAVEFORMATEX {
    uint16_t wFormatTag = 0;
    uint16_t nChannels = 0;
    uint32_t nSamplesPerSec = 0;
    uint32_t nAvgBytesPerSec = 0;
    uint16_t nBlockAlign = 0;
    uint16_t wBitsPerSample = 0;
    uint16_t cbSize = 0;
};
#pragma pack(pop)
static_assert(sizeof(VIDEOINFOHEADER) == 88 && sizeof(VIDEOINFOHEADER2) == 112 && sizeof(WAVEFORMATEX) == 18);

// A media type with its own copy of the format block.
class CMediaType {
public:
    Guid majortype;
    Guid subtype;
    bool bFixedSizeSamples = false;
    bool bTemporalCompression = false;
    uint32_t lSampleSize = 0;
    Guid formattype = FORMAT_None;
    std::vector<uint8_t> format;

    CMediaType() = default;
    CMediaType(const Guid& major, const Guid& sub) : majortype(major), subtype(sub) { }

    // Typed views of the format block; null when the format type differs or the block is too
    // short for the header.
    const VIDEOINFOHEADER* VideoInfo() const { return Header<VIDEOINFOHEADER>(FORMAT_VideoInfo); }
    const VIDEOINFOHEADER2* VideoInfo2() const { return Header<VIDEOINFOHEADER2>(FORMAT_VideoInfo2); }
    const WAVEFORMATEX* WaveFormat() const { return Header<WAVEFORMATEX>(FORMAT_WaveFormatEx); }

    // The picture header of either video format, or null.
    const BITMAPINFOHEADER* BitmapHeader() const;
    // The frame duration of either video format; 0 when unknown or not video.
    REFERENCE_TIME AvgTimePerFrame() const;
    // The bytes after the header: codec set-up data. Empty when there are none.
    std::vector<uint8_t> ExtraData() const;

    // Builders: header followed by the codec set-up data.
    void SetVideoInfo2(const VIDEOINFOHEADER2& header, const std::vector<uint8_t>& extra = {});
    void SetVideoInfo(const VIDEOINFOHEADER& header, const std::vector<uint8_t>& extra = {});
    void SetWaveFormat(WAVEFORMATEX header, const std::vector<uint8_t>& extra = {});

    // True when every field matches; a GUID_NULL in the pattern's major or subtype matches anything.
    bool MatchesPartial(const CMediaType& pattern) const;
    std::string Describe() const; // for error texts and test messages

    friend bool operator==(const CMediaType&, const CMediaType&) = default;

private:
    template <class T>
    const T* Header(const Guid& type) const
    {
        return formattype == type && format.size() >= sizeof(T) ? reinterpret_cast<const T*>(format.data()) : nullptr;
    }
};

} // namespace vidlume
