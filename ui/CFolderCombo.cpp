#include "CFolderCombo.h"

#include "CShellFolder.h"

#include <QMap>
#include <QPainter>
#include <QStyledItemDelegate>

namespace vidlume {

namespace {

    constexpr int kItemRole = Qt::UserRole;
    constexpr int kIndentRole = Qt::UserRole + 1;
    constexpr int kIndentStep = 11; // pixels per level, about a small icon's width

    // Shifts each entry of the drop-down list right by its depth, so the list reads as a tree.
    class CIndentDelegate final : public QStyledItemDelegate {
    public:
        using QStyledItemDelegate::QStyledItemDelegate;

        void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
        {
            QStyleOptionViewItem shifted = option;
            shifted.rect.setLeft(option.rect.left() + Indent(index));
            QStyledItemDelegate::paint(painter, shifted, index);
        }

        QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
        {
            QSize size = QStyledItemDelegate::sizeHint(option, index);
            size.rwidth() += Indent(index);
            return size;
        }

    private:
        static int Indent(const QModelIndex& index) { return index.data(kIndentRole).toInt() * kIndentStep; }
    };

    int IndexOf(const QList<CNameSpaceItem>& entries, const CNameSpaceItem& item)
    {
        for (int i = 0; i < entries.size(); ++i) {
            if (entries[i].IsEqual(item))
                return i;
        }
        return -1;
    }

    CNameSpaceItem Child(const CNameSpaceItem& parent, const QByteArray& id)
    {
        CNameSpaceItem child = parent;
        child.Append({ id });
        return child;
    }

} // namespace

CFolderCombo::CFolderCombo(QWidget* parent) : QComboBox(parent)
{
    setItemDelegate(new CIndentDelegate(this));
    setIconSize(QSize(16, 16));
    // Only a pick by the user is a notification; SetFolder moves the selection quietly.
    connect(this, &QComboBox::activated, this, &CFolderCombo::OnActivated);
}

void CFolderCombo::SetFolder(const ItemIdList* folder)
{
    clear();
    m_current.Set(folder);

    const CNameSpaceItem desktop;
    QList<CNameSpaceItem> entries { desktop };
    // The names the enumeration gave; asking again per entry would read the drives each time.
    QMap<ItemIdList, QString> names;
    QList<CShellChild> children;
    CShellFolder::Enumerate(desktop, true, false, &children);
    for (const CShellChild& child : children) {
        entries.append(Child(desktop, child.id));
        names.insert(entries.back().GetList(), child.displayName);
    }

    // The volumes go right under Computer.
    const CNameSpaceItem computer(ItemIdList { CNameSpaceItem::kComputerItem });
    const int computerAt = IndexOf(entries, computer);
    int insertAt = computerAt >= 0 ? computerAt + 1 : int(entries.size());
    CShellFolder::Enumerate(computer, true, false, &children);
    for (const CShellChild& child : children) {
        const CNameSpaceItem volume = Child(computer, child.id);
        entries.insert(insertAt++, volume);
        names.insert(volume.GetList(), child.displayName);
    }

    // The way down to the current folder, hung under its nearest ancestor that is listed
    // already. The desktop always is, so the walk ends.
    QList<CNameSpaceItem> path;
    CNameSpaceItem walk = m_current;
    while (IndexOf(entries, walk) < 0) {
        path.prepend(walk);
        walk.RemoveLast();
    }
    insertAt = IndexOf(entries, walk) + 1;
    for (const CNameSpaceItem& item : path)
        entries.insert(insertAt++, item);

    int selected = -1;
    for (const CNameSpaceItem& entry : entries) {
        const auto known = names.constFind(entry.GetList());
        addItem(CShellFolder::GetIcon(entry), known != names.constEnd() ? *known : CShellFolder::GetDisplayName(entry));
        const int index = count() - 1;
        setItemData(index, QVariant::fromValue(entry.GetList()), kItemRole);
        setItemData(index, entry.GetDepth(), kIndentRole);
        if (selected < 0 && entry.IsEqual(m_current))
            selected = index;
    }
    setCurrentIndex(selected);
}

CNameSpaceItem CFolderCombo::GetEntryItem(int index) const
{
    if (index < 0 || index >= count())
        return {};
    return CNameSpaceItem(itemData(index, kItemRole).value<ItemIdList>());
}

int CFolderCombo::GetEntryIndent(int index) const
{
    if (index < 0 || index >= count())
        return 0;
    return itemData(index, kIndentRole).toInt();
}

void CFolderCombo::OnActivated(int index)
{
    if (index < 0 || index >= count())
        return;
    m_current = GetEntryItem(index);
    emit Notify(kSelectionChanged);
}

} // namespace vidlume
