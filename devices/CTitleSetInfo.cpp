#include "CTitleSetInfo.h"

#include "res/CStringTable.h"

namespace vidlume {

namespace {
    constexpr unsigned IDS_NO_AUDIO = 237;
    constexpr unsigned IDS_NO_SUBTITLES = 240;
}

CTitleSetInfo::CTitleSetInfo(const QString& infoFilePath) : m_infoFilePath(infoFilePath) { }

QString CTitleSetInfo::GetVobPattern() const
{
    QString pattern = m_infoFilePath;
    pattern.replace(QLatin1String("_0.IFO"), QLatin1String("_?.VOB"));
    // Some file systems present the disc's names in lower case.
    pattern.replace(QLatin1String("_0.ifo"), QLatin1String("_?.vob"));
    return pattern;
}

QString CTitleSetInfo::GetAudioName(int index) const
{
    return index >= 0 && index < m_audioStreams.size() ? m_audioStreams[index] : CStringTable::LoadString(IDS_NO_AUDIO);
}

QString CTitleSetInfo::GetSubtitleName(int index) const
{
    return index >= 0 && index < m_subtitles.size() ? m_subtitles[index] : CStringTable::LoadString(IDS_NO_SUBTITLES);
}

} // namespace vidlume
