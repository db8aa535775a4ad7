// Feeds arbitrary text to the DVD title locator reader. Besides not crashing, a title read from
// any text must write a locator that reads back to the same title, as long as its VOB pattern
// holds no '&' (which the locator has no way to escape).

#include "devices/CTitleInfo.h"

#include <QString>

#include <cstdint>
#include <cstdlib>

using vidlume::CTitleInfo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const CTitleInfo title(text);
    if (title.m_vobPattern.contains(QLatin1Char('&')))
        return 0;
    const CTitleInfo back(title.GetLocator());
    if (back.m_vobPattern != title.m_vobPattern || back.m_sectorRanges != title.m_sectorRanges
        || back.m_audioStream != title.m_audioStream || back.m_subtitleStream != title.m_subtitleStream
        || back.m_startPosition != title.m_startPosition || back.m_stopPosition != title.m_stopPosition
        || back.m_duration != title.m_duration)
        std::abort();
    return 0;
}
