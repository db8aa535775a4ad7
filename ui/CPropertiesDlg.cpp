#include "CPropertiesDlg.h"

#include "res/CStringTable.h"

#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace vidlume {

namespace {
    constexpr unsigned IDD_PROPERTIES = 370, IDC_LIST = 1087, IDS_NAME = 222, IDS_VALUE = 265;
    constexpr int kColumnWidth = 200;
}

CPropertiesDlg::CPropertiesDlg(QWidget* parent) : CBaseDialog(parent)
{
    setWindowTitle(CStringTable::DialogText(IDD_PROPERTIES, 0));
    auto* layout = new QVBoxLayout(this);
    m_list = new QTreeWidget;
    m_list->setObjectName(QString::number(IDC_LIST));
    m_list->setRootIsDecorated(false);
    m_list->setColumnCount(2);
    m_list->setHeaderLabels({ CStringTable::LoadString(IDS_NAME), CStringTable::LoadString(IDS_VALUE) });
    m_list->header()->setDefaultAlignment(Qt::AlignLeft);
    m_list->setColumnWidth(0, kColumnWidth);
    m_list->setColumnWidth(1, kColumnWidth);
    layout->addWidget(m_list, 1);
    auto* ok = new QPushButton(CStringTable::DialogText(IDD_PROPERTIES, 1));
    ok->setDefault(true);
    layout->addWidget(ok, 0, Qt::AlignRight);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    resize(2 * kColumnWidth + 60, 320);
}

uint32_t CPropertiesDlg::HashLabel(const QString& label)
{
    uint32_t h = 0;
    for (QChar c : label)
        h = h * 33 + c.unicode();
    return h;
}

void CPropertiesDlg::AddRow(const QString& label, const QString& value)
{
    auto& chain = m_rows[HashLabel(label) % kBuckets];
    for (auto& row : chain) {
        if (row.first == label) {
            row.second = value;
            return;
        }
    }
    chain.emplace_front(label, value);
}

std::vector<std::pair<QString, QString>> CPropertiesDlg::Rows() const
{
    std::vector<std::pair<QString, QString>> rows;
    for (const auto& chain : m_rows)
        for (const auto& row : chain)
            rows.push_back(row);
    return rows;
}

void CPropertiesDlg::showEvent(QShowEvent* event)
{
    if (!m_filled) {
        m_filled = true;
        for (const auto& [label, value] : Rows())
            m_list->addTopLevelItem(new QTreeWidgetItem(QStringList { label, value }));
    }
    CBaseDialog::showEvent(event);
}

} // namespace vidlume
