#include "CBaseDialog.h"

#include "res/CStringTable.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QTextEdit>

namespace vidlume {

CBaseDialog::CBaseDialog(QWidget* parent) : QDialog(parent) { }

void CBaseDialog::ReplaceAppName()
{
    setWindowTitle(CStringTable::ReplaceAppName(windowTitle()));
    for (QLabel* label : findChildren<QLabel*>())
        label->setText(CStringTable::ReplaceAppName(label->text()));
    for (QAbstractButton* button : findChildren<QAbstractButton*>())
        button->setText(CStringTable::ReplaceAppName(button->text()));
    for (QLineEdit* edit : findChildren<QLineEdit*>())
        edit->setText(CStringTable::ReplaceAppName(edit->text()));
}

void CBaseDialog::showEvent(QShowEvent* event)
{
    if (!m_replaced) {
        m_replaced = true;
        ReplaceAppName();
    }
    QDialog::showEvent(event);
}

} // namespace vidlume
