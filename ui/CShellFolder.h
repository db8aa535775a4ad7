#pragma once
// The desktop's namespace as the program's folder boxes and media lists browse it (item lists
// as CNameSpaceItem describes them). The root lists the user's folders that exist - home,
// desktop, documents, downloads, music, pictures, videos - and Computer; Computer lists the
// file system's root and every mounted volume of the drive table. Below those, items are the
// entries of real folders; hidden entries (a name starting with '.') are not listed.

#include "ui/CNameSpaceItem.h"

#include <QIcon>
#include <QList>
#include <QString>

namespace vidlume {

struct CShellChild {
    QByteArray id;       // the item to append to the parent's list
    QString displayName;
    bool folder = false;
    QString path;        // file-system path; empty for a virtual place
};

class CShellFolder {
public:
    // The children of a place, folders and/or other items, sorted by name as a file manager
    // shows them. False, with no children, when the place is not a folder or cannot be read.
    static bool Enumerate(const CNameSpaceItem& place, bool folders, bool nonFolders, QList<CShellChild>* children);

    static QString GetDisplayName(const CNameSpaceItem& place);
    // Virtual places and existing directories are folders.
    static bool IsFolder(const CNameSpaceItem& place);
    // The item list of a file-system path: below the user's folder or the mounted volume that
    // holds it (the deepest one), else below the file system's root.
    static CNameSpaceItem FromPath(const QString& path);
    // A small icon for the place: desktop, computer, drive, home, folder or file.
    static QIcon GetIcon(const CNameSpaceItem& place);

private:
    static QList<CShellChild> RootChildren();
    static QList<CShellChild> ComputerChildren();
};

} // namespace vidlume
