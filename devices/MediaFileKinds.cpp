#include "MediaFileKinds.h"

namespace vidlume {

void FillExtensionLists(QStringList& videoExtensions, QStringList& audioExtensions)
{
    videoExtensions << QStringLiteral("mpeg") << QStringLiteral("mpg") << QStringLiteral("mpv") << QStringLiteral("mp4")
                    << QStringLiteral("m4v") << QStringLiteral("mov") << QStringLiteral("qt") << QStringLiteral("vob")
                    << QStringLiteral("3gp") << QStringLiteral("f4v") << QStringLiteral("flv") << QStringLiteral("wmv")
                    << QStringLiteral("avi") << QStringLiteral("ts");
    audioExtensions << QStringLiteral("wav") << QStringLiteral("mp3") << QStringLiteral("mpa") << QStringLiteral("m4a")
                    << QStringLiteral("wma") << QStringLiteral("aac");
}

MediaFileKind ClassifyFile(const QString& path, const QStringList& videoExtensions, const QStringList& audioExtensions)
{
    // Only the file name counts: a dot in a folder name is no extension, and a name that starts
    // with its only dot (".avi") is a hidden file without one.
    const qsizetype nameStart = path.lastIndexOf(QLatin1Char('/')) + 1;
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot <= nameStart)
        return kNotMediaFile;
    const QString extension = path.mid(dot + 1).toLower();
    if (videoExtensions.contains(extension))
        return kVideoFile;
    if (audioExtensions.contains(extension))
        return kAudioFile;
    return kNotMediaFile;
}

} // namespace vidlume
