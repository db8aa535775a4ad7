#include "CShellFolder.h"

#include "platform/drives/CDriveTable.h"

#include <QCollator>
#include <QDir>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>

namespace vidlume {

namespace {

QString CleanDir(const QString& path)
{
    return path.isEmpty() ? QString() : QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

bool IsBelowOrEqual(const QString& path, const QString& folder)
{
    if (folder == QLatin1String("/"))
        return path.startsWith(QLatin1Char('/'));
    return path == folder || path.startsWith(folder + QLatin1Char('/'));
}

} // namespace

QList<CShellChild> CShellFolder::RootChildren()
{
    QList<CShellChild> children;
    const QString home = CleanDir(QDir::homePath());
    if (QFileInfo(home).isDir())
        children.append({ home.toUtf8(), QStringLiteral("Home"), true, home });
    const QStandardPaths::StandardLocation places[] = {
        QStandardPaths::DesktopLocation, QStandardPaths::DocumentsLocation, QStandardPaths::DownloadLocation,
        QStandardPaths::MusicLocation, QStandardPaths::PicturesLocation, QStandardPaths::MoviesLocation,
    };
    for (const auto place : places) {
        const QString path = CleanDir(QStandardPaths::writableLocation(place));
        if (path.isEmpty() || path == home || !QFileInfo(path).isDir())
            continue;
        if (std::any_of(children.begin(), children.end(), [&](const CShellChild& c) { return c.path == path; }))
            continue;
        children.append({ path.toUtf8(), QFileInfo(path).fileName(), true, path });
    }
    children.append({ CNameSpaceItem::kComputerItem, QStringLiteral("Computer"), true, {} });
    return children;
}

QList<CShellChild> CShellFolder::ComputerChildren()
{
    QList<CShellChild> children { { QByteArrayLiteral("/"), QStringLiteral("File System"), true, QStringLiteral("/") } };
    for (const Drive& drive : CDriveTable::Current()) {
        const QString root = CleanDir(drive.root);
        if (root.isEmpty() || root == QLatin1String("/") || !QFileInfo(root).isDir())
            continue;
        if (std::any_of(children.begin(), children.end(), [&](const CShellChild& c) { return c.path == root; }))
            continue;
        const QString name = drive.label.isEmpty() ? QFileInfo(root).fileName() : drive.label;
        children.append({ root.toUtf8(), name, true, root });
    }
    return children;
}

bool CShellFolder::Enumerate(const CNameSpaceItem& place, bool folders, bool nonFolders, QList<CShellChild>* children)
{
    children->clear();
    QList<CShellChild> all;
    if (place.GetDepth() == 0) {
        all = RootChildren();
    } else if (place.IsComputer()) {
        all = ComputerChildren();
    } else {
        const QString path = place.GetPath();
        const QFileInfo info(path);
        if (path.isEmpty() || !info.isDir() || !info.isReadable())
            return false;
        QDir dir(path);
        if (!dir.isReadable())
            return false;
        const QFileInfoList entries = dir.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System, QDir::NoSort);
        for (const QFileInfo& entry : entries) {
            const QString name = entry.fileName();
            if (name.startsWith(QLatin1Char('.')))
                continue;
            all.append({ name.toUtf8(), name, entry.isDir(), QDir::cleanPath(entry.absoluteFilePath()) });
        }
        QCollator collator;
        collator.setNumericMode(true);
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        std::stable_sort(all.begin(), all.end(), [&](const CShellChild& a, const CShellChild& b) { return collator.compare(a.displayName, b.displayName) < 0; });
    }
    for (CShellChild& child : all) {
        if (child.folder ? folders : nonFolders)
            children->append(std::move(child));
    }
    return true;
}

QString CShellFolder::GetDisplayName(const CNameSpaceItem& place)
{
    if (place.GetDepth() == 0)
        return QStringLiteral("Places");
    if (place.GetDepth() == 1 || (place.GetDepth() == 2 && place.GetList().front() == CNameSpaceItem::kComputerItem)) {
        CNameSpaceItem parent = place;
        parent.RemoveLast();
        const QList<CShellChild> siblings = parent.GetDepth() == 0 ? RootChildren() : ComputerChildren();
        for (const CShellChild& sibling : siblings) {
            if (sibling.id == place.GetList().back())
                return sibling.displayName;
        }
    }
    const QString path = place.GetPath();
    return path.isEmpty() ? QString::fromUtf8(place.GetList().back()) : QFileInfo(path).fileName();
}

bool CShellFolder::IsFolder(const CNameSpaceItem& place)
{
    if (place.GetDepth() == 0 || place.IsComputer())
        return true;
    const QString path = place.GetPath();
    return !path.isEmpty() && QFileInfo(path).isDir();
}

CNameSpaceItem CShellFolder::FromPath(const QString& path)
{
    const QString clean = CleanDir(path);
    if (clean.isEmpty())
        return {};
    // The deepest user folder or volume that holds the path names its first items.
    ItemIdList best;
    QString bestRoot;
    const auto consider = [&](const ItemIdList& prefix, const QString& root) {
        if (IsBelowOrEqual(clean, root) && (bestRoot.isEmpty() || root.size() > bestRoot.size())) {
            best = prefix;
            bestRoot = root;
        }
    };
    for (const CShellChild& child : RootChildren()) {
        if (!child.path.isEmpty())
            consider({ child.id }, child.path);
    }
    for (const CShellChild& child : ComputerChildren())
        consider({ CNameSpaceItem::kComputerItem, child.id }, child.path);
    if (bestRoot.isEmpty())
        return {};
    const QString rest = clean.mid(bestRoot.size());
    for (const QString& part : rest.split(QLatin1Char('/'), Qt::SkipEmptyParts))
        best.append(part.toUtf8());
    return CNameSpaceItem(best);
}

QIcon CShellFolder::GetIcon(const CNameSpaceItem& place)
{
    static const QFileIconProvider provider;
    if (place.GetDepth() == 0)
        return provider.icon(QFileIconProvider::Desktop);
    if (place.IsComputer())
        return provider.icon(QFileIconProvider::Computer);
    if (place.GetDepth() == 2 && place.GetList().front() == CNameSpaceItem::kComputerItem)
        return provider.icon(QFileIconProvider::Drive);
    const QString path = place.GetPath();
    if (!path.isEmpty() && QFileInfo(path).isDir())
        return provider.icon(QFileIconProvider::Folder);
    return provider.icon(QFileIconProvider::File);
}

} // namespace vidlume
