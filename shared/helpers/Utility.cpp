#include "shared/helpers/Utility.h"

#include <algorithm>

namespace helpers {
namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// The sign may stand in a bare value: only the first one after a name counts.
bool NeedsQuotes(std::string_view v, std::string_view sep) {
    if (!v.empty() && v.front() == '"') return true;
    for (char c : v) {
        auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F || c == '\\') return true;
    }
    if (!sep.empty() && v.find(sep) != std::string_view::npos) return true;
    return false;
}

void AppendQuoted(std::string& out, std::string_view v) {
    static const char kHex[] = "0123456789ABCDEF";
    out.push_back('"');
    for (char c : v) {
        auto b = static_cast<unsigned char>(c);
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (b < 0x20 || b == 0x7F) {
                out += "\\x";
                out.push_back(kHex[b >> 4]);
                out.push_back(kHex[b & 15]);
            } else {
                out.push_back(c);
            }
        }
    }
    out.push_back('"');
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Reads a quoted value starting at list[i] == '"'; leaves i after the closing quote (or at
// the end when the quote is never closed: the rest of the text is the value).
std::string ReadQuoted(std::string_view s, std::size_t& i) {
    std::string out;
    ++i;
    while (i < s.size()) {
        char c = s[i];
        if (c == '"') {
            ++i;
            return out;
        }
        if (c == '\\' && i + 1 < s.size()) {
            char e = s[i + 1];
            i += 2;
            switch (e) {
            case 'n': out.push_back('\n'); break;
            case 'r': out.push_back('\r'); break;
            case 't': out.push_back('\t'); break;
            case 'x': {
                int h = i < s.size() ? HexDigit(s[i]) : -1;
                int l = i + 1 < s.size() ? HexDigit(s[i + 1]) : -1;
                if (h >= 0 && l >= 0) {
                    out.push_back(static_cast<char>(h * 16 + l));
                    i += 2;
                } else {
                    out.push_back('x');
                }
                break;
            }
            default: out.push_back(e); break; // \" \\ and anything unknown: the character
            }
            continue;
        }
        out.push_back(c);
        ++i;
    }
    return out;
}

// Walks the items of a list, calling fn(name, value, begin, end) for each, where the item
// stands at [begin, end) of the list; fn returns false to stop the walk.
template <typename Fn>
void Walk(std::string_view s, std::string_view sign, std::string_view sep, Fn&& fn) {
    if (sign.empty()) sign = "=";
    std::size_t i = 0;
    auto atSep = [&](std::size_t k) {
        return sep.empty() ? (s[k] == ' ') : s.compare(k, sep.size(), sep) == 0;
    };
    const std::size_t sepLen = sep.empty() ? 1 : sep.size();
    while (i < s.size()) {
        while (i < s.size() && atSep(i)) i += sepLen;
        if (i >= s.size()) break;
        // The name runs to the sign; an item without a sign before the next separator is
        // not an item.
        std::size_t nameStart = i;
        std::size_t signPos = std::string_view::npos;
        while (i < s.size() && !atSep(i)) {
            if (s.compare(i, sign.size(), sign) == 0) {
                signPos = i;
                break;
            }
            ++i;
        }
        if (signPos == std::string_view::npos) continue;
        std::string_view name = s.substr(nameStart, signPos - nameStart);
        i = signPos + sign.size();
        std::string value;
        if (i < s.size() && s[i] == '"') {
            value = ReadQuoted(s, i);
            // Anything glued to the closing quote belongs to this item, not to the next.
            while (i < s.size() && !atSep(i)) ++i;
        } else {
            std::size_t start = i;
            while (i < s.size() && !atSep(i)) ++i;
            value.assign(s.substr(start, i - start));
        }
        if (!fn(name, std::move(value), nameStart, i)) return;
    }
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t k = 0; k < a.size(); ++k)
        if (Lower(a[k]) != Lower(b[k])) return false;
    return true;
}

} // namespace

std::string ItemList::FoldName(std::string_view name) {
    std::string out(name);
    for (char& c : out) c = Lower(c);
    return out;
}

std::string ItemList::Append(std::string_view list, std::string_view name, std::string_view value,
                             std::string_view sign, bool isText, std::string_view separator) {
    std::string out(list);
    AppendTo(out, name, value, sign, isText, separator);
    return out;
}

void ItemList::AppendTo(std::string& out, std::string_view name, std::string_view value,
                        std::string_view sign, bool isText, std::string_view separator) {
    if (!out.empty()) out += separator;
    out += name;
    out += sign;
    if (isText || NeedsQuotes(value, separator)) AppendQuoted(out, value);
    else out += value;
}

std::string ItemList::Lookup(std::string_view list, std::string_view name, std::string_view sign,
                             bool /*isText*/, std::string_view separator) {
    std::string found;
    Walk(list, sign, separator, [&](std::string_view n, std::string&& v, std::size_t, std::size_t) {
        if (!SameName(n, name)) return true;
        found = std::move(v);
        return false;
    });
    return found;
}

std::string ItemList::Remove(std::string_view list, std::span<const std::string_view> names, std::string_view sign,
                             std::string_view separator) {
    const std::string_view sep = separator.empty() ? std::string_view(" ") : separator;
    std::string out;
    std::size_t kept = 0; // what of the list is already in `out` or dropped
    Walk(list, sign, separator, [&](std::string_view n, std::string&&, std::size_t begin, std::size_t end) {
        if (std::none_of(names.begin(), names.end(), [&](std::string_view x) { return SameName(n, x); })) return true;
        // The item goes with the separators in front of it; at the start of what is left,
        // with those behind it.
        std::size_t from = begin;
        while (from >= kept + sep.size() && list.compare(from - sep.size(), sep.size(), sep) == 0) from -= sep.size();
        if (out.empty() && from == kept)
            while (list.compare(end, sep.size(), sep) == 0) end += sep.size();
        out.append(list.substr(kept, from - kept));
        kept = end;
        return true;
    });
    out.append(list.substr(kept));
    return out;
}

std::unordered_map<std::string, std::string> ItemList::Parse(std::string_view list,
                                                             std::string_view sign,
                                                             std::string_view separator) {
    std::unordered_map<std::string, std::string> items;
    Walk(list, sign, separator, [&](std::string_view n, std::string&& v, std::size_t, std::size_t) {
        items.try_emplace(FoldName(n), std::move(v));
        return true;
    });
    return items;
}

cUtility& cUtility::Instance() {
    static cUtility instance;
    return instance;
}

std::int32_t cUtility::ClampLong(std::int32_t value, std::int32_t lowest, std::int32_t highest) {
    if (value < lowest) return lowest;
    if (value > highest) return highest;
    return value;
}

double cUtility::ClampDouble(double value, double lowest, double highest) {
    if (value < lowest) return lowest;
    if (value > highest) return highest;
    return value;
}

} // namespace helpers
