#pragma once
// Tells when volumes and discs come and go: the kernel flags every change of the mount table
// (watched without polling), and a two-second look at the optical drives catches a disc put in
// or taken out of a drive that mounts nothing. Each change is reported once, arrivals and
// removals apart.
//
// The looking happens on a thread of the monitor's own - asking a drive about its disc can
// take a while when the drive is busy - and the signals reach their receivers through their
// threads' event loops.

#include <QObject>
#include <QSet>
#include <QString>
#include <QThread>

namespace vidlume {

class CDeviceMonitor final : public QObject {
    Q_OBJECT
public:
    // Without watch, nothing runs by itself: Check() looks when called.
    explicit CDeviceMonitor(QObject* parent = nullptr, bool watch = true);
    // Stops and joins the watching thread.
    ~CDeviceMonitor() override;

    // Looks at the drives now and reports what changed since the last look. Not to be called
    // while the monitor watches by itself.
    void Check();
    // One entry per drive and its medium, as the comparison sees them.
    static QSet<QString> Snapshot();

signals:
    void DeviceArrived();
    void DeviceRemoved();

private:
    QSet<QString> m_last;
    int m_mountTable = -1;
    QThread m_thread;
    QObject* m_watch = nullptr;
};

} // namespace vidlume
