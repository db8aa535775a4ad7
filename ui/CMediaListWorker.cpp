#include "CMediaListWorker.h"

#include <optional>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "ui/CMediaInfoCache.h"
#include "ui/CMediaListCtrl.h"
#include "ui/CMediaListItem.h"

#include "platform/com/CClassRegistry.h"
#include "platform/graph/GraphInterfaces.h"
#include "platform/graph/MediaInfoInterfaces.h"
#include "res/CStringTable.h"

#include <QCoreApplication>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <set>

namespace vidlume {

namespace {

    constexpr unsigned IDS_VIDEO_INFO = 225, IDS_UNKNOWN_FORMAT = 226, IDS_AUDIO_INFO = 232;
    constexpr int kThumbnailWidth = 64, kThumbnailHeight = 48;
    constexpr int kWorkerNice = 10;
    constexpr size_t kDibHeaderSize = 40;

    // Every worker object not yet deleted. Touched on the window thread only: workers are
    // created there and, living there, are deleted there.
    std::set<CMediaListWorker*>& LiveWorkers()
    {
        static std::set<CMediaListWorker*> workers;
        return workers;
    }

    bool g_joinRegistered = false;

    void JoinWorkersAtExit()
    {
        // Post routines run once per application object; a later one registers anew.
        g_joinRegistered = false;
        CMediaListWorker::JoinAll();
    }

    // Minutes and seconds of a duration truncated toward zero: 125.9 s is 2:05.
    void SplitDuration(double seconds, int* minutes, int* rest)
    {
        const double clamped = std::isfinite(seconds) ? std::clamp(seconds, -2147483647.0, 2147483647.0) : 0.0;
        const int whole = int(clamped);
        *minutes = whole / 60;
        *rest = whole % 60;
    }

} // namespace

CMediaListWorker::CMediaListWorker(CMediaListCtrl* list, quint64 generation, std::vector<CMediaListWorkItem> rows)
    : m_list(list), m_generation(generation), m_rows(std::move(rows))
{
    LiveWorkers().insert(this);
    if (!g_joinRegistered) {
        qAddPostRoutine(JoinWorkersAtExit);
        g_joinRegistered = true;
    }
    connect(this, &QThread::finished, this, &QObject::deleteLater);
}

CMediaListWorker::~CMediaListWorker()
{
    LiveWorkers().erase(this);
    RequestStop();
    wait();
}

void CMediaListWorker::Start()
{
    start(QThread::LowestPriority);
}

int CMediaListWorker::LiveCount()
{
    return int(LiveWorkers().size());
}

void CMediaListWorker::JoinAll()
{
    const std::set<CMediaListWorker*> workers = LiveWorkers();
    // Ask all first, so they wind down together rather than one after another.
    for (CMediaListWorker* worker : workers)
        worker->RequestStop();
    for (CMediaListWorker* worker : workers)
        delete worker;
}

void CMediaListWorker::run()
{
    // Ordinary Linux threads have no lower priorities to pick from; a higher nice value makes
    // the analysis yield to the window and to a running transfer without starving under them.
    ::setpriority(PRIO_PROCESS, pid_t(::syscall(SYS_gettid)), kWorkerNice);
    for (const CMediaListWorkItem& item : m_rows) {
        if (m_stop.load())
            return;
        std::optional<CMediaListResult> result = Fetch(item, &m_stop);
        if (!result)
            return;
        Post(std::move(*result));
    }
    PostDone();
}

void CMediaListWorker::Post(CMediaListResult result)
{
    // The event belongs to this object, which lives on the window thread and outlives the
    // thread's run; the list is looked at only there.
    QMetaObject::invokeMethod(
        this,
        [this, result = std::move(result)] {
            if (m_list)
                m_list->ApplyWorkerResult(this, m_generation, result);
        },
        Qt::QueuedConnection);
}

void CMediaListWorker::PostDone()
{
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_list)
                m_list->WorkerDone(this, m_generation);
        },
        Qt::QueuedConnection);
}

std::optional<CMediaListResult> CMediaListWorker::Fetch(const CMediaListWorkItem& item, const std::atomic<bool>* stop)
{
    CMediaListResult result;
    result.row = item.row;
    int day, month, year;
    GetDateParts(item.date, &day, &month, &year);

    // What the file is now: a file that changed since it was analysed (one still being written,
    // say) is analysed again.
    const CFileStamp stamp = CFileStamp::Of(item.path);
    std::lock_guard lock(CMediaInfoCache::Lock());
    // Other lists' fetches may have kept this worker waiting for the lock; a stopped one leaves.
    if (stop && stop->load())
        return std::nullopt;
    if (CMediaInfoCache::Find(item.path, stamp, &result.text, &result.bitmap)) {
        result.hasBitmap = !result.bitmap.IsEmpty();
        return result;
    }
    // Whatever goes wrong below, this file is not analysed again during this run.
    result.text = CStringTable::Format(IDS_UNKNOWN_FORMAT, item.displayName, day, month, year);
    CMediaInfoCache::Store(item.path, stamp, result.text, item.placeholder);

    ComPtr<IMediaInfo> info;
    if (FAILED(CoCreateInstance(CLSID_MediaInfo, &info)))
        return result;
    if (FAILED(info->Open(item.path.toUtf8().toStdString())))
        return result;
    double duration = 0;
    if (FAILED(info->GetDuration(&duration)))
        return result;
    bool hasVideo = false, hasAudio = false;
    if (FAILED(info->GetStreams(&hasVideo, &hasAudio)))
        return result;
    int minutes, seconds;
    SplitDuration(duration, &minutes, &seconds);

    if (hasVideo) {
        uint16_t width = 0, height = 0;
        if (FAILED(info->GetVideoSize(&width, &height)))
            return result;
        result.text = CStringTable::Format(IDS_VIDEO_INFO, item.displayName, minutes, seconds, int(width), int(height), day, month, year);
        // Without a picture the row shows the new text, while the cache keeps "Unknown format".
        std::vector<uint8_t> dib;
        if (FAILED(info->GetFrameBitmap(duration * 0.5, kThumbnailWidth, kThumbnailHeight, &dib)))
            return result;
        const QImage picture = ImageFromPackedDib(dib);
        if (picture.isNull())
            return result;
        result.bitmap.Attach(picture, false);
        result.hasBitmap = true;
        CMediaInfoCache::Store(item.path, stamp, result.text, result.bitmap);
    } else if (hasAudio) {
        uint32_t sampleRate = 0;
        uint16_t channels = 0, bits = 0;
        if (FAILED(info->GetAudioFormat(&sampleRate, &channels, &bits)))
            return result;
        result.text = CStringTable::Format(IDS_AUDIO_INFO, item.displayName, minutes, seconds, int(sampleRate), int(channels), int(bits), day, month,
            year);
        CMediaInfoCache::Store(item.path, stamp, result.text, item.placeholder);
    }
    return result;
}

QImage CMediaListWorker::ImageFromPackedDib(const std::vector<uint8_t>& dib)
{
    if (dib.size() < kDibHeaderSize)
        return {};
    const uint8_t* p = dib.data();
    const uint32_t headerSize = qFromLittleEndian<quint32>(p);
    const int32_t width = qFromLittleEndian<qint32>(p + 4);
    const int32_t height = qFromLittleEndian<qint32>(p + 8);
    const uint16_t bitCount = qFromLittleEndian<quint16>(p + 14);
    const uint32_t compression = qFromLittleEndian<quint32>(p + 16);
    const uint32_t colorsUsed = qFromLittleEndian<quint32>(p + 32);
    if (headerSize < kDibHeaderSize || headerSize > dib.size() || bitCount != 24 || compression != 0)
        return {};
    if (width <= 0 || width > 65535 || height == 0 || height < -65535 || height > 65535 || colorsUsed > 256)
        return {};
    const bool bottomUp = height > 0;
    const int rows = bottomUp ? height : -height;
    const size_t stride = (size_t(width) * 3 + 3) & ~size_t(3);
    const size_t offset = size_t(headerSize) + size_t(colorsUsed) * 4;
    if (offset > dib.size() || (dib.size() - offset) / stride < size_t(rows))
        return {};
    QImage image(width, rows, QImage::Format_RGB32);
    if (image.isNull())
        return {};
    for (int y = 0; y < rows; ++y) {
        const uint8_t* in = p + offset + size_t(bottomUp ? rows - 1 - y : y) * stride;
        QRgb* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x, in += 3)
            out[x] = qRgb(in[2], in[1], in[0]);
    }
    return image;
}

} // namespace vidlume
