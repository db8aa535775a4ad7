#include "CDeviceMonitor.h"

#include "platform/drives/CDriveTable.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <linux/cdrom.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace vidlume {

namespace {
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

CDeviceMonitor::CDeviceMonitor(QObject* parent, const QString& mountTable) : QObject(parent), m_last(Snapshot())
{
    // The mount table reads as "exceptional" after every change.
    m_mountTable = ::open(mountTable.toLocal8Bit().constData(), O_RDONLY | O_CLOEXEC);
    if (m_mountTable >= 0) {
        m_notifier = new QSocketNotifier(m_mountTable, QSocketNotifier::Exception, this);
        connect(m_notifier, &QSocketNotifier::activated, this, [this] {
            // Reading the table to its end re-arms the notification.
            char buffer[4096];
            ::lseek(m_mountTable, 0, SEEK_SET);
            while (::read(m_mountTable, buffer, sizeof buffer) > 0) { }
            Check();
        });
    }
    connect(&m_timer, &QTimer::timeout, this, &CDeviceMonitor::Check);
    m_timer.start(2000);
}

CDeviceMonitor::~CDeviceMonitor()
{
    delete m_notifier;
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
