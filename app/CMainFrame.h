#pragma once
// The main window: the menu bar and the view. Its menus get the application's name in place of
// the placeholder and lose the commands this build does not offer; closing asks the document
// first; device changes of the system reach the document as events 102 and 103.

#include <QMainWindow>

class QMenu;

namespace vidlume {

class CDeviceMonitor;
class CQuillmoorDoc;
class CQuillmoorView;

class CMainFrame final : public QMainWindow {
    Q_OBJECT
public:
    explicit CMainFrame(CQuillmoorDoc* document, QWidget* parent = nullptr);
    ~CMainFrame() override;

    CQuillmoorView* GetView() const { return m_view; }

    // Puts the application's name into the items' texts and removes the hidden commands, and a
    // separator that would then lead the menu. Every pop-up menu goes through it.
    static void PrepareMenu(QMenu* menu);
    // The dark look of the frame's bar and menus.
    static QPalette ObsidianPalette();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildMenuBar();
    void OnCommand(int command);

    CQuillmoorDoc* m_document;
    CQuillmoorView* m_view;
    CDeviceMonitor* m_monitor;
};

} // namespace vidlume
