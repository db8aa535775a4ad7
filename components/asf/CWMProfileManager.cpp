#include "CWMProfileManager.h"

#include "CWMProfile.h"
#include "WindowsMediaCodecs.h"

#include "platform/graph/GraphInterfaces.h"

#include <tinyxml2.h>

#include <charconv>
#include <limits>
#include <strings.h>

namespace vidlume {

namespace {

    using tinyxml2::XMLElement;

    // Profiles are a few kilobytes; anything far larger is not one, and is not worth parsing.
    constexpr size_t kMaxProfileText = 1 << 20;
    constexpr size_t kMaxCodecData = 4096;
    // An hour between key frames is already more than any player waits for.
    constexpr REFERENCE_TIME kMaxKeyFrameSpacing = 3600 * kUnitsPerSecond;

    bool SameName(const char* a, const char* b)
    {
        return a && b && strcasecmp(a, b) == 0;
    }

    const XMLElement* Child(const XMLElement* parent, const char* name)
    {
        for (const XMLElement* e = parent->FirstChildElement(); e; e = e->NextSiblingElement())
            if (SameName(e->Name(), name))
                return e;
        return nullptr;
    }

    const char* Attribute(const XMLElement* e, const char* name)
    {
        for (const tinyxml2::XMLAttribute* a = e->FirstAttribute(); a; a = a->Next())
            if (SameName(a->Name(), name))
                return a->Value();
        return nullptr;
    }

    std::string_view Trimmed(const char* text)
    {
        std::string_view s(text);
        while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
            s.remove_prefix(1);
        while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
            s.remove_suffix(1);
        return s;
    }

    // The readers below answer false for a value that is present but wrong, or missing when
    // required; an absent optional value leaves *out as it was. An empty attribute counts as
    // absent (the profiles write decodercomplexity="" and the like).
    template <class T>
    bool ReadNumber(const XMLElement* e, const char* name, T min, T max, T* out, bool required = false)
    {
        const char* text = Attribute(e, name);
        std::string_view s = text ? Trimmed(text) : std::string_view();
        if (s.empty())
            return !required;
        T value {};
        auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value);
        if (error != std::errc() || end != s.data() + s.size() || value < min || value > max)
            return false;
        *out = value;
        return true;
    }

    template <class T>
    bool ReadNumber(const XMLElement* e, const char* name, T* out, bool required = false)
    {
        return ReadNumber(e, name, std::numeric_limits<T>::min(), std::numeric_limits<T>::max(), out, required);
    }

    bool ReadBool(const XMLElement* e, const char* name, bool* out)
    {
        const char* text = Attribute(e, name);
        std::string_view s = text ? Trimmed(text) : std::string_view();
        if (s.empty())
            return true;
        if (s == "1" || SameName(std::string(s).c_str(), "true"))
            *out = true;
        else if (s == "0" || SameName(std::string(s).c_str(), "false"))
            *out = false;
        else
            return false;
        return true;
    }

    bool ReadGuid(const XMLElement* e, const char* name, Guid* out)
    {
        const char* text = Attribute(e, name);
        if (!text)
            return false;
        auto guid = Guid::Parse(Trimmed(text));
        if (!guid)
            return false;
        *out = *guid;
        return true;
    }

    void ReadText(const XMLElement* e, const char* name, std::string* out)
    {
        if (const char* text = Attribute(e, name))
            *out = text;
    }

    // A compression code: four characters ("WMV2") or its number.
    bool ReadFourCC(const XMLElement* e, const char* name, uint32_t* out)
    {
        const char* text = Attribute(e, name);
        std::string_view s = text ? Trimmed(text) : std::string_view();
        if (s.empty())
            return true;
        if (s.size() == 4 && s.find_first_not_of("0123456789") != std::string_view::npos) {
            *out = Guid::FromFourCC(s).data1;
            return true;
        }
        return ReadNumber(e, name, out);
    }

    bool ReadHex(const XMLElement* e, const char* name, std::vector<uint8_t>* out)
    {
        const char* text = Attribute(e, name);
        std::string_view s = text ? Trimmed(text) : std::string_view();
        if (s.size() % 2 != 0 || s.size() / 2 > kMaxCodecData)
            return false;
        std::vector<uint8_t> bytes(s.size() / 2);
        for (size_t i = 0; i < bytes.size(); ++i) {
            auto [end, error] = std::from_chars(s.data() + 2 * i, s.data() + 2 * i + 2, bytes[i], 16);
            if (error != std::errc() || end != s.data() + 2 * i + 2)
                return false;
        }
        *out = std::move(bytes);
        return true;
    }

    bool ReadRect(const XMLElement* parent, const char* name, RECT* out)
    {
        const XMLElement* e = Child(parent, name);
        if (!e)
            return true;
        return ReadNumber(e, "left", &out->left) && ReadNumber(e, "top", &out->top) && ReadNumber(e, "right", &out->right)
            && ReadNumber(e, "bottom", &out->bottom);
    }

    bool IsFourCCSubtype(const Guid& g)
    {
        const Guid base = Guid::FromFourCC(0u);
        return g.data2 == base.data2 && g.data3 == base.data3 && g.data4 == base.data4;
    }

    bool ReadAudio(const XMLElement* mediaType, WM_STREAM_CONFIG* s)
    {
        const XMLElement* wave = Child(mediaType, "waveformatex");
        if (!wave)
            return false;
        WAVEFORMATEX wfx;
        std::vector<uint8_t> codecData;
        if (!ReadNumber(wave, "wFormatTag", &wfx.wFormatTag, true)
            || !ReadNumber<uint16_t>(wave, "nChannels", 1, kMaxWindowsMediaChannels, &wfx.nChannels, true)
            || !ReadNumber(wave, "nSamplesPerSec", kMinWindowsMediaSampleRate, kMaxWindowsMediaSampleRate, &wfx.nSamplesPerSec, true)
            || !ReadNumber(wave, "nAvgBytesPerSec", &wfx.nAvgBytesPerSec) || !ReadNumber(wave, "nBlockAlign", &wfx.nBlockAlign)
            || !ReadNumber<uint16_t>(wave, "wBitsPerSample", 0, 32, &wfx.wBitsPerSample) || !ReadHex(wave, "codecdata", &codecData))
            return false;
        if (!IsFourCCSubtype(s->mediaType.subtype) || wfx.wFormatTag != s->mediaType.subtype.data1)
            return false;
        // The stream's own bit rate rules; the wave format's byte rate stands in when it is missing.
        if (s->bitrate == 0)
            s->bitrate = uint32_t(std::min<uint64_t>(uint64_t(wfx.nAvgBytesPerSec) * 8, UINT32_MAX));
        if (s->bitrate == 0)
            return false;
        s->mediaType.SetWaveFormat(wfx, codecData);
        return true;
    }

    bool ReadVideo(const XMLElement* config, const XMLElement* mediaType, WM_STREAM_CONFIG* s)
    {
        if (const XMLElement* props = Child(config, "videomediaprops")) {
            if (!ReadNumber<REFERENCE_TIME>(props, "maxkeyframespacing", 0, kMaxKeyFrameSpacing, &s->maxKeyFrameSpacing)
                || !ReadNumber<uint32_t>(props, "quality", 0, 100, &s->quality))
                return false;
        }
        const XMLElement* info = Child(mediaType, "videoinfoheader");
        const XMLElement* bitmap = info ? Child(info, "bitmapinfoheader") : nullptr;
        if (!bitmap)
            return false;
        VIDEOINFOHEADER vih;
        if (!ReadNumber(info, "dwbitrate", &vih.dwBitRate) || !ReadNumber(info, "dwbiterrorrate", &vih.dwBitErrorRate)
            || !ReadNumber<REFERENCE_TIME>(info, "avgtimeperframe", 0, kMaxWindowsMediaFrameDuration, &vih.AvgTimePerFrame)
            || !ReadRect(info, "rcsource", &vih.rcSource) || !ReadRect(info, "rctarget", &vih.rcTarget))
            return false;
        if (vih.AvgTimePerFrame != 0 && vih.AvgTimePerFrame < kMinWindowsMediaFrameDuration)
            return false;
        BITMAPINFOHEADER& bmi = vih.bmiHeader;
        bmi.biCompression = s->mediaType.subtype.data1;
        if (!ReadNumber<int32_t>(bitmap, "biwidth", 0, kMaxWindowsMediaPictureSide, &bmi.biWidth, true)
            || !ReadNumber<int32_t>(bitmap, "biheight", 0, kMaxWindowsMediaPictureSide, &bmi.biHeight, true)
            || !ReadNumber(bitmap, "biplanes", &bmi.biPlanes) || !ReadNumber(bitmap, "bibitcount", &bmi.biBitCount)
            || !ReadFourCC(bitmap, "bicompression", &bmi.biCompression) || !ReadNumber(bitmap, "bisizeimage", &bmi.biSizeImage)
            || !ReadNumber(bitmap, "bixpelspermeter", &bmi.biXPelsPerMeter) || !ReadNumber(bitmap, "biypelspermeter", &bmi.biYPelsPerMeter)
            || !ReadNumber(bitmap, "biclrused", &bmi.biClrUsed) || !ReadNumber(bitmap, "biclrimportant", &bmi.biClrImportant))
            return false;
        if ((bmi.biWidth == 0) != (bmi.biHeight == 0))
            return false;
        if (bmi.biCompression != s->mediaType.subtype.data1)
            return false;
        if (!s->vbrEnabled && s->bitrate == 0)
            return false;
        s->mediaType.SetVideoInfo(vih);
        return true;
    }

    bool ReadStream(const XMLElement* config, WM_STREAM_CONFIG* s)
    {
        if (!ReadGuid(config, "majortype", &s->streamType)
            || !ReadNumber<uint16_t>(config, "streamnumber", 1, 127, &s->streamNumber, true)
            || !ReadNumber(config, "bitrate", &s->bitrate)
            || !ReadNumber<int32_t>(config, "bufferwindow", -1, std::numeric_limits<int32_t>::max(), &s->bufferWindow)
            || !ReadBool(config, "vbrenabled", &s->vbrEnabled) || !ReadNumber<uint32_t>(config, "vbrquality", 0, 100, &s->vbrQuality)
            || !ReadNumber(config, "bitratemax", &s->bitrateMax) || !ReadNumber(config, "bufferwindowmax", &s->bufferWindowMax))
            return false;
        ReadText(config, "streamname", &s->streamName);
        ReadText(config, "inputname", &s->connectionName);
        ReadText(config, "rfc1766langid", &s->language);

        const XMLElement* mediaType = Child(config, "wmmediatype");
        if (!mediaType)
            return false;
        CMediaType& mt = s->mediaType;
        mt.majortype = s->streamType;
        if (!ReadGuid(mediaType, "subtype", &mt.subtype) || !ReadBool(mediaType, "bfixedsizesamples", &mt.bFixedSizeSamples)
            || !ReadBool(mediaType, "btemporalcompression", &mt.bTemporalCompression) || !ReadNumber(mediaType, "lsamplesize", &mt.lSampleSize))
            return false;

        const AVCodecID codec = WindowsMediaEncoder(mt.subtype);
        const AVCodecDescriptor* desc = avcodec_descriptor_get(codec);
        if (s->streamType == MEDIATYPE_Audio)
            return desc && desc->type == AVMEDIA_TYPE_AUDIO && ReadAudio(mediaType, s);
        if (s->streamType == MEDIATYPE_Video)
            return desc && desc->type == AVMEDIA_TYPE_VIDEO && ReadVideo(config, mediaType, s);
        return false;
    }

} // namespace

HRESULT CWMProfileManager::LoadProfileByData(const std::string& xmlText, IWMProfile** profile)
{
    if (!profile)
        return E_POINTER;
    *profile = nullptr;
    if (xmlText.size() > kMaxProfileText)
        return VFW_E_INVALID_FILE_FORMAT;

    tinyxml2::XMLDocument doc;
    if (doc.Parse(xmlText.data(), xmlText.size()) != tinyxml2::XML_SUCCESS)
        return VFW_E_INVALID_FILE_FORMAT;
    const XMLElement* root = doc.RootElement();
    if (!root || !SameName(root->Name(), "profile"))
        return VFW_E_INVALID_FILE_FORMAT;

    uint32_t version = 0;
    std::string name, description;
    if (!ReadNumber(root, "version", &version))
        return E_INVALIDARG;
    ReadText(root, "name", &name);
    ReadText(root, "description", &description);

    std::vector<WM_STREAM_CONFIG> streams;
    bool haveAudio = false, haveVideo = false;
    for (const XMLElement* e = root->FirstChildElement(); e; e = e->NextSiblingElement()) {
        if (!SameName(e->Name(), "streamconfig"))
            continue;
        WM_STREAM_CONFIG stream;
        if (!ReadStream(e, &stream))
            return E_INVALIDARG;
        bool& seen = stream.streamType == MEDIATYPE_Audio ? haveAudio : haveVideo;
        if (seen)
            return E_INVALIDARG;
        seen = true;
        for (const WM_STREAM_CONFIG& other : streams)
            if (other.streamNumber == stream.streamNumber)
                return E_INVALIDARG;
        streams.push_back(std::move(stream));
    }
    if (streams.empty())
        return E_INVALIDARG;

    auto loaded = MakeComObject<CWMProfile>(version, std::move(name), std::move(description), std::move(streams));
    if (!loaded)
        return E_OUTOFMEMORY;
    *profile = loaded.Detach();
    return S_OK;
}

} // namespace vidlume
