#include "CMediaInfoCache.h"

#include <QBuffer>
#include <QByteArray>
#include <QDateTime>
#include <QFileInfo>

#include <unordered_map>

namespace vidlume {

namespace {

    struct CCacheItem {
        QByteArray image; // CAlphaBitmap stream form; empty for no picture
        QString text;
        CFileStamp stamp;
    };

    std::unordered_map<QString, CCacheItem>& Map()
    {
        static std::unordered_map<QString, CCacheItem> map;
        return map;
    }

} // namespace

std::mutex& CMediaInfoCache::Lock()
{
    static std::mutex lock;
    return lock;
}

CFileStamp CFileStamp::Of(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return {};
    return { info.size(), info.lastModified().toMSecsSinceEpoch() };
}

bool CMediaInfoCache::Find(const QString& path, const CFileStamp& stamp, QString* text, CAlphaBitmap* bitmap)
{
    const auto it = Map().find(path);
    if (it == Map().end() || !(it->second.stamp == stamp))
        return false;
    *text = it->second.text;
    bitmap->Clear();
    if (!it->second.image.isEmpty()) {
        QByteArray bytes = it->second.image;
        QBuffer stream(&bytes);
        if (stream.open(QIODevice::ReadOnly))
            bitmap->Load(stream);
    }
    return true;
}

void CMediaInfoCache::Store(const QString& path, const CFileStamp& stamp, const QString& text, const CAlphaBitmap& bitmap)
{
    CCacheItem item;
    item.text = text;
    item.stamp = stamp;
    if (!bitmap.IsEmpty()) {
        QBuffer stream(&item.image);
        if (stream.open(QIODevice::WriteOnly) && !bitmap.Store(stream))
            item.image.clear();
    }
    Map()[path] = std::move(item);
}

} // namespace vidlume
