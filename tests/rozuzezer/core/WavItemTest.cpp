#include "rozuzezer/core/cHardDiskItem.h"

#include "platform/base/DateTime.h"
#include "platform/base/MessageBox.h"
#include "rozuzezer/core/MultimediaAPI.h"
#include "rozuzezer/core/WavFixture.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <utility>
#include <vector>

#include <sys/stat.h>

using namespace rozuzezer;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;
namespace fx = wavfixture;

namespace {

constexpr std::int32_t kRate = 44100;

std::string CartPayload(const CartChunkRecord& r, const std::string& tags) {
    unsigned char img[2048];
    EncodeCart(r, img);
    return std::string(reinterpret_cast<char*>(img), 2048) + tags;
}

CartChunkRecord BlankCart() {
    CartChunkRecord r;
    for (auto& t : r.PostTimer) {
        SetField(t.Usage, "");
        t.Value = 0xFFFFFFFFu;
    }
    return r;
}

std::string WavWithCart(const CartChunkRecord& r, const std::string& tags, std::uint32_t rate = kRate) {
    return fx::Build({{"fmt ", fx::Fmt(2, rate, 16)}, {"data", fx::Audio(rate * 4)}, {"cart", CartPayload(r, tags)}});
}

// An item with every field the writer carries.
void FillItem(cHardDiskItem& it) {
    it.ItemTitle = "Café del Mar";
    it.SetArtistName(1, "Artïst");
    it.SchedulerReference = "CUT0042";
    it.Client = "Client Ltd";
    it.Category = "MUSIC";
    it.OutCue = "and that was it";
    it.URL = "http://example.org/x";
    it.AirStartDate = platform::DayNumber(platform::DateSerial(2024, 3, 1));
    it.AirStartTime = 6 * 3600 + 30 * 60 + 15;
    it.AirEndDate = platform::DayNumber(platform::DateSerial(2025, 12, 31));
    it.AirEndTime = 23 * 3600 + 59 * 60 + 59;
    it.ProducerAppName = "Brevant CartChunk Interface";
    it.ProducerAppVersion = "v2.6.0";
    it.OnlineStoreReference = "STORE-1";
    it.CopyrightCode = "ISRC123";
    it.CopyrightComposer = "Composer";
    it.CopyrightMusicTitle = "Music title";
    it.CopyrightPublisher = "Publisher";
    it.CopyrightPerformer = "Performer";
    it.CopyrightProductTitle = "Album";
    it.CopyrightRecordLabel = "Label";
    it.CopyrightRecordNumber = "LBL-7";
    it.CopyrightMusicDuration = 183.47f;
    it.CopyrightTotalDuration = 3725.5f;
    it.DABNotes = "DAB text";
    it.WebNotes = "Web notes";
    it.RightsManagementReference = "RM-9";
    it.Notes = "Studio notes\r\nline two";
    it.BackColour = 0x00FF00;
    it.TextColour = static_cast<std::int32_t>(0x80000008u);
    it.EndType = cheFades;
    it.AudioEnd = 0.9f;
    it.SetIntroEx(1, 0.1f);
    it.SetIntroEx(2, 0.2f);
    it.SetIntroEx(3, 0.3f);
    it.SetExtroEx(1, 0.7f);
    it.SetOutroEx(1, 0.8f);
    it.HookStart = 0.25f;
    it.HookEnd = 0.5f;
    it.SetDescription(1, "Description line");
    it.Originator = "Originator";
    it.OriginatorReference = "REF-1";
    it.OriginationDate = platform::DayNumber(platform::DateSerial(2023, 7, 14));
    it.OriginationTime = 12 * 3600 + 1;
    it.Version = 12;
}

TEST(WavItemTest, SaveThenLoadGivesTheFieldsBack) {
    TempDir dir;
    WriteFile(dir / "a.wav", fx::Simple(kRate));
    cHardDiskItem w;
    FillItem(w);
    w.AudioFileName = dir / "a.wav";
    ASSERT_TRUE(w.SaveToWAVFile(dir / "a.wav", 3));
    const std::string bytes = ReadFile(dir / "a.wav");
    EXPECT_EQ(fx::Count(bytes, "cart"), 1u);
    EXPECT_EQ(fx::Count(bytes, "bext"), 1u);
    EXPECT_LT(bytes.find("cart"), bytes.find("bext")); // cart appended first
    EXPECT_EQ(w.AudioFileLength, static_cast<std::int32_t>(fx::Simple(kRate).size()));
    EXPECT_FLOAT_EQ(w.TotalLength, 1.0f);

    cHardDiskItem r;
    ASSERT_TRUE(r.LoadFromWAVFile(dir / "a.wav", 3));
    EXPECT_EQ(r.AudioFileName, dir / "a.wav");
    EXPECT_FLOAT_EQ(r.TotalLength, 1.0f);
    EXPECT_EQ(r.AudioKHZ(), kRate);
    EXPECT_EQ(r.ItemTitle, w.ItemTitle);
    EXPECT_EQ(r.ArtistName(1), w.ArtistName(1));
    EXPECT_EQ(r.SchedulerReference, w.SchedulerReference);
    EXPECT_EQ(r.Client, w.Client);
    EXPECT_EQ(r.Category, w.Category);
    EXPECT_EQ(r.OutCue, w.OutCue);
    EXPECT_EQ(r.URL, w.URL);
    EXPECT_EQ(r.ArtistURL, w.URL);
    EXPECT_EQ(r.AirStartDate, w.AirStartDate);
    EXPECT_EQ(r.AirStartTime, w.AirStartTime);
    EXPECT_EQ(r.AirEndDate, w.AirEndDate);
    EXPECT_EQ(r.AirEndTime, w.AirEndTime);
    EXPECT_EQ(r.ProducerAppName, w.ProducerAppName);
    EXPECT_EQ(r.ProducerAppVersion, w.ProducerAppVersion);
    for (auto [a, b] : {std::pair{&r.OnlineStoreReference, &w.OnlineStoreReference},
                        {&r.CopyrightCode, &w.CopyrightCode},
                        {&r.CopyrightComposer, &w.CopyrightComposer},
                        {&r.CopyrightMusicTitle, &w.CopyrightMusicTitle},
                        {&r.CopyrightPublisher, &w.CopyrightPublisher},
                        {&r.CopyrightPerformer, &w.CopyrightPerformer},
                        {&r.CopyrightProductTitle, &w.CopyrightProductTitle},
                        {&r.CopyrightRecordLabel, &w.CopyrightRecordLabel},
                        {&r.CopyrightRecordNumber, &w.CopyrightRecordNumber},
                        {&r.DABNotes, &w.DABNotes},
                        {&r.WebNotes, &w.WebNotes},
                        {&r.RightsManagementReference, &w.RightsManagementReference},
                        {&r.Notes, &w.Notes}})
        EXPECT_EQ(*a, *b);
    EXPECT_EQ(r.CopyrightMusicDuration, w.CopyrightMusicDuration);
    EXPECT_EQ(r.CopyrightTotalDuration, w.CopyrightTotalDuration);
    EXPECT_EQ(r.BackColour, w.BackColour);
    EXPECT_EQ(r.TextColour, w.TextColour);
    EXPECT_EQ(r.EndType, cheFades);
    EXPECT_NEAR(r.IntroEx(1), 0.1f, 1e-4);
    EXPECT_NEAR(r.IntroEx(2), 0.2f, 1e-4);
    EXPECT_NEAR(r.IntroEx(3), 0.3f, 1e-4);
    EXPECT_NEAR(r.ExtroEx(1), 0.7f, 1e-4);
    EXPECT_NEAR(r.OutroEx(1), 0.8f, 1e-4);
    EXPECT_NEAR(r.HookStart, 0.25f, 1e-4);
    EXPECT_NEAR(r.HookEnd, 0.5f, 1e-4);
    EXPECT_EQ(r.Description(1), w.Description(1));
    EXPECT_EQ(r.Originator, w.Originator);
    EXPECT_EQ(r.OriginatorReference, w.OriginatorReference);
    EXPECT_EQ(r.OriginationDate, w.OriginationDate);
    EXPECT_EQ(r.OriginationTime, w.OriginationTime);
    EXPECT_EQ(r.Version, 12);

    // A second save rewrites in place: same size, still one chunk of each.
    ASSERT_TRUE(w.SaveToWAVFile(dir / "a.wav", 3));
    EXPECT_EQ(ReadFile(dir / "a.wav").size(), bytes.size());
}

// Every field a save carries, one at a time, in each dialect that carries it: what the
// writer writes the reader gives back.
enum Dialects : unsigned { kPlain = 1, kOrvanta = 2, kRarovid = 4, kAll = 7 };

struct RoundTrip {
    const char* name;
    unsigned dialects;
    std::function<void(cHardDiskItem&)> set;
    std::function<std::string(const cHardDiskItem&)> get;
};

std::string Num(double v) {
    char b[64];
    std::snprintf(b, sizeof b, "%.4f", v);
    return b;
}

template <typename F>
RoundTrip Text(const char* name, F field, const char* value, unsigned dialects = kAll) {
    return {name, dialects, [=](cHardDiskItem& it) { it.*field = value; },
            [=](const cHardDiskItem& it) { return it.*field; }};
}

RoundTrip Marker(const char* name, unsigned dialects, std::function<void(cHardDiskItem&)> set,
                 std::function<float(const cHardDiskItem&)> get) {
    return {name, dialects, std::move(set), [get](const cHardDiskItem& it) { return Num(get(it)); }};
}

const std::vector<RoundTrip>& RoundTrips() {
    using I = cHardDiskItem;
    static const std::vector<RoundTrip> rows = {
        Text("title", &I::ItemTitle, "Café del Mar"),
        {"artist", kAll, [](I& it) { it.SetArtistName(1, "Artïst"); }, [](const I& it) { return it.ArtistName(1); }},
        Text("cut id", &I::SchedulerReference, "CUT0042"),
        Text("client", &I::Client, "Client Ltd"),
        Text("category", &I::Category, "MUSIC"),
        Text("out cue", &I::OutCue, "and that was it"),
        Text("url", &I::URL, "http://example.org/x"),
        Text("artist url", &I::ArtistURL, "http://artist.example.org/"),
        {"producer", kAll,
         [](I& it) {
             it.ProducerAppName = "Other app";
             it.ProducerAppVersion = "9.9";
         },
         [](const I& it) { return it.ProducerAppName + "|" + it.ProducerAppVersion; }},
        {"air start", kAll,
         [](I& it) {
             it.AirStartDate = platform::DayNumber(platform::DateSerial(2024, 3, 1));
             it.AirStartTime = 6 * 3600 + 30 * 60 + 15;
         },
         [](const I& it) { return std::to_string(it.AirStartDate) + "|" + Num(it.AirStartTime); }},
        {"air end", kAll,
         [](I& it) {
             it.AirEndDate = platform::DayNumber(platform::DateSerial(2025, 12, 31));
             it.AirEndTime = 23 * 3600 + 59 * 60 + 59;
         },
         [](const I& it) { return std::to_string(it.AirEndDate) + "|" + Num(it.AirEndTime); }},
        Text("store ref", &I::OnlineStoreReference, "STORE-1"),
        Text("copyright code", &I::CopyrightCode, "ISRC123"),
        Text("composer", &I::CopyrightComposer, "Composer"),
        Text("music title", &I::CopyrightMusicTitle, "Music title"),
        Text("publisher", &I::CopyrightPublisher, "Publisher"),
        Text("performer", &I::CopyrightPerformer, "Performer"),
        Text("product title", &I::CopyrightProductTitle, "Album"),
        Text("record label", &I::CopyrightRecordLabel, "Label"),
        Text("record number", &I::CopyrightRecordNumber, "LBL-7"),
        Text("DAB notes", &I::DABNotes, "DAB text"),
        Text("web notes", &I::WebNotes, "Web notes"),
        Text("rights", &I::RightsManagementReference, "RM-9"),
        Text("notes", &I::Notes, "Studio notes\r\nline two"),
        Marker("music duration", kAll, [](I& it) { it.CopyrightMusicDuration = 183.47f; },
               [](const I& it) { return it.CopyrightMusicDuration; }),
        Marker("total duration", kAll, [](I& it) { it.CopyrightTotalDuration = 3725.5f; },
               [](const I& it) { return it.CopyrightTotalDuration; }),
        {"back colour", kAll, [](I& it) { it.BackColour = 0x00FF00; },
         [](const I& it) { return std::to_string(it.BackColour); }},
        {"text colour", kAll, [](I& it) { it.TextColour = static_cast<std::int32_t>(0x80000008u); },
         [](const I& it) { return std::to_string(it.TextColour); }},
        {"ends", kAll, [](I& it) { it.EndType = cheEnd; }, [](const I& it) { return std::to_string(it.EndType); }},
        {"fades", kAll, [](I& it) { it.EndType = cheFades; }, [](const I& it) { return std::to_string(it.EndType); }},
        {"sustain", kAll, [](I& it) { it.EndType = cheSustain; }, [](const I& it) { return std::to_string(it.EndType); }},
        {"slow fade", kAll, [](I& it) { it.EndType = cheSlowFade; },
         [](const I& it) { return std::to_string(it.EndType); }},
        {"description", kAll, [](I& it) { it.SetDescription(1, "Description line"); },
         [](const I& it) { return it.Description(1); }},
        Text("originator", &I::Originator, "Originator"),
        Text("originator reference", &I::OriginatorReference, "REF-1"),
        {"origination", kAll,
         [](I& it) {
             it.OriginationDate = platform::DayNumber(platform::DateSerial(2023, 7, 14));
             it.OriginationTime = 12 * 3600 + 1;
         },
         [](const I& it) { return std::to_string(it.OriginationDate) + "|" + Num(it.OriginationTime); }},
        {"version", kAll, [](I& it) { it.Version = 12; }, [](const I& it) { return std::to_string(it.Version); }},
        {"negative version", kAll, [](I& it) { it.Version = -5; },
         [](const I& it) { return std::to_string(it.Version); }},
        Marker("intro 1", kAll, [](I& it) { it.SetIntroEx(1, 0.1f); }, [](const I& it) { return it.IntroEx(1); }),
        Marker("intro 2", kPlain | kOrvanta, [](I& it) { it.SetIntroEx(2, 0.2f); },
               [](const I& it) { return it.IntroEx(2); }),
        Marker("intro 3", kAll, [](I& it) { it.SetIntroEx(3, 0.3f); }, [](const I& it) { return it.IntroEx(3); }),
        Marker("extro 1", kAll, [](I& it) { it.SetExtroEx(1, 0.7f); }, [](const I& it) { return it.ExtroEx(1); }),
        {"extro 2 and 3", kAll,
         [](I& it) {
             it.SetExtroEx(1, 0.4f);
             it.SetExtroEx(2, 0.5f);
             it.SetExtroEx(3, 0.6f);
         },
         [](const I& it) { return Num(it.ExtroEx(1)) + "|" + Num(it.ExtroEx(2)) + "|" + Num(it.ExtroEx(3)); }},
        Marker("outro 1", kAll, [](I& it) { it.SetOutroEx(1, 0.8f); }, [](const I& it) { return it.OutroEx(1); }),
        {"outro 2 and 3", kPlain | kOrvanta,
         [](I& it) {
             it.SetOutroEx(1, 0.6f);
             it.SetOutroEx(2, 0.7f);
             it.SetOutroEx(3, 0.8f);
         },
         [](const I& it) { return Num(it.OutroEx(1)) + "|" + Num(it.OutroEx(2)) + "|" + Num(it.OutroEx(3)); }},
        {"hook", kPlain | kOrvanta,
         [](I& it) {
             it.HookStart = 0.25f;
             it.HookEnd = 0.5f;
         },
         [](const I& it) { return Num(it.HookStart) + "|" + Num(it.HookEnd); }},
        {"loop", kPlain | kOrvanta,
         [](I& it) {
             it.LoopStart = 0.3f;
             it.LoopEnd = 0.6f;
         },
         [](const I& it) { return Num(it.LoopStart) + "|" + Num(it.LoopEnd); }},
        // Tags behind a long text must come back too.
        {"long notes", kAll,
         [](I& it) {
             it.Notes = std::string(40000, 'n');
             it.EndType = cheFades;
             it.BackColour = 0x123456;
         },
         [](const I& it) {
             return std::to_string(it.Notes.size()) + "|" + std::to_string(it.EndType) + "|" +
                    std::to_string(it.BackColour);
         }},
    };
    return rows;
}

TEST(WavItemTest, EveryFieldComesBackInEveryDialect) {
    TempDir dir;
    const std::pair<unsigned, std::int32_t> dialects[] = {
        {kPlain, 3}, {kOrvanta, llfOrvanta}, {kRarovid, llfRarovidAderu}};
    for (const auto& [dialect, flags] : dialects) {
        for (const RoundTrip& row : RoundTrips()) {
            if (!(row.dialects & dialect)) continue;
            const std::string path = dir / "a.wav";
            WriteFile(path, fx::Simple(4410));
            cHardDiskItem w;
            w.AudioFileName = path;
            w.AudioEnd = 0.9f;
            w.OriginationDate = 1; // no default from the clock
            row.set(w);
            ASSERT_TRUE(w.SaveToWAVFile(path, flags)) << row.name;
            cHardDiskItem r;
            ASSERT_TRUE(r.LoadFromWAVFile(path, flags)) << row.name;
            EXPECT_EQ(row.get(r), row.get(w)) << row.name << " flags " << flags;
            if (dialect == kPlain) {
                // Auto-detection finds no dialect in a plain save and reads it the same.
                cHardDiskItem a;
                ASSERT_TRUE(a.LoadFromWAVFile(path, llfAutoDetect)) << row.name;
                EXPECT_EQ(row.get(a), row.get(w)) << row.name << " auto-detected";
            }
        }
    }
}

TEST(WavItemTest, EverySaveKeepsOtherChunksByteForByte) {
    TempDir dir;
    const std::vector<fx::Chunk> chunks = {{"LIST", std::string("INFOINAM\x03\0\0\0ab\0\0", 16)},
                                           {"fmt ", fx::Fmt(2, kRate, 16)},
                                           {"iXML", "<BWFXML/>"},
                                           {"data", fx::Audio(kRate * 4 + 2)},
                                           {"labl", "odd"},
                                           {"JUNK", std::string(7, 'j')}};
    const std::string original = fx::Build(chunks);
    WriteFile(dir / "a.wav", original);
    for (int round = 0; round < 3; ++round) {
        cHardDiskItem w;
        FillItem(w);
        w.Notes = std::string(static_cast<std::size_t>(50 + 700 * round), 'n'); // grows every round
        ASSERT_TRUE(w.SaveToWAVFile(dir / "a.wav", 3));
        const std::string bytes = ReadFile(dir / "a.wav");
        for (const auto& c : chunks) {
            if (c.id == "JUNK") continue; // filler: the writer may reuse it
            EXPECT_EQ(fx::Payload(bytes, c.id), c.payload) << c.id << " round " << round;
        }
        EXPECT_EQ(bytes.substr(8, 12 + 24 + 8 + 24), original.substr(8, 12 + 24 + 8 + 24));
        EXPECT_EQ(fx::Count(bytes, "cart"), 1u);
        EXPECT_EQ(fx::Count(bytes, "bext"), 1u);
        cHardDiskItem r;
        ASSERT_TRUE(r.LoadFromWAVFile(dir / "a.wav", 3));
        EXPECT_EQ(r.Notes, w.Notes);
    }
}

TEST(WavItemTest, SaveKeepsWhatOtherToolsWroteInFieldsItDoesNotSet) {
    TempDir dir;
    CartChunkRecord c = BlankCart();
    SetField(c.Classification, "Their class");
    SetField(c.Reserved, "their reserved");
    BextChunkRecord b;
    b.TimeReferenceLow = 0x12345678;
    b.TimeReferenceHigh = 2;
    b.UMID.fill(0x5A);
    b.Reserved[0] = static_cast<char>(0xFC); // loudness value of a version 2 bext
    b.Reserved[1] = static_cast<char>(0xF6);
    unsigned char bi[602];
    EncodeBext(b, bi);
    WriteFile(dir / "a.wav", fx::Build({{"fmt ", fx::Fmt(2, kRate, 16)},
                                        {"bext", std::string(reinterpret_cast<char*>(bi), 602) + "A=PCM\r\n"},
                                        {"data", fx::Audio(4000)},
                                        {"cart", CartPayload(c, "")}}));
    cHardDiskItem w;
    w.ItemTitle = "Ours";
    ASSERT_TRUE(w.SaveToWAVFile(dir / "a.wav", 3));
    const std::string bytes = ReadFile(dir / "a.wav");
    const std::string cart = fx::Payload(bytes, "cart");
    EXPECT_EQ(cart.substr(4, 4), "Ours");
    EXPECT_EQ(cart.substr(324, 64), std::string(reinterpret_cast<const char*>(c.Classification.data()), 64));
    EXPECT_EQ(cart.substr(748, 276), std::string(c.Reserved.data(), 276));
    const std::string bext = fx::Payload(bytes, "bext");
    EXPECT_EQ(bext.substr(338, 8), std::string(reinterpret_cast<char*>(bi) + 338, 8)); // time reference
    EXPECT_EQ(bext.substr(348, 64 + 190), std::string(reinterpret_cast<char*>(bi) + 348, 64 + 190));
    EXPECT_EQ(bext.substr(602), "A=PCM\r\n");
}

TEST(WavItemTest, SaveFillsDefaultsAndCartFallbacks) {
    TempDir dir;
    WriteFile(dir / "a.wav", fx::Simple(kRate));
    cHardDiskItem w;
    w.SetDescription(1, "  From description  ");
    w.SetDescription(2, "Second line");
    w.ArtistURL = "http://artist";
    ASSERT_TRUE(w.SaveToWAVFile(dir / "a.wav", 3));
    EXPECT_EQ(w.ProducerAppName, "Brevant CartChunk Interface");
    EXPECT_EQ(w.ProducerAppVersion, "v2.6.0");
    EXPECT_NE(w.OriginationDate, 0);
    EXPECT_NE(w.Originator.find(" on "), std::string::npos);
    CartChunkRecord c;
    std::string tags;
    ASSERT_TRUE(ReadCartChunk(dir / "a.wav", c, tags));
    EXPECT_EQ(FieldText(c.Title).substr(0, 17), "From description ");
    EXPECT_EQ(FieldText(c.Artist).substr(0, 11), "Second line");
    EXPECT_EQ(FieldText(c.URL).substr(0, 13), "http://artist");
    EXPECT_EQ(std::string(c.Version.data(), 4), "0101");
    // Default colours and no ending: no tags at all; unused timers blank with 0xFFFFFFFF
    // (the loop end of a new item is -1, the hook end 0).
    EXPECT_EQ(tags, "");
    EXPECT_EQ(c.PostTimer[0].Value, 0xFFFFFFFFu);
    EXPECT_EQ(std::string(c.PostTimer[0].Usage.data(), 4), "    ");
    // Fields the writer never sets stay zero bytes.
    const std::string payload = fx::Payload(ReadFile(dir / "a.wav"), "cart");
    EXPECT_EQ(payload.substr(324, 64), std::string(64, '\0'));   // Classification
    EXPECT_EQ(payload.substr(616, 64), std::string(64, '\0'));   // UserDef
    EXPECT_EQ(payload.substr(452, 10), std::string(10, '\0'));   // StartDate
    const std::string bext = fx::Payload(ReadFile(dir / "a.wav"), "bext");
    EXPECT_EQ(bext.substr(348, 64), std::string(64, '\0'));      // UMID
}

TEST(WavItemTest, TimersFillEightSlotsInOrder) {
    TempDir dir;
    WriteFile(dir / "a.wav", fx::Simple(kRate));
    cHardDiskItem w;
    w.AudioEnd = 10;
    for (std::int16_t i = 1; i <= 3; ++i) {
        w.SetIntroEx(i, i * 0.5f);
        w.SetExtroEx(i, 5 + i * 0.5f);
        w.SetOutroEx(i, 7 + i * 0.5f);
    }
    w.HookEnd = 3;
    ASSERT_TRUE(w.SaveToWAVFile(dir / "a.wav", 3));
    CartChunkRecord c;
    std::string tags;
    ASSERT_TRUE(ReadCartChunk(dir / "a.wav", c, tags));
    const char* want[8] = {"INT1", "INT2", "INT3", "SEG1", "SEG2", "SEG3", "OUT1", "OUT2"};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(std::string(c.PostTimer[i].Usage.data(), 4), want[i]) << i;
    EXPECT_EQ(c.PostTimer[0].Value, static_cast<std::uint32_t>(kRate / 2));
    EXPECT_EQ(c.LevelReference, 0u);
    // An extro equal to the audio end is not written; hook end 0 gives no MRK pair.
    cHardDiskItem v;
    v.AudioEnd = 10;
    v.SetExtroEx(1, 10);
    v.HookStart = 1;
    ASSERT_TRUE(v.SaveToWAVFile(dir / "a.wav", 3));
    ASSERT_TRUE(ReadCartChunk(dir / "a.wav", c, tags));
    EXPECT_EQ(std::string(c.PostTimer[0].Usage.data(), 4), "    ");
    // A loop end without a start (-1): the start is written as the start of the audio.
    cHardDiskItem l;
    l.AudioEnd = 10;
    l.LoopEnd = 5;
    ASSERT_TRUE(l.SaveToWAVFile(dir / "a.wav", 3));
    ASSERT_TRUE(ReadCartChunk(dir / "a.wav", c, tags));
    EXPECT_EQ(std::string(c.PostTimer[0].Usage.data(), 4), "MRK3");
    EXPECT_EQ(c.PostTimer[0].Value, 0u);
    EXPECT_EQ(c.PostTimer[1].Value, static_cast<std::uint32_t>(5 * kRate));
}

TEST(WavItemTest, RarovidDialectOutCueTimersAndPrs) {
    TempDir dir;
    WriteFile(dir / "a.wav", fx::Simple(kRate));
    cHardDiskItem w;
    w.EndType = cheFades;
    w.OutCue = "two words";
    w.CopyrightRecordNumber = "PRS-1";
    w.AudioEnd = 1;
    w.SetExtroEx(1, 0.5f);
    w.SetExtroEx(2, 2); // beyond the end: not written
    w.SetExtroEx(3, 0); // zero counts
    w.SetIntroEx(1, 0.1f);
    w.SetIntroEx(3, 0.2f);
    w.SetOutroEx(1, 0.9f);
    ASSERT_TRUE(w.SaveToWAVFile(dir / "a.wav", llfRarovidAderu));
    CartChunkRecord c;
    std::string tags;
    ASSERT_TRUE(ReadCartChunk(dir / "a.wav", c, tags));
    EXPECT_EQ(FieldText(c.OutCue), "F  two words" + std::string(52, ' '));
    EXPECT_NE(tags.find("<PRS>PRS-1</PRS>"), std::string::npos);
    EXPECT_EQ(c.LevelReference, 10362u);
    const char* want[5] = {"SEC1", "SEC3", "INTs", "INTe", "OUT "};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(std::string(c.PostTimer[i].Usage.data(), 4), want[i]) << i;
    EXPECT_EQ(c.PostTimer[5].Value, 0u); // left over: zero bytes
    // Auto-detection finds the dialect by the PRS tag.
    cHardDiskItem r;
    ASSERT_TRUE(r.LoadFromWAVFile(dir / "a.wav", 0));
    EXPECT_EQ(r.OutCue, "two words");
    EXPECT_EQ(r.EndType, cheFades);
    EXPECT_EQ(r.CopyrightRecordNumber, "PRS-1");
    EXPECT_NEAR(r.ExtroEx(1), 0.5f, 1e-4);
    EXPECT_NEAR(r.ExtroEx(3), 0.0f, 1e-4);
    EXPECT_NEAR(r.IntroEx(1), 0.1f, 1e-4);
    EXPECT_NEAR(r.IntroEx(3), 0.2f, 1e-4);
}

TEST(WavItemTest, OrvantaDialectUsesUserDef) {
    TempDir dir;
    WriteFile(dir / "a.wav", fx::Simple(kRate));
    cHardDiskItem w;
    w.BackColour = 0xFF0000;
    w.EndType = cheSlowFade;
    w.ItemTitle = "Title only";
    ASSERT_TRUE(w.SaveToWAVFile(dir / "a.wav", llfOrvanta));
    CartChunkRecord c;
    std::string tags;
    ASSERT_TRUE(ReadCartChunk(dir / "a.wav", c, tags));
    EXPECT_EQ(FieldText(c.UserDef), "BackColor=&H00FF0000& EndingType=SlowFade" + std::string(23, ' '));
    // Set by the dialect even when it holds no entry: blanks, not zero bytes.
    cHardDiskItem plain;
    WriteFile(dir / "b.wav", fx::Simple(4410));
    ASSERT_TRUE(plain.SaveToWAVFile(dir / "b.wav", llfOrvanta));
    EXPECT_EQ(fx::Payload(ReadFile(dir / "b.wav"), "cart").substr(616, 64), std::string(64, ' '));
    EXPECT_EQ(tags.find("COLOUR"), std::string::npos);
    BextChunkRecord b;
    std::string h;
    ASSERT_TRUE(ReadBextChunk(dir / "a.wav", b, h));
    EXPECT_EQ(FieldText(b.Description).substr(0, 10), "Title only");
    cHardDiskItem r;
    r.ProducerAppName = "Brevant"; // auto-detection looks at the value on entry
    ASSERT_TRUE(r.LoadFromWAVFile(dir / "a.wav", 0));
    EXPECT_EQ(r.BackColour, 0xFF0000);
    EXPECT_EQ(r.EndType, cheSlowFade);
}

// A file saved in one of our dialects and then in another never reads back the first save's
// colours, ending or extro: its forms of them are ours and give way. Read in the last save's
// dialect the file gives the last save's values; read in the first's, those values or none.
TEST(WavItemTest, TheLastSaveWinsWhicheverOfOurDialectsItUsed) {
    struct Side {
        std::int32_t flags;
        std::int32_t ending, back, text;
        float extro;
    };
    struct Row {
        const char* name;
        Side first, second;
    };
    constexpr auto kText = static_cast<std::int32_t>(0x80000012u);
    const Row rows[] = {
        {"playout dialect, then the editor's flags", {llfOrvanta, cheSlowFade, 0xFF0000, 0x0000FF, 0.5f},
         {3, cheEnd, 0x00FF00, kText, 0.25f}},
        {"the editor's flags, then the playout dialect", {3, cheSlowFade, 0xFF0000, 0x0000FF, 0.5f},
         {llfOrvanta, cheEnd, 0x00FF00, kText, 0.25f}},
        {"the editor's flags, then the broadcaster's dialect", {3, cheSlowFade, 0xFF0000, kText, 0.5f},
         {llfRarovidAderu, cheEnd, 0x00FF00, kText, 0.25f}},
        {"the broadcaster's dialect, then the editor's flags", {llfRarovidAderu, cheSlowFade, 0xFF0000, kText, 0.5f},
         {3, cheEnd, 0x00FF00, kText, 0.25f}},
    };
    TempDir dir;
    const std::string path = dir / "a.wav";
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        WriteFile(path, fx::Simple(kRate));
        cHardDiskItem it;
        ASSERT_TRUE(it.LoadFromWAVFile(path, 3));
        it.AudioEnd = 1;
        it.SetExtroEx(2, 1); // at the end: not written
        it.SetExtroEx(3, 1);
        for (const Side& side : {row.first, row.second}) {
            it.EndType = side.ending;
            it.BackColour = side.back;
            it.TextColour = side.text;
            it.SetExtroEx(1, side.extro);
            ASSERT_TRUE(it.SaveToWAVFile(path, side.flags));
        }
        const Side& first = row.first;
        const Side& want = row.second;
        for (const std::int32_t flags : {first.flags, want.flags}) {
            SCOPED_TRACE(flags);
            cHardDiskItem r;
            ASSERT_TRUE(r.LoadFromWAVFile(path, flags));
            if (flags == want.flags) {
                EXPECT_EQ(r.EndType, want.ending);
                EXPECT_EQ(r.BackColour, want.back);
                EXPECT_EQ(r.TextColour, want.text);
                EXPECT_NEAR(r.ExtroEx(1), want.extro, 1e-4);
            } else {
                constexpr auto kBack = static_cast<std::int32_t>(0x8000000Fu);
                EXPECT_TRUE(r.EndType == want.ending || r.EndType == cheNonSpecific) << r.EndType;
                EXPECT_TRUE(r.BackColour == want.back || r.BackColour == kBack) << r.BackColour;
                EXPECT_TRUE(r.TextColour == want.text || r.TextColour == kText) << r.TextColour;
                EXPECT_NE(r.ExtroEx(1), first.extro);
            }
        }
    }

    // A file that never saw the playout dialect keeps a UserDef of zero bytes, and one that
    // never saw the editor's flags gets no colour or ending tags.
    WriteFile(path, fx::Simple(kRate));
    cHardDiskItem plain;
    plain.EndType = cheEnd;
    plain.BackColour = 0x00FF00;
    ASSERT_TRUE(plain.SaveToWAVFile(path, 3));
    ASSERT_TRUE(plain.SaveToWAVFile(path, 3));
    EXPECT_EQ(fx::Payload(ReadFile(path), "cart").substr(616, 64), std::string(64, '\0'));
    WriteFile(path, fx::Simple(kRate));
    ASSERT_TRUE(plain.SaveToWAVFile(path, llfOrvanta));
    ASSERT_TRUE(plain.SaveToWAVFile(path, llfOrvanta));
    CartChunkRecord c;
    std::string tags;
    ASSERT_TRUE(ReadCartChunk(path, c, tags));
    EXPECT_EQ(tags.find("<ENDING>"), std::string::npos);
    EXPECT_EQ(tags.find("COLOUR>"), std::string::npos);
}

TEST(WavItemTest, ReaderRules) {
    TempDir dir;
    CartChunkRecord c = BlankCart();
    SetField(c.StartDate, "2006-02-30");
    SetField(c.ProducerAppID, "Other");
    SetField(c.PostTimer[0].Usage, "INTe");
    c.PostTimer[0].Value = 10 * kRate;
    SetField(c.PostTimer[1].Usage, "MRK1");
    c.PostTimer[1].Value = kRate;
    SetField(c.PostTimer[2].Usage, "AUD ");
    c.PostTimer[2].Value = kRate;
    WriteFile(dir / "a.wav", WavWithCart(c, "<prs>123</PRS><BACKCOLOUR>&HFF00</BACKCOLOUR><ENDING>sustain</ENDING>"));
    cHardDiskItem r;
    r.Notes = "old";
    ASSERT_TRUE(r.LoadFromWAVFile(dir / "a.wav", 3));
    EXPECT_EQ(r.AirStartDate, platform::DayNumber(platform::DateSerial(2006, 3, 2)));
    EXPECT_FLOAT_EQ(r.IntroEx(3), 10.0f);
    EXPECT_FLOAT_EQ(r.HookStart, 0.0f); // MRK only from our own producer
    EXPECT_EQ(r.CopyrightRecordNumber, "123");
    EXPECT_EQ(r.BackColour, 65280);
    EXPECT_EQ(r.EndType, cheSustain);
    EXPECT_EQ(r.Notes, ""); // a missing text tag empties its field
    EXPECT_EQ(r.CodingHistory, "");

    // Flags 4 alone reads neither chunk, and copyright-from-title fills empty fields.
    cHardDiskItem q;
    q.ItemTitle = "keep";
    ASSERT_TRUE(q.LoadFromWAVFile(dir / "a.wav", 4));
    EXPECT_EQ(q.ItemTitle, "keep");
    SetField(c.Title, "T");
    SetField(c.Artist, "A");
    WriteFile(dir / "b.wav", WavWithCart(c, "<COMPOSER>C</COMPOSER>"));
    ASSERT_TRUE(q.LoadFromWAVFile(dir / "b.wav", 6));
    EXPECT_EQ(q.CopyrightProductTitle, "T");
    EXPECT_EQ(q.CopyrightMusicTitle, "T");
    EXPECT_EQ(q.CopyrightComposer, "C");
    EXPECT_EQ(q.CopyrightPerformer, "A");

    // Dates whose parts read as numbers no calendar holds leave the field as it was.
    for (const char* date : {"1e99-01-01", "9e9 -01-01", "9d99-01-01"}) {
        CartChunkRecord d = BlankCart();
        SetField(d.StartDate, date);
        SetField(d.EndDate, "2006-02-30");
        WriteFile(dir / "d.wav", WavWithCart(d, ""));
        cHardDiskItem it;
        it.AirStartDate = 7;
        ASSERT_TRUE(it.LoadFromWAVFile(dir / "d.wav", 3)) << date;
        EXPECT_EQ(it.AirStartDate, 7) << date;
        EXPECT_EQ(it.AirEndDate, platform::DayNumber(platform::DateSerial(2006, 3, 2))) << date;
    }

    cHardDiskItem m;
    m.ItemTitle = "untouched";
    EXPECT_FALSE(m.LoadFromWAVFile(dir / "missing.wav", 3));
    EXPECT_EQ(m.AudioFileName, "");
}

TEST(WavItemTest, FileWithoutMetadataChunks) {
    TempDir dir;
    WriteFile(dir / "a.wav", fx::Simple(kRate / 2));
    cHardDiskItem r;
    r.ItemTitle = "keep";
    r.CodingHistory = "old";
    r.LoopStart = -1;
    ASSERT_TRUE(r.LoadFromWAVFile(dir / "a.wav", 3));
    EXPECT_EQ(r.ItemTitle, "keep");
    EXPECT_EQ(r.CodingHistory, "");
    EXPECT_FLOAT_EQ(r.AudioEnd, 0.5f);
    EXPECT_FLOAT_EQ(r.ExtroEx(1), 0.5f);
    EXPECT_FLOAT_EQ(r.OutroEx(1), 0.5f);
    EXPECT_EQ(r.LoopStart, 0.0f);
}

TEST(WavItemTest, CuePointsSetAudioStartsAndBadArithmeticIsSkipped) {
    TempDir dir;
    auto cue = [](std::uint32_t name, std::uint32_t block, std::uint32_t offset) {
        std::string s;
        for (std::uint32_t v : {name, 0u, 0x61746164u, 0u, block, offset}) fx::Le32(s, v);
        return s;
    };
    std::string cues;
    fx::Le32(cues, 3);
    cues += cue(1, 44100, 0) + cue(2, 0x7FFFFFFF, 0) + cue(3, 0, 22050);
    WriteFile(dir / "a.wav", fx::Build({{"fmt ", fx::Fmt(2, kRate, 16)}, {"data", fx::Audio(400)}, {"cue ", cues}}));
    cHardDiskItem r;
    ASSERT_TRUE(r.LoadFromWAVFile(dir / "a.wav", 3));
    EXPECT_FLOAT_EQ(r.AudioStartEx(1), 1.0f);  // 44100 blocks × 4 bytes / 176400
    EXPECT_FLOAT_EQ(r.AudioStartEx(2), 0.0f);  // overflowing product: skipped
    EXPECT_FLOAT_EQ(r.AudioStartEx(3), 0.5f);
    // A format without rates: the point is skipped, the load goes on.
    WriteFile(dir / "b.wav", fx::Build({{"fmt ", std::string(16, '\0')}, {"data", "abcd"}, {"cue ", cues}}));
    cHardDiskItem z;
    EXPECT_TRUE(z.LoadFromWAVFile(dir / "b.wav", 3));
    EXPECT_EQ(z.TotalLength, 0.0f);
}

TEST(WavItemTest, SaveReportsFailureOfAWriter) {
    TempDir dir;
    platform::ScopedScriptedMessageBoxes boxes;
    cHardDiskItem w;
    EXPECT_FALSE(w.SaveToWAVFile(dir / "missing.wav", 3));
    WriteFile(dir / "avi.wav", "RIFF\x04\0\0\0AVI ");
    EXPECT_FALSE(w.SaveToWAVFile(dir / "avi.wav", 3));
    // A read-only file: refused without a message, not a byte changed, and it still loads.
    WriteFile(dir / "ro.wav", fx::Simple(4410));
    ::chmod((dir / "ro.wav").c_str(), 0444);
    EXPECT_FALSE(w.SaveToWAVFile(dir / "ro.wav", 3));
    EXPECT_TRUE(boxes->Shown().empty());
    EXPECT_TRUE(ReadFile(dir / "ro.wav") == fx::Simple(4410));
    cHardDiskItem ro;
    EXPECT_TRUE(ro.LoadFromWAVFile(dir / "ro.wav", 3));
    EXPECT_NEAR(ro.TotalLength, 0.1f, 1e-6);
    // A sample rate of 0: no timers, all eight slots zero bytes.
    WriteFile(dir / "z.wav", fx::Build({{"fmt ", std::string(16, '\0')}, {"data", "abcd"}}));
    w.SetIntroEx(1, 1);
    EXPECT_TRUE(w.SaveToWAVFile(dir / "z.wav", 3));
    const std::string cart = fx::Payload(ReadFile(dir / "z.wav"), "cart");
    EXPECT_EQ(cart.substr(684, 64), std::string(64, '\0'));
    // A tag text longer than any load reads back: the save is refused before either chunk
    // is written.
    WriteFile(dir / "long.wav", fx::Simple(4410));
    cHardDiskItem n;
    n.Notes = std::string(16u << 20, 'n');
    EXPECT_FALSE(n.SaveToWAVFile(dir / "long.wav", 3));
    EXPECT_TRUE(ReadFile(dir / "long.wav") == fx::Simple(4410));
}

} // namespace

TEST(WavItemTest, ASaveThatFailsChangesNothing) {
    TempDir dir;
    CartChunkRecord c = BlankCart();
    SetField(c.Title, "Old");
    unsigned char bi[602] = {};
    const std::string bext(reinterpret_cast<char*>(bi), 602);
    const struct {
        const char* what;
        std::string file;
    } cases[] = {
        // The cart can be rewritten in place, the bext would have to be appended behind
        // another program's chunk that is cut off.
        {"cut short inside another program's chunk",
         fx::Build({{"fmt ", fx::Fmt(2, kRate, 16)}, {"cart", CartPayload(c, "<NOTES>old</NOTES>")}, {"data", fx::Audio(4000)},
                    {"LIST", "INFOINAM", true, 400}})},
        // The cart can be rewritten in place, the bext has nowhere to go in front of bytes
        // that the RIFF size counts and that are no chunk.
        {"bytes behind the last chunk",
         fx::WithRest({{"fmt ", fx::Fmt(2, kRate, 16)}, {"cart", CartPayload(c, "<NOTES>old</NOTES>")}, {"data", fx::Audio(4000)}},
                      "TAG" + std::string(125, '\x7f'), true)},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.what);
        WriteFile(dir / "a.wav", k.file);
        cHardDiskItem w;
        w.ItemTitle = "New";
        w.Notes = "new";
        EXPECT_FALSE(w.SaveToWAVFile(dir / "a.wav", 3));
        EXPECT_TRUE(ReadFile(dir / "a.wav") == k.file);
    }
}
