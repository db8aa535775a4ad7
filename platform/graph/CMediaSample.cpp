#include "FilterAuthoring.h"

extern "C" {
#include <libavcodec/packet.h>
#include <libavutil/frame.h>
}

namespace vidlume {

CMediaSample CMediaSample::FromPacket(AVPacket* packet)
{
    CMediaSample s;
    if (packet)
        s.m_packet.reset(packet, [](AVPacket* p) { av_packet_free(&p); });
    return s;
}

CMediaSample CMediaSample::FromFrame(AVFrame* frame)
{
    CMediaSample s;
    if (frame)
        s.m_frame.reset(frame, [](AVFrame* f) { av_frame_free(&f); });
    return s;
}

} // namespace vidlume
