// Rich text in and out: a small document model, an RTF reader and an RTF writer. No Qt here,
// so the reader can be fuzzed and reused without a display; RichTextBox converts the model to
// and from a QTextDocument.
//
// The reader understands what editors write for plain formatted text: paragraphs (\par, \pard,
// alignment), bold, italic, underline, font table and \f, \fs sizes, colour table and \cf,
// \plain, tabs and line breaks, the code-page escapes \'hh (the \ansicpg code page; anything
// but 1252 is read as 1252) and the Unicode escapes \uN with their \ucN fallbacks. Pictures,
// style sheets, information groups, headers, footers and every \* destination are skipped.
// Truncated input keeps what was read before the cut; groups nested more than 1000 deep are
// skipped whole.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::ui::rtf {

enum class Align { Left, Centre, Right, Justify };

struct Run {
    std::string text;           // UTF-8; "\t" for tabs, "\n" for line breaks inside a paragraph
    std::string font;           // family name; empty: the document's default
    int halfPoints = 24;        // font size in half points (\fs)
    bool bold = false;
    bool italic = false;
    bool underline = false;
    std::optional<std::uint32_t> colour; // 0xRRGGBB; none: the automatic colour
    bool operator==(const Run&) const = default;
};

struct Paragraph {
    Align align = Align::Left;
    std::vector<Run> runs;
    bool operator==(const Paragraph&) const = default;
};

struct Document {
    std::vector<Paragraph> paragraphs; // always at least one after Read
    bool operator==(const Document&) const = default;
    std::string PlainText() const;     // paragraphs joined by "\n"
};

// Whether the bytes start like RTF ("{\rtf", after blanks and line breaks).
bool LooksLikeRtf(std::string_view bytes);

// Reads RTF; nullopt when the input is not RTF at all. Never throws on bad bytes.
std::optional<Document> Read(std::string_view bytes);

// Writes the document as RTF with the Windows-1252 code page; characters outside it as \uN?.
std::string Write(const Document& doc);

// A document of plain text: one paragraph per line, the default font.
Document FromPlainText(std::string_view utf8);

} // namespace platform::ui::rtf
