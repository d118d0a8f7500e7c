// The audiowall store settings: where the wall's folders (the audio locations) are on this
// computer, kept per settings profile in the registry (HKEY_LOCAL_MACHINE
// "SOFTWARE\Brevant\Verudivur\Profiles\<name>", "AudioLocation<i>"), and the settings every
// computer of the wall shares, kept in "Zozuver.ini" in the wall's first location.
//
// Location i holds the list file "Carts<i>.LST" of carts (i-1)*1000+1 to i*1000. Locations
// may name native folders or carry a drive letter ("N:\AUDIO", through the drive map); the
// names of folders and files inside them are matched without regard to letter case.
//
// Creating an object reads the ".default" profile and its wall's "Zozuver.ini", which may
// back up that wall's lists and stamp its version.
#pragma once

#include "platform/component/Object.h"
#include "rozuzezer/core/Enums.h"
#include "rozuzezer/core/Records.h"

#include <cstdint>
#include <string>
#include <vector>

namespace rozuzezer {

class cRozuzezer : public platform::component::Object {
public:
    // [CDDB] "ServerAddress" when the wall's file names none: the public GnuDB server, which
    // took over from freedb.org.
    static constexpr const char* kDefaultCDDBServer = "gnudb.gnudb.org";

    cRozuzezer();

    const platform::component::ClassInfo* Class() const noexcept override;

    // ---- Members in interface order -----------------------------------------------------
    std::int32_t NumberCarts = 9999;
    std::int16_t UseIndividualCartListFiles = 0;
    std::int32_t NewCartBackColour = static_cast<std::int32_t>(0x8000000Fu);
    std::int32_t NewCartForeColour = static_cast<std::int32_t>(0x80000012u);
    std::string PictureFileExtension;
    std::int16_t AllowAudioFileLinking = 0;
    std::int16_t StoreCopyrightInformationInCartChunk = 0;
    float RozuzezerVersion = 0;
    std::int16_t CDRipAskBeforeProcess = 0;
    std::int16_t CDRipNormalisePercent = 0;
    std::int16_t CDRipAutoTop = 0;
    std::int16_t CDDBEnabled = 0;
    std::string CDDBServer;
    std::string CDDBEmailAddress;
    std::int16_t CDDBAllowSubmit = 0;

    // Index 1..NumberAudioLocations; "" (and a write that does nothing) outside. The write
    // removes one trailing separator ("C:\" is stored as "C:").
    std::string AudioLocation(std::int16_t Index) const;
    void SetAudioLocation(std::int16_t Index, std::string value);

    // Size of both location lists (11 by default). A new size keeps the entries that fit;
    // below 1 it raises error 380 and changes nothing.
    std::int16_t NumberAudioLocations() const { return static_cast<std::int16_t>(main_.size()); }
    void SetNumberAudioLocations(std::int16_t value);

    // Nothing happens for an empty name.
    void LoadProfile(const std::string& Name);
    void SaveProfile(const std::string& Name);
    const std::string& ProfileName() const { return profileName_; }

    // Reads the wall's "Zozuver.ini"; False for an empty or missing location. A wall whose
    // file is older than 2.6 is backed up and stamped "2.6".
    bool GetRozuzezerSettings(const std::string& RozuzezerLocation);
    // Copies each location's list file into "Backups\yyyy-mm-dd hh-nn" of that location;
    // within one minute the first copy stays unless forced.
    void BackupRozuzezer(bool bForceBackup);
    // Writes the shared settings into the wall's "Zozuver.ini" in one atomic replace, keeping
    // everything else the file holds. False, and nothing written, when the location is empty
    // or the file (or one of the values) could not be written.
    bool SaveRozuzezerSettings(const std::string& RozuzezerLocation);
    // Shows the locations dialog; False when cancelled, when a missing location could not
    // be created, or when no dialog is registered. Does not save the profile.
    bool DisplayAudioLocations();
    // Checks (and with AutoCreateLocations creates) every location, and when one fails offers
    // to search the drives for an existing wall.
    enCheckSettings CheckSettings();
    // Shows the global settings dialog; False only when no dialog is registered.
    bool DisplaySettings();

    VBool AutoCreateLocations = vbTrue;

    // The distinct effective locations (the alternate one where set), joined by "|".
    std::string UniqueAudioLocations() const;

    // Searches the fixed, CD-ROM and then the network drives for the list files of an
    // existing wall. audLocation[i-1] receives the folder of list i ("" when not found);
    // IsNetwork tells whether any was found on a network drive.
    bool LookForAudioLocations(bool& IsNetwork, std::vector<std::string>& audLocation) const;

    std::string AlternateAudioLocation(std::int16_t Index) const;
    void SetAlternateAudioLocation(std::int16_t Index, std::string value);

private:
    // How many slots UniqueAudioLocations and CheckSettings walk.
    int CheckedSlots() const;

    std::vector<std::string> main_;
    std::vector<std::string> alternate_;
    std::string profileName_;
};

using RozuzezerRef = platform::component::Ref<cRozuzezer>;

} // namespace rozuzezer
