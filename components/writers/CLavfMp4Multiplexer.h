#pragma once
// The MP4 multiplexer (CLSID_MP4Multiplexer), on libavformat's "mp4" muxer: puts compressed video
// and audio into an MP4 file that it writes through the file writer downstream.
//
// Pins:
//   "Input 0", "Input 1" (inputs): compressed video - H.264 (AVC1 with its avcC configuration, or
//       Annex B), MPEG-4 Part 2 - or compressed audio - AAC with its AudioSpecificConfig, and what
//       else MP4 holds (MP3, AC-3). Raw video and audio are refused. An input left unconnected is
//       simply not in the file (an audio-only file goes through "Input 0" alone).
//   "Output" (output): MEDIATYPE_Stream, only to a pin that offers IFileStream (the file writer's
//       "in"); the file is written at positions and read back through it.
//
// Samples are written as they arrive (both inputs may be delivered on one thread or on two). The
// header is written with the first sample, the index (trailer) once every connected input has
// ended; then the end of stream passes to the writer, which reports EC_COMPLETE. A graph stopped
// before that leaves an MP4 without index, which the owner deletes. Video whose first decoding
// time is negative (B-frames) gets an edit list, so the file plays from 0.
//
// IModuleConfig parameters (VT_I4, VT_UI4 taken as well; they take effect at CommitChanges and are
// used when the graph next starts; SetDefState restores the defaults):
//   67F699AE-4856-4292-99F1-BB6FDB596E43  brand (default 0): the major brand in the file's ftyp box.
//       0 automatic: "isom" as libavformat writes it, or "mp42" when device compatibility is on;
//       1 "mp42";
//       2 Apple's own: "M4V " for a file with video, "M4A " for a sound-only file.
//   AB50A92F-1AF8-4F03-A35B-7EDEF95AE1F0  flags (default 0):
//       bit 0 - the index (moov box) goes at the front of the file, so devices and browsers can
//               play it while it still downloads; the data is moved by reading it back after the
//               last sample;
//       bit 1 - device compatibility for hardware media players: also writes the MPEG-4 initial
//               object descriptor (iods box), which some older players expect, and makes the
//               automatic brand "mp42".
//   Other values are E_INVALIDARG.

#include "components/ffmpeg/FFmpegHolders.h"
#include "components/writers/CFileStreamAvio.h"
#include "platform/graph/CBaseFilter.h"
#include "platform/graph/CModuleParameters.h"

#include <memory>
#include <mutex>

namespace vidlume {

class CLavfMp4Multiplexer final : public CBaseFilter, public IModuleConfig {
public:
    static constexpr Guid kBrandParameter = MakeGuid("67F699AE-4856-4292-99F1-BB6FDB596E43");
    static constexpr Guid kFlagsParameter = MakeGuid("AB50A92F-1AF8-4F03-A35B-7EDEF95AE1F0");
    enum Brand : int32_t { BrandAutomatic = 0, BrandMp42 = 1, BrandApple = 2 };
    static constexpr int32_t kFlagIndexAtFront = 1;
    static constexpr int32_t kFlagDeviceCompatible = 2;

    CLavfMp4Multiplexer();
    ~CLavfMp4Multiplexer() override;

    VIDLUME_UNKNOWN_VIA(CBaseFilter)

    // IModuleConfig
    HRESULT SetValue(const Guid& parameter, const VARIANT& value) override;
    HRESULT GetValue(const Guid& parameter, VARIANT* value) override;
    HRESULT IsSupported(const Guid& parameter) override;
    HRESULT SetDefState() override;
    HRESULT CommitChanges() override;

protected:
    HRESULT QueryOtherInterface(REFIID iid, void** ppv) override;
    // Builds the format context and its streams from the connections, so an unsuitable stream
    // fails the start rather than the first sample.
    HRESULT OnStart() override;
    void OnStop() override;

private:
    class CInput;
    class COutput;

    // On the streaming threads, from the input pins.
    FlowStatus WriteSample(int input, const CMediaSample& sample);
    FlowStatus EndInput();

    HRESULT WriteHeaderLocked();
    // The failure as a flow status: the stream's own error or FFmpeg's, reported once; no report
    // while the graph stops.
    FlowStatus FailLocked(int averror);
    void ReleaseLocked();

    CInput* m_inputs[2] {};
    COutput* m_output = nullptr;

    CModuleParameters m_parameters;

    std::mutex m_muxLock; // the format context, from either input's thread
    std::unique_ptr<CFileStreamAvio> m_avio;
    AVIOContextPtr m_io;
    AVOutputFormatContextPtr m_format;
    int m_streamOf[2] = { -1, -1 };
    REFERENCE_TIME m_frameDuration[2] = {}; // of video inputs whose type tells it
    bool m_headerWritten = false;
    bool m_finished = false;
};

} // namespace vidlume
