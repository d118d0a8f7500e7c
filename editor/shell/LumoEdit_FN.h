// The editor's start-up and its program-wide objects, the command line, the recent-file
// list, and the few outside programs the shell starts.
#pragma once

#include "editor/shell/Directory.h"
#include "rozuzezer/core/cAudioSettings.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace lumoedit {

// ---- command line --------------------------------------------------------------------------
// The program's arguments as one command line: joined by single blanks, an argument that holds
// a blank or is empty put in double quotes (the editor's OpenFile removes them again).
std::string JoinCommandLine(const std::vector<std::string>& arguments);
// The command line InitialiseApplication reads; main() sets it from its arguments.
void SetProgramCommandLine(std::string line);
const std::string& ProgramCommandLine();

// Whether `line` holds the switch (ASCII case ignored). A switch counts only as a word of its
// own (at the start or after a blank, and at the end or before a blank) and outside double
// quotes, so neither "/srv/debug/a.wav" nor "\"/srv/My /debug take.wav\"" holds a switch.
bool HasSwitch(std::string_view line, std::string_view sw);
// `line` without every such switch.
std::string RemoveSwitch(std::string_view line, std::string_view sw);
// Blanks (only) off both ends.
std::string TrimBlanks(std::string_view text);

// ---- start-up ------------------------------------------------------------------------------
// Stores the trimmed command line in the utility object, turns debug logging on for
// "/debug", creates the user directory and the audio settings and loads "Profile1".
bool InitialiseApplication();

// The program-wide objects; created on first use when InitialiseApplication has not run.
cBVDirectory& BVDirectory();
rozuzezer::cAudioSettings& AudioSettings();
// Drops both (tests start each case afresh).
void ReleaseApplicationObjects();

// The user's preferences and the machine's permissions, through the user directory.
cDirectoryPrefPerms& Preferences();
cDirectoryPrefPerms& Permissions();

// ---- dates of the update notes ------------------------------------------------------------
// A date serial as the "General Date" text: "dd/mm/yyyy hh:nn:ss", or "dd/mm/yyyy" at midnight.
std::string GeneralDate(double serial);
// Reads such a text back ("dd/mm/yyyy", optional "hh:nn" or "hh:nn:ss"; "yyyy-mm-dd" too).
// False for anything that is no real date.
bool ParseGeneralDate(std::string_view text, double& serial);

// ---- recent files --------------------------------------------------------------------------
// The item first, then at most nine older entries, without the first entry equal to the item
// (trimmed, letter case ignored).
std::string AddToRecentList(std::string_view item, std::string_view list);
// Puts a path at the head of the stored "MRUAudio" list and rebuilds the main window's menu.
void AddToMRU(const std::string& path);
// Splits a "|"-separated list (an empty text gives one empty entry).
std::vector<std::string> SplitBars(std::string_view list);

// ---- outside programs ----------------------------------------------------------------------
// Starts a program by name (searched on PATH); false when it could not be started. Tests take
// it over; under the test harness without a hook nothing is started.
using ProgramStarter = std::function<bool(const std::string& program, const std::vector<std::string>& args)>;
ProgramStarter SetProgramStarter(ProgramStarter starter);
bool StartNamedProgram(const std::string& program, const std::vector<std::string>& args = {});

// The desktop's volume mixers, in the order they are tried.
const std::vector<std::string>& MixerPrograms();

// ---- hardware lines at markers -----------------------------------------------------------
// Where a source of hardware lines would stand; this program has none. A line would be
// numbered from 1, line i on card (i - 1) div 100 + 1, and a marker's stored value would
// decode into a line and an action type.
struct HardwareLineName {
    std::string Name;
};
// Whether a marker's stored value names a line (Card: 0 for any); ActionType is left as it
// was when it does not. Here no value names one.
bool DecodeHardwareLine(std::int16_t Value, std::int32_t Card, std::int32_t& ActionType);
// The name of a line: empty for every line here.
HardwareLineName GetHardwareLineName(std::int32_t& Line);

} // namespace lumoedit
