#include "editor/document/MultimediaNCTAdditions.h"

#include "platform/audio/AudioEditor.h"
#include "platform/audio/WavTemplate.h"

#include <filesystem>

namespace lumoedit {

bool CreateWAVFile(const std::string& FileName, std::int32_t SampleRate, std::int16_t Channels,
                   std::int16_t FormatTag) {
    return platform::audio::CreateWAVFile(FileName, SampleRate, Channels, FormatTag);
}

double GetAudioFileLength(const std::string& FileName) { return platform::audio::GetAudioFileLength(FileName); }

// Two paths name one file only when they lead to the same file: on this system letter case
// makes two names.
bool SameFile(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) return false;
    std::error_code ea, eb;
    const auto ca = std::filesystem::weakly_canonical(a, ea);
    const auto cb = std::filesystem::weakly_canonical(b, eb);
    if (ea || eb) return a == b;
    return ca == cb;
}

} // namespace lumoedit
