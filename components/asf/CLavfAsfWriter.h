#pragma once
// The Windows Media writer (CLSID_WMAsfWriter): a renderer that encodes raw sound and pictures to
// the streams of a Windows Media profile (IConfigAsfWriter) - Windows Media Audio 1/2 and
// Windows Media Video 7/8 from libavcodec, see CLavcWmaStream and CLavcWmvStream - and writes
// them with libavformat's ASF multiplexer into the file named through IFileSinkFilter.
//
// Pins: "Audio Input 01" takes raw audio, "Video Input 01" raw video, in any of the raw formats
// of CodecMediaTypes.h; the writer converts to what the profile asks for. The pins exist from
// the start and offer no types of their own. A profile stream whose pin is not connected at the
// start is left out of the file; a connected pin without a stream in the profile fails the start.
//
// Start (Pause/Run from stopped), in this order, each failure failing the start:
// - E_UNEXPECTED without a file name or a profile; VFW_E_NOT_CONNECTED with no input connected;
//   VFW_E_TYPE_NOT_ACCEPTED for a connected input the profile has no stream for;
// - the encoders open (their errors);
// - the file is created, never over an existing one: HResultFromWin32(80) when it exists,
//   HResultFromWin32(ERROR_PATH_NOT_FOUND) when its folder does not, E_ACCESSDENIED when it may
//   not be written; then the ASF header is written. A start that fails after creating the file
//   removes it again.
// Running: samples are encoded and written on the thread delivering them; the two inputs may be
// fed by different threads. An error is reported once (EC_ERRORABORT) and every later sample
// answers Error. When every connected input has ended, the encoders are drained, the index and
// the final header are written and the file closed - and only then EC_COMPLETE is sent.
// Stop before the end finishes the file the same way (without EC_COMPLETE), so what was
// converted so far stays playable. Starting again needs a new file name: the old file exists.

#include "CLavcWmaStream.h"
#include "CLavcWmvStream.h"

#include "platform/graph/CBaseFilter.h"
#include "platform/graph/CBaseInputPin.h"
#include "platform/graph/WindowsMediaInterfaces.h"

#include <mutex>
#include <optional>

namespace vidlume {

class CLavfAsfWriter final : public CBaseFilter, public IFileSinkFilter, public IConfigAsfWriter {
public:
    CLavfAsfWriter();
    ~CLavfAsfWriter() override;

    VIDLUME_UNKNOWN_VIA(CBaseFilter)

    // IFileSinkFilter. The type is ignored (the file is always ASF). VFW_E_NOT_STOPPED while running.
    HRESULT SetFileName(const std::string& path, const CMediaType* type) override;
    HRESULT GetCurFile(std::string* path, CMediaType* type) override;
    // IConfigAsfWriter. E_INVALIDARG for a profile without streams, with two of one kind, or with
    // a stream this writer cannot encode.
    HRESULT ConfigureFilterUsingProfile(IWMProfile* profile) override;

    void OnAllInputsEnded() override;

protected:
    HRESULT QueryOtherInterface(REFIID iid, void** ppv) override;
    HRESULT OnStart() override;
    void OnStop() override;

private:
    enum class Kind { Audio, Video };
    class CInputPin;
    // The open file as the custom I/O context sees it.
    struct FileSink {
        int fd = -1;
    };

    FlowStatus ReceiveOn(Kind kind, const CMediaSample& sample);
    FlowStatus EndOfStreamOn(Kind kind);
    FlowStatus Fail(HRESULT hr);
    HRESULT OpenSession(bool withAudio, bool withVideo);
    HRESULT CreateFile();
    HRESULT WritePacket(int streamIndex, AVRational codecTimeBase, AVPacket* packet);
    HRESULT FinishFile();
    void CloseSession(bool removeFile);

    static int WriteToFile(void* opaque, uint8_t* data, int size);
    static int64_t SeekInFile(void* opaque, int64_t offset, int whence);

    CInputPin* m_audioPin = nullptr;
    CInputPin* m_videoPin = nullptr;

    // Set while stopped, under m_stateLock.
    std::string m_path;
    std::optional<WM_STREAM_CONFIG> m_audioConfig;
    std::optional<WM_STREAM_CONFIG> m_videoConfig;
    bool m_audioFirst = true; // the profile's order of streams, kept in the file

    // One conversion, from start to stop, under m_sessionLock.
    std::mutex m_sessionLock;
    std::unique_ptr<CLavcWmaStream> m_audio;
    std::unique_ptr<CLavcWmvStream> m_video;
    int m_audioIndex = -1;
    int m_videoIndex = -1;
    bool m_audioEnded = false;
    bool m_videoEnded = false;
    AVOutputFormatContextPtr m_format;
    AVIOContextPtr m_io;
    FileSink m_file;
    bool m_fileCreated = false;
    bool m_finished = false;
    bool m_failed = false;
};

} // namespace vidlume
