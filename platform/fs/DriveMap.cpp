#include "platform/fs/DriveMap.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <pwd.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::fs {
namespace {

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

bool ParseType(std::string_view word, DriveType& type) {
    const std::string w = Lower(word);
    if (w == "fixed") type = DriveType::Fixed;
    else if (w == "cdrom" || w == "cd-rom" || w == "cd") type = DriveType::CDRom;
    else if (w == "network" || w == "remote") type = DriveType::Network;
    else if (w == "removable") type = DriveType::Removable;
    else if (w == "ramdisk") type = DriveType::RamDisk;
    else return false;
    return true;
}

std::string NoTrailingSlash(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
}

struct Cache {
    std::mutex mutex;
    std::string path;
    bool haveFile = false;
    struct timespec mtime {};
    off_t size = -1;
    ino_t inode = 0;
    std::string home;
    std::vector<Drive> drives;
    bool valid = false;
};

// Never destroyed: settings and log lines may be written from destructors at exit.
Cache& TheCache() {
    static Cache* cache = new Cache;
    return *cache;
}

} // namespace

std::string HomeFolder() {
    if (const char* h = std::getenv("HOME"); h && *h == '/') return NoTrailingSlash(h);
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir && *pw->pw_dir == '/')
        return NoTrailingSlash(pw->pw_dir);
    return "/";
}

std::string DriveMapPath() {
    if (const char* p = std::getenv("BREVANT_DRIVE_MAP"); p && *p) return p;
    std::string base;
    if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x && x[0] == '/') base = x;
    else base = HomeFolder() + "/.config";
    return NoTrailingSlash(base) + "/Brevant/drives.map";
}

std::vector<Drive> ParseDriveMap(std::string_view text) {
    std::vector<Drive> drives;
    auto has = [&](char letter) {
        return std::any_of(drives.begin(), drives.end(),
                           [&](const Drive& d) { return d.letter == letter; });
    };
    std::size_t pos = 0;
    while (pos <= text.size()) {
        std::size_t eol = text.find('\n', pos);
        if (eol == std::string_view::npos) eol = text.size();
        std::string_view line = Trim(text.substr(pos, eol - pos));
        pos = eol + 1;
        if (line.empty() || line.front() == '#' || line.front() == ';') continue;
        // "C:" (or "C"), blanks, type, blanks, folder.
        if (line.size() < 2) continue;
        const char letter = Upper(line[0]);
        if (letter < 'A' || letter > 'Z') continue;
        std::size_t i = 1;
        if (line[i] == ':') ++i;
        if (i < line.size() && line[i] != ' ' && line[i] != '\t') continue;
        line = Trim(line.substr(i));
        std::size_t sp = line.find_first_of(" \t");
        if (sp == std::string_view::npos) continue;
        DriveType type;
        if (!ParseType(line.substr(0, sp), type)) continue;
        std::string_view folder = Trim(line.substr(sp));
        if (folder.empty() || folder.front() != '/') continue;
        if (folder.find('\0') != std::string_view::npos) continue;
        if (has(letter)) continue;
        drives.push_back({letter, type, NoTrailingSlash(std::string(folder))});
    }
    if (!has('C')) drives.push_back({'C', DriveType::Fixed, HomeFolder()});
    std::sort(drives.begin(), drives.end(),
              [](const Drive& a, const Drive& b) { return a.letter < b.letter; });
    return drives;
}

std::vector<Drive> Drives() {
    Cache& c = TheCache();
    std::lock_guard lock(c.mutex);
    const std::string path = DriveMapPath();
    const std::string home = HomeFolder();
    struct stat st {};
    const bool haveFile = ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    if (c.valid && c.path == path && c.home == home && c.haveFile == haveFile &&
        (!haveFile || (st.st_mtim.tv_sec == c.mtime.tv_sec &&
                       st.st_mtim.tv_nsec == c.mtime.tv_nsec && st.st_size == c.size &&
                       st.st_ino == c.inode)))
        return c.drives;
    std::string text;
    if (haveFile && st.st_size < (1 << 20)) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream ss;
        ss << in.rdbuf();
        text = ss.str();
    }
    c.drives = ParseDriveMap(text);
    c.path = path;
    c.home = home;
    c.haveFile = haveFile;
    c.mtime = haveFile ? st.st_mtim : timespec{};
    c.size = haveFile ? st.st_size : -1;
    c.inode = haveFile ? st.st_ino : 0;
    c.valid = true;
    return c.drives;
}

bool FindDrive(char letter, Drive& out) {
    letter = Upper(letter);
    for (const Drive& d : Drives())
        if (d.letter == letter) {
            out = d;
            return true;
        }
    return false;
}

DriveType GetDriveType(char letter) {
    Drive d;
    return FindDrive(letter, d) ? d.type : DriveType::NoRootDir;
}

std::string DriveCFolder() {
    Drive d;
    FindDrive('C', d);
    return d.folder;
}

bool HasDriveLetter(std::string_view path) {
    if (path.size() < 2 || path[1] != ':') return false;
    const char l = Upper(path[0]);
    return l >= 'A' && l <= 'Z';
}

std::string ToNativePath(std::string_view path) {
    if (HasDriveLetter(path)) {
        std::string rest(path.substr(2));
        std::replace(rest.begin(), rest.end(), '\\', '/');
        Drive d;
        std::string root;
        if (FindDrive(path[0], d)) root = d.folder;
        else root = std::string("/nonexistent-drive-") + Upper(path[0]);
        if (rest.empty()) return root;
        if (rest.front() != '/') rest.insert(rest.begin(), '/');
        if (root == "/") return rest;
        return root + rest;
    }
    std::string out(path);
    if (out.find('/') == std::string::npos) std::replace(out.begin(), out.end(), '\\', '/');
    return out;
}

} // namespace platform::fs
