#include "ui/CRegistry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <gtest/gtest.h>

using namespace vidlume;

TEST(RegistryTest, ReadsAndWritesStringValuesOfAKey)
{
    CRegistry key;
    EXPECT_EQ(key.ReadString("blacklist", "none"), "none") << "a key that is not open reads defaults";
    EXPECT_EQ(key.WriteString("blacklist", "x"), ERROR_INVALID_HANDLE);

    ASSERT_EQ(key.Open("Software\\GNU\\ffdshow", false), ERROR_SUCCESS);
    EXPECT_EQ(key.ReadString("blacklist", ""), "");
    ASSERT_EQ(key.WriteString("blacklist", "game.exe;other.exe;"), ERROR_SUCCESS);
    EXPECT_TRUE(QFileInfo::exists(QDir::homePath() + "/config/GNU/ffdshow.conf"));

    CRegistry reader;
    ASSERT_EQ(reader.Open("Software\\GNU\\ffdshow", true), ERROR_SUCCESS);
    EXPECT_EQ(reader.ReadString("blacklist", ""), "game.exe;other.exe;");
    EXPECT_EQ(reader.WriteString("blacklist", "x"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(reader.ReadString("", "dflt"), "dflt");
}

TEST(RegistryTest, ValuesThatAreNotStringsReadAsTheDefault)
{
    {
        QSettings raw(QSettings::NativeFormat, QSettings::UserScope, "Test", "Values");
        raw.beginGroup("Key");
        raw.setValue("list", QStringList { "a", "b" });
        raw.setValue("blob", QByteArray("\x01\x02", 2));
        raw.setValue("number", 42);
        raw.setValue("long", QString(CRegistry::kMaxValueLength + 1, QLatin1Char('x')));
        raw.setValue("longest", QString(CRegistry::kMaxValueLength, QLatin1Char('y')));
    }
    CRegistry key;
    ASSERT_EQ(key.Open("Software/Test/Values/Key", true), ERROR_SUCCESS);
    EXPECT_EQ(key.ReadString("list", "d"), "d");
    EXPECT_EQ(key.ReadString("blob", "d"), "d");
    EXPECT_EQ(key.ReadString("number", "d"), "42");
    EXPECT_EQ(key.ReadString("long", "d"), "d");
    EXPECT_EQ(key.ReadString("longest", "d").size(), CRegistry::kMaxValueLength);
    EXPECT_EQ(key.ReadString("missing", "d"), "d");
}

TEST(RegistryTest, BadKeysAndUnwritableFilesFail)
{
    CRegistry key;
    EXPECT_EQ(key.Open("Software\\", false), ERROR_INVALID_PARAMETER);

    // Settings of "Blocked" cannot be stored: a plain file sits where their folder would be.
    QFile blocker(QDir::homePath() + "/config/Blocked");
    ASSERT_TRUE(QDir().mkpath(QDir::homePath() + "/config"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_EQ(key.Open("Software\\Blocked\\App", false), ERROR_ACCESS_DENIED);
    EXPECT_EQ(key.Open("Software\\Blocked\\App", true), ERROR_SUCCESS) << "reading an absent key is fine";
    EXPECT_EQ(key.ReadString("value", "d"), "d");
}
