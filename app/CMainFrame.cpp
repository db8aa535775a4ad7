#include "CMainFrame.h"

#include "app/CDeviceMonitor.h"
#include "app/CQuillmoorApp.h"
#include "app/CQuillmoorDoc.h"
#include "app/CQuillmoorView.h"
#include "app/CTaskListDlg.h"
#include "devices/CBaseDevice.h"
#include "platform/settings/CSettingsStore.h"
#include "res/CStringTable.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMenuBar>
#include <QMessageBox>

namespace vidlume {

namespace {
    constexpr unsigned IDR_MAINFRAME = 128;
    enum Command {
        ID_SETUP_WIZARD = 32790, ID_APP_EXIT = 57665, ID_COVER_EDITOR = 32771, ID_VIDEO_EDITOR = 32772,
        ID_BURN_ISO = 32795, ID_COPY_DVD = 32794, ID_SHOW_TASKS = 32789, ID_POWER_OFF = 32777,
        ID_HELP = 57666, ID_UPDATE_CHECK = 32798, ID_APP_ABOUT = 57664,
    };
    // The commands whose dialogs this build does not offer from the menus.
    constexpr int kHiddenCommands[] = { ID_COVER_EDITOR, ID_BURN_ISO, ID_COPY_DVD, ID_SETUP_WIZARD };
    constexpr int kSeparator = 0;
    // The menu's items in their order, pop-up by pop-up.
    const std::vector<std::vector<int>> kMenuLayout = {
        { ID_SETUP_WIZARD, kSeparator, ID_APP_EXIT },
        { ID_COVER_EDITOR, ID_VIDEO_EDITOR, kSeparator, ID_BURN_ISO, ID_COPY_DVD, kSeparator, ID_SHOW_TASKS, ID_POWER_OFF },
        { ID_HELP, ID_UPDATE_CHECK, kSeparator, ID_APP_ABOUT },
    };
}

QPalette CMainFrame::ObsidianPalette()
{
    QPalette palette;
    const QColor base(30, 30, 32), raised(45, 45, 48), text(230, 230, 230), accent(70, 110, 170);
    palette.setColor(QPalette::Window, base);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, raised);
    palette.setColor(QPalette::AlternateBase, base);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, raised);
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::Highlight, accent);
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::ToolTipBase, raised);
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(120, 120, 120));
    palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(120, 120, 120));
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(120, 120, 120));
    return palette;
}

CMainFrame::CMainFrame(CQuillmoorDoc* document, QWidget* parent) : QMainWindow(parent), m_document(document)
{
    setWindowTitle(CStringTable::AppName());
    setMinimumSize(800, 560);
    BuildMenuBar();
    m_view = new CQuillmoorView(document, this);
    setCentralWidget(m_view);
    resize(1024, 720);

    m_monitor = new CDeviceMonitor(this);
    connect(m_monitor, &CDeviceMonitor::DeviceArrived, this, [this] { m_document->BroadcastEvent(kDeviceArrived, nullptr); });
    connect(m_monitor, &CDeviceMonitor::DeviceRemoved, this, [this] { m_document->BroadcastEvent(kDeviceRemoved, nullptr); });
}

CMainFrame::~CMainFrame() = default;

void CMainFrame::BuildMenuBar()
{
    QMenuBar* bar = menuBar();
    bar->setPalette(ObsidianPalette());
    const QStringList popups = { QStringLiteral("&File"), QStringLiteral("&Extras"), QStringLiteral("&Help") };
    for (size_t p = 0; p < kMenuLayout.size(); ++p) {
        QMenu* popup = bar->addMenu(popups[int(p)]);
        popup->setPalette(ObsidianPalette());
        for (const int command : kMenuLayout[p]) {
            if (command == kSeparator) {
                popup->addSeparator();
                continue;
            }
            QString text = CStringTable::MenuText(IDR_MAINFRAME, unsigned(command));
            QString shortcut;
            if (const int tab = text.indexOf(QLatin1Char('\t')); tab >= 0) {
                shortcut = text.mid(tab + 1);
                text.truncate(tab);
            }
            QAction* action = popup->addAction(text);
            action->setData(command);
            if (!shortcut.isEmpty())
                action->setShortcut(QKeySequence(shortcut));
            if (command == ID_UPDATE_CHECK) {
                action->setCheckable(true);
                action->setChecked(CSettingsStore::GetProfileInt(QStringLiteral("General"), QStringLiteral("UpdateCheck"), 1) != 0);
            }
            connect(action, &QAction::triggered, this, [this, command] { OnCommand(command); });
        }
        // The hidden commands must not be reachable by their shortcuts either.
        PrepareMenu(popup);
        connect(popup, &QMenu::aboutToShow, popup, [popup] { PrepareMenu(popup); });
    }
}

void CMainFrame::PrepareMenu(QMenu* menu)
{
    for (QAction* action : menu->actions()) {
        const int command = action->data().toInt();
        if (std::find(std::begin(kHiddenCommands), std::end(kHiddenCommands), command) != std::end(kHiddenCommands)) {
            menu->removeAction(action);
            action->deleteLater();
            continue;
        }
        action->setText(CStringTable::ReplaceAppName(action->text()));
    }
    const QList<QAction*> actions = menu->actions();
    if (!actions.isEmpty() && actions.front()->isSeparator()) {
        menu->removeAction(actions.front());
        actions.front()->deleteLater();
    }
}

void CMainFrame::OnCommand(int command)
{
    switch (command) {
    case ID_APP_EXIT:
        close();
        break;
    case ID_VIDEO_EDITOR:
        CQuillmoorApp::LaunchCompanionEditor(QString());
        break;
    case ID_SHOW_TASKS: {
        CTaskListDlg dialog(m_document, false, this);
        dialog.exec();
        break;
    }
    case ID_POWER_OFF:
        m_document->PowerOffWhenDone();
        break;
    case ID_HELP:
        CQuillmoorApp::OpenHelp();
        break;
    case ID_UPDATE_CHECK: {
        const bool on = CSettingsStore::GetProfileInt(QStringLiteral("General"), QStringLiteral("UpdateCheck"), 1) == 0;
        CSettingsStore::WriteProfileInt(QStringLiteral("General"), QStringLiteral("UpdateCheck"), on ? 1 : 0);
        break;
    }
    case ID_APP_ABOUT:
        QMessageBox::about(this, CStringTable::AppName(), QStringLiteral("%1 %2").arg(CStringTable::AppName(), QCoreApplication::applicationVersion()));
        break;
    default:
        break;
    }
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if (m_document->CanCloseFrame())
        event->accept();
    else
        event->ignore();
}

} // namespace vidlume
