// Start-up's pieces: the command line and the outside decoder's settings.

#include "app/CExCommandLineInfo.h"
#include "app/CQuillmoorApp.h"
#include "ui/CRegistry.h"

#include <gtest/gtest.h>

using namespace vidlume;

TEST(StartupTest, CommandLineSwitchesAndFiles)
{
    struct Case {
        QStringList arguments;
        QString sendTo;
        QStringList files;
    };
    const Case cases[] = {
        { { "-sendto=My Computer", "a.avi", "b.mp4" }, "My Computer", { "a.avi", "b.mp4" } },
        { { "a.avi", "--sendto=Apple iPad" }, "Apple iPad", { "a.avi" } },
        { { "-sendto=One", "-xsendto=Two=2" }, "Two=2", {} },   // a later switch replaces an earlier one
        { { "/sendto=x", "-nologo" }, "", { "/sendto=x" } },     // a leading '/' is a path
        { { "-SENDTO=x" }, "", {} },                             // the key is case-sensitive
        { { "-sendto=" }, "", {} },
    };
    for (const Case& c : cases) {
        CExCommandLineInfo info;
        info.Parse(c.arguments);
        EXPECT_EQ(info.m_sendTo, c.sendTo) << c.arguments.join(' ').toStdString();
        EXPECT_EQ(info.m_files, c.files) << c.arguments.join(' ').toStdString();
    }
}

TEST(StartupTest, OutsideDecoderBlacklistGetsTheProgramOnce)
{
    auto blacklist = [] {
        CRegistry key;
        key.Open("Software\\GNU\\ffdshow", true);
        return key.ReadString("blacklist", "<missing>");
    };
    auto set = [](const QString& value) {
        CRegistry key;
        ASSERT_EQ(key.Open("Software\\GNU\\ffdshow", false), ERROR_SUCCESS);
        key.WriteString("blacklist", value);
    };
    CQuillmoorApp::ExcludeFromOutsideDecoder("vidlume");
    EXPECT_EQ(blacklist(), "<missing>") << "a missing value is not created";
    set("");
    CQuillmoorApp::ExcludeFromOutsideDecoder("vidlume");
    EXPECT_EQ(blacklist(), "") << "an empty value is not filled";
    set("game.exe;");
    CQuillmoorApp::ExcludeFromOutsideDecoder("vidlume");
    EXPECT_EQ(blacklist(), "game.exe;vidlume;");
    CQuillmoorApp::ExcludeFromOutsideDecoder("vidlume");
    EXPECT_EQ(blacklist(), "game.exe;vidlume;") << "already listed: unchanged";
}
