#include "shared/helpers/Utility.h"

#include <gtest/gtest.h>

using helpers::ItemList;
using helpers::Utility;

namespace {

std::string RoundTrip(const std::string& value, bool appendText, bool lookupText) {
    std::string list = ItemList::Append("", "Before", "x y", "=", true, " ");
    list = ItemList::Append(list, "Key", value, "=", appendText, " ");
    list = ItemList::Append(list, "After", "1", "=", false, " ");
    EXPECT_EQ(ItemList::Lookup(list, "After", "=", false, " "), "1") << list;
    EXPECT_EQ(ItemList::Lookup(list, "Before", "=", true, " "), "x y") << list;
    return ItemList::Lookup(list, "Key", "=", lookupText, " ");
}

} // namespace

TEST(ItemList, EveryValueComesBackUnchanged) {
    const std::string values[] = {
        "", " ", "plain", "two words", "  padded  ", "a=b", "=", "\"", "\"quoted\"", "say \"hi\"",
        "pipe|separated|", "line\nbreak", "crlf\r\n", "tab\there", "back\\slash", "\\\"",
        "caf\xC3\xA9 \xE2\x82\xAC", "Key=evil Other=1", "\x01\x7F", "trailing\\",
    };
    for (const auto& v : values)
        for (bool a : {true, false})
            for (bool l : {true, false})
                EXPECT_EQ(RoundTrip(v, a, l), v) << "value [" << v << "] append " << a << " lookup " << l;
}

TEST(ItemList, TextStaysOnOneLine) {
    std::string list = ItemList::Append("", "Notes", "a\nb\r\nc", "=", true, " ");
    EXPECT_EQ(list.find('\n'), std::string::npos);
    EXPECT_EQ(list, "Notes=\"a\\nb\\r\\nc\"");
    EXPECT_EQ(ItemList::Append("", "N", "12", "=", false, " "), "N=12");
    EXPECT_EQ(ItemList::Append("A=1", "B", "2", "=", false, " "), "A=1 B=2");
}

TEST(ItemList, LookupOfForeignText) {
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"Year=1999", "Year", "1999"},
        {"year=1999", "Year", "1999"},          // names without regard to case
        {"A=1  Year=5   B=2", "Year", "5"},     // runs of blanks
        {"YearX=1 Year=2", "Year", "2"},        // whole names only
        {"Year=1 Year=2", "Year", "1"},         // the first wins
        {"T=\"a Year=3\" Year=4", "Year", "4"}, // not inside a quoted value
        {"T=\"unbalanced Year=3", "Year", ""},  // the quote runs to the end
        {"T=\"unbalanced Year=3", "T", "unbalanced Year=3"},
        {"junk Year=7", "Year", "7"},           // an item without a sign is skipped
        {"Year=", "Year", ""},
        {"", "Year", ""},
        {"Year", "Year", ""},
        {"T=\"a\"b C=1", "T", "a"},
        {"T=\"a\"b C=1", "C", "1"},
        {"T=\"\\x41\\x4\" ", "T", "Ax4"},
    };
    for (auto [list, key, want] : cases)
        EXPECT_EQ(ItemList::Lookup(list, key, "=", true, " "), want) << list;
}

TEST(ItemList, ParseAgreesWithLookup) {
    const char* list = "A=1 b=\"two words\" A=3 c=\"x\\\"y\"";
    auto items = ItemList::Parse(list, "=", " ");
    EXPECT_EQ(items.at("a"), "1");
    EXPECT_EQ(items.at("b"), "two words");
    EXPECT_EQ(items.at("c"), "x\"y");
    for (const char* key : {"A", "b", "c"})
        EXPECT_EQ(items.at(ItemList::FoldName(key)), ItemList::Lookup(list, key, "=", true, " "));
}

TEST(ItemList, RemoveTakesOutWholeItemsAndLeavesTheRestAsItStood) {
    const std::string_view names[] = {"Year", "Colour"};
    const std::pair<const char*, const char*> cases[] = {
        {"Year=1 A=2", "A=2"},
        {"A=2 year=1", "A=2"},
        {"A=2  Year=1   B=3", "A=2   B=3"},
        {"Year=1 Colour=2 A=3", "A=3"},
        {"Year=1 Colour=2", ""},
        {"junk Year=1 free  text", "junk free  text"}, // words without a sign stay
        {"T=\"Year=1 x\" Year=2", "T=\"Year=1 x\""},   // not inside a quoted value
        {"Year=\"a b\" A=1", "A=1"},                   // a quoted value goes whole
        {"YearX=1 A=Year=2", "YearX=1 A=Year=2"},        // whole names only
        {"", ""},
    };
    for (auto [list, want] : cases) EXPECT_EQ(ItemList::Remove(list, names, "=", " "), want) << list;
}

TEST(Utility, SharedStateAndClamps) {
    Utility().SetDebugLevel(-1);
    EXPECT_EQ(helpers::cUtility::Instance().DebugLevel(), -1);
    Utility().SetDebugLevel(0);
    Utility().SetCommandLine("/debug x.wav");
    EXPECT_EQ(helpers::cUtility::Instance().CommandLine(), "/debug x.wav");
    Utility().SetCommandLine("");
    EXPECT_EQ(helpers::cUtility::ClampLong(5, 1, 3), 3);
    EXPECT_EQ(helpers::cUtility::ClampLong(-5, 1, 3), 1);
    EXPECT_EQ(helpers::cUtility::ClampLong(2, 1, 3), 2);
    EXPECT_EQ(helpers::cUtility::ClampDouble(0.5, 1.0, 3.0), 1.0);
    EXPECT_EQ(helpers::cUtility::Larger(2, 3), 3);
    EXPECT_EQ(helpers::cUtility::Smaller(2, 3), 2);
}
