#include "CFlatButton.h"

#include "CAlphaBitmap.h"
#include "CEraseHandler.h"

#include <QApplication>
#include <QPainter>

#include <algorithm>

namespace vidlume {

CFlatButton::CFlatButton(QWidget* parent) : QAbstractButton(parent)
{
    const QPalette colours = palette();
    m_normalBack = colours.color(QPalette::Window);
    m_pressedBack = colours.color(QPalette::Highlight);
    m_normalText = colours.color(QPalette::WindowText);
    m_pressedText = colours.color(QPalette::HighlightedText);
    setCursor(Qt::PointingHandCursor);
}

void CFlatButton::SetIcon(unsigned bitmapId)
{
    m_icon = bitmapId;
    updateGeometry();
    update();
}

void CFlatButton::SetColors(QColor normalBack, QColor pressedBack, QColor normalText, QColor pressedText)
{
    m_normalBack = normalBack;
    m_pressedBack = pressedBack;
    m_normalText = normalText;
    m_pressedText = pressedText;
    update();
}

void CFlatButton::SetEraseHandler(CEraseHandler* painter)
{
    m_painter = painter;
    update();
}

QSize CFlatButton::sizeHint() const
{
    QSize picture;
    if (m_icon) {
        CAlphaBitmap bitmap;
        if (bitmap.LoadFromResource(m_icon))
            picture = bitmap.GetSize();
    }
    const QFontMetrics metrics(QApplication::font());
    const QSize words = text().isEmpty() ? QSize() : QSize(metrics.horizontalAdvance(text()), metrics.height());
    // The text overlaps the picture's lower part by a few pixels (see paintEvent), so this
    // is a little generous; the pages place their buttons themselves anyway.
    return QSize(std::max(picture.width(), words.width()) + 8, picture.height() + words.height() + 8);
}

void CFlatButton::paintEvent(QPaintEvent*)
{
    QPainter dc(this);
    // The item rectangle as (l, t, r, b) with r and b just outside, as the centring expects.
    const int l = 0, t = 0, r = width(), b = height();
    QColor textColour;
    if (isDown()) {
        dc.fillRect(rect(), m_pressedBack);
        textColour = m_pressedText;
    } else {
        if (m_painter)
            CEraseHandler::PaintBehind(m_painter, this, dc);
        else
            dc.fillRect(rect(), m_normalBack);
        textColour = m_normalText;
    }

    int textTop = t;
    if (m_icon) {
        // Read at every paint so a skin change shows at once; the bitmaps are small.
        CAlphaBitmap bitmap;
        bitmap.LoadFromResource(m_icon);
        const int w = bitmap.GetWidth(), h = bitmap.GetHeight();
        int top = (t + b - h) / 2;
        if (!text().isEmpty())
            top -= 8;
        if (!bitmap.IsEmpty())
            bitmap.Draw(dc, (l + r - w) / 2, top, isEnabled() ? 255 : 128);
        textTop = (t + b + h) / 2 - 6;
    }

    dc.setFont(QApplication::font());
    dc.setPen(textColour);
    dc.drawText(QRect(l, textTop, r - l, b - textTop), Qt::AlignCenter | Qt::TextSingleLine | Qt::TextShowMnemonic, text());
}

} // namespace vidlume
