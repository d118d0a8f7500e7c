// WAV files that hold only a format record: what a save in a compressed WAV format is set
// up from. The format records are those the Windows codecs suggest for each tag.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform::audio {

// The largest format record of a tag, or nullopt for a tag no codec here knows.
std::optional<std::size_t> MaxFormatSize(std::uint16_t formatTag);

// The complete format record of the tag for the channels and rate, or nullopt when the
// tag cannot take them.
std::optional<std::vector<std::uint8_t>> SuggestFormat(std::uint16_t formatTag, std::uint16_t channels,
                                                       std::uint32_t sampleRate);

// Writes FileName as a RIFF WAVE file with that format record and an empty data chunk.
// False, with no file touched, for an empty name, no rate or channels, or an unknown tag.
bool CreateWAVFile(const std::string& fileName, std::int32_t sampleRate, std::int16_t channels,
                   std::int16_t formatTag);

} // namespace platform::audio
