#include "platform/ui/Rtf.h"

#include "platform/base/Codepage.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <map>

namespace platform::ui::rtf {
namespace {

void AppendUtf8(std::string& out, std::uint32_t cp) {
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Decodes one code point at i (advancing it); malformed bytes give U+FFFD one byte at a time.
std::uint32_t NextCodePoint(std::string_view s, std::size_t& i) {
    auto b = static_cast<unsigned char>(s[i++]);
    if (b < 0x80) return b;
    int len = b >= 0xF0 && b < 0xF5 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 && b < 0xE0 ? 2 : 0;
    if (len == 0 || i + static_cast<std::size_t>(len - 1) > s.size()) return 0xFFFD;
    std::uint32_t cp = b & (0x7F >> len);
    for (int k = 1; k < len; ++k) {
        auto c = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k - 1)]);
        if ((c & 0xC0) != 0x80) return 0xFFFD;
        cp = (cp << 6) | (c & 0x3F);
    }
    i += static_cast<std::size_t>(len - 1);
    if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF))
        return 0xFFFD;
    return cp;
}

enum class Dest { Text, FontTable, ColourTable, Skip };

struct State {
    Dest dest = Dest::Text;
    int font = -1;
    int halfPoints = 24;
    bool bold = false, italic = false, underline = false;
    int colour = 0;
    int uc = 1;
};

// Destinations that hold no text of the document even without \*.
bool IsSkippedDestination(std::string_view w) {
    static constexpr std::array<std::string_view, 34> names{
        "stylesheet", "info", "pict", "object", "header", "headerl", "headerr", "headerf",
        "footer", "footerl", "footerr", "footerf", "footnote", "listtable", "listoverridetable",
        "rsidtbl", "xmlnstbl", "themedata", "colorschememapping", "latentstyles", "datastore",
        "generator", "filetbl", "revtbl", "pgdsctbl", "private", "fldinst", "bkmkstart",
        "bkmkend", "falt", "panose", "author", "operator", "title"};
    return std::find(names.begin(), names.end(), w) != names.end();
}

class Reader {
public:
    explicit Reader(std::string_view in) : in_(in) {}

    Document Run() {
        // Skip to the opening brace; LooksLikeRtf has checked it is there.
        while (pos_ < in_.size() && in_[pos_] != '{') ++pos_;
        while (pos_ < in_.size()) {
            char c = in_[pos_++];
            if (tooDeep_ > 0) {
                SkipTooDeep(c);
                continue;
            }
            if (c == '{') {
                if (stack_.size() >= kMaxDepth) {
                    tooDeep_ = 1;
                    continue;
                }
                stack_.push_back(cur_);
                groupStart_ = true;
                continue;
            }
            if (c == '}') {
                if (stack_.empty()) break;
                EndGroup();
                if (stack_.empty()) break; // the document's own group is closed
                continue;
            }
            bool atGroupStart = groupStart_;
            groupStart_ = false;
            if (c == '\\') {
                ControlWord(atGroupStart);
                continue;
            }
            if (c == '\r' || c == '\n' || c == '\0') continue;
            TextByte(static_cast<unsigned char>(c));
        }
        if (!para_.runs.empty() || doc_.paragraphs.empty()) doc_.paragraphs.push_back(para_);
        for (auto& p : doc_.paragraphs)
            for (auto& r : p.runs)
                if (r.font.empty() && fonts_.count(deff_)) r.font = fonts_[deff_];
        return std::move(doc_);
    }

private:
    // Groups nested deeper than any editor writes are skipped whole: a file of nothing but
    // opening braces must not cost memory in proportion to its size.
    static constexpr std::size_t kMaxDepth = 1000;

    void SkipTooDeep(char c) {
        if (c == '\\') {
            if (pos_ < in_.size()) ++pos_; // an escaped brace counts for nothing
        } else if (c == '{') {
            ++tooDeep_;
        } else if (c == '}') {
            --tooDeep_;
        }
    }

    void EndGroup() {
        if (cur_.dest == Dest::FontTable && !fontName_.empty()) FinishFont();
        skip_ = 0; // a group's end also ends a \u's fallback: what follows is text again
        cur_ = stack_.back();
        stack_.pop_back();
    }

    bool ReadNumber(bool& has, long& value) {
        bool neg = false;
        if (pos_ < in_.size() && in_[pos_] == '-' && pos_ + 1 < in_.size() &&
            std::isdigit(static_cast<unsigned char>(in_[pos_ + 1]))) {
            neg = true;
            ++pos_;
        }
        long v = 0;
        int digits = 0;
        while (pos_ < in_.size() && std::isdigit(static_cast<unsigned char>(in_[pos_]))) {
            if (digits < 10) v = v * 10 + (in_[pos_] - '0');
            ++digits;
            ++pos_;
        }
        has = digits > 0;
        v = std::min(v, 2147483647L);
        value = neg ? -v : v;
        return has;
    }

    void ControlWord(bool atGroupStart) {
        if (pos_ >= in_.size()) return;
        char c = in_[pos_];
        if (!std::isalpha(static_cast<unsigned char>(c))) {
            ++pos_;
            ControlSymbol(c, atGroupStart);
            return;
        }
        std::size_t start = pos_;
        while (pos_ < in_.size() && std::isalpha(static_cast<unsigned char>(in_[pos_])) &&
               pos_ - start < 32)
            ++pos_;
        std::string_view word = in_.substr(start, pos_ - start);
        bool has = false;
        long n = 0;
        ReadNumber(has, n);
        if (pos_ < in_.size() && in_[pos_] == ' ') ++pos_;
        Word(word, has, n, atGroupStart);
    }

    void ControlSymbol(char c, bool /*atGroupStart*/) {
        switch (c) {
        case '*': // an optional destination: skipped unless we know it, and we know none
            cur_.dest = Dest::Skip;
            return;
        case '\'': {
            int v = 0;
            int got = 0;
            while (got < 2 && pos_ < in_.size() &&
                   std::isxdigit(static_cast<unsigned char>(in_[pos_]))) {
                char h = in_[pos_++];
                v = v * 16 + (std::isdigit(static_cast<unsigned char>(h))
                                  ? h - '0'
                                  : std::tolower(static_cast<unsigned char>(h)) - 'a' + 10);
                ++got;
            }
            if (got > 0) TextByte(static_cast<unsigned char>(v), true);
            return;
        }
        case '\\': case '{': case '}': TextByte(static_cast<unsigned char>(c), true); return;
        case '~': Emit(0xA0); return;
        case '_': Emit(0x2011); return;
        case '-': return; // optional hyphen
        case '\r': case '\n': Word("par", false, 0, false); return;
        case '\t': Emit('\t'); return;
        default: return;
        }
    }

    void Word(std::string_view w, bool has, long n, bool atGroupStart) {
        int v = static_cast<int>(std::clamp(n, -2147483647L, 2147483647L));
        if (cur_.dest == Dest::Skip) {
            if (w == "bin" && has && n > 0) SkipBinary(n);
            return;
        }
        if (atGroupStart && IsSkippedDestination(w)) {
            cur_.dest = Dest::Skip;
            return;
        }
        if (w == "bin") {
            if (has && n > 0) SkipBinary(n);
            return;
        }
        if (w == "fonttbl") { cur_.dest = Dest::FontTable; return; }
        if (w == "colortbl") { cur_.dest = Dest::ColourTable; colourPending_ = false; return; }
        if (cur_.dest == Dest::FontTable) {
            if (w == "f" && has) { fontNum_ = v; fontName_.clear(); }
            return;
        }
        if (cur_.dest == Dest::ColourTable) {
            int c = std::clamp(v, 0, 255);
            if (w == "red") { rgb_ = (rgb_ & 0x00FFFF) | (static_cast<std::uint32_t>(c) << 16); colourPending_ = true; }
            else if (w == "green") { rgb_ = (rgb_ & 0xFF00FF) | (static_cast<std::uint32_t>(c) << 8); colourPending_ = true; }
            else if (w == "blue") { rgb_ = (rgb_ & 0xFFFF00) | static_cast<std::uint32_t>(c); colourPending_ = true; }
            return;
        }
        if (w == "par" || w == "page" || w == "sect" || w == "row") { EndParagraph(); return; }
        if (w == "pard") { align_ = Align::Left; return; }
        if (w == "ql") { align_ = Align::Left; return; }
        if (w == "qc") { align_ = Align::Centre; return; }
        if (w == "qr") { align_ = Align::Right; return; }
        if (w == "qj") { align_ = Align::Justify; return; }
        if (w == "plain") {
            int uc = cur_.uc;
            Dest d = cur_.dest;
            cur_ = State{};
            cur_.uc = uc;
            cur_.dest = d;
            return;
        }
        if (w == "b") { cur_.bold = !has || v != 0; return; }
        if (w == "i") { cur_.italic = !has || v != 0; return; }
        if (w == "ul") { cur_.underline = !has || v != 0; return; }
        if (w == "ulnone") { cur_.underline = false; return; }
        if (w == "f") { if (has) cur_.font = v; return; }
        if (w == "deff") { if (has) deff_ = v; return; }
        if (w == "fs") { if (has && v > 0) cur_.halfPoints = std::min(v, 3276); return; }
        if (w == "cf") { if (has) cur_.colour = v; return; }
        if (w == "uc") { if (has) cur_.uc = std::clamp(v, 0, 10); return; }
        if (w == "u" && has) {
            long u = n;
            if (u < 0) u += 65536;
            if (u < 0 || u > 0xFFFF) u = 0xFFFD;
            Unicode(static_cast<std::uint32_t>(u));
            skip_ = cur_.uc;
            return;
        }
        if (w == "tab" || w == "cell") { Emit('\t'); return; }
        if (w == "line") { Emit('\n'); return; }
        if (w == "emdash") { Emit(0x2014); return; }
        if (w == "endash") { Emit(0x2013); return; }
        if (w == "bullet") { Emit(0x2022); return; }
        if (w == "lquote") { Emit(0x2018); return; }
        if (w == "rquote") { Emit(0x2019); return; }
        if (w == "ldblquote") { Emit(0x201C); return; }
        if (w == "rdblquote") { Emit(0x201D); return; }
        if (w == "emspace") { Emit(0x2003); return; }
        if (w == "enspace") { Emit(0x2002); return; }
        // Every other word (and every destination we do not know) changes nothing we keep.
    }

    void SkipBinary(long n) {
        auto left = static_cast<long>(in_.size() - pos_);
        pos_ += static_cast<std::size_t>(std::min(n, left));
    }

    // A fallback character after \uN stands in for it; skip it instead of showing it.
    bool SkipFallback() {
        if (skip_ > 0) {
            --skip_;
            return true;
        }
        return false;
    }

    void TextByte(unsigned char b, bool escaped = false) {
        if (cur_.dest == Dest::Skip) return;
        if (SkipFallback()) return;
        if (cur_.dest == Dest::FontTable) {
            if (b == ';') FinishFont();
            else fontName_ += static_cast<char>(b);
            return;
        }
        if (cur_.dest == Dest::ColourTable) {
            if (b == ';') {
                colours_.push_back(colourPending_ ? std::optional<std::uint32_t>(rgb_) : std::nullopt);
                rgb_ = 0;
                colourPending_ = false;
            }
            return;
        }
        if (!escaped && b == '\t') { Emit('\t'); return; }
        if (b < 0x20) return;
        std::string u = AnsiToUtf8(std::string_view(reinterpret_cast<const char*>(&b), 1));
        std::size_t i = 0;
        Emit(NextCodePoint(u, i));
    }

    void FinishFont() {
        std::string name = fontName_;
        auto notBlank = [](unsigned char ch) { return !std::isspace(ch); };
        name.erase(name.begin(), std::find_if(name.begin(), name.end(), notBlank));
        name.erase(std::find_if(name.rbegin(), name.rend(), notBlank).base(), name.end());
        if (fontNum_ >= 0 && !fonts_.count(fontNum_)) fonts_[fontNum_] = AnsiToUtf8(name);
        fontName_.clear();
    }

    void Unicode(std::uint32_t u) {
        if (u >= 0xD800 && u <= 0xDBFF) { high_ = u; return; }
        if (u >= 0xDC00 && u <= 0xDFFF && high_) {
            std::uint32_t cp = 0x10000 + ((high_ - 0xD800) << 10) + (u - 0xDC00);
            high_ = 0;
            Emit(cp);
            return;
        }
        high_ = 0;
        Emit(u);
    }

    void Emit(std::uint32_t cp) {
        if (cur_.dest != Dest::Text) return;
        if (high_) { high_ = 0; AppendText(0xFFFD); }
        AppendText(cp);
    }

    void AppendText(std::uint32_t cp) {
        if (cp < 0x20 && cp != '\t' && cp != '\n') return; // control characters are no text
        // The common case: same state as the run being written.
        RunKey key{cur_.font, cur_.halfPoints, cur_.colour, cur_.bold, cur_.italic, cur_.underline};
        if (para_.runs.empty() || !(key == runKey_)) {
            rtf::Run r;
            auto f = fonts_.find(cur_.font < 0 ? deff_ : cur_.font);
            if (f != fonts_.end()) r.font = f->second;
            r.halfPoints = cur_.halfPoints;
            r.bold = cur_.bold;
            r.italic = cur_.italic;
            r.underline = cur_.underline;
            if (cur_.colour > 0 && static_cast<std::size_t>(cur_.colour) < colours_.size())
                r.colour = colours_[static_cast<std::size_t>(cur_.colour)];
            if (para_.runs.empty() || !SameFormat(para_.runs.back(), r)) para_.runs.push_back(std::move(r));
            runKey_ = key;
        }
        AppendUtf8(para_.runs.back().text, cp);
    }

    struct RunKey {
        int font = 0, halfPoints = 0, colour = 0;
        bool bold = false, italic = false, underline = false;
        bool operator==(const RunKey&) const = default;
    };
    RunKey runKey_;

    static bool SameFormat(const rtf::Run& a, const rtf::Run& b) {
        return a.font == b.font && a.halfPoints == b.halfPoints && a.bold == b.bold &&
               a.italic == b.italic && a.underline == b.underline && a.colour == b.colour;
    }

    void EndParagraph() {
        if (cur_.dest != Dest::Text) return;
        para_.align = align_;
        doc_.paragraphs.push_back(std::move(para_));
        para_ = Paragraph{};
    }

    std::string_view in_;
    std::size_t pos_ = 0;
    std::size_t tooDeep_ = 0; // open groups beyond kMaxDepth
    std::vector<State> stack_;
    State cur_;
    bool groupStart_ = false;
    Align align_ = Align::Left;
    Paragraph para_;
    Document doc_;
    std::map<int, std::string> fonts_;
    int deff_ = 0;
    int fontNum_ = -1;
    std::string fontName_;
    std::vector<std::optional<std::uint32_t>> colours_;
    std::uint32_t rgb_ = 0;
    bool colourPending_ = false;
    int skip_ = 0;
    std::uint32_t high_ = 0;
};

void WriteText(std::string& out, std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        std::uint32_t cp = NextCodePoint(text, i);
        if (cp == '\\' || cp == '{' || cp == '}') {
            out += '\\';
            out += static_cast<char>(cp);
        } else if (cp == '\t') {
            out += "\\tab ";
        } else if (cp == '\n') {
            out += "\\line ";
        } else if (cp == '\r') {
            continue;
        } else if (cp < 0x20) {
            continue;
        } else if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else {
            std::string u8;
            AppendUtf8(u8, cp);
            std::string a = Utf8ToAnsi(u8);
            if (a.size() == 1 && a != "?") {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\'%02x", static_cast<unsigned char>(a[0]));
                out += buf;
            } else {
                auto unit = [&out](std::uint32_t v) {
                    out += "\\u" + std::to_string(static_cast<std::int16_t>(static_cast<std::uint16_t>(v))) + "?";
                };
                if (cp >= 0x10000) {
                    std::uint32_t c = cp - 0x10000;
                    unit(0xD800 + (c >> 10));
                    unit(0xDC00 + (c & 0x3FF));
                } else {
                    unit(cp);
                }
            }
        }
    }
}

} // namespace

std::string Document::PlainText() const {
    std::string s;
    for (std::size_t p = 0; p < paragraphs.size(); ++p) {
        if (p) s += '\n';
        for (const auto& r : paragraphs[p].runs) s += r.text;
    }
    return s;
}

bool LooksLikeRtf(std::string_view bytes) {
    std::size_t i = 0;
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") i = 3;
    while (i < bytes.size() && (bytes[i] == ' ' || bytes[i] == '\r' || bytes[i] == '\n' || bytes[i] == '\t'))
        ++i;
    return bytes.substr(i, 5) == "{\\rtf";
}

std::optional<Document> Read(std::string_view bytes) {
    if (!LooksLikeRtf(bytes)) return std::nullopt;
    return Reader(bytes).Run();
}

std::string Write(const Document& doc) {
    std::vector<std::string> fonts;
    std::vector<std::uint32_t> colours;
    for (const auto& p : doc.paragraphs)
        for (const auto& r : p.runs) {
            if (!r.font.empty() && std::find(fonts.begin(), fonts.end(), r.font) == fonts.end())
                fonts.push_back(r.font);
            if (r.colour && std::find(colours.begin(), colours.end(), *r.colour) == colours.end())
                colours.push_back(*r.colour);
        }
    if (fonts.empty()) fonts.push_back("Arial");

    std::string out = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1{\\fonttbl";
    for (std::size_t f = 0; f < fonts.size(); ++f) {
        out += "{\\f" + std::to_string(f) + "\\fnil\\fcharset0 ";
        std::string name = fonts[f];
        std::replace(name.begin(), name.end(), ';', ' '); // ";" ends a font table entry
        WriteText(out, name);
        out += ";}";
    }
    out += "}\n{\\colortbl ;";
    for (auto c : colours)
        out += "\\red" + std::to_string((c >> 16) & 0xFF) + "\\green" + std::to_string((c >> 8) & 0xFF) +
               "\\blue" + std::to_string(c & 0xFF) + ";";
    out += "}\n";
    for (const auto& p : doc.paragraphs) {
        out += "\\pard";
        switch (p.align) {
        case Align::Left: out += "\\ql"; break;
        case Align::Centre: out += "\\qc"; break;
        case Align::Right: out += "\\qr"; break;
        case Align::Justify: out += "\\qj"; break;
        }
        for (const auto& r : p.runs) {
            if (r.text.empty()) continue;
            std::size_t f = r.font.empty() ? 0
                                           : static_cast<std::size_t>(std::find(fonts.begin(), fonts.end(), r.font) - fonts.begin());
            out += "\\plain\\f" + std::to_string(f) + "\\fs" + std::to_string(std::max(1, r.halfPoints));
            if (r.bold) out += "\\b";
            if (r.italic) out += "\\i";
            if (r.underline) out += "\\ul";
            if (r.colour)
                out += "\\cf" + std::to_string(std::find(colours.begin(), colours.end(), *r.colour) - colours.begin() + 1);
            out += ' ';
            WriteText(out, r.text);
        }
        out += "\\par\n";
    }
    out += "}\n";
    return out;
}

Document FromPlainText(std::string_view utf8) {
    Document d;
    std::size_t start = 0;
    while (true) {
        std::size_t nl = utf8.find('\n', start);
        std::string_view line = utf8.substr(start, nl == std::string_view::npos ? std::string_view::npos : nl - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        Paragraph p;
        if (!line.empty()) {
            Run r;
            r.text = std::string(line);
            p.runs.push_back(std::move(r));
        }
        d.paragraphs.push_back(std::move(p));
        if (nl == std::string_view::npos) break;
        start = nl + 1;
    }
    return d;
}

} // namespace platform::ui::rtf
