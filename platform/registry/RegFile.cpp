#include "platform/registry/RegFile.h"

#include "platform/base/Codepage.h"
#include "platform/registry/Registry.h"

#include <cstdio>
#include <unordered_map>

namespace platform::registry::detail {
namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kHeader4 = "REGEDIT4";

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r'; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Reads one UTF-8 character; U+FFFD and one byte for a malformed sequence.
char32_t NextUtf8(std::string_view s, std::size_t& i) {
    auto b = static_cast<unsigned char>(s[i]);
    int len = b < 0x80 ? 1 : (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 0;
    if (len == 1) {
        ++i;
        return b;
    }
    if (len == 0 || i + static_cast<std::size_t>(len) > s.size()) {
        ++i;
        return 0xFFFD;
    }
    char32_t cp = b & (0x7F >> len);
    for (int k = 1; k < len; ++k) {
        auto c = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
        if ((c & 0xC0) != 0x80) {
            ++i;
            return 0xFFFD;
        }
        cp = (cp << 6) | (c & 0x3F);
    }
    static constexpr char32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return 0xFFFD;
    }
    i += static_cast<std::size_t>(len);
    return cp;
}

void AppendQuoted(std::string& out, std::string_view s) {
    out.push_back('"');
    for (char c : s) {
        if (c == '\\' || c == '"') out.push_back('\\');
        out.push_back(c);
    }
    out.push_back('"');
}

// A quoted text starting at s[pos] == '"'; pos ends after the closing quote.
bool ReadQuoted(std::string_view s, std::size_t& pos, std::string& out) {
    ++pos;
    while (pos < s.size()) {
        char c = s[pos++];
        if (c == '"') return true;
        if (c == '\\' && pos < s.size()) {
            char n = s[pos];
            if (n == '\\' || n == '"') {
                out.push_back(n);
                ++pos;
                continue;
            }
            // A lone backslash, as hand-written files have it, stands for itself.
        }
        out.push_back(c);
    }
    return false;
}

bool ParseHexList(std::string_view s, std::string& out) {
    std::size_t i = 0;
    while (i < s.size()) {
        std::size_t comma = s.find(',', i);
        std::string_view tok = Trim(s.substr(i, comma == std::string_view::npos ? s.npos : comma - i));
        if (tok.empty()) {
            if (comma == std::string_view::npos) break; // trailing comma
            return false;
        }
        if (tok.size() > 2) return false;
        int v = 0;
        for (char c : tok) {
            int d = HexDigit(c);
            if (d < 0) return false;
            v = v * 16 + d;
        }
        out.push_back(static_cast<char>(v));
        if (comma == std::string_view::npos) break;
        i = comma + 1;
    }
    return true;
}

bool IsTextType(std::uint32_t t) { return t == REG_SZ || t == REG_EXPAND_SZ; }

// Text data of a hex(1)/hex(2) value: UTF-16LE (ANSI in REGEDIT4 files) with an optional
// terminating NUL. Anything else stays raw.
void DecodeTextData(Value& v, bool ansi) {
    std::string bytes = std::move(v.data);
    v.data.clear();
    v.raw = false;
    if (ansi) {
        std::string_view b = bytes;
        if (!b.empty() && b.back() == '\0') b.remove_suffix(1);
        if (b.find('\0') == std::string_view::npos) {
            v.data = AnsiToUtf8(b);
            return;
        }
        // Not ANSI text: judged as a 5.00 file would be, so a rewrite reads back the same.
    }
    if (bytes.size() % 2 == 0) {
        std::string_view b = bytes;
        if (b.size() >= 2 && b[b.size() - 1] == '\0' && b[b.size() - 2] == '\0') b.remove_suffix(2);
        bool nul = false;
        for (std::size_t i = 0; i + 1 < b.size(); i += 2)
            if (b[i] == '\0' && b[i + 1] == '\0') nul = true;
        std::string text;
        if (!nul && FromUtf16(b, text)) {
            v.data = std::move(text);
            return;
        }
    }
    v.data = std::move(bytes);
    v.raw = true;
}

void RemoveValue(Key& key, std::string_view name) {
    for (auto it = key.values.begin(); it != key.values.end(); ++it)
        if (SameName(it->name, name)) {
            key.values.erase(it);
            return;
        }
}

std::vector<std::string_view> SplitPath(std::string_view p, bool& emptyPart) {
    std::vector<std::string_view> parts;
    emptyPart = false;
    std::size_t i = 0;
    for (;;) {
        std::size_t j = p.find('\\', i);
        std::string_view part = p.substr(i, j == std::string_view::npos ? p.npos : j - i);
        if (part.empty()) emptyPart = true;
        else parts.push_back(part);
        if (j == std::string_view::npos) break;
        i = j + 1;
    }
    return parts;
}

class Parser {
public:
    Parser(std::string_view rootName, Hive& hive) : rootName_(rootName), hive_(hive) {}

    void Run(std::string_view text) {
        std::vector<std::string_view> lines;
        std::size_t i = 0;
        while (i < text.size()) {
            std::size_t nl = text.find('\n', i);
            if (nl == std::string_view::npos) nl = text.size();
            std::string_view line = text.substr(i, nl - i);
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            lines.push_back(line);
            i = nl + 1;
        }
        bool seenHeader = false;
        for (std::size_t n = 0; n < lines.size(); ++n) {
            std::string decoded;
            std::string_view line = Clean(lines[n], decoded);
            std::string_view t = Trim(line);
            if (t.empty()) continue;
            if (!seenHeader) {
                seenHeader = true;
                if (t == kHeader) continue;
                if (t == kHeader4) {
                    ansi_ = true;
                    continue;
                }
                hive_.Damage("it does not start with \"" + std::string(kHeader) + "\"");
            }
            if (t.front() == ';') continue;
            if (t.front() == '[') {
                Section(t);
                continue;
            }
            if (t.front() == '"' || t.front() == '@') {
                ValueLine(t, lines, n);
                continue;
            }
            hive_.Damage("line " + std::to_string(n + 1) + " is not a key or a value");
        }
    }

    bool ansi_ = false;

private:
    // The line as UTF-8; unreadable lines are marked.
    std::string_view Clean(std::string_view line, std::string& buffer) {
        if (line.find('\0') != std::string_view::npos) {
            hive_.Damage("it holds binary data");
            buffer.assign(line);
            for (char& c : buffer)
                if (c == '\0') c = ' ';
            line = buffer;
        }
        if (ansi_ || !IsValidUtf8(line)) {
            if (!ansi_) hive_.Damage("it is not UTF-8 text");
            buffer = AnsiToUtf8(std::string(line));
            return buffer;
        }
        return line;
    }

    void Section(std::string_view t) {
        current_ = nullptr;
        skipping_ = false;
        std::size_t close = t.rfind(']');
        if (close == std::string_view::npos || close != t.size() - 1) {
            hive_.Damage("a key line is cut short");
            if (close == std::string_view::npos) return;
        }
        std::string_view path = t.substr(1, close - 1);
        bool remove = !path.empty() && path.front() == '-';
        if (remove) path.remove_prefix(1);
        bool emptyPart = false;
        auto parts = SplitPath(path, emptyPart);
        if (emptyPart) hive_.Damage("a key has an empty name");
        if (parts.empty() || !SameName(parts[0], rootName_)) {
            hive_.Damage("it holds keys of another hive");
            skipping_ = true;
            return;
        }
        Key* k = &hive_.root;
        if (remove) {
            for (std::size_t i = 1; i + 1 < parts.size() && k; ++i) k = k->Child(parts[i]);
            if (k && parts.size() > 1) k->children.erase(Fold(parts.back()));
            index_.clear(); // keys may have gone with it
            return;
        }
        for (std::size_t i = 1; i < parts.size(); ++i) k = &k->Ensure(parts[i]);
        current_ = k;
    }

    void ValueLine(std::string_view t, const std::vector<std::string_view>& lines, std::size_t& n) {
        Value v;
        std::size_t pos = 0;
        if (t.front() == '@') {
            pos = 1;
        } else if (!ReadQuoted(t, pos, v.name)) {
            hive_.Damage("a value name is cut short");
            return;
        }
        while (pos < t.size() && IsBlank(t[pos])) ++pos;
        if (pos >= t.size() || t[pos] != '=') {
            hive_.Damage("a value line has no \"=\"");
            return;
        }
        std::string_view data = Trim(t.substr(pos + 1));
        std::string joined;
        if (data.substr(0, 3) == "hex" && !data.empty() && data.back() == '\\') {
            // Long hex data continues on the following lines.
            joined.assign(data);
            while (!joined.empty() && joined.back() == '\\') {
                joined.pop_back();
                if (n + 1 >= lines.size()) {
                    hive_.Damage("hex data is cut short");
                    break;
                }
                std::string buffer;
                joined.append(Trim(Clean(lines[++n], buffer)));
            }
            data = joined;
        }
        if (!current_) {
            if (!skipping_) hive_.Damage("a value lies outside any key");
            return;
        }
        if (data == "-") {
            RemoveValue(*current_, v.name);
            index_.erase(current_);
            return;
        }
        if (!data.empty() && data.front() == '"') {
            std::size_t p = 0;
            if (!ReadQuoted(data, p, v.data) || !Trim(data.substr(p)).empty()) {
                hive_.Damage("a text value is cut short");
                return;
            }
            v.type = REG_SZ;
            SetValue(*current_, std::move(v));
            return;
        }
        if (data.substr(0, 6) == "dword:") {
            std::string_view digits = Trim(data.substr(6));
            if (digits.empty() || digits.size() > 8) {
                hive_.Damage("a dword value is malformed");
                return;
            }
            std::uint32_t x = 0;
            for (char c : digits) {
                int d = HexDigit(c);
                if (d < 0) {
                    hive_.Damage("a dword value is malformed");
                    return;
                }
                x = x * 16 + static_cast<std::uint32_t>(d);
            }
            v.type = REG_DWORD;
            for (int k = 0; k < 4; ++k) v.data.push_back(static_cast<char>((x >> (8 * k)) & 0xFF));
            SetValue(*current_, std::move(v));
            return;
        }
        if (data.substr(0, 3) == "hex") {
            std::string_view rest = data.substr(3);
            v.type = REG_BINARY;
            if (!rest.empty() && rest.front() == '(') {
                std::size_t close = rest.find(')');
                std::string_view num = close == std::string_view::npos ? std::string_view{} : rest.substr(1, close - 1);
                if (num.empty() || num.size() > 8) {
                    hive_.Damage("a hex value type is malformed");
                    return;
                }
                std::uint32_t x = 0;
                for (char c : num) {
                    int d = HexDigit(c);
                    if (d < 0) {
                        hive_.Damage("a hex value type is malformed");
                        return;
                    }
                    x = x * 16 + static_cast<std::uint32_t>(d);
                }
                v.type = x;
                rest = rest.substr(close + 1);
            }
            if (rest.empty() || rest.front() != ':' || !ParseHexList(rest.substr(1), v.data)) {
                hive_.Damage("hex data is malformed");
                return;
            }
            if (IsTextType(v.type)) DecodeTextData(v, ansi_);
            SetValue(*current_, std::move(v));
            return;
        }
        hive_.Damage("a value has data of unknown form");
    }

    // A later line for the same value replaces it, keeping the first spelling of its name.
    // Values are found through an index per key, so a key of thousands of values reads in
    // linear time.
    void SetValue(Key& key, Value v) {
        auto [slot, fresh] = index_.try_emplace(&key);
        auto& byName = slot->second;
        if (fresh)
            for (std::size_t i = 0; i < key.values.size(); ++i) byName.emplace(Fold(key.values[i].name), i);
        auto [it, added] = byName.try_emplace(Fold(v.name), key.values.size());
        if (added) {
            key.values.push_back(std::move(v));
            return;
        }
        Value& old = key.values[it->second];
        std::string name = std::move(old.name);
        old = std::move(v);
        old.name = std::move(name);
    }

    std::string_view rootName_;
    Hive& hive_;
    Key* current_ = nullptr;
    bool skipping_ = false;
    std::unordered_map<const Key*, std::unordered_map<std::string, std::size_t>> index_;
};

void AppendHex(std::string& out, std::string line, std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        char piece[4];
        std::snprintf(piece, sizeof piece, "%02x", static_cast<unsigned char>(bytes[i]));
        std::size_t len = (i + 1 < bytes.size()) ? 3 : 2;
        if (line.size() + len + 1 > 80) {
            out += line;
            out += "\\\r\n";
            line = "  ";
        }
        line.append(piece, 2);
        if (len == 3) line.push_back(',');
    }
    out += line;
    out += "\r\n";
}

void WriteValue(std::string& out, const Value& v) {
    std::string head;
    if (v.name.empty()) head = "@";
    else AppendQuoted(head, v.name);
    head.push_back('=');
    char type[24];
    if (v.type == REG_SZ && !v.raw && v.data.find_first_of("\r\n") == std::string::npos) {
        out += head;
        AppendQuoted(out, v.data);
        out += "\r\n";
    } else if (IsTextType(v.type) && !v.raw) {
        std::snprintf(type, sizeof type, "hex(%x):", static_cast<unsigned>(v.type));
        AppendHex(out, head + type, ToUtf16(v.data) + std::string(2, '\0'));
    } else if (v.type == REG_DWORD && v.data.size() == 4) {
        std::uint32_t x = 0;
        for (int k = 3; k >= 0; --k) x = (x << 8) | static_cast<unsigned char>(v.data[static_cast<std::size_t>(k)]);
        std::snprintf(type, sizeof type, "dword:%08x", static_cast<unsigned>(x));
        out += head + type + "\r\n";
    } else if (v.type == REG_BINARY) {
        AppendHex(out, head + "hex:", v.data);
    } else {
        std::snprintf(type, sizeof type, "hex(%x):", static_cast<unsigned>(v.type));
        AppendHex(out, head + type, v.data);
    }
}

void WriteKey(std::string& out, const Key& key, const std::string& path, bool isRoot) {
    if (!isRoot || !key.values.empty()) {
        out += "[" + path + "]\r\n";
        for (const Value& v : key.values) WriteValue(out, v);
        out += "\r\n";
    }
    for (const auto& [folded, child] : key.children) WriteKey(out, *child, path + "\\" + child->name, false);
}

} // namespace

std::string Fold(std::string_view name) {
    std::string s(name);
    for (char& c : s) c = Lower(c);
    return s;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

Value* Key::FindValue(std::string_view n) {
    for (Value& v : values)
        if (SameName(v.name, n)) return &v;
    return nullptr;
}

const Value* Key::FindValue(std::string_view n) const {
    for (const Value& v : values)
        if (SameName(v.name, n)) return &v;
    return nullptr;
}

Key* Key::Child(std::string_view n) const {
    auto it = children.find(Fold(n));
    return it == children.end() ? nullptr : it->second.get();
}

Key& Key::Ensure(std::string_view n) {
    auto& slot = children[Fold(n)];
    if (!slot) {
        slot = std::make_unique<Key>();
        slot->name.assign(n);
    }
    return *slot;
}

bool Key::SameAs(const Key& o) const {
    if (name != o.name || values != o.values || children.size() != o.children.size()) return false;
    for (auto a = children.begin(), b = o.children.begin(); a != children.end(); ++a, ++b)
        if (a->first != b->first || !a->second->SameAs(*b->second)) return false;
    return true;
}

void Hive::Damage(std::string what) {
    if (clean) problem = std::move(what);
    clean = false;
}

std::string ToUtf16(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size() * 2);
    auto unit = [&out](char32_t u) {
        out.push_back(static_cast<char>(u & 0xFF));
        out.push_back(static_cast<char>((u >> 8) & 0xFF));
    };
    std::size_t i = 0;
    while (i < utf8.size()) {
        char32_t cp = NextUtf8(utf8, i);
        if (cp >= 0x10000) {
            cp -= 0x10000;
            unit(0xD800 + (cp >> 10));
            unit(0xDC00 + (cp & 0x3FF));
        } else {
            unit(cp);
        }
    }
    return out;
}

bool FromUtf16(std::string_view b, std::string& out) {
    bool ok = b.size() % 2 == 0;
    out.reserve(out.size() + b.size() / 2);
    std::size_t n = b.size() / 2;
    auto at = [&b](std::size_t k) {
        return static_cast<char32_t>(static_cast<unsigned char>(b[2 * k]) |
                                     (static_cast<unsigned char>(b[2 * k + 1]) << 8));
    };
    for (std::size_t k = 0; k < n; ++k) {
        char32_t u = at(k);
        if (u >= 0xD800 && u <= 0xDBFF && k + 1 < n && at(k + 1) >= 0xDC00 && at(k + 1) <= 0xDFFF) {
            platform::AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (at(k + 1) - 0xDC00));
            ++k;
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            platform::AppendUtf8(out, 0xFFFD);
            ok = false;
        } else {
            platform::AppendUtf8(out, u);
        }
    }
    return ok;
}

Hive ParseRegText(std::string_view bytes, std::string_view rootName) {
    Hive hive;
    hive.root.name.assign(rootName);
    std::string decoded;
    std::string_view text = bytes;
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        if (!FromUtf16(bytes.substr(2), decoded)) hive.Damage("its UTF-16 text is broken");
        text = decoded;
    } else if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        text = bytes.substr(3);
    }
    Parser p(rootName, hive);
    p.Run(text);
    return hive;
}

std::string WriteRegText(const Key& root, std::string_view rootName) {
    std::string out;
    out += kHeader;
    out += "\r\n\r\n";
    WriteKey(out, root, std::string(rootName), true);
    return out;
}

} // namespace platform::registry::detail
