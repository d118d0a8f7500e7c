#include "editor/document/MultimediaNCTAdditions.h"

#include "platform/audio/AudioEditor.h"
#include "platform/audio/WavTemplate.h"

#include <filesystem>
#include <fstream>

namespace lumoedit {

// The real result: a template that could not be written (no such folder, read-only, full
// disk) is a failure, whatever the format's suggestion said.
bool CreateWAVFile(const std::string& FileName, std::int32_t SampleRate, std::int16_t Channels,
                   std::int16_t FormatTag) {
    if (!platform::audio::CreateWAVFile(FileName, SampleRate, Channels, FormatTag)) return false;
    std::ifstream in(FileName, std::ios::binary);
    char head[12] = {};
    const bool whole = in.read(head, sizeof head) && std::string(head, 4) == "RIFF" && std::string(head + 8, 4) == "WAVE";
    in.seekg(0, std::ios::end);
    if (whole && in.tellg() >= 44) return true;
    std::error_code ec;
    std::filesystem::remove(FileName, ec);
    return false;
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
