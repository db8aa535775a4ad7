// Anchored controls: which edges follow which side, and hiding what no longer fits.

#include "ui/CAnchorLogic.h"

#include <QWidget>

#include <gtest/gtest.h>

using namespace vidlume;

TEST(AnchorTest, EdgesFollowTheirSides)
{
    const QSize template_(400, 300);
    const struct { int flags; QRect control; QSize client; QRect expected; bool visible; } cases[] = {
        // left and right: both margins kept, the width changes
        { ANCHOR_LEFT | ANCHOR_TOP | ANCHOR_RIGHT, { 90, 7, 270, 20 }, { 500, 300 }, { 90, 7, 370, 20 }, true },
        // top and right: the size stays, the control follows the right edge
        { ANCHOR_TOP | ANCHOR_RIGHT, { 364, 7, 20, 14 }, { 300, 300 }, { 264, 7, 20, 14 }, true },
        // all four: grows both ways
        { ANCHOR_LEFT | ANCHOR_TOP | ANCHOR_RIGHT | ANCHOR_BOTTOM, { 7, 28, 386, 260 }, { 600, 500 }, { 7, 28, 586, 460 }, true },
        // left and top only: stays put
        { ANCHOR_LEFT | ANCHOR_TOP, { 7, 9, 73, 8 }, { 150, 100 }, { 7, 9, 73, 8 }, true },
        // shrunk below the control: it no longer fits and is hidden
        { ANCHOR_LEFT | ANCHOR_TOP, { 7, 9, 73, 8 }, { 60, 100 }, { 7, 9, 73, 8 }, false },
        { ANCHOR_LEFT | ANCHOR_TOP | ANCHOR_RIGHT, { 90, 7, 270, 20 }, { 120, 300 }, { 90, 7, -10, 20 }, false },
        // bottom without top: moves with the bottom, keeps its height
        { ANCHOR_LEFT | ANCHOR_BOTTOM, { 10, 270, 50, 20 }, { 400, 200 }, { 10, 170, 50, 20 }, true },
    };
    for (const auto& c : cases) {
        const CAnchorInfo anchor = CAnchorLogic::MakeAnchor(1, c.flags, c.control, template_);
        bool visible = !c.visible;
        EXPECT_EQ(CAnchorLogic::Resolve(anchor, c.client, &visible), c.expected) << c.flags << " " << c.client.width();
        EXPECT_EQ(visible, c.visible) << c.flags << " " << c.client.width();
        // Back at the template's size, every control is where it started.
        EXPECT_EQ(CAnchorLogic::Resolve(anchor, template_, &visible), c.control);
        EXPECT_TRUE(visible);
    }
}

namespace {
class CAnchoredPage final : public QWidget, public CAnchorLogic {
public:
    CAnchoredPage()
    {
        resize(400, 300);
        SetAnchorWindow(this);
    }
};
} // namespace

TEST(AnchorTest, ControlsHideAndComeBack)
{
    CAnchoredPage page;
    auto* button = new QWidget(&page);
    button->setObjectName(QStringLiteral("1017"));
    button->setGeometry(364, 7, 20, 14);
    auto* list = new QWidget(&page);
    list->setObjectName(QStringLiteral("1044"));
    list->setGeometry(7, 28, 386, 260);
    page.AddAnchor(1017, ANCHOR_TOP | ANCHOR_RIGHT);
    page.AddAnchor(1044, ANCHOR_LEFT | ANCHOR_TOP | ANCHOR_RIGHT | ANCHOR_BOTTOM);
    page.AddAnchor(4242, ANCHOR_LEFT); // no such control: nothing recorded
    EXPECT_EQ(page.GetAnchors().size(), 2);
    page.show();

    page.resize(200, 40);
    page.ResizeAnchors();
    EXPECT_TRUE(button->isVisible());
    EXPECT_EQ(button->geometry(), QRect(164, 7, 20, 14));
    EXPECT_FALSE(list->isVisible());

    page.resize(500, 400);
    page.ResizeAnchors();
    EXPECT_TRUE(list->isVisible());
    EXPECT_EQ(list->geometry(), QRect(7, 28, 486, 360));
}
