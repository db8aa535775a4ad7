#include "TestMedia.h"

#include "components/ffmpeg/FFmpegHolders.h"
#include "tests/components/Fixtures.h"

#include <QProcess>
#include <QStringList>

#include <gtest/gtest.h>

#include <mutex>

namespace vidlume::test {

namespace {

    bool RunFfmpeg(const QStringList& arguments)
    {
        QProcess ffmpeg;
        ffmpeg.start("ffmpeg", QStringList { "-nostdin", "-hide_banner", "-loglevel", "error", "-y" } + arguments);
        if (!ffmpeg.waitForFinished(120000) || ffmpeg.exitCode() != 0) {
            ADD_FAILURE() << "ffmpeg failed: " << ffmpeg.readAllStandardError().toStdString();
            return false;
        }
        return true;
    }

    // One subpicture unit: a 2x2 picture in colour 1, shown at once, hidden after `hide` ticks.
    std::vector<uint8_t> SubpictureUnit(uint16_t hide)
    {
        std::vector<uint8_t> spu = { 0, 0, 0, 0 };        // size, control offset
        spu.insert(spu.end(), { 0x00, 0x01, 0x00, 0x01 }); // top and bottom line: colour 1 to the end
        const size_t first = spu.size();
        const size_t second = first + 22;
        auto put16 = [&](size_t at, size_t v) {
            spu[at] = uint8_t(v >> 8);
            spu[at + 1] = uint8_t(v);
        };
        spu.insert(spu.end(), { 0, 0, 0, 0 }); // delay 0, next sequence
        put16(first + 2, second);
        spu.insert(spu.end(), {
                                  0x01,             // start display
                                  0x03, 0x32, 0x10, // palette
                                  0x04, 0xFF, 0xF0, // contrast
                                  0x05, 0x00, 0x00, 0x01, 0x00, 0x00, 0x01, // x 0..1, y 0..1
                                  0x06, 0x00, 0x04, 0x00, 0x06,             // line addresses
                                  0xFF,
                              });
        spu.insert(spu.end(), { 0, 0, 0, 0, 0x02, 0xFF }); // delay, next (itself), stop display
        put16(second, hide);
        put16(second + 2, second);
        put16(0, spu.size());
        put16(2, first);
        return spu;
    }

    // Copies the streams of `from` into a VOB and adds the subpicture stream.
    bool AddSubpictures(const std::string& from, const std::string& to)
    {
        AVFormatContext* raw = nullptr;
        if (avformat_open_input(&raw, from.c_str(), nullptr, nullptr) < 0)
            return false;
        AVInputFormatContextPtr in(raw);
        if (avformat_find_stream_info(in.get(), nullptr) < 0)
            return false;
        AVFormatContext* rawOut = nullptr;
        if (avformat_alloc_output_context2(&rawOut, nullptr, "vob", to.c_str()) < 0)
            return false;
        AVOutputFormatContextPtr out(rawOut);
        for (unsigned i = 0; i < in->nb_streams; ++i) {
            AVStream* s = avformat_new_stream(out.get(), nullptr);
            if (!s || avcodec_parameters_copy(s->codecpar, in->streams[i]->codecpar) < 0)
                return false;
            s->codecpar->codec_tag = 0;
            s->time_base = in->streams[i]->time_base;
        }
        AVStream* sub = avformat_new_stream(out.get(), nullptr);
        if (!sub)
            return false;
        sub->codecpar->codec_type = AVMEDIA_TYPE_SUBTITLE;
        sub->codecpar->codec_id = AV_CODEC_ID_DVD_SUBTITLE;
        sub->time_base = { 1, 90000 };
        AVIOContext* io = nullptr;
        if (avio_open(&io, to.c_str(), AVIO_FLAG_WRITE) < 0)
            return false;
        AVIOOpenedContextPtr file(io);
        out->pb = io;
        if (avformat_write_header(out.get(), nullptr) < 0)
            return false;

        // The interleaver puts the subpictures where their times belong.
        const int64_t times[] = { 45000, 108000 }; // 0.5 s and 1.2 s, after the input's start
        const int64_t base = av_rescale_q(in->start_time, AVRational { 1, AV_TIME_BASE }, AVRational { 1, 90000 });
        for (int64_t t : times) {
            AVPacketPtr p(av_packet_alloc());
            const auto spu = SubpictureUnit(20);
            if (av_new_packet(p.get(), int(spu.size())) < 0)
                return false;
            std::copy(spu.begin(), spu.end(), p->data);
            p->stream_index = sub->index;
            p->pts = p->dts = base + t;
            p->duration = 9000;
            if (av_interleaved_write_frame(out.get(), p.get()) < 0)
                return false;
        }
        AVPacketPtr p(av_packet_alloc());
        while (av_read_frame(in.get(), p.get()) >= 0) {
            const AVRational tb = in->streams[p->stream_index]->time_base;
            av_packet_rescale_ts(p.get(), tb, out->streams[p->stream_index]->time_base);
            if (av_interleaved_write_frame(out.get(), p.get()) < 0)
                return false;
        }
        return av_write_trailer(out.get()) >= 0;
    }

} // namespace

std::string MakeDvdLikeVob()
{
    static std::mutex lock;
    static std::string made;
    std::lock_guard guard(lock);
    if (!made.empty())
        return made;
    const std::string folder = ScratchFolder();
    const std::string plain = folder + "/plain.vob", vob = folder + "/dvd.vob";
    if (!RunFfmpeg({ "-f", "lavfi", "-i", "testsrc2=size=352x288:rate=25:duration=2", "-f", "lavfi", "-i",
            "sine=frequency=440:sample_rate=48000:duration=2", "-map", "0", "-map", "1", "-map", "1", "-ac", "2", "-c:v", "mpeg2video",
            "-b:v", "1M", "-c:a:0", "ac3", "-c:a:1", "pcm_dvd", "-f", "vob", QString::fromStdString(plain) }))
        return {};
    if (!AddSubpictures(plain, vob)) {
        ADD_FAILURE() << "could not add subpictures to " << plain;
        return {};
    }
    made = vob;
    return made;
}

std::string MakeFastStartMp4()
{
    static std::mutex lock;
    static std::string made;
    std::lock_guard guard(lock);
    if (!made.empty())
        return made;
    const std::string path = ScratchFolder() + "/faststart.mp4";
    if (!RunFfmpeg({ "-i", QString::fromStdString(FixturePath("h264_aac.mp4")), "-c", "copy", "-movflags", "+faststart",
            QString::fromStdString(path) }))
        return {};
    made = path;
    return made;
}

} // namespace vidlume::test
