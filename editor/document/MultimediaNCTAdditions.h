// The module routines the document side uses around the audio-editing component: a WAV
// template of a format, and the length of any audio file the component can open.
#pragma once

#include <cstdint>
#include <string>

namespace lumoedit {

// A WAV file holding only the format record of FormatTag (1 linear PCM, 17 IMA ADPCM ...)
// at that rate and channel count, and an empty data chunk. False, and no file left behind,
// when it could not be written.
bool CreateWAVFile(const std::string& FileName, std::int32_t SampleRate, std::int16_t Channels,
                   std::int16_t FormatTag);

// Seconds of audio in the file, measured by a separate, read-only instance of the component;
// -1 when the file is missing, empty or cannot be read as audio.
double GetAudioFileLength(const std::string& FileName);

// Whether two paths lead to the same file (letter case counts).
bool SameFile(const std::string& a, const std::string& b);

} // namespace lumoedit
