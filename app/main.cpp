// Vidlume's entry point. The conversion engine, the devices and the main window are being
// built piece by piece; until they are in place the program says so instead of pretending.

#include "platform/com/HResult.h"
#include "platform/drives/CDriveTable.h"
#include "res/CStringTable.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

using namespace vidlume;

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(CStringTable::AppName());
    QCoreApplication::setApplicationVersion(QStringLiteral(VIDLUME_VERSION));

    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.contains(QStringLiteral("--version"))) {
        std::printf("%s %s\n", qPrintable(CStringTable::AppName()), VIDLUME_VERSION);
        return 0;
    }

    std::fprintf(stderr, "%s %s\n", qPrintable(CStringTable::AppName()), VIDLUME_VERSION);
    std::fprintf(stderr, "Drives:");
    for (const Drive& d : CDriveTable::Current())
        std::fprintf(stderr, " %c: %s %s", d.letter.toLatin1(), qPrintable(CDriveTable::TypeName(d.type)),
            qPrintable(d.root.isEmpty() ? d.device : d.root));
    std::fprintf(stderr, "\n");
    std::fprintf(stderr,
        "Not there yet: the conversion engine, the transfer queue and the main window are still being built,\n"
        "so this build cannot convert files or show its window.%s\n",
        args.isEmpty() ? "" : " The arguments given were not used.");
    return 2;
}
