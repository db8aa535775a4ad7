#pragma once
// Converts decoded pictures to one pixel format and size with swscale: the piece the video
// decoders, the colour converter and the resizer share. Not thread-safe; one per stream.
//
// Fitting (keepAspect): the picture keeps its display aspect ratio - its own sample aspect ratio
// (or the connection's when the frame carries none) - and is scaled to the largest even-sized
// rectangle that fits the target, centred, with black bars above and below (letterbox) or left
// and right (pillarbox). Output pixels are then square.
//
// Colour: the source's matrix is the frame's own, or BT.601 below 720 lines and BT.709 from
// there on when the frame does not say. The output keeps it, unless bt709 asks for BT.709.

#include "components/ffmpeg/FFmpegHolders.h"

namespace vidlume {

class CSwsPictureScaler {
public:
    struct Target {
        AVPixelFormat format = AV_PIX_FMT_YUV420P;
        int width = 0;
        int height = 0;
        // Stamped on every output frame when set; otherwise the source's carries over (or, when
        // fitting, square pixels).
        AVRational sampleAspect { 0, 1 };
        bool keepAspect = false;
        // Used for frames that carry no sample aspect ratio of their own.
        AVRational sourceAspect { 0, 1 };
        // Lanczos instead of bicubic, and BT.709 output.
        bool highQuality = false;
        bool bt709 = false;
    };

    explicit CSwsPictureScaler(const Target& target) : m_target(target) { }

    const Target& GetTarget() const { return m_target; }
    // True when the frame is already what the target asks for, so it can pass unchanged.
    bool Matches(const AVFrame& frame) const;
    // A new frame in the target format and size with the frame's properties (timestamps, ...).
    // On failure *out is empty and the FFmpeg error is returned.
    int Convert(const AVFrame& frame, AVFramePtr* out);

    // Where a picture of the given size and sample aspect lands inside a fitting target:
    // x, y, width, height, all even.
    struct Placement {
        int x = 0, y = 0, width = 0, height = 0;
    };
    static Placement Fit(int sourceWidth, int sourceHeight, AVRational sourceAspect, int targetWidth, int targetHeight);

private:
    AVRational SourceAspect(const AVFrame& frame) const;
    // Picture memory comes from a pool: a stream's pictures all have one size, and taking fresh
    // memory for each (and the page faults of touching it) costs more than the scaling itself.
    int AllocatePicture(AVFrame* frame);

    struct AVBufferPoolDeleter {
        void operator()(AVBufferPool* pool) const { av_buffer_pool_uninit(&pool); }
    };

    Target m_target;
    SwsContextPtr m_sws;
    std::unique_ptr<AVBufferPool, AVBufferPoolDeleter> m_pool;
    int m_poolSize = 0;
};

} // namespace vidlume
