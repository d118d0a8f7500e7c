#include "editor/shell/LumoEdit_FN.h"

#include "editor/shell/ErrorReport.h"
#include "editor/shell/frmMain.h"
#include "platform/base/DateTime.h"
#include "platform/devices/Devices.h"
#include "platform/fs/Process.h"
#include "platform/ui/Form.h"
#include "shared/helpers/Utility.h"

#include <QByteArray>
#include <QString>

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <mutex>

namespace lumoedit {

namespace {

std::string& CommandLineStore() {
    static std::string line;
    return line;
}

platform::component::Ref<cBVDirectory>& DirectoryRef() {
    static platform::component::Ref<cBVDirectory> d;
    return d;
}

rozuzezer::AudioSettingsRef& SettingsRef() {
    static rozuzezer::AudioSettingsRef s;
    return s;
}

ProgramStarter& Starter() {
    static ProgramStarter s;
    return s;
}

char Lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool IsBlank(char c) { return c == ' '; }

// Position of the next switch at or after `from` that stands as a word outside double quotes
// (a quoted path may hold " /debug " as a part of its name); npos when none. `from` is never
// inside quotes: it is 0 or the end of a switch found before.
std::size_t FindSwitch(std::string_view line, std::string_view sw, std::size_t from) {
    if (sw.empty()) return std::string_view::npos;
    bool quoted = false;
    for (std::size_t i = from; i + sw.size() <= line.size(); ++i) {
        if (line[i] == '"') quoted = !quoted;
        if (quoted) continue;
        bool same = true;
        for (std::size_t k = 0; k < sw.size() && same; ++k) same = Lower(line[i + k]) == Lower(sw[k]);
        if (!same) continue;
        const bool startOk = i == 0 || IsBlank(line[i - 1]);
        const std::size_t end = i + sw.size();
        const bool endOk = end == line.size() || IsBlank(line[end]);
        if (startOk && endOk) return i;
    }
    return std::string_view::npos;
}

// Letter case folded the way the list compares paths (non-ASCII letters too).
std::string Fold(std::string_view s) {
    const QByteArray bytes(s.data(), static_cast<qsizetype>(s.size()));
    const QString text = QString::fromUtf8(bytes);
    if (text.toUtf8() == bytes) return text.toLower().toStdString();
    // Not UTF-8 (written by another program): only ASCII letters fold, so no two different
    // byte strings become equal.
    std::string out(s);
    for (char& c : out) c = Lower(c);
    return out;
}

} // namespace

// ---- command line --------------------------------------------------------------------------

std::string JoinCommandLine(const std::vector<std::string>& arguments) {
    std::string line;
    for (const auto& a : arguments) {
        if (!line.empty()) line += ' ';
        // An empty or blank name is kept, quoted, so that the open says there is no such file.
        if (a.empty() || a.find(' ') != std::string::npos) line += '"' + a + '"';
        else line += a;
    }
    return line;
}

void SetProgramCommandLine(std::string line) { CommandLineStore() = std::move(line); }
const std::string& ProgramCommandLine() { return CommandLineStore(); }

bool HasSwitch(std::string_view line, std::string_view sw) {
    return FindSwitch(line, sw, 0) != std::string_view::npos;
}

std::string RemoveSwitch(std::string_view line, std::string_view sw) {
    std::string out;
    std::size_t from = 0;
    for (;;) {
        const std::size_t at = FindSwitch(line, sw, from);
        if (at == std::string_view::npos) break;
        out.append(line.substr(from, at - from));
        from = at + sw.size();
    }
    out.append(line.substr(from));
    return out;
}

std::string TrimBlanks(std::string_view text) {
    std::size_t b = 0, e = text.size();
    while (b < e && IsBlank(text[b])) ++b;
    while (e > b && IsBlank(text[e - 1])) --e;
    return std::string(text.substr(b, e - b));
}

// ---- start-up ------------------------------------------------------------------------------

bool InitialiseApplication() {
    // The error report's box shows the arrow, whatever pointer the program shows meanwhile.
    SetMousePointerHooks({&platform::ui::ScreenMousePointer, &platform::ui::SetScreenMousePointer});
    auto& utility = helpers::Utility();
    utility.SetCommandLine(TrimBlanks(ProgramCommandLine()));
    if (HasSwitch(utility.CommandLine(), "/debug")) utility.SetDebugLevel(-1);
    DirectoryRef() = platform::component::MakeRef<cBVDirectory>();
    (void)utility.App(); // the program's name and folder, from the running executable
    // The settings load their defaults and then the profile: one reading of the sound devices
    // serves both (each asks the sound system afresh, which costs milliseconds).
    platform::devices::ScopedSnapshot devices;
    SettingsRef() = platform::component::MakeRef<rozuzezer::cAudioSettings>();
    SettingsRef()->SetDebugMode(utility.DebugLevel());
    (void)SettingsRef()->LoadProfile("Profile1");
    return true;
}

cBVDirectory& BVDirectory() {
    if (!DirectoryRef()) DirectoryRef() = platform::component::MakeRef<cBVDirectory>();
    return *DirectoryRef();
}

rozuzezer::cAudioSettings& AudioSettings() {
    if (!SettingsRef()) SettingsRef() = platform::component::MakeRef<rozuzezer::cAudioSettings>();
    return *SettingsRef();
}

void ReleaseApplicationObjects() {
    DirectoryRef() = {};
    SettingsRef() = {};
}

cDirectoryPrefPerms& Preferences() { return BVDirectory().CurrentUser().Duvavizud3Preferences(); }
cDirectoryPrefPerms& Permissions() { return BVDirectory().CurrentUser().Duvavizud3Permissions(); }

// ---- dates ---------------------------------------------------------------------------------

std::string GeneralDate(double serial) {
    const platform::ClockTime t = platform::SplitTime(serial);
    if (t.hour == 0 && t.minute == 0 && t.second == 0) return platform::FormatDate(serial, "dd/mm/yyyy");
    return platform::FormatDate(serial, "dd/mm/yyyy hh:nn:ss");
}

namespace {

// Reads 1..max digits; false when there is none.
bool Digits(std::string_view s, std::size_t& i, int maxDigits, int& value) {
    const std::size_t start = i;
    value = 0;
    while (i < s.size() && i - start < static_cast<std::size_t>(maxDigits) &&
           std::isdigit(static_cast<unsigned char>(s[i]))) {
        value = value * 10 + (s[i] - '0');
        ++i;
    }
    return i > start;
}

bool Expect(std::string_view s, std::size_t& i, char c) {
    if (i < s.size() && s[i] == c) {
        ++i;
        return true;
    }
    return false;
}

} // namespace

bool ParseGeneralDate(std::string_view raw, double& serial) {
    const std::string text = TrimBlanks(raw);
    std::string_view s(text);
    std::size_t i = 0;
    int a = 0, b = 0, c = 0;
    int year = 0, month = 0, day = 0;
    if (!Digits(s, i, 4, a)) return false;
    if (i == 4) { // yyyy-mm-dd
        if (!Expect(s, i, '-') || !Digits(s, i, 2, b) || !Expect(s, i, '-') || !Digits(s, i, 2, c)) return false;
        year = a, month = b, day = c;
    } else { // dd/mm/yyyy
        if (!Expect(s, i, '/') || !Digits(s, i, 2, b) || !Expect(s, i, '/')) return false;
        const std::size_t y0 = i;
        if (!Digits(s, i, 4, c) || i - y0 != 4) return false;
        day = a, month = b, year = c;
    }
    if (year < 100 || !platform::IsValidDate(year, month, day)) return false;
    int hour = 0, minute = 0, second = 0;
    if (i < s.size()) {
        if (s[i] != ' ' && s[i] != 'T') return false;
        ++i;
        if (!Digits(s, i, 2, hour) || !Expect(s, i, ':') || !Digits(s, i, 2, minute)) return false;
        if (Expect(s, i, ':') && !Digits(s, i, 2, second)) return false;
        if (i != s.size() || hour > 23 || minute > 59 || second > 59) return false;
    }
    // Before 30 December 1899 the day counts back but the time of day still counts forward.
    serial = platform::SerialFromDayAndSeconds(static_cast<std::int32_t>(platform::DateSerial(year, month, day)),
                                               hour * 3600.0 + minute * 60.0 + second);
    return true;
}

// ---- recent files --------------------------------------------------------------------------

std::vector<std::string> SplitBars(std::string_view list) {
    std::vector<std::string> out;
    std::size_t from = 0;
    for (;;) {
        const std::size_t bar = list.find('|', from);
        if (bar == std::string_view::npos) {
            out.emplace_back(list.substr(from));
            return out;
        }
        out.emplace_back(list.substr(from, bar - from));
        from = bar + 1;
    }
}

std::string AddToRecentList(std::string_view item, std::string_view list) {
    const std::string trimmed = TrimBlanks(item);
    if (list.empty()) return trimmed;
    const std::string key = Fold(trimmed);
    std::vector<std::string> entries = SplitBars(list);
    const std::size_t n = entries.size() - 1;
    if (n == 0) {
        if (Fold(entries[0]) != key) return trimmed + "|" + std::string(list);
        return std::string(list);
    }
    bool found = false;
    const std::size_t last = std::min<std::size_t>(9, n);
    for (std::size_t i = 0; i <= last; ++i) {
        if (!found && Fold(entries[i]) == key) found = true;
        if (found && i < n) entries[i] = entries[i + 1];
    }
    if (found) entries.pop_back();
    if (entries.size() > 9) entries.resize(9);
    std::string out = trimmed;
    for (const auto& e : entries) out += "|" + e;
    return out;
}

void AddToMRU(const std::string& path) {
    if (TrimBlanks(path).empty()) return;
    auto& prefs = Preferences();
    const std::string list = prefs.GetPreference("MRUAudio", "");
    prefs.SetPreference("MRUAudio", AddToRecentList(path, list), "");
    if (frmMain* main = MainWindow()) main->UpdateMRU();
}

// ---- outside programs ----------------------------------------------------------------------

ProgramStarter SetProgramStarter(ProgramStarter starter) {
    ProgramStarter old = std::move(Starter());
    Starter() = std::move(starter);
    return old;
}

bool StartNamedProgram(const std::string& program, const std::vector<std::string>& args) {
    if (Starter()) return Starter()(program, args);
    if (const char* t = std::getenv("BVR_TEST_TMP"); t && *t) return false;
    return platform::fs::StartProgram(program, args) > 0;
}

const std::vector<std::string>& MixerPrograms() {
    static const std::vector<std::string> programs = {"pavucontrol", "pavucontrol-qt", "xfce4-mixer"};
    return programs;
}

// ---- hardware lines at markers -----------------------------------------------------------

bool DecodeHardwareLine(std::int16_t, std::int32_t, std::int32_t&) { return false; }

HardwareLineName GetHardwareLineName(std::int32_t&) { return {}; }

} // namespace lumoedit
