#include "platform/drives/CDriveTable.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

using namespace vidlume;

TEST(DriveTableTest, ParsesOverrideAndSkipsMalformedEntries)
{
    QStringList errors;
    auto drives = CDriveTable::ParseOverride(
        QStringLiteral("E=optical:/srv/dvd-folder, F=optical:/srv/disc.cue,g=removable:/tmp/stick/,"
                       "H=floppy:/x,I=fixed:relative/path,JK=fixed:/a,L/fixed:/b,E=fixed:/dup,5=fixed:/n,M=fixed:"),
        &errors);
    ASSERT_EQ(drives.size(), 3);
    EXPECT_EQ(drives[0], (Drive { QLatin1Char('E'), DriveType::Optical, "/srv/dvd-folder", "dvd-folder", "/srv/dvd-folder" }));
    EXPECT_EQ(drives[1], (Drive { QLatin1Char('F'), DriveType::Optical, "/srv/disc.cue", "disc", "/srv/disc.cue" }));
    EXPECT_EQ(drives[2].letter, QLatin1Char('G'));
    EXPECT_EQ(drives[2].type, DriveType::Removable);
    EXPECT_EQ(drives[2].root, "/tmp/stick");

    const char* rejected[] = { "H=floppy", "I=fixed:relative", "JK=", "L/fixed", "E=fixed:/dup", "5=fixed", "M=fixed:" };
    ASSERT_EQ(errors.size(), int(std::size(rejected)));
    for (int i = 0; i < errors.size(); ++i)
        EXPECT_TRUE(errors[i].contains(QLatin1String(rejected[i]))) << errors[i].toStdString();
}

TEST(DriveTableTest, MalformedEnvironmentEntryIsReportedOnce)
{
    setenv("VIDLUME_DRIVES", "E=optical:/srv/dvd,X=bogus", 1);
    testing::internal::CaptureStderr();
    auto first = CDriveTable::Current();
    auto second = CDriveTable::Current();
    std::string err = testing::internal::GetCapturedStderr();
    unsetenv("VIDLUME_DRIVES");

    ASSERT_EQ(first.size(), 1);
    EXPECT_EQ(first, second);
    EXPECT_NE(err.find("X=bogus"), std::string::npos);
    EXPECT_EQ(err.find("X=bogus"), err.rfind("X=bogus")) << err;

    setenv("VIDLUME_DRIVES", "E=optical:/srv/dvd,F=removable:/srv/dvd/stick", 1);
    EXPECT_EQ(CDriveTable::FindByLetter(QLatin1Char('f'))->root, "/srv/dvd/stick");
    EXPECT_EQ(CDriveTable::FindByPath("/srv/dvd/stick/clips/a.mp4")->letter, QLatin1Char('F'));
    EXPECT_EQ(CDriveTable::FindByPath("/srv/dvd/VIDEO_TS")->letter, QLatin1Char('E'));
    EXPECT_FALSE(CDriveTable::FindByPath("/srv/dvdx"));
    unsetenv("VIDLUME_DRIVES");
}

// A small copy of the kernel's view: /sys/dev/block links into /sys/devices, a mount table, and
// udev's by-label links.
class FakeSystem {
public:
    FakeSystem()
    {
        root = dir.path();
        QDir(root).mkpath("sys/dev/block");
        QDir(root).mkpath("sys/class/block");
        QDir(root).mkpath("by-label");
    }
    void AddDisk(const QString& disk, const QString& majorMinor, bool removable, const QString& partition = {},
        const QString& partMajorMinor = {})
    {
        QString diskDir = root + "/sys/devices/pci/block/" + disk;
        QDir().mkpath(diskDir + "/device");
        Write(diskDir + "/removable", removable ? "1\n" : "0\n");
        QFile::link(diskDir, root + "/sys/dev/block/" + majorMinor);
        QFile::link(diskDir, root + "/sys/class/block/" + disk);
        if (!partition.isEmpty()) {
            QDir().mkpath(diskDir + "/" + partition);
            Write(diskDir + "/" + partition + "/partition", "1\n");
            QFile::link(diskDir + "/" + partition, root + "/sys/dev/block/" + partMajorMinor);
        }
    }
    void Label(const QString& escaped, const QString& device) { QFile::link("../../" + device, root + "/by-label/" + escaped); }
    static void Write(const QString& path, const QByteArray& data)
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(data);
    }
    CDriveTable::SystemPaths Paths() const { return { root + "/mountinfo", root + "/sys", root + "/by-label" }; }

    QTemporaryDir dir;
    QString root;
};

TEST(DriveTableTest, DetectsVolumesFromTheKernel)
{
    FakeSystem sys;
    sys.AddDisk("sda", "8:0", false, "sda2", "8:2");
    sys.AddDisk("sdb", "8:16", true, "sdb1", "8:17");
    sys.AddDisk("sr0", "11:0", true);
    sys.AddDisk("sr1", "11:1", true);
    sys.AddDisk("loop0", "7:0", false);
    sys.Label("MY\\x20STICK", "sdb1");
    sys.Label("MOVIE_DISC", "sr1");
    FakeSystem::Write(sys.root + "/mountinfo",
        "22 1 8:2 / / rw,relatime shared:1 - ext4 /dev/sda2 rw\n"
        "23 22 0:5 / /proc rw - proc proc rw\n"
        "40 22 8:17 / /media/ann/MY\\040STICK rw,nosuid - vfat /dev/sdb1 rw\n"
        "41 22 8:17 /sub /mnt/bind rw - vfat /dev/sdb1 rw\n"
        "42 22 11:1 / /media/ann/MOVIE_DISC ro - udf /dev/sr1 ro\n"
        "43 22 7:0 / /snap/core rw - squashfs /dev/loop0 ro\n"
        "garbage line\n");

    auto drives = CDriveTable::Detect(sys.Paths());
    ASSERT_EQ(drives.size(), 4);
    // Optical first (sr0 has no disc and no mount), then removable, then fixed; loop devices never.
    EXPECT_EQ(drives[0], (Drive { QLatin1Char('D'), DriveType::Optical, "", "", "/dev/sr0" }));
    EXPECT_EQ(drives[1], (Drive { QLatin1Char('E'), DriveType::Optical, "/media/ann/MOVIE_DISC", "MOVIE_DISC", "/dev/sr1" }));
    EXPECT_EQ(drives[2], (Drive { QLatin1Char('F'), DriveType::Removable, "/media/ann/MY STICK", "MY STICK", "/dev/sdb1" }));
    EXPECT_EQ(drives[3], (Drive { QLatin1Char('G'), DriveType::Fixed, "/", "", "/dev/sda2" }));
}

TEST(DriveTableTest, MissingSystemFilesGiveNoDrives)
{
    CDriveTable::SystemPaths nowhere { "/nonexistent/mountinfo", "/nonexistent/sys", "/nonexistent/by-label" };
    EXPECT_TRUE(CDriveTable::Detect(nowhere).isEmpty());
}
