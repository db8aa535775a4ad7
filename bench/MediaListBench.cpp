// The media list on a large folder. Lists a folder of many copies of one small clip in a shown
// list and measures:
//  - the time from the call that lists the folder to the end of the first paint with rows;
//  - the longest stall of the window thread while the worker fetches, as the longest gap
//    between the ticks of a 5 ms timer;
// first with nothing known about the files, then listed again with everything in the cache.
//
//   vidlume_media_list_bench CLIP [COUNT=5000] [LIMIT_SECONDS=300]
//
// The worker is stopped after LIMIT_SECONDS if it has not visited every file by then. Prints
// numbers and the goals; never fails on a time.

#include "ui/CMediaListCtrl.h"
#include "ui/CShellFolder.h"

#include "components/ComponentGroups.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>

using namespace vidlume;

namespace {

// Notes when rows are first painted after it is armed.
class CTimedList final : public CMediaListCtrl {
public:
    void Arm(const QElapsedTimer* clock)
    {
        m_clock = clock;
        m_firstPaint.reset();
    }
    std::optional<qint64> FirstPaint() const { return m_firstPaint; }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        CMediaListCtrl::paintEvent(event);
        if (m_clock && !m_firstPaint && GetItemCount() > 0)
            m_firstPaint = m_clock->nsecsElapsed();
    }

private:
    const QElapsedTimer* m_clock = nullptr;
    std::optional<qint64> m_firstPaint;
};

struct Round {
    double firstPaintMs = -1;
    double longestStallMs = 0;
    double workerSeconds = 0;
    bool finished = false;
};

Round Measure(CTimedList& list, const ItemIdList& place, int limitSeconds)
{
    Round round;
    QElapsedTimer clock;
    list.Arm(&clock);
    QEventLoop loop;
    bool finished = false;
    const auto connection = QObject::connect(&list, &CMediaListCtrl::WorkerFinished, &loop, [&] {
        finished = true;
        loop.quit();
    });

    clock.start();
    list.FillFromFolder(&place);
    // Until the first paint, the listing's own time counts; stalls are measured from then on.
    while (!list.FirstPaint())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    round.firstPaintMs = double(*list.FirstPaint()) / 1e6;

    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(5);
    qint64 lastTick = clock.nsecsElapsed();
    qint64 longest = 0;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        longest = std::max(longest, now - lastTick);
        lastTick = now;
    });
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    if (list.IsWorkerRunning()) {
        ticker.start();
        limit.start(limitSeconds * 1000);
        loop.exec();
        ticker.stop();
    }
    QObject::disconnect(connection);
    round.finished = finished || !list.IsWorkerRunning();
    list.StopWorker();
    round.longestStallMs = double(longest) / 1e6;
    round.workerSeconds = double(clock.nsecsElapsed()) / 1e9 - round.firstPaintMs / 1e3;
    return round;
}

void Print(const char* title, const Round& round, int count)
{
    std::printf("%s\n", title);
    std::printf("  first rows painted %.1f ms after the listing started (goal < 500 ms)\n", round.firstPaintMs);
    std::printf("  longest window-thread stall while the worker ran: %.1f ms (goal < 50 ms)\n", round.longestStallMs);
    std::printf("  worker %s in %.1f s (%.2f ms per file)\n", round.finished ? "visited every file" : "stopped at the time limit",
        round.workerSeconds, round.workerSeconds * 1e3 / count);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s CLIP [COUNT=5000] [LIMIT_SECONDS=300]\n", argv[0]);
        return 2;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    const QString clip = QString::fromLocal8Bit(argv[1]);
    const int count = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5000;
    const int limitSeconds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 300;
    RegisterComponents();

    QTemporaryDir folder;
    if (!folder.isValid() || !QFile::exists(clip)) {
        std::fprintf(stderr, "cannot read %s or make a folder\n", argv[1]);
        return 1;
    }
    for (int i = 0; i < count; ++i) {
        if (!QFile::copy(clip, folder.filePath(QString("clip%1.mp4").arg(i, 5, 10, QLatin1Char('0'))))) {
            std::fprintf(stderr, "cannot copy the clip\n");
            return 1;
        }
    }
    const ItemIdList place = CShellFolder::FromPath(folder.path()).GetList();

    CTimedList list;
    list.Attach();
    list.resize(800, 600);
    list.show();
    while (!list.windowHandle() || !list.windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);

    std::printf("Media list, %d files, %s platform\n", count, qPrintable(QGuiApplication::platformName()));
    const Round first = Measure(list, place, limitSeconds);
    Print("Listed the first time (every file analysed):", first, count);
    const Round again = Measure(list, place, limitSeconds);
    Print("Listed again (every file from the cache):", again, count);
    return 0;
}
