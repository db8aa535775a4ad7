#pragma once
// The record behind one row of a media list: what the row shows and what it stands for. Owned
// by the list's model and freed with the row.

#include "ui/CAlphaBitmap.h"
#include "ui/CNameSpaceItem.h"

#include <QDateTime>
#include <QString>

#include <optional>

namespace vidlume {

enum MediaListKind : int {
    kMediaListVideo = 1,
    kMediaListAudio = 2,
    kMediaListFolder = 3,
    kMediaListDevice = 4,
};

struct CMediaListItem {
    // Thumbnail or placeholder for the thumbnail column; may be empty.
    CAlphaBitmap bitmap;
    // The child item relative to the shown folder; none for device rows.
    std::optional<CNameSpaceItem> shellItem;
    QString path;        // full file-system path; empty for device rows
    QString displayName;
    // The whole row text: the bold first line, then "label\tvalue" lines or plain text.
    QString text;
    // True while the worker still has to fetch this row's information.
    bool pending = false;
    // Last modification time, local; invalid when unknown.
    QDateTime date;
    int kind = kMediaListDevice;
    bool checked = false;

    bool IsFile() const { return kind == kMediaListVideo || kind == kMediaListAudio; }
};

// Day of the month, month 1 to 12 and four-digit year of a local time, as the row texts show
// them; all three 0 for an unknown time.
inline void GetDateParts(const QDateTime& date, int* day, int* month, int* year)
{
    const QDate d = date.isValid() ? date.toLocalTime().date() : QDate();
    *day = d.isValid() ? d.day() : 0;
    *month = d.isValid() ? d.month() : 0;
    *year = d.isValid() ? d.year() : 0;
}

} // namespace vidlume
