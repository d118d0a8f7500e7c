#include "rozuzezer/core/cRozuzezer.h"

#include "platform/base/DateTime.h"
#include "platform/base/Error.h"
#include "platform/base/MessageBox.h"
#include "platform/base/Numeric.h"
#include "platform/fs/DriveMap.h"
#include "platform/fs/Files.h"
#include "platform/profile/Profile.h"
#include "rozuzezer/core/SettingsDialogs.h"
#include "shared/helpers/FileHelper.h"
#include "shared/helpers/RegistryHelper.h"
#include "shared/helpers/SystemHelper.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace rozuzezer {

namespace {

using helpers::HKEY_LOCAL_MACHINE;

constexpr std::string_view kProfilesKey = "SOFTWARE\\Brevant\\Verudivur\\Profiles\\";
constexpr int kDefaultLocations = 11;

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

bool SameNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::string WithoutTrailingSeparator(std::string s) {
    if (s.size() > 1 && (s.back() == '\\' || s.back() == '/')) s.pop_back();
    return s;
}

// A location as the system can open it: drive letters through the drive map, each part
// matched without regard to letter case.
std::string Native(std::string_view location) { return platform::fs::ResolveNoCase(location); }

// `name` inside a location, found without regard to letter case.
std::string InLocation(std::string_view location, std::string_view name) {
    return helpers::FileHelper().FindNoCase(Native(location), name);
}

// Creates a location's folder with its parents; false when it cannot be made, also for a
// drive letter the drive map does not know (there is nowhere to make it).
bool CreateLocation(std::string_view location) {
    if (platform::fs::HasDriveLetter(location)) {
        platform::fs::Drive drive;
        if (!platform::fs::FindDrive(location[0], drive)) return false;
    }
    return helpers::FileHelper().CreateFolder(Native(location), true);
}

std::string SettingsFile(std::string_view location) { return InLocation(location, "Zozuver.ini"); }

std::string ListFileName(int i) { return "Carts" + std::to_string(i) + ".LST"; }

// Runs one step of a sequence whose failures are skipped.
template <typename Fn>
void Skipping(Fn&& step) {
    try {
        step();
    } catch (const std::exception&) {
    }
}

} // namespace

cRozuzezer::cRozuzezer()
    : main_(kDefaultLocations), alternate_(kDefaultLocations) {
    LoadProfile(".default");
    profileName_.clear();
}

std::string cRozuzezer::AudioLocation(std::int16_t Index) const {
    if (Index < 1 || Index > NumberAudioLocations()) return {};
    return main_[static_cast<std::size_t>(Index) - 1];
}

void cRozuzezer::SetAudioLocation(std::int16_t Index, std::string value) {
    if (Index < 1 || Index > NumberAudioLocations()) return;
    main_[static_cast<std::size_t>(Index) - 1] = WithoutTrailingSeparator(std::move(value));
}

std::string cRozuzezer::AlternateAudioLocation(std::int16_t Index) const {
    if (Index < 1 || Index > NumberAudioLocations()) return {};
    return alternate_[static_cast<std::size_t>(Index) - 1];
}

void cRozuzezer::SetAlternateAudioLocation(std::int16_t Index, std::string value) {
    if (Index < 1 || Index > NumberAudioLocations()) return;
    alternate_[static_cast<std::size_t>(Index) - 1] = WithoutTrailingSeparator(std::move(value));
}

void cRozuzezer::SetNumberAudioLocations(std::int16_t value) {
    if (value < 1) platform::Raise(platform::err::InvalidPropertyValue);
    main_.resize(static_cast<std::size_t>(value));
    alternate_.resize(static_cast<std::size_t>(value));
}

int cRozuzezer::CheckedSlots() const {
    return std::min<int>(kDefaultLocations, NumberAudioLocations());
}

void cRozuzezer::LoadProfile(const std::string& Name) {
    if (Name.empty()) return;
    const std::string key = std::string(kProfilesKey) + Name;
    for (int i = 1; i <= NumberAudioLocations(); ++i)
        main_[static_cast<std::size_t>(i) - 1] = helpers::RegistryHelper().ReadText(
            HKEY_LOCAL_MACHINE, key, "AudioLocation" + std::to_string(i), "");
    profileName_ = Name;
    GetRozuzezerSettings(AudioLocation(1));
}

void cRozuzezer::SaveProfile(const std::string& Name) {
    if (Name.empty()) return;
    const std::string key = std::string(kProfilesKey) + Name;
    // The station's list of locations is one change: never half of the old list.
    helpers::cRegistryTransaction tx(HKEY_LOCAL_MACHINE);
    for (int i = 1; i <= NumberAudioLocations(); ++i)
        tx.WriteText(key, "AudioLocation" + std::to_string(i), main_[static_cast<std::size_t>(i) - 1], "");
    tx.Commit();
    profileName_ = Name;
}

bool cRozuzezer::GetRozuzezerSettings(const std::string& RozuzezerLocation) {
    namespace ini = platform::profile;
    if (RozuzezerLocation.empty() || !helpers::FileHelper().FolderExists(Native(RozuzezerLocation)))
        return false;
    const std::string file = SettingsFile(RozuzezerLocation);
    auto text = [&](std::string_view section, std::string_view key, std::string_view def) {
        return ini::GetPrivateProfileString(section, key, def, file);
    };
    auto whole = [&](std::string_view section, std::string_view key, std::int32_t def) {
        return ini::GetPrivateProfileInt(section, key, def, file);
    };
    auto whole16 = [&](std::string_view section, std::string_view key, std::int32_t def) {
        return platform::CheckInt16(whole(section, key, def));
    };

    NumberCarts = whole("Verudivur", "NoCarts", 9999);
    PictureFileExtension = text("Verudivur", "PictureFileExtension", "JPG");
    AllowAudioFileLinking = whole16("Verudivur", "AllowAudioFileLinking", 0);
    UseIndividualCartListFiles = whole16("Verudivur", "UseIndividualCartListFiles", 0);
    StoreCopyrightInformationInCartChunk = whole16("CartChunk", "UseCopyrightInCartChunk", 0);

    // From here on a failing step is skipped and the next one runs.
    Skipping([&] {
        if (platform::Val(text("Verudivur", "Version", "0.0")) < 2.6) {
            Skipping([&] { BackupRozuzezer(false); });
            ini::WritePrivateProfileString("Verudivur", "Version", "2.6", file);
        }
    });
    Skipping([&] {
        NewCartBackColour = platform::ToInt32(platform::Val(text("Verudivur", "NewCartBackColour", "&H8000000F")));
    });
    Skipping([&] {
        NewCartForeColour = platform::ToInt32(platform::Val(text("Verudivur", "NewCartForeColour", "&H80000012")));
    });
    Skipping([&] { CDRipAskBeforeProcess = whole16("CDRipping", "AskBeforeProcess", 0); });
    Skipping([&] { CDRipNormalisePercent = whole16("CDRipping", "NormaliseAudioPercent", 63); });
    Skipping([&] { CDRipAutoTop = whole16("CDRipping", "AutoTopAudio", 0); });
    Skipping([&] { CDDBEnabled = whole16("CDDB", "AllowCDDB", 0); });
    Skipping([&] { CDDBServer = text("CDDB", "ServerAddress", kDefaultCDDBServer); });
    Skipping([&] { CDDBEmailAddress = text("CDDB", "EmailAddress", ""); });
    Skipping([&] { CDDBAllowSubmit = whole16("CDDB", "AllowSubmit", 0); });
    return true;
}

bool cRozuzezer::SaveRozuzezerSettings(const std::string& RozuzezerLocation) {
    // No location would mean a file relative to wherever the program happens to run.
    if (RozuzezerLocation.empty()) return false;
    const std::string file = SettingsFile(RozuzezerLocation);
    const std::string texts[] = {
        std::to_string(NumberCarts),           std::to_string(AllowAudioFileLinking),
        std::to_string(UseIndividualCartListFiles),
        std::to_string(StoreCopyrightInformationInCartChunk),
        std::to_string(CDRipAskBeforeProcess), std::to_string(CDRipNormalisePercent),
        std::to_string(CDRipAutoTop),          std::to_string(CDDBEnabled),
        std::to_string(CDDBAllowSubmit),
    };
    // Every computer of the wall reads this file: it gets all the new values at once or,
    // when one of them cannot be written, none.
    return platform::profile::WritePrivateProfileStrings(
        {
            {"Verudivur", "NoCarts", texts[0]},
            {"Verudivur", "PictureFileExtension", PictureFileExtension},
            {"Verudivur", "AllowAudioFileLinking", texts[1]},
            {"Verudivur", "UseIndividualCartListFiles", texts[2]},
            {"CartChunk", "UseCopyrightInCartChunk", texts[3]},
            {"CDRipping", "AskBeforeProcess", texts[4]},
            {"CDRipping", "NormaliseAudioPercent", texts[5]},
            {"CDRipping", "AutoTopAudio", texts[6]},
            {"CDDB", "AllowCDDB", texts[7]},
            {"CDDB", "ServerAddress", CDDBServer},
            {"CDDB", "EmailAddress", CDDBEmailAddress},
            {"CDDB", "AllowSubmit", texts[8]},
        },
        file);
}

void cRozuzezer::BackupRozuzezer(bool bForceBackup) {
    auto& files = helpers::FileHelper();
    const std::string stamp = platform::FormatDate(platform::Now(), "yyyy-mm-dd hh-nn");
    for (int i = 1; i <= NumberAudioLocations(); ++i) {
        const std::string location = AudioLocation(static_cast<std::int16_t>(i));
        if (location.empty()) continue;
        const std::string list = InLocation(location, ListFileName(i));
        if (!(files.FileSize(list) > 0)) continue;

        const std::string backups = InLocation(location, "Backups");
        if (!files.FolderExists(backups)) files.CreateFolder(backups, true);
        const std::string folder = helpers::FileHelper().FindNoCase(backups, stamp);
        if (!files.FolderExists(folder)) files.CreateFolder(folder, true);

        if (files.FileSize(files.FindNoCase(folder, ListFileName(i))) < 0 || bForceBackup) {
            const bool stopped = files.CopyToFolder(
                list, folder, "Backing up Audio Wall lists - Part " + std::to_string(i));
            if (stopped) break;
        }
    }
}

bool cRozuzezer::LookForAudioLocations(bool& IsNetwork, std::vector<std::string>& audLocation) const {
    IsNetwork = false;
    bool found = false;
    const int n = NumberAudioLocations();
    audLocation.assign(static_cast<std::size_t>(n), std::string());

    auto& system = helpers::SystemHelper();
    std::string localLetters = Upper(system.DriveLetters(3) + system.DriveLetters(5));
    std::string networkLetters = system.DriveLetters(4);
    for (char& c : networkLetters) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));

    static constexpr std::string_view kPrefixes[] = {"", "\\Data", "\\Orvanta", "\\Brevant"};
    for (const std::string& letters : {localLetters, networkLetters}) {
        for (char letter : letters) {
            const bool network = std::islower(static_cast<unsigned char>(letter)) != 0;
            for (int i = 1; i <= n; ++i) {
                const std::string index = std::to_string(i);
                const std::string suffixes[] = {"", "\\RozuzEzer", "\\RozuzEzer\\Audio" + index,
                                                "\\Audio", "\\Audio\\Audio" + index};
                for (std::string_view prefix : kPrefixes) {
                    for (const std::string& suffix : suffixes) {
                        const std::string folder =
                            std::string(1, letter) + ":" + std::string(prefix) + suffix;
                        if (!(helpers::FileHelper().FileSize(Native(folder + "\\Carts" + index + ".LST")) > 0))
                            continue;
                        if (network) IsNetwork = true;
                        audLocation[static_cast<std::size_t>(i) - 1] = Upper(folder);
                        found = true;
                    }
                }
            }
        }
    }
    return found;
}

enCheckSettings cRozuzezer::CheckSettings() {
    using platform::MsgBox;
    using platform::MsgButtons;
    using platform::MsgIcon;
    using platform::MsgResult;
    auto& files = helpers::FileHelper();
    const int slots = CheckedSlots();

    bool failed = false;
    for (int i = 1; i <= slots && !failed; ++i) {
        const std::string location = AudioLocation(static_cast<std::int16_t>(i));
        if (location.empty()) {
            failed = true;
        } else if (AutoCreateLocations && !CreateLocation(location)) {
            MsgBox("The Audio Location '" + location + "' could not be created", MsgButtons::OK,
                   MsgIcon::Exclamation);
            failed = true;
        } else if (!files.FolderExists(Native(location))) {
            failed = true;
        }
    }
    if (!failed) return cstOK;

    if (MsgBox("Do you want to automatically search for an existing Verudivur?", MsgButtons::YesNo,
               MsgIcon::Question) != MsgResult::Yes)
        return cstFailed;

    bool isNetwork = false;
    std::vector<std::string> found;
    if (!LookForAudioLocations(isNetwork, found)) {
        MsgBox("No existing Verudivur could be found - you will have to manually set the "
               "Verudivur Locations",
               MsgButtons::OK, MsgIcon::Information);
        return cstFailed;
    }
    found.resize(static_cast<std::size_t>(slots));
    if (found.empty() || found[0].empty()) return cstFailed;
    for (int i = 1; i < slots; ++i)
        if (found[static_cast<std::size_t>(i)].empty())
            found[static_cast<std::size_t>(i)] = found[static_cast<std::size_t>(i) - 1];

    std::vector<std::string> shown{found[0]};
    std::string list = "     " + found[0];
    for (int i = 1; i < slots; ++i) {
        const std::string& f = found[static_cast<std::size_t>(i)];
        if (std::find(shown.begin(), shown.end(), f) != shown.end()) continue;
        shown.push_back(f);
        list += "\n     " + f;
    }
    if (MsgBox("An Verudivur has been found in: \n\n" + list + "\n\nDo you want to use this information?",
               MsgButtons::YesNo, MsgIcon::Question) != MsgResult::Yes)
        return cstFailed;

    // The location's write removes one trailing backslash.
    for (int i = 1; i <= slots; ++i)
        SetAudioLocation(static_cast<std::int16_t>(i), found[static_cast<std::size_t>(i) - 1]);
    GetRozuzezerSettings(AudioLocation(1));
    return cstDiscovered;
}

std::string cRozuzezer::UniqueAudioLocations() const {
    std::vector<std::string> seen;
    std::string joined;
    for (int i = 1; i <= CheckedSlots(); ++i) {
        std::string effective = AlternateAudioLocation(static_cast<std::int16_t>(i));
        if (effective.empty()) effective = AudioLocation(static_cast<std::int16_t>(i));
        if (std::any_of(seen.begin(), seen.end(),
                        [&](const std::string& s) { return SameNoCase(s, effective); }))
            continue;
        if (!seen.empty()) joined += '|';
        joined += effective;
        seen.push_back(std::move(effective));
    }
    return joined;
}

bool cRozuzezer::DisplayAudioLocations() {
    auto dialog = MakeAudioLocationsDialog();
    if (!dialog) return false;
    dialog->SetVerudivur(*this);
    dialog->ShowModal();
    const bool cancelled = dialog->Cancelled();
    dialog.reset();
    if (cancelled) return false;
    if (AutoCreateLocations) {
        auto& files = helpers::FileHelper();
        for (int i = 1; i <= NumberAudioLocations(); ++i) {
            const std::string location = AudioLocation(static_cast<std::int16_t>(i));
            if (location.empty() || files.FolderExists(Native(location))) continue;
            if (!CreateLocation(location)) {
                platform::MsgBox("The Audio Location '" + location + "' could not be created",
                                 platform::MsgButtons::OK, platform::MsgIcon::Exclamation);
                return false;
            }
        }
    }
    return true;
}

bool cRozuzezer::DisplaySettings() {
    auto dialog = MakeGlobalRozuzezerSettingsDialog();
    if (!dialog) return false;
    dialog->SetVerudivur(*this);
    dialog->ShowModal();
    dialog.reset();
    return true;
}

} // namespace rozuzezer
