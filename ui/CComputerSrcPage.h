#pragma once
// The computer source's page: the media files the user marked in the shown folder.

#include "ui/CDevicePage.h"

namespace vidlume {

class CComputerSrcPage : public CDevicePage {
public:
    using CDevicePage::CDevicePage;

    void GetTransferFiles(QStringList* files) override { *files = m_checked; }
    void UncheckAll() override { m_checked.clear(); }
    // The marks, as the media list sets them.
    void SetCheckedFiles(const QStringList& files) { m_checked = files; }

private:
    QStringList m_checked;
};

} // namespace vidlume
