#include "CExStatic.h"

#include "CEraseHandler.h"

#include <QPainter>

namespace vidlume {

CExStatic::CExStatic(QWidget* parent) : QLabel(parent)
{
}

void CExStatic::SetEraseHandler(CEraseHandler* painter)
{
    m_painter = painter;
    update();
}

void CExStatic::paintEvent(QPaintEvent* event)
{
    if (m_painter) {
        QPainter dc(this);
        CEraseHandler::PaintBehind(m_painter, this, dc);
    }
    QLabel::paintEvent(event);
}

} // namespace vidlume
