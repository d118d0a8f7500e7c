// The ANSI code page of the files the system shares with other programs: Windows-1252.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// UTF-8 to Windows-1252; a character the code page cannot hold, and every byte of a
// malformed UTF-8 sequence, becomes "?".
std::string Utf8ToAnsi(std::string_view utf8);

// Windows-1252 to UTF-8. The five bytes the code page leaves undefined (81 8D 8F 90 9D)
// map to the control characters of the same number, so every byte comes back unchanged.
std::string AnsiToUtf8(std::string_view ansi);

// Appends one code point as UTF-8.
void AppendUtf8(std::string& out, char32_t codePoint);

// Whether a text is well-formed UTF-8.
bool IsValidUtf8(std::string_view text);

} // namespace platform
