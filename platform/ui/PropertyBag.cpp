#include "platform/ui/PropertyBag.h"

#include "platform/base/Error.h"
#include "platform/ui/UserControl.h"

#include <cctype>
#include <charconv>
#include <cstdio>

namespace platform::ui {

using platform::component::Ref;
using platform::component::SameName;
using platform::component::Variant;
using Kind = Variant::Kind;

namespace {

StdFont* FontOf(const Variant& v) {
    if (v.kind() != Kind::Object) return nullptr;
    return dynamic_cast<StdFont*>(v.ToObject().get());
}

bool SameValue(const Variant& a, const Variant& b) {
    StdFont* fa = FontOf(a);
    StdFont* fb = FontOf(b);
    if (fa || fb) return fa && fb && fa->SameAs(*fb);
    return a == b;
}

Variant Copy(const Variant& v) {
    if (StdFont* f = FontOf(v)) return Variant(Ref<platform::component::Object>(f->Clone()));
    return v;
}

std::string Quote(const std::string& s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '"':
            out += "\\\"";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20 || c == 0x7F) {
                char buf[5];
                std::snprintf(buf, sizeof buf, "\\x%02X", c);
                out += buf;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out + "\"";
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A quoted text from its opening quote; false when it does not end with a closing quote.
bool Unquote(std::string_view s, std::string& out) {
    out.clear();
    for (std::size_t i = 1; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '"') return i + 1 == s.size();
        if (c != '\\' || i + 1 >= s.size()) {
            out += c;
            continue;
        }
        const char e = s[++i];
        switch (e) {
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case 't':
            out += '\t';
            break;
        case 'x':
            if (i + 2 < s.size() && HexDigit(s[i + 1]) >= 0 && HexDigit(s[i + 2]) >= 0) {
                out += static_cast<char>(HexDigit(s[i + 1]) * 16 + HexDigit(s[i + 2]));
                i += 2;
            } else {
                out += 'x';
            }
            break;
        default:
            out += e;
        }
    }
    return false;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

bool IsName(std::string_view s) {
    if (s.empty() || s.size() > 255) return false;
    for (unsigned char c : s)
        if (!std::isalnum(c) && c != '_') return false;
    return true;
}

// A bare value: True/False, a whole number, a number, or (another program's) bare word.
Variant Bare(std::string_view s) {
    if (SameName(s, "True")) return Variant::Boolean(true);
    if (SameName(s, "False")) return Variant::Boolean(false);
    std::int64_t whole = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), whole);
    if (ec == std::errc() && end == s.data() + s.size()) {
        if (whole >= INT32_MIN && whole <= INT32_MAX)
            return Variant(static_cast<std::int32_t>(whole));
        return Variant(static_cast<double>(whole));
    }
    double d = 0;
    auto [dend, dec] = std::from_chars(s.data(), s.data() + s.size(), d);
    if (dec == std::errc() && dend == s.data() + s.size()) return Variant(d);
    return Variant(std::string(s));
}

std::string BareText(const Variant& v) {
    switch (v.kind()) {
    case Kind::Boolean:
        return v.ToBool() ? "True" : "False";
    case Kind::Int16:
    case Kind::Int32:
        return std::to_string(v.ToInt32());
    case Kind::Single:
    case Kind::Double:
    case Kind::Date: {
        // A fraction keeps its point, so it reads back as a fraction ("-0.0", "8.0").
        char buf[40];
        std::snprintf(buf, sizeof buf, v.kind() == Kind::Single ? "%.9g" : "%.17g", v.ToDouble());
        std::string out = buf;
        if (out.find_first_of(".eEnNiI") == std::string::npos) out += ".0";
        return out;
    }
    default:
        return Quote(v.ToText());
    }
}

void Note(std::vector<std::string>* problems, std::size_t line, const std::string& what) {
    if (problems && problems->size() < 1000)
        problems->push_back("line " + std::to_string(line) + ": " + what);
}

struct Lines {
    std::string_view text;
    std::size_t pos = 0, number = 0;
    bool Next(std::string_view& line) {
        if (pos >= text.size()) return false;
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        line = Trim(text.substr(pos, end - pos));
        pos = end + 1;
        ++number;
        return true;
    }
};

bool SplitValue(std::string_view line, std::string_view& name, std::string_view& value) {
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) return false;
    name = Trim(line.substr(0, eq));
    value = Trim(line.substr(eq + 1));
    return IsName(name);
}

bool ParseValue(std::string_view text, Variant& out) {
    if (!text.empty() && text.front() == '"') {
        std::string s;
        if (!Unquote(text, s)) return false;
        out = Variant(std::move(s));
        return true;
    }
    if (text.empty()) return false;
    out = Bare(text);
    return true;
}

bool BeginsBlock(std::string_view line, std::string_view& name) {
    constexpr std::string_view kBegin = "BeginProperty";
    if (line.size() <= kBegin.size() || !SameName(line.substr(0, kBegin.size()), kBegin))
        return false;
    if (line[kBegin.size()] != ' ' && line[kBegin.size()] != '\t') return false;
    name = Trim(line.substr(kBegin.size()));
    return IsName(name);
}

bool EndsBlock(std::string_view line) {
    return SameName(line, "EndProperty");
}

// A font block's fields; false when one is missing its value or has the wrong type. Reads
// up to the block's EndProperty (nested blocks skipped) whatever it finds.
bool ReadFont(Lines& lines, StdFont& font, std::vector<std::string>* problems) {
    bool good = true;
    int depth = 0;
    std::string_view line, name, value;
    while (lines.Next(line)) {
        if (EndsBlock(line)) {
            if (depth == 0) return good;
            --depth;
            continue;
        }
        if (BeginsBlock(line, name)) {
            ++depth;
            good = false;
            continue;
        }
        if (depth > 0 || line.empty()) continue;
        Variant v;
        if (!SplitValue(line, name, value) || !ParseValue(value, v)) {
            Note(problems, lines.number, "not a font value");
            good = false;
            continue;
        }
        try {
            if (SameName(name, "Name"))
                font.Name = v.ToText();
            else if (SameName(name, "Size"))
                font.Size = v.ToDouble();
            else if (SameName(name, "Weight"))
                font.Weight = v.ToInt16();
            else if (SameName(name, "Charset"))
                font.Charset = v.ToInt16();
            else if (SameName(name, "Italic"))
                font.Italic = v.ToBool();
            else if (SameName(name, "Underline"))
                font.Underline = v.ToBool();
            else if (SameName(name, "Strikethrough"))
                font.Strikethrough = v.ToBool();
            else
                Note(problems, lines.number, "unknown font value " + std::string(name));
        } catch (const RuntimeError&) {
            Note(problems, lines.number, "font value " + std::string(name) + " of the wrong type");
            good = false;
        }
    }
    Note(problems, lines.number, "font block without EndProperty");
    return false;
}

} // namespace

const Variant* PropertyBag::Find(std::string_view name) const {
    for (const auto& [n, v] : values_)
        if (SameName(n, name)) return &v;
    return nullptr;
}

bool PropertyBag::Contains(std::string_view name) const {
    return Find(name) != nullptr;
}

std::vector<std::string> PropertyBag::Names() const {
    std::vector<std::string> names;
    for (const auto& nv : values_)
        names.push_back(nv.first);
    return names;
}

Variant PropertyBag::ReadProperty(std::string_view name, const Variant& defaultValue) const {
    const Variant* stored = Find(name);
    if (!stored) return defaultValue;
    if (FontOf(defaultValue)) {
        if (!FontOf(*stored)) Raise(err::TypeMismatch);
        return Copy(*stored);
    }
    if (defaultValue.IsEmpty()) return Copy(*stored);
    if (stored->kind() == Kind::Object || stored->kind() == Kind::Record) Raise(err::TypeMismatch);
    return stored->ConvertTo(defaultValue.kind());
}

void PropertyBag::WriteProperty(std::string_view name, const Variant& value,
                                const Variant& defaultValue) {
    if (!IsName(name)) Raise(err::InvalidCall);
    if (value.kind() == Kind::Record ||
        (value.kind() == Kind::Object && !FontOf(value) && value.ToObject().get() != nullptr))
        Raise(err::TypeMismatch);
    auto it = values_.begin();
    while (it != values_.end() && !SameName(it->first, name))
        ++it;
    if (SameValue(value, defaultValue)) {
        if (it != values_.end()) values_.erase(it);
        return;
    }
    if (it != values_.end())
        it->second = Copy(value);
    else
        values_.emplace_back(std::string(name), Copy(value));
}

std::string PropertyBag::ToText() const {
    std::string out;
    for (const auto& [name, v] : values_) {
        if (StdFont* f = FontOf(v)) {
            out += "BeginProperty " + name + "\n";
            out += "    Name = " + Quote(f->Name) + "\n";
            out += "    Size = " + BareText(Variant(f->Size)) + "\n";
            out += "    Weight = " + std::to_string(f->Weight) + "\n";
            out += "    Charset = " + std::to_string(f->Charset) + "\n";
            out += std::string("    Italic = ") + (f->Italic ? "True" : "False") + "\n";
            out += std::string("    Underline = ") + (f->Underline ? "True" : "False") + "\n";
            out +=
                std::string("    Strikethrough = ") + (f->Strikethrough ? "True" : "False") + "\n";
            out += "EndProperty\n";
        } else if (v.kind() == Kind::Object || v.IsEmpty()) {
            // Nothing (a cleared object) or Empty: written as an empty text.
            out += name + " = \"\"\n";
        } else {
            out += name + " = " + BareText(v) + "\n";
        }
    }
    return out;
}

PropertyBag PropertyBag::FromText(std::string_view text, std::vector<std::string>* problems) {
    PropertyBag bag;
    Lines lines{text};
    std::string_view line, name, value;
    auto add = [&](std::string_view n, Variant v) {
        if (bag.Find(n)) {
            Note(problems, lines.number, "second value of " + std::string(n) + " ignored");
            return;
        }
        bag.values_.emplace_back(std::string(n), std::move(v));
    };
    while (lines.Next(line)) {
        if (line.empty()) continue;
        if (BeginsBlock(line, name)) {
            const std::string blockName(name);
            Ref<StdFont> font = StdFont::New();
            const bool good = ReadFont(lines, *font, problems);
            if (good)
                add(blockName, Variant(Ref<platform::component::Object>(font)));
            else
                add(blockName, Variant(std::string("(broken font)")));
            continue;
        }
        Variant v;
        if (!SplitValue(line, name, value) || !ParseValue(value, v)) {
            Note(problems, lines.number, "not a property value");
            continue;
        }
        add(name, std::move(v));
    }
    return bag;
}

} // namespace platform::ui
