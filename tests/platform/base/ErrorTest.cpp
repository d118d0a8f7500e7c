#include "platform/base/Error.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(RuntimeError, CarriesNumberAndStandardText) {
    struct Case { int number; const char* text; };
    const Case cases[] = {
        {5, "Invalid procedure call or argument"}, {6, "Overflow"}, {7, "Out of memory"},
        {9, "Subscript out of range"}, {11, "Division by zero"}, {13, "Type mismatch"},
        {52, "Bad file name or number"}, {53, "File not found"}, {70, "Permission denied"},
        {75, "Path/File access error"}, {76, "Path not found"},
        {91, "Object variable or With block variable not set"}, {94, "Invalid use of Null"},
        {380, "Invalid property value"}, {32755, "Cancel was selected."},
        {12345, "Application-defined or object-defined error"},
    };
    for (const auto& c : cases) {
        try {
            Raise(c.number);
            FAIL() << "no throw";
        } catch (const RuntimeError& e) {
            EXPECT_EQ(e.Number(), c.number);
            EXPECT_EQ(e.Description(), c.text);
            EXPECT_STREQ(e.what(), c.text);
        }
    }
}

TEST(RuntimeError, OwnDescriptionWins) {
    RuntimeError e(53, "Cannot find c:/x.wav");
    EXPECT_EQ(e.Number(), 53);
    EXPECT_EQ(e.Description(), "Cannot find c:/x.wav");
}
