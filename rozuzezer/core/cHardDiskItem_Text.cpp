// The record's one-line text form: name=value items separated by single blanks, written
// and read in one fixed order of rows.
#include "rozuzezer/core/cHardDiskItem.h"

#include "platform/base/Numeric.h"
#include "shared/helpers/Utility.h"

#include <functional>
#include <vector>

namespace rozuzezer {
namespace {

using Item = cHardDiskItem;
constexpr std::string_view kSign = "=";
constexpr std::string_view kSeparator = " ";

struct Row {
    std::string key;
    bool textOnAppend; // the utility object's text flag when the item is written
    std::function<bool(const Item&)> written;
    std::function<std::string(const Item&)> value;
    std::function<void(Item&, const std::string&)> assign;
};

std::string Whole(std::int64_t v) { return std::to_string(v); }

std::int32_t ReadInt32(const std::string& v) { return platform::ToInt32(platform::Val(v)); }
std::int16_t ReadInt16(const std::string& v) { return platform::ToInt16(platform::Val(v)); }
float ReadSingle(const std::string& v) { return platform::ToSingle(platform::Val(v)); }

enum class When { Always, NotEmpty, AboveZero, NotZero };

template <typename T>
bool Holds(When w, const T& v) {
    if constexpr (std::is_same_v<T, std::string>) {
        return w == When::Always || !v.empty();
    } else {
        switch (w) {
        case When::Always: return true;
        case When::AboveZero: return v > 0;
        case When::NotZero: return v != 0;
        case When::NotEmpty: return true;
        }
        return true;
    }
}

Row Text(std::string key, std::string Item::*field, When w = When::NotEmpty, bool textFlag = true) {
    return {std::move(key), textFlag, [=](const Item& i) { return Holds(w, i.*field); },
            [=](const Item& i) { return i.*field; },
            [=](Item& i, const std::string& v) { i.*field = v; }};
}

Row Int32(std::string key, std::int32_t Item::*field, When w) {
    return {std::move(key), false, [=](const Item& i) { return Holds(w, i.*field); },
            [=](const Item& i) { return Whole(i.*field); },
            [=](Item& i, const std::string& v) { i.*field = ReadInt32(v); }};
}

Row Int16(std::string key, std::int16_t Item::*field, When w = When::AboveZero) {
    return {std::move(key), false, [=](const Item& i) { return Holds(w, i.*field); },
            [=](const Item& i) { return Whole(i.*field); },
            [=](Item& i, const std::string& v) { i.*field = ReadInt16(v); }};
}

Row Single(std::string key, float Item::*field) {
    return {std::move(key), false, [=](const Item& i) { return i.*field > 0; },
            [=](const Item& i) { return platform::FormatSingle(i.*field); },
            [=](Item& i, const std::string& v) { i.*field = ReadSingle(v); }};
}

// A single-precision marker reached through an indexed property.
Row Marker(std::string key, std::int16_t index, float (Item::*get)(std::int16_t) const,
           void (Item::*set)(std::int16_t, float)) {
    return {std::move(key) + std::to_string(index), false,
            [=](const Item& i) { return (i.*get)(index) > 0; },
            [=](const Item& i) { return platform::FormatSingle((i.*get)(index)); },
            [=](Item& i, const std::string& v) { (i.*set)(index, ReadSingle(v)); }};
}

std::vector<Row> BuildRows() {
    std::vector<Row> r;
    r.push_back(Text("Reference", &Item::Reference, When::Always));
    r.push_back(Int32("ItemType", &Item::ItemType, When::Always));
    // Written without the text flag: our item lists quote a bare value that would not read
    // back, so a file name with blanks survives.
    r.push_back(Text("AudioFileName", &Item::AudioFileName, When::NotEmpty, false));
    r.push_back(Int32("AudioFileLength", &Item::AudioFileLength, When::AboveZero));
    r.push_back(Text("ItemTitle", &Item::ItemTitle));
    r.push_back(Text("OtherInformation", &Item::OtherInformation));
    for (std::int16_t k = 1; k <= 3; ++k)
        r.push_back({"ArtistName" + std::to_string(k), true,
                     [=](const Item& i) { return !i.ArtistName(k).empty(); },
                     [=](const Item& i) { return i.ArtistName(k); },
                     [=](Item& i, const std::string& v) { i.SetArtistName(k, v); }});
    for (std::int16_t k = 1; k <= 5; ++k) {
        r.push_back({"LastPlay" + std::to_string(k), false,
                     [=](const Item& i) { return i.LastPlay(k) > 0; },
                     [=](const Item& i) { return platform::FormatDouble(i.LastPlay(k)); },
                     [=](Item& i, const std::string& v) {
                         i.SetLastPlay(k, platform::ToDateSerial(platform::Val(v)));
                     }});
        r.push_back({"LastPlayLocation" + std::to_string(k), false,
                     [=](const Item& i) { return i.LastPlayLocation(k) != 0; },
                     [=](const Item& i) { return Whole(i.LastPlayLocation(k)); },
                     [=](Item& i, const std::string& v) { i.SetLastPlayLocation(k, ReadInt16(v)); }});
    }
    for (std::int16_t k = 1; k <= 4; ++k)
        r.push_back({"Description" + std::to_string(k), true,
                     [=](const Item& i) { return !i.Description(k).empty(); },
                     [=](const Item& i) { return i.Description(k); },
                     [=](Item& i, const std::string& v) { i.SetDescription(k, v); }});
    r.push_back(Int16("Year", &Item::Year));
    r.push_back(Text("StudioNotes", &Item::Notes));
    r.push_back(Text("StudioNotesRTF", &Item::NotesRTF));
    r.push_back(Text("StudioNotesFileName", &Item::NotesFileName));
    r.push_back(Text("ItemURL", &Item::URL));
    r.push_back(Text("WebNotes", &Item::WebNotes));
    r.push_back(Text("DABNotes", &Item::DABNotes));
    r.push_back(Text("DABNotesRTF", &Item::DABNotesRTF));
    r.push_back(Text("ArtistURL", &Item::ArtistURL));
    r.push_back(Text("OnlineStoreReference", &Item::OnlineStoreReference));
    r.push_back(Int32("EndType", &Item::EndType, When::NotZero));
    r.push_back(Text("CopyrightProductTitle", &Item::CopyrightProductTitle));
    r.push_back(Text("CopyrightMusicTitle", &Item::CopyrightMusicTitle));
    r.push_back(Text("CopyrightRecordLabel", &Item::CopyrightRecordLabel));
    r.push_back(Text("CopyrightRecordNumber", &Item::CopyrightRecordNumber));
    r.push_back(Text("CopyrightComposer", &Item::CopyrightComposer));
    r.push_back(Text("CopyrightPerformer", &Item::CopyrightPerformer));
    r.push_back(Text("CopyrightPublisher", &Item::CopyrightPublisher));
    r.push_back(Text("CopyrightCode", &Item::CopyrightCode));
    r.push_back(Text("RightsManagementReference", &Item::RightsManagementReference));
    r.push_back(Single("CopyrightTotalDuration", &Item::CopyrightTotalDuration));
    r.push_back(Single("CopyrightMusicDuration", &Item::CopyrightMusicDuration));
    r.push_back(Int32("CreatedDate", &Item::CreatedDate, When::AboveZero));
    r.push_back(Single("CreatedTime", &Item::CreatedTime));
    r.push_back(Int32("AirStartDate", &Item::AirStartDate, When::AboveZero));
    r.push_back(Single("AirStartTime", &Item::AirStartTime));
    r.push_back(Int32("AirEndDate", &Item::AirEndDate, When::AboveZero));
    r.push_back(Single("AirEndTime", &Item::AirEndTime));
    r.push_back(Int16("PictureCount", &Item::PictureCount));
    r.push_back(Text("Category", &Item::Category));
    r.push_back(Text("CodingHistory", &Item::CodingHistory));
    r.push_back(Text("Client", &Item::Client));
    r.push_back(Text("OutCue", &Item::OutCue));
    r.push_back(Int16("Version", &Item::Version));
    r.push_back(Text("SchedulerReference", &Item::SchedulerReference));
    r.push_back(Text("Originator", &Item::Originator));
    r.push_back(Text("OriginatorReference", &Item::OriginatorReference));
    r.push_back(Int32("OriginationDate", &Item::OriginationDate, When::AboveZero));
    r.push_back(Single("OriginationTime", &Item::OriginationTime));
    r.push_back(Text("ProducerAppName", &Item::ProducerAppName));
    r.push_back(Text("ProducerAppVersion", &Item::ProducerAppVersion));
    for (std::int16_t k = 1; k <= 3; ++k)
        r.push_back(Marker("AudioStartEx", k, &Item::AudioStartEx, &Item::SetAudioStartEx));
    for (std::int16_t k = 1; k <= 3; ++k)
        r.push_back(Marker("IntroEx", k, &Item::IntroEx, &Item::SetIntroEx));
    for (std::int16_t k = 1; k <= 3; ++k)
        r.push_back(Marker("ExtroEx", k, &Item::ExtroEx, &Item::SetExtroEx));
    for (std::int16_t k = 1; k <= 3; ++k)
        r.push_back(Marker("OutroEx", k, &Item::OutroEx, &Item::SetOutroEx));
    r.push_back(Single("AudioEnd", &Item::AudioEnd));
    r.push_back(Single("TotalLength", &Item::TotalLength));
    r.push_back(Single("HookStart", &Item::HookStart));
    r.push_back(Single("HookEnd", &Item::HookEnd));
    r.push_back(Single("LoopStart", &Item::LoopStart));
    r.push_back(Single("LoopEnd", &Item::LoopEnd));
    r.push_back(Int32("LoopNumberLoops", &Item::LoopNumberLoops, When::AboveZero));
    r.push_back({"LoopPlayToEnd", false, [](const Item& i) { return i.LoopPlayToEnd != 0; },
                 [](const Item&) { return std::string("1"); },
                 [](Item& i, const std::string& v) {
                     i.LoopPlayToEnd = ToVBool(platform::Val(v) != 0);
                 }});
    r.push_back(Int16("IntroStartHW", &Item::IntroStartHW));
    r.push_back(Int16("IntroEndHW", &Item::IntroEndHW));
    r.push_back(Int16("ExtroHW", &Item::ExtroHW));
    r.push_back(Int16("HookStartHW", &Item::HookStartHW));
    r.push_back(Int16("HookEndHW", &Item::HookEndHW));
    r.push_back(Int32("BackColour", &Item::BackColour, When::NotZero));
    r.push_back(Int32("TextColour", &Item::TextColour, When::NotZero));
    return r;
}

const std::vector<Row>& Rows() {
    static const std::vector<Row> rows = BuildRows();
    return rows;
}

} // namespace

std::string cHardDiskItem::Serialisation() const {
    std::string text;
    for (const Row& row : Rows())
        if (row.written(*this))
            helpers::ItemList::AppendTo(text, row.key, row.value(*this), kSign, row.textOnAppend,
                                        kSeparator);
    return text;
}

void cHardDiskItem::SetSerialisation(const std::string& text) {
    // One pass over the text, then each row in order: a row that overflows stops the
    // assignment with the rows before it already applied.
    const auto items = helpers::ItemList::Parse(text, kSign, kSeparator);
    static const std::string kEmpty;
    for (const Row& row : Rows()) {
        auto it = items.find(helpers::ItemList::FoldName(row.key));
        row.assign(*this, it == items.end() ? kEmpty : it->second);
    }
}

} // namespace rozuzezer
