#pragma once
// The computer target's page: the folder that converted files go to. It starts as the user's
// videos folder each time the program starts, created when missing.

#include "ui/CDevicePage.h"

#include <QString>

namespace vidlume {

class CComputerTgtPage : public CDevicePage {
public:
    explicit CComputerTgtPage(CBaseDevice* device);

    QString GetFolderPath() const { return m_folder; }
    void SetFolderPath(const QString& folder) { m_folder = folder; }

private:
    QString m_folder;
};

} // namespace vidlume
