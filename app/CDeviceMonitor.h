#pragma once
// Tells when volumes and discs come and go: the kernel flags every change of the mount table
// (watched without polling), and a two-second look at the optical drives catches a disc put in
// or taken out of a drive that mounts nothing. Each change is reported once, arrivals and
// removals apart.

#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>

class QSocketNotifier;

namespace vidlume {

class CDeviceMonitor final : public QObject {
    Q_OBJECT
public:
    explicit CDeviceMonitor(QObject* parent = nullptr, const QString& mountTable = QStringLiteral("/proc/self/mountinfo"));
    ~CDeviceMonitor() override;

    // Looks at the drives now and reports what changed since the last look.
    void Check();
    // One entry per drive and its medium, as the comparison sees them.
    static QSet<QString> Snapshot();

signals:
    void DeviceArrived();
    void DeviceRemoved();

private:
    QSet<QString> m_last;
    int m_mountTable = -1;
    QSocketNotifier* m_notifier = nullptr;
    QTimer m_timer;
};

} // namespace vidlume
