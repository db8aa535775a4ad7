#include "CLavfAsfWriter.h"

#include "WindowsMediaCodecs.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vidlume {

namespace {
    constexpr long kErrorFileExists = 80;
    constexpr int kIoBufferSize = 64 * 1024;

    HRESULT HResultFromCreateError(int error)
    {
        switch (error) {
        case EEXIST: return HResultFromWin32(kErrorFileExists);
        case ENOENT:
        case ENOTDIR: return HResultFromWin32(ERROR_PATH_NOT_FOUND);
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR: return E_ACCESSDENIED;
        case ENOMEM: return E_OUTOFMEMORY;
        default: return HResultFromWin32(ERROR_WRITE_FAULT);
        }
    }
} // namespace

class CLavfAsfWriter::CInputPin final : public CBaseInputPin {
public:
    CInputPin(CLavfAsfWriter* writer, Kind kind, std::string id) : CBaseInputPin(writer, std::move(id)), m_writer(writer), m_kind(kind) { }

protected:
    HRESULT CheckMediaType(const CMediaType& type) override
    {
        const bool raw = m_kind == Kind::Video ? IsRawVideo(type) : IsRawAudio(type);
        return raw ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }
    FlowStatus OnReceive(const CMediaSample& sample) override { return m_writer->ReceiveOn(m_kind, sample); }
    FlowStatus OnEndOfStream() override { return m_writer->EndOfStreamOn(m_kind); }

private:
    CLavfAsfWriter* m_writer;
    Kind m_kind;
};

CLavfAsfWriter::CLavfAsfWriter() : CBaseFilter(CLSID_WMAsfWriter)
{
    m_audioPin = static_cast<CInputPin*>(AddPin(std::make_unique<CInputPin>(this, Kind::Audio, "Audio Input 01")));
    m_videoPin = static_cast<CInputPin*>(AddPin(std::make_unique<CInputPin>(this, Kind::Video, "Video Input 01")));
}

CLavfAsfWriter::~CLavfAsfWriter()
{
    // A writer released while running (outside a graph) still closes its file.
    std::lock_guard lock(m_sessionLock);
    CloseSession(false);
}

HRESULT CLavfAsfWriter::QueryOtherInterface(REFIID iid, void** ppv)
{
    if (iid == IFileSinkFilter::kIid)
        return GetInterface<IFileSinkFilter>(this, ppv);
    if (iid == IConfigAsfWriter::kIid)
        return GetInterface<IConfigAsfWriter>(this, ppv);
    return CBaseFilter::QueryOtherInterface(iid, ppv);
}

HRESULT CLavfAsfWriter::SetFileName(const std::string& path, const CMediaType*)
{
    std::lock_guard lock(m_stateLock);
    if (!IsStopped())
        return VFW_E_NOT_STOPPED;
    if (path.empty())
        return E_INVALIDARG;
    m_path = path;
    return S_OK;
}

HRESULT CLavfAsfWriter::GetCurFile(std::string* path, CMediaType* type)
{
    if (!path)
        return E_POINTER;
    std::lock_guard lock(m_stateLock);
    *path = m_path;
    if (type)
        *type = CMediaType(MEDIATYPE_Stream, GUID_NULL);
    return S_OK;
}

HRESULT CLavfAsfWriter::ConfigureFilterUsingProfile(IWMProfile* profile)
{
    if (!profile)
        return E_POINTER;
    uint32_t count = 0;
    if (HRESULT hr = profile->GetStreamCount(&count); FAILED(hr))
        return hr;
    if (count == 0)
        return E_INVALIDARG;

    std::optional<WM_STREAM_CONFIG> audio, video;
    bool audioFirst = true;
    for (uint32_t i = 0; i < count; ++i) {
        WM_STREAM_CONFIG stream;
        if (HRESULT hr = profile->GetStream(i, &stream); FAILED(hr))
            return hr;
        const AVCodecDescriptor* codec = avcodec_descriptor_get(WindowsMediaEncoder(stream.mediaType.subtype));
        if (stream.streamType == MEDIATYPE_Audio && !audio && codec && codec->type == AVMEDIA_TYPE_AUDIO && stream.mediaType.WaveFormat()) {
            audio = std::move(stream);
        } else if (stream.streamType == MEDIATYPE_Video && !video && codec && codec->type == AVMEDIA_TYPE_VIDEO
            && stream.mediaType.VideoInfo()) {
            audioFirst = audio.has_value();
            video = std::move(stream);
        } else {
            return E_INVALIDARG;
        }
    }

    std::lock_guard lock(m_stateLock);
    if (!IsStopped())
        return VFW_E_NOT_STOPPED;
    m_audioConfig = std::move(audio);
    m_videoConfig = std::move(video);
    m_audioFirst = audioFirst;
    return S_OK;
}

HRESULT CLavfAsfWriter::OnStart()
{
    // Called with m_stateLock held, so the file name and the profile stay as they are.
    std::lock_guard lock(m_sessionLock);
    CloseSession(false);
    m_finished = false;
    m_failed = false;
    if (m_path.empty() || (!m_audioConfig && !m_videoConfig))
        return E_UNEXPECTED;
    const bool withAudio = m_audioPin->IsConnected();
    const bool withVideo = m_videoPin->IsConnected();
    if (!withAudio && !withVideo)
        return VFW_E_NOT_CONNECTED;
    if ((withAudio && !m_audioConfig) || (withVideo && !m_videoConfig))
        return VFW_E_TYPE_NOT_ACCEPTED;
    HRESULT hr = OpenSession(withAudio, withVideo);
    if (FAILED(hr))
        CloseSession(true);
    return hr;
}

HRESULT CLavfAsfWriter::OpenSession(bool withAudio, bool withVideo)
{
    if (withAudio) {
        AudioFormat input;
        if (!AudioFormatFromMediaType(m_audioPin->CurrentMediaType(), &input))
            return VFW_E_TYPE_NOT_ACCEPTED;
        if (HRESULT hr = CLavcWmaStream::Create(*m_audioConfig, input, &m_audio); FAILED(hr))
            return hr;
    }
    if (withVideo) {
        VideoFormat input;
        if (!VideoFormatFromMediaType(m_videoPin->CurrentMediaType(), &input))
            return VFW_E_TYPE_NOT_ACCEPTED;
        if (HRESULT hr = CLavcWmvStream::Create(*m_videoConfig, input, &m_video); FAILED(hr))
            return hr;
    }

    AVFormatContext* raw = nullptr;
    if (int err = avformat_alloc_output_context2(&raw, nullptr, "asf", nullptr); err < 0)
        return HResultFromAVError(err);
    m_format.reset(raw);
    auto addStream = [&](const AVCodecContext* codec, const WM_STREAM_CONFIG& config, int* index) -> HRESULT {
        AVStream* st = avformat_new_stream(m_format.get(), nullptr);
        if (!st)
            return E_OUTOFMEMORY;
        if (int err = avcodec_parameters_from_context(st->codecpar, codec); err < 0)
            return HResultFromAVError(err);
        st->time_base = codec->time_base;
        // The multiplexer writes the language list from the primary tag ("de" of "de-CH").
        if (const std::string language = config.language.substr(0, config.language.find('-')); !language.empty())
            av_dict_set(&st->metadata, "language", language.c_str(), 0);
        *index = st->index;
        return S_OK;
    };
    const Kind order[2] = { m_audioFirst ? Kind::Audio : Kind::Video, m_audioFirst ? Kind::Video : Kind::Audio };
    for (Kind kind : order) {
        HRESULT hr = S_OK;
        if (kind == Kind::Audio && m_audio)
            hr = addStream(m_audio->Codec(), *m_audioConfig, &m_audioIndex);
        else if (kind == Kind::Video && m_video)
            hr = addStream(m_video->Codec(), *m_videoConfig, &m_videoIndex);
        if (FAILED(hr))
            return hr;
    }

    if (HRESULT hr = CreateFile(); FAILED(hr))
        return hr;
    if (int err = avformat_write_header(m_format.get(), nullptr); err < 0)
        return HResultFromAVError(err);
    return S_OK;
}

HRESULT CLavfAsfWriter::CreateFile()
{
    m_file.fd = ::open(m_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (m_file.fd < 0)
        return HResultFromCreateError(errno);
    m_fileCreated = true;
    auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferSize));
    if (!buffer)
        return E_OUTOFMEMORY;
    m_io.reset(avio_alloc_context(buffer, kIoBufferSize, 1, &m_file, nullptr, &WriteToFile, &SeekInFile));
    if (!m_io) {
        av_free(buffer);
        return E_OUTOFMEMORY;
    }
    m_format->pb = m_io.get();
    return S_OK;
}

int CLavfAsfWriter::WriteToFile(void* opaque, uint8_t* data, int size)
{
    const int fd = static_cast<FileSink*>(opaque)->fd;
    int done = 0;
    while (done < size) {
        ssize_t n = ::write(fd, data + done, size_t(size - done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return AVERROR(errno);
        }
        done += int(n);
    }
    return done;
}

int64_t CLavfAsfWriter::SeekInFile(void* opaque, int64_t offset, int whence)
{
    const int fd = static_cast<FileSink*>(opaque)->fd;
    whence &= ~AVSEEK_FORCE;
    if (whence == AVSEEK_SIZE) {
        struct stat info;
        return ::fstat(fd, &info) == 0 ? int64_t(info.st_size) : AVERROR(errno);
    }
    const off_t at = ::lseek(fd, off_t(offset), whence);
    return at < 0 ? AVERROR(errno) : int64_t(at);
}

HRESULT CLavfAsfWriter::WritePacket(int streamIndex, AVRational codecTimeBase, AVPacket* packet)
{
    packet->stream_index = streamIndex;
    av_packet_rescale_ts(packet, codecTimeBase, m_format->streams[streamIndex]->time_base);
    // Takes the packet's contents, also on failure.
    return HResultFromAVError(av_interleaved_write_frame(m_format.get(), packet));
}

FlowStatus CLavfAsfWriter::Fail(HRESULT hr)
{
    ReportError(hr);
    return FlowStatus::Error;
}

FlowStatus CLavfAsfWriter::ReceiveOn(Kind kind, const CMediaSample& sample)
{
    HRESULT hr = S_OK;
    {
        std::lock_guard lock(m_sessionLock);
        if (m_failed)
            return FlowStatus::Error;
        if (!m_format || m_finished)
            return FlowStatus::Flushing;
        if (kind == Kind::Audio) {
            if (!m_audio)
                return FlowStatus::Ok;
            const AVRational tb = m_audio->Codec()->time_base;
            hr = m_audio->Write(sample, [&](AVPacket* p) { return WritePacket(m_audioIndex, tb, p); });
        } else {
            if (!m_video)
                return FlowStatus::Ok;
            const AVRational tb = m_video->Codec()->time_base;
            hr = m_video->Write(sample, [&](AVPacket* p) { return WritePacket(m_videoIndex, tb, p); });
        }
        if (FAILED(hr))
            m_failed = true;
    }
    return FAILED(hr) ? Fail(hr) : FlowStatus::Ok;
}

FlowStatus CLavfAsfWriter::EndOfStreamOn(Kind kind)
{
    HRESULT hr = S_OK;
    {
        std::lock_guard lock(m_sessionLock);
        if (m_failed)
            return FlowStatus::Error;
        if (!m_format || m_finished)
            return FlowStatus::Ok;
        if (kind == Kind::Audio && m_audio && !m_audioEnded) {
            m_audioEnded = true;
            const AVRational tb = m_audio->Codec()->time_base;
            hr = m_audio->Finish([&](AVPacket* p) { return WritePacket(m_audioIndex, tb, p); });
        } else if (kind == Kind::Video && m_video && !m_videoEnded) {
            m_videoEnded = true;
            const AVRational tb = m_video->Codec()->time_base;
            hr = m_video->Finish([&](AVPacket* p) { return WritePacket(m_videoIndex, tb, p); });
        }
        if (FAILED(hr))
            m_failed = true;
    }
    return FAILED(hr) ? Fail(hr) : FlowStatus::Ok;
}

HRESULT CLavfAsfWriter::FinishFile()
{
    m_finished = true;
    if (int err = av_write_trailer(m_format.get()); err < 0)
        return HResultFromAVError(err);
    avio_flush(m_io.get());
    if (m_io->error < 0)
        return HResultFromAVError(m_io->error);
    const int fd = std::exchange(m_file.fd, -1);
    if (::close(fd) != 0)
        return HResultFromWin32(ERROR_WRITE_FAULT);
    return S_OK;
}

void CLavfAsfWriter::OnAllInputsEnded()
{
    HRESULT hr = S_OK;
    {
        // Both inputs may end at once on different threads; only one finishes the file.
        std::lock_guard lock(m_sessionLock);
        if (!m_format || m_finished || m_failed)
            return;
        hr = FinishFile();
        if (FAILED(hr))
            m_failed = true;
    }
    if (FAILED(hr)) {
        ReportError(hr);
        return;
    }
    CBaseFilter::OnAllInputsEnded();
}

void CLavfAsfWriter::OnStop()
{
    std::lock_guard lock(m_sessionLock);
    if (m_format && !m_finished && !m_failed) {
        // Stopped before the end: close the file properly with what was converted so far.
        // Nobody is told of a failure here; the graph is already stopping.
        HRESULT hr = S_OK;
        if (m_audio && !m_audioEnded) {
            const AVRational tb = m_audio->Codec()->time_base;
            hr = m_audio->Finish([&](AVPacket* p) { return WritePacket(m_audioIndex, tb, p); });
        }
        if (SUCCEEDED(hr) && m_video && !m_videoEnded) {
            const AVRational tb = m_video->Codec()->time_base;
            hr = m_video->Finish([&](AVPacket* p) { return WritePacket(m_videoIndex, tb, p); });
        }
        if (SUCCEEDED(hr))
            FinishFile();
    }
    CloseSession(false);
}

void CLavfAsfWriter::CloseSession(bool removeFile)
{
    m_format.reset();
    m_io.reset();
    if (m_file.fd >= 0)
        ::close(std::exchange(m_file.fd, -1));
    if (removeFile && m_fileCreated)
        ::unlink(m_path.c_str());
    m_fileCreated = false;
    m_audio.reset();
    m_video.reset();
    m_audioIndex = m_videoIndex = -1;
    m_audioEnded = m_videoEnded = false;
}

} // namespace vidlume
