#include "CDriveTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QSet>

#include <algorithm>
#include <cstdio>

namespace vidlume {

namespace {

    std::optional<DriveType> ParseType(const QString& name)
    {
        if (name == QLatin1String("optical"))
            return DriveType::Optical;
        if (name == QLatin1String("removable"))
            return DriveType::Removable;
        if (name == QLatin1String("fixed"))
            return DriveType::Fixed;
        return std::nullopt;
    }

    QString ReadLine(const QString& path)
    {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readLine()).trimmed();
    }

    // Mount tables escape blanks, tabs, new lines and backslashes as \ooo octal.
    QString UnescapeOctal(const QByteArray& s)
    {
        QByteArray out;
        for (qsizetype i = 0; i < s.size(); ++i) {
            if (s[i] == '\\' && i + 3 < s.size()) {
                bool ok = false;
                int v = s.mid(i + 1, 3).toInt(&ok, 8);
                if (ok) {
                    out += char(v);
                    i += 3;
                    continue;
                }
            }
            out += s[i];
        }
        return QString::fromUtf8(out);
    }

    // udev writes labels with unsafe characters as \xHH.
    QString UnescapeHex(const QString& s)
    {
        QByteArray in = s.toUtf8(), out;
        for (qsizetype i = 0; i < in.size(); ++i) {
            if (in[i] == '\\' && i + 3 < in.size() && in[i + 1] == 'x') {
                bool ok = false;
                int v = in.mid(i + 2, 2).toInt(&ok, 16);
                if (ok) {
                    out += char(v);
                    i += 3;
                    continue;
                }
            }
            out += in[i];
        }
        return QString::fromUtf8(out);
    }

    struct Mount {
        QString majorMinor;
        QString mountPoint;
    };

    QList<Mount> ReadMounts(const QString& mountInfo)
    {
        QList<Mount> mounts;
        QFile f(mountInfo);
        if (!f.open(QIODevice::ReadOnly))
            return mounts;
        for (const QByteArray& line : f.readAll().split('\n')) {
            QList<QByteArray> fields = line.split(' ');
            // id parent major:minor root mount-point options [optional...] - fstype source super
            if (fields.size() < 10)
                continue;
            if (fields[3] != "/") // bind mount of a sub-folder: the volume shows up elsewhere
                continue;
            mounts.append({ QString::fromLatin1(fields[2]), UnescapeOctal(fields[4]) });
        }
        return mounts;
    }

    struct BlockDevice {
        QString name;       // sda1, sr0
        QString disk;       // sda, sr0
        bool optical = false;
        bool removable = false;
    };

    // Resolves /sys/dev/block/M:m to the device and its whole disk.
    std::optional<BlockDevice> Describe(const QString& sysRoot, const QString& majorMinor)
    {
        QString link = sysRoot + QStringLiteral("/dev/block/") + majorMinor;
        QFileInfo fi(link);
        if (!fi.exists())
            return std::nullopt;
        QString dir = fi.canonicalFilePath();
        BlockDevice dev;
        dev.name = QFileInfo(dir).fileName();
        QString diskDir = QFile::exists(dir + QStringLiteral("/partition")) ? QFileInfo(dir).absolutePath() : dir;
        dev.disk = QFileInfo(diskDir).fileName();
        // Loop, RAM and compressed-RAM devices are not volumes a user plugs in or owns.
        if (dev.disk.startsWith(QLatin1String("loop")) || dev.disk.startsWith(QLatin1String("ram"))
            || dev.disk.startsWith(QLatin1String("zram")))
            return std::nullopt;
        dev.optical = dev.disk.startsWith(QLatin1String("sr")) || ReadLine(diskDir + QStringLiteral("/device/type")) == QLatin1String("5");
        dev.removable = ReadLine(diskDir + QStringLiteral("/removable")) == QLatin1String("1");
        return dev;
    }

    QHash<QString, QString> ReadLabels(const QString& byLabel)
    {
        QHash<QString, QString> labels; // device name -> label
        QDir dir(byLabel);
        const auto entries = dir.entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
        for (const QFileInfo& e : entries) {
            if (!e.isSymLink())
                continue;
            labels.insert(QFileInfo(e.symLinkTarget()).fileName(), UnescapeHex(e.fileName()));
        }
        return labels;
    }

    int Rank(DriveType t)
    {
        switch (t) {
        case DriveType::Optical: return 0;
        case DriveType::Removable: return 1;
        case DriveType::Fixed: return 2;
        }
        return 3;
    }

} // namespace

QString CDriveTable::TypeName(DriveType type)
{
    switch (type) {
    case DriveType::Optical: return QStringLiteral("optical");
    case DriveType::Removable: return QStringLiteral("removable");
    case DriveType::Fixed: return QStringLiteral("fixed");
    }
    return {};
}

QList<Drive> CDriveTable::ParseOverride(const QString& text, QStringList* errors)
{
    QList<Drive> drives;
    auto fail = [&](const QString& entry, const char* why) {
        if (errors)
            errors->append(QStringLiteral("VIDLUME_DRIVES: ignoring \"%1\": %2").arg(entry, QLatin1String(why)));
    };
    const QStringList entries = text.split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString& raw : entries) {
        QString entry = raw.trimmed();
        if (entry.isEmpty())
            continue;
        qsizetype eq = entry.indexOf(QLatin1Char('='));
        qsizetype colon = entry.indexOf(QLatin1Char(':'), eq + 1);
        if (eq != 1 || colon < 0) {
            fail(entry, "expected LETTER=TYPE:PATH");
            continue;
        }
        QChar letter = entry[0].toUpper();
        if (letter < QLatin1Char('A') || letter > QLatin1Char('Z')) {
            fail(entry, "the drive letter must be A to Z");
            continue;
        }
        auto type = ParseType(entry.mid(eq + 1, colon - eq - 1).trimmed());
        if (!type) {
            fail(entry, "the type must be optical, removable or fixed");
            continue;
        }
        QString path = entry.mid(colon + 1).trimmed();
        if (!QDir::isAbsolutePath(path)) {
            fail(entry, "the path must be absolute");
            continue;
        }
        if (std::any_of(drives.begin(), drives.end(), [&](const Drive& d) { return d.letter == letter; })) {
            fail(entry, "the drive letter is given twice");
            continue;
        }
        path = QDir::cleanPath(path);
        QFileInfo fi(path);
        Drive d;
        d.letter = letter;
        d.type = *type;
        d.root = path;
        d.device = path;
        d.label = fi.isDir() ? fi.fileName() : fi.completeBaseName();
        drives.append(d);
    }
    return drives;
}

QList<Drive> CDriveTable::Detect(const SystemPaths& paths)
{
    struct Found {
        DriveType type;
        QString device;
        QString root;
    };
    QList<Found> found;
    QSet<QString> seen;

    for (const Mount& m : ReadMounts(paths.mountInfo)) {
        auto dev = Describe(paths.sysRoot, m.majorMinor);
        if (!dev || seen.contains(dev->name))
            continue;
        seen.insert(dev->name);
        DriveType type = dev->optical ? DriveType::Optical : dev->removable ? DriveType::Removable : DriveType::Fixed;
        found.append({ type, dev->name, m.mountPoint });
    }
    // Optical drives count even with the tray empty or an audio CD inside (nothing mounted).
    QDir classBlock(paths.sysRoot + QStringLiteral("/class/block"));
    const QStringList names = classBlock.entryList({ QStringLiteral("sr*") }, QDir::AllEntries | QDir::System, QDir::Name);
    for (const QString& name : names) {
        if (!seen.contains(name)) {
            seen.insert(name);
            found.append({ DriveType::Optical, name, QString() });
        }
    }

    std::stable_sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
        if (Rank(a.type) != Rank(b.type))
            return Rank(a.type) < Rank(b.type);
        if (a.device.size() != b.device.size()) // sr2 before sr10, sda before sdaa
            return a.device.size() < b.device.size();
        return a.device < b.device;
    });

    QHash<QString, QString> labels = ReadLabels(paths.byLabel);
    QList<Drive> drives;
    char letter = 'D';
    for (const Found& f : found) {
        if (letter > 'Z')
            break;
        Drive d;
        d.letter = QLatin1Char(letter++);
        d.type = f.type;
        d.root = f.root;
        d.device = QStringLiteral("/dev/") + f.device;
        d.label = labels.value(f.device);
        drives.append(d);
    }
    return drives;
}

QList<Drive> CDriveTable::Current()
{
    QByteArray env = qgetenv("VIDLUME_DRIVES");
    if (env.isNull())
        return Detect();
    QStringList errors;
    QList<Drive> drives = ParseOverride(QString::fromLocal8Bit(env), &errors);
    static QMutex lock;
    static QSet<QString> reported;
    QMutexLocker guard(&lock);
    for (const QString& e : errors) {
        if (!reported.contains(e)) {
            reported.insert(e);
            std::fprintf(stderr, "%s\n", e.toLocal8Bit().constData());
        }
    }
    return drives;
}

std::optional<Drive> CDriveTable::FindByLetter(QChar letter)
{
    for (const Drive& d : Current())
        if (d.letter == letter.toUpper())
            return d;
    return std::nullopt;
}

std::optional<Drive> CDriveTable::FindByPath(const QString& path)
{
    QString clean = QDir::cleanPath(path);
    std::optional<Drive> best;
    for (const Drive& d : Current()) {
        if (d.root.isEmpty())
            continue;
        bool inside = clean == d.root || clean.startsWith(d.root.endsWith(QLatin1Char('/')) ? d.root : d.root + QLatin1Char('/'));
        if (inside && (!best || d.root.size() > best->root.size()))
            best = d;
    }
    return best;
}

} // namespace vidlume
