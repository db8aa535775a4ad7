#include "CDeviceTabHandler.h"

#include <QApplication>
#include <QBuffer>
#include <QFontMetrics>
#include <QPainter>

namespace vidlume {

namespace {
    constexpr unsigned IDB_TAB_SELECTED = 311, IDB_FRAME = 310, IDB_NEXT = 332, IDB_PREVIOUS = 333;
    const QColor kHoverColour(212, 232, 255);

    // QRect's right() is inclusive; the strip's arithmetic works with exclusive edges.
    QRect FromEdges(int l, int t, int r, int b) { return QRect(QPoint(l, t), QPoint(r - 1, b - 1)); }
    int Right(const QRect& r) { return r.x() + r.width(); }
    int Bottom(const QRect& r) { return r.y() + r.height(); }
}

CDeviceTabHandler::CDeviceTabHandler()
{
    m_selectedBitmap.LoadFromResource(IDB_TAB_SELECTED);
    m_frameBitmap.LoadFromResource(IDB_FRAME);
    m_previous.icon.LoadFromResource(IDB_PREVIOUS);
    m_next.icon.LoadFromResource(IDB_NEXT);
}

void CDeviceTabHandler::SetRects(const QRect& strip, const QRect& pageFrame)
{
    m_strip = strip;
    m_pageFrame = pageFrame;
}

void CDeviceTabHandler::AddTab(const QString& label, const CAlphaBitmap& icon, const Guid& deviceId)
{
    auto tab = std::make_unique<CTabDescriptor>();
    QBuffer stream;
    stream.open(QIODevice::ReadWrite);
    if (icon.Store(stream)) {
        stream.seek(0);
        tab->icon.Load(stream);
    }
    tab->label = label;
    tab->deviceId = deviceId;
    m_tabs.push_back(std::move(tab));
}

void CDeviceTabHandler::RemoveAllTabs()
{
    m_tabs.clear();
}

Guid CDeviceTabHandler::GetSelectedId() const
{
    return m_selected >= 0 && m_selected < GetTabCount() ? m_tabs[size_t(m_selected)]->deviceId : Guid {};
}

int CDeviceTabHandler::TabWidth(const CTabDescriptor& tab) const
{
    return std::max(tab.icon.GetWidth(), QFontMetrics(QApplication::font()).horizontalAdvance(tab.label));
}

void CDeviceTabHandler::Draw(QPainter& dc)
{
    dc.save();
    dc.setFont(QApplication::font());
    dc.setBackgroundMode(Qt::TransparentMode);
    const int count = GetTabCount();
    if (m_selected < 0 || m_selected >= count) {
        // Nothing can be hit either.
        m_previous.hit = m_next.hit = QRect();
        for (auto& tab : m_tabs)
            tab->hit = QRect();
        dc.restore();
        return;
    }
    const int left = m_strip.x(), right = Right(m_strip), top = m_strip.y();
    const int rowBottom = m_pageFrame.y() + 5;
    const int arrowWidth = m_previous.icon.GetWidth();
    const int leftLimit = left + arrowWidth + 16, rightLimit = right - arrowWidth - 16;

    CTabDescriptor& selected = *m_tabs[size_t(m_selected)];
    const int sum = left + right;
    const int selectedWidth = TabWidth(selected) + 48;
    const QRect selectedBox = FromEdges((sum - selectedWidth) / 2, top, (sum + selectedWidth) / 2, rowBottom);
    m_frameBitmap.DrawNineSlice(24, dc, m_pageFrame);
    m_selectedBitmap.DrawNineSlice(24, dc, selectedBox);

    // Walk back from the selected tab to find the leftmost tab that starts inside the row.
    int x = selectedBox.x();
    int index = m_selected;
    int steps = 0;
    int lastWidth = 0;
    do {
        index = (index + count - 1) % count;
        lastWidth = TabWidth(*m_tabs[size_t(index)]);
        x -= lastWidth + 16;
        ++steps;
    } while (x > leftLimit && steps < count);
    const int first = (index + 1) % count;
    x += lastWidth + 16;

    if (count >= 2) {
        m_previous.hit = FromEdges(left, top, leftLimit, rowBottom);
        m_next.hit = FromEdges(rightLimit, top, right, rowBottom);
        DrawTab(dc, m_previous);
        DrawTab(dc, m_next);
    } else {
        m_previous.hit = m_next.hit = QRect();
    }

    for (int i = 0; i < count; ++i) {
        CTabDescriptor& tab = *m_tabs[size_t((first + i) % count)];
        tab.hit = QRect();
        const bool isSelected = &tab == &selected;
        const int box = TabWidth(tab) + (isSelected ? 48 : 16);
        if (x > leftLimit && x + box < rightLimit) {
            tab.hit = FromEdges(x, top, x + box, rowBottom);
            if (isSelected)
                tab.hover = false;
            DrawTab(dc, tab);
        }
        x += box;
    }
    dc.restore();
}

void CDeviceTabHandler::DrawTab(QPainter& dc, const CTabDescriptor& tab) const
{
    const int l = tab.hit.x(), t = tab.hit.y(), r = Right(tab.hit), b = Bottom(tab.hit);
    const int iconLeft = (l + r - tab.icon.GetWidth()) / 2, iconTop = t + 12;
    if (tab.hover) {
        dc.save();
        dc.setPen(Qt::NoPen);
        dc.setBrush(kHoverColour);
        dc.drawRoundedRect(QRect(iconLeft - 2, iconTop - 2, tab.icon.GetWidth() + 4, tab.icon.GetHeight() + 4), 1, 1);
        dc.restore();
    }
    tab.icon.Draw(dc, iconLeft, iconTop, 255);
    if (!tab.label.isEmpty()) {
        dc.setPen(Qt::black);
        dc.drawText(FromEdges(l, t + tab.icon.GetHeight() + 16, r, b), Qt::AlignCenter | Qt::TextSingleLine, tab.label);
    }
}

void CDeviceTabHandler::OnMouseMove(const QPoint& point)
{
    for (auto& tab : m_tabs)
        tab->hover = tab->hit.contains(point);
    m_previous.hover = m_previous.hit.contains(point);
    m_next.hover = m_next.hit.contains(point);
}

void CDeviceTabHandler::OnClick(const QPoint& point)
{
    const int count = GetTabCount();
    for (int i = 0; i < count; ++i) {
        if (m_tabs[size_t(i)]->hit.contains(point))
            m_selected = i;
    }
    if (count == 0)
        return;
    if (m_next.hit.contains(point))
        m_selected = (m_selected + 1) % count;
    if (m_previous.hit.contains(point))
        m_selected = (m_selected + count - 1) % count;
}

void CDeviceTabHandler::EraseBackground(QPainter& dc)
{
    m_frameBitmap.DrawNineSlice(16, dc, m_pageFrame);
}

} // namespace vidlume
