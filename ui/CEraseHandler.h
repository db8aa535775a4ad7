#pragma once
// Something that paints the skin behind other windows: the view and its device strips. Pages,
// labels and flat buttons ask it for the part of the skin that lies behind them, so they look
// like part of one surface.

#include <QRect>

class QPainter;
class QWidget;

namespace vidlume {

class CEraseHandler {
public:
    virtual ~CEraseHandler() = default;

    // Paints the handler's background in the coordinates of GetWindow().
    virtual void EraseBackground(QPainter& dc) = 0;
    virtual QWidget* GetWindow() = 0;

    // Paints, through dc (which paints on widget), exactly the part of the handler's background
    // that lies behind the widget's client area. The painter's state is restored afterwards.
    static void PaintBehind(CEraseHandler* handler, QWidget* widget, QPainter& dc);
};

} // namespace vidlume
