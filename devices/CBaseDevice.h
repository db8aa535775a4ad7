#pragma once
// One end of a transfer. Source devices list items and add the reading and decoding part of each
// task's graph; target devices add the encoding and writing part. The document owns the devices;
// each device owns the page that shows it.

#include "platform/com/Guid.h"

#include <QString>

#include <memory>

namespace vidlume {

class CDevicePage;
class CQuillmoorDoc;
class CTranscodeTask;

enum DeviceKind { kSourceDevice = 0, kTargetDevice = 1 };

// Document events, delivered to every device, its page and the views.
enum DocumentEvent {
    kTaskFinished = 100, // with the task, still alive during the call
    kTaskAborted = 101,
    kDeviceArrived = 102,
    kDeviceRemoved = 103,
    kFolderFilesChanged = 105,
};

class CBaseDevice {
public:
    virtual ~CBaseDevice();

    // Whether the device can take part in a transfer now.
    virtual bool IsAvailable() { return true; }
    virtual void OnDocumentEvent(int code, CTranscodeTask* task) { }

    const QString& GetName() const { return m_name; }
    CQuillmoorDoc* GetDocument() const { return m_document; }
    int GetPicture() const { return m_picture; }
    CDevicePage* GetPage() const { return m_page.get(); }
    const Guid& GetId() const { return m_id; }
    DeviceKind GetKind() const { return m_kind; }

protected:
    explicit CBaseDevice(CQuillmoorDoc* document);
    void SetIdentity(unsigned nameId, const Guid& id, DeviceKind kind, int picture);

    QString m_name;
    CQuillmoorDoc* m_document;
    int m_picture = 0;
    std::unique_ptr<CDevicePage> m_page;
    Guid m_id;
    DeviceKind m_kind = kSourceDevice;
};

} // namespace vidlume
