// The published table of cHardDiskItem and the interface classes: slot order, passing,
// value types, calls by name on a real record, and the type library built from them.
#include "platform/base/Error.h"
#include "platform/component/Dispatch.h"
#include "rozuzezer/capi/bvrozuzezer2.h"
#include "rozuzezer/core/Interfaces.h"
#include "rozuzezer/core/Library.h"
#include "rozuzezer/core/cHardDiskItem.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

using namespace platform::component;
using platform::RuntimeError;
using rozuzezer::cHardDiskItem;

namespace {

// Every member in the order of its slot, as hosts built against the class know them.
const std::vector<std::string> kSlotOrder = {
    "Reference", "ItemType", "FullInfo", "AudioFileName", "AudioFileLength", "ItemTitle",
    "OtherInformation", "Year", "Notes", "NotesRTF", "NotesFileName", "WebNotes", "DABNotes",
    "DABNotesRTF", "URL", "ArtistURL", "OnlineStoreReference", "EndType", "CopyrightProductTitle",
    "CopyrightMusicTitle", "CopyrightRecordLabel", "CopyrightRecordNumber", "CopyrightComposer",
    "CopyrightPerformer", "CopyrightPublisher", "CopyrightCode", "RightsManagementReference",
    "CopyrightTotalDuration", "CopyrightMusicDuration", "CreatedDate", "CreatedTime",
    "AirStartDate", "AirStartTime", "AirEndDate", "AirEndTime", "PictureCount", "Category",
    "CodingHistory", "Client", "OutCue", "Version", "SchedulerReference", "Originator",
    "OriginatorReference", "OriginationDate", "OriginationTime", "ProducerAppName",
    "ProducerAppVersion", "AudioEnd", "TotalLength", "HookStart", "HookEnd", "LoopStart", "LoopEnd",
    "LoopNumberLoops", "LoopPlayToEnd", "IntroStartHW", "IntroEndHW", "ExtroHW", "HookStartHW",
    "HookEndHW", "BackColour", "TextColour",
    // The members after the plain fields.
    "ArtistName", "Description", "AudioLength", "IntroLength", "HookLength", "AudioStart",
    "AudioStartEx", "IntroStart", "IntroEnd", "IntroEx", "Extro", "ExtroEx", "Outro", "OutroEx",
    "FullDescription", "LastPlay", "LastPlayLocation", "AirStartSDate", "AirEndSDate",
    "OriginationSDate", "WaveFormat", "AudioChannels", "AudioKHZ", "AudioBitRate", "AudioFormat",
    "EndTypeDescription", "IncrementVersion", "IsSame", "LoadFromWAVFile", "SaveToWAVFile",
    // Added after the first published version.
    "ChangeCount", "IncrementChangeCount", "Serialisation"};

const ClassInfo& ItemClass() {
    const ClassInfo* c = rozuzezer::Library().FindClass("BVRozuzezer2.cHardDiskItem");
    EXPECT_NE(c, nullptr);
    return *c;
}

const InterfaceInfo& ItemInterface() {
    return *ItemClass().defaultInterface;
}

Ref<cHardDiskItem> NewItem() {
    Ref<Object> o = rozuzezer::CreateObject("BVRozuzezer2.cHardDiskItem");
    return Ref<cHardDiskItem>(dynamic_cast<cHardDiskItem*>(o.get()));
}

int ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const RuntimeError& e) {
        return e.Number();
    }
    return 0;
}

// A member as one line: kind, parameters (& = by reference), type, and a by-reference let.
std::string Signature(const MemberInfo& m) {
    std::string s = m.kind == MemberKind::Method ? "method"
                    : m.CanPut()                 ? (m.CanGet() ? "get/put" : "put")
                                                 : "get";
    s += " (";
    for (std::size_t i = 0; i < m.params.size(); ++i)
        s += (i ? ", " : "") + m.params[i].name + " " + TypeName(m.params[i].type) +
             (m.params[i].byRef ? "&" : "");
    s += ") " + TypeName(m.type);
    if (m.putByRef) s += " let&";
    return s;
}

TEST(HardDiskItemClass, MembersStandInSlotOrder) {
    const InterfaceInfo& itf = ItemInterface();
    ASSERT_EQ(itf.members.size(), kSlotOrder.size());
    for (std::size_t i = 0; i < kSlotOrder.size(); ++i) {
        EXPECT_EQ(itf.members[i].name, kSlotOrder[i]) << "slot " << i + 1;
        EXPECT_EQ(itf.members[i].slot, static_cast<std::int32_t>(i + 1));
    }
    EXPECT_EQ(itf.name, "_cHardDiskItem");
    EXPECT_EQ(itf.iid, Guid::Of(BVR_IID__cHardDiskItem));
    // One earlier version, ending at SaveToWAVFile.
    ASSERT_EQ(itf.earlier.size(), 1u);
    EXPECT_EQ(itf.earlier[0].iid, Guid::Of(BVR_IID__cHardDiskItem_v1));
    ASSERT_GT(itf.earlier[0].slots, 0);
    EXPECT_EQ(itf.members[static_cast<std::size_t>(itf.earlier[0].slots) - 1].name,
              "SaveToWAVFile");
    EXPECT_EQ(itf.earlier[0].slots + 3, static_cast<std::int32_t>(itf.members.size()));

    const ClassInfo& cls = ItemClass();
    EXPECT_EQ(cls.name, "cHardDiskItem");
    EXPECT_EQ(cls.kind, ClassKind::Creatable);
    EXPECT_EQ(cls.clsid, Guid::Of(BVR_CLSID_cHardDiskItem));
    EXPECT_EQ(cls.progId, "BVRozuzezer2.cHardDiskItem");
}

TEST(HardDiskItemClass, MembersPassAndReturnTheirTypes) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"Reference", "get/put () BSTR"},
        {"ItemType", "get/put () enHDItemType"},
        {"FullInfo", "get/put () VARIANT_BOOL"},
        {"Year", "get/put () short"},
        {"EndType", "get/put () enHDEND"},
        {"CreatedDate", "get/put () long"},
        {"CreatedTime", "get/put () float"},
        {"LoopPlayToEnd", "get/put () VARIANT_BOOL"},
        {"BackColour", "get/put () OLE_COLOR"},
        {"TextColour", "get/put () OLE_COLOR"},
        {"ArtistName", "get/put (Index short&) BSTR"},
        {"Description", "get/put (Index short&) BSTR"},
        {"AudioLength", "get () float"},
        {"IntroLength", "get () float"},
        {"HookLength", "get () float"},
        {"AudioStart", "get/put () float"},
        {"AudioStartEx", "get/put (Index short) float"},
        {"IntroStart", "get/put () float"},
        {"IntroEnd", "get/put () float"},
        {"IntroEx", "get/put (Index short) float"},
        {"Extro", "get/put () float"},
        {"ExtroEx", "get/put (Index short) float"},
        {"Outro", "get/put () float"},
        {"OutroEx", "get/put (Index short) float"},
        {"FullDescription", "method () BSTR"},
        {"LastPlay", "get/put (Index short) DATE"},
        {"LastPlayLocation", "get/put (Index short) short"},
        {"AirStartSDate", "get/put () SDateRecord let&"},
        {"AirEndSDate", "get/put () SDateRecord let&"},
        {"OriginationSDate", "get/put () SDateRecord let&"},
        {"WaveFormat", "get () WaveFormatRecord"},
        {"AudioChannels", "get/put () short let&"},
        {"AudioKHZ", "get/put () long"},
        {"AudioBitRate", "get/put () short"},
        {"AudioFormat", "get/put () short"},
        {"EndTypeDescription", "get (ShortVersion VARIANT_BOOL) BSTR"},
        {"IncrementVersion", "method () VARIANT_BOOL"},
        {"IsSame", "method (cHDItem _cHardDiskItem*&, TestLastPlays VARIANT_BOOL&) VARIANT_BOOL"},
        {"LoadFromWAVFile", "method (Filename BSTR, Flags enLFFlags) VARIANT_BOOL"},
        {"SaveToWAVFile", "method (Filename BSTR, Flags enLFFlags) VARIANT_BOOL"},
        {"ChangeCount", "get/put () short"},
        {"IncrementChangeCount", "method () void"},
        {"Serialisation", "get/put () BSTR"},
    };
    for (const auto& [name, signature] : cases) {
        const MemberInfo* m = ItemInterface().Find(name);
        ASSERT_NE(m, nullptr) << name;
        EXPECT_EQ(Signature(*m), signature) << name;
    }
}

// A value of the member's type that differs from slot to slot.
Variant DistinctValue(const MemberInfo& m) {
    std::int16_t n = static_cast<std::int16_t>(m.slot);
    switch (m.type.type) {
    case ValueType::Text:
        return Variant("v" + std::to_string(n));
    case ValueType::Int16:
        return Variant(n);
    case ValueType::Int32:
    case ValueType::Enum:
    case ValueType::Colour:
        return Variant(std::int32_t{100000 + n});
    case ValueType::Single:
        return Variant(static_cast<float>(n) + 0.5f);
    case ValueType::Boolean:
        return Variant::FromVBool(n); // stored as it is, not only -1 and 0
    default:
        return {};
    }
}

TEST(HardDiskItemClass, EveryPlainFieldKeepsItsOwnValue) {
    Ref<cHardDiskItem> item = NewItem();
    std::vector<const MemberInfo*> fields;
    for (const auto& m : ItemInterface().members)
        if (m.kind == MemberKind::Property && m.params.empty() && m.CanPut() &&
            !DistinctValue(m).IsEmpty() && (m.slot <= 63 || m.name == "ChangeCount"))
            fields.push_back(&m);
    ASSERT_EQ(fields.size(), 64u);
    for (const MemberInfo* m : fields)
        Put(*item, m->name, DistinctValue(*m));
    for (const MemberInfo* m : fields) {
        Variant got = Get(*item, m->name);
        EXPECT_EQ(got.kind(), DistinctValue(*m).kind()) << m->name;
        EXPECT_TRUE(got == DistinctValue(*m)) << m->name << " reads " << got.ToText();
    }
    // And they are the record's own fields.
    EXPECT_EQ(item->ItemTitle, "v6");
    EXPECT_EQ(item->FullInfo, 3);
    EXPECT_EQ(item->TextColour, 100063);
    EXPECT_EQ(item->ChangeCount, 94);
    EXPECT_FLOAT_EQ(item->LoopEnd, 54.5f);
}

TEST(HardDiskItemClass, DefaultsReadThroughCalls) {
    Ref<cHardDiskItem> item = NewItem();
    EXPECT_TRUE(Get(*item, "LoopStart") == Variant(-1.0f));
    EXPECT_TRUE(Get(*item, "BackColour") == Variant(static_cast<std::int32_t>(0x8000000Fu)));
    EXPECT_TRUE(Get(*item, "TextColour") == Variant(static_cast<std::int32_t>(0x80000012u)));
    EXPECT_TRUE(Get(*item, "FullInfo") == Variant::Boolean(false));
    EXPECT_TRUE(Call(*item, "FullDescription") == Variant(""));
}

TEST(HardDiskItemClass, IndexedPropertiesByName) {
    Ref<cHardDiskItem> item = NewItem();
    Put(*item, "ItemTitle", Variant("Song"));
    Put(*item, "Description", Variant(std::int16_t{2}), Variant("Line two"));
    EXPECT_TRUE(Call(*item, "FullDescription") == Variant("Song Line two"));

    // The index of ArtistName goes by reference: it comes back in its own type.
    Variant artist[] = {Variant("2"), Variant("Band")};
    Invoke(*item, "ArtistName", CallKind::Put, artist);
    EXPECT_TRUE(artist[0] == Variant(std::int16_t{2}));
    EXPECT_EQ(item->ArtistName(2), "Band");
    // AudioStartEx takes it by value: the caller's value stays as it was.
    Variant start[] = {Variant("3"), Variant(7.25)};
    Invoke(*item, "AudioStartEx", CallKind::Put, start);
    EXPECT_TRUE(start[0] == Variant("3"));
    EXPECT_FLOAT_EQ(item->AudioStartEx(3), 7.25f);

    // Outside the bounds: empty values, no error, nothing changed.
    Variant five[] = {Variant(std::int16_t{5})};
    EXPECT_TRUE(Get(*item, "Description", five) == Variant(""));
    Put(*item, "Description", Variant(std::int16_t{5}), Variant("lost"));
    EXPECT_TRUE(Call(*item, "FullDescription") == Variant("Song Band Line two"));

    Put(*item, "IntroEnd", Variant(4.0f));
    Variant three[] = {Variant(std::int16_t{3})};
    EXPECT_TRUE(Get(*item, "IntroEx", three) == Variant(4.0f));
    Put(*item, "LastPlay", Variant(std::int16_t{1}), Variant(45000.5));
    Variant one[] = {Variant(std::int16_t{1})};
    EXPECT_TRUE(Get(*item, "LastPlay", one) == Variant::Date(45000.5));
}

TEST(HardDiskItemClass, RecordsCrossAsNamedFields) {
    Ref<cHardDiskItem> item = NewItem();
    RecordValue when{"SDateRecord",
                     {{"Date", Variant(std::int32_t{45000})}, {"Time", Variant(3600.5f)}}};
    Variant arg[] = {Variant(when)};
    Invoke(*item, "AirStartSDate", CallKind::Put, arg);
    EXPECT_EQ(item->AirStartDate, 45000);
    EXPECT_FLOAT_EQ(item->AirStartTime, 3600.5f);
    EXPECT_EQ(arg[0].kind(), Variant::Kind::Record); // handed back, by reference

    item->AirEndDate = 45100;
    item->AirEndTime = 60;
    const RecordValue got = Get(*item, "AirEndSDate").ToRecord();
    EXPECT_EQ(got.type, "SDateRecord");
    ASSERT_EQ(got.fields.size(), 2u);
    EXPECT_TRUE(*got.Field("Date") == Variant(std::int32_t{45100}));
    EXPECT_TRUE(*got.Field("time") == Variant(60.0f));

    rozuzezer::WaveFormatRecord f{0xFFFE, 2, 48000, 192000, 4, 16, 22};
    item->SetWaveFormat(f);
    Put(*item, "AudioKHZ", Variant(std::int32_t{44100}));
    const RecordValue wf = Get(*item, "WaveFormat").ToRecord();
    EXPECT_TRUE(*wf.Field("wFormatTag") == Variant(std::int16_t{-2}))
        << "the 16-bit pattern, unchanged";
    EXPECT_TRUE(*wf.Field("nSamplesPerSec") == Variant(std::int32_t{44100}));
    EXPECT_TRUE(*wf.Field("nAvgBytesPerSec") == Variant(std::int32_t{192000}));
    EXPECT_EQ(rozuzezer::WaveFormatFromVariant(Variant(wf)).wFormatTag, 0xFFFE);

    EXPECT_EQ(ErrorOf([&] { Put(*item, "WaveFormat", Variant(wf)); }), 438);
    EXPECT_EQ(ErrorOf([&] { Put(*item, "OriginationSDate", Variant(wf)); }), 13);
    EXPECT_EQ(ErrorOf([&] { Put(*item, "OriginationSDate", Variant(45000.0)); }), 13);
    EXPECT_EQ(item->OriginationDate, 0);
}

class NotAnItem : public rozuzezer::iEditHardDiskItem {};

TEST(HardDiskItemClass, IsSameTakesAnItem) {
    Ref<cHardDiskItem> a = NewItem();
    Ref<cHardDiskItem> b = NewItem();
    Variant args[] = {Variant(Ref<Object>(b)), Variant::Boolean(true)};
    EXPECT_TRUE(Call(*a, "IsSame", args) == Variant::Boolean(true));
    b->ItemTitle = "Other";
    EXPECT_TRUE(Call(*a, "IsSame", args) == Variant::Boolean(false));

    Variant nothing[] = {Variant::Nothing(), Variant::Boolean(false)};
    EXPECT_EQ(ErrorOf([&] { Call(*a, "IsSame", nothing); }), 91);
    Variant stranger[] = {Variant(Ref<Object>(MakeRef<NotAnItem>())), Variant::Boolean(false)};
    EXPECT_EQ(ErrorOf([&] { Call(*a, "IsSame", stranger); }), 13);
    Variant text[] = {Variant("item"), Variant::Boolean(false)};
    EXPECT_EQ(ErrorOf([&] { Call(*a, "IsSame", text); }), 13);
    EXPECT_TRUE(Call(*a, "IsSame", args) == Variant::Boolean(false)); // still usable
}

// A host's own record: no object of the library, but it answers the item's members by name
// (each forwarded to a record it holds), except those it leaves out; `raising` fails.
class HostRecord : public Object {
public:
    HostRecord(Ref<cHardDiskItem> inner, std::vector<std::string> leftOut, std::string raising)
        : inner_(std::move(inner)) {
        itf_.name = "_cHardDiskItem";
        for (const MemberInfo& m : InterfaceOf(*inner_).members) {
            if (std::find(leftOut.begin(), leftOut.end(), m.name) != leftOut.end()) continue;
            MemberInfo f;
            f.name = m.name;
            f.kind = m.kind;
            f.params = m.params;
            f.type = m.type;
            const bool raise = m.name == raising;
            f.get = [this, name = m.name, raise](Object&, Args a) {
                if (raise) platform::Raise(platform::err::Overflow);
                std::vector<Variant> args(a.begin(), a.end());
                return Get(*inner_, name, args);
            };
            itf_.members.push_back(std::move(f));
        }
        itf_.Seal();
        cls_.name = "HostRecord";
        cls_.kind = ClassKind::InterfaceClass;
        cls_.defaultInterface = &itf_;
    }
    const ClassInfo* Class() const noexcept override { return &cls_; }

private:
    Ref<cHardDiskItem> inner_;
    InterfaceInfo itf_;
    ClassInfo cls_;
};

TEST(HardDiskItemClass, IsSameReadsAnyRecordByItsMembers) {
    Ref<cHardDiskItem> a = NewItem();
    Ref<cHardDiskItem> held = NewItem();
    for (cHardDiskItem* r : {a.get(), held.get()}) {
        r->ItemTitle = "Title";
        r->SetArtistName(2, "Second artist");
        r->SetLastPlay(3, 45000.5);
        r->SetIntroEx(3, 2.5f);
        r->FullInfo = 1; // a Boolean stored as 1
    }
    auto host = [&](std::vector<std::string> leftOut = {}, std::string raising = "") {
        return Variant(Ref<Object>(MakeRef<HostRecord>(held, std::move(leftOut), std::move(raising))));
    };
    auto isSame = [&](Variant other, bool lastPlays) {
        Variant args[] = {std::move(other), Variant::Boolean(lastPlays)};
        return Call(*a, "IsSame", args) == Variant::Boolean(true);
    };
    EXPECT_TRUE(isSame(host(), true));
    held->SetArtistName(2, "second artist");
    EXPECT_FALSE(isSame(host(), true));
    held->SetArtistName(2, "Second artist");
    held->SetLastPlay(3, 45001);
    EXPECT_TRUE(isSame(host(), false));
    EXPECT_FALSE(isSame(host(), true));
    held->SetLastPlay(3, 45000.5);
    held->FullInfo = -1;
    EXPECT_FALSE(isSame(host(), true));
    held->FullInfo = 1;
    held->SetWaveFormat({1, 2, 44100, 1, 1, 16, 0});
    EXPECT_FALSE(isSame(host(), true)); // the format, read as a record
    held->SetWaveFormat(a->WaveFormat());

    // A read that fails fails the call with its error; the comparison stops at the first
    // difference, so a member behind it is never read.
    EXPECT_EQ(ErrorOf([&] { isSame(host({"TextColour"}), true); }), 438);
    EXPECT_EQ(ErrorOf([&] { isSame(host({}, "WaveFormat"), true); }), 6);
    EXPECT_EQ(ErrorOf([&] { isSame(host({"LastPlay"}), true); }), 438);
    EXPECT_TRUE(isSame(host({"LastPlay"}), false));
    held->Reference = "other";
    EXPECT_FALSE(isSame(host({"TextColour"}), true));
}

TEST(HardDiskItemClass, ErrorsLeaveTheRecordUsable) {
    Ref<cHardDiskItem> item = NewItem();
    Put(*item, "Year", Variant(std::int16_t{1999}));
    EXPECT_EQ(ErrorOf([&] { Put(*item, "Year", Variant(std::int32_t{40000})); }), 6);
    EXPECT_EQ(ErrorOf([&] { Put(*item, "Year", Variant("nineteen")); }), 13);
    EXPECT_EQ(item->Year, 1999);
    // A date a host makes up must not reach the record, where the text form would read it.
    EXPECT_EQ(
        ErrorOf([&] { Put(*item, "LastPlay", Variant(std::int16_t{1}), Variant::Date(1.8e185)); }),
        6);
    EXPECT_EQ(item->LastPlay(1), 0.0);

    Put(*item, "ChangeCount", Variant(std::int16_t{31}));
    Call(*item, "IncrementChangeCount");
    EXPECT_TRUE(Get(*item, "ChangeCount") == Variant(std::int16_t{33}));
    Put(*item, "ChangeCount", Variant(std::int16_t{32767}));
    EXPECT_EQ(ErrorOf([&] { Call(*item, "IncrementChangeCount"); }), 6);
    EXPECT_EQ(item->ChangeCount, 32767);

    EXPECT_EQ(ErrorOf([&] { Get(*item, "NoSuchField"); }), 438);
    EXPECT_EQ(ErrorOf([&] { Put(*item, "AudioLength", Variant(1.0f)); }), 438);
    Put(*item, "itemtitle", Variant("Still here"));
    EXPECT_EQ(item->ItemTitle, "Still here");
}

TEST(HardDiskItemClass, TheEarlierInterfaceIsTheSameObjectWithTheSameSlots) {
    Ref<cHardDiskItem> item = NewItem();
    Ref<Object> v1 = QueryInterface(*item, Guid::Of(BVR_IID__cHardDiskItem_v1));
    ASSERT_EQ(v1.get(), item.get());
    EXPECT_EQ(QueryInterface(*item, Guid::Of(BVR_IID__cAudioSettings)).get(), nullptr);

    const InterfaceInfo& itf = InterfaceOf(*v1);
    std::int32_t slots = 0;
    ASSERT_TRUE(itf.Answers(Guid::Of(BVR_IID__cHardDiskItem_v1), &slots));
    for (std::int32_t s = 1; s <= slots; ++s)
        EXPECT_EQ(itf.AtSlot(s)->name, kSlotOrder[static_cast<std::size_t>(s) - 1]) << "slot " << s;

    std::int32_t title = itf.Find("ItemTitle")->slot;
    Variant v[] = {Variant("By slot")};
    InvokeSlot(*v1, title, CallKind::Put, v);
    EXPECT_EQ(item->ItemTitle, "By slot");
    std::int32_t same = itf.Find("IsSame")->slot;
    Variant args[] = {Variant(Ref<Object>(item)), Variant::Boolean(false)};
    EXPECT_TRUE(InvokeSlot(*v1, same, CallKind::Method, args) == Variant::Boolean(true));
}

// ---- Interface classes --------------------------------------------------------------------

class Editor : public rozuzezer::iEditHardDiskItem {
public:
    bool EditInformation(std::int32_t InfoType) override { return InfoType == rozuzezer::ehdNotes; }
};

class Callback : public rozuzezer::iAudioCallback {
public:
    void HardDiskItemUpdated(const std::string& HDRef) override { updated.push_back(HDRef); }
    std::vector<std::string> updated;
};

TEST(InterfaceClasses, AreNotCreatable) {
    for (const char* name :
         {"BVRozuzezer2.iEditHardDiskItem", "BVRozuzezer2.iAudioCallback",
          BVR_CLSID_iEditHardDiskItem, BVR_CLSID_iAudioCallback, "BVRozuzezer2.cNothing"})
        EXPECT_EQ(ErrorOf([&] { rozuzezer::CreateObject(name); }), 429) << name;
    const ClassInfo* edit = rozuzezer::Library().FindClass(Guid::Of(BVR_CLSID_iEditHardDiskItem));
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->kind, ClassKind::InterfaceClass);
    EXPECT_TRUE(edit->progId.empty());
}

TEST(InterfaceClasses, LibraryDefinitionsDoNothing) {
    auto plain = MakeRef<rozuzezer::iEditHardDiskItem>();
    Variant info[] = {Variant(std::int32_t{rozuzezer::ehdNotes})};
    EXPECT_TRUE(Call(*plain, "EditInformation", info) == Variant::Boolean(false));
    EXPECT_TRUE(Call(*plain, "PlayAudio", info) == Variant::Boolean(false));
    Variant ref[] = {Variant("A1")};
    Call(*MakeRef<rozuzezer::iAudioCallback>(), "DisplayHardDiskItem", ref);

    // A host's implementation answers through the same members.
    auto editor = MakeRef<Editor>();
    EXPECT_TRUE(Call(*editor, "EditInformation", info) == Variant::Boolean(true));
    EXPECT_TRUE(QueryInterface(*editor, Guid::Of(BVR_IID__iEditHardDiskItem)));
    auto callback = MakeRef<Callback>();
    Call(*callback, "HardDiskItemUpdated", ref);
    EXPECT_EQ(callback->updated, std::vector<std::string>{"A1"});
}

// ---- Type library --------------------------------------------------------------------------

struct Enumeration {
    std::string name;
    std::vector<std::pair<std::string, std::int32_t>> members;
};

const std::vector<Enumeration> kEnums = {
    {"enPlayerDisplayAlignment", {{"pdaBottom", 0}, {"pdaTop", 1}}},
    {"enSettingOrPreference",
     {{"sopDisabled", 0}, {"sopEnabled", 1}, {"sopFollowPreference", 255}}},
    {"enCheckSettings", {{"cstFailed", 1}, {"cstOK", 2}, {"cstDiscovered", 3}}},
    {"enRecentPlayType", {{"rptIgnore", 0}, {"rptFixedPeriod", 1}, {"rptDurationMultiple", 2}}},
    {"enHDEND",
     {{"cheNonSpecific", 0},
      {"cheEnd", 1},
      {"cheFades", 2},
      {"cheSustain", 4},
      {"cheSlowFade", 8}}},
    {"enHDItemType",
     {{"hitSong", 1}, {"hitLink", 257}, {"hitAdvert", 513}, {"hitNonSpecific", 4095}}},
    {"enLFFlags",
     {{"llfAutoDetect", 0},
      {"llfBext", 1},
      {"llfCartChunk", 2},
      {"llfCopyrightFromTitle", 4},
      {"llfOrvanta", 4099},
      {"llfRarovidAderu", 8195}}},
    {"enHDInfoType",
     {{"hditPrePopup", 0},
      {"hditNotes", 769},
      {"hditWEB", 785},
      {"hditRDS", 772},
      {"hditDAB", 776},
      {"hditURL", 799}}},
    {"enHDTimeType",
     {{"hdttPrePopup", 0},
      {"hdttIntroStart", 257},
      {"hdttIntroEnd", 271},
      {"hdttHookStart", 289},
      {"hdttHookEnd", 303},
      {"hdttExtro", 273},
      {"hdttLength", 511}}},
    {"enEditInfo",
     {{"ehdDescriptions", 1},
      {"ehdIntroStart", 257},
      {"ehdIntroEnd", 271},
      {"ehdExtro", 273},
      {"ehdHookStart", 289},
      {"ehdHookEnd", 303},
      {"ehdLoopStart", 305},
      {"ehdLoopEnd", 319},
      {"ehdLength", 511},
      {"ehdAudio", 513},
      {"ehdNotes", 769},
      {"ehdRDS", 772},
      {"ehdDAB", 776},
      {"ehdWeb", 785},
      {"ehdURL", 799},
      {"ehdCopyright", 849}}},
    {"enPlayAudio", {{"epaPlayAll", 1}, {"epaPlayHook", 289}, {"epaPlayLoop", 305}}},
};

TEST(TypeLibrary, NamesTheLibrary) {
    const auto& lib = rozuzezer::Library();
    EXPECT_EQ(lib.Name(), "BVRozuzezer2");
    EXPECT_EQ(lib.MajorVersion(), 2);
    EXPECT_EQ(lib.MinorVersion(), 6);
    EXPECT_EQ(lib.HelpString(), "Brevant Verudivur v2");
    std::string text = lib.Describe();
    EXPECT_EQ(text, bvr_type_library());
    EXPECT_NE(text.find("uuid(7DBF3481-E3A9-4044-9822-591A39B1F967),\n    version(2.6),\n    "
                        "helpstring(\"Brevant "
                        "Verudivur v2\")\n]\nlibrary BVRozuzezer2"),
              std::string::npos);
}

TEST(TypeLibrary, ListsEveryEnumerationInDeclarationOrder) {
    const auto& lib = rozuzezer::Library();
    ASSERT_EQ(lib.Enums().size(), kEnums.size());
    std::string text = lib.Describe();
    std::size_t at = 0;
    for (std::size_t i = 0; i < kEnums.size(); ++i) {
        const EnumInfo& e = *lib.Enums()[i];
        EXPECT_EQ(e.name, kEnums[i].name);
        EXPECT_EQ(e.members, kEnums[i].members) << e.name;
        std::string block = "typedef enum " + kEnums[i].name + " {\n";
        for (std::size_t k = 0; k < kEnums[i].members.size(); ++k)
            block += "        " + kEnums[i].members[k].first + " = " +
                     std::to_string(kEnums[i].members[k].second) +
                     (k + 1 < kEnums[i].members.size() ? ",\n" : "\n");
        std::size_t found = text.find(block, at);
        EXPECT_NE(found, std::string::npos) << block;
        if (found != std::string::npos) at = found;
    }
}

TEST(TypeLibrary, ListsTheItemMembersInSlotOrder) {
    std::string text = rozuzezer::Library().Describe();
    std::size_t begin = text.find("interface _cHardDiskItem_v1 : IDispatch {");
    std::size_t current = text.find("interface _cHardDiskItem : _cHardDiskItem_v1 {");
    ASSERT_NE(begin, std::string::npos);
    ASSERT_NE(current, std::string::npos);
    std::size_t end = text.find("};", current);
    // Each member's first line, in text order: "[id(n)...] HRESULT Name(".
    std::vector<std::string> names;
    std::int32_t lastId = 0;
    for (std::size_t at = text.find("[id(", begin); at < end; at = text.find("[id(", at + 1)) {
        std::int32_t id = std::stoi(text.substr(at + 4));
        std::size_t name = text.find("HRESULT ", at) + 8;
        if (id == lastId) continue; // the put of a property with a get
        EXPECT_EQ(id, lastId + 1);
        lastId = id;
        names.push_back(text.substr(name, text.find('(', name) - name));
    }
    EXPECT_EQ(names, kSlotOrder);
    // The current interface carries its own id, the earlier one the earlier id.
    std::size_t id = text.rfind("uuid(", current);
    EXPECT_EQ(text.compare(id, 42, "uuid(8B005EBC-C832-4DA7-9194-84B4D5EFB5D6)"), 0);
    id = text.rfind("uuid(", begin);
    EXPECT_EQ(text.compare(id, 42, "uuid(AEAD9634-CBB3-4B00-9D55-85C391F45820)"), 0);
}

TEST(TypeLibrary, DescribesTheClasses) {
    std::string text = rozuzezer::Library().Describe();
    for (const char* expected : {
             "    [\n        uuid(F8AC1F95-079E-4631-9010-051CA5F423B6),\n        "
             "progid(\"BVRozuzezer2.cHardDiskItem\")\n"
             "    ]\n    coclass cHardDiskItem {\n        [default] interface _cHardDiskItem;\n    "
             "};",
             "        noncreatable\n    ]\n    coclass iEditHardDiskItem {\n        [default] "
             "interface _iEditHardDiskItem;",
             "        noncreatable\n    ]\n    coclass iAudioCallback {\n        [default] "
             "interface _iAudioCallback;",
             "[id(1)] HRESULT EditInformation([in] enEditInfo InfoType, [out, retval] "
             "VARIANT_BOOL* retval);",
             "[id(2)] HRESULT PlayAudio([in] enPlayAudio AudioType, [out, retval] VARIANT_BOOL* "
             "retval);",
             "[id(1)] HRESULT HardDiskItemUpdated([in] BSTR HDRef);",
             "[id(2)] HRESULT DisplayHardDiskItem([in] BSTR HDRef);",
             "struct SDateRecord {\n        long Date;\n        float Time;\n    }",
             "[id(91)] HRESULT IsSame([in, out] _cHardDiskItem** cHDItem, [in, out] VARIANT_BOOL* "
             "TestLastPlays, "
             "[out, retval] VARIANT_BOOL* retval);",
         })
        EXPECT_NE(text.find(expected), std::string::npos) << expected;
}

} // namespace
