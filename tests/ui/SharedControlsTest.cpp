#include "ui/CAlphaBitmap.h"
#include "ui/CEraseHandler.h"
#include "ui/CExStatic.h"
#include "ui/CFlatButton.h"
#include "ui/CFolderCombo.h"
#include "ui/CHyperLink.h"
#include "ui/CMissingComponentDlg.h"
#include "ui/CShellFolder.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

using namespace vidlume;

namespace {

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value) : m_name(name)
    {
        if (qEnvironmentVariableIsSet(name))
            m_old = qgetenv(name);
        qputenv(name, value);
    }
    ~ScopedEnv()
    {
        if (m_old)
            qputenv(m_name, *m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char* m_name;
    std::optional<QByteArray> m_old;
};

// A skin with two halves: red on the left of x = 100, blue from there on, in the coordinates of
// its window.
class TwoToneSkin final : public CEraseHandler {
public:
    explicit TwoToneSkin(QWidget* window) : m_window(window) { }
    void EraseBackground(QPainter& dc) override
    {
        dc.fillRect(QRect(0, 0, 100, 1000), Qt::red);
        dc.fillRect(QRect(100, 0, 1000, 1000), Qt::blue);
    }
    QWidget* GetWindow() override { return m_window; }

private:
    QWidget* m_window;
};

bool Near(QRgb a, QRgb b, int tolerance = 2)
{
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance
        && std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

QString Describe(QRgb c)
{
    return QString("rgb(%1, %2, %3)").arg(qRed(c)).arg(qGreen(c)).arg(qBlue(c));
}

} // namespace

TEST(ExStaticTest, PaintsTheSkinThatLiesBehindIt)
{
    QWidget page;
    page.resize(200, 60);
    TwoToneSkin skin(&page);
    CExStatic left(&page), right(&page);
    left.setGeometry(10, 10, 60, 20);
    right.setGeometry(120, 10, 60, 20);
    for (CExStatic* label : { &left, &right }) {
        label->setText("Source Folder:");
        label->SetEraseHandler(&skin);
    }
    // A corner pixel, away from the text.
    EXPECT_EQ(left.grab().toImage().pixel(0, 0), QColor(Qt::red).rgb());
    EXPECT_EQ(right.grab().toImage().pixel(0, 0), QColor(Qt::blue).rgb());

    // A label straddling the seam shows the seam where the skin has it.
    CExStatic across(&page);
    across.setGeometry(90, 30, 40, 20);
    across.SetEraseHandler(&skin);
    const QImage image = across.grab().toImage();
    EXPECT_EQ(image.pixel(9, 0), QColor(Qt::red).rgb());
    EXPECT_EQ(image.pixel(10, 0), QColor(Qt::blue).rgb());
}

TEST(FlatButtonTest, BackgroundFollowsPressedStateAndPainter)
{
    QWidget view;
    view.resize(300, 100);
    TwoToneSkin skin(&view);
    const QColor normalBack(10, 20, 30), pressedBack(212, 232, 255);
    struct Case {
        const char* what;
        bool pressed;
        bool painter;
        QColor corner;
    } cases[] = {
        { "up, no painter", false, false, normalBack },
        { "up, skin painter", false, true, Qt::blue },
        { "down, skin painter", true, true, pressedBack },
        { "down, no painter", true, false, pressedBack },
    };
    for (const Case& c : cases) {
        CFlatButton button(&view);
        button.setGeometry(150, 10, 60, 60);
        button.SetColors(normalBack, pressedBack, Qt::white, Qt::black);
        button.SetEraseHandler(c.painter ? &skin : nullptr);
        button.setDown(c.pressed);
        EXPECT_EQ(button.grab().toImage().pixel(1, 1), c.corner.rgb()) << c.what;
    }
}

TEST(FlatButtonTest, IconIsCentredAboveTheTextAndHalfTransparentWhenDisabled)
{
    constexpr unsigned kIcon = 314; // the transfer button's picture
    CAlphaBitmap icon;
    ASSERT_TRUE(icon.LoadFromResource(kIcon));
    ASSERT_TRUE(icon.HasAlpha());
    // An opaque pixel of the picture that differs clearly from the black background.
    const QImage pixels = icon.GetImage();
    QPoint probe(-1, -1);
    for (int y = 0; y < pixels.height() && probe.x() < 0; ++y) {
        for (int x = 0; x < pixels.width(); ++x) {
            const QRgb p = pixels.pixel(x, y);
            if (qAlpha(p) == 255 && qRed(p) + qGreen(p) + qBlue(p) > 300) {
                probe = { x, y };
                break;
            }
        }
    }
    ASSERT_GE(probe.x(), 0) << "no opaque bright pixel in bitmap " << kIcon;
    const QRgb opaque = pixels.pixel(probe);
    const QRgb half = qRgb(qRed(opaque) * 128 / 255, qGreen(opaque) * 128 / 255, qBlue(opaque) * 128 / 255);

    const int side = 100;
    const QPoint centred((side - icon.GetWidth()) / 2, (side - icon.GetHeight()) / 2);
    struct Case {
        const char* text;
        bool enabled;
        int shift;
        QRgb expected;
    } cases[] = {
        { "", true, 0, opaque },
        { "", false, 0, half },
        { "Transfer", true, -8, opaque },
        { "Transfer", false, -8, half },
    };
    for (const Case& c : cases) {
        CFlatButton button;
        button.resize(side, side);
        button.SetColors(Qt::black, Qt::black, Qt::white, Qt::white);
        button.SetIcon(kIcon);
        button.setText(c.text);
        button.setEnabled(c.enabled);
        const QRgb got = button.grab().toImage().pixel(centred + probe + QPoint(0, c.shift));
        EXPECT_TRUE(Near(got, c.expected)) << "text '" << c.text << "' enabled " << c.enabled << ": got "
                                           << Describe(got).toStdString() << ", want " << Describe(c.expected).toStdString();
    }
}

class FolderComboTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_drives.isValid());
        QDir root(m_drives.path());
        ASSERT_TRUE(root.mkpath("G/clips/2024/june"));
        ASSERT_TRUE(root.mkpath("H"));
        m_env.emplace("VIDLUME_DRIVES", QString("G=removable:%1/G,H=removable:%1/H").arg(root.path()).toUtf8());
    }

    QTemporaryDir m_drives;
    std::optional<ScopedEnv> m_env;
};

TEST_F(FolderComboTest, DeepFolderIsListedUnderItsVolumeWithItsAncestors)
{
    const CNameSpaceItem june = CShellFolder::FromPath(m_drives.filePath("G/clips/2024/june"));
    const QByteArray g = m_drives.filePath("G").toUtf8(), h = m_drives.filePath("H").toUtf8();
    ASSERT_EQ(june.GetList(), (ItemIdList { CNameSpaceItem::kComputerItem, g, "clips", "2024", "june" }));

    CFolderCombo box;
    QSignalSpy notified(&box, &CFolderCombo::Notify);
    box.SetFolder(&june.GetList());
    EXPECT_EQ(notified.count(), 0) << "setting the folder is no user choice";
    EXPECT_TRUE(box.GetFolder().IsEqual(june));

    // The desktop, then its children up to Computer (the user's folders, which depend on the
    // home folder), then Computer's volumes with the way down to the folder under G.
    ASSERT_GE(box.count(), 1);
    EXPECT_EQ(box.GetEntryItem(0).GetDepth(), 0);
    EXPECT_EQ(box.GetEntryIndent(0), 0);
    int computer = 1;
    while (computer < box.count() && !box.GetEntryItem(computer).IsComputer()) {
        EXPECT_EQ(box.GetEntryIndent(computer), 1) << computer;
        EXPECT_EQ(box.GetEntryItem(computer).GetDepth(), 1) << computer;
        ++computer;
    }
    ASSERT_LT(computer, box.count());
    EXPECT_GT(computer, 1) << "the home folder comes before Computer";
    EXPECT_EQ(box.GetEntryIndent(computer), 1);

    const QByteArray c = CNameSpaceItem::kComputerItem;
    const ItemIdList after[] = {
        { c, "/" },
        { c, g },
        { c, g, "clips" },
        { c, g, "clips", "2024" },
        { c, g, "clips", "2024", "june" },
        { c, h },
    };
    ASSERT_EQ(box.count(), computer + 1 + int(std::size(after)));
    for (int i = 0; i < int(std::size(after)); ++i) {
        const int index = computer + 1 + i;
        EXPECT_EQ(box.GetEntryItem(index).GetList(), after[i]) << index;
        EXPECT_EQ(box.GetEntryIndent(index), after[i].size()) << index;
    }
    EXPECT_EQ(box.currentIndex(), computer + 5);
    EXPECT_EQ(box.currentText(), "june");
    EXPECT_EQ(box.itemText(computer + 2), "G");
}

TEST_F(FolderComboTest, FolderInAUserFolderHangsUnderThatFolder)
{
    QTemporaryDir below(QDir::homePath() + "/folderXXXXXX");
    ASSERT_TRUE(below.isValid());
    ASSERT_TRUE(QDir(below.path()).mkpath("sub"));
    const CNameSpaceItem sub = CShellFolder::FromPath(below.filePath("sub"));
    ASSERT_EQ(sub.GetDepth(), 3) << "home, the temporary folder, sub";

    CFolderCombo box;
    box.SetFolder(&sub.GetList());
    int home = -1;
    for (int i = 0; i < box.count() && home < 0; ++i) {
        if (box.GetEntryItem(i).GetList() == ItemIdList { sub.GetList().front() })
            home = i;
    }
    ASSERT_GE(home, 0);
    CNameSpaceItem parent = sub;
    parent.RemoveLast();
    EXPECT_TRUE(box.GetEntryItem(home + 1).IsEqual(parent));
    EXPECT_EQ(box.GetEntryIndent(home + 1), 2);
    EXPECT_TRUE(box.GetEntryItem(home + 2).IsEqual(sub));
    EXPECT_EQ(box.GetEntryIndent(home + 2), 3);
    EXPECT_EQ(box.currentIndex(), home + 2);
    EXPECT_EQ(box.GetEntryIndent(home + 3), 1) << "the next of the desktop's children follows";
}

TEST_F(FolderComboTest, ChoosingAnEntryNotifiesOnceAndMovesTheFolder)
{
    const CNameSpaceItem june = CShellFolder::FromPath(m_drives.filePath("G/clips/2024/june"));
    CFolderCombo box;
    box.SetFolder(&june.GetList());
    box.show();
    QSignalSpy notified(&box, &CFolderCombo::Notify);

    const int from = box.currentIndex();
    QTest::keyClick(&box, Qt::Key_Down);
    ASSERT_EQ(notified.count(), 1);
    EXPECT_EQ(notified.front().front().toInt(), 1000);
    EXPECT_EQ(box.currentIndex(), from + 1);
    EXPECT_EQ(box.GetFolder().GetList(), (ItemIdList { CNameSpaceItem::kComputerItem, m_drives.filePath("H").toUtf8() }));

    // The page refills the box around the new folder; that sends nothing more.
    box.SetFolder(&box.GetFolder().GetList());
    EXPECT_EQ(notified.count(), 1);
    EXPECT_EQ(box.currentText(), "H");
}

TEST(HyperLinkTest, FailureReasons)
{
    const struct {
        int result;
        const char* reason;
    } cases[] = {
        { 26, "A sharing violation occurred. " },
        { 2, "The specified file was not found." },
        { 31, "There is no application associated\nwith the given filename extension." },
        { 33, "Unknown Error (33) occurred." },
        { -7, "Unknown Error (-7) occurred." },
    };
    for (const auto& c : cases)
        EXPECT_EQ(CHyperLink::FailureReason(c.result), c.reason) << c.result;
}

TEST(HyperLinkTest, AddressThatCannotBeOpenedIsReportedWithItsReason)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const struct {
        QString address;
        int result;
    } cases[] = {
        { dir.filePath("missing.html"), 2 },
        { QUrl::fromLocalFile(dir.filePath("missing.html")).toString(), 2 },
        { dir.filePath("no/such/folder/page.html"), 3 },
        { "", 2 },
    };
    for (const auto& c : cases)
        EXPECT_EQ(CHyperLink::OpenAddress(c.address), c.result) << c.address.toStdString();

    // A click shows the reason in a warning box and leaves the link unvisited.
    CHyperLink link;
    link.SetURL(QUrl::fromLocalFile(dir.filePath("missing.html")).toString());
    link.show();
    QString shown;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        shown = box->text();
        icon = box->icon();
        box->accept();
    });
    QTest::mouseClick(&link, Qt::LeftButton, {}, link.rect().center());
    EXPECT_EQ(shown, "Unable to open hyperlink:\n\nThe specified file was not found.");
    EXPECT_EQ(icon, QMessageBox::Warning);
    EXPECT_FALSE(link.IsVisited());
}

TEST(HyperLinkTest, TextAndAddressDefaultToEachOther)
{
    CHyperLink fromAddress;
    fromAddress.SetURL("https://example.org/get");
    EXPECT_EQ(fromAddress.text(), "https://example.org/get");
    EXPECT_EQ(fromAddress.toolTip(), "https://example.org/get");

    CHyperLink fromText;
    fromText.setText("example.org/get");
    fromText.show();
    EXPECT_EQ(fromText.GetURL(), "example.org/get");
    EXPECT_EQ(fromText.toolTip(), "example.org/get");

    // The missing-component dialog shows the address without its scheme and opens all of it.
    CMissingComponentDlg dialog("Missing", "http://example.org/codec");
    auto* link = dialog.findChild<CHyperLink*>("1141");
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->text(), "example.org/codec");
    EXPECT_EQ(link->GetURL(), "http://example.org/codec");
}

TEST(HyperLinkTest, HoverShowsTheHoverColourUntilTheCursorHasLeft)
{
    QWidget window;
    window.resize(300, 80);
    CHyperLink link(&window);
    link.SetURL("https://example.org");
    link.move(20, 20);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    const auto hasColour = [&](const QColor& colour) {
        const QImage image = link.grab().toImage();
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (Near(image.pixel(x, y), colour.rgb(), 40))
                    return true;
            }
        }
        return false;
    };
    EXPECT_TRUE(hasColour(CHyperLink::kLinkColour));
    EXPECT_FALSE(hasColour(CHyperLink::kHoverColour));

    const QPoint inside = link.rect().center();
    QCursor::setPos(link.mapToGlobal(inside));
    QMouseEvent move(QEvent::MouseMove, inside, link.mapToGlobal(inside), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&link, &move);
    EXPECT_TRUE(link.IsHovered());
    EXPECT_TRUE(hasColour(CHyperLink::kHoverColour));

    QCursor::setPos(window.mapToGlobal(QPoint(280, 70)));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !link.IsHovered(); }, 5000));
    EXPECT_TRUE(hasColour(CHyperLink::kLinkColour));
    EXPECT_FALSE(hasColour(CHyperLink::kHoverColour));
}
