#include "support/TestSupport.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <stdexcept>

#include <unistd.h>

namespace testsupport {

TempDir::TempDir(const std::string& tag) {
    const char* base = std::getenv("BVR_TEST_TMP");
    std::filesystem::path root = base && *base ? base : std::filesystem::temp_directory_path();
    std::filesystem::create_directories(root);
    std::string tmpl = (root / (tag + "-XXXXXX")).string();
    if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed for " + tmpl);
    path_ = tmpl;
}

TempDir::~TempDir() {
    std::error_code ec;
    // Make read-only children removable first.
    for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
}

ScopedEnv::ScopedEnv(std::string name, std::optional<std::string> value) : name_(std::move(name)) {
    if (const char* v = std::getenv(name_.c_str())) old_ = v;
    if (value) setenv(name_.c_str(), value->c_str(), 1);
    else unsetenv(name_.c_str());
}

ScopedEnv::~ScopedEnv() {
    if (old_) setenv(name_.c_str(), old_->c_str(), 1);
    else unsetenv(name_.c_str());
}

ScopedCurrentFolder::ScopedCurrentFolder(const std::filesystem::path& folder)
    : old_(std::filesystem::current_path()) {
    std::filesystem::current_path(folder);
}

ScopedCurrentFolder::~ScopedCurrentFolder() {
    std::error_code ec;
    std::filesystem::current_path(old_, ec);
}

std::string ReadFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void WriteFile(const std::filesystem::path& p, const std::string& bytes) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> RandomBytes(std::size_t n, std::uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<std::uint8_t> v(n);
    for (auto& b : v) b = static_cast<std::uint8_t>(rng());
    return v;
}

std::string ToolPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "/usr/bin:/bin");
    for (std::string dir; std::getline(dirs, dir, ':');) {
        const std::filesystem::path p = std::filesystem::path(dir) / program;
        if (!dir.empty() && ::access(p.c_str(), X_OK) == 0) return p.string();
    }
    return {};
}

bool HaveTool(const std::string& program) {
    return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
}

std::string RunTool(const std::string& command) {
    std::string out;
    std::unique_ptr<FILE, int (*)(FILE*)> p(::popen(command.c_str(), "r"), ::pclose);
    if (!p) return out;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p.get())) > 0) out.append(buf, n);
    return out;
}

} // namespace testsupport
