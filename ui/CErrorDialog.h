#pragma once
// A modeless window with an error text. It shows itself when made and deletes itself when closed,
// so its creator never keeps or deletes it; several may be open at once.

#include <QDialog>

class QTextEdit;

namespace vidlume {

class CErrorDialog final : public QDialog {
    Q_OBJECT
public:
    // text has had "§APPNAME§" replaced already.
    explicit CErrorDialog(const QString& text, QWidget* parent = nullptr);
    QString GetText() const;

private:
    QTextEdit* m_text;
};

} // namespace vidlume
