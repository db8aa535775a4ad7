// Volumes and discs coming and going become one arrival or removal each.

#include "app/CDeviceMonitor.h"

#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vidlume;

TEST(DeviceMonitorTest, ReportsArrivalsAndRemovalsOnce)
{
    QTemporaryDir stick, disc;
    const QByteArray one = "G=removable:" + stick.path().toLocal8Bit();
    const QByteArray two = one + ",E=optical:" + disc.path().toLocal8Bit();
    qputenv("VIDLUME_DRIVES", one);
    CDeviceMonitor monitor(nullptr, false);
    QSignalSpy arrived(&monitor, &CDeviceMonitor::DeviceArrived);
    QSignalSpy removed(&monitor, &CDeviceMonitor::DeviceRemoved);

    const struct { QByteArray drives; int arrived, removed; } steps[] = {
        { one, 0, 0 },  // nothing changed
        { two, 1, 0 },  // a disc came
        { two, 1, 0 },  // still there: no second report
        { one, 1, 1 },  // the disc went
        { "G=removable:" + disc.path().toLocal8Bit(), 2, 2 }, // another volume under the same letter
    };
    for (const auto& step : steps) {
        qputenv("VIDLUME_DRIVES", step.drives);
        monitor.Check();
        EXPECT_EQ(arrived.size(), step.arrived) << step.drives.constData();
        EXPECT_EQ(removed.size(), step.removed) << step.drives.constData();
    }
    qunsetenv("VIDLUME_DRIVES");
}
