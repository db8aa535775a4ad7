#pragma once
// One DVD title and what the user chose for it, and its locator: the text that carries a title
// from the page to the transfer task, e.g.
//   vobfile=/media/dvd/VIDEO_TS/VTS_01_?.VOB&range=0,4711&audio=1&subtitles=-1&starttime=-1&stoptime=-1&duration=95

#include "CSectorRange.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace vidlume {

class CTitleSetInfo;

class CTitleInfo {
public:
    // A new title of the set (not owned; must outlive the title), with the set's VOB pattern.
    explicit CTitleInfo(const CTitleSetInfo* titleSet);
    // Rebuilds a title from its locator. Never fails: unknown or malformed parts are ignored
    // and malformed numbers read as 0. The title set of the result is null.
    explicit CTitleInfo(const QString& locator);

    QString GetLocator() const;
    QString GetVobPattern() const { return m_vobPattern; }

    int32_t m_audioStream = 0;
    int32_t m_subtitleStream = 0; // negative: no subtitles
    const CTitleSetInfo* m_titleSet = nullptr;
    std::vector<CSectorRange> m_sectorRanges; // in playback order
    int32_t m_duration = 0;                   // seconds
    int64_t m_startPosition = -1;             // 100 ns units; -1 = not set
    int64_t m_stopPosition = -1;
    QString m_vobPattern;
};

} // namespace vidlume
