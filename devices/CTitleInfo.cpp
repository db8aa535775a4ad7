#include "CTitleInfo.h"

#include "CTitleSetInfo.h"

#include <QStringView>

#include <limits>

namespace vidlume {

namespace {

    // Reads a number the way the C library's decimal conversion does: white space skipped, an
    // optional sign, then digits up to the first other character; no digits read as 0. Values
    // beyond the 64-bit range stop at its ends.
    int64_t ReadInteger(QStringView text)
    {
        qsizetype i = 0;
        auto isSpace = [](QChar c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); };
        while (i < text.size() && isSpace(text[i]))
            ++i;
        bool negative = false;
        if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
            negative = text[i++] == u'-';
        uint64_t magnitude = 0;
        const uint64_t limit = negative ? uint64_t(std::numeric_limits<int64_t>::max()) + 1 : uint64_t(std::numeric_limits<int64_t>::max());
        for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
            unsigned digit = text[i].unicode() - u'0';
            if (magnitude > (limit - digit) / 10) {
                magnitude = limit;
                break;
            }
            magnitude = magnitude * 10 + digit;
        }
        if (negative)
            return magnitude == limit ? std::numeric_limits<int64_t>::min() : -int64_t(magnitude);
        return int64_t(magnitude);
    }

    int32_t ReadInt32(QStringView text)
    {
        int64_t v = ReadInteger(text);
        if (v > std::numeric_limits<int32_t>::max())
            return std::numeric_limits<int32_t>::max();
        if (v < std::numeric_limits<int32_t>::min())
            return std::numeric_limits<int32_t>::min();
        return int32_t(v);
    }

    // Sector numbers are unsigned; a negative text wraps the way an int stored into an unsigned
    // field does, so "-1" and "4294967295" read alike.
    uint32_t ReadSector(QStringView text)
    {
        return static_cast<uint32_t>(static_cast<uint64_t>(ReadInteger(text)));
    }

} // namespace

CTitleInfo::CTitleInfo(const CTitleSetInfo* titleSet)
    : m_titleSet(titleSet)
    , m_vobPattern(titleSet ? titleSet->GetVobPattern() : QString())
{
}

CTitleInfo::CTitleInfo(const QString& locator)
{
    for (QStringView token : QStringView(locator).split(u'&', Qt::SkipEmptyParts)) {
        qsizetype eq = token.indexOf(u'=');
        if (eq < 0)
            continue;
        QStringView key = token.left(eq);
        QStringView value = token.mid(eq + 1);
        if (key == u"vobfile") {
            m_vobPattern = value.toString();
        } else if (key == u"audio") {
            m_audioStream = ReadInt32(value);
        } else if (key == u"subtitles") {
            m_subtitleStream = ReadInt32(value);
        } else if (key == u"starttime") {
            m_startPosition = ReadInteger(value);
        } else if (key == u"stoptime") {
            m_stopPosition = ReadInteger(value);
        } else if (key == u"duration") {
            m_duration = ReadInt32(value);
        } else if (key == u"range") {
            qsizetype comma = value.indexOf(u',');
            QStringView first = comma < 0 ? value : value.left(comma);
            QStringView last = comma < 0 ? QStringView() : value.mid(comma + 1);
            m_sectorRanges.push_back({ ReadSector(first), ReadSector(last) });
        }
    }
}

QString CTitleInfo::GetLocator() const
{
    QString locator = QStringLiteral("vobfile=") + m_vobPattern;
    for (const CSectorRange& range : m_sectorRanges)
        locator += QStringLiteral("&range=%1,%2").arg(range.m_firstSector).arg(range.m_lastSector);
    locator += QStringLiteral("&audio=%1&subtitles=%2&starttime=%3&stoptime=%4&duration=%5")
                   .arg(m_audioStream)
                   .arg(m_subtitleStream)
                   .arg(m_startPosition)
                   .arg(m_stopPosition)
                   .arg(m_duration);
    return locator;
}

} // namespace vidlume
