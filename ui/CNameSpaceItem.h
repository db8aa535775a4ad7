#pragma once
// A place in the desktop's namespace, named by a list of items from its virtual root (the
// desktop, the empty list). The root's children are the user's folders, each named by its
// absolute path, and the Computer entry, whose children are the mounted volumes (again by
// absolute path); every further item is the name of a sub-folder or file. Virtual places - the
// desktop and Computer - have no file-system path.
//
//   {}                                  the desktop
//   {"::computer"}                      Computer
//   {"::computer", "/media/stick", "clips"}   /media/stick/clips
//   {"/home/ann/Videos", "2024"}        /home/ann/Videos/2024

#include <QByteArray>
#include <QList>
#include <QString>

namespace vidlume {

using ItemIdList = QList<QByteArray>;

class CNameSpaceItem {
public:
    static const QByteArray kComputerItem;

    CNameSpaceItem() = default; // the desktop
    explicit CNameSpaceItem(const ItemIdList& list) : m_list(list) { }

    // Takes a copy of the list; null gives the desktop.
    void Set(const ItemIdList* list);
    void Append(const ItemIdList& list);
    // The parent; the desktop stays the desktop.
    void RemoveLast();
    // Same items with the same bytes. Null is equal only to null, so never to an item.
    bool IsEqual(const ItemIdList* list) const;
    bool IsEqual(const CNameSpaceItem& other) const { return m_list == other.m_list; }
    int GetDepth() const { return int(m_list.size()); }
    const ItemIdList& GetList() const { return m_list; }

    // The file-system path, or empty for a virtual place or a malformed list.
    QString GetPath() const;
    bool IsComputer() const { return m_list.size() == 1 && m_list.front() == kComputerItem; }

    friend bool operator==(const CNameSpaceItem& a, const CNameSpaceItem& b) { return a.IsEqual(b); }

private:
    ItemIdList m_list;
};

} // namespace vidlume
