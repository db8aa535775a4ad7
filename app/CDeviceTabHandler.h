#pragma once
// One device strip of the main window: a row of device tabs above the framed area where the
// selected device's page lives. The row is circular - arrows at both ends step through the
// tabs - and the selected tab always stands in the middle, drawn larger on its highlight; tabs
// that would run into the arrows are not drawn and cannot be clicked. The strip also paints the
// background of its pages (CEraseHandler).

#include "platform/com/Guid.h"
#include "ui/CAlphaBitmap.h"
#include "ui/CEraseHandler.h"

#include <QRect>
#include <QString>

#include <memory>
#include <vector>

class QPainter;
class QWidget;

namespace vidlume {

struct CTabDescriptor {
    CAlphaBitmap icon;
    QString label;
    QRect hit;          // where the tab was drawn last; empty when it was not drawn
    bool hover = false;
    Guid deviceId {};
};

class CDeviceTabHandler final : public CEraseHandler {
public:
    CDeviceTabHandler();

    void SetOwner(QWidget* owner) { m_owner = owner; }
    // The whole column, and the area below the tab row where the page lives.
    void SetRects(const QRect& strip, const QRect& pageFrame);
    const QRect& GetPageFrame() const { return m_pageFrame; }
    const QRect& GetStrip() const { return m_strip; }

    // The icon is copied (through the bitmap's stream form).
    void AddTab(const QString& label, const CAlphaBitmap& icon, const Guid& deviceId);
    // The selected index stays as it is.
    void RemoveAllTabs();
    // The zero id when the selected index lies outside the tabs.
    Guid GetSelectedId() const;
    int GetSelectedIndex() const { return m_selected; }
    int GetTabCount() const { return int(m_tabs.size()); }
    const CTabDescriptor& GetTab(int index) const { return *m_tabs[size_t(index)]; }
    const CTabDescriptor& GetPreviousArrow() const { return m_previous; }
    const CTabDescriptor& GetNextArrow() const { return m_next; }

    // Draws the frame, the highlight, the arrows and the tabs that fit, and records where.
    void Draw(QPainter& dc);
    void OnMouseMove(const QPoint& point);
    // Selects a clicked tab, or steps with an arrow.
    void OnClick(const QPoint& point);

    void EraseBackground(QPainter& dc) override;
    QWidget* GetWindow() override { return m_owner; }

private:
    int TabWidth(const CTabDescriptor& tab) const;
    void DrawTab(QPainter& dc, const CTabDescriptor& tab) const;

    QRect m_pageFrame;
    QRect m_strip;
    CAlphaBitmap m_selectedBitmap;
    CAlphaBitmap m_frameBitmap;
    std::vector<std::unique_ptr<CTabDescriptor>> m_tabs;
    CTabDescriptor m_previous;
    CTabDescriptor m_next;
    int m_selected = 0;
    QWidget* m_owner = nullptr;
};

} // namespace vidlume
