#include "CTransferPanel.h"

#include "app/CQuillmoorDoc.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

namespace vidlume {

namespace {
    constexpr unsigned IDB_FILL = 330, IDB_ARTWORK = 329, IDB_LEFT_CAP = 331, IDB_TRACK = 336, IDB_PROGRESS = 337,
                       IDB_ABORT = 338, IDB_ABORT_HOVER = 339;
    constexpr int kMinimumBarWidth = 120;

    // The lines that fit the rectangle; a cut line ends in an ellipsis.
    QString ElideLines(const QString& text, const QFontMetrics& metrics, const QRect& rect)
    {
        const QStringList lines = text.split(QLatin1Char('\n'));
        const int fitting = std::max(1, rect.height() / std::max(1, metrics.lineSpacing()));
        QStringList shown;
        for (int i = 0; i < lines.size() && i < fitting; ++i) {
            QString line = lines[i];
            if (i == fitting - 1 && i + 1 < lines.size())
                line += QStringLiteral(" \u2026");
            shown.append(metrics.elidedText(line, Qt::ElideRight, rect.width()));
        }
        return shown.join(QLatin1Char('\n'));
    }

    // The status has two lines (how many are left, which one runs): the font shrinks, within
    // reason, until both fit the panel.
    QFont StatusFont(int height)
    {
        QFont font = QApplication::font();
        int pixels = QFontMetrics(font).height();
        while (pixels > 9 && QFontMetrics(font).lineSpacing() * 2 > height)
            font.setPixelSize(--pixels);
        return font;
    }
}

CTransferPanel::CTransferPanel(CQuillmoorDoc* document) : m_document(document)
{
    m_fill.LoadFromResource(IDB_FILL);
    m_artwork.LoadFromResource(IDB_ARTWORK);
    m_leftCap.LoadFromResource(IDB_LEFT_CAP);
    m_track.LoadFromResource(IDB_TRACK);
    m_progressFill.LoadFromResource(IDB_PROGRESS);
    m_abort.LoadFromResource(IDB_ABORT);
    m_abortHover.LoadFromResource(IDB_ABORT_HOVER);
}

void CTransferPanel::SetState(bool idle, const QString& status, float progress)
{
    if (idle)
        m_abortHoverFlag = false;
    m_idle = idle;
    m_status = status;
    m_progress = progress;
}

int CTransferPanel::ProgressWidth(int left, int right, float progress)
{
    return int(float(right - left) * std::min(progress, 1.0f));
}

void CTransferPanel::Draw(QPainter& dc)
{
    const int x0 = m_rect.x(), y0 = m_rect.y(), x1 = m_rect.x() + m_rect.width(), y1 = m_rect.y() + m_rect.height();
    m_fill.Draw(dc, 255, m_rect, QRect(QPoint(0, 0), m_fill.GetSize()));
    m_leftCap.Draw(dc, x0, y0, 255);
    m_artwork.Draw(dc, x1 - m_artwork.GetWidth(), y0, 255);
    if (m_idle)
        return;

    const int progressLeft = x0 + m_leftCap.GetWidth() + 10;
    int textRight = x1 - m_artwork.GetWidth() + 10;
    int abortLeft = textRight - 172;
    // In a narrow window the bar keeps some room: the button and the text move right, over the
    // artwork, instead of the bar vanishing under them.
    if (abortLeft < progressLeft + kMinimumBarWidth) {
        abortLeft = progressLeft + kMinimumBarWidth;
        textRight = abortLeft + 172;
    }
    m_abortRect = QRect(abortLeft, (y0 + y1 - m_abort.GetHeight()) / 2, m_abort.GetWidth(), m_abort.GetHeight());

    dc.save();
    // Light on the panel's dark artwork.
    dc.setPen(QColor(235, 235, 235));
    const QRect textRect = QRect(QPoint(abortLeft + m_abort.GetWidth(), y0), QPoint(textRight - 1, y1 - 1)).adjusted(6, 6, -6, -6);
    dc.setFont(StatusFont(textRect.height()));
    if (textRect.width() > 0 && textRect.height() > 0)
        dc.drawText(textRect, Qt::AlignLeft | Qt::AlignTop, ElideLines(m_status, dc.fontMetrics(), textRect));
    dc.restore();

    if (abortLeft > progressLeft) {
        m_track.DrawNineSlice(20, dc, QRect(progressLeft, y0, abortLeft - progressLeft, y1 - y0));
        const int width = ProgressWidth(progressLeft, abortLeft, m_progress);
        if (width > 0)
            m_progressFill.DrawNineSlice(20, dc, QRect(progressLeft, y0, width, y1 - y0));
    }
    (m_abortHoverFlag ? m_abortHover : m_abort).Draw(dc, m_abortRect.x(), m_abortRect.y(), 255);
}

bool CTransferPanel::OnMouseMove(const QPoint& point)
{
    if (m_idle)
        return false;
    const bool hover = m_abortRect.contains(point);
    const bool changed = hover != m_abortHoverFlag;
    m_abortHoverFlag = hover;
    return changed;
}

bool CTransferPanel::OnClick(const QPoint& point)
{
    if (m_idle || !m_abortRect.contains(point))
        return false;
    if (m_document)
        m_document->SkipCurrentTask();
    return true;
}

} // namespace vidlume
