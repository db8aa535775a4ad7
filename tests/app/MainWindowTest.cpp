// The real main window, driven as a user drives it: files marked on the computer source page,
// "Transfer" pressed, the queue run by the view's timer, the results listed on the target page.

#include "app/CMainFrame.h"
#include "app/CQuillmoorDoc.h"
#include "app/CQuillmoorView.h"
#include "components/ComponentGroups.h"
#include "devices/CComputerSrcDev.h"
#include "conversion/CTargetHandler.h"
#include "devices/CComputerTgtDev.h"
#include "platform/settings/CSettingsStore.h"
#include "res/CStringTable.h"
#include "tests/app/RecordingErrorSink.h"
#include "tests/components/Fixtures.h"
#include "ui/CComputerSrcPage.h"
#include "ui/CComputerTgtPage.h"
#include "ui/CFlatButton.h"
#include "ui/CFolderCombo.h"
#include "ui/CMediaListCtrl.h"
#include "ui/CShellFolder.h"
#include "ui/ErrorReporting.h"

#include <QComboBox>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace vidlume;
using namespace vidlume::test;

namespace {

void ClickCheckMark(CMediaListCtrl* list, int row)
{
    const QRect cell = list->visualRect(list->model()->index(row, list->GetCheckColumn()));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
}

} // namespace

TEST(MainWindowTest, MarkedFilesGoThroughTheQueueIntoTheTargetFolder)
{
    RegisterComponents();
    CRecordingErrorSink sink;
    SetErrorSink(&sink);

    const QString source = QString::fromStdString(ScratchFolder());
    for (const char* name : { "tone.wav", "tone.m4a" })
        ASSERT_TRUE(QFile::copy(QString::fromStdString(FixturePath(name)), source + "/" + name));

    CQuillmoorDoc document;
    CMainFrame frame(&document);
    frame.resize(1280, 800);
    frame.show();
    CQuillmoorView* view = frame.GetView();
    auto* sourcePage = static_cast<CComputerSrcPage*>(document.FindDeviceById(DEVICE_ComputerSource)->GetPage());
    auto* targetPage = static_cast<CComputerTgtPage*>(document.FindDeviceById(DEVICE_ComputerTarget)->GetPage());
    ASSERT_TRUE(sourcePage->isVisible());
    ASSERT_TRUE(targetPage->isVisible());
    const QString targetFolder = targetPage->GetFolderPath();
    ASSERT_FALSE(targetFolder.isEmpty());

    // MP3, the last format, with its first profile.
    QComboBox* formats = targetPage->GetFormatBox();
    ASSERT_EQ(formats->count(), 5);
    formats->setCurrentIndex(4);
    emit formats->activated(4);
    EXPECT_EQ(targetPage->GetProfileBox()->currentIndex(), 0);

    CMediaListCtrl* list = sourcePage->GetMediaList();
    const CNameSpaceItem folder = CShellFolder::FromPath(source);
    list->FillFromFolder(&folder.GetList());
    ASSERT_EQ(list->GetItemCount(), 2);
    ClickCheckMark(list, 0);
    ClickCheckMark(list, 1);
    ASSERT_TRUE(list->GetCheck(0) && list->GetCheck(1));

    CFlatButton* transfer = view->GetTransferButton();
    ASSERT_TRUE(transfer->isEnabled());
    QTest::mouseClick(transfer, Qt::LeftButton);
    EXPECT_EQ(document.GetQueue().size(), 2u);
    EXPECT_FALSE(list->GetCheck(0) || list->GetCheck(1)) << "marks are cleared once the tasks exist";

    // The view's timer drives the queue; step it until the queue is idle again.
    const QString running = CStringTable::LoadString(218).section(QStringLiteral("%d"), 1).section(QStringLiteral("%s"), 0, 0);
    bool sawProgress = false;
    QElapsedTimer clock;
    clock.start();
    do {
        view->OnTimer();
        QTest::qWait(10);
        if (!view->GetPanel().IsIdle() && view->GetPanel().GetStatus().contains(running))
            sawProgress = true;
    } while ((document.IsBusy() || !view->GetPanel().IsIdle()) && clock.elapsed() < 120000);
    EXPECT_TRUE(sawProgress);
    EXPECT_TRUE(view->GetPanel().IsIdle());
    EXPECT_TRUE(sink.errors.isEmpty()) << sink.errors.join('\n').toStdString();

    // The finished tasks made the target page list its folder again.
    QStringList listed;
    CMediaListCtrl* targetList = targetPage->GetMediaList();
    for (int row = 0; row < targetList->GetItemCount(); ++row)
        listed << QFileInfo(targetList->GetItemPath(row)).fileName();
    EXPECT_TRUE(listed.contains("tone.mp3")) << listed.join(", ").toStdString();
    EXPECT_TRUE(listed.contains("tone (2).mp3")) << listed.join(", ").toStdString();
    SetErrorSink(nullptr);
}

TEST(MainWindowTest, MenusShowTheNameAndHideTheCommandsNotOffered)
{
    CQuillmoorDoc document;
    CMainFrame frame(&document);
    QStringList menus;
    for (QAction* popup : frame.menuBar()->actions()) {
        QStringList items;
        for (QAction* item : popup->menu()->actions())
            items << (item->isSeparator() ? QStringLiteral("-") : item->text());
        menus << items.join('|');
    }
    const QString about = CStringTable::MenuText(128, 57664).replace(QStringLiteral("§APPNAME§"), CStringTable::AppName());
    ASSERT_EQ(menus.size(), 3);
    EXPECT_EQ(menus[0], CStringTable::MenuText(128, 57665));
    EXPECT_EQ(menus[1], QStringList({ CStringTable::MenuText(128, 32772), "-", "-", CStringTable::MenuText(128, 32789), CStringTable::MenuText(128, 32777) }).join('|'));
    EXPECT_TRUE(menus[2].endsWith(about)) << menus[2].toStdString();
    EXPECT_FALSE(menus.join(' ').contains(QStringLiteral("§APPNAME§")));
    EXPECT_GE(frame.minimumWidth(), 800);
    EXPECT_GE(frame.minimumHeight(), 560);
}

TEST(MainWindowTest, TransferWithNothingMarkedAsksFirst)
{
    const QString source = QString::fromStdString(ScratchFolder());
    ASSERT_TRUE(QFile::copy(QString::fromStdString(FixturePath("tone.wav")), source + "/tone.wav"));
    CQuillmoorDoc document;
    CMainFrame frame(&document);
    frame.show();
    auto* sourcePage = static_cast<CComputerSrcPage*>(document.FindDeviceById(DEVICE_ComputerSource)->GetPage());
    const CNameSpaceItem folder = CShellFolder::FromPath(source);
    sourcePage->GetMediaList()->FillFromFolder(&folder.GetList());
    ASSERT_EQ(sourcePage->GetMediaList()->GetItemCount(), 1);

    for (const auto answer : { QMessageBox::No, QMessageBox::Yes }) {
        QString asked;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            asked = box->text();
            box->button(answer)->click();
        });
        QTest::mouseClick(frame.GetView()->GetTransferButton(), Qt::LeftButton);
        EXPECT_EQ(asked, CStringTable::Text(293));
        // No: nothing queued. Yes: the selected row (row 0 after a listing) goes.
        EXPECT_EQ(document.GetQueue().size() + (document.GetCurrentTask() ? 1 : 0), answer == QMessageBox::Yes ? 1u : 0u);
    }
}

TEST(MainWindowTest, TheProfileBoxShowsTheProfileInUse)
{
    CQuillmoorDoc document;
    CMainFrame frame(&document);
    frame.show();
    auto* device = static_cast<CComputerTgtDev*>(document.FindDeviceById(DEVICE_ComputerTarget));
    auto* page = static_cast<CComputerTgtPage*>(device->GetPage());
    QComboBox* formats = page->GetFormatBox();
    QComboBox* profiles = page->GetProfileBox();
    ASSERT_GE(profiles->count(), 3);
    profiles->setCurrentIndex(2);
    emit profiles->activated(2);
    EXPECT_EQ(device->GetFormat(0)->GetCurrentProfileIndex(), 2);
    formats->setCurrentIndex(1);
    emit formats->activated(1);
    EXPECT_EQ(device->GetCurrentFormat(), device->GetFormat(1));
    EXPECT_EQ(profiles->currentIndex(), device->GetFormat(1)->GetCurrentProfileIndex());
    formats->setCurrentIndex(0);
    emit formats->activated(0);
    // Back to the first format: it still converts with the profile picked for it, and says so.
    EXPECT_EQ(device->GetFormat(0)->GetCurrentProfileIndex(), 2);
    EXPECT_EQ(profiles->currentIndex(), 2);
}

TEST(MainWindowTest, TheProfileBoxFollowsABaseProfileChosenInTheSettings)
{
    CQuillmoorDoc document;
    CMainFrame frame(&document);
    frame.show();
    auto* device = static_cast<CComputerTgtDev*>(document.FindDeviceById(DEVICE_ComputerTarget));
    auto* page = static_cast<CComputerTgtPage*>(device->GetPage());
    ASSERT_EQ(page->GetProfileBox()->currentIndex(), 0);
    // In the settings, another base profile, then Cancel: the profile stays chosen.
    QTimer::singleShot(0, [] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        dialog->findChild<QComboBox*>("1018")->setCurrentIndex(2);
        dialog->findChild<QPushButton*>("2")->click();
    });
    page->findChild<QPushButton*>("1016")->click();
    EXPECT_EQ(device->GetCurrentFormat()->GetCurrentProfileIndex(), 2);
    EXPECT_EQ(page->GetProfileBox()->currentIndex(), 2);
}

TEST(MainWindowTest, ADeviceSwitchedOffGetsNoTabAndNoPage)
{
    CQuillmoorDoc document;
    CBaseDevice* source = document.FindDeviceById(DEVICE_ComputerSource);
    ASSERT_TRUE(CSettingsStore::WriteProfileInt(QStringLiteral("Devices"), source->GetName(), 0));
    CMainFrame frame(&document);
    frame.show();
    CSettingsStore::WriteProfileInt(QStringLiteral("Devices"), source->GetName(), 1);
    CQuillmoorView* view = frame.GetView();
    for (const auto& device : document.GetDevices()) {
        CDeviceTabHandler& strip = device->GetKind() == kSourceDevice ? view->GetSourceStrip() : view->GetTargetStrip();
        const bool off = device->GetName() == source->GetName();
        EXPECT_EQ(strip.GetTabCount(), off ? 0 : 1) << device->GetName().toStdString();
        EXPECT_EQ(device->GetPage()->isVisible(), !off) << device->GetName().toStdString();
    }
    EXPECT_FALSE(view->GetTransferButton()->isEnabled());
}

TEST(MainWindowTest, DeletingInOnePageRelistsBoth)
{
    const QString folder = QString::fromStdString(ScratchFolder());
    for (const char* name : { "one.wav", "two.wav" })
        ASSERT_TRUE(QFile::copy(QString::fromStdString(FixturePath("tone.wav")), folder + "/" + name));
    CQuillmoorDoc document;
    CMainFrame frame(&document);
    frame.show();
    auto* sourcePage = static_cast<CComputerSrcPage*>(document.FindDeviceById(DEVICE_ComputerSource)->GetPage());
    auto* targetPage = static_cast<CComputerTgtPage*>(document.FindDeviceById(DEVICE_ComputerTarget)->GetPage());
    targetPage->SetFolderPath(folder);
    const CNameSpaceItem place = CShellFolder::FromPath(folder);
    sourcePage->GetMediaList()->FillFromFolder(&place.GetList());
    sourcePage->GetFolderCombo()->SetFolder(&place.GetList());
    ASSERT_EQ(targetPage->GetMediaList()->GetItemCount(), 2);

    // Row 0 ("one.wav") is selected after a listing; Delete asks first.
    QTimer::singleShot(0, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            box->button(QMessageBox::Yes)->click();
    });
    sourcePage->GetMediaList()->Delete();
    EXPECT_FALSE(QFile::exists(folder + "/one.wav"));
    for (CMediaListCtrl* list : { sourcePage->GetMediaList(), targetPage->GetMediaList() }) {
        ASSERT_EQ(list->GetItemCount(), 1);
        EXPECT_EQ(QFileInfo(list->GetItemPath(0)).fileName(), "two.wav");
    }
}
