#include "platform/base/Codepage.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(Codepage, RoundTripsEveryByte) {
    std::string all;
    for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
    std::string utf8 = AnsiToUtf8(all);
    EXPECT_TRUE(IsValidUtf8(utf8));
    EXPECT_EQ(Utf8ToAnsi(utf8), all);
}

TEST(Codepage, KnownCharacters) {
    const std::pair<const char*, const char*> cases[] = {
        {"\xE2\x82\xAC", "\x80"}, // euro sign
        {"\xC3\xA9", "\xE9"},     // e acute
        {"\xE2\x80\x9C", "\x93"}, // left double quote
        {"\xC5\xA1", "\x9A"},     // s caron
        {"abc", "abc"},
    };
    for (auto [utf8, ansi] : cases) {
        EXPECT_EQ(Utf8ToAnsi(utf8), ansi);
        EXPECT_EQ(AnsiToUtf8(ansi), utf8);
    }
}

TEST(Codepage, WhatItCannotHoldBecomesQuestionMark) {
    EXPECT_EQ(Utf8ToAnsi("a\xE6\x97\xA5z"), "a?z");     // CJK
    EXPECT_EQ(Utf8ToAnsi("\xF0\x9F\x8E\xB5"), "?");      // emoji
    EXPECT_EQ(Utf8ToAnsi("x\xFFy"), "x?y");              // not UTF-8 at all
    EXPECT_EQ(Utf8ToAnsi("\xC3"), "?");                  // cut sequence
    EXPECT_EQ(Utf8ToAnsi("\xED\xA0\x80"), "???");        // surrogate
    EXPECT_FALSE(IsValidUtf8("\xC0\x80"));               // overlong
}
