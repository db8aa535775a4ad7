#pragma once
// Tells that a component a format needs is missing, with a link to where it can be had.

#include <QDialog>

namespace vidlume {

class CMissingComponentDlg final : public QDialog {
    Q_OBJECT
public:
    CMissingComponentDlg(const QString& text, const QString& downloadAddress, QWidget* parent = nullptr);
    // The address as shown: without "scheme://".
    static QString DisplayedAddress(const QString& address);
};

} // namespace vidlume
