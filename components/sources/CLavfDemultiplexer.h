#pragma once
// The demultiplexer on libavformat: reads a container through the upstream pin's IAsyncReader and
// delivers each stream's compressed packets on a pin of its own. One class serves two CLSIDs:
// CLSID_Demultiplexer (first choice) and CLSID_Demultiplexer2 (second choice, which also has
// IModuleConfig; the DVD source configures it for VOB data).
//
// Pins:
//   "Input"    MEDIATYPE_Stream; the connected pin must serve IAsyncReader. Connecting probes the
//              stream (bounded by the probe size) and creates the output pins; when the stream
//              cannot be parsed the connection fails, so the graph goes on to its next candidate.
//   outputs    one per video, audio and subtitle stream, in stream order, with the stream's media
//              type from MediaTypeFromCodecParameters. Identifiers:
//              - MPEG program streams (DVD VOB data): "Video 0x%X" / "Audio 0x%X" with the stream id
//                (0xE0 video, 0xC0 MPEG audio, 0x80 AC-3, 0x88 DTS, 0xA0 LPCM) and
//                "Subpicture (ID 189/%d @ Prog# 0)" with the subpicture sub-stream id (32 + n);
//              - every other container: "Video", "Audio", "Subtitle", the second of a kind
//                "Audio 2" and so on.
//              Each has IMediaSeeking (CLavfDemuxOutputPin). Disconnecting the input removes
//              them (and their downstream connections).
//
// Streaming: OnStart starts one thread; it delivers nothing while the filter is paused (so that
// positions set after Pause apply to the first sample), reads packets and
// delivers them with times in 100 ns units, the container's start time subtracted (output starts
// near 0). Key frames (and all audio) are sync points; the first sample on each pin after a start
// or a seek is a discontinuity. Unconnected pins drop their packets. At the end of the data, or
// when every connected pin has reached the stop position, each pin gets an end of stream. A
// damaged file that ends early ends its streams the same way; a read error of the source, or a
// stream that cannot be read at all, is reported with ReportError (EC_ERRORABORT). OnStop flushes
// the upstream reader (so a network read ends at once) and joins the thread.
//
// Seeking (through any output pin; positions in 100 ns, shared by all pins): SetPositions before
// the run, or while paused or running (the downstream is then flushed, unless nothing was
// delivered yet). Streaming starts at the key frame before the start position, the other streams
// with the packet playing at that picture, and ends each pin at the stop position. A negative
// start means the beginning, a negative stop the end. The same start set again through another
// pin, with nothing delivered since, is no new seek (the graph passes its call to every pin).
//
// Parameters (IModuleConfig, CLSID_Demultiplexer2 only), all VT_I4, used from the next
// connection (the first two, and the last two) or the next start or seek (the middle two):
//   DEMUX_ProgramStream   64B52AAA-C4E5-45BE-AD97-82B5E247FFCA  0 (default): find the container
//       by probing; 1: the input is an MPEG program stream (DVD VOB data): no format probing, which
//       a stream that begins mid-way through could fool.
//   DEMUX_ProbeSize       2BB2DCDC-E4AD-4EA6-B3C7-7D5ACA983968  bytes read at connection to find
//       the streams, 4096 .. 2^31-1 (default 5,000,000); probing also ends after a minute of
//       media. Streams seen only later get no pin; on a DVD, audio and subpicture streams may
//       first appear well into the data (0x01000000).
//   DEMUX_SeekByIndex     25A0589F-C6AE-40B1-998E-FDF145ACA5EC  1 (default): reach a start position
//       by FFmpeg's seek (index or timestamp search; one that lands past the key frame is repeated
//       further back); 0: read from the beginning and drop what lies before the key frame
//       preceding the start - slower, but exact where timestamps are not in order, as in DVD
//       titles made of several sector ranges (their times are repaired from the beginning on).
//   DEMUX_KeepTimestamps  36CBFB53-6D75-4CCD-B67A-CFA4093E20F3  0 (default): in containers that
//       allow timestamp discontinuities (program and transport streams), a jump of a stream's
//       decoding time back by more than a second or forward by more than ten is taken out, so
//       joined pieces play on continuously; 1: deliver the times as the container has them.
//   DEMUX_GenerateTimes   4CEC0C13-A72D-42E4-90DF-CE8B91D5C5E1  1: fill in presentation times the
//       container leaves out (FFmpeg's genpts), so every packet of a program stream has one;
//       0 (default): leave them out.
//   DEMUX_DropCorrupt     9DA8B680-8F52-4A88-806D-EBEB289BBB25  1: drop packets the container marks
//       as damaged (scratched discs) instead of delivering them; 0 (default): deliver them.

#include "components/ffmpeg/FFmpegHolders.h"
#include "platform/graph/CBaseFilter.h"
#include "platform/graph/CModuleParameters.h"

#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace vidlume {

class CLavfDemuxOutputPin;

constexpr Guid DEMUX_ProgramStream = MakeGuid("64B52AAA-C4E5-45BE-AD97-82B5E247FFCA");
constexpr Guid DEMUX_ProbeSize = MakeGuid("2BB2DCDC-E4AD-4EA6-B3C7-7D5ACA983968");
constexpr Guid DEMUX_SeekByIndex = MakeGuid("25A0589F-C6AE-40B1-998E-FDF145ACA5EC");
constexpr Guid DEMUX_KeepTimestamps = MakeGuid("36CBFB53-6D75-4CCD-B67A-CFA4093E20F3");
constexpr Guid DEMUX_GenerateTimes = MakeGuid("4CEC0C13-A72D-42E4-90DF-CE8B91D5C5E1");
constexpr Guid DEMUX_DropCorrupt = MakeGuid("9DA8B680-8F52-4A88-806D-EBEB289BBB25");

class CLavfDemultiplexer final : public CBaseFilter, public IModuleConfig {
public:
    // withConfig: answer for IModuleConfig (the second-choice demultiplexer).
    CLavfDemultiplexer(const CLSID& clsid, bool withConfig);
    ~CLavfDemultiplexer() override;

    VIDLUME_UNKNOWN_VIA(CBaseFilter)

    // Leaving the paused state lets the streaming thread go on.
    HRESULT Run(REFERENCE_TIME start) override;
    HRESULT Pause() override;

    // IModuleConfig (see the parameters above). SetValue takes VT_I4 (or VT_UI4) in the
    // parameter's range, else E_INVALIDARG; IsSupported answers S_FALSE for other GUIDs.
    HRESULT SetValue(const Guid& parameter, const VARIANT& value) override;
    HRESULT GetValue(const Guid& parameter, VARIANT* value) override;
    HRESULT IsSupported(const Guid& parameter) override;
    HRESULT SetDefState() override;
    HRESULT CommitChanges() override;

    // For the input pin, with the filter stopped: open the stream and create the output pins
    // (nothing is left behind on failure); close it and remove them.
    HRESULT OpenInput(IAsyncReader* reader);
    void CloseInput();

    // For the output pins' IMediaSeeking; thread-safe.
    HRESULT SetPositions(const CLavfDemuxOutputPin& pin, REFERENCE_TIME* current, uint32_t currentFlags,
        REFERENCE_TIME* stop, uint32_t stopFlags);
    // The stop position, or the pin's duration when none is set (E_FAIL when that is unknown).
    HRESULT GetStopPosition(const CLavfDemuxOutputPin& pin, REFERENCE_TIME* stop) const;

protected:
    HRESULT QueryOtherInterface(REFIID iid, void** ppv) override;
    HRESULT OnStart() override;
    void OnStop() override;

private:
    // The committed parameters, read at once (their defaults are in the parameter definitions).
    struct Settings {
        int32_t programStream = 0;
        int32_t probeSize = 0;
        int32_t seekByIndex = 0;
        int32_t keepTimestamps = 0;
        int32_t generateTimes = 0;
        int32_t dropCorrupt = 0;
    };
    // Overshot: a seek landed past the key frame before the start; seek further back.
    enum class Outcome { Ended, Stopped, Seek, Halted, Overshot };
    struct StreamState;

    static int ReadBytes(void* opaque, uint8_t* buffer, int size);
    static int64_t SeekBytes(void* opaque, int64_t offset, int whence);
    static int Interrupted(void* opaque);

    Settings CommittedSettings() const;
    // Opens m_format over m_reader from its first byte.
    HRESULT OpenFormat(const Settings& settings);
    HRESULT CreatePins();
    // After opening again: the streams with pins must still be there, with the same codecs.
    HRESULT CheckSameStreams();
    std::string PinIdFor(const AVStream* stream, std::vector<int>& kindCount) const;

    void StreamingThread() noexcept;
    void Stream();
    // Places the input for streaming from start: by FFmpeg's seek to `backoff` before it where
    // that is allowed and asked for (*seeked), otherwise at the beginning. False after a failure
    // (reported).
    bool Reposition(REFERENCE_TIME start, REFERENCE_TIME backoff, const Settings& settings, bool* seeked);
    bool Reopen();
    Outcome Pump(AVPacket* packet, REFERENCE_TIME start, bool seeked, const Settings& settings);
    // Waits while paused; false when the thread must leave the loop (stop or seek).
    bool WaitUntilRunning(Outcome* why);
    void ConvertTimes(AVPacket* packet, std::vector<StreamState>& streams, bool repair, REFERENCE_TIME& correction) const;
    FlowStatus DeliverPacket(AVPacketPtr packet, std::vector<StreamState>& streams);
    void MarkDelivered();
    bool AllConnectedEnded(const std::vector<StreamState>& streams) const;
    void EndAll(std::vector<StreamState>& streams);
    void FlushDownstream();

    const bool m_withConfig;
    CModuleParameters m_parameters;

    // The input, while connected. Only the owner thread (connected, stopped) and the streaming
    // thread (running) touch these.
    ComPtr<IAsyncReader> m_reader;
    AVIOContextPtr m_io;
    AVInputFormatContextPtr m_format; // after m_io: closed before its I/O context goes
    Settings m_openedWith;
    int64_t m_ioPosition = 0;
    std::atomic<HRESULT> m_ioError { S_OK };
    REFERENCE_TIME m_startOffset = 0; // the container's start time
    bool m_freshlyOpened = false;     // nothing read since the format was opened
    bool m_programStream = false;
    bool m_timesMayJump = false;
    std::vector<CLavfDemuxOutputPin*> m_pinOfStream; // by stream index; null: no pin
    std::vector<AVCodecID> m_codecOfStream;
    std::vector<CLavfDemuxOutputPin*> m_outputs;

    // Streaming.
    std::thread m_thread;
    mutable std::mutex m_lock;
    std::condition_variable m_wake;
    std::atomic<bool> m_stopping { false };
    bool m_seekRequested = false;      // under m_lock
    bool m_deliveredSinceSeek = false; // under m_lock
    REFERENCE_TIME m_start = 0;        // under m_lock
    std::atomic<REFERENCE_TIME> m_stop { INT64_MAX };
};

} // namespace vidlume
