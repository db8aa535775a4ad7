#include "CDeviceMonitor.h"

#include "platform/drives/CDriveTable.h"

#include <QSocketNotifier>
#include <QTimer>

#include <fcntl.h>
#include <linux/cdrom.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace vidlume {

namespace {
    constexpr int kOpticalCheckMs = 2000;

    // Whether an optical drive holds a disc; a node that is not a drive counts as a medium.
    bool HasMedium(const QString& device)
    {
        if (!device.startsWith(QLatin1String("/dev/")))
            return true;
        const int fd = ::open(device.toLocal8Bit().constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            return false;
        const int status = ::ioctl(fd, CDROM_DRIVE_STATUS, CDSL_CURRENT);
        ::close(fd);
        return status == CDS_DISC_OK;
    }
}

CDeviceMonitor::CDeviceMonitor(QObject* parent, bool watch) : QObject(parent), m_last(Snapshot())
{
    if (!watch)
        return;
    m_mountTable = ::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
    m_watch = new QObject;
    m_watch->moveToThread(&m_thread);
    m_thread.setObjectName(QStringLiteral("device monitor"));
    m_thread.start();
    QMetaObject::invokeMethod(m_watch, [this] {
        auto* timer = new QTimer(m_watch);
        connect(timer, &QTimer::timeout, m_watch, [this] { Check(); });
        timer->start(kOpticalCheckMs);
        if (m_mountTable >= 0) {
            // The mount table reads as "exceptional" after every change; reading it to its end
            // arms the next notification.
            auto* notifier = new QSocketNotifier(m_mountTable, QSocketNotifier::Exception, m_watch);
            connect(notifier, &QSocketNotifier::activated, m_watch, [this] {
                char buffer[4096];
                ::lseek(m_mountTable, 0, SEEK_SET);
                while (::read(m_mountTable, buffer, sizeof buffer) > 0) { }
                Check();
            });
        }
    });
}

CDeviceMonitor::~CDeviceMonitor()
{
    if (m_watch) {
        // The timer and the notifier belong to the thread: they go there, before it ends.
        QMetaObject::invokeMethod(m_watch, [this] { qDeleteAll(m_watch->children()); }, Qt::BlockingQueuedConnection);
        m_thread.quit();
        m_thread.wait();
        delete m_watch;
    }
    if (m_mountTable >= 0)
        ::close(m_mountTable);
}

QSet<QString> CDeviceMonitor::Snapshot()
{
    QSet<QString> snapshot;
    for (const Drive& drive : CDriveTable::Current()) {
        const bool medium = drive.type == DriveType::Optical ? HasMedium(drive.device) : !drive.root.isEmpty();
        snapshot.insert(QStringLiteral("%1|%2|%3|%4").arg(drive.letter).arg(drive.root, drive.device).arg(medium));
    }
    return snapshot;
}

void CDeviceMonitor::Check()
{
    const QSet<QString> now = Snapshot();
    if (now == m_last)
        return;
    const bool removed = !(m_last - now).isEmpty();
    const bool arrived = !(now - m_last).isEmpty();
    m_last = now;
    if (removed)
        emit DeviceRemoved();
    if (arrived)
        emit DeviceArrived();
}

} // namespace vidlume
