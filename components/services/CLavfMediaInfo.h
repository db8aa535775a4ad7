#pragma once
// The media-information component (CLSID_MediaInfo, IMediaInfo) on libavformat, libavcodec and
// swscale.
//
// Open takes local regular files only (never a device, a pipe or a network address; the path
// is read through FFmpeg's file protocol alone) and fails with
//   HResultFromWin32(ERROR_FILE_NOT_FOUND / ERROR_PATH_NOT_FOUND) for a missing path,
//   E_ACCESSDENIED for an unreadable one, VFW_E_UNKNOWN_FILE_TYPE for anything but a regular
//   file, VFW_E_FILE_TOO_SHORT for an empty file, FFmpeg's reason (usually
//   VFW_E_UNKNOWN_FILE_TYPE or VFW_E_INVALID_FILE_FORMAT) for what it cannot read, and
//   VFW_E_INVALID_FILE_FORMAT for a file with neither video nor audio.
// The main video stream is the largest picture that is not cover art; the main audio stream is
// the one FFmpeg would play.
//
// Bounded work: opening may take at most 15 s and a frame picture 10 s of wall time (VFW_E_TIMEOUT
// after that), and a frame picture reads at most 20000 packets, so a damaged or hostile file
// costs a failure code, never a hang. Thread-safe: calls on one object are serialised.

#include "platform/com/CComObject.h"
#include "platform/graph/MediaInfoInterfaces.h"

#include "components/ffmpeg/FFmpegHolders.h"

#include <chrono>
#include <mutex>

namespace vidlume {

class CLavfMediaInfo final : public CComObject<IMediaInfo> {
public:
    HRESULT Open(const std::string& path) override;
    HRESULT GetDuration(double* seconds) override;
    HRESULT GetVideoSize(uint16_t* width, uint16_t* height) override;
    HRESULT GetFrameBitmap(double seconds, int32_t width, int32_t height, std::vector<uint8_t>* bitmap) override;
    HRESULT GetStreams(bool* hasVideo, bool* hasAudio) override;
    HRESULT GetAudioFormat(uint32_t* sampleRate, uint16_t* channels, uint16_t* bitsPerSample) override;
    HRESULT GetFrameRate(double* framesPerSecond) override;

private:
    HRESULT OpenFile(const std::string& path);
    void Close();
    HRESULT OpenDecoder();
    HRESULT DecodeFrameAt(double seconds, AVFramePtr* picture);
    static HRESULT PackBitmap(const AVFrame& picture, int width, int height, std::vector<uint8_t>* bitmap);
    static int Interrupted(void* self);

    std::mutex m_lock;
    AVInputFormatContextPtr m_format;
    AVCodecContextPtr m_decoder; // the main video stream's, opened for the first picture
    int m_video = -1;
    int m_audio = -1;
    // The end of the current call's time budget; read by FFmpeg's interrupt callback, which runs
    // on the calling thread.
    std::chrono::steady_clock::time_point m_deadline;
};

} // namespace vidlume
