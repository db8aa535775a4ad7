#include "CLavfDemultiplexer.h"

#include "CLavfDemuxInputPin.h"
#include "CLavfDemuxOutputPin.h"
#include "components/ffmpeg/CodecMediaTypes.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <system_error>

namespace vidlume {

static_assert(kNoTime == AV_NOPTS_VALUE, "packet times and sample times share the 'unknown' value");

namespace {

    constexpr int kIOBufferSize = 64 * 1024;
    constexpr REFERENCE_TIME kNoStop = INT64_MAX;
    // Decoding times of one stream that step back more than this, or forward more than that,
    // are a discontinuity (joined pieces, a timestamp reset) rather than the stream's own rhythm.
    constexpr REFERENCE_TIME kBackwardJump = kUnitsPerSecond;
    constexpr REFERENCE_TIME kForwardJump = 10 * kUnitsPerSecond;
    // While looking for the start position: what may be held from the key frame on (a group of
    // pictures is far smaller; a stream with no key frames in sight must not fill the memory).
    constexpr size_t kMaxHeldBytes = 64u << 20;
    constexpr int kMaxRetries = 1000; // demuxers answering "again" without progress
    constexpr int64_t kMaxAnalyzeDuration = 60 * int64_t(AV_TIME_BASE);

    int64_t Add(int64_t a, int64_t b)
    {
        int64_t sum;
        if (__builtin_add_overflow(a, b, &sum))
            return b > 0 ? INT64_MAX : INT64_MIN + 1; // INT64_MIN itself means "no time"
        return sum;
    }

    REFERENCE_TIME FromAVTime(int64_t t)
    {
        return av_rescale_q(t, AVRational { 1, AV_TIME_BASE }, kReferenceTimeBase);
    }

    // With our own I/O everything a container needs comes from the one input; a playlist or a
    // reference inside it must never make us open another file or address.
    int RefuseNestedOpen(AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**)
    {
        return AVERROR(EPERM);
    }

} // namespace

struct CLavfDemultiplexer::StreamState {
    CLavfDemuxOutputPin* pin = nullptr;
    bool audio = false;
    bool timed = false;   // video or audio: its decoding times show discontinuities
    bool ended = false;   // no more samples on this pin in this run
    bool started = false; // a sample went out since the start or seek
    REFERENCE_TIME lastDts = kNoTime;
    REFERENCE_TIME lastDuration = 0;
};

CLavfDemultiplexer::CLavfDemultiplexer(const CLSID& clsid, bool withConfig)
    : CBaseFilter(clsid)
    , m_withConfig(withConfig)
    , m_parameters({
          CModuleParameters::Definition::Int(DEMUX_ProgramStream, 0, 0, 1),
          CModuleParameters::Definition::Int(DEMUX_ProbeSize, 5'000'000, 4096, INT32_MAX),
          CModuleParameters::Definition::Int(DEMUX_SeekByIndex, 1, 0, 1),
          CModuleParameters::Definition::Int(DEMUX_KeepTimestamps, 0, 0, 1),
          CModuleParameters::Definition::Int(DEMUX_GenerateTimes, 0, 0, 1),
          CModuleParameters::Definition::Int(DEMUX_DropCorrupt, 0, 0, 1),
      })
{
    AddPin(std::make_unique<CLavfDemuxInputPin>(this));
}

CLavfDemultiplexer::~CLavfDemultiplexer()
{
    // Normally the graph has stopped us; a filter released while running still joins its thread.
    if (m_thread.joinable()) {
        {
            std::lock_guard lock(m_lock);
            m_stopping.store(true);
        }
        m_wake.notify_all();
        if (m_reader)
            m_reader->BeginFlush();
        m_thread.join();
        if (m_reader)
            m_reader->EndFlush();
    }
}

HRESULT CLavfDemultiplexer::QueryOtherInterface(REFIID iid, void** ppv)
{
    if (m_withConfig && iid == IModuleConfig::kIid)
        return GetInterface<IModuleConfig>(this, ppv);
    return CBaseFilter::QueryOtherInterface(iid, ppv);
}

// ---- Parameters -------------------------------------------------------------------------------

HRESULT CLavfDemultiplexer::SetValue(const Guid& parameter, const VARIANT& value)
{
    return m_parameters.Set(parameter, value);
}

HRESULT CLavfDemultiplexer::GetValue(const Guid& parameter, VARIANT* value)
{
    return m_parameters.Get(parameter, value);
}

HRESULT CLavfDemultiplexer::IsSupported(const Guid& parameter)
{
    return m_parameters.Has(parameter) ? S_OK : S_FALSE;
}

HRESULT CLavfDemultiplexer::SetDefState()
{
    m_parameters.SetDefaults();
    return S_OK;
}

HRESULT CLavfDemultiplexer::CommitChanges()
{
    m_parameters.Commit();
    return S_OK;
}

CLavfDemultiplexer::Settings CLavfDemultiplexer::CommittedSettings() const
{
    // One snapshot, so a commit between two reads cannot mix old and new values.
    const std::vector<VARIANT> values = m_parameters.Committed();
    auto value = [&](const Guid& id) { return values[size_t(m_parameters.IndexOf(id))].lVal; };
    Settings s;
    s.programStream = value(DEMUX_ProgramStream);
    s.probeSize = value(DEMUX_ProbeSize);
    s.seekByIndex = value(DEMUX_SeekByIndex);
    s.keepTimestamps = value(DEMUX_KeepTimestamps);
    s.generateTimes = value(DEMUX_GenerateTimes);
    s.dropCorrupt = value(DEMUX_DropCorrupt);
    return s;
}

// ---- Input ------------------------------------------------------------------------------------

int CLavfDemultiplexer::ReadBytes(void* opaque, uint8_t* buffer, int size)
{
    auto* self = static_cast<CLavfDemultiplexer*>(opaque);
    int32_t got = 0;
    const HRESULT hr = self->m_reader->SyncRead(self->m_ioPosition, size, buffer, &got);
    if (FAILED(hr)) {
        // While stopping, the reader is flushed on purpose.
        if (self->m_stopping.load())
            return AVERROR_EXIT;
        self->m_ioError.store(hr);
        return AVERROR(EIO);
    }
    self->m_ioPosition += got;
    return got > 0 ? got : AVERROR_EOF;
}

int64_t CLavfDemultiplexer::SeekBytes(void* opaque, int64_t offset, int whence)
{
    auto* self = static_cast<CLavfDemultiplexer*>(opaque);
    whence &= ~AVSEEK_FORCE;
    int64_t total = -1;
    if (whence == AVSEEK_SIZE || whence == SEEK_END) {
        int64_t available = 0;
        if (FAILED(self->m_reader->Length(&total, &available)) || total < 0)
            return AVERROR(ENOSYS);
        if (whence == AVSEEK_SIZE)
            return total;
    }
    int64_t base;
    switch (whence) {
    case SEEK_SET: base = 0; break;
    case SEEK_CUR: base = self->m_ioPosition; break;
    case SEEK_END: base = total; break;
    default: return AVERROR(EINVAL);
    }
    int64_t target;
    if (__builtin_add_overflow(base, offset, &target) || target < 0)
        return AVERROR(EINVAL);
    self->m_ioPosition = target;
    return target;
}

int CLavfDemultiplexer::Interrupted(void* opaque)
{
    return static_cast<CLavfDemultiplexer*>(opaque)->m_stopping.load() ? 1 : 0;
}

HRESULT CLavfDemultiplexer::OpenFormat(const Settings& settings)
{
    m_format.reset();
    m_io.reset();
    m_ioPosition = 0;
    m_ioError.store(S_OK);
    m_freshlyOpened = false;

    int64_t total = -1, available = 0;
    if (FAILED(m_reader->Length(&total, &available)))
        total = -1;
    auto* buffer = static_cast<uint8_t*>(av_malloc(kIOBufferSize));
    if (!buffer)
        return E_OUTOFMEMORY;
    AVIOContext* io = avio_alloc_context(buffer, kIOBufferSize, 0, this, &ReadBytes, nullptr, &SeekBytes);
    if (!io) {
        av_free(buffer);
        return E_OUTOFMEMORY;
    }
    m_io.reset(io);
    // A source of unknown size (a live network stream) is read front to back only.
    io->seekable = total >= 0 ? AVIO_SEEKABLE_NORMAL : 0;

    AVFormatContext* format = avformat_alloc_context();
    if (!format)
        return E_OUTOFMEMORY;
    format->pb = io;
    format->flags |= AVFMT_FLAG_CUSTOM_IO;
    if (settings.generateTimes)
        format->flags |= AVFMT_FLAG_GENPTS;
    if (settings.dropCorrupt)
        format->flags |= AVFMT_FLAG_DISCARD_CORRUPT;
    format->probesize = settings.probeSize;
    // Program streams show new streams at any time, so probing reads on to one of the limits;
    // the probe size is meant to be the one that counts.
    format->max_analyze_duration = kMaxAnalyzeDuration;
    format->interrupt_callback = { &CLavfDemultiplexer::Interrupted, this };
    format->io_open = &RefuseNestedOpen;
    format->protocol_whitelist = av_strdup("none"); // the same for containers nested inside
    if (!format->protocol_whitelist) {
        avformat_free_context(format);
        return E_OUTOFMEMORY;
    }
    const AVInputFormat* container = settings.programStream ? av_find_input_format("mpeg") : nullptr;

    auto failure = [&](int error) {
        const HRESULT io = m_ioError.load();
        if (FAILED(io))
            return io;
        // Data that ends before the container could be understood is no valid file either.
        return error == AVERROR_EOF ? VFW_E_INVALID_FILE_FORMAT : HResultFromAVError(error);
    };
    // On failure avformat_open_input frees the context (not our I/O context).
    int ret = avformat_open_input(&format, "", container, nullptr);
    if (ret < 0)
        return failure(ret);
    m_format.reset(format);
    ret = avformat_find_stream_info(format, nullptr);
    if (ret < 0)
        return failure(ret);
    if (FAILED(m_ioError.load()))
        return m_ioError.load();
    m_freshlyOpened = true;
    return S_OK;
}

std::string CLavfDemultiplexer::PinIdFor(const AVStream* stream, std::vector<int>& kindCount) const
{
    const AVMediaType kind = stream->codecpar->codec_type;
    const char* name = kind == AVMEDIA_TYPE_VIDEO ? "Video" : kind == AVMEDIA_TYPE_AUDIO ? "Audio" : "Subtitle";
    char id[64];
    if (m_programStream) {
        // FFmpeg gives the start code (0x1E0, 0x1C0) or, inside private stream 1, the sub-stream
        // id (0x80 AC-3, 0xA0 LPCM, 0x20 + n subpictures).
        const int streamId = stream->id >= 0x100 ? (stream->id & 0xFF) : stream->id;
        if (kind == AVMEDIA_TYPE_SUBTITLE && streamId >= 0x20 && streamId <= 0x3F)
            std::snprintf(id, sizeof id, "Subpicture (ID 189/%d @ Prog# 0)", streamId);
        else
            std::snprintf(id, sizeof id, "%s 0x%X", name, unsigned(streamId));
        return id;
    }
    const int n = ++kindCount[kind == AVMEDIA_TYPE_VIDEO ? 0 : kind == AVMEDIA_TYPE_AUDIO ? 1 : 2];
    if (n == 1)
        return name;
    std::snprintf(id, sizeof id, "%s %d", name, n);
    return id;
}

HRESULT CLavfDemultiplexer::CreatePins()
{
    const AVFormatContext* format = m_format.get();
    m_programStream = std::strcmp(format->iformat->name, "mpeg") == 0;
    m_timesMayJump = (format->iformat->flags & AVFMT_TS_DISCONT) != 0;
    m_startOffset = format->start_time != AV_NOPTS_VALUE ? FromAVTime(format->start_time) : 0;
    const REFERENCE_TIME containerDuration = format->duration > 0 ? FromAVTime(format->duration) : kNoTime;

    m_pinOfStream.assign(format->nb_streams, nullptr);
    m_codecOfStream.assign(format->nb_streams, AV_CODEC_ID_NONE);
    std::vector<int> kindCount(3, 0);
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        AVStream* stream = format->streams[i];
        const AVCodecParameters* p = stream->codecpar;
        // A cover picture is no video stream.
        const bool wanted = (p->codec_type == AVMEDIA_TYPE_VIDEO && !(stream->disposition & AV_DISPOSITION_ATTACHED_PIC))
            || p->codec_type == AVMEDIA_TYPE_AUDIO || p->codec_type == AVMEDIA_TYPE_SUBTITLE;
        const AVRational rate = stream->avg_frame_rate.num > 0 && stream->avg_frame_rate.den > 0 ? stream->avg_frame_rate : stream->r_frame_rate;
        CMediaType type;
        if (!wanted || p->codec_id == AV_CODEC_ID_NONE || FAILED(MediaTypeFromCodecParameters(p, rate, &type))) {
            stream->discard = AVDISCARD_ALL;
            continue;
        }
        REFERENCE_TIME duration = containerDuration;
        if (stream->duration > 0 && stream->time_base.num > 0 && stream->time_base.den > 0)
            duration = av_rescale_q(stream->duration, stream->time_base, kReferenceTimeBase);
        auto pin = std::make_unique<CLavfDemuxOutputPin>(this, PinIdFor(stream, kindCount), std::move(type), int(i), duration);
        m_pinOfStream[i] = static_cast<CLavfDemuxOutputPin*>(AddPin(std::move(pin)));
        m_codecOfStream[i] = p->codec_id;
        m_outputs.push_back(m_pinOfStream[i]);
    }
    return m_outputs.empty() ? VFW_E_INVALID_FILE_FORMAT : S_OK;
}

HRESULT CLavfDemultiplexer::CheckSameStreams()
{
    AVFormatContext* format = m_format.get();
    for (size_t i = 0; i < m_pinOfStream.size(); ++i) {
        if (!m_pinOfStream[i])
            continue;
        if (i >= format->nb_streams || format->streams[i]->codecpar->codec_id != m_codecOfStream[i])
            return VFW_E_INVALID_FILE_FORMAT;
    }
    for (unsigned i = 0; i < format->nb_streams; ++i)
        format->streams[i]->discard = i < m_pinOfStream.size() && m_pinOfStream[i] ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
    return S_OK;
}

HRESULT CLavfDemultiplexer::OpenInput(IAsyncReader* reader)
{
    if (!reader)
        return E_POINTER;
    CloseInput();
    int64_t total = -1, available = 0;
    if (SUCCEEDED(reader->Length(&total, &available)) && total == 0)
        return VFW_E_FILE_TOO_SHORT;
    m_reader = reader;
    m_openedWith = CommittedSettings();
    HRESULT hr = OpenFormat(m_openedWith);
    if (SUCCEEDED(hr))
        hr = CreatePins();
    if (FAILED(hr))
        CloseInput();
    return hr;
}

void CLavfDemultiplexer::CloseInput()
{
    for (CLavfDemuxOutputPin* pin : m_outputs)
        RemovePin(pin);
    m_outputs.clear();
    m_pinOfStream.clear();
    m_codecOfStream.clear();
    m_format.reset();
    m_io.reset();
    m_reader.Reset();
    m_freshlyOpened = false;
}

// ---- Seeking ----------------------------------------------------------------------------------

HRESULT CLavfDemultiplexer::SetPositions(const CLavfDemuxOutputPin& pin, REFERENCE_TIME* current, uint32_t currentFlags,
    REFERENCE_TIME* stop, uint32_t stopFlags)
{
    const uint32_t startHow = currentFlags & AM_SEEKING_PositioningBitsMask;
    const uint32_t stopHow = stopFlags & AM_SEEKING_PositioningBitsMask;
    if (startHow == AM_SEEKING_PositioningBitsMask || stopHow == AM_SEEKING_PositioningBitsMask)
        return E_INVALIDARG;
    if ((startHow != AM_SEEKING_NoPositioning && !current) || (stopHow != AM_SEEKING_NoPositioning && !stop))
        return E_POINTER;

    std::lock_guard lock(m_lock);
    REFERENCE_TIME start = m_start;
    REFERENCE_TIME end = m_stop.load();
    if (startHow == AM_SEEKING_AbsolutePositioning) {
        start = *current;
    } else if (startHow == AM_SEEKING_RelativePositioning) {
        start = Add(pin.CurrentPosition(), *current);
    }
    if (stopHow == AM_SEEKING_AbsolutePositioning) {
        end = *stop;
    } else if (stopHow == AM_SEEKING_RelativePositioning) {
        const REFERENCE_TIME base = end != kNoStop ? end : pin.Duration();
        if (base == kNoTime)
            return E_INVALIDARG;
        end = Add(base, *stop);
    }
    start = std::max<REFERENCE_TIME>(start, 0); // "unset" comes as -1: the beginning
    if (end < 0)
        end = kNoStop;
    if (end != kNoStop && end < start)
        return E_INVALIDARG;

    // Every output pin passes the graph's call on: the same start again, with nothing delivered
    // since the thread went there, is no new seek.
    const bool moved = startHow != AM_SEEKING_NoPositioning && (start != m_start || m_deliveredSinceSeek);
    m_start = start;
    m_stop.store(end);
    if (moved && !IsStopped()) {
        m_seekRequested = true;
        m_wake.notify_all();
    }
    if (IsStopped())
        for (CLavfDemuxOutputPin* output : m_outputs)
            output->SetCurrentPosition(start);
    return S_OK;
}

HRESULT CLavfDemultiplexer::GetStopPosition(const CLavfDemuxOutputPin& pin, REFERENCE_TIME* stop) const
{
    if (!stop)
        return E_POINTER;
    const REFERENCE_TIME end = m_stop.load();
    *stop = end != kNoStop ? end : pin.Duration();
    return *stop == kNoTime ? E_FAIL : S_OK;
}

// ---- Streaming --------------------------------------------------------------------------------

HRESULT CLavfDemultiplexer::Run(REFERENCE_TIME start)
{
    HRESULT hr = CBaseFilter::Run(start);
    {
        // Taking the lock orders the state change before the thread's next look at it.
        std::lock_guard lock(m_lock);
    }
    m_wake.notify_all();
    return hr;
}

HRESULT CLavfDemultiplexer::Pause()
{
    HRESULT hr = CBaseFilter::Pause();
    {
        std::lock_guard lock(m_lock);
    }
    m_wake.notify_all();
    return hr;
}

HRESULT CLavfDemultiplexer::OnStart()
{
    if (!m_format)
        return S_OK; // nothing connected, nothing to stream
    {
        std::lock_guard lock(m_lock);
        m_stopping.store(false);
        m_seekRequested = false;
        m_deliveredSinceSeek = false;
    }
    try {
        m_thread = std::thread(&CLavfDemultiplexer::StreamingThread, this);
    } catch (const std::system_error&) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

void CLavfDemultiplexer::OnStop()
{
    {
        std::lock_guard lock(m_lock);
        m_stopping.store(true);
    }
    m_wake.notify_all();
    // A read that waits for the network ends now, so the thread sees the stop.
    if (m_reader)
        m_reader->BeginFlush();
    if (m_thread.joinable())
        m_thread.join();
    if (m_reader)
        m_reader->EndFlush();
    m_stopping.store(false);
}

void CLavfDemultiplexer::StreamingThread() noexcept
{
    try {
        Stream();
    } catch (const std::bad_alloc&) {
        ReportError(E_OUTOFMEMORY);
    } catch (...) {
        ReportError(E_UNEXPECTED);
    }
}

void CLavfDemultiplexer::Stream()
{
    AVPacketPtr packet(av_packet_alloc());
    if (!packet) {
        ReportError(E_OUTOFMEMORY);
        return;
    }
    const Settings settings = CommittedSettings();
    REFERENCE_TIME backoff = 0, backoffFor = kNoTime;
    for (;;) {
        REFERENCE_TIME start;
        bool flush;
        {
            std::lock_guard lock(m_lock);
            m_seekRequested = false;
            start = m_start;
            flush = m_deliveredSinceSeek;
            m_deliveredSinceSeek = false;
        }
        if (flush)
            FlushDownstream();
        if (start != backoffFor)
            backoff = 0;
        bool seeked = false;
        const Outcome outcome = Reposition(start, backoff, settings, &seeked) ? Pump(packet.get(), start, seeked, settings) : Outcome::Halted;
        if (outcome == Outcome::Stopped)
            return;
        if (outcome == Outcome::Overshot) {
            backoff = !backoff ? kUnitsPerSecond : backoff > INT64_MAX / 2 ? INT64_MAX : 2 * backoff;
            backoffFor = start;
            continue;
        }
        if (outcome == Outcome::Seek)
            continue;
        // Ended or halted: a new position starts over, the stop ends the thread.
        std::unique_lock lock(m_lock);
        m_wake.wait(lock, [&] { return m_stopping.load() || m_seekRequested; });
        if (m_stopping.load())
            return;
    }
}

void CLavfDemultiplexer::FlushDownstream()
{
    for (CLavfDemuxOutputPin* pin : m_outputs)
        pin->DeliverBeginFlush();
    for (CLavfDemuxOutputPin* pin : m_outputs)
        pin->DeliverEndFlush();
}

bool CLavfDemultiplexer::Reopen()
{
    // Going back through every container's own index is not possible; opening the input again
    // from its first byte is, and it gives exactly the state of the first run.
    HRESULT hr = OpenFormat(m_openedWith);
    if (SUCCEEDED(hr))
        hr = CheckSameStreams();
    if (FAILED(hr)) {
        if (!m_stopping.load())
            ReportError(hr);
        return false;
    }
    return true;
}

bool CLavfDemultiplexer::Reposition(REFERENCE_TIME start, REFERENCE_TIME backoff, const Settings& settings, bool* seeked)
{
    *seeked = false;
    bool placed = m_freshlyOpened; // nothing read yet: at the beginning already
    const REFERENCE_TIME target = start - backoff;
    if (start > 0 && target > 0 && settings.seekByIndex && (m_io->seekable & AVIO_SEEKABLE_NORMAL)) {
        const int64_t base = m_format->start_time != AV_NOPTS_VALUE ? m_format->start_time : 0;
        const int64_t at = Add(base, av_rescale(target, AV_TIME_BASE, kUnitsPerSecond));
        *seeked = avformat_seek_file(m_format.get(), -1, INT64_MIN, at, at, 0) >= 0;
        // A failed seek may leave the input anywhere: start over from the beginning, where
        // dropping what lies before the start reaches it too.
        placed = *seeked;
    }
    if (!placed && !Reopen())
        return false;
    m_freshlyOpened = false;
    return true;
}

bool CLavfDemultiplexer::WaitUntilRunning(Outcome* why)
{
    std::unique_lock lock(m_lock);
    m_wake.wait(lock, [&] { return m_stopping.load() || m_seekRequested || State() != State_Paused; });
    if (m_stopping.load()) {
        *why = Outcome::Stopped;
        return false;
    }
    if (m_seekRequested) {
        *why = Outcome::Seek;
        return false;
    }
    return true;
}

void CLavfDemultiplexer::ConvertTimes(AVPacket* packet, std::vector<StreamState>& streams, bool repair, REFERENCE_TIME& correction) const
{
    const AVStream* stream = m_format->streams[packet->stream_index];
    auto convert = [&](int64_t t) -> int64_t {
        if (t == AV_NOPTS_VALUE)
            return AV_NOPTS_VALUE;
        const int64_t r = av_rescale_q(t, stream->time_base, kReferenceTimeBase);
        return r == AV_NOPTS_VALUE ? r : Add(Add(r, -m_startOffset), correction);
    };
    packet->pts = convert(packet->pts);
    packet->dts = convert(packet->dts);
    packet->duration = packet->duration > 0 ? av_rescale_q(packet->duration, stream->time_base, kReferenceTimeBase) : 0;
    packet->time_base = kReferenceTimeBase;

    StreamState& state = streams[size_t(packet->stream_index)];
    if (!repair || !state.timed || packet->dts == AV_NOPTS_VALUE)
        return;
    if (state.lastDts != kNoTime) {
        const REFERENCE_TIME jump = Add(packet->dts, -state.lastDts);
        if (jump < -kBackwardJump || jump > kForwardJump) {
            // Continue right after the previous packet of this stream; the other streams follow
            // through the shared correction.
            const REFERENCE_TIME shift = Add(Add(state.lastDts, std::max<REFERENCE_TIME>(state.lastDuration, 1)), -packet->dts);
            correction = Add(correction, shift);
            packet->dts = Add(packet->dts, shift);
            if (packet->pts != AV_NOPTS_VALUE)
                packet->pts = Add(packet->pts, shift);
        }
    }
    state.lastDts = packet->dts;
    state.lastDuration = packet->duration;
}

void CLavfDemultiplexer::MarkDelivered()
{
    std::lock_guard lock(m_lock);
    m_deliveredSinceSeek = true;
}

FlowStatus CLavfDemultiplexer::DeliverPacket(AVPacketPtr packet, std::vector<StreamState>& streams)
{
    StreamState& state = streams[size_t(packet->stream_index)];
    CMediaSample sample = CMediaSample::FromPacket(packet.release());
    const AVPacket* p = sample.Packet();
    sample.start = p->pts;
    sample.stop = p->pts != AV_NOPTS_VALUE && p->duration > 0 ? Add(p->pts, p->duration) : kNoTime;
    sample.syncPoint = state.audio || (p->flags & AV_PKT_FLAG_KEY);
    sample.discontinuity = !state.started;
    if (!state.started) {
        state.started = true;
        MarkDelivered();
    }
    const FlowStatus status = state.pin->Deliver(sample);
    if (p->pts != AV_NOPTS_VALUE)
        state.pin->SetCurrentPosition(p->pts);
    return status;
}

bool CLavfDemultiplexer::AllConnectedEnded(const std::vector<StreamState>& streams) const
{
    bool anyConnected = false;
    for (const StreamState& s : streams) {
        if (!s.pin || !s.pin->IsConnected())
            continue;
        anyConnected = true;
        if (!s.ended)
            return false;
    }
    return anyConnected;
}

void CLavfDemultiplexer::EndAll(std::vector<StreamState>& streams)
{
    MarkDelivered();
    for (StreamState& s : streams) {
        if (s.pin && !s.ended) {
            s.ended = true;
            s.pin->DeliverEndOfStream();
        }
    }
}

CLavfDemultiplexer::Outcome CLavfDemultiplexer::Pump(AVPacket* packet, REFERENCE_TIME start, bool seeked, const Settings& settings)
{
    std::vector<StreamState> streams(m_pinOfStream.size());
    int mainVideo = -1; // the stream whose key frames decide where streaming starts
    for (size_t i = 0; i < streams.size(); ++i) {
        const AVMediaType kind = m_format->streams[i]->codecpar->codec_type;
        streams[i].pin = m_pinOfStream[i];
        streams[i].audio = kind == AVMEDIA_TYPE_AUDIO;
        streams[i].timed = kind == AVMEDIA_TYPE_AUDIO || kind == AVMEDIA_TYPE_VIDEO;
        if (streams[i].pin) {
            streams[i].pin->SetCurrentPosition(start);
            if (mainVideo < 0 && kind == AVMEDIA_TYPE_VIDEO && streams[i].pin->IsConnected())
                mainVideo = int(i);
        }
    }
    const bool repair = m_timesMayJump && !settings.keepTimestamps;
    REFERENCE_TIME correction = 0;
    bool skipping = start > 0;
    // While skipping: the packets from the last key frame before the start on (and those of the
    // other streams around it), delivered once the video passes the start.
    std::vector<AVPacketPtr> held;
    size_t heldBytes = 0;
    bool heldKey = false;
    REFERENCE_TIME keyTime = kNoTime; // where the other streams begin
    int retries = 0;
    int64_t packetsRead = 0;
    auto endOf = [](const AVPacket* p) {
        const REFERENCE_TIME t = p->pts != AV_NOPTS_VALUE ? p->pts : p->dts;
        return t == AV_NOPTS_VALUE ? t : Add(t, p->duration);
    };
    auto beforeKey = [&](const AVPacket* p) {
        const REFERENCE_TIME end = endOf(p);
        return keyTime != kNoTime && end != kNoTime && end <= keyTime;
    };

    // What a delivery's answer means for the loop: nothing (go on) or how it ends.
    auto settle = [&](FlowStatus status, int index, Outcome* outcome) {
        switch (status) {
        case FlowStatus::Ok:
            return false;
        case FlowStatus::EndOfStream:
            streams[size_t(index)].ended = true;
            if (!AllConnectedEnded(streams))
                return false;
            EndAll(streams);
            *outcome = Outcome::Ended;
            return true;
        case FlowStatus::Flushing:
            *outcome = m_stopping.load() ? Outcome::Stopped : Outcome::Halted;
            return true;
        case FlowStatus::NotNegotiated:
            ReportError(VFW_E_TYPE_NOT_ACCEPTED);
            *outcome = Outcome::Halted;
            return true;
        case FlowStatus::Error:
            *outcome = Outcome::Halted;
            return true;
        }
        return false;
    };

    for (;;) {
        Outcome outcome;
        if (!WaitUntilRunning(&outcome))
            return outcome;
        const int ret = av_read_frame(m_format.get(), packet);
        if (m_stopping.load()) {
            av_packet_unref(packet);
            return Outcome::Stopped;
        }
        if (const HRESULT io = m_ioError.load(); FAILED(io)) {
            av_packet_unref(packet);
            ReportError(io);
            return Outcome::Halted;
        }
        if (ret == AVERROR(EAGAIN) && ++retries < kMaxRetries)
            continue;
        if (ret < 0) {
            // Damaged data after good data ends the streams as the end of the file does.
            if (ret == AVERROR_EOF || packetsRead > 0) {
                // The video ended before the start: the other streams may go on past it.
                for (AVPacketPtr& late : held) {
                    const int lateIndex = late->stream_index;
                    const REFERENCE_TIME end = endOf(late.get());
                    if (lateIndex == mainVideo || streams[size_t(lateIndex)].ended || end == kNoTime || end <= start)
                        continue;
                    if (settle(DeliverPacket(std::move(late), streams), lateIndex, &outcome))
                        return outcome;
                }
                EndAll(streams);
                return Outcome::Ended;
            }
            ReportError(HResultFromAVError(ret));
            return Outcome::Halted;
        }
        retries = 0;
        ++packetsRead;
        AVPacketPtr owned(av_packet_alloc());
        if (!owned) {
            av_packet_unref(packet);
            ReportError(E_OUTOFMEMORY);
            return Outcome::Halted;
        }
        av_packet_move_ref(owned.get(), packet);
        const int index = owned->stream_index;
        // A stream that showed up after the probing has no pin.
        if (index < 0 || size_t(index) >= streams.size() || !streams[size_t(index)].pin)
            continue;
        ConvertTimes(owned.get(), streams, repair, correction);
        StreamState& state = streams[size_t(index)];
        if (state.ended)
            continue;

        const REFERENCE_TIME order = owned->dts != AV_NOPTS_VALUE ? owned->dts : owned->pts;
        const REFERENCE_TIME stop = m_stop.load();
        if (stop != kNoStop && order != AV_NOPTS_VALUE && order >= stop) {
            state.ended = true;
            MarkDelivered();
            if (settle(state.pin->DeliverEndOfStream(), index, &outcome))
                return outcome;
            if (AllConnectedEnded(streams)) {
                EndAll(streams);
                return Outcome::Ended;
            }
            continue;
        }

        if (skipping) {
            const REFERENCE_TIME t = owned->pts != AV_NOPTS_VALUE ? owned->pts : owned->dts;
            bool release = false;
            if (mainVideo < 0) {
                // Without video every packet decodes on its own: drop what ends before the start.
                if (t == AV_NOPTS_VALUE || Add(t, owned->duration) <= start)
                    continue;
                skipping = false;
            } else if (index == mainVideo) {
                const bool key = owned->flags & AV_PKT_FLAG_KEY;
                const bool before = t == AV_NOPTS_VALUE || t <= start;
                if (key && before) {
                    // A later key frame before the start: begin from it instead.
                    keyTime = t;
                    heldKey = true;
                    std::erase_if(held, [&](const AVPacketPtr& p) { return p->stream_index == mainVideo || beforeKey(p.get()); });
                } else if (!before && !heldKey) {
                    // Past the start without a key frame before it: a seek landed too late, or
                    // the data begins past the start and the next key frame is where it starts.
                    if (seeked)
                        return Outcome::Overshot;
                    if (!key)
                        continue;
                    keyTime = t;
                    heldKey = true;
                    release = true;
                } else if (!before) {
                    release = true;
                } else if (!heldKey) {
                    continue; // nothing to decode it from
                }
            }
            if (skipping && !release) {
                heldBytes += size_t(std::max(owned->size, 0));
                held.push_back(std::move(owned));
                if (heldBytes > kMaxHeldBytes) {
                    held.clear();
                    heldBytes = 0;
                    heldKey = false;
                }
                continue;
            }
            if (release) {
                skipping = false;
                for (AVPacketPtr& early : held) {
                    const int earlyIndex = early->stream_index;
                    if (streams[size_t(earlyIndex)].ended || (earlyIndex != mainVideo && beforeKey(early.get())))
                        continue;
                    if (settle(DeliverPacket(std::move(early), streams), earlyIndex, &outcome))
                        return outcome;
                }
                held.clear();
                if (state.ended)
                    continue;
            }
        } else if (index != mainVideo && beforeKey(owned.get())) {
            continue; // muxed late, but from before the picture the streams start with
        }
        if (settle(DeliverPacket(std::move(owned), streams), index, &outcome))
            return outcome;
    }
}

} // namespace vidlume
