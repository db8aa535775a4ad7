#include "CShell.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace vidlume {

QString CShell::GetVideosFolder()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
    if (folder.isEmpty() || folder == QDir::homePath())
        folder = QDir::homePath() + QStringLiteral("/Videos");
    return QDir::cleanPath(folder);
}

QString CShell::GetAppDataFolder()
{
    return QDir::cleanPath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
}

QString CShell::GetTempFolder()
{
    return QDir::cleanPath(QDir::tempPath());
}

QString CShell::GetExecutablePath()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationFilePath();
    return QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
}

QString CShell::GetExecutableFolder()
{
    return QFileInfo(GetExecutablePath()).absolutePath();
}

bool CShell::OpenDocument(const QString& pathOrAddress)
{
    QUrl url = QFileInfo(pathOrAddress).isAbsolute() ? QUrl::fromLocalFile(pathOrAddress)
                                                     : QUrl::fromUserInput(pathOrAddress);
    return url.isValid() && QDesktopServices::openUrl(url);
}

QString CShell::FindProgram(const QString& name, const QStringList& firstFolders)
{
    if (name.isEmpty())
        return {};
    QStringList candidates { name };
    if (name.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive)) {
        QString bare = name.left(name.size() - 4);
        candidates << bare;
        if (bare.toLower() != bare)
            candidates << bare.toLower();
    }
    for (const QString& folder : firstFolders) {
        if (folder.isEmpty())
            continue;
        for (const QString& c : candidates) {
            QFileInfo fi(QDir(folder).filePath(c));
            if (fi.isFile() && fi.isExecutable())
                return fi.absoluteFilePath();
        }
    }
    for (const QString& c : candidates) {
        QString found = QStandardPaths::findExecutable(c);
        if (!found.isEmpty())
            return found;
    }
    return {};
}

bool CShell::StartProgram(const QString& name, const QStringList& arguments, qint64* pid)
{
    QString program = FindProgram(name);
    if (program.isEmpty())
        return false;
    return QProcess::startDetached(program, arguments, QString(), pid);
}

} // namespace vidlume
