// Vidlume's entry point. Without a display it runs on Qt's offscreen platform, so the
// command-line transfer also works on a machine without a screen.

#include "app/CQuillmoorApp.h"
#include "res/CStringTable.h"

#include <QApplication>

extern "C" {
#include <libavutil/log.h>
}

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
    if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        // Without a screen, standard error is the program's voice: only its own lines and real
        // errors go there, not the toolkit's remarks about the missing screen.
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
            if (type == QtCriticalMsg || type == QtFatalMsg)
                std::fprintf(stderr, "%s\n", qPrintable(message));
        });
    }
    // The libraries' progress remarks are not for users; their errors are.
    av_log_set_level(AV_LOG_ERROR);

    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    QCoreApplication::setApplicationName(vidlume::CStringTable::AppName());
    QCoreApplication::setOrganizationName(QStringLiteral("Norvex"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VIDLUME_VERSION));

    vidlume::CQuillmoorApp application;
    return application.Run(app, QCoreApplication::arguments().mid(1));
}
