#include "CodecOpening.h"

#include "platform/graph/GraphInterfaces.h"

namespace vidlume {

HRESULT OpenDecoder(const CMediaType& type, bool threads, AVCodecContextPtr* codec)
{
    codec->reset();
    AVCodecParametersPtr parameters(avcodec_parameters_alloc());
    if (!parameters)
        return E_OUTOFMEMORY;
    HRESULT hr = CodecParametersFromMediaType(type, parameters.get());
    if (FAILED(hr))
        return hr;
    const AVCodec* decoder = avcodec_find_decoder(parameters->codec_id);
    if (!decoder)
        return VFW_E_TYPE_NOT_ACCEPTED;
    AVCodecContextPtr context(avcodec_alloc_context3(decoder));
    if (!context)
        return E_OUTOFMEMORY;
    int ret = avcodec_parameters_to_context(context.get(), parameters.get());
    if (ret < 0)
        return HResultFromAVError(ret);
    context->pkt_timebase = kReferenceTimeBase;
    if (threads) {
        context->thread_count = 0; // as many as the machine has
        context->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    } else {
        context->thread_count = 1;
    }
    ret = avcodec_open2(context.get(), decoder, nullptr);
    if (ret < 0)
        return FAILED(HResultFromAVError(ret)) ? HResultFromAVError(ret) : E_FAIL;
    *codec = std::move(context);
    return S_OK;
}

} // namespace vidlume
