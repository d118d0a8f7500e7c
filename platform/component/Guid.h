// 128-bit identifiers of classes, interfaces, records and type libraries, written
// "{8-4-4-4-12}" in hexadecimal. Constants are parsed at compile time from their text, so
// each identifier is written once, as text.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace platform::component {

struct Guid {
    std::uint32_t data1 = 0;
    std::uint16_t data2 = 0;
    std::uint16_t data3 = 0;
    std::array<std::uint8_t, 8> data4{};

    bool operator==(const Guid&) const = default;
    bool IsNull() const { return *this == Guid{}; }

    // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper case.
    std::string ToString() const;

    // Reads the form above; braces are optional, hexadecimal digits of either case.
    static constexpr std::optional<Guid> Parse(std::string_view text);
    // For constants: a malformed literal fails to compile.
    static consteval Guid Of(std::string_view text) {
        auto g = Parse(text);
        if (!g) throw std::invalid_argument("malformed guid");
        return *g;
    }
};

constexpr std::optional<Guid> Guid::Parse(std::string_view s) {
    if (s.size() == 38 && s.front() == '{' && s.back() == '}') s = s.substr(1, 36);
    if (s.size() != 36 || s[8] != '-' || s[13] != '-' || s[18] != '-' || s[23] != '-')
        return std::nullopt;
    auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    std::uint8_t bytes[16]{};
    int n = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (i == 8 || i == 13 || i == 18 || i == 23) continue;
        int hi = hex(s[i]), lo = hex(s[i + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        bytes[n++] = static_cast<std::uint8_t>(hi * 16 + lo);
        ++i;
    }
    Guid g;
    g.data1 = (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
              (std::uint32_t{bytes[2]} << 8) | bytes[3];
    g.data2 = static_cast<std::uint16_t>((bytes[4] << 8) | bytes[5]);
    g.data3 = static_cast<std::uint16_t>((bytes[6] << 8) | bytes[7]);
    for (int i = 0; i < 8; ++i)
        g.data4[static_cast<std::size_t>(i)] = bytes[8 + i];
    return g;
}

// Every object answers these two with itself.
inline constexpr Guid IID_IUnknown = Guid::Of("{00000000-0000-0000-C000-000000000046}");
inline constexpr Guid IID_IDispatch = Guid::Of("{00020400-0000-0000-C000-000000000046}");

} // namespace platform::component
