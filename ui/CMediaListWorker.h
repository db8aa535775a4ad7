#pragma once
// The media list worker: one thread per folder listing that fetches, row by row, what the
// media-information component tells about each file (duration, picture size or sound format,
// a thumbnail) and hands each result to the list on the window thread.
//
// The worker never touches the list or its rows: it works on its own copy of the rows it has
// to visit and posts every result through the window thread's event loop, tagged with the
// listing's generation number. The list applies a result only if the generation is still its
// own and the list still exists.
//
// Lifetime: a worker deletes itself once its thread has finished. Stopping is a request (an
// atomic flag read before each row), so it never makes the window thread wait. Whatever worker
// threads are still alive when the application object goes away are stopped and joined then.

#include "ui/CAlphaBitmap.h"

#include <QDateTime>
#include <QImage>
#include <QPointer>
#include <QString>
#include <QThread>

#include <atomic>
#include <cstdint>
#include <optional>
#include <vector>

namespace vidlume {

class CMediaListCtrl;

// One row as the worker sees it.
struct CMediaListWorkItem {
    int row = -1;
    QString path;
    QString displayName;
    QDateTime date;
    int kind = 0;
    CAlphaBitmap placeholder;
};

// What the worker found out about a row: its new text and, when it has one, its new picture.
struct CMediaListResult {
    int row = -1;
    QString text;
    CAlphaBitmap bitmap;
    bool hasBitmap = false;
};

class CMediaListWorker final : public QThread {
    Q_OBJECT
public:
    // Results go to list, on the window thread, tagged with generation. Create on the window thread.
    CMediaListWorker(CMediaListCtrl* list, quint64 generation, std::vector<CMediaListWorkItem> rows);
    // Stops and joins the thread if it still runs.
    ~CMediaListWorker() override;

    // Starts the thread at the lowest priority.
    void Start();
    // Any thread. The worker ends before its next row; results already posted still arrive
    // (and are dropped by a list that has moved on).
    void RequestStop() { m_stop.store(true); }
    quint64 Generation() const { return m_generation; }

    // The information fetch for one file, under the process-wide lock of CMediaInfoCache:
    // from the cache, else from the media-information component, storing what it learns.
    // Thread-safe.
    // Nothing when stop is set once the lock is held.
    static std::optional<CMediaListResult> Fetch(const CMediaListWorkItem& item, const std::atomic<bool>* stop = nullptr);
    // A packed device-independent bitmap (40-byte header, 24-bit pixels, rows padded to four
    // bytes, bottom-up or top-down) as an image; null when the bytes are not one.
    static QImage ImageFromPackedDib(const std::vector<uint8_t>& dib);

    // Worker threads not yet deleted, in the whole process. Window thread only.
    static int LiveCount();
    // Stops every worker thread still alive, waits for each and deletes it. Window thread only;
    // runs by itself when the application object is destroyed.
    static void JoinAll();

protected:
    void run() override;

private:
    void Post(CMediaListResult result);
    void PostDone();

    const QPointer<CMediaListCtrl> m_list; // read on the window thread only
    const quint64 m_generation;
    const std::vector<CMediaListWorkItem> m_rows;
    std::atomic<bool> m_stop { false };
};

} // namespace vidlume
