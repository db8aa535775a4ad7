#include "CEraseHandler.h"

#include <QPainter>
#include <QWidget>

namespace vidlume {

void CEraseHandler::PaintBehind(CEraseHandler* handler, QWidget* widget, QPainter& dc)
{
    QWidget* window = handler ? handler->GetWindow() : nullptr;
    if (!window)
        return;
    // The widget's origin in the painter window's coordinates; the two need not be related
    // (a dialog can borrow the skin), so go through the screen when they are not.
    const QPoint offset = window->isAncestorOf(widget) ? widget->mapTo(window, QPoint(0, 0))
                                                        : widget->mapToGlobal(QPoint(0, 0)) - window->mapToGlobal(QPoint(0, 0));
    dc.save();
    dc.setClipRect(widget->rect(), Qt::IntersectClip);
    dc.translate(-offset);
    handler->EraseBackground(dc);
    dc.restore();
}

} // namespace vidlume
