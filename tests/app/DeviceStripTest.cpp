// The device strips' tab row and the transfer panel: where things are drawn and what a click hits.

#include "app/CDeviceTabHandler.h"
#include "app/CTransferPanel.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

using namespace vidlume;

namespace {

// A strip with n tabs named "Device 0".. on a surface of the given width; the selected tab is
// the given one, drawn once so the hit rectangles are known.
struct Strip {
    Strip(int n, int width, int selected = 0) : surface(width + 40, 400, QImage::Format_ARGB32_Premultiplied)
    {
        CAlphaBitmap icon;
        icon.LoadFromResource(312);
        for (int i = 0; i < n; ++i)
            strip.AddTab(QStringLiteral("Device %1").arg(i), icon, Guid { uint32_t(i + 1), 0, 0, {} });
        strip.SetRects(QRect(8, 8, width, 380), QRect(8, 80, width, 308));
        for (int i = 0; i < selected; ++i)
            Click(strip.GetNextArrow().hit.center());
        Draw();
    }
    void Draw()
    {
        QPainter dc(&surface);
        strip.Draw(dc);
    }
    void Click(const QPoint& point)
    {
        Draw();
        strip.OnClick(point);
        Draw();
    }
    QImage surface;
    CDeviceTabHandler strip;
};

} // namespace

TEST(DeviceStripTest, OneTabDrawsNoArrowsAndStaysCentred)
{
    Strip one(1, 500);
    EXPECT_TRUE(one.strip.GetPreviousArrow().hit.isEmpty());
    EXPECT_TRUE(one.strip.GetNextArrow().hit.isEmpty());
    const QRect tab = one.strip.GetTab(0).hit;
    ASSERT_FALSE(tab.isEmpty());
    EXPECT_LE(std::abs((tab.left() + tab.right() + 1) - (8 + 8 + 500)), 1);
    // Where the arrows would be, a click changes nothing.
    one.Click(QPoint(12, 20));
    one.Click(QPoint(8 + 500 - 4, 20));
    EXPECT_EQ(one.strip.GetSelectedIndex(), 0);
}

TEST(DeviceStripTest, ArrowsWrapAround)
{
    Strip three(3, 700);
    ASSERT_FALSE(three.strip.GetNextArrow().hit.isEmpty());
    three.Click(three.strip.GetPreviousArrow().hit.center());
    EXPECT_EQ(three.strip.GetSelectedIndex(), 2);
    three.Click(three.strip.GetNextArrow().hit.center());
    EXPECT_EQ(three.strip.GetSelectedIndex(), 0);
    three.Click(three.strip.GetNextArrow().hit.center());
    three.Click(three.strip.GetNextArrow().hit.center());
    EXPECT_EQ(three.strip.GetSelectedIndex(), 2);
    three.Click(three.strip.GetNextArrow().hit.center());
    EXPECT_EQ(three.strip.GetSelectedIndex(), 0);
}

TEST(DeviceStripTest, NarrowStripHidesTabsThatReachTheArrows)
{
    Strip many(6, 330, 0);
    const int leftLimit = 8 + 32 + 16, rightLimit = 8 + 330 - 32 - 16;
    int drawn = 0;
    for (int i = 0; i < many.strip.GetTabCount(); ++i) {
        const QRect hit = many.strip.GetTab(i).hit;
        if (hit.isEmpty())
            continue;
        ++drawn;
        EXPECT_GT(hit.left(), leftLimit) << i;
        EXPECT_LT(hit.right() + 1, rightLimit) << i;
    }
    EXPECT_GE(drawn, 1);
    EXPECT_LT(drawn, 6);
    const QRect selected = many.strip.GetTab(0).hit;
    ASSERT_FALSE(selected.isEmpty());
    EXPECT_LE(std::abs((selected.left() + selected.right() + 1) - (8 + 8 + 330)), 1);
    // A tab that was not drawn cannot be hit: clicking the left of the arrow zone's edge only steps.
    for (int i = 1; i < many.strip.GetTabCount(); ++i) {
        if (many.strip.GetTab(i).hit.isEmpty()) {
            many.Click(QPoint(leftLimit + 1, 20));
            EXPECT_EQ(many.strip.GetSelectedIndex(), 0);
            break;
        }
    }
    // Selecting a tab by clicking it brings it to the middle.
    for (int i = 1; i < many.strip.GetTabCount(); ++i) {
        const QRect hit = many.strip.GetTab(i).hit;
        if (hit.isEmpty())
            continue;
        many.Click(hit.center());
        EXPECT_EQ(many.strip.GetSelectedIndex(), i);
        const QRect now = many.strip.GetTab(i).hit;
        EXPECT_LE(std::abs((now.left() + now.right() + 1) - (8 + 8 + 330)), 1);
        break;
    }
}

TEST(DeviceStripTest, SelectionOutsideTheTabsDrawsAndOffersNothing)
{
    Strip two(2, 600);
    two.Click(two.strip.GetPreviousArrow().hit.center());
    ASSERT_EQ(two.strip.GetSelectedIndex(), 1);
    two.strip.RemoveAllTabs();
    CAlphaBitmap icon;
    two.strip.AddTab(QStringLiteral("Only"), icon, Guid { 9, 0, 0, {} });
    two.Draw();
    EXPECT_EQ(two.strip.GetSelectedId(), Guid {});
    EXPECT_TRUE(two.strip.GetTab(0).hit.isEmpty());
}

TEST(TransferPanelTest, ProgressWidth)
{
    const struct { int left, right; float progress; int width; } cases[] = {
        { 90, 390, 0.0f, 0 }, { 90, 390, 0.5f, 150 }, { 90, 390, 1.0f, 300 }, { 90, 390, 1.7f, 300 }, { 90, 390, 0.999f, 299 },
    };
    for (const auto& c : cases)
        EXPECT_EQ(CTransferPanel::ProgressWidth(c.left, c.right, c.progress), c.width) << c.progress;
}

TEST(TransferPanelTest, IdlePanelDrawsNoBarAndIgnoresTheAbortButton)
{
    CTransferPanel panel;
    panel.SetRect(QRect(0, 0, 1000, 40));
    QImage busy(1000, 40, QImage::Format_ARGB32_Premultiplied), idle(busy);
    panel.SetState(false, QStringLiteral("1 transfer(s) left\nclip"), 2.0f);
    {
        QPainter dc(&busy);
        panel.Draw(dc);
    }
    const QRect abort = panel.GetAbortRect();
    ASSERT_FALSE(abort.isEmpty());
    panel.SetState(true, QString(), 0);
    {
        QPainter dc(&idle);
        panel.Draw(dc);
    }
    EXPECT_FALSE(panel.OnClick(abort.center()));
    // The bar's area differs between busy and idle; the artwork at the right does not.
    EXPECT_NE(busy.pixel(200, 20), idle.pixel(200, 20));
    EXPECT_EQ(busy.pixel(990, 20), idle.pixel(990, 20));
}

TEST(TransferPanelTest, ANarrowPanelKeepsRoomForTheBar)
{
    // At the window's narrowest the artwork would leave the bar no room; the button moves right.
    for (const int width : { 800, 1000, 1400 }) {
        CTransferPanel panel;
        panel.SetRect(QRect(0, 0, width, 40));
        panel.SetState(false, QStringLiteral("1 transfer(s) left\nclip"), 0.5f);
        QImage surface(width, 40, QImage::Format_ARGB32_Premultiplied);
        QPainter dc(&surface);
        panel.Draw(dc);
        const int barLeft = 80 + 10;
        EXPECT_GE(panel.GetAbortRect().left() - barLeft, 120) << width;
        if (width >= 1000) {
            EXPECT_EQ(panel.GetAbortRect().left(), width - 567 + 10 - 172) << "wide enough: where the artwork puts it";
        }
    }
}
