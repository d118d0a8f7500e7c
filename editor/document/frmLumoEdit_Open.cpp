// Opening an audio file as the window's item: the open dialog over the formats the machine
// allows, the checks before anything changes, the save question for the item being left,
// the recent-file list, the length, the broadcast information of a WAV file, and the display.
#include "editor/document/frmLumoEdit.h"

#include "editor/document/MultimediaNCTAdditions.h"
#include "editor/shell/ErrorReport.h"
#include "editor/shell/LumoEdit_FN.h"
#include "editor/shell/frmMain.h"
#include "platform/audio/WavFile.h"
#include "platform/base/Error.h"
#include "platform/base/MessageBox.h"
#include "platform/base/Numeric.h"
#include "platform/ui/Handlers.h"
#include "shared/helpers/FileHelper.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <optional>

namespace lumoedit {

using namespace platform::ui;

namespace {

struct OpenFormat {
    const char* code;
    const char* description;
    const char* pattern;
    const char* allAudio;
};
constexpr OpenFormat kOpenFormats[] = {
    {"G721", "G721", "*.g721", ";*.G721"},   {"G723", "G723", "*.g723", ";*.G723"},
    {"G726", "G726", "*.g726", ";*.G726"},   {"MP2", "MPEG 2", "*.mp2", ";*.mp2"},
    {"MP3", "MPEG 3", "*.mp3", ";*.mp3"},    {"OGG", "Ogg Vorbis", "*.ogg", ";*.ogg"},
    {"PCM", "RAW PCM", "*.pcm", ";*.pcm"},   {"VOX", "Voxware", "*.vox", ";*.vox"},
    {"WMA", "Windows Media", "*.wma", ";*.wma"}, {"WAV", "Windows Linear WAV", "*.WAV", ";*.WAV"},
};

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string Joined(const std::vector<std::string>& entries) {
    std::string out;
    for (std::size_t i = 0; i < entries.size(); ++i) out += (i ? "|" : "") + entries[i];
    return out;
}

std::int16_t FilterIndex(const std::string& stored, std::int16_t fallback) {
    const double v = platform::Val(stored);
    if (v < 1 || v > 32767) return fallback;
    return static_cast<std::int16_t>(v);
}

// A WAV file whose audio ends before its header says (a copy or a recording that stopped
// short): the seconds it should hold and the seconds it holds.
struct CutShort {
    double declared = 0, present = 0;
};

std::optional<CutShort> CutShortAudio(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::optional<CutShort> cut;
    try {
        struct stat st {};
        const auto info = ::fstat(fd, &st) == 0 ? platform::audio::ReadWavInfo(fd, st.st_size) : std::nullopt;
        if (info) {
            const double rate = info->avgBytes ? info->avgBytes : static_cast<double>(info->blockAlign) * info->rate;
            for (const platform::audio::RiffChunk& c : info->chunks) {
                if (c.id != "data") continue;
                // 0 and 0xFFFFFFFF are what streaming writers leave: no length, not a wrong one.
                if (c.size != 0 && c.size != 0xFFFFFFFFu && c.size > info->dataSize && rate > 0)
                    cut = CutShort{c.size / rate, static_cast<double>(info->dataSize) / rate};
                break;
            }
        }
    } catch (...) {
        // Whatever the walk finds wrong, the open itself reports.
    }
    ::close(fd);
    return cut;
}

bool MarkersBeyond(const rozuzezer::cHardDiskItem& item, float length) {
    const float latest = std::max({item.IntroStart(), item.IntroEnd(), item.Extro(), item.HookStart, item.HookEnd,
                                   item.LoopStart, item.LoopEnd});
    return latest > length + 0.005f;
}

} // namespace

std::int16_t frmLumoEdit::AddFileFilter(std::vector<std::string>& Filters, const std::string& Description,
                                        const std::string& Pattern) {
    const std::size_t n = Filters.size();
    Filters.push_back(Description + " (" + Pattern + ")");
    Filters.push_back(Pattern);
    return static_cast<std::int16_t>(n / 2 + 1);
}

bool frmLumoEdit::OpenFile(const std::string& FileNameIn) {
    std::string Filename = FileNameIn;
    if (!Filename.empty() && cAudioInformation && SameFile(Filename, cAudioInformation->AudioFileName)) return true;

    if (Filename.empty()) {
        CommonDialog1.InitDir = Preferences().GetPreference("EditorLastOpenPath", "");
        CommonDialog1.DialogTitle = "Open File...";
        CommonDialog1.FileName.clear();
        std::vector<std::string> filters{"All Audio Files", ""};
        const std::string formats = Upper(Permissions().GetPermission("LoadFormats", "|MP2|MP3|OGG|WAV|"));
        std::int16_t wav = 1;
        for (const OpenFormat& f : kOpenFormats) {
            if (formats.find(std::string("|") + f.code + "|") == std::string::npos) continue;
            const std::int16_t index = AddFileFilter(filters, f.description, f.pattern);
            filters[1] += f.allAudio;
            if (std::string(f.code) == "WAV") wav = index;
        }
        AddFileFilter(filters, "All Files", "*.*");
        if (!filters[1].empty()) filters[1].erase(0, 1);
        CommonDialog1.Filter = Joined(filters);
        CommonDialog1.FilterIndex = FilterIndex(Preferences().GetPreference("EditorLastOpenFilter", wav), wav);
        CommonDialog1.Flags = 0x1004;
        CommonDialog1.CancelError = true;
        CommonDialog1.DefaultExt.clear();
        CommonDialog1.Owner = this;
        try {
            CommonDialog1.ShowOpen();
        } catch (const platform::RuntimeError& e) {
            if (e.Number() == 32755) return false;
        }
        Filename = CommonDialog1.FileName;
        if (Filename.empty()) return false;
        Preferences().SetPreference("EditorLastOpenPath", helpers::FileHelper().FolderPart(Filename, true), "");
        Preferences().SetPreference("EditorLastOpenFilter", CommonDialog1.FilterIndex, 0);
    }

    Filename.erase(std::remove(Filename.begin(), Filename.end(), '"'), Filename.end());
    if (helpers::FileHelper().FileSize(Filename) <= 0) {
        platform::MsgBox("The file '" + Filename + "' either cannot be found or is not a valid audio file",
                         platform::MsgButtons::OK, platform::MsgIcon::Exclamation);
        return false;
    }
    // The item, the recent list and every later save name the file whatever folder the
    // program is started from next; the message above names it as it was given.
    Filename = helpers::FileHelper().FullPath(Filename);

    // The item being left is not dropped without a question: its changes are saved, dropped
    // or the open is cancelled, as at every other close of an item.
    if (bEdited_) {
        const std::string& file = cAudioInformation ? cAudioInformation->AudioFileName : std::string();
        const std::string question = file.empty() ? "Do you want to save the changes you made to your new audio file?"
                                                  : "Do you want to save the changes you made to \"" + file + "\"?";
        const auto answer = platform::MsgBox(question, platform::MsgButtons::YesNoCancel, platform::MsgIcon::Exclamation);
        if (answer == platform::MsgResult::Cancel) return false;
        if (answer == platform::MsgResult::Yes && !SaveItem()) return false;
    }

    SetMousePointer(PointerHourglass);
    ScopeExit pointer([this] { SetMousePointer(PointerDefault); });
    if (!ClearDetails(2)) return false;
    rozuzezer::cHardDiskItem& item = *cAudioInformation;
    item.AudioFileName = Filename;
    AddToMRU(item.AudioFileName);
    SetCaption(item.AudioFileName);
    main_.UpdateAudioEditorCaption(item.AudioFileName, this);
    const double length = GetAudioFileLength(item.AudioFileName);
    if (length < 0) {
        // Nothing here can read the file: say so now, whether or not the audio would have
        // been opened for editing, and leave an empty item rather than one without audio.
        pointer.Release();
        SetMousePointer(PointerDefault);
        platform::MsgBox("The audio file could not be opened because it is corrupt or in an unsupported format",
                         platform::MsgButtons::OK, platform::MsgIcon::Exclamation);
        ClearDetails(1);
        return false;
    }
    item.TotalLength = static_cast<float>(length);
    const bool wav = Upper(helpers::FileHelper().Extension(Filename)) == "WAV";
    if (allowEdit_ && wav) item.LoadFromWAVFile(item.AudioFileName, 3);
    const std::optional<CutShort> cut = wav ? CutShortAudio(Filename) : std::nullopt;
    const bool moved = cut && MarkersBeyond(item, item.TotalLength);
    DisplayDetails(0);
    // What a damaged file still holds is opened; the user learns what is missing.
    if (cut && cAudioInformation && cAudioInformation->AudioFileName == Filename) {
        pointer.Release();
        SetMousePointer(PointerDefault);
        platform::MsgBox("The file '" + Filename + "' is incomplete: its audio ends after " + TimeText(cut->present) +
                             " of the " + TimeText(cut->declared) + " its header gives.\n\nThe audio it holds has been opened" +
                             (moved ? "; markers beyond its end now stand at the end." : "."),
                         platform::MsgButtons::OK, platform::MsgIcon::Exclamation);
    }
    return true;
}

} // namespace lumoedit
