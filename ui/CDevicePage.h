#pragma once
// The page that shows a device. The devices call these operations; the page's window and its
// controls are built on top of this base.

#include <QStringList>

namespace vidlume {

class CBaseDevice;
class CTranscodeTask;

class CDevicePage {
public:
    explicit CDevicePage(CBaseDevice* device) : m_device(device) { }
    virtual ~CDevicePage() = default;

    // The full paths of the items the user marked for a transfer.
    virtual void GetTransferFiles(QStringList* files) { }
    // Clears the marks after their tasks were made.
    virtual void UncheckAll() { }
    virtual void OnDocumentEvent(int code, CTranscodeTask* task) { }

    CBaseDevice* GetDevice() const { return m_device; }

private:
    CBaseDevice* m_device;
};

} // namespace vidlume
