#pragma once
// Each group of components registers its classes (CLSID, name, categories, merit, input types)
// with the class registry. RegisterComponents, at start-up, calls all of them once.

namespace vidlume {

void RegisterComponents();

void RegisterSourceComponents();    // sources/: file and network sources, demultiplexers
void RegisterDecoderComponents();   // codecs/: video and audio decoders, converters
void RegisterEncoderComponents();   // encoders/: H.264, MPEG-4 Part 2 and AAC encoders
void RegisterWriterComponents();    // writers/: MP4 multiplexer, file, Wave and MP3 writers, null video sink, Time Grabber
void RegisterAsfComponents();       // asf/: Windows Media writer and its profile manager
void RegisterServiceComponents();   // services/: decoder preferences, media information

} // namespace vidlume
