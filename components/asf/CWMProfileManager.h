#pragma once
// The Windows Media profile manager (CLSID_WMProfileManager): reads a profile from its XML text
// with tinyxml2. Element and attribute names are matched without regard to case.
//
//   <profile version name description>
//     <streamconfig majortype streamnumber streamname inputname bitrate bufferwindow
//                   vbrenabled vbrquality bitratemax bufferwindowmax rfc1766langid ...>
//       <videomediaprops maxkeyframespacing quality/>            (video, optional)
//       <wmmediatype subtype bfixedsizesamples btemporalcompression lsamplesize>
//         <waveformatex wFormatTag nChannels nSamplesPerSec nAvgBytesPerSec nBlockAlign
//                       wBitsPerSample codecdata/>                (audio)
//         <videoinfoheader dwbitrate dwbiterrorrate avgtimeperframe>   (video)
//           <rcsource .../> <rctarget .../>                       (optional)
//           <bitmapinfoheader biwidth biheight biplanes bibitcount bicompression .../>
//       </wmmediatype>
//     </streamconfig> ...
//   </profile>
//
// What makes a profile fail (and nothing is half-loaded):
// - VFW_E_INVALID_FILE_FORMAT: the text is not well-formed XML, is larger than 1 MB, or its
//   root is not a profile element.
// - E_INVALIDARG: no stream; more than one audio or video stream (the writer has one input of
//   each); a stream that is neither audio nor video, or whose number is missing, outside 1-127
//   or repeated; a stream without its media type, wave format or picture header; a codec other than Windows Media Video 7/8 or Windows Media Audio 1/2; a
//   wave format whose tag disagrees with the subtype, with no or more than two channels, a
//   sample rate outside 8-48 kHz or no bit rate; a picture whose width or height alone is zero,
//   is negative or larger than 8192, or whose compression disagrees with the subtype; a frame
//   duration outside 1 ms - 10 s (0 is allowed: the source's rate); a video stream that is
//   neither quality-based nor given a bit rate; a VBR quality over 100; any number that is not
//   a plain decimal of its field's range; codec data that is not hexadecimal.
// A picture of 0 x 0 loads: the writer then keeps the source's size.

#include "platform/com/CComObject.h"
#include "platform/graph/WindowsMediaInterfaces.h"

namespace vidlume {

class CWMProfileManager final : public CComObject<IWMProfileManager> {
public:
    HRESULT LoadProfileByData(const std::string& xmlText, IWMProfile** profile) override;
};

} // namespace vidlume
