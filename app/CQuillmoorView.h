#pragma once
// The main window's surface: the source strip on the left, the target strip on the right, the
// "Transfer" button between them and the transfer panel along the bottom, all painted from the
// skin. A 100 ms timer drives the transfer queue and refreshes the panel when its state changes.

#include "app/CDeviceTabHandler.h"
#include "app/CQuillmoorDoc.h"
#include "app/CTransferPanel.h"
#include "devices/CDeviceTitle.h"
#include "ui/CAlphaBitmap.h"
#include "ui/CEraseHandler.h"

#include <QPixmap>
#include <QTimer>
#include <QWidget>

namespace vidlume {

class CBaseDevice;
class CFlatButton;

class CQuillmoorView final : public QWidget, public CEraseHandler, public IDocumentObserver {
    Q_OBJECT
public:
    explicit CQuillmoorView(CQuillmoorDoc* document, QWidget* parent = nullptr);
    ~CQuillmoorView() override;

    void OnDocumentEvent(int code, CTranscodeTask* task) override;

    // The background without the panel, in the view's coordinates.
    void EraseBackground(QPainter& dc) override;
    QWidget* GetWindow() override { return this; }

    // Rebuilds both strips from the document's devices and their "Devices" settings.
    void BuildStrips();
    // Shows the pages of the selected devices in their frames, hides the others, and enables
    // "Transfer" when both selected devices are available.
    void PlacePages();
    // One tick of the poll timer.
    void OnTimer();
    // Command 100: the marked items of the selected source go to the selected target.
    void OnTransfer();
    // Command 32771: the disc information for the cover editor, then the editor.
    void OnCoverEditor();

    CDeviceTabHandler& GetSourceStrip() { return m_source; }
    CDeviceTabHandler& GetTargetStrip() { return m_target; }
    CTransferPanel& GetPanel() { return m_panel; }
    CFlatButton* GetTransferButton() const { return m_transfer; }
    CBaseDevice* GetSelectedDevice(const CDeviceTabHandler& strip) const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void Layout(int cx, int cy);
    void UpdateTransferButton();

    CQuillmoorDoc* m_document;
    CDeviceTabHandler m_source;
    CDeviceTabHandler m_target;
    CTransferPanel m_panel;
    CFlatButton* m_transfer = nullptr;
    CAlphaBitmap m_background;
    QPixmap m_scaledBackground;
    bool m_idle = true;
    QString m_status;
    float m_progress = 0;
    QTimer m_timer;
};

// Writes the disc information the cover editor reads: the disc's title and artist and one track
// per title, in order. False when the file cannot be written.
bool WriteDiscInformation(const QString& path, const QString& title, const QString& artist, const QList<CDeviceTitle*>& tracks);

} // namespace vidlume
