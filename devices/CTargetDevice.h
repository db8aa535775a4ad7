#pragma once
// A device that converted files go to.

#include "devices/CBaseDevice.h"
#include "devices/CDeviceTitle.h"
#include "platform/com/HResult.h"

#include <QList>

namespace vidlume {

class CSourceDevice;

class CTargetDevice : public CBaseDevice {
public:
    virtual bool AcceptsSource(CSourceDevice* source) { return true; }
    // Stores the output path and the input pins in the task and adds the encoders.
    virtual HRESULT AddTargetPart(CSourceDevice* source, CTranscodeTask* task) = 0;
    virtual HRESULT FinishGraph(CSourceDevice* source, CTranscodeTask* task) { return S_OK; }
    virtual QString GetVolumeName();
    // Appends what the medium holds; false (and nothing appended) when the device cannot tell.
    virtual bool GetTitles(QList<CDeviceTitle*>* titles) { return false; }

protected:
    using CBaseDevice::CBaseDevice;
};

} // namespace vidlume
