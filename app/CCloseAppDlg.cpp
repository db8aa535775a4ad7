#include "CCloseAppDlg.h"

#include "res/CStringTable.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace vidlume {

namespace {
    constexpr unsigned IDD_CLOSE_APP = 393;
}

CCloseAppDlg::CCloseAppDlg(QWidget* parent) : CBaseDialog(parent)
{
    setWindowTitle(CStringTable::DialogText(IDD_CLOSE_APP, 0));
    auto* layout = new QVBoxLayout(this);
    auto* text = new QLabel(CStringTable::DialogLabel(IDD_CLOSE_APP, 0));
    text->setWordWrap(true);
    layout->addWidget(text);
    const int ids[3] = { kYes, kNo, kNoTurnOff };
    for (int i = 0; i < 3; ++i) {
        m_options[i] = new QRadioButton(CStringTable::DialogText(IDD_CLOSE_APP, unsigned(ids[i])));
        m_options[i]->setObjectName(QString::number(ids[i]));
        layout->addWidget(m_options[i]);
    }
    m_options[1]->setChecked(true);
    auto* ok = new QPushButton(CStringTable::DialogLabel(IDD_CLOSE_APP, 1));
    ok->setObjectName(QStringLiteral("1"));
    ok->setDefault(true);
    layout->addWidget(ok, 0, Qt::AlignRight);
    connect(ok, &QPushButton::clicked, this, &CCloseAppDlg::accept);
}

void CCloseAppDlg::accept()
{
    const int ids[3] = { kYes, kNo, kNoTurnOff };
    for (int i = 0; i < 3; ++i)
        if (m_options[i]->isChecked())
            m_choice = ids[i];
    CBaseDialog::accept();
}

} // namespace vidlume
