// Vidlume's entry point. Without a display it runs on Qt's offscreen platform, so the
// command-line transfer also works on a machine without a screen.

#include "app/CQuillmoorApp.h"
#include "res/CStringTable.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--version")) {
            std::printf("Vidlume %s\n", VIDLUME_VERSION);
            return 0;
        }
    }
    if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);

    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(vidlume::CStringTable::AppName());
    QCoreApplication::setOrganizationName(QStringLiteral("Norvex"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VIDLUME_VERSION));

    vidlume::CQuillmoorApp application;
    return application.Run(app, QCoreApplication::arguments().mid(1));
}
