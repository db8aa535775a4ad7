#include "CMediaListModel.h"

#include "res/CStringTable.h"

#include <QSize>

#include <algorithm>

namespace vidlume {

namespace {
    constexpr unsigned IDS_ALL = 252, IDS_THUMBNAIL = 223, IDS_NAME = 222;
    constexpr int kRowHeight = 60;
}

CMediaListModel::CMediaListModel(QObject* parent) : QAbstractTableModel(parent) { }

CMediaListModel::~CMediaListModel() = default;

void CMediaListModel::SetCheckColumn(bool on)
{
    if (on == m_checkColumn)
        return;
    beginResetModel();
    m_checkColumn = on;
    endResetModel();
}

void CMediaListModel::SetRows(std::vector<std::unique_ptr<CMediaListItem>> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

int CMediaListModel::InsertRow(int index, std::unique_ptr<CMediaListItem> item)
{
    index = std::clamp(index, 0, Count());
    beginInsertRows({}, index, index);
    m_rows.insert(m_rows.begin() + index, std::move(item));
    endInsertRows();
    return index;
}

void CMediaListModel::Clear()
{
    SetRows({});
}

CMediaListItem* CMediaListModel::Item(int row) const
{
    return row >= 0 && row < Count() ? m_rows[size_t(row)].get() : nullptr;
}

void CMediaListModel::SetChecked(int row, bool checked)
{
    CMediaListItem* item = Item(row);
    if (!item || item->checked == checked)
        return;
    item->checked = checked;
    RowChanged(row);
}

void CMediaListModel::RowChanged(int row)
{
    if (Item(row))
        emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

void CMediaListModel::AllRowsChanged()
{
    if (!m_rows.empty())
        emit dataChanged(index(0, 0), index(Count() - 1, columnCount() - 1));
}

int CMediaListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : Count();
}

int CMediaListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : (m_checkColumn ? 3 : 2);
}

QVariant CMediaListModel::data(const QModelIndex& index, int role) const
{
    const CMediaListItem* item = index.isValid() ? Item(index.row()) : nullptr;
    if (!item)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return index.column() == TextColumn() ? QVariant(item->text) : QVariant();
    case Qt::CheckStateRole:
        if (index.column() == CheckColumn() && item->kind != kMediaListFolder)
            return item->checked ? Qt::Checked : Qt::Unchecked;
        return {};
    case Qt::DecorationRole:
        if (index.column() == ThumbnailColumn() && !item->bitmap.IsEmpty())
            return item->bitmap.GetImage();
        return {};
    case Qt::SizeHintRole:
        return QSize(0, kRowHeight);
    case PathRole:
        return item->path;
    case KindRole:
        return item->kind;
    default:
        return {};
    }
}

QVariant CMediaListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::DisplayRole) {
        if (section == CheckColumn())
            return CStringTable::Text(IDS_ALL);
        if (section == ThumbnailColumn())
            return CStringTable::Text(IDS_THUMBNAIL);
        if (section == TextColumn())
            return CStringTable::Text(IDS_NAME);
    } else if (role == Qt::TextAlignmentRole) {
        return int(section == TextColumn() ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignCenter);
    }
    return {};
}

Qt::ItemFlags CMediaListModel::flags(const QModelIndex& index) const
{
    // Marks change only through the list's own click handling, never through the view's
    // check-box logic, so ItemIsUserCheckable stays off.
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

} // namespace vidlume
