#include "MediaType.h"

namespace vidlume {

namespace {
    template <class T>
    void Store(std::vector<uint8_t>& format, const T& header, const std::vector<uint8_t>& extra)
    {
        format.resize(sizeof(T) + extra.size());
        std::memcpy(format.data(), &header, sizeof(T));
        if (!extra.empty())
            std::memcpy(format.data() + sizeof(T), extra.data(), extra.size());
    }
} // namespace

const BITMAPINFOHEADER* CMediaType::BitmapHeader() const
{
    if (auto* v = VideoInfo())
        return &v->bmiHeader;
    if (auto* v = VideoInfo2())
        return &v->bmiHeader;
    return nullptr;
}

REFERENCE_TIME CMediaType::AvgTimePerFrame() const
{
    if (auto* v = VideoInfo())
        return v->AvgTimePerFrame;
    if (auto* v = VideoInfo2())
        return v->AvgTimePerFrame;
    return 0;
}

std::vector<uint8_t> CMediaType::ExtraData() const
{
    size_t header = 0;
    if (VideoInfo())
        header = sizeof(VIDEOINFOHEADER);
    else if (VideoInfo2())
        header = sizeof(VIDEOINFOHEADER2);
    else if (auto* w = WaveFormat())
        return std::vector<uint8_t>(format.begin() + sizeof(WAVEFORMATEX),
            format.begin() + sizeof(WAVEFORMATEX) + std::min<size_t>(w->cbSize, format.size() - sizeof(WAVEFORMATEX)));
    else if (formattype != FORMAT_SubtitleInfo)
        return {};
    return std::vector<uint8_t>(format.begin() + header, format.end());
}

void CMediaType::SetVideoInfo2(const VIDEOINFOHEADER2& header, const std::vector<uint8_t>& extra)
{
    formattype = FORMAT_VideoInfo2;
    Store(format, header, extra);
}

void CMediaType::SetVideoInfo(const VIDEOINFOHEADER& header, const std::vector<uint8_t>& extra)
{
    formattype = FORMAT_VideoInfo;
    Store(format, header, extra);
}

void CMediaType::SetWaveFormat(WAVEFORMATEX header, const std::vector<uint8_t>& extra)
{
    header.cbSize = static_cast<uint16_t>(extra.size());
    formattype = FORMAT_WaveFormatEx;
    Store(format, header, extra);
}

bool CMediaType::MatchesPartial(const CMediaType& pattern) const
{
    if (pattern.majortype != GUID_NULL && pattern.majortype != majortype)
        return false;
    if (pattern.subtype != GUID_NULL && pattern.subtype != subtype)
        return false;
    return true;
}

std::string CMediaType::Describe() const
{
    std::string s = majortype == MEDIATYPE_Video ? "video" : majortype == MEDIATYPE_Audio ? "audio" : majortype == MEDIATYPE_Stream ? "stream" : majortype.ToString();
    s += " " + subtype.ToString();
    if (auto* b = BitmapHeader())
        s += " " + std::to_string(b->biWidth) + "x" + std::to_string(b->biHeight);
    if (auto* w = WaveFormat())
        s += " " + std::to_string(w->nSamplesPerSec) + " Hz " + std::to_string(w->nChannels) + " ch";
    return s;
}

} // namespace vidlume
