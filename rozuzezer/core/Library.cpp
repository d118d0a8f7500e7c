#include "rozuzezer/core/Library.h"

#include "platform/base/Error.h"
#include "rozuzezer/capi/bvrozuzezer2.h"
#include "rozuzezer/core/Enums.h"

namespace rozuzezer {

using namespace platform::component;

namespace {

const std::vector<EnumInfo>& Enumerations() {
    static const std::vector<EnumInfo> enums = {
        {"enPlayerDisplayAlignment", {{"pdaBottom", pdaBottom}, {"pdaTop", pdaTop}}},
        {"enSettingOrPreference",
         {{"sopDisabled", sopDisabled},
          {"sopEnabled", sopEnabled},
          {"sopFollowPreference", sopFollowPreference}}},
        {"enCheckSettings",
         {{"cstFailed", cstFailed}, {"cstOK", cstOK}, {"cstDiscovered", cstDiscovered}}},
        {"enRecentPlayType",
         {{"rptIgnore", rptIgnore},
          {"rptFixedPeriod", rptFixedPeriod},
          {"rptDurationMultiple", rptDurationMultiple}}},
        {"enHDEND",
         {{"cheNonSpecific", cheNonSpecific},
          {"cheEnd", cheEnd},
          {"cheFades", cheFades},
          {"cheSustain", cheSustain},
          {"cheSlowFade", cheSlowFade}}},
        {"enHDItemType",
         {{"hitSong", hitSong},
          {"hitLink", hitLink},
          {"hitAdvert", hitAdvert},
          {"hitNonSpecific", hitNonSpecific}}},
        {"enLFFlags",
         {{"llfAutoDetect", llfAutoDetect},
          {"llfBext", llfBext},
          {"llfCartChunk", llfCartChunk},
          {"llfCopyrightFromTitle", llfCopyrightFromTitle},
          {"llfOrvanta", llfOrvanta},
          {"llfRarovidAderu", llfRarovidAderu}}},
        {"enHDInfoType",
         {{"hditPrePopup", hditPrePopup},
          {"hditNotes", hditNotes},
          {"hditWEB", hditWEB},
          {"hditRDS", hditRDS},
          {"hditDAB", hditDAB},
          {"hditURL", hditURL}}},
        {"enHDTimeType",
         {{"hdttPrePopup", hdttPrePopup},
          {"hdttIntroStart", hdttIntroStart},
          {"hdttIntroEnd", hdttIntroEnd},
          {"hdttHookStart", hdttHookStart},
          {"hdttHookEnd", hdttHookEnd},
          {"hdttExtro", hdttExtro},
          {"hdttLength", hdttLength}}},
        {"enEditInfo",
         {{"ehdDescriptions", ehdDescriptions},
          {"ehdIntroStart", ehdIntroStart},
          {"ehdIntroEnd", ehdIntroEnd},
          {"ehdExtro", ehdExtro},
          {"ehdHookStart", ehdHookStart},
          {"ehdHookEnd", ehdHookEnd},
          {"ehdLoopStart", ehdLoopStart},
          {"ehdLoopEnd", ehdLoopEnd},
          {"ehdLength", ehdLength},
          {"ehdAudio", ehdAudio},
          {"ehdNotes", ehdNotes},
          {"ehdRDS", ehdRDS},
          {"ehdDAB", ehdDAB},
          {"ehdWeb", ehdWeb},
          {"ehdURL", ehdURL},
          {"ehdCopyright", ehdCopyright}}},
        {"enPlayAudio",
         {{"epaPlayAll", epaPlayAll}, {"epaPlayHook", epaPlayHook}, {"epaPlayLoop", epaPlayLoop}}},
    };
    return enums;
}

const RecordInfo& SDateInfo() {
    static const RecordInfo info{
        "SDateRecord", Guid::Of(BVR_RECORDID_SDateRecord), {{"Date", tInt32}, {"Time", tSingle}}};
    return info;
}

// The wave format's unsigned fields travel as signed ones of the same width, bit for bit
// (a tag of &HFFFE reads -2), as the platform's own structure declares them.
const RecordInfo& WaveFormatInfo() {
    static const RecordInfo info{"WaveFormatRecord",
                                 Guid::Of(BVR_RECORDID_WaveFormatRecord),
                                 {{"wFormatTag", tInt16},
                                  {"nChannels", tInt16},
                                  {"nSamplesPerSec", tInt32},
                                  {"nAvgBytesPerSec", tInt32},
                                  {"nBlockAlign", tInt16},
                                  {"wBitsPerSample", tInt16},
                                  {"cbSize", tInt16}}};
    return info;
}

const Variant& FieldOf(const RecordValue& r, std::string_view name) {
    static const Variant empty;
    const Variant* f = r.Field(name);
    return f ? *f : empty;
}

std::uint16_t U16(const Variant& v) {
    return static_cast<std::uint16_t>(v.ToInt16());
}
std::uint32_t U32(const Variant& v) {
    return static_cast<std::uint32_t>(v.ToInt32());
}
Variant S16(std::uint16_t v) {
    return Variant(static_cast<std::int16_t>(v));
}
Variant S32(std::uint32_t v) {
    return Variant(static_cast<std::int32_t>(v));
}

const RecordValue& RecordOf(const Variant& v, const RecordInfo& info) {
    const RecordValue& r = v.ToRecord();
    if (!SameName(r.type, info.name)) platform::Raise(platform::err::TypeMismatch);
    return r;
}

} // namespace

TypeLibrary& Library() {
    static TypeLibrary* lib = [] {
        auto* l =
            new TypeLibrary("BVRozuzezer2", Guid::Of(BVR_LIBID), 2, 6, "Brevant Verudivur v2");
        l->AddRecord(SDateInfo());
        l->AddRecord(WaveFormatInfo());
        for (const EnumInfo& e : Enumerations())
            l->AddEnum(e);
        return l;
    }();
    return *lib;
}

Ref<Object> CreateObject(std::string_view progIdOrClassId) {
    return Library().Create(progIdOrClassId);
}

Variant ToVariant(const SDateRecord& r) {
    RecordValue v;
    v.type = SDateInfo().name;
    v.fields = {{"Date", Variant(r.Date)}, {"Time", Variant(r.Time)}};
    return Variant(std::move(v));
}

Variant ToVariant(const WaveFormatRecord& r) {
    RecordValue v;
    v.type = WaveFormatInfo().name;
    v.fields = {{"wFormatTag", S16(r.wFormatTag)},
                {"nChannels", S16(r.nChannels)},
                {"nSamplesPerSec", S32(r.nSamplesPerSec)},
                {"nAvgBytesPerSec", S32(r.nAvgBytesPerSec)},
                {"nBlockAlign", S16(r.nBlockAlign)},
                {"wBitsPerSample", S16(r.wBitsPerSample)},
                {"cbSize", S16(r.cbSize)}};
    return Variant(std::move(v));
}

SDateRecord SDateFromVariant(const Variant& v) {
    const RecordValue& r = RecordOf(v, SDateInfo());
    return {FieldOf(r, "Date").ToInt32(), FieldOf(r, "Time").ToSingle()};
}

WaveFormatRecord WaveFormatFromVariant(const Variant& v) {
    const RecordValue& r = RecordOf(v, WaveFormatInfo());
    WaveFormatRecord f;
    f.wFormatTag = U16(FieldOf(r, "wFormatTag"));
    f.nChannels = U16(FieldOf(r, "nChannels"));
    f.nSamplesPerSec = U32(FieldOf(r, "nSamplesPerSec"));
    f.nAvgBytesPerSec = U32(FieldOf(r, "nAvgBytesPerSec"));
    f.nBlockAlign = U16(FieldOf(r, "nBlockAlign"));
    f.wBitsPerSample = U16(FieldOf(r, "wBitsPerSample"));
    f.cbSize = U16(FieldOf(r, "cbSize"));
    return f;
}

} // namespace rozuzezer
