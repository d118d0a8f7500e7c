#include "platform/profile/Profile.h"

#include "platform/base/Codepage.h"
#include "platform/registry/DurableFile.h"
#include "platform/registry/RegFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <vector>

#include <unistd.h>


namespace platform::profile {
namespace {

namespace files = ::platform::detail;

// Larger files are read this far and never rewritten.
constexpr std::size_t kMaxBytes = std::size_t{256} << 20;

enum class Encoding { Ansi, Utf8, Utf16 };

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

struct Line {
    enum Kind { Other, Section, Entry };
    Kind kind = Other;
    std::size_t begin = 0, end = 0; // content, without its line ending
    std::size_t next = 0;           // after the line ending
    std::size_t nameBegin = 0, nameEnd = 0;
    std::size_t valueBegin = 0, valueEnd = 0;
};

struct Parsed {
    std::string text; // the file's bytes; for UTF-16 files their UTF-8 form
    Encoding encoding = Encoding::Ansi;
    std::vector<Line> lines;
    std::string eol = "\r\n";
    bool complete = true;
    std::string problem;

    std::string_view Name(const Line& l) const { return std::string_view(text).substr(l.nameBegin, l.nameEnd - l.nameBegin); }
    std::string_view RawValue(const Line& l) const { return std::string_view(text).substr(l.valueBegin, l.valueEnd - l.valueBegin); }
    std::string ToMemory(std::string_view s) const { return encoding == Encoding::Ansi ? AnsiToUtf8(s) : std::string(s); }
    std::string ToFile(std::string_view s) const { return encoding == Encoding::Ansi ? Utf8ToAnsi(s) : std::string(s); }
};

void ParseLines(Parsed& p, std::size_t start) {
    const std::string& t = p.text;
    std::size_t firstNl = t.find('\n', start);
    if (firstNl != std::string::npos) p.eol = (firstNl > start && t[firstNl - 1] == '\r') ? "\r\n" : "\n";
    std::size_t i = start;
    while (i < t.size()) {
        Line l;
        l.begin = i;
        std::size_t nl = t.find('\n', i);
        if (nl == std::string::npos) {
            l.end = l.next = t.size();
        } else {
            l.end = (nl > i && t[nl - 1] == '\r') ? nl - 1 : nl;
            l.next = nl + 1;
        }
        std::string_view content = std::string_view(t).substr(l.begin, l.end - l.begin);
        std::string_view trimmed = Trim(content);
        std::size_t off = l.begin + static_cast<std::size_t>(trimmed.data() - content.data());
        if (!trimmed.empty() && trimmed.front() == '[') {
            std::size_t close = trimmed.find(']');
            if (close != std::string_view::npos) {
                std::string_view name = Trim(trimmed.substr(1, close - 1));
                l.kind = Line::Section;
                l.nameBegin = off + static_cast<std::size_t>(name.data() - trimmed.data());
                l.nameEnd = l.nameBegin + name.size();
            }
        } else if (!trimmed.empty() && trimmed.front() != ';') {
            std::size_t eq = trimmed.find('=');
            if (eq != std::string_view::npos) {
                std::string_view key = Trim(trimmed.substr(0, eq));
                std::string_view value = Trim(trimmed.substr(eq + 1));
                if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
                    value = value.substr(1, value.size() - 2);
                if (!key.empty()) {
                    l.kind = Line::Entry;
                    l.nameBegin = off + static_cast<std::size_t>(key.data() - trimmed.data());
                    l.nameEnd = l.nameBegin + key.size();
                    l.valueBegin = off + static_cast<std::size_t>(value.data() - trimmed.data());
                    l.valueEnd = l.valueBegin + value.size();
                }
            }
        }
        p.lines.push_back(l);
        i = l.next;
    }
}

// Never throws for any bytes.
std::unique_ptr<Parsed> Parse(std::string bytes, bool truncated) {
    auto p = std::make_unique<Parsed>();
    std::size_t start = 0;
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        p->encoding = Encoding::Utf16;
        p->complete = false;
        p->problem = "it is UTF-16 text";
        registry::detail::FromUtf16(std::string_view(bytes).substr(2), p->text);
    } else {
        if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
            p->encoding = Encoding::Utf8;
            start = 3;
        }
        p->text = std::move(bytes);
    }
    if (truncated) {
        p->complete = false;
        p->problem = "it is too large to be a settings file";
    }
    ParseLines(*p, start);
    return p;
}

bool SameName(std::string_view a, std::string_view b) { return registry::detail::SameName(a, b); }

// Index of the first section of that name, or npos.
std::size_t FindSection(const Parsed& p, std::string_view fileName) {
    for (std::size_t i = 0; i < p.lines.size(); ++i)
        if (p.lines[i].kind == Line::Section && SameName(p.Name(p.lines[i]), fileName)) return i;
    return std::string::npos;
}

// One past the section's last line.
std::size_t SectionEnd(const Parsed& p, std::size_t header) {
    std::size_t i = header + 1;
    while (i < p.lines.size() && p.lines[i].kind != Line::Section) ++i;
    return i;
}

std::size_t FindKey(const Parsed& p, std::size_t header, std::string_view fileKey) {
    for (std::size_t i = header + 1, e = SectionEnd(p, header); i < e; ++i)
        if (p.lines[i].kind == Line::Entry && SameName(p.Name(p.lines[i]), fileKey)) return i;
    return std::string::npos;
}

struct CacheEntry {
    files::FileStamp stamp;
    bool racy = false;
    std::unique_ptr<Parsed> parsed; // null: no such file
};

// Never destroyed: settings may be read and written from destructors at exit.
std::mutex& Mutex() {
    static std::mutex* m = new std::mutex;
    return *m;
}

std::map<std::string, CacheEntry>& Cache() {
    static auto* c = new std::map<std::string, CacheEntry>;
    return *c;
}

// The file as it is now, or null when it does not exist or cannot be read.
const Parsed* Load(const std::string& fileName) {
    auto& cache = Cache();
    files::FileStamp now = files::StampOf(fileName);
    auto it = cache.find(fileName);
    if (it != cache.end() && !it->second.racy && it->second.stamp == now) return it->second.parsed.get();
    if (it == cache.end()) {
        if (cache.size() >= 16) cache.clear();
        it = cache.emplace(fileName, CacheEntry{}).first;
    }
    CacheEntry& e = it->second;
    e.parsed.reset();
    e.racy = false;
    e.stamp = now;
    if (!now.exists) return nullptr;
    files::ReadResult r = files::ReadCapped(fileName, kMaxBytes);
    if (r.error != 0) return nullptr;
    e.stamp = r.stamp;
    e.racy = files::TooNewToTrust(r.stamp);
    e.parsed = Parse(std::move(r.bytes), r.truncated);
    return e.parsed.get();
}

bool Lookup(std::string_view section, std::string_view key, const std::string& fileName, std::string& out) {
    const Parsed* p = Load(fileName);
    if (!p) return false;
    std::size_t h = FindSection(*p, p->ToFile(Trim(section)));
    if (h == std::string::npos) return false;
    std::size_t k = FindKey(*p, h, p->ToFile(Trim(key)));
    if (k == std::string::npos) return false;
    out = p->ToMemory(p->RawValue(p->lines[k]));
    return true;
}

bool HasAny(std::string_view s, std::string_view chars) { return s.find_first_of(chars) != std::string_view::npos; }

const std::string_view kBreaks("\r\n\0", 3);

std::string BaseOf(const std::string& path) {
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue, const std::string& fileName) {
    std::lock_guard<std::mutex> g(Mutex());
    std::string out;
    if (Lookup(section, key, fileName, out)) return out;
    while (!defaultValue.empty() && defaultValue.back() == ' ') defaultValue.remove_suffix(1);
    return std::string(defaultValue);
}

std::int32_t GetPrivateProfileInt(std::string_view section, std::string_view key,
                                  std::int32_t defaultValue, const std::string& fileName) {
    std::string text;
    {
        std::lock_guard<std::mutex> g(Mutex());
        if (!Lookup(section, key, fileName, text)) return defaultValue;
    }
    std::string_view s = Trim(text);
    bool negative = false;
    if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    std::uint32_t n = 0;
    for (char c : s) {
        if (c < '0' || c > '9') break;
        n = n * 10u + static_cast<std::uint32_t>(c - '0');
    }
    if (negative) n = 0u - n;
    return static_cast<std::int32_t>(n);
}

namespace {

// Names and values that the file's line structure cannot hold would corrupt other lines.
bool Writable(const ProfileEntry& e) {
    std::string_view sec = Trim(e.section);
    if (sec.empty() || HasAny(sec, kBreaks) || HasAny(sec, "]")) return false;
    if (!e.key) return true;
    std::string_view k = Trim(*e.key);
    if (k.empty() || HasAny(k, kBreaks) || HasAny(k, "=") || k.front() == '[' || k.front() == ';') return false;
    return !e.value || !HasAny(*e.value, kBreaks);
}

// The file's text after one change; the text itself when there is nothing to change.
std::string Edited(const Parsed& p, const ProfileEntry& entry) {
    const std::string& t = p.text;
    const std::string fileSec = p.ToFile(Trim(entry.section));
    const std::size_t h = FindSection(p, fileSec);
    if (!entry.key) {
        if (h == std::string::npos) return t;
        std::size_t end = SectionEnd(p, h);
        std::size_t from = p.lines[h].begin;
        std::size_t to = end < p.lines.size() ? p.lines[end].begin : t.size();
        return t.substr(0, from) + t.substr(to);
    }
    const std::string fileKey = p.ToFile(Trim(*entry.key));
    std::size_t e = h == std::string::npos ? std::string::npos : FindKey(p, h, fileKey);
    if (!entry.value) {
        if (e == std::string::npos) return t;
        return t.substr(0, p.lines[e].begin) + t.substr(p.lines[e].next);
    }
    const std::string fileValue = p.ToFile(*entry.value);
    if (e != std::string::npos) {
        // The key keeps its spelling and indentation; only its value changes.
        const Line& l = p.lines[e];
        std::string line = t.substr(l.begin, l.nameEnd - l.begin) + "=" + fileValue;
        return t.substr(0, l.begin) + line + t.substr(l.end);
    }
    if (h != std::string::npos) {
        std::size_t last = h;
        for (std::size_t i = h + 1, end = SectionEnd(p, h); i < end; ++i)
            if (p.lines[i].kind == Line::Entry) last = i;
        const Line& l = p.lines[last];
        std::string ins = (l.next == l.end ? p.eol : std::string()) + fileKey + "=" + fileValue + p.eol;
        return t.substr(0, l.next) + ins + t.substr(l.next);
    }
    std::string out = t;
    if (!p.lines.empty() && p.lines.back().next == p.lines.back().end) out += p.eol;
    out += "[" + fileSec + "]" + p.eol + fileKey + "=" + fileValue + p.eol;
    return out;
}

// A settings file may sit in a folder that other computers write too, where our lock may
// not reach them: a name of its own for every write, so that two writers can never rename
// each other's half-written file over the settings.
std::string TemporaryName(const std::string& folder, const std::string& base) {
    static std::mt19937_64 random{std::random_device{}()};
    char tag[48];
    std::snprintf(tag, sizeof tag, "%ld-%016llx", static_cast<long>(::getpid()),
                  static_cast<unsigned long long>(random()));
    return folder + "/." + base + "." + tag + ".tmp";
}

} // namespace

bool WritePrivateProfileString(std::string_view section, std::optional<std::string_view> key,
                               std::optional<std::string_view> value, const std::string& fileName) {
    return WritePrivateProfileStrings({{section, key, value}}, fileName);
}

bool WritePrivateProfileStrings(const std::vector<ProfileEntry>& entries, const std::string& fileName) {
    for (const ProfileEntry& e : entries)
        if (!Writable(e)) return false;
    if (fileName.empty()) return false;

    std::lock_guard<std::mutex> g(Mutex());
    const std::string path = files::FollowLinks(fileName);
    const std::string folder = files::FolderOf(path);
    files::FileStamp dir = files::StampOf(folder);
    if (!dir.exists || !files::MayReplace(path)) return false;
    files::FileLock lock;
    if (lock.Acquire(folder + "/." + BaseOf(path) + ".lock") != 0) return false;

    files::ReadResult r = files::ReadCapped(path, kMaxBytes);
    if (r.error != 0 && r.error != ENOENT) {
        files::WarnOnce("ini:" + path + ":read",
                        "profile: " + path + " cannot be read (" + std::strerror(r.error) + "); not rewriting it");
        return false;
    }
    std::unique_ptr<Parsed> p = Parse(std::move(r.bytes), r.truncated);
    if (!p->complete) {
        files::WarnOnce("ini:" + path + ":" + std::to_string(r.stamp.ino) + ":" + std::to_string(r.stamp.mtimeNs),
                        "profile: " + path + " cannot be rewritten safely (" + p->problem +
                            "); leaving it as it is, so nothing stored there is lost");
        return false;
    }
    const std::string before = p->text;
    for (const ProfileEntry& e : entries) {
        std::string out = Edited(*p, e);
        if (out != p->text) p = Parse(std::move(out), false);
    }
    if (p->text == before) return true;
    if (files::ReplaceDurably(path, TemporaryName(folder, BaseOf(path)), p->text, 0666) != 0) return false;
    Cache().erase(fileName);
    Cache().erase(path);
    return true;
}

} // namespace platform::profile
