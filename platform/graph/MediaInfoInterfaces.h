#pragma once
// The media-information component (CLSID_MediaInfo, GraphInterfaces.h): what a media file holds
// - its length, picture size and rate, sound format - and a small picture of one of its frames,
// for the media lists and the file properties. Created afresh for each use or kept by one
// worker; every call does a bounded amount of work, so a damaged file costs a failure code,
// never a hang.

#include "platform/com/IUnknown.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vidlume {

// The operations keep the order in which the program's callers know them.
struct IMediaInfo : IUnknown {
    static constexpr IID kIid = MakeGuid("C771CC0B-BF97-41B5-BB81-00956A9BB928");

    // Opens a local file (UTF-8 path), closing whatever was open before. Fails for a missing or
    // unreadable path, anything that is not a regular file, and a file with neither a video nor
    // an audio stream; the object then holds nothing and every query answers E_UNEXPECTED.
    virtual HRESULT Open(const std::string& path) = 0;
    // The length in seconds; E_FAIL when the file does not tell.
    virtual HRESULT GetDuration(double* seconds) = 0;
    // The stored picture size of the main video stream. VFW_E_NOT_FOUND without video, E_FAIL
    // when the size is unknown or does not fit 16 bits.
    virtual HRESULT GetVideoSize(uint16_t* width, uint16_t* height) = 0;
    // The frame shown at the position, scaled to exactly width x height (1 to 4096 each), as a
    // packed device-independent bitmap: a BITMAPINFOHEADER (40 bytes, 24 bits per pixel,
    // uncompressed, bottom-up) followed by the pixels, blue-green-red, each row padded to four
    // bytes. A position past the end gives the last frame. *bitmap is emptied on failure.
    virtual HRESULT GetFrameBitmap(double seconds, int32_t width, int32_t height, std::vector<uint8_t>* bitmap) = 0;
    // Whether the file has a video stream (cover art does not count) and an audio stream.
    virtual HRESULT GetStreams(bool* hasVideo, bool* hasAudio) = 0;
    // The main audio stream's format. Compressed sound without a stored resolution reports 16
    // bits, the resolution it is played back at. VFW_E_NOT_FOUND without audio.
    virtual HRESULT GetAudioFormat(uint32_t* sampleRate, uint16_t* channels, uint16_t* bitsPerSample) = 0;
    // Frames per second of the main video stream. VFW_E_NOT_FOUND without video, E_FAIL when unknown.
    virtual HRESULT GetFrameRate(double* framesPerSecond) = 0;
};

} // namespace vidlume
