#pragma once
// Drive letters for the volumes the program offers as discs and sticks. Optical drives,
// removable volumes and fixed volumes get letters from D upward, in that order and sorted by
// device within each kind, so a letter stays put while the hardware does.
//
// The table is read from the kernel (block devices under /sys and the mount table); the
// environment variable VIDLUME_DRIVES replaces it completely, for tests and for working with
// disc images and folders as if they were drives:
//     VIDLUME_DRIVES="E=optical:/srv/dvd-folder,F=optical:/srv/disc.cue,G=removable:/tmp/stick"

#include <QChar>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace vidlume {

enum class DriveType { Optical, Removable, Fixed };

struct Drive {
    QChar letter;     // 'D'...'Z'
    DriveType type = DriveType::Fixed;
    QString root;     // mount point (or, from VIDLUME_DRIVES, the folder or image); empty when no medium is mounted
    QString label;    // volume label; may be empty
    QString device;   // device node such as /dev/sr0, or the image or folder path

    friend bool operator==(const Drive&, const Drive&) = default;
};

// Where the kernel's view is read from; tests point these into a folder of their own.
struct DriveSystemPaths {
    QString mountInfo = QStringLiteral("/proc/self/mountinfo");
    QString sysRoot = QStringLiteral("/sys");
    QString byLabel = QStringLiteral("/dev/disk/by-label");
};

class CDriveTable {
public:
    using SystemPaths = DriveSystemPaths;

    // The drives now: VIDLUME_DRIVES when set, else Detect(). Malformed VIDLUME_DRIVES entries
    // are skipped and each one is reported on standard error the first time it is seen.
    // Reads the system on every call; cheap enough for device-change events.
    static QList<Drive> Current();

    // Parses the VIDLUME_DRIVES form: comma-separated LETTER=TYPE:PATH with TYPE one of optical,
    // removable, fixed and an absolute PATH. Entries with a bad letter, type or path, or a
    // letter already given, are skipped and described in *errors.
    static QList<Drive> ParseOverride(const QString& text, QStringList* errors = nullptr);

    // Reads the kernel's block devices and mount table.
    static QList<Drive> Detect(const SystemPaths& paths = SystemPaths());

    static std::optional<Drive> FindByLetter(QChar letter);
    // The drive whose root holds the path (the longest matching root).
    static std::optional<Drive> FindByPath(const QString& path);
    static QString TypeName(DriveType type);
};

} // namespace vidlume
