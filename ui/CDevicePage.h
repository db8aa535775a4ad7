#pragma once
// The page that shows a device inside its strip of the main window. The device owns the page;
// the view creates the page's window as its child, then moves, shows and hides it. A page
// anchors its controls to its edges, paints the skin of its strip behind itself, fills itself
// the first time it is shown and hears the document's events.
//
// Controls are laid out in dialog units from the page's template and named by their ids (the
// object name is the id in decimal), so the anchors and the tests find them.

#include "ui/CAnchorLogic.h"

#include <QStringList>
#include <QWidget>

namespace vidlume {

class CBaseDevice;
class CEraseHandler;
class CQuillmoorDoc;
class CTranscodeTask;

class CDevicePage : public QWidget, public CAnchorLogic {
    Q_OBJECT
public:
    explicit CDevicePage(CBaseDevice* device);
    ~CDevicePage() override;

    // The view's strip paints the page's background (and that of its skinned labels).
    virtual void SetEraseHandler(CEraseHandler* painter) { m_eraseHandler = painter; }
    // Runs once, the first time the page's window is shown.
    virtual void OnFirstShow() { }
    virtual int GetTemplateID() const = 0;
    virtual void OnDocumentEvent(int code, CTranscodeTask* task) { }
    // The full paths of the items the user marked for a transfer.
    virtual void GetTransferFiles(QStringList* files) { }
    // Clears the marks after their tasks were made.
    virtual void UncheckAll() { }

    // Makes the page's window a child of parent, hidden and disabled, with its controls.
    void Create(QWidget* parent);
    bool IsCreated() const { return m_created; }
    CBaseDevice* GetDevice() const { return m_device; }
    CQuillmoorDoc* GetDocument() const;
    CEraseHandler* GetEraseHandler() const { return m_eraseHandler; }

protected:
    // Builds the controls; the base makes the page the anchors' window.
    virtual void OnInitDialog();
    // A template rectangle (dialog units, the page's font) in pixels.
    QRect DialogRect(int x, int y, int width, int height) const;
    // Names a control by its id and places it at its template rectangle.
    void PlaceControl(QWidget* control, int id, int x, int y, int width, int height);

    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    CBaseDevice* m_device;
    CEraseHandler* m_eraseHandler = nullptr;
    bool m_firstShow = true;
    bool m_created = false;
};

} // namespace vidlume
