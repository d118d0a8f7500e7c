// The ".reg" text form of one hive: the in-memory tree, its reader and its writer.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform::registry::detail {

// ASCII case folding, as names compare.
std::string Fold(std::string_view name);
bool SameName(std::string_view a, std::string_view b);

struct Value {
    std::string name;         // as created; empty is the default value
    std::uint32_t type = 0;
    // REG_SZ / REG_EXPAND_SZ: the UTF-8 text without NUL, unless `raw`; anything else: bytes.
    std::string data;
    // Text-typed data kept byte for byte because it is not plain text (an embedded NUL, odd
    // length, broken UTF-16), so that rewriting the hive changes nothing.
    bool raw = false;
    bool operator==(const Value&) const = default;
};

struct Key {
    std::string name; // as created
    std::vector<Value> values;
    std::map<std::string, std::unique_ptr<Key>> children; // by folded name

    Value* FindValue(std::string_view name);
    const Value* FindValue(std::string_view name) const;
    Key* Child(std::string_view name) const;
    // The child, created when missing.
    Key& Ensure(std::string_view name);
    bool SameAs(const Key& other) const; // deep comparison
};

struct Hive {
    Key root;
    bool clean = true;    // every byte was understood
    std::string problem;  // what was not, for the message (first problem only)
    void Damage(std::string what);
};

// Reads a hive file's bytes (UTF-8, UTF-16LE with BOM, or "REGEDIT4" ANSI). `rootName` is
// the hive's name as sections start ("HKEY_CURRENT_USER"); sections of other hives are
// skipped and make the result unclean. Never throws for any input.
Hive ParseRegText(std::string_view bytes, std::string_view rootName);

// The file form of a tree: UTF-8, CRLF lines, keys sorted without regard to case.
std::string WriteRegText(const Key& root, std::string_view rootName);

// UTF-8 <-> UTF-16LE bytes. FromUtf16 reports false for an odd length or broken surrogates.
std::string ToUtf16(std::string_view utf8);
bool FromUtf16(std::string_view bytes, std::string& utf8);

} // namespace platform::registry::detail
