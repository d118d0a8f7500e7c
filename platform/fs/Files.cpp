#include "platform/fs/Files.h"

#include "platform/base/DateTime.h"
#include "platform/fs/DriveMap.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <filesystem>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <vector>

namespace platform::fs {
namespace {

bool IsSep(char c) { return c == '/' || c == '\\'; }

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    return true;
}

std::string Native(std::string_view path) { return ToNativePath(path); }

std::string EnvFolder(const char* name, const char* fallback) {
    if (const char* v = std::getenv(name); v && *v == '/') {
        std::string s = v;
        while (s.size() > 1 && s.back() == '/') s.pop_back();
        return s;
    }
    return fallback;
}

std::size_t LastSep(std::string_view path) {
    for (std::size_t i = path.size(); i > 0; --i)
        if (IsSep(path[i - 1])) return i - 1;
    return std::string_view::npos;
}

} // namespace

std::string SpecialFolder(int number) {
    switch (number) {
    case csidl::ProgramFiles: return EnvFolder("BREVANT_PROGRAM_FILES", "/opt");
    case csidl::CommonProgramFiles: return EnvFolder("BREVANT_COMMON_FILES", "/usr/local/share");
    default: return {};
    }
}

std::string TempFolder() {
    std::string t = EnvFolder("TMPDIR", "/tmp");
    if (!FolderExists(t)) t = "/tmp";
    if (t.back() != '/') t.push_back('/');
    return t;
}

std::string EnvironmentValue(std::string_view name) {
    const std::string n(name);
    if (const char* v = std::getenv(n.c_str())) return v;
    if (EqualNoCase(name, "TMP") || EqualNoCase(name, "TEMP")) {
        std::string t = TempFolder();
        if (t.size() > 1) t.pop_back();
        return t;
    }
    return {};
}

std::int64_t FileSize64(std::string_view path) {
    struct stat st {};
    const std::string p = Native(path);
    if (p.empty() || ::stat(p.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return -1;
    return static_cast<std::int64_t>(st.st_size);
}

double FileSize(std::string_view path) { return static_cast<double>(FileSize64(path)); }

bool FileExists(std::string_view path) { return FileSize64(path) >= 0; }

bool FolderExists(std::string_view path) {
    struct stat st {};
    const std::string p = Native(path);
    return !p.empty() && ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool CreateFolder(std::string_view path, bool withParents) {
    std::string p = Native(path);
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    if (p.empty()) return false;
    if (FolderExists(p)) return true;
    if (withParents) {
        const std::size_t sep = p.rfind('/');
        if (sep != std::string::npos && sep > 0) CreateFolder(p.substr(0, sep), true);
    }
    ::mkdir(p.c_str(), 0777);
    return FolderExists(p);
}

std::int64_t FreeSpace(std::string_view path) {
    std::string p = Native(path);
    if (p.empty()) p = ".";
    // The nearest folder that exists: the file's own folder, or a parent of a folder that
    // is still to be made.
    for (int guard = 0; guard < 4096; ++guard) {
        struct statvfs vs {};
        if (::statvfs(p.c_str(), &vs) == 0)
            return static_cast<std::int64_t>(vs.f_bavail) * static_cast<std::int64_t>(vs.f_frsize);
        const std::size_t sep = p.rfind('/');
        if (sep == std::string::npos) p = ".";
        else if (sep == 0) {
            if (p == "/") return -1;
            p = "/";
        } else p.resize(sep);
    }
    return -1;
}

std::string FolderPart(std::string_view path, bool withTrailingSeparator) {
    const std::size_t sep = LastSep(path);
    if (sep == std::string_view::npos) return {};
    if (sep == 0) return std::string(path.substr(0, 1)); // the root keeps its separator
    return std::string(path.substr(0, withTrailingSeparator ? sep + 1 : sep));
}

std::string NamePart(std::string_view path) {
    const std::size_t sep = LastSep(path);
    return std::string(sep == std::string_view::npos ? path : path.substr(sep + 1));
}

std::string Extension(std::string_view path) {
    const std::string name = NamePart(path);
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos) return {};
    return name.substr(dot + 1);
}

std::string WithoutExtension(std::string_view path) {
    const std::size_t sep = LastSep(path);
    const std::size_t nameStart = sep == std::string_view::npos ? 0 : sep + 1;
    const std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || dot < nameStart) return std::string(path);
    return std::string(path.substr(0, dot));
}

std::string FullPath(std::string_view path) {
    if (path.empty() || HasDriveLetter(path)) return std::string(path);
    const std::string native = Native(path);
    if (native.front() == '/') return std::string(path);
    std::error_code ec;
    std::string full = std::filesystem::current_path(ec).string();
    if (ec || full.empty()) return std::string(path);
    std::size_t start = 0;
    while (start <= native.size()) {
        std::size_t end = native.find('/', start);
        if (end == std::string::npos) end = native.size();
        const std::string_view part = std::string_view(native).substr(start, end - start);
        if (!part.empty() && part != ".") {
            if (full.back() != '/') full += '/';
            full += part;
        }
        start = end + 1;
    }
    // "dir/" names a folder: it keeps its closing separator.
    if (native.back() == '/' && full.back() != '/') full += '/';
    return full;
}

std::string DisplayForm(std::string_view path, std::size_t maxLength) {
    if (path.size() <= maxLength) return std::string(path);
    // Split into parts, keeping the separators with the parts that follow them.
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (std::size_t i = 1; i <= path.size(); ++i)
        if (i == path.size() || IsSep(path[i])) {
            parts.push_back(path.substr(start, i - start));
            start = i;
        }
    if (parts.size() < 3) return std::string(path);
    const std::string head(parts.front());
    const char sep = IsSep(parts.back().front()) ? parts.back().front() : '/';
    std::string tail(parts.back());
    for (std::size_t k = parts.size() - 1; k-- > 1;) {
        const std::string_view p = parts[k];
        if (head.size() + 1 + 3 + p.size() + tail.size() > maxLength) break;
        tail.insert(0, p);
    }
    return head + sep + "..." + tail;
}

std::string TempFileName(std::string_view extension, std::string_view prefix) {
    std::string ext(extension);
    while (!ext.empty() && ext.front() == '.') ext.erase(ext.begin());
    std::string suffix = ext.empty() ? std::string() : "." + ext;
    std::string name = TempFolder() + std::string(prefix.empty() ? "bvr" : prefix) + "XXXXXX" + suffix;
    std::vector<char> buf(name.begin(), name.end());
    buf.push_back('\0');
    const int fd = ::mkstemps(buf.data(), static_cast<int>(suffix.size()));
    if (fd < 0) return {};
    ::close(fd);
    return std::string(buf.data());
}

std::string FindNoCase(std::string_view folder, std::string_view name) {
    std::string dir = Native(folder);
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    const std::string joined = (dir.empty() ? std::string() : (dir == "/" ? dir : dir + "/")) + std::string(name);
    struct stat st {};
    if (::lstat(joined.c_str(), &st) == 0) return joined;
    DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
    if (!d) return joined;
    std::string best;
    while (const dirent* e = ::readdir(d)) {
        const std::string_view n = e->d_name;
        if (EqualNoCase(n, name) && (best.empty() || n < best)) best = n;
    }
    ::closedir(d);
    if (best.empty()) return joined;
    return (dir.empty() ? std::string() : (dir == "/" ? dir : dir + "/")) + best;
}

std::string ResolveNoCase(std::string_view path) {
    const std::string p = Native(path);
    struct stat st {};
    if (p.empty() || ::lstat(p.c_str(), &st) == 0) return p;
    std::string out = p.front() == '/' ? "/" : "";
    std::size_t i = p.front() == '/' ? 1 : 0;
    bool lost = false; // once a part matches nothing, the rest stays as written
    while (i <= p.size()) {
        std::size_t j = p.find('/', i);
        if (j == std::string::npos) j = p.size();
        const std::string part = p.substr(i, j - i);
        if (!part.empty()) {
            std::string next;
            if (lost) next = (out.empty() || out.back() == '/' ? out : out + "/") + part;
            else {
                next = FindNoCase(out.empty() ? "." : out, part);
                if (out.empty() && next.rfind("./", 0) == 0) next.erase(0, 2);
                if (::lstat(next.c_str(), &st) != 0) lost = true;
            }
            out = next;
        }
        i = j + 1;
    }
    return out;
}

CopyResult CopyFile(std::string_view source, std::string_view target, const std::string& caption,
                    const CopyProgress& progress, int* error) {
    auto fail = [&](int e) {
        if (error) *error = e;
        return CopyResult::Failed;
    };
    if (error) *error = 0;
    const std::string src = Native(source);
    const std::string dst = Native(target);
    const int in = ::open(src.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return fail(errno);
    struct stat st {};
    if (::fstat(in, &st) != 0 || S_ISDIR(st.st_mode)) {
        const int e = S_ISDIR(st.st_mode) ? EISDIR : errno;
        ::close(in);
        return fail(e);
    }
    const std::string folder = FolderPart(dst, true);
    std::string tmpl = folder + "." + NamePart(dst) + ".copy-XXXXXX";
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back('\0');
    const int out = ::mkstemp(buf.data());
    if (out < 0) {
        const int e = errno;
        ::close(in);
        return fail(e);
    }
    const std::string tmp(buf.data());
    auto abandon = [&](int e) {
        ::close(in);
        ::close(out);
        ::unlink(tmp.c_str());
        return e ? fail(e) : CopyResult::Stopped;
    };
    const auto total = static_cast<std::uint64_t>(st.st_size);
    std::uint64_t done = 0;
    if (progress && !progress(caption, 0, total)) return abandon(0);
    std::vector<char> block(1 << 20);
    for (;;) {
        const ssize_t n = ::read(in, block.data(), block.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return abandon(errno);
        }
        if (n == 0) break;
        std::size_t off = 0;
        while (off < static_cast<std::size_t>(n)) {
            const ssize_t w = ::write(out, block.data() + off, static_cast<std::size_t>(n) - off);
            if (w < 0) {
                if (errno == EINTR) continue;
                return abandon(errno);
            }
            off += static_cast<std::size_t>(w);
        }
        done += static_cast<std::uint64_t>(n);
        if (progress && !progress(caption, done, total)) return abandon(0);
    }
    ::fchmod(out, st.st_mode & 07777);
    if (::fsync(out) != 0) return abandon(errno);
    ::close(in);
    if (::close(out) != 0) {
        const int e = errno;
        ::unlink(tmp.c_str());
        return fail(e);
    }
    if (::rename(tmp.c_str(), dst.c_str()) != 0) {
        const int e = errno;
        ::unlink(tmp.c_str());
        return fail(e);
    }
    return CopyResult::Copied;
}

bool DeleteFile(std::string_view path) {
    const std::string p = Native(path);
    if (p.empty()) return false;
    if (::unlink(p.c_str()) == 0) return true;
    return errno == ENOENT;
}

double FileDateTime(std::string_view path) {
    struct stat st {};
    const std::string p = Native(path);
    if (p.empty() || ::stat(p.c_str(), &st) != 0) return 0;
    std::tm tm {};
    const time_t t = st.st_mtim.tv_sec;
    localtime_r(&t, &tm);
    return platform::DateSerial(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday) +
           platform::TimeSerial(tm.tm_hour, tm.tm_min, tm.tm_sec);
}

} // namespace platform::fs
