#pragma once
// Whether a file is a video, an audio file or something the program does not handle, decided
// by its extension alone. The same rule decides what a source turns into a task and what a
// folder listing shows.

#include <QString>
#include <QStringList>

namespace vidlume {

enum MediaFileKind : int {
    kNotMediaFile = 0,
    kVideoFile = 1,
    kAudioFile = 2,
};

// Appends the known extensions (lower case, without the dot) to the caller's lists, in the
// order in which they are tried.
void FillExtensionLists(QStringList& videoExtensions, QStringList& audioExtensions);

// The kind of a path by the text after the last '.' of its file name, lower-cased. A name
// without a dot, or whose only dot is its first character, is not a media file. Folders are not told apart:
// that is the caller's business.
MediaFileKind ClassifyFile(const QString& path, const QStringList& videoExtensions, const QStringList& audioExtensions);

} // namespace vidlume
