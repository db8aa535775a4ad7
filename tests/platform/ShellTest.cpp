#include "platform/shell/CShell.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

using namespace vidlume;

namespace {
void MakeProgram(const QString& path, bool executable = true)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("#!/bin/sh\nexit 0\n");
    f.close();
    f.setPermissions(executable ? QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner : QFile::ReadOwner | QFile::WriteOwner);
}
} // namespace

TEST(ShellTest, ProgramsBesideTheExecutableComeBeforePath)
{
    QTemporaryDir beside, onPath;
    MakeProgram(beside.filePath("trimwell"));
    MakeProgram(onPath.filePath("trimwell"));
    MakeProgram(onPath.filePath("sleevo"));
    MakeProgram(beside.filePath("glintar"), false);
    MakeProgram(onPath.filePath("glintar"));

    const QByteArray oldPath = qgetenv("PATH");
    setenv("PATH", onPath.path().toLocal8Bit().constData(), 1);
    EXPECT_EQ(CShell::FindProgram("Trimwell.exe", { beside.path() }), beside.filePath("trimwell"));
    EXPECT_EQ(CShell::FindProgram("Sleevo.exe", { beside.path() }), onPath.filePath("sleevo"));
    EXPECT_EQ(CShell::FindProgram("glintar", { beside.path() }), onPath.filePath("glintar")) << "a file that cannot run is skipped";
    EXPECT_EQ(CShell::FindProgram("Missing.exe", { beside.path() }), QString());
    EXPECT_FALSE(CShell::StartProgram("Missing.exe", {}));
    setenv("PATH", oldPath.constData(), 1);
}

TEST(ShellTest, FoldersFollowTheUsersEnvironment)
{
    const QString home = QDir::homePath();
    EXPECT_EQ(CShell::GetAppDataFolder(), home + "/data");
    EXPECT_EQ(CShell::GetVideosFolder(), home + "/Videos");
    EXPECT_FALSE(CShell::GetTempFolder().isEmpty());
    EXPECT_TRUE(QFile::exists(CShell::GetExecutablePath()));
}
