#include "CAnchorLogic.h"

#include <QWidget>

namespace vidlume {

CAnchorInfo CAnchorLogic::MakeAnchor(int controlId, int flags, const QRect& control, const QSize& client)
{
    const int l = control.x(), t = control.y(), r = control.x() + control.width(), b = control.y() + control.height();
    CAnchorInfo anchor;
    anchor.id = controlId;
    anchor.flags = flags;
    anchor.left = (flags & ANCHOR_LEFT) ? l : l - client.width();
    anchor.top = (flags & ANCHOR_TOP) ? t : t - client.height();
    anchor.right = (flags & ANCHOR_RIGHT) ? r - client.width() : r;
    anchor.bottom = (flags & ANCHOR_BOTTOM) ? b - client.height() : b;
    return anchor;
}

QRect CAnchorLogic::Resolve(const CAnchorInfo& anchor, const QSize& client, bool* visible)
{
    const auto x = [&](int v) { return v < 0 ? v + client.width() : v; };
    const auto y = [&](int v) { return v < 0 ? v + client.height() : v; };
    const int l = x(anchor.left), t = y(anchor.top), r = x(anchor.right), b = y(anchor.bottom);
    *visible = r - l > 0 && b - t > 0 && r <= client.width() && b <= client.height();
    return QRect(l, t, r - l, b - t);
}

QWidget* CAnchorLogic::FindControl(int controlId) const
{
    return m_anchorWindow ? m_anchorWindow->findChild<QWidget*>(QString::number(controlId), Qt::FindDirectChildrenOnly) : nullptr;
}

void CAnchorLogic::AddAnchor(int controlId, int flags)
{
    QWidget* control = FindControl(controlId);
    if (!control)
        return;
    m_anchors.append(MakeAnchor(controlId, flags, control->geometry(), m_anchorWindow->size()));
}

void CAnchorLogic::ResizeAnchors()
{
    if (!m_anchorWindow)
        return;
    const QSize client = m_anchorWindow->size();
    for (const CAnchorInfo& anchor : m_anchors) {
        QWidget* control = FindControl(anchor.id);
        if (!control)
            continue;
        bool visible = false;
        const QRect rect = Resolve(anchor, client, &visible);
        control->setVisible(visible);
        control->setGeometry(rect);
    }
}

} // namespace vidlume
