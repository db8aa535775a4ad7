// The format settings dialog driven on screen against the real handlers: what its boxes offer and
// show, what OK writes into the current settings, and what Cancel leaves behind.

#include "conversion/CAudioFileTargetHandler.h"
#include "conversion/CFormatDlg.h"
#include "conversion/CMPEG4TargetHandler.h"
#include "conversion/CWMVTargetHandler.h"
#include "res/CStringTable.h"

#include <QComboBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>
#include <tuple>

using namespace vidlume;

namespace {

const int kValueControls[] = { 1061, 1063, 1060, 1062, 1064, 1069, 1067 };

template <class T = QComboBox>
T* Control(CFormatDlg& dialog, int id)
{
    return dialog.findChild<T*>(QString::number(id));
}

QStringList Entries(QComboBox* box)
{
    QStringList texts;
    for (int i = 0; i < box->count(); ++i)
        texts << box->itemText(i);
    return texts;
}

// Picks the entry with exactly this text, as a user would.
void Choose(CFormatDlg& dialog, int id, const QString& text)
{
    QComboBox* box = Control(dialog, id);
    ASSERT_NE(box, nullptr) << id;
    const int index = box->findText(text, Qt::MatchExactly);
    ASSERT_GE(index, 0) << id << " has no entry " << text.toStdString();
    box->setCurrentIndex(index);
}

void Click(CFormatDlg& dialog, int id)
{
    QPushButton* button = Control<QPushButton>(dialog, id);
    ASSERT_NE(button, nullptr);
    button->click();
}

auto Tie(const CVideoSettings& v)
{
    return std::tie(v.codec, v.resizeMode, v.width, v.height, v.frameRate, v.bitRate);
}
auto Tie(const CAudioSettings& a)
{
    return std::tie(a.codec, a.sampleRate, a.bitRate);
}

template <class H>
std::unique_ptr<CTargetHandler> Make()
{
    return std::make_unique<H>();
}

const QString kSource = QStringLiteral("Source");

} // namespace

TEST(FormatDlgTest, ControlsAreEnabledForWhatTheHandlerOffers)
{
    struct Case {
        const char* name;
        std::function<std::unique_ptr<CTargetHandler>()> make;
        int profile;
        std::set<int> enabled;
        QStringList audioBitrates; // empty: not checked
    };
    const Case cases[] = {
        { "MPEG-4", Make<CMPEG4TargetHandler>, 0, { 1061, 1063, 1060, 1062, 1069, 1067 }, {} },
        { "Windows Media", Make<CWMVTargetHandler>, 1, { 1063, 1060, 1062, 1069 }, { kSource } },
        { "Wave", Make<CWaveTargetHandler>, 0, { 1069 }, { kSource } },
        { "MP3", Make<CLAMETargetHandler>, 1, { 1069 }, { kSource } },
        { "MPEG-4 audio", Make<CM4ATargetHandler>, 0, { 1069, 1067 }, {} },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<CTargetHandler> handler = c.make();
        handler->SelectProfile(c.profile);
        CFormatDlg dialog(handler.get());
        dialog.show();
        for (int id : kValueControls) {
            QWidget* control = Control<QWidget>(dialog, id);
            ASSERT_NE(control, nullptr) << id;
            EXPECT_EQ(control->isEnabled(), c.enabled.count(id) == 1) << id;
        }
        if (!c.audioBitrates.isEmpty()) {
            EXPECT_EQ(Entries(Control(dialog, 1067)), c.audioBitrates);
        }
        EXPECT_EQ(Control(dialog, 1018)->currentIndex(), c.profile);
        EXPECT_EQ(Control(dialog, 1018)->count(), handler->GetProfileCount());
    }
}

TEST(FormatDlgTest, BoxesSelectTheCurrentValues)
{
    struct Case {
        const char* name;
        std::function<void(CTargetHandler&)> set;
        int box;
        QString selected; // empty: no selection
    };
    const Case cases[] = {
        { "30 frames per second", [](CTargetHandler& h) { h.m_video.frameRate = 3000; }, 1060, "30.00" },
        { "24 frames per second", [](CTargetHandler& h) { h.m_video.frameRate = 2400; }, 1060, "24.00" },
        { "NTSC rate", [](CTargetHandler& h) { h.m_video.frameRate = -2997; }, 1060, "29.97" },
        { "source frame rate", [](CTargetHandler& h) { h.m_video.frameRate = 0; }, 1060, kSource },
        { "iPad size is not in the list", [](CTargetHandler& h) { h.SelectProfile(2); }, 1063, "" },
        { "iPhone size", [](CTargetHandler& h) { h.SelectProfile(1); }, 1063, "480 x 360" },
        { "10 kbit/s is not taken for 1024", [](CTargetHandler& h) { h.m_audio.bitRate = 10; }, 1067, "10" },
        { "source sample rate", [](CTargetHandler& h) { h.m_audio.sampleRate = 0; }, 1069, kSource },
        { "second video codec", [](CTargetHandler& h) { h.m_video.codec = CLSID_MPEG4Encoder; }, 1061, CStringTable::Text(10008) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CMPEG4TargetHandler handler;
        c.set(handler);
        CFormatDlg dialog(&handler);
        dialog.show();
        QComboBox* box = Control(dialog, c.box);
        EXPECT_EQ(box->currentIndex() >= 0, !c.selected.isEmpty());
        EXPECT_EQ(box->currentText(), c.selected);
    }

    CMPEG4TargetHandler handler;
    CFormatDlg dialog(&handler);
    EXPECT_EQ(Entries(Control(dialog, 1060)), QStringList({ kSource, "24.00", "25.00", "29.97", "30.00" }));
    EXPECT_EQ(Control<QSpinBox>(dialog, 1062)->minimum(), 192);
    EXPECT_EQ(Control<QSpinBox>(dialog, 1062)->maximum(), 30000);
    EXPECT_EQ(Control<QSpinBox>(dialog, 1062)->value(), 600);
}

TEST(FormatDlgTest, OkWithoutEditsKeepsTheProfile)
{
    // The iPad's 1024 x 768 is in no list: the box has no selection and must not overwrite it.
    for (int profile : { 0, 2 }) {
        SCOPED_TRACE(profile);
        CMPEG4TargetHandler handler;
        handler.SelectProfile(profile);
        CFormatDlg dialog(&handler);
        dialog.show();
        Click(dialog, 1);
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(Tie(handler.m_video), Tie(handler.GetProfile(profile).m_video));
        EXPECT_EQ(Tie(handler.m_audio), Tie(handler.GetProfile(profile).m_audio));
    }
    // Without video the bit rate box is off, and its minimum must not land in the settings.
    CWaveTargetHandler wave;
    CFormatDlg dialog(&wave);
    dialog.show();
    Click(dialog, 1);
    EXPECT_EQ(Tie(wave.m_video), Tie(wave.GetProfile(0).m_video));
}

TEST(FormatDlgTest, OkWritesTheChosenValues)
{
    struct Case {
        const char* name;
        QString resolution;
        int resizeModeBefore, resizeMode, width, height;
    };
    const Case cases[] = {
        { "a fixed size", "1280 x 720", 2, 1, 1280, 720 },
        { "the source's size keeps the mode", kSource, 2, 2, 0, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CMPEG4TargetHandler handler;
        handler.m_video.resizeMode = c.resizeModeBefore;
        CFormatDlg dialog(&handler);
        dialog.show();
        Choose(dialog, 1063, c.resolution);
        Choose(dialog, 1061, CStringTable::Text(10008));
        Choose(dialog, 1060, "29.97");
        Choose(dialog, 1069, "48000");
        Choose(dialog, 1067, "192");
        Control<QSpinBox>(dialog, 1062)->setValue(5000);
        Click(dialog, 1);
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        const CVideoSettings video { CLSID_MPEG4Encoder, c.resizeMode, c.width, c.height, -2997, 5000 };
        const CAudioSettings audio { CLSID_AACEncoder, 48000, 192 };
        EXPECT_EQ(Tie(handler.m_video), Tie(video));
        EXPECT_EQ(Tie(handler.m_audio), Tie(audio));
        EXPECT_EQ(handler.GetCurrentProfileIndex(), 0);
    }
}

TEST(FormatDlgTest, TypedBitrateIsTakenWithinTheRange)
{
    struct Case {
        const char* typed;
        int bitRate;
    };
    const Case cases[] = { { "2500", 2500 }, { "50", 192 } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        CMPEG4TargetHandler handler;
        CFormatDlg dialog(&handler);
        dialog.show();
        QSpinBox* spin = Control<QSpinBox>(dialog, 1062);
        spin->setFocus();
        spin->selectAll();
        QTest::keyClicks(spin, c.typed);
        // Enter while still typing: the default button takes the text as it stands.
        QTest::keyClick(spin, Qt::Key_Return);
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(handler.m_video.bitRate, c.bitRate);
    }
}

TEST(FormatDlgTest, AnotherBaseProfileIsSelectedAtOnceAndSurvivesCancel)
{
    CMPEG4TargetHandler handler;
    CFormatDlg dialog(&handler);
    dialog.show();
    Choose(dialog, 1061, CStringTable::Text(10008));
    Choose(dialog, 1063, "640 x 480");

    Control(dialog, 1018)->setCurrentIndex(2);
    EXPECT_EQ(handler.GetCurrentProfileIndex(), 2);
    // The values come from the new profile; the codec choice made before goes back to its codec.
    EXPECT_EQ(Control(dialog, 1061)->currentIndex(), 0);
    EXPECT_EQ(Control(dialog, 1063)->currentIndex(), -1);
    EXPECT_EQ(Control<QSpinBox>(dialog, 1062)->value(), 2000);

    Choose(dialog, 1067, "64");
    Control<QSpinBox>(dialog, 1062)->setValue(900);
    Click(dialog, 2);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(handler.GetCurrentProfileIndex(), 2);
    EXPECT_EQ(Tie(handler.m_video), Tie(handler.GetProfile(2).m_video));
    EXPECT_EQ(Tie(handler.m_audio), Tie(handler.GetProfile(2).m_audio));
}
