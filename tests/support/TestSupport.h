// Test helpers shared by every test folder.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

// A fresh folder, removed with everything in it when the object goes.
class TempDir {
public:
    explicit TempDir(const std::string& tag = "t");
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// Sets (or with nullopt, unsets) an environment variable for the lifetime of the guard.
class ScopedEnv {
public:
    ScopedEnv(std::string name, std::optional<std::string> value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

// Works in another folder for the lifetime of the guard.
class ScopedCurrentFolder {
public:
    explicit ScopedCurrentFolder(const std::filesystem::path& folder);
    ~ScopedCurrentFolder();
    ScopedCurrentFolder(const ScopedCurrentFolder&) = delete;
    ScopedCurrentFolder& operator=(const ScopedCurrentFolder&) = delete;

private:
    std::filesystem::path old_;
};

std::string ReadFile(const std::filesystem::path& p);
void WriteFile(const std::filesystem::path& p, const std::string& bytes);

// Where a program stands on PATH (empty when it is on none); whether it is there; what a shell
// command prints (its standard output).
std::string ToolPath(const std::string& program);
bool HaveTool(const std::string& program);
std::string RunTool(const std::string& command);

// Deterministic pseudo-random bytes.
std::vector<std::uint8_t> RandomBytes(std::size_t n, std::uint32_t seed);

} // namespace testsupport
