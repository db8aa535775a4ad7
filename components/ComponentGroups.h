#pragma once
// Each group of components registers its classes (CLSID, name, categories, merit, input types)
// with the class registry. RegisterComponents calls all of them once, at start-up.

namespace vidlume {

void RegisterComponents();

void RegisterSourceComponents();    // file and network sources, demultiplexers
void RegisterDecoderComponents();   // video and audio decoders
void RegisterConverterComponents(); // resizer, frame-rate, sample-rate, colour and audio format converters
void RegisterEncoderComponents();   // H.264, MPEG-4 Part 2 and AAC encoders, MP4 multiplexer
void RegisterWriterComponents();    // file writer, Wave writer, MP3 writer, null video sink, Time Grabber
void RegisterServiceComponents();   // decoder preferences, media information

} // namespace vidlume
