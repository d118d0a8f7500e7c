// Saving the item: under its own name (the audio only when it changed, the broadcast
// information written into the same WAV file), under a new name and format chosen in the
// save dialog, or only the selected audio. Every failure stops the save where it happened,
// is reported, and leaves the edited flags as they were.
#include "editor/document/frmLumoEdit.h"

#include "editor/details/AirDate.h"
#include "editor/document/MultimediaNCTAdditions.h"
#include "rozuzezer/ui/AudioFormatChooser.h"
#include "editor/shell/ErrorReport.h"
#include "editor/shell/LumoEdit_FN.h"
#include "editor/shell/frmMain.h"
#include "platform/base/Error.h"
#include "platform/base/MessageBox.h"
#include "platform/base/Numeric.h"
#include "platform/audio/WavFile.h"
#include "platform/ui/Handlers.h"
#include "rozuzezer/core/MultimediaAPI.h"
#include "shared/helpers/FileHelper.h"
#include "shared/helpers/SystemHelper.h"
#include "shared/helpers/TimeFormat.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>

namespace lumoedit {

using namespace platform::ui;
namespace audio = platform::audio;
namespace fs = std::filesystem;

namespace {

struct SaveFormat {
    const char* code;
    const char* description;
    const char* pattern;
};
constexpr SaveFormat kSaveFormats[] = {
    {"G721", "G721", "*.g721"},        {"G723", "G723", "*.g723"},
    {"G726", "G726", "*.g726"},        {"MP2", "MPEG 2", "*.mp2"},
    {"MP3", "MPEG 3", "*.mp3"},        {"OGG", "Ogg Vorbis", "*.ogg"},
    {"PCM", "RAW PCM", "*.pcm"},       {"VOX", "Voxware", "*.vox"},
    {"WMA", "Windows Media", "*.wma"}, {"IMA", "Windows IMA ADPCM WAV", "*.WAV"},
    {"WAV", "Windows Linear WAV", "*.WAV"},
};

// The set-up keys, in the order they are looked for in the chosen entry's text, with the
// extension a name without one gets.
struct SetupKey {
    const char* key;
    const char* extension;
};
constexpr SetupKey kSetupKeys[] = {
    {"linear wav", ".WAV"}, {"adpcm wav", ".WAV"}, {"raw pcm", ".pcm"},   {"ogg vorbis", ".ogg"},
    {"mpeg 3", ".mp3"},     {"mpeg 2", ".mp2"},    {"windows media", ".wma"}, {"g726", ".g726"},
    {"g723", ".g723"},      {"g721", ".g721"},
};

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}
std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}
std::string Trim(const std::string& s) {
    const auto b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return {};
    return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

std::string Joined(const std::vector<std::string>& entries) {
    std::string out;
    for (std::size_t i = 0; i < entries.size(); ++i) out += (i ? "|" : "") + entries[i];
    return out;
}

bool Exclaim(const std::string& text) {
    platform::MsgBox(text, platform::MsgButtons::OK, platform::MsgIcon::Exclamation);
    return false;
}

void RemoveQuietly(const std::string& path) {
    std::error_code ec;
    if (!path.empty()) fs::remove(path, ec);
}

// Whether this user may change the file (the effective user: what the writes will be).
bool Writable(const std::string& path) { return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0; }

std::string ReadOnlyRefusal(const std::string& path) {
    return "The file \"" + path + "\" is read-only: you may not change it, so nothing has been saved.\n\nUse File, "
           "Save As to save the item under another name.";
}

// A WAV file in the RF64 form (how WAV files over 4 GB are written), or one over 4 GB: the
// cart and bext chunks are written only into RIFF files that 32-bit sizes describe.
bool BeyondRiff(const std::string& path) {
    std::error_code ec;
    const auto size = fs::file_size(path, ec);
    if (!ec && size > 0xFFFFFFFFull + 8) return true;
    char form[4] = {};
    std::ifstream in(path, std::ios::binary);
    in.read(form, 4);
    return in && (std::string_view(form, 4) == "RF64" || std::string_view(form, 4) == "BW64");
}

// Why the details did not go into the file, as far as the file itself tells.
std::string DetailsNotWritten(const std::string& path, bool audioSaved) {
    if (helpers::FileHelper().FileSize(path) <= 0) return "The file can no longer be found.";
    if (BeyondRiff(path))
        return std::string("It is an RF64 WAV file (the form of WAV files over 4 GB), and the details can only be "
                           "written into a WAV file of up to 4 GB. ") +
               (audioSaved ? "The audio has been saved; the details have not." : "Nothing has been saved.");
    // The writer's own reason names a damaged chunk or a refused tag text.
    const std::string why = rozuzezer::LastChunkWriteError();
    if (!why.empty()) return why;
    if (!Writable(path)) return "The file is read-only.";
    return "The file could not be written (the disk may be full).";
}

} // namespace

bool frmLumoEdit::SaveItem() {
    if (standalone_) return SaveFile();
    return SaveCart();
}

bool frmLumoEdit::SaveSelection() {
    if (standalone_) return ExportSelectionToFile();
    return CopySelectionToCart();
}

bool frmLumoEdit::SaveFile() {
    if (!cAudioInformation) return false;
    rozuzezer::cHardDiskItem& item = *cAudioInformation;
    if (!AirWindowValid()) return false;

    if (item.AudioFileName.empty()) {
        // A new item gets its originator before its name is asked, whatever format it is then
        // saved in.
        FillDefaultOriginator();
        std::string chosen;
        if (!SaveAs(chosen, false)) return false;
        if (!chosen.empty()) item.AudioFileName = chosen;
        return true;
    }
    const std::string file = item.AudioFileName;
    const bool wav = Upper(helpers::FileHelper().Extension(file)) == "WAV";
    if (allowEdit_ && !wav && bTextEdited_) {
        // Only a WAV file carries the broadcast information: saying "saved" would lose it.
        return Exclaim("The details of this item can only be saved in a WAV file, and \"" + file +
                       "\" is not one. Nothing has been saved.\n\nUse File, Save As to save the item as a WAV "
                       "file, or undo the changes to the details.");
    }
    // Nothing goes into a file the user may not change: a new audio would be renamed over it
    // before the details found it read-only.
    const bool audioToSave = bAudioOpen_ && bAudioEdited && ctlEditor->HasDocument();
    if ((audioToSave || (allowEdit_ && wav)) && helpers::FileHelper().FileSize(file) > 0 && !Writable(file))
        return Exclaim(ReadOnlyRefusal(file));
    if (wav) FillDefaultOriginator();

    try {
        // An unchanged audio is not written again: a details-only save touches only the
        // metadata, and a compressed file is not re-encoded.
        if (audioToSave) {
            ctlEditor->AudioFormat().SetSaveOption(0);
            ShowProgress("Saving...");
            ScopeExit panel([this] { HideProgress(); });
            ctlEditor->SaveAudio(file, false);
        }
    } catch (...) {
        ReportError("saving the audio to File : " + file, CurrentErrorNumber());
        return false;
    }
    AddToMRU(file);
    if (allowEdit_) {
        const std::int16_t version = item.Version;
        if (!item.IncrementVersion()) {
            ShowError("saving the details to File : " + file,
                      "The item's version cannot be raised beyond " + std::to_string(version) + ".");
            return false;
        }
        if (wav) {
            bool saved = false;
            try {
                // Only the chunks around the audio change: the component and the player, which
                // read the file in place, need not copy an hour of audio aside for that.
                platform::audio::OwnMetadataWrite own(file);
                saved = item.SaveToWAVFile(file, 3, audioToSave);
            } catch (...) {
                saved = false;
            }
            if (!saved) {
                item.Version = version;
                ShowError("saving the details to File : " + file, DetailsNotWritten(file, audioToSave));
                return false;
            }
        }
    }
    ClearEdits();
    return true;
}

// An empty originator becomes the user on this computer; the box's change stores it.
void frmLumoEdit::FillDefaultOriginator() {
    if (Trim(txtOriginator->Text()).empty())
        txtOriginator->SetText(helpers::SystemHelper().UserName() + " on " + helpers::SystemHelper().ComputerName());
}

bool frmLumoEdit::SaveAsFile(const std::string& Filename, bool Selection) {
    std::string name = Filename;
    return SaveAs(name, Selection);
}

std::string frmLumoEdit::SuggestSaveName() const {
    if (!cAudioInformation || cAudioInformation->AudioFileName.empty()) return {};
    const fs::path file(cAudioInformation->AudioFileName);
    const fs::path folder = file.parent_path().empty() ? fs::path(".") : file.parent_path();
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        names.push_back(it->path().filename().string());
    const std::string stem = file.stem().string();
    for (int n = 2; n < 100000; ++n) {
        const std::string candidate = stem + " (" + std::to_string(n) + ")";
        // Compared as text: "*", "?" and "[" in a name are no pattern.
        const bool used = std::any_of(names.begin(), names.end(), [&](const std::string& x) {
            return x == candidate || (x.size() > candidate.size() && x.compare(0, candidate.size(), candidate) == 0 &&
                                      x[candidate.size()] == '.' &&
                                      x.find('.', candidate.size() + 1) == std::string::npos);
        });
        if (!used) return (file.parent_path() / candidate).string();
    }
    return {};
}

bool frmLumoEdit::SaveAs(std::string& Filename, bool Selection) {
    if (!cAudioInformation) return false;
    if (!ctlEditor->HasDocument() && !cAudioInformation->AudioFileName.empty()) {
        // The audio is under the cover or was handed to the outside editor: open it first. A
        // file that is gone or empty has no audio to save: a new, empty document in its place
        // would be written out as if it were the item.
        const std::string& file = cAudioInformation->AudioFileName;
        if (helpers::FileHelper().FileSize(file) <= 0)
            return Exclaim("The audio file \"" + file + "\" could not be found, or it is empty.");
        int flags = 0;
        if (!SetupEditor(flags)) return false;
    }
    if (!ctlEditor->HasDocument()) return Exclaim("There is no audio to save.");
    if (Selection && !AudioSelected()) return Exclaim("Select the audio to save first.");

    std::vector<std::string> filters{"All Files (*.*)", "*.*"};
    const std::string formats = Upper(Permissions().GetPermission("SaveFormats", "|MP2|MP3|OGG|IMA|WAV|"));
    std::int16_t wavIndex = 1;
    for (const SaveFormat& f : kSaveFormats) {
        if (formats.find(std::string("|") + f.code + "|") == std::string::npos) continue;
        const std::int16_t index = AddFileFilter(filters, f.description, f.pattern);
        if (std::string(f.code) == "WAV") wavIndex = index;
    }
    int filterIndex = wavIndex;
    if (Filename.empty()) {
        CommonDialog1.DialogTitle = Selection ? "Save Selection as..." : "Save as...";
        CommonDialog1.InitDir = Preferences().GetPreference("EditorLastSavePath", "");
        CommonDialog1.FileName = SuggestSaveName();
        CommonDialog1.Filter = Joined(filters);
        const double stored = platform::Val(Preferences().GetPreference("EditorLastSaveFilter", wavIndex));
        CommonDialog1.FilterIndex = stored >= 1 && stored <= 32767 ? static_cast<int>(stored) : wavIndex;
        CommonDialog1.Flags = 0x802;
        CommonDialog1.DefaultExt.clear();
        CommonDialog1.CancelError = true;
        CommonDialog1.Owner = this;
        try {
            CommonDialog1.ShowSave();
        } catch (const platform::RuntimeError& e) {
            if (e.Number() == 32755) return false;
        }
        Filename = CommonDialog1.FileName;
        filterIndex = CommonDialog1.FilterIndex;
        if (Filename.empty()) return false;
        if (filterIndex < 1 || static_cast<std::size_t>(filterIndex) * 2 > filters.size()) return false;
        Preferences().SetPreference("EditorLastSavePath", helpers::FileHelper().FolderPart(Filename, true), "");
        Preferences().SetPreference("EditorLastSaveFilter", filterIndex, 0);
    }
    if (Filename.empty()) return false;
    Filename = helpers::FileHelper().FullPath(Filename);

    // Which set-up the chosen entry names.
    const std::string entry = Lower(filters[static_cast<std::size_t>(filterIndex) * 2 - 2]);
    const SetupKey* setup = nullptr;
    if (filterIndex == 1) setup = &kSetupKeys[0];
    else
        for (const SetupKey& k : kSetupKeys)
            if (entry.find(k.key) != std::string::npos) {
                setup = &k;
                break;
            }
    if (!setup)
        return Exclaim("Audio cannot be saved in the format \"" + filters[static_cast<std::size_t>(filterIndex) * 2 - 2] +
                       "\". Choose another format.");
    const std::string key = setup->key;
    if (fs::path(Filename).extension().empty()) Filename += setup->extension;
    if (helpers::FileHelper().FileSize(Filename) > 0 && !Writable(Filename)) return Exclaim(ReadOnlyRefusal(Filename));
    const bool wavOut = key == "linear wav" || key == "adpcm wav";
    // Changed details that the chosen format cannot carry (they stay unsaved, below): the
    // producer hears it before anything is written, and may choose another format.
    if (!Selection && allowEdit_ && !wavOut && bTextEdited_ &&
        platform::MsgBox("The details of this item (titles, markers, notes and the other fields) are kept only in WAV "
                         "files: \"" + Filename + "\" will hold its audio alone, and the changed details stay "
                         "unsaved in this window.\n\nDo you want to save the audio in this format all the same?",
                         platform::MsgButtons::YesNo, platform::MsgIcon::Exclamation) != platform::MsgResult::Yes)
        return false;

    auto& editorFormat = ctlEditor->AudioFormat();
    int rate = editorFormat.SampleRate(), channels = editorFormat.Channels();
    if (wavOut && AudioSettings().AudioAllowOtherFormat == 0 && AudioSettings().AudioFormat() &&
        AudioSettings().AudioFormat()->SamplesPerSec() > 0 && AudioSettings().AudioFormat()->Channels() > 0) {
        rate = static_cast<int>(AudioSettings().AudioFormat()->SamplesPerSec());
        channels = AudioSettings().AudioFormat()->Channels();
    }

    editorFormat.SetSaveOption(0);
    ShowProgress("Saving...");
    ScopeExit panel([this] { HideProgress(); });
    std::string side, templ;
    const bool own = !Selection && SameFile(Filename, cAudioInformation->AudioFileName);
    try {
        // The variant of a compressed format: the machine's stored one, else the user's choice.
        auto variant = [&](std::int32_t family, const char* permission, std::int32_t options,
                           bool giveDocument) -> helpers::AudioFormatRef {
            auto f = platform::component::MakeRef<helpers::cAudioFormat>();
            f->SetFormatFamily(family);
            const std::string stored = Permissions().GetPermission(permission, "");
            if (!stored.empty()) {
                if (f->SetFormatText(stored)) return f;
                platform::MsgBox("The stored save format \"" + stored + "\" cannot be read; choose the format now.",
                                 platform::MsgButtons::OK, platform::MsgIcon::Exclamation);
            }
            if (giveDocument) {
                f->SetChannels(static_cast<std::uint16_t>(editorFormat.Channels()));
                f->SetSamplesPerSec(static_cast<std::uint32_t>(editorFormat.SampleRate()));
            }
            if (!rozuzezer::ui::ChooseAudioFormat(*f, family, options, this)) return nullptr;
            return f;
        };
        auto& saveFormat = ctlEditor->SaveFormat();
        int fileType = 0;
        if (key == "linear wav") {
            saveFormat.SetPcm(rate, channels, 16);
            fileType = audio::filetype::Wav;
        } else if (key == "adpcm wav") {
            templ = helpers::FileHelper().TempFileName("WAV");
            if (!CreateWAVFile(templ, rate, static_cast<std::int16_t>(channels), 17))
                platform::Raise(5, "No IMA ADPCM format exists for " + std::to_string(rate) + " Hz and " +
                                       std::to_string(channels) + " channels.");
            saveFormat.SetFromTemplate(templ);
            RemoveQuietly(templ);
            templ.clear();
        } else if (key == "raw pcm") {
            saveFormat.SetRawPcm(1, editorFormat.SampleRate(), editorFormat.Channels(), 16);
            fileType = audio::filetype::RawPcm;
        } else if (key == "ogg vorbis") {
            auto f = variant(8, "SAVEOGG", 32, false);
            if (!f) return false;
            saveFormat.SetOggVorbis(static_cast<int>(f->SamplesPerSec()), f->Channels(), f->BitRate(), 0, 0, true);
            fileType = audio::filetype::OggVorbis;
        } else if (key == "mpeg 3") {
            auto f = variant(4, "SAVEMP3", 32, true);
            if (!f) return false;
            audio::MP3Settings s = ctlEditor->CreateMP3Settings();
            s.BitRate = f->BitRate();
            s.Channels = f->Channels();
            s.SampleRate = static_cast<int>(f->SamplesPerSec());
            saveFormat.SetMpegLayer3(s);
            fileType = audio::filetype::Mp3;
        } else if (key == "mpeg 2") {
            auto f = variant(32, "SAVEMP2", 32, true);
            if (!f) return false;
            saveFormat.SetMpegLayer2(static_cast<int>(f->SamplesPerSec()), f->BitRate(), f->Channels());
            fileType = audio::filetype::Mp2;
        } else if (key == "windows media") {
            auto f = variant(16, "SAVEWMA", 48, false);
            if (!f) return false;
            saveFormat.SetWindowsMedia(f->WindowsMediaFormat());
            fileType = audio::filetype::WindowsMedia;
        } else if (key == "g726") {
            saveFormat.SetG726(8000, 4);
            fileType = audio::filetype::G726;
        } else if (key == "g723") {
            saveFormat.SetG723(8000, 3);
            fileType = audio::filetype::G723;
        } else {
            saveFormat.SetG721(8000);
            fileType = audio::filetype::G721;
        }

        // Our own file is saved in place (the component keeps its other chunks); any other
        // target gets a new file, so that nothing of the old one stays.
        // The new file is named so that, should this program be killed before it takes the
        // target's place, the next save or open of the target removes it.
        if (!own) platform::audio::AtomicFile::RemoveStale(Filename);
        const std::string target =
            own ? Filename : platform::audio::AtomicFile::TemporaryPath(Filename, fs::path(Filename).extension().string());
        if (!own) side = target;
        if (fileType) ctlEditor->SaveAudio(target, Selection, fileType);
        else ctlEditor->SaveAudio(target, Selection);
        if (!Selection && wavOut && allowEdit_) {
            platform::audio::OwnMetadataWrite hold(target);
            if (!cAudioInformation->SaveToWAVFile(target, 3, bAudioEdited))
                platform::Raise(75, "The details could not be written into the new file. " +
                                        rozuzezer::LastChunkWriteError());
        }
        if (!own) {
            fs::rename(side, Filename);
            side.clear();
        }
    } catch (...) {
        const std::int32_t number = CurrentErrorNumber();
        const std::string description = CurrentErrorDescription();
        RemoveQuietly(side);
        RemoveQuietly(templ);
        HideProgress();
        ShowError("saving the audio to File : " + Filename, description.empty() ? std::string(platform::StandardMessage(number)) : description);
        return false;
    }

    if (!Selection) {
        cAudioInformation->AudioFileName = Filename;
        SetCaption(Filename);
        main_.UpdateAudioEditorCaption(Filename, this);
        // The item is now the file just written, in its format.
        SetStatusPanelText("audioformat", "  " + ctlEditor->AudioFormat().Description() + "  ");
    }
    HideProgress();
    // Saving a selection leaves the item as it was: its own changes are still unsaved. Only a
    // WAV file carries the details: changed ones stay unsaved after any other format, as a
    // save under the item's own name keeps them.
    if (!Selection) {
        AddToMRU(Filename);
        const bool detailsUnsaved = allowEdit_ && !wavOut && bTextEdited_;
        ClearEdits();
        if (detailsUnsaved) SetTextEdited();
    }
    return true;
}

} // namespace lumoedit
