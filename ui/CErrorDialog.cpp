#include "CErrorDialog.h"

#include "res/CStringTable.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTextEdit>
#include <QVBoxLayout>

namespace vidlume {

namespace {
    constexpr unsigned IDC_ICON = 1119, IDC_TEXT = 1118;
}

CErrorDialog::CErrorDialog(const QString& text, QWidget* parent) : QDialog(parent)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setWindowTitle(CStringTable::AppName());
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    auto* icon = new QLabel;
    icon->setObjectName(QString::number(IDC_ICON));
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxCritical).pixmap(32, 32));
    row->addWidget(icon, 0, Qt::AlignTop);
    m_text = new QTextEdit;
    m_text->setObjectName(QString::number(IDC_TEXT));
    m_text->setReadOnly(true);
    m_text->setPlainText(text);
    m_text->setLineWrapMode(QTextEdit::WidgetWidth);
    m_text->setFrameShape(QFrame::NoFrame);
    QPalette palette = m_text->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Button));
    m_text->setPalette(palette);
    row->addWidget(m_text, 1);
    layout->addLayout(row);
    auto* ok = new QPushButton(CStringTable::DialogText(396, 1));
    ok->setDefault(true);
    layout->addWidget(ok, 0, Qt::AlignHCenter);
    connect(ok, &QPushButton::clicked, this, &QDialog::close);
    resize(480, 200);
    show();
}

QString CErrorDialog::GetText() const
{
    return m_text->toPlainText();
}

} // namespace vidlume
