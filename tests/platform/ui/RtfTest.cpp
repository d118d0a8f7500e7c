#include "platform/ui/Rtf.h"

#include <gtest/gtest.h>

namespace rtf = platform::ui::rtf;

namespace {

std::string Plain(std::string_view in) {
    auto d = rtf::Read(in);
    return d ? d->PlainText() : "<not rtf>";
}

TEST(RtfReader, TextOfTypicalInput) {
    struct Case {
        const char* name;
        const char* in;
        const char* text;
    } cases[] = {
        {"paragraphs", "{\\rtf1\\ansi one\\par two\\par}", "one\ntwo"},
        {"final par adds nothing", "{\\rtf1 a\\par}", "a"},
        {"empty paragraph kept", "{\\rtf1 a\\par\\par b}", "a\n\nb"},
        {"escaped braces", "{\\rtf1 \\{x\\}\\\\}", "{x}\\"},
        {"code page escape", "{\\rtf1\\ansi\\ansicpg1252 caf\\'e9 \\'80}", "caf\xC3\xA9 \xE2\x82\xAC"},
        {"unicode with fallback", "{\\rtf1\\uc1 \\u8364?\\u-3937?x}", "\xE2\x82\xAC\xEF\x82\x9Fx"},
        {"unicode fallback of two", "{\\rtf1\\uc2 \\u1488ab c}", "\xD7\x90 c"},
        {"fallback ends with its group", "{\\rtf1 {\\b \\u8364}x}", "\xE2\x82\xACx"},
        {"surrogate pair", "{\\rtf1 \\u-10179?\\u-8704?}", "\xF0\x9F\x98\x80"},
        {"skipped destinations", "{\\rtf1{\\*\\generator Foo;}{\\info{\\title T}}{\\stylesheet{\\s0 Normal;}}x{\\*\\unknown y}z}", "xz"},
        {"font and colour tables hold no text",
         "{\\rtf1{\\fonttbl{\\f0\\fswiss Arial;}{\\f1 Courier New;}}{\\colortbl;\\red255\\green0\\blue0;}x}", "x"},
        {"picture skipped", "{\\rtf1 a{\\pict\\wmetafile8 0123abcd}b}", "ab"},
        {"binary data skipped", "{\\rtf1 a{\\*\\blob\\bin3 }}}}b}", "ab"},
        {"tab and line", "{\\rtf1 a\\tab b\\line c}", "a\tb\nc"},
        {"field result kept", "{\\rtf1{\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt link}}}", "link"},
        {"truncated keeps what was read", "{\\rtf1\\ansi Hello\\par Wor", "Hello\nWor"},
        {"truncated in an escape", "{\\rtf1 ab\\'", "ab"},
        {"truncated in a control word", "{\\rtf1 ab\\pa", "ab"},
        {"leading blanks", "\r\n  {\\rtf1 x}", "x"},
        {"huge numbers", "{\\rtf1\\fs99999999999999 x\\u99999999999?y}", "x\xEF\xBF\xBDy"},
        {"close brace beyond the document", "{\\rtf1 a}}}b", "a"},
    };
    for (const auto& c : cases) EXPECT_EQ(Plain(c.in), c.text) << c.name;
}

TEST(RtfReader, GroupsNestedBeyondAnyEditorAreSkipped) {
    // Text at a sane depth is kept; a group too deep is skipped whole, escaped braces in it
    // included, and the document goes on after it.
    const std::string sane = "{\\rtf1 a" + std::string(100, '{') + "b" + std::string(100, '}') + "c}";
    EXPECT_EQ(Plain(sane), "abc");
    const std::string deep =
        "{\\rtf1 a" + std::string(5000, '{') + "x\\}\\{y" + std::string(5000, '}') + "b\\par c}";
    EXPECT_EQ(Plain(deep), "ab\nc");
    EXPECT_EQ(Plain("{\\rtf1 a" + std::string(100000, '{')), "a"); // and never closed
}

TEST(RtfReader, NotRtf) {
    for (const char* in : {"", "plain text", "{rtf1 x}", "\\rtf1", "{\\rt"})
        EXPECT_FALSE(rtf::Read(in).has_value()) << in;
}

TEST(RtfReader, Formats) {
    auto d = rtf::Read(
        "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil Arial;}{\\f1\\froman Times New Roman;}}"
        "{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}"
        "\\pard\\qc\\f1\\fs32\\b Big\\b0  \\i it\\i0 \\ul u\\ulnone \\cf1 red\\cf0\\par"
        "\\pard plain\\par}");
    ASSERT_TRUE(d);
    ASSERT_EQ(d->paragraphs.size(), 2u);
    const auto& p = d->paragraphs[0];
    EXPECT_EQ(p.align, rtf::Align::Centre);
    ASSERT_GE(p.runs.size(), 5u);
    EXPECT_EQ(p.runs[0].text, "Big");
    EXPECT_TRUE(p.runs[0].bold);
    EXPECT_EQ(p.runs[0].font, "Times New Roman");
    EXPECT_EQ(p.runs[0].halfPoints, 32);
    bool sawItalic = false, sawUnderline = false, sawRed = false;
    for (const auto& r : p.runs) {
        if (r.text == "it") sawItalic = r.italic && !r.bold;
        if (r.text == "u") sawUnderline = r.underline;
        if (r.text == "red") sawRed = r.colour == 0xFF0000u;
    }
    EXPECT_TRUE(sawItalic);
    EXPECT_TRUE(sawUnderline);
    EXPECT_TRUE(sawRed);
    EXPECT_EQ(d->paragraphs[1].align, rtf::Align::Left);
    // A group's formats end with the group.
    auto g = rtf::Read("{\\rtf1 {\\b bold} normal}");
    ASSERT_TRUE(g);
    ASSERT_EQ(g->paragraphs[0].runs.size(), 2u);
    EXPECT_TRUE(g->paragraphs[0].runs[0].bold);
    EXPECT_FALSE(g->paragraphs[0].runs[1].bold);
}

TEST(RtfWriter, RoundTrip) {
    rtf::Document d;
    rtf::Paragraph p1;
    p1.align = rtf::Align::Right;
    p1.runs.push_back({"Plain {braces} \\ back", "Arial", 24, false, false, false, std::nullopt});
    p1.runs.push_back({"bold caf\xC3\xA9 \xE2\x82\xAC", "Arial", 28, true, false, false, 0x123456u});
    p1.runs.push_back({"\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D \xF0\x9F\x98\x80\tx\ny", "Courier New", 20, false, true, true, std::nullopt});
    rtf::Paragraph empty;
    rtf::Paragraph p3;
    p3.runs.push_back({"last", "Arial", 24, false, false, false, 0xFF0000u});
    d.paragraphs = {p1, empty, p3};

    std::string bytes = rtf::Write(d);
    EXPECT_TRUE(bytes.find("\\ansicpg1252") != std::string::npos);
    for (unsigned char c : bytes) EXPECT_LT(c, 0x80) << "RTF is 7-bit";
    auto back = rtf::Read(bytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, d);
}

TEST(RtfWriter, FontNamesThatLookLikeSyntax) {
    rtf::Document d;
    d.paragraphs.push_back({rtf::Align::Left, {{"x", "Odd;Font {1}", 24, false, false, false, std::nullopt}}});
    auto back = rtf::Read(rtf::Write(d));
    ASSERT_TRUE(back);
    ASSERT_EQ(back->paragraphs.at(0).runs.size(), 1u);
    EXPECT_EQ(back->paragraphs[0].runs[0].font, "Odd Font {1}");
    EXPECT_EQ(back->PlainText(), "x");
}

TEST(RtfWriter, PlainTextDocument) {
    auto d = rtf::FromPlainText("one\r\ntwo\n\nfour");
    ASSERT_EQ(d.paragraphs.size(), 4u);
    EXPECT_EQ(d.PlainText(), "one\ntwo\n\nfour");
    auto back = rtf::Read(rtf::Write(d));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->PlainText(), "one\ntwo\n\nfour");
}

} // namespace
