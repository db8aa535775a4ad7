#pragma once
// Keeps a page's controls where they belong while the page changes size. Each anchored control
// keeps the distance of every flagged edge to the same edge of the page; an edge without its
// flag keeps its distance to the opposite side. Controls that no longer fit are hidden and come
// back when the page grows again.

#include <QList>
#include <QRect>
#include <QSize>

class QWidget;

namespace vidlume {

enum AnchorEdge { ANCHOR_LEFT = 1, ANCHOR_TOP = 2, ANCHOR_RIGHT = 4, ANCHOR_BOTTOM = 8 };

// Coordinates that follow the right or bottom side are negative offsets from that side, the
// others plain client coordinates. Right and bottom are exclusive edges.
struct CAnchorInfo {
    int id = 0;
    int flags = 0;
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

class CAnchorLogic {
public:
    // Records the control (a child of the anchor window whose object name is its id) as it lies
    // now in a client area of the window's present size. Nothing happens without the window or
    // the control.
    void AddAnchor(int controlId, int flags);
    // Moves, shows and hides every anchored control for the window's present size.
    void ResizeAnchors();

    static CAnchorInfo MakeAnchor(int controlId, int flags, const QRect& control, const QSize& client);
    // The control's rectangle in a client area of that size; *visible is false when it has no
    // width or height left or reaches beyond the client's right or bottom edge.
    static QRect Resolve(const CAnchorInfo& anchor, const QSize& client, bool* visible);

    const QList<CAnchorInfo>& GetAnchors() const { return m_anchors; }

protected:
    void SetAnchorWindow(QWidget* window) { m_anchorWindow = window; }

private:
    QWidget* FindControl(int controlId) const;

    QList<CAnchorInfo> m_anchors;
    QWidget* m_anchorWindow = nullptr;
};

} // namespace vidlume
