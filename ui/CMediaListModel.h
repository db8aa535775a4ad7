#pragma once
// The rows of a media list: one CMediaListItem per row and the list's columns - the check
// column (when the list has check boxes), the thumbnail column and the text column. The view
// draws whole rows itself; the roles here serve it, accessibility and tests. Window thread only.

#include "ui/CMediaListItem.h"

#include <QAbstractTableModel>

#include <memory>
#include <vector>

namespace vidlume {

class CMediaListModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Role {
        PathRole = Qt::UserRole + 1, // QString
        KindRole,                    // int, MediaListKind
    };

    explicit CMediaListModel(QObject* parent = nullptr);
    ~CMediaListModel() override;

    // With check boxes the columns are check, thumbnail, text; without, thumbnail, text.
    void SetCheckColumn(bool on);
    int CheckColumn() const { return m_checkColumn ? 0 : -1; }
    int ThumbnailColumn() const { return m_checkColumn ? 1 : 0; }
    int TextColumn() const { return m_checkColumn ? 2 : 1; }

    // Replaces every row in one step (views see one reset).
    void SetRows(std::vector<std::unique_ptr<CMediaListItem>> rows);
    // Inserts one row at index, clamped to the row range; returns where it went.
    int InsertRow(int index, std::unique_ptr<CMediaListItem> item);
    void Clear();

    int Count() const { return int(m_rows.size()); }
    // Null for a row out of range.
    CMediaListItem* Item(int row) const;
    void SetChecked(int row, bool checked);
    // Tells views that the row's text, bitmap or mark changed.
    void RowChanged(int row);
    void AllRowsChanged();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    std::vector<std::unique_ptr<CMediaListItem>> m_rows;
    bool m_checkColumn = true;
};

} // namespace vidlume
