#pragma once
// Asked when the main window closes while tasks are pending: abort them, stay, or wait for them
// and turn the computer off.

#include "ui/CBaseDialog.h"

class QRadioButton;

namespace vidlume {

class CCloseAppDlg final : public CBaseDialog {
    Q_OBJECT
public:
    enum Choice { kYes = 1115, kNo = 1116, kNoTurnOff = 1117 };

    explicit CCloseAppDlg(QWidget* parent = nullptr);
    // The option chosen with OK; "No" when the dialog was closed any other way.
    int GetChoice() const { return m_choice; }

    void accept() override;

private:
    int m_choice = kNo;
    QRadioButton* m_options[3];
};

} // namespace vidlume
