#include "CPowerOffWaitDlg.h"

#include "res/CStringTable.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace vidlume {

namespace {
    constexpr unsigned IDD_WAITING = 347;
}

CPowerOffWaitDlg::CPowerOffWaitDlg(QWidget* parent) : CBaseDialog(parent)
{
    setWindowTitle(CStringTable::DialogText(IDD_WAITING, 0));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(CStringTable::DialogLabel(IDD_WAITING, 0)));
    auto* cancel = new QPushButton(CStringTable::DialogLabel(IDD_WAITING, 1));
    cancel->setObjectName(QStringLiteral("2"));
    layout->addWidget(cancel, 0, Qt::AlignRight);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

} // namespace vidlume
