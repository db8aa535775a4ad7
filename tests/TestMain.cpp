// Shared main of the test programs: an offscreen QApplication, and HOME and the XDG folders
// pointed into a fresh temporary folder, so no test reads or writes the user's own settings.

#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    QTemporaryDir home;
    if (!home.isValid())
        return 1;
    const QByteArray root = home.path().toLocal8Bit();
    setenv("HOME", root.constData(), 1);
    setenv("XDG_CONFIG_HOME", (root + "/config").constData(), 1);
    setenv("XDG_DATA_HOME", (root + "/data").constData(), 1);
    setenv("XDG_CACHE_HOME", (root + "/cache").constData(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    unsetenv("VIDLUME_DRIVES");

    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
