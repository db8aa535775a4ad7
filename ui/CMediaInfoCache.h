#pragma once
// What the media lists learnt about files during this run: per full path (case-sensitive), the
// row text last computed and the row's picture, kept in the bitmap stream form, valid while the
// file keeps its size and time of last change. Entries are
// added or replaced, never removed; the cache lives as long as the process.
//
// One process-wide lock guards the cache and every use of the media-information component by
// the list workers: a worker holds it for a whole fetch, so the component serves one file at a
// time however many lists are fetching.

#include "ui/CAlphaBitmap.h"

#include <QString>

#include <mutex>

namespace vidlume {

// A file's size and last change, to tell whether an entry still describes the file.
struct CFileStamp {
    qint64 size = -1;
    qint64 modified = -1; // milliseconds since the epoch
    static CFileStamp Of(const QString& path);
    friend bool operator==(const CFileStamp&, const CFileStamp&) = default;
};

class CMediaInfoCache {
public:
    static std::mutex& Lock();

    // The caller holds Lock(). False when the path has no entry, or one made for the file as it
    // was at another stamp; *bitmap is empty when the stored picture cannot be decoded.
    static bool Find(const QString& path, const CFileStamp& stamp, QString* text, CAlphaBitmap* bitmap);
    // The caller holds Lock(). Adds or replaces the entry; stamp is the file as it was analysed.
    static void Store(const QString& path, const CFileStamp& stamp, const QString& text, const CAlphaBitmap& bitmap);
};

} // namespace vidlume
