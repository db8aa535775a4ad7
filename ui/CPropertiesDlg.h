#pragma once
// "File Properties": label and value rows about one file. The rows are kept in a hash table of
// 17 buckets (hash h = h * 33 + character, from 0, modulo 2^32) with each new label put in front
// of its bucket's chain, and listed bucket by bucket, chain front to back - so they appear in
// hash order, not in the order they were added. Fill it before it is shown.

#include "ui/CBaseDialog.h"

#include <QString>

#include <array>
#include <list>
#include <utility>
#include <vector>

class QTreeWidget;

namespace vidlume {

class CPropertiesDlg final : public CBaseDialog {
    Q_OBJECT
public:
    explicit CPropertiesDlg(QWidget* parent = nullptr);

    // Adds a row, or replaces the value of a label already there.
    void AddRow(const QString& label, const QString& value);
    // The rows in the order the list shows them.
    std::vector<std::pair<QString, QString>> Rows() const;

    static uint32_t HashLabel(const QString& label);

protected:
    void showEvent(QShowEvent* event) override;

private:
    static constexpr int kBuckets = 17;
    std::array<std::list<std::pair<QString, QString>>, kBuckets> m_rows;
    QTreeWidget* m_list;
    bool m_filled = false;
};

} // namespace vidlume
