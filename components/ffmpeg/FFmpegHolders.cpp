#include "FFmpegHolders.h"

#include "platform/graph/GraphInterfaces.h"

#include <cerrno>

namespace vidlume {

HRESULT HResultFromAVError(int error)
{
    if (error >= 0)
        return S_OK;
    switch (error) {
    case AVERROR(ENOMEM): return E_OUTOFMEMORY;
    case AVERROR(ENOENT):
    case AVERROR_HTTP_NOT_FOUND: return HResultFromWin32(ERROR_FILE_NOT_FOUND);
    case AVERROR(EACCES):
    case AVERROR(EPERM):
    case AVERROR_HTTP_UNAUTHORIZED:
    case AVERROR_HTTP_FORBIDDEN: return E_ACCESSDENIED;
    case AVERROR(EINVAL): return E_INVALIDARG;
    case AVERROR(ETIMEDOUT): return VFW_E_TIMEOUT;
    case AVERROR_INVALIDDATA: return VFW_E_INVALID_FILE_FORMAT;
    case AVERROR_DECODER_NOT_FOUND:
    case AVERROR_DEMUXER_NOT_FOUND: return VFW_E_UNKNOWN_FILE_TYPE;
    case AVERROR_EXIT: return E_ABORT;
    default: return E_FAIL;
    }
}

std::string AVErrorText(int error)
{
    char buf[AV_ERROR_MAX_STRING_SIZE] {};
    av_strerror(error, buf, sizeof buf);
    return buf;
}

} // namespace vidlume
