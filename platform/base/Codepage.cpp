#include "platform/base/Codepage.h"

#include <cstdint>

namespace platform {
namespace {

// Code points of bytes 0x80..0x9F; the rest of the page equals Latin-1.
constexpr char32_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};


// Decodes one UTF-8 sequence at s[i]; returns the code point and advances i, or returns
// U+FFFF... as invalid (advancing one byte).
bool DecodeUtf8(std::string_view s, std::size_t& i, char32_t& cp) {
    auto b = static_cast<unsigned char>(s[i]);
    int len;
    char32_t min;
    if (b < 0x80) {
        cp = b;
        ++i;
        return true;
    } else if ((b & 0xE0) == 0xC0) {
        len = 2; cp = b & 0x1F; min = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
        len = 3; cp = b & 0x0F; min = 0x800;
    } else if ((b & 0xF8) == 0xF0) {
        len = 4; cp = b & 0x07; min = 0x10000;
    } else {
        ++i;
        return false;
    }
    if (i + static_cast<std::size_t>(len) > s.size()) {
        ++i;
        return false;
    }
    for (int k = 1; k < len; ++k) {
        auto c = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
        if ((c & 0xC0) != 0x80) {
            ++i;
            return false;
        }
        cp = (cp << 6) | (c & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return false;
    }
    i += static_cast<std::size_t>(len);
    return true;
}

} // namespace

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

std::string Utf8ToAnsi(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        char32_t cp;
        if (!DecodeUtf8(s, i, cp)) {
            out.push_back('?');
            continue;
        }
        if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
            out.push_back(static_cast<char>(cp));
            continue;
        }
        char byte = '?';
        for (int k = 0; k < 32; ++k)
            if (kHigh[k] == cp) byte = static_cast<char>(0x80 + k);
        out.push_back(byte);
    }
    return out;
}

std::string AnsiToUtf8(std::string_view s) {
    std::string out;
    out.reserve(s.size() + s.size() / 8);
    for (char ch : s) {
        auto b = static_cast<unsigned char>(ch);
        if (b < 0x80) out.push_back(ch);
        else if (b < 0xA0) AppendUtf8(out, kHigh[b - 0x80]);
        else AppendUtf8(out, b);
    }
    return out;
}

bool IsValidUtf8(std::string_view s) {
    std::size_t i = 0;
    char32_t cp;
    while (i < s.size())
        if (!DecodeUtf8(s, i, cp)) return false;
    return true;
}

} // namespace platform
