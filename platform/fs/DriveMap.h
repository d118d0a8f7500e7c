// Drive letters. Settings written on other machines name folders as "C:\Audio\Wall1", and
// the audiowall search walks drive letters by type, so a small map gives each letter a
// native folder and a type.
//
// The map is a text file, one drive a line:
//
//     # letter  type     folder (to the end of the line; blanks allowed)
//     C:        fixed    /home/anna
//     D:        cdrom    /media/cdrom
//     N:        network  /srv/station audio
//
// Types: fixed, cdrom, network, removable, ramdisk (any letter case). Blank lines and lines
// starting with "#" or ";" are skipped, and so is a line that does not read (unknown type,
// no folder, a relative folder, a letter outside A..Z); the first line for a letter wins.
// The file is $BREVANT_DRIVE_MAP when set, else $XDG_CONFIG_HOME/Brevant/drives.map
// ($HOME/.config when XDG_CONFIG_HOME is unset). A missing file, or one that yields no
// C:, still gives C: as the user's home folder (fixed), so the debug log always has a home.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform::fs {

// Numbered as the platform numbers drive types.
enum class DriveType : int {
    Unknown = 0,
    NoRootDir = 1,
    Removable = 2,
    Fixed = 3,
    Network = 4,
    CDRom = 5,
    RamDisk = 6,
};

struct Drive {
    char letter = 'C';     // upper case
    DriveType type = DriveType::Fixed;
    std::string folder;    // absolute native folder, without a trailing "/" (except "/")
    bool operator==(const Drive&) const = default;
};

// Where the map is read from.
std::string DriveMapPath();

// The drives of a map text, in letter order, with C: added when absent.
std::vector<Drive> ParseDriveMap(std::string_view text);

// The current map (the file is read again when it changed since the last call).
std::vector<Drive> Drives();

// The drive of a letter (either case); false when the map has none.
bool FindDrive(char letter, Drive& out);

// The type of a letter's drive; NoRootDir when the map has none.
DriveType GetDriveType(char letter);

// The folder of drive C:.
std::string DriveCFolder();

// The user's home folder ($HOME, else the password database, else "/").
std::string HomeFolder();

// Whether a text starts with a drive letter and a colon ("c:", "C:\x", "d:/y").
bool HasDriveLetter(std::string_view path);

// A path as the system can open it: "c:\Audio\x.wav" becomes the C: folder + "/Audio/x.wav"
// (the rest is taken as it is, with every "\" turned into "/"); a letter with no drive
// maps to "/nonexistent-drive-X/..." so that nothing is found there. A path without a
// drive letter only has its "\" turned into "/" when it holds no "/" at all (a native path
// may hold a backslash in a name).
std::string ToNativePath(std::string_view path);

} // namespace platform::fs
