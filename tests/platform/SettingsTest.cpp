#include "platform/settings/CSettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <gtest/gtest.h>

using namespace vidlume;

TEST(SettingsTest, KeyPathsMapToFilesAndGroups)
{
    struct Case {
        const char* path;
        bool valid;
        const char* organization;
        const char* application;
        const char* group;
    };
    const Case cases[] = {
        { "Software\\Norvex\\Norvex Vidlume\\General", true, "Norvex", "Norvex Vidlume", "General" },
        { "software/GNU/ffdshow", true, "GNU", "ffdshow", "" },
        { "Software\\A\\B\\C\\D", true, "A", "B", "C/D" },
        { "Software\\GNU", true, "GNU", "", "" },
        { "Software\\\\", false, "", "", "" },
        { "", false, "", "", "" },
        { "Software\\ \\x", false, "", "", "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        auto loc = CSettingsStore::Resolve(QString::fromUtf8(c.path));
        ASSERT_EQ(loc.has_value(), c.valid);
        if (!c.valid)
            continue;
        EXPECT_EQ(loc->organization, c.organization);
        EXPECT_EQ(loc->application, c.application);
        EXPECT_EQ(loc->group, c.group);
    }
}

TEST(SettingsTest, ProfileValuesDefaultWhenMissingAndPersistInTheNativeFile)
{
    const QString file = QDir::homePath() + "/config/Norvex/Norvex Vidlume.conf";
    QFile::remove(file);

    EXPECT_EQ(CSettingsStore::GetProfileInt("General", "UpdateCheck", 1), 1);
    EXPECT_EQ(CSettingsStore::GetProfileString("Devices", "Video System", "PAL"), "PAL");
    EXPECT_FALSE(QFileInfo::exists(file)) << "reading must not create the file";

    ASSERT_TRUE(CSettingsStore::WriteProfileInt("General", "UpdateCheck", 0));
    ASSERT_TRUE(CSettingsStore::WriteProfileInt("Devices", "Apple iPad", 0));
    ASSERT_TRUE(CSettingsStore::WriteProfileString("Devices", "Video System", "NTSC"));
    EXPECT_EQ(CSettingsStore::GetProfileInt("General", "UpdateCheck", 1), 0);
    EXPECT_EQ(CSettingsStore::GetProfileString("Devices", "Video System", "PAL"), "NTSC");

    // The values sit in the native file, where other tools (and the next start) find them.
    ASSERT_TRUE(QFileInfo::exists(file)) << file.toStdString();
    QSettings onDisk(file, QSettings::IniFormat);
    EXPECT_EQ(onDisk.value("General/UpdateCheck").toInt(), 0);
    EXPECT_EQ(onDisk.value("Devices/Apple iPad").toInt(), 0);
    EXPECT_EQ(onDisk.value("Devices/Video System").toString(), "NTSC");

    // A value that is not a number reads as the default.
    ASSERT_TRUE(CSettingsStore::WriteProfileString("General", "UpdateCheck", "yes"));
    EXPECT_EQ(CSettingsStore::GetProfileInt("General", "UpdateCheck", 1), 1);
}
