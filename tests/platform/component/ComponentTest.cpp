// Component rules on a small class of the test's own: conversions, the factory, the
// interface query, calls by name and slot, by-reference hand-back, errors, the description.
#include "platform/base/DateTime.h"
#include "platform/base/Error.h"
#include "platform/base/Numeric.h"
#include "platform/component/ClassBuilder.h"
#include "platform/component/Dispatch.h"
#include "platform/component/TypeLibrary.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <stdexcept>

using namespace platform::component;
using platform::RuntimeError;
using Kind = Variant::Kind;

namespace {

// ---- Conversions ------------------------------------------------------------------------

struct Conversion {
    const char* what;
    Variant from;
    Kind to;
    Variant expected; // ignored when error is set
    int error = 0;
};

TEST(Variant, ConvertsByThePlatformRules) {
    const Conversion cases[] = {
        // Half-to-even rounding into whole numbers, with range checks.
        {"2.5 to 16-bit", Variant(2.5), Kind::Int16, Variant(std::int16_t{2})},
        {"3.5 to 16-bit", Variant(3.5), Kind::Int16, Variant(std::int16_t{4})},
        {"-2.5 to 16-bit", Variant(-2.5), Kind::Int16, Variant(std::int16_t{-2})},
        {"single 0.5 to 32-bit", Variant(0.5f), Kind::Int32, Variant(std::int32_t{0})},
        {"32767.5 overflows 16-bit", Variant(32767.5), Kind::Int16, {}, 6},
        {"32-bit 40000 overflows 16-bit", Variant(std::int32_t{40000}), Kind::Int16, {}, 6},
        {"-32768 fits 16-bit", Variant(std::int32_t{-32768}), Kind::Int16,
         Variant(std::int16_t{-32768})},
        {"1e10 overflows 32-bit", Variant(1e10), Kind::Int32, {}, 6},
        {"1e39 overflows single", Variant(1e39), Kind::Single, {}, 6},
        // Text to number only when the text is a number.
        {"padded text", Variant(" 12 "), Kind::Int16, Variant(std::int16_t{12})},
        {"hex text", Variant("&HFF"), Kind::Int32, Variant(std::int32_t{255})},
        {"octal text", Variant("&O17"), Kind::Int32, Variant(std::int32_t{15})},
        {"exponent text", Variant("1.5E2"), Kind::Int32, Variant(std::int32_t{150})},
        {"signed decimal text", Variant("-0.25"), Kind::Double, Variant(-0.25)},
        {"text rounds half-to-even", Variant("4.5"), Kind::Int16, Variant(std::int16_t{4})},
        {"numeric text out of range", Variant("70000"), Kind::Int16, {}, 6},
        {"trailing letters", Variant("12abc"), Kind::Int16, {}, 13},
        {"blank between digits", Variant("1 2"), Kind::Int32, {}, 13},
        {"empty text", Variant(""), Kind::Double, {}, 13},
        {"word", Variant("abc"), Kind::Single, {}, 13},
        {"lone point", Variant("."), Kind::Double, {}, 13},
        {"exponent without digits", Variant("1E"), Kind::Double, {}, 13},
        // Number to text in the general form.
        {"16-bit to text", Variant(std::int16_t{-5}), Kind::Text, Variant("-5")},
        {"single to text", Variant(0.1f), Kind::Text, Variant("0.1")},
        {"double to text", Variant(1.5), Kind::Text, Variant("1.5")},
        {"large double to text", Variant(1e15), Kind::Text, Variant("1E+15")},
        // Booleans.
        {"non-zero is True", Variant(std::int32_t{2}), Kind::Boolean, Variant::Boolean(true)},
        {"fraction is True", Variant(0.25), Kind::Boolean, Variant::Boolean(true)},
        {"zero is False", Variant(0.0), Kind::Boolean, Variant::Boolean(false)},
        {"text True", Variant("True"), Kind::Boolean, Variant::Boolean(true)},
        {"text false, any case", Variant(" false "), Kind::Boolean, Variant::Boolean(false)},
        {"numeric text to Boolean", Variant("-3"), Kind::Boolean, Variant::Boolean(true)},
        {"other text to Boolean", Variant("yes"), Kind::Boolean, {}, 13},
        {"True is -1", Variant::Boolean(true), Kind::Int16, Variant(std::int16_t{-1})},
        {"True as text", Variant::Boolean(true), Kind::Text, Variant("True")},
        {"False as text", Variant::Boolean(false), Kind::Text, Variant("False")},
        // Empty reads as nothing of every type.
        {"Empty to 16-bit", Variant(), Kind::Int16, Variant(std::int16_t{0})},
        {"Empty to text", Variant(), Kind::Text, Variant("")},
        {"Empty to Boolean", Variant(), Kind::Boolean, Variant::Boolean(false)},
        {"Empty to object", Variant(), Kind::Object, Variant::Nothing()},
        // Dates.
        {"date beyond year 9999", Variant(3e6), Kind::Date, {}, 6},
        {"date to number", Variant::Date(1.5), Kind::Double, Variant(1.5)},
        {"impossible date to text", Variant::Date(1.8e185), Kind::Text, {}, 6},
        {"numeric text to date", Variant("45000.5"), Kind::Date, Variant::Date(45000.5)},
        {"date text to date", Variant("2024-01-02 18:00:00"), Kind::Date,
         Variant::Date(platform::DateSerial(2024, 1, 2) + 0.75)},
        {"time text to date", Variant(" 06:00:00 "), Kind::Date, Variant::Date(0.25)},
        {"before 1899 keeps the time of day", Variant("1899-12-29 06:00:00"), Kind::Date,
         Variant::Date(-1.25)},
        {"no such day", Variant("2023-02-29"), Kind::Date, {}, 13},
        {"no such hour", Variant("24:00:00"), Kind::Date, {}, 13},
        {"date text is no number", Variant("2024-01-02"), Kind::Double, {}, 13},
        {"half a date", Variant("2024-01"), Kind::Date, {}, 13},
        // Objects and records convert to nothing else.
        {"object to number", Variant::Nothing(), Kind::Int32, {}, 13},
        {"text to object", Variant("x"), Kind::Object, {}, 13},
        {"record to text", Variant(RecordValue{"R", {}}), Kind::Text, {}, 13},
        {"number to record", Variant(1.0), Kind::Record, {}, 13},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.error) {
            try {
                c.from.ConvertTo(c.to);
                ADD_FAILURE() << "no error";
            } catch (const RuntimeError& e) {
                EXPECT_EQ(e.Number(), c.error);
            }
        } else {
            Variant got = c.from.ConvertTo(c.to);
            EXPECT_EQ(got.kind(), c.expected.kind());
            EXPECT_TRUE(got == c.expected) << got.ToText();
        }
    }
}

TEST(Variant, DatesReadAsTextWithoutTheEmptyPartAndBack) {
    for (double serial :
         {platform::DateSerial(2024, 1, 2), 0.5, platform::DateSerial(1950, 7, 31) + 0.125, -1.25,
          platform::DateSerial(9999, 12, 31)})
        EXPECT_EQ(Variant(Variant::Date(serial).ToText()).ToDate(), serial) << serial;
    EXPECT_EQ(Variant::Date(platform::DateSerial(2024, 1, 2)).ToText(), "2024-01-02");
    EXPECT_EQ(Variant::Date(0.5).ToText(), "12:00:00");
    EXPECT_EQ(Variant::Date(platform::DateSerial(2024, 1, 2) + 0.75).ToText(),
              "2024-01-02 18:00:00");
}

TEST(Variant, BooleanKeepsItsStoredForm) {
    // A 16-bit Boolean field may hold any value; it must read back as it was stored.
    EXPECT_EQ(Variant::FromVBool(1).ToVBool(), 1);
    EXPECT_EQ(Variant::FromVBool(1).ToText(), "True");
    EXPECT_EQ(Variant(std::int16_t{1}).ToVBool(), -1);
}

// ---- A small published class ------------------------------------------------------------

class cToy : public Object {
public:
    const ClassInfo* Class() const noexcept override;
    std::string Name;
    std::int16_t Count = 0;
    std::int16_t Flag = 0;
    std::string Secret = "hidden";
};

class cOther : public Object {
public:
    const ClassInfo* Class() const noexcept override;
};

class uToy : public Object {
public:
    const ClassInfo* Class() const noexcept override;
    std::int16_t Index = 0;
};

constexpr Guid kLib = Guid::Of("{11111111-2222-3333-4444-555555555555}");
constexpr Guid kToyClass = Guid::Of("{11111111-2222-3333-4444-000000000001}");
constexpr Guid kToyV1 = Guid::Of("{11111111-2222-3333-4444-000000000002}");
constexpr Guid kToyV2 = Guid::Of("{11111111-2222-3333-4444-000000000003}");
constexpr Guid kToy = Guid::Of("{11111111-2222-3333-4444-000000000004}");
constexpr Guid kOtherClass = Guid::Of("{11111111-2222-3333-4444-000000000005}");
constexpr Guid kOther = Guid::Of("{11111111-2222-3333-4444-000000000006}");
constexpr Guid kUnrelated = Guid::Of("{11111111-2222-3333-4444-000000000007}");
constexpr Guid kControlClass = Guid::Of("{11111111-2222-3333-4444-000000000008}");
constexpr Guid kControl = Guid::Of("{11111111-2222-3333-4444-000000000009}");
constexpr Guid kControlEvents = Guid::Of("{11111111-2222-3333-4444-00000000000A}");

const InterfaceInfo& ToyInterface() {
    static const InterfaceInfo itf =
        MemberTable<cToy>("_cToy", kToy)
            .Field("Name", &cToy::Name, tText)
            .Field("Count", &cToy::Count, tInt16)
            .EarlierVersion(kToyV1)
            .Field("Flag", &cToy::Flag, tBoolean)
            .Method("Twice", tInt16, {{"Value", tInt16, true}, {"Label", tText, false}},
                    [](cToy& t, Args a) {
                        a[0] = Variant(
                            platform::ToInt16(a[0].ToInt16() * 2.0)); // by reference: goes back
                        a[1] = Variant("changed");                    // by value: stays here
                        return Variant(std::int16_t(t.Count + 1));
                    })
            .Property("Length", tInt32, {},
                      [](cToy& t, Args) { return Variant(std::int32_t(t.Name.size())); })
            .EarlierVersion(kToyV2)
            .Method("Fail", tVoid, {{"Number", tInt32, false}},
                    [](cToy&, Args a) -> Variant {
                        if (a[0].ToInt32() == 0) throw std::runtime_error("broken inside");
                        platform::Raise(a[0].ToInt32(), "Toy failed on purpose");
                    })
            .Method("Pick", tObject("cToy"), {{"Other", tObject("cToy"), false}},
                    [](cToy&, Args a) { return a[0]; })
            .Property("Secret", tText, {}, {},
                      [](cToy& t, Args, const Variant& v) { t.Secret = v.ToText(); })
            .Build();
    return itf;
}

ClassInfo& ToyClass() {
    static ClassInfo cls{"cToy",
                         kToyClass,
                         ClassKind::Creatable,
                         &ToyInterface(),
                         nullptr,
                         [] { return Ref<Object>(MakeRef<cToy>()); },
                         {}};
    return cls;
}

ClassInfo& OtherClass() {
    static const InterfaceInfo itf = MemberTable<cOther>("_iOther", kOther).Build();
    static ClassInfo cls{"iOther", kOtherClass, ClassKind::InterfaceClass, &itf, nullptr, {}, {}};
    return cls;
}

ClassInfo& ControlClass() {
    static const InterfaceInfo itf =
        MemberTable<uToy>("_uToy", kControl).Field("Index", &uToy::Index, tInt16).Build();
    static const InterfaceInfo events = MemberTable<uToy>("__uToy", kControlEvents)
                                            .Events()
                                            .Method("Clicked", tVoid, {{"Index", tInt16, false}},
                                                    [](uToy&, Args) { return Variant(); })
                                            .Build();
    static ClassInfo cls{"uToy", kControlClass, ClassKind::Control,
                         &itf,   &events,       [] { return Ref<Object>(MakeRef<uToy>()); },
                         {}};
    return cls;
}

const ClassInfo* cToy::Class() const noexcept {
    return &ToyClass();
}
const ClassInfo* uToy::Class() const noexcept {
    return &ControlClass();
}
const ClassInfo* cOther::Class() const noexcept {
    return &OtherClass();
}

const EnumInfo kColours{"enToyColour", {{"tcRed", 2}, {"tcBlue", 1}, {"tcNone", 0}}};

TypeLibrary& ToyLibrary() {
    static TypeLibrary lib("ToyLib", kLib, 1, 3, "Toys for tests");
    static bool once = [] {
        lib.AddClass(ToyClass());
        lib.AddClass(OtherClass());
        lib.AddClass(ControlClass());
        lib.AddEnum(kColours);
        return true;
    }();
    (void)once;
    return lib;
}

int ErrorOf(auto&& f) {
    try {
        f();
    } catch (const RuntimeError& e) {
        return e.Number();
    }
    return 0;
}

// ---- Factory and interface query ---------------------------------------------------------

TEST(Component, CreatesByProgramIdOrClassId) {
    TypeLibrary& lib = ToyLibrary();
    EXPECT_EQ(ToyClass().progId, "ToyLib.cToy");
    for (std::string_view name :
         {"ToyLib.cToy", "toylib.CTOY", "{11111111-2222-3333-4444-000000000001}",
          "11111111-2222-3333-4444-000000000001"}) {
        SCOPED_TRACE(std::string(name));
        Ref<Object> o = lib.Create(name);
        ASSERT_TRUE(o);
        EXPECT_EQ(o->Class(), &ToyClass());
    }
    EXPECT_TRUE(lib.Create(kToyClass));
    // A control is placed on a host's window, so hosts create it too.
    Ref<Object> control = lib.Create("ToyLib.uToy");
    ASSERT_TRUE(control);
    EXPECT_EQ(ControlClass().events->name, "__uToy");
}

TEST(Component, RefusesToCreateUnknownOrInterfaceClasses) {
    TypeLibrary& lib = ToyLibrary();
    EXPECT_EQ(ErrorOf([&] { lib.Create("ToyLib.cNothing"); }), 429);
    EXPECT_EQ(ErrorOf([&] { lib.Create(""); }), 429);
    EXPECT_EQ(ErrorOf([&] { lib.Create(kUnrelated); }), 429);
    EXPECT_EQ(ErrorOf([&] { lib.Create(kOtherClass); }), 429);
    EXPECT_EQ(ErrorOf([&] { lib.Create("{11111111-2222-3333-4444-000000000005}"); }), 429);
    EXPECT_TRUE(OtherClass().progId.empty()); // an interface class gets no program id
}

TEST(Component, QueryInterfaceAnswersEveryVersionWithTheSameObject) {
    Ref<Object> o = ToyLibrary().Create("ToyLib.cToy");
    for (const Guid& iid : {kToy, kToyV1, kToyV2, IID_IUnknown, IID_IDispatch}) {
        Ref<Object> q = QueryInterface(*o, iid);
        EXPECT_EQ(q.get(), o.get()) << iid.ToString();
    }
    EXPECT_FALSE(QueryInterface(*o, kUnrelated));
    EXPECT_FALSE(QueryInterface(*o, kOther));
    EXPECT_EQ(o->RefCount(), 1u); // the answers were released again
}

TEST(Component, TheLastReleaseDeletesTheObject) {
    std::int64_t before = Object::LiveObjects();
    {
        Ref<Object> o = ToyLibrary().Create("ToyLib.cToy");
        Ref<Object> q = QueryInterface(*o, kToyV1);
        EXPECT_EQ(Object::LiveObjects(), before + 1);
    }
    EXPECT_EQ(Object::LiveObjects(), before);
}

// ---- Calls ----------------------------------------------------------------------------------

TEST(Component, CallsByNameIgnoreCase) {
    Ref<Object> o = ToyLibrary().Create("ToyLib.cToy");
    Put(*o, "NAME", Variant("Abc"));
    Put(*o, "count", Variant("41")); // numeric text is converted
    auto& toy = static_cast<cToy&>(*o);
    EXPECT_EQ(toy.Name, "Abc");
    EXPECT_EQ(toy.Count, 41);
    EXPECT_TRUE(Get(*o, "name") == Variant("Abc"));
    EXPECT_TRUE(Get(*o, "Length") == Variant(std::int32_t{3}));
    EXPECT_TRUE(Call(*o, "Length") == Variant(std::int32_t{3})); // a get through a method call
    Put(*o, "Flag", Variant(std::int32_t{7}));
    EXPECT_EQ(toy.Flag, -1);
    EXPECT_TRUE(Get(*o, "Flag") == Variant::Boolean(true));
}

TEST(Component, ByReferenceArgumentsComeBack) {
    Ref<Object> o = ToyLibrary().Create("ToyLib.cToy");
    Variant args[] = {Variant("21"), Variant("label")};
    Variant r = Call(*o, "Twice", args);
    EXPECT_TRUE(r == Variant(std::int16_t{1}));
    EXPECT_TRUE(args[0] == Variant(std::int16_t{42})) << "by reference, in its parameter's type";
    EXPECT_TRUE(args[1] == Variant("label")) << "by value stays the caller's";
}

TEST(Component, FailuresCarryTheirNumbers) {
    Ref<Object> o = ToyLibrary().Create("ToyLib.cToy");
    Variant none[1];
    Variant two[2];
    struct Case {
        const char* what;
        std::function<void()> call;
        int error;
    } cases[] = {
        {"unknown member", [&] { Get(*o, "Nope"); }, 438},
        {"put on a read-only property", [&] { Put(*o, "Length", Variant(std::int32_t{1})); }, 438},
        {"get on a write-only property", [&] { Get(*o, "Secret"); }, 438},
        {"put on a method", [&] { Put(*o, "Twice", Variant(std::int16_t{1})); }, 438},
        {"too few arguments", [&] { Call(*o, "Twice", none); }, 450},
        {"arguments to a plain property", [&] { Get(*o, "Name", none); }, 450},
        {"conversion of an argument",
         [&] {
             Variant a[] = {Variant("x"), Variant("")};
             Call(*o, "Twice", a);
         },
         13},
        {"overflow of an argument",
         [&] {
             Variant a[] = {Variant(1e6), Variant("")};
             Call(*o, "Twice", a);
         },
         6},
        {"overflow inside the member",
         [&] {
             Variant a[] = {Variant(std::int16_t{20000}), Variant("")};
             Call(*o, "Twice", a);
         },
         6},
        {"raised by the member",
         [&] {
             Variant a[] = {Variant(std::int32_t{380})};
             Call(*o, "Fail", a);
         },
         380},
        {"C++ exception inside",
         [&] {
             Variant a[] = {Variant(std::int32_t{0})};
             Call(*o, "Fail", a);
         },
         440},
        {"object of another class",
         [&] {
             Variant a[] = {Variant(Ref<Object>(MakeRef<cOther>()))};
             Call(*o, "Pick", a);
         },
         13},
        {"slot 0", [&] { InvokeSlot(*o, 0, CallKind::Get, two); }, 438},
        {"slot past the end", [&] { InvokeSlot(*o, 99, CallKind::Get, {}); }, 438},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ErrorOf(c.call), c.error);
    }
    // The object is still usable, and a failed conversion changed nothing.
    auto& toy = static_cast<cToy&>(*o);
    Put(*o, "Count", Variant(std::int16_t{5}));
    EXPECT_EQ(ErrorOf([&] { Put(*o, "Count", Variant("many")); }), 13);
    EXPECT_EQ(toy.Count, 5);
    Variant a[] = {Variant(std::int16_t{3}), Variant("")};
    EXPECT_TRUE(Call(*o, "Twice", a) == Variant(std::int16_t{6}));
}

TEST(Component, TheMembersRaisedErrorKeepsItsDescription) {
    Ref<Object> o = ToyLibrary().Create("ToyLib.cToy");
    Variant a[] = {Variant(std::int32_t{0})};
    try {
        Call(*o, "Fail", a);
        FAIL();
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.Description(), "broken inside");
    }
    a[0] = Variant(std::int32_t{1234});
    try {
        Call(*o, "Fail", a);
        FAIL();
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.Description(), "Toy failed on purpose");
    }
}

TEST(Component, ObjectArgumentsAcceptNothingAndTheirOwnClass) {
    Ref<Object> o = ToyLibrary().Create("ToyLib.cToy");
    Ref<Object> other = ToyLibrary().Create("ToyLib.cToy");
    Variant a[] = {Variant(other)};
    EXPECT_EQ(Call(*o, "Pick", a).ToObject().get(), other.get());
    a[0] = Variant::Nothing();
    EXPECT_FALSE(Call(*o, "Pick", a).ToObject());
    // Another class that implements cToy's own interface fits as well.
    struct cToyLookalike : Object {
        const ClassInfo* Class() const noexcept override {
            static const InterfaceInfo itf = MemberTable<cToyLookalike>("_cToy", kToy).Build();
            static const ClassInfo cls{"cToyLookalike", kOtherClass, ClassKind::InterfaceClass, &itf, nullptr, {}, {}};
            return &cls;
        }
    };
    Ref<Object> lookalike = MakeRef<cToyLookalike>();
    a[0] = Variant(lookalike);
    EXPECT_EQ(Call(*o, "Pick", a).ToObject().get(), lookalike.get());
}

TEST(Component, EarlierSlotsReachTheSameMembers) {
    Ref<Object> o = ToyLibrary().Create("ToyLib.cToy");
    Ref<Object> v1 = QueryInterface(*o, kToyV1);
    ASSERT_TRUE(v1);
    const InterfaceInfo& itf = InterfaceOf(*v1);
    std::int32_t slots = 0;
    ASSERT_TRUE(itf.Answers(kToyV1, &slots));
    ASSERT_EQ(slots, 2);
    Variant value[] = {Variant("through slot 1")};
    InvokeSlot(*v1, 1, CallKind::Put, value);
    EXPECT_TRUE(Get(*o, "Name") == Variant("through slot 1"));
    Put(*o, "Count", Variant(std::int16_t{9}));
    EXPECT_TRUE(InvokeSlot(*v1, 2, CallKind::Get, {}) == Variant(std::int16_t{9}));
    for (const auto& m : itf.members)
        EXPECT_EQ(itf.AtSlot(m.slot), &m);
}

// ---- Description --------------------------------------------------------------------------

std::size_t Find(const std::string& text, const std::string& what, std::size_t from = 0) {
    std::size_t at = text.find(what, from);
    EXPECT_NE(at, std::string::npos) << "missing: " << what;
    return at == std::string::npos ? from : at;
}

TEST(Component, DescriptionFollowsTheTables) {
    std::string d = ToyLibrary().Describe();
    std::size_t at = Find(d, "uuid(11111111-2222-3333-4444-555555555555)");
    at = Find(d, "version(1.3)", at);
    at = Find(d, "helpstring(\"Toys for tests\")", at);
    at = Find(d, "library ToyLib", at);
    // Enumeration members in declaration order, not by value.
    at = Find(d, "tcRed = 2", at);
    at = Find(d, "tcBlue = 1", at);
    at = Find(d, "tcNone = 0", at);
    // Each earlier version is the base of the next, members in slot order.
    at = Find(d, "uuid(11111111-2222-3333-4444-000000000002)", at);
    at = Find(d, "interface _cToy_v1 : IDispatch", at);
    at = Find(d, "[id(1), propget] HRESULT Name([out, retval] BSTR* retval);", at);
    at = Find(d, "[id(1), propput] HRESULT Name([in] BSTR value);", at);
    at = Find(d, "[id(2), propget] HRESULT Count(", at);
    at = Find(d, "interface _cToy_v2 : _cToy_v1", at);
    at = Find(d, "[id(3), propget] HRESULT Flag([out, retval] VARIANT_BOOL* retval);", at);
    at = Find(d,
              "[id(4)] HRESULT Twice([in, out] short* Value, [in] BSTR Label, [out, retval] short* "
              "retval);",
              at);
    at = Find(d, "interface _cToy : _cToy_v2", at);
    at = Find(d, "[id(6)] HRESULT Fail([in] long Number);", at);
    at = Find(d, "[id(8), propput] HRESULT Secret(", at);
    at = Find(d, "dispinterface __uToy {", at);
    at = Find(d, "[id(1)] void Clicked([in] short Index);", at);
    at = Find(d, "progid(\"ToyLib.cToy\")", at);
    at = Find(d, "coclass cToy", at);
    at = Find(d, "[default] interface _cToy;", at);
    at = Find(d, "noncreatable", at);
    at = Find(d, "coclass iOther", at);
    at = Find(d, "control,\n        progid(\"ToyLib.uToy\")", at);
    at = Find(d,
              "coclass uToy {\n        [default] interface _uToy;\n        [default, source] "
              "dispinterface __uToy;",
              at);
    EXPECT_EQ(d.find("propget] HRESULT Secret"), std::string::npos)
        << "write-only property has no get";
    EXPECT_EQ(d.find("propput] HRESULT Length"), std::string::npos)
        << "read-only property has no put";
}

TEST(Guid, ReadsAndWritesItsText) {
    auto g = Guid::Parse("{7dbf3481-e3a9-4044-9822-591a39b1f967}");
    ASSERT_TRUE(g);
    EXPECT_EQ(g->ToString(), "{7DBF3481-E3A9-4044-9822-591A39B1F967}");
    EXPECT_EQ(Guid::Parse(g->ToString()), g);
    for (const char* bad :
         {"", "{7DBF3481-E3A9-4044-9822-591A39B1F96}", "7DBF3481xE3A9-4044-9822-591A39B1F967",
          "{7DBF3481-E3A9-4044-9822-591A39B1F96G}", "{7DBF3481-E3A9-4044-9822-591A39B1F967"})
        EXPECT_FALSE(Guid::Parse(bad)) << bad;
}

} // namespace
