#pragma once
// Base of the program's dialogs: when the dialog is first shown, its title and the texts of its
// child widgets get the application's name in place of "§APPNAME§".

#include <QDialog>

namespace vidlume {

class CBaseDialog : public QDialog {
    Q_OBJECT
public:
    explicit CBaseDialog(QWidget* parent = nullptr);

    // Replaces the placeholder in the window title and in every label, button and text box.
    void ReplaceAppName();

protected:
    void showEvent(QShowEvent* event) override;

private:
    bool m_replaced = false;
};

} // namespace vidlume
