#include "CMissingComponentDlg.h"

#include "CHyperLink.h"
#include "res/CStringTable.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyle>
#include <QVBoxLayout>

namespace vidlume {

QString CMissingComponentDlg::DisplayedAddress(const QString& address)
{
    QString shown = address;
    shown.remove(QRegularExpression(QStringLiteral("[A-Za-z][A-Za-z0-9+.-]*://")));
    return shown;
}

CMissingComponentDlg::CMissingComponentDlg(const QString& text, const QString& downloadAddress, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(CStringTable::AppName());
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    auto* icon = new QLabel;
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxCritical).pixmap(32, 32));
    row->addWidget(icon, 0, Qt::AlignTop);
    auto* column = new QVBoxLayout;
    auto* message = new QLabel(CStringTable::ReplaceAppName(text));
    message->setObjectName(QStringLiteral("1118"));
    message->setWordWrap(true);
    column->addWidget(message);
    auto* link = new CHyperLink;
    link->setObjectName(QStringLiteral("1141"));
    link->setText(DisplayedAddress(downloadAddress));
    link->SetURL(downloadAddress);
    column->addWidget(link);
    row->addLayout(column, 1);
    layout->addLayout(row);
    auto* ok = new QPushButton(CStringTable::DialogText(401, 1));
    ok->setDefault(true);
    layout->addWidget(ok, 0, Qt::AlignHCenter);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

} // namespace vidlume
