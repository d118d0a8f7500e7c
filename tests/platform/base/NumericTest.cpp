#include "platform/base/Error.h"
#include "platform/base/Numeric.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

using namespace platform;

TEST(Numeric, RoundHalfEven) {
    const std::pair<double, double> cases[] = {
        {2.5, 2}, {3.5, 4}, {-2.5, -2}, {-3.5, -4}, {0.5, 0}, {1.5, 2},
        {2.4999, 2}, {2.5001, 3}, {-0.4, 0}, {7, 7}};
    for (auto [in, out] : cases) EXPECT_EQ(RoundHalfEven(in), out) << in;
}

TEST(Numeric, RangeChecksRaiseOverflow) {
    EXPECT_EQ(ToInt16(32767.4), 32767);
    EXPECT_EQ(ToInt16(-32768.5), -32768); // half to even stays in range
    EXPECT_EQ(ToInt32(2147483647.0), 2147483647);
    EXPECT_EQ(ToInt32(-2147483648.0), -2147483647 - 1);
    for (double bad : {32767.5, 32768.0, -32769.0, 1e300}) {
        try {
            ToInt16(bad);
            FAIL() << bad;
        } catch (const RuntimeError& e) {
            EXPECT_EQ(e.Number(), err::Overflow);
        }
    }
    EXPECT_THROW(ToInt32(2147483648.0), RuntimeError);
    EXPECT_THROW(ToSingle(1e39), RuntimeError);
    EXPECT_THROW(CheckInt16(40000), RuntimeError);
    EXPECT_THROW(ToDateSerial(3e6), RuntimeError);
    EXPECT_EQ(ToSingle(1.5), 1.5f);
}

TEST(Numeric, ValReadsTheLeadingNumber) {
    const std::pair<const char*, double> cases[] = {
        {"", 0},
        {"abc", 0},
        {"12", 12},
        {"  \t\n-12.5xyz", -12.5},
        {"1 2 3", 123},
        {"+4", 4},
        {"- 4", -4},
        {"1e3", 1000},
        {"1.5E-2", 0.015},
        {"2D2", 200},
        {"1e", 1},
        {"&H10", 16},
        {"&hff", 255},
        {"&O17", 15},
        {"&H8000000F", -2147483633.0},
        {"&HFFFFFFFF", -1},
        {"&H", 0},
        {"&X1", 0},
        {".5", 0.5},
        {"1.2.3", 1.2},
        {"12,5", 12},
        {"0x10", 0},
    };
    for (auto [in, out] : cases) EXPECT_DOUBLE_EQ(Val(in), out) << '"' << in << '"';
}

TEST(Numeric, ValOverflowAndHugeInput) {
    EXPECT_THROW(Val("1e999"), RuntimeError);
    EXPECT_EQ(Val("1e-999"), 0.0);
    std::string longDigits(100000, '9');
    EXPECT_THROW(Val(longDigits), RuntimeError);
    std::string longFraction = "0." + std::string(100000, '1');
    EXPECT_NEAR(Val(longFraction), 0.1111111111, 1e-9);
}

TEST(Numeric, GeneralForm) {
    const std::tuple<double, int, const char*> cases[] = {
        {12.5, 7, "12.5"},   {0, 7, "0"},          {-3, 7, "-3"},
        {1e15, 15, "1E+15"}, {1.5e-7, 7, "1.5E-07"}, {123456789, 7, "1.234568E+08"},
        {0.1, 7, "0.1"},     {1234567, 7, "1234567"}};
    for (auto [v, d, text] : cases) EXPECT_EQ(FormatGeneral(v, d), text) << v;
    EXPECT_EQ(FormatSingle(0.1f), "0.1");
    EXPECT_EQ(FormatSingle(-2147483633.0f), "-2.147484E+09");
    EXPECT_EQ(FormatDouble(45000.25), "45000.25");
}

TEST(Numeric, PointWhateverTheLocale) {
    // The text form is the same on every system, even where the locale writes a comma.
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    std::string saved = old ? old : "C";
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && !std::setlocale(LC_NUMERIC, "fr_FR.UTF-8"))
        GTEST_SKIP() << "no comma locale installed";
    EXPECT_EQ(FormatSingle(12.5f), "12.5");
    EXPECT_DOUBLE_EQ(Val("12.5"), 12.5);
    std::setlocale(LC_NUMERIC, saved.c_str());
}
