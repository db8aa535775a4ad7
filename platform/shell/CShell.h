#pragma once
// The desktop's services that the program calls on: well-known folders, opening a document or
// an address with the user's preferred program, and starting companion programs.
// Programs are always started with an argument list, never through a shell command line.

#include <QString>
#include <QStringList>

namespace vidlume {

class CShell {
public:
    // The user's videos folder (XDG videos, else ~/Videos). Not created here.
    static QString GetVideosFolder();
    // Where the program keeps documents of its own (the XDG data home, ~/.local/share).
    static QString GetAppDataFolder();
    static QString GetTempFolder();
    // The running program's own file and the folder that holds it.
    static QString GetExecutablePath();
    static QString GetExecutableFolder();

    // Opens a file or an address (http, https, file) with the desktop's handler.
    // False when no handler could be started. Needs a QGuiApplication.
    static bool OpenDocument(const QString& pathOrAddress);

    // Finds a program by name: first in each of the given folders (by default the folder of the
    // running program), then on PATH. A name ending in ".exe" is also looked for without that
    // ending and in lower case ("Trimwell.exe" finds "trimwell"). Empty when not found.
    static QString FindProgram(const QString& name, const QStringList& firstFolders = { GetExecutableFolder() });
    // Starts a found program detached with the arguments; false when it cannot be found or
    // started. *pid gets its process id when given.
    static bool StartProgram(const QString& name, const QStringList& arguments, qint64* pid = nullptr);
};

} // namespace vidlume
