#pragma once

#include <QString>
#include <QStringList>

namespace vidlume {

// What a DVD's title set offers: its audio streams and subtitle streams (in stream order) and
// the information file it was read from.
class CTitleSetInfo {
public:
    explicit CTitleSetInfo(const QString& infoFilePath);
    virtual ~CTitleSetInfo() = default;

    // The VOB files of the set: ".../VTS_01_0.IFO" gives ".../VTS_01_?.VOB".
    QString GetVobPattern() const;
    // The stream's description, or "No audio" / "No subtitles" for an index outside the list.
    QString GetAudioName(int index) const;
    QString GetSubtitleName(int index) const;
    int GetAudioStreamCount() const { return int(m_audioStreams.size()); }

    QStringList m_audioStreams; // e.g. "English (Dolby Digital, 5.1 Surround)"
    QStringList m_subtitles;    // language names
    QString m_infoFilePath;
};

} // namespace vidlume
