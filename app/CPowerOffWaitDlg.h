#pragma once
// Shown while the computer is to be turned off after the last task; only "Cancel" ends it early.

#include "ui/CBaseDialog.h"

namespace vidlume {

class CPowerOffWaitDlg final : public CBaseDialog {
    Q_OBJECT
public:
    explicit CPowerOffWaitDlg(QWidget* parent = nullptr);
};

} // namespace vidlume
