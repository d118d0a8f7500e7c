// The form-kit pieces the tile is built on: the property bag, text fitting, menu captions,
// the nearness test and the handler-error report.
#include "platform/base/Error.h"
#include "platform/base/MessageBox.h"
#include "platform/ui/HandlerErrors.h"
#include "platform/ui/PopupMenu.h"
#include "platform/ui/PropertyBag.h"
#include "platform/ui/UserControl.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFontMetricsF>

using namespace platform::ui;
using platform::component::Object;
using platform::component::Ref;
using platform::component::Variant;
using Kind = Variant::Kind;

namespace {

int ErrorOf(const std::function<void()>& fn) {
    try {
        fn();
    } catch (const platform::RuntimeError& e) {
        return e.Number();
    }
    return 0;
}

TEST(PropertyBag, DefaultsAreNotWrittenAndValuesRoundTripThroughText) {
    PropertyBag bag;
    bag.WriteProperty("Width", Variant(std::int16_t{6}), Variant(std::int16_t{6}));
    bag.WriteProperty("On", Variant::Boolean(false), Variant::Boolean(false));
    EXPECT_TRUE(bag.Empty());

    Ref<StdFont> font = StdFont::New();
    font->Name = "Say \"Sans\"";
    font->Size = 9.75;
    font->Italic = true;
    bag.WriteProperty("Width", Variant(std::int16_t{-12}), Variant(std::int16_t{6}));
    bag.WriteProperty("On", Variant::Boolean(true), Variant::Boolean(false));
    bag.WriteProperty("Colour", Variant(std::int32_t(0x8000000F)), Variant(std::int32_t{0}));
    bag.WriteProperty("Caption", Variant("two\nlines \\ \"quoted\" \xC3\xA9"), Variant(""));
    bag.WriteProperty("Ratio", Variant(0.1), Variant(0.0));
    bag.WriteProperty("Font", Variant(Ref<Object>(font)), Variant(Ref<Object>(StdFont::New())));
    // Writing the default again drops what was written.
    bag.WriteProperty("Ratio", Variant(0.0), Variant(0.0));

    const PropertyBag back = PropertyBag::FromText(bag.ToText());
    EXPECT_EQ(back.Names(), (std::vector<std::string>{"Width", "On", "Colour", "Caption", "Font"}));
    EXPECT_EQ(back.ReadProperty("width", Variant(std::int16_t{6})).ToInt16(), -12) << "any case";
    EXPECT_TRUE(back.ReadProperty("On", Variant::Boolean(false)).ToBool());
    EXPECT_EQ(back.ReadProperty("Colour", Variant(std::int32_t{0})).ToInt32(),
              static_cast<std::int32_t>(0x8000000F));
    EXPECT_EQ(back.ReadProperty("Caption", Variant("")).ToText(),
              "two\nlines \\ \"quoted\" \xC3\xA9");
    EXPECT_EQ(back.ReadProperty("Ratio", Variant(0.5)).ToDouble(), 0.5) << "missing: the default";
    const Variant f = back.ReadProperty("Font", Variant(Ref<Object>(StdFont::New())));
    auto* read = dynamic_cast<StdFont*>(f.ToObject().get());
    ASSERT_NE(read, nullptr);
    EXPECT_TRUE(read->SameAs(*font));
    EXPECT_NE(read, font.get());
    EXPECT_EQ(PropertyBag::FromText(back.ToText()).ToText(), bag.ToText());
}

TEST(PropertyBag, WrongTypesRaiseTypeMismatch) {
    const PropertyBag bag = PropertyBag::FromText("Flag = \"yes please\"\n"
                                                  "Number = True\n"
                                                  "Big = 70000\n"
                                                  "Word = abc\n"
                                                  "BeginProperty Font\nSize = 8\nEndProperty\n");
    EXPECT_EQ(ErrorOf([&] { bag.ReadProperty("Flag", Variant::Boolean(false)); }), 13);
    EXPECT_EQ(ErrorOf([&] { bag.ReadProperty("Word", Variant(std::int32_t{0})); }), 13);
    EXPECT_EQ(ErrorOf([&] { bag.ReadProperty("Number", Variant(Ref<Object>(StdFont::New()))); }),
              13);
    EXPECT_EQ(ErrorOf([&] { bag.ReadProperty("Font", Variant(std::int16_t{0})); }), 13);
    EXPECT_EQ(ErrorOf([&] { bag.ReadProperty("Big", Variant(std::int16_t{0})); }), 6);
    EXPECT_EQ(bag.ReadProperty("Number", Variant(std::int16_t{0})).ToInt16(), -1);
    EXPECT_EQ(bag.ReadProperty("Big", Variant(std::int32_t{0})).ToInt32(), 70000);
}

TEST(PropertyBag, TextFromAnotherProgramNeverFails) {
    std::vector<std::string> problems;
    const PropertyBag bag = PropertyBag::FromText(
        "\xEF\xBB\xBF garbage\r\n= 5\nName With Blanks = 1\nGood = 1\ngood = 2\n"
        "Open = \"never closed\nBeginProperty\nBeginProperty Broken\n  Nested = 1\n"
        "  BeginProperty Inner\n  EndProperty\nEndProperty\nBeginProperty Unended\n  Size = 3\n",
        &problems);
    EXPECT_EQ(bag.Names(), (std::vector<std::string>{"Good", "Broken", "Unended"}));
    EXPECT_EQ(bag.ReadProperty("Good", Variant(std::int16_t{0})).ToInt16(), 1)
        << "the first counts";
    EXPECT_EQ(ErrorOf([&] { bag.ReadProperty("Broken", Variant(Ref<Object>(StdFont::New()))); }),
              13);
    EXPECT_GE(problems.size(), 6u);
}

TEST(FitTextToWidth, LongestPrefixByCharacters) {
    const QFont font = StdFont::New()->ToQFont();
    const QFontMetricsF fm(font);
    const QString abc = QStringLiteral("abcdef");
    EXPECT_EQ(FitTextToWidth(fm, QString(), 100), QString());
    EXPECT_EQ(FitTextToWidth(fm, abc, fm.horizontalAdvance("abc")), "abc") << "an equal width fits";
    EXPECT_EQ(FitTextToWidth(fm, abc, fm.horizontalAdvance("abc") - 0.01), "ab");
    EXPECT_EQ(FitTextToWidth(fm, abc, fm.horizontalAdvance("a") - 0.01), QString());
    EXPECT_EQ(FitTextToWidth(fm, abc, -5), QString());
    EXPECT_EQ(FitTextToWidth(fm, abc, 1e9), abc);
    // A letter and its combining accent stay together.
    const QString accented = QStringLiteral("e\u0301e\u0301e\u0301");
    for (double w = 0; w < fm.horizontalAdvance(accented) + 2; w += 0.5)
        EXPECT_EQ(FitTextToWidth(fm, accented, w).size() % 2, 0) << w;
    // Ten thousand characters cost no more than a line's worth.
    const QString huge(10000, QLatin1Char('W'));
    QElapsedTimer timer;
    timer.start();
    const QString fitted = FitTextToWidth(fm, huge, 200);
    EXPECT_LE(fm.horizontalAdvance(fitted), 200);
    EXPECT_GT(fm.horizontalAdvance(fitted + "W"), 200);
}

TEST(MenuCaption, CharactersNotBytesAmpersandsAndLineBreaks) {
    EXPECT_EQ(LeftCharacters("\xC3\xA9t\xC3\xA9", 2), "\xC3\xA9t");
    EXPECT_EQ(LeftCharacters("\xF0\x9F\x8E\xB5 music", 1), "\xF0\x9F\x8E\xB5");
    EXPECT_EQ(LeftCharacters("short", 40), "short");
    EXPECT_EQ(LeftCharacters("", 3), "");
    EXPECT_EQ(MenuCaption("R&B\r\nSoul\rJazz\nFunk"), "R&&B Soul Jazz Funk");
    EXPECT_EQ(OneLine("a\r\n\r\nb"), "a  b");
}

TEST(IsNear, WithinTheToleranceAsAStraightLine) {
    EXPECT_TRUE(IsNear(10, 10, 15, 10, 5));
    EXPECT_TRUE(IsNear(10, 10, 13, 14, 5));
    EXPECT_FALSE(IsNear(10, 10, 14, 14, 5));
    EXPECT_FALSE(IsNear(10, 10, 10, 15.5, 5));
}

TEST(OleColours, ValuesAndSystemColoursOnly) {
    EXPECT_TRUE(IsOleColour(0));
    EXPECT_TRUE(IsOleColour(0xFFFFFF));
    EXPECT_TRUE(IsOleColour(0x8000000F));
    EXPECT_TRUE(IsOleColour(0x80000018));
    EXPECT_FALSE(IsOleColour(0x80000019));
    EXPECT_FALSE(IsOleColour(0x01000000));
    EXPECT_FALSE(IsOleColour(0xFFFFFFFF));
}

TEST(HandlerErrors, ReportedOnceWithTheDescription) {
    platform::ScopedScriptedMessageBoxes boxes;
    Guarded("playing the cart", [] { platform::Raise(53); });
    Guarded("reading", [] { throw std::runtime_error("disk gone"); });
    Guarded("nothing", [] {});
    ASSERT_EQ(boxes->Shown().size(), 2u);
    EXPECT_EQ(boxes->Shown()[0].text,
              "There was a problem playing the cart and the error's description "
              "was reported as : \n\n\"File not found\"");
    EXPECT_EQ(boxes->Shown()[0].icon, platform::MsgIcon::Exclamation);
    EXPECT_NE(boxes->Shown()[1].text.find("\"disk gone\""), std::string::npos);

    std::vector<HandlerError> seen;
    auto previous = SetHandlerErrorReport([&](const HandlerError& e) { seen.push_back(e); });
    Guarded("saving", [] { platform::Raise(61); });
    SetHandlerErrorReport(previous);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].number, 61);
    EXPECT_EQ(seen[0].context, "saving");
    EXPECT_EQ(boxes->Shown().size(), 2u);
}

} // namespace
