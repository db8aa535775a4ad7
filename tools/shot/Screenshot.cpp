// Takes a picture of the main window as a user sees it: the real window with its real pages,
// at a given size, once both computer pages have listed their folders. Meant to run under a
// virtual X server (tools/shot/screenshot.sh); on the offscreen platform it renders the widgets.
//
//   vidlume-screenshot WIDTHxHEIGHT OUTPUT.png [SOURCE-FOLDER [busy]]
//
// With "busy", every file of the source folder is marked and transferred, and the picture is
// taken while the transfer runs.

#include "app/CMainFrame.h"
#include "app/CQuillmoorDoc.h"
#include "app/CQuillmoorView.h"
#include "components/ComponentGroups.h"
#include "devices/CBaseDevice.h"
#include "platform/settings/CSettingsStore.h"
#include "res/CStringTable.h"
#include "ui/CComputerSrcPage.h"
#include "ui/CFolderCombo.h"
#include "ui/CMediaListCtrl.h"
#include "ui/CShellFolder.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPixmap>
#include <QScreen>

#include <cstdio>

using namespace vidlume;

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    const QStringList arguments = QCoreApplication::arguments();
    const QStringList size = arguments.value(1).split(QLatin1Char('x'));
    if (size.size() != 2 || arguments.size() < 3) {
        std::fprintf(stderr, "usage: vidlume-screenshot WIDTHxHEIGHT OUTPUT.png [SOURCE-FOLDER]\n");
        return 2;
    }
    CSettingsStore::SetRegistryRoot(QStringLiteral("Norvex"), CStringTable::AppName());
    RegisterComponents();

    CQuillmoorDoc document;
    CMainFrame frame(&document);
    frame.resize(size[0].toInt(), size[1].toInt());
    frame.show();
    if (arguments.size() > 3) {
        for (const auto& device : document.GetDevices()) {
            if (auto* page = dynamic_cast<CComputerSrcPage*>(device->GetPage())) {
                const CNameSpaceItem folder = CShellFolder::FromPath(arguments[3]);
                page->GetMediaList()->FillFromFolder(&folder.GetList());
                page->GetFolderCombo()->SetFolder(&folder.GetList());
            }
        }
    }
    // Let the pages list their folders and the lists' workers read the files.
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 3000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);

    if (arguments.value(4) == QLatin1String("busy")) {
        for (const auto& device : document.GetDevices()) {
            if (auto* page = dynamic_cast<CComputerSrcPage*>(device->GetPage())) {
                CMediaListCtrl* list = page->GetMediaList();
                for (int row = 0; row < list->GetItemCount(); ++row)
                    list->SetCheck(row, list->GetItemKind(row) != 3);
            }
        }
        frame.GetView()->OnTransfer();
        clock.restart();
        while (clock.elapsed() < 700 || frame.GetView()->GetPanel().IsIdle()) {
            QApplication::processEvents(QEventLoop::AllEvents, 50);
            if (clock.elapsed() > 10000)
                break;
        }
    }
    QPixmap picture = QGuiApplication::platformName() == QLatin1String("offscreen")
        ? frame.grab()
        : frame.screen()->grabWindow(frame.winId());
    if (!picture.save(arguments[2])) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(arguments[2]));
        return 1;
    }
    std::printf("%s: %dx%d\n", qPrintable(arguments[2]), picture.width(), picture.height());
    return 0;
}
