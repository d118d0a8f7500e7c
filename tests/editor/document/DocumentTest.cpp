// The editor window as a document, driven offscreen inside the real main window: open a file
// (dialog, command line, recent list), see its details and markers, type marker times, save
// the details and the audio, save as and save the selection, the questions at every close of
// an item, the keys, the item-editing interface and the outside editor. Files are written and
// read back by libsndfile.
#include "editor/support/EditorWindowFixture.h"

#include "editor/details/AirDate.h"
#include "editor/document/MultimediaNCTAdditions.h"
#include "rozuzezer/ui/AudioFormatChooser.h"
#include "platform/audio/Block.h"
#include "platform/base/DateTime.h"
#include "shared/helpers/FileHelper.h"
#include "shared/helpers/SystemHelper.h"

#include <QTest>

#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <tuple>

using namespace lumoedit;
namespace audio = platform::audio;
namespace fs = std::filesystem;
using platform::MsgResult;

namespace {

using CartInfo = SF_CART_INFO_VAR(8192);
using BextInfo = SF_BROADCAST_INFO_VAR(4096);

template <std::size_t N>
void Put(char (&field)[N], const std::string& text) {
    std::memset(field, 0, N);
    std::memcpy(field, text.data(), std::min(N, text.size()));
}

struct Markers {
    double introStart = 0, introEnd = 0, extro = 0;
};

// A WAV written by libsndfile: a sine, with cart (title, artist, intro and extro timers) and
// bext when a title is given.
void WriteWav(const std::string& path, double seconds, const std::string& title = {}, Markers m = {},
              int rate = 44100, int channels = 2) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* sf = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(sf, nullptr) << sf_strerror(nullptr);
    if (!title.empty()) {
        auto cart = std::make_unique<CartInfo>();
        std::memset(cart.get(), 0, sizeof(CartInfo));
        Put(cart->version, "0101");
        Put(cart->title, title);
        Put(cart->artist, "The Artist");
        Put(cart->producer_app_id, "Other producer");
        for (auto& t : cart->post_timers) t.value = -1;
        int slot = 0;
        auto timer = [&](const char* usage, double at) {
            if (at <= 0) return;
            Put(cart->post_timers[slot].usage, usage);
            cart->post_timers[slot++].value = static_cast<int>(std::lround(at * rate));
        };
        timer("INT1", m.introStart);
        timer("INT3", m.introEnd);
        timer("SEG1", m.extro);
        ASSERT_EQ(sf_command(sf, SFC_SET_CART_INFO, cart.get(), sizeof(CartInfo)), SF_TRUE);
        auto bext = std::make_unique<BextInfo>();
        std::memset(bext.get(), 0, sizeof(BextInfo));
        Put(bext->description, "The description");
        Put(bext->originator, "Their desk");
        bext->version = 1;
        ASSERT_EQ(sf_command(sf, SFC_SET_BROADCAST_INFO, bext.get(), sizeof(BextInfo)), SF_TRUE);
    }
    const auto frames = static_cast<sf_count_t>(seconds * rate);
    std::vector<short> pcm(static_cast<std::size_t>(frames * channels));
    for (sf_count_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            pcm[static_cast<std::size_t>(i * channels + c)] = static_cast<short>(8000 * std::sin(i * 0.05));
    ASSERT_EQ(sf_writef_short(sf, pcm.data(), frames), frames);
    sf_close(sf);
}

struct ReadBack {
    bool ok = false;
    int format = 0;
    sf_count_t frames = 0;
    std::string title, originator, startDate;
    int version = -1;
    std::array<std::int16_t, 5> loudness{};
    std::string umid;
    std::uint32_t timeReferenceLow = 0;
};

ReadBack Read(const std::string& path) {
    ReadBack r;
    SF_INFO info{};
    SNDFILE* sf = sf_open(path.c_str(), SFM_READ, &info);
    if (!sf) return r;
    r.ok = true;
    r.format = info.format;
    r.frames = info.frames;
    auto cart = std::make_unique<CartInfo>();
    if (sf_command(sf, SFC_GET_CART_INFO, cart.get(), sizeof(CartInfo)) == SF_TRUE) {
        r.title = std::string(cart->title, strnlen(cart->title, sizeof cart->title));
        r.startDate = std::string(cart->start_date, strnlen(cart->start_date, sizeof cart->start_date));
    }
    auto bext = std::make_unique<BextInfo>();
    if (sf_command(sf, SFC_GET_BROADCAST_INFO, bext.get(), sizeof(BextInfo)) == SF_TRUE) {
        r.originator = std::string(bext->originator, strnlen(bext->originator, sizeof bext->originator));
        r.version = bext->version;
        r.loudness = {bext->loudness_value, bext->loudness_range, bext->max_true_peak_level,
                      bext->max_momentary_loudness, bext->max_shortterm_loudness};
        r.umid.assign(bext->umid, sizeof bext->umid);
        r.timeReferenceLow = bext->time_reference_low;
    }
    sf_close(sf);
    // libsndfile pads the fixed text fields with blanks.
    for (std::string* t : {&r.title, &r.originator, &r.startDate})
        t->erase(t->find_last_not_of(' ') + 1);
    return r;
}

std::string Bytes(const std::string& path) { return testsupport::ReadFile(path); }

// Where a chunk's payload starts in a RIFF file, and its size; npos when there is none.
std::pair<std::size_t, std::uint32_t> ChunkOf(const std::string& bytes, const char* id) {
    std::size_t at = 12;
    while (at + 8 <= bytes.size()) {
        std::uint32_t size = 0;
        std::memcpy(&size, bytes.data() + at + 4, 4);
        if (bytes.compare(at, 4, id) == 0) return {at + 8, size};
        at += 8 + size + (size & 1);
    }
    return {std::string::npos, 0};
}

// The "data" chunk's payload of a RIFF file.
std::string DataOf(const std::string& bytes) {
    const auto [at, size] = ChunkOf(bytes, "data");
    return at == std::string::npos ? std::string() : bytes.substr(at, size);
}

// Makes the file's bext chunk one of version 2 with these loudness values, a UMID and a
// time reference, as a loudness meter that writes broadcast WAV leaves it.
void MeasureLoudness(const std::string& path, const std::array<std::int16_t, 5>& loudness) {
    std::string bytes = testsupport::ReadFile(path);
    const std::size_t at = ChunkOf(bytes, "bext").first;
    ASSERT_NE(at, std::string::npos);
    const std::uint32_t timeReference = 987654321;
    const std::uint16_t version = 2;
    std::memcpy(bytes.data() + at + 338, &timeReference, 4);
    std::memcpy(bytes.data() + at + 346, &version, 2);
    std::memset(bytes.data() + at + 348, 0x3C, 64);
    std::memcpy(bytes.data() + at + 412, loudness.data(), 10);
    testsupport::WriteFile(path, bytes);
}

} // namespace

class EditorDocumentTest : public editortest::EditorWindowFixture {
protected:
    std::string Wav(const std::string& name, double seconds = 10, const std::string& title = "Morning jingle",
                    Markers m = {1.0, 2.5, 9.0}) {
        const std::string path = dir / name;
        WriteWav(path, seconds, title, m);
        return path;
    }
    rozuzezer::cHardDiskItem& Item() { return *editor->cAudioInformation; }
    const audio::Region* RegionOf(const std::string& tag) {
        auto& r = editor->ctlEditor->Regions();
        for (int i = 1; i <= r.Count(); ++i)
            if (r.At(i).tag == tag) return &r.At(i);
        return nullptr;
    }
    std::int64_t Samples(double seconds) { return std::llround(seconds * 44100); }
};

TEST_F(EditorDocumentTest, OpensFromTheDialogAndShowsDetailsMarkersAndRegions) {
    Start();
    const std::string path = Wav("jingle.wav");
    dialogs->AnswerFile(path, 5);
    EXPECT_TRUE(editor->OpenFile(""));
    ASSERT_FALSE(dialogs->fileRequests.empty());
    const auto& request = dialogs->fileRequests.back();
    EXPECT_EQ(request.title, "Open File...");
    EXPECT_EQ(request.filter, "All Audio Files|*.mp2;*.mp3;*.ogg;*.WAV|MPEG 2 (*.mp2)|*.mp2|MPEG 3 (*.mp3)|*.mp3|"
                              "Ogg Vorbis (*.ogg)|*.ogg|Windows Linear WAV (*.WAV)|*.WAV|All Files (*.*)|*.*");
    EXPECT_EQ(request.filterIndex, 5);
    EXPECT_EQ(request.flags, 0x1004);
    EXPECT_TRUE(Texts().empty()) << Texts().front();
    EXPECT_TRUE(reported.empty()) << reported.front();

    EXPECT_EQ(editor->txtDescription[1]->Text(), "Morning jingle");
    EXPECT_EQ(editor->txtDescription[2]->Text(), "The Artist");
    EXPECT_EQ(editor->txtDescription[3]->Text(), "The description");
    EXPECT_EQ(editor->txtOriginator->Text(), "Their desk");
    EXPECT_EQ(editor->mtxtIntroStart->Text(), "00:00:01.00");
    EXPECT_EQ(editor->mtxtIntroEnd->Text(), "00:00:02.50");
    EXPECT_EQ(editor->mtxtExtro->Text(), "00:00:09.00");
    EXPECT_EQ(editor->lblLength->Caption(), "00:00:10.00");
    EXPECT_EQ(editor->Caption(), path);
    EXPECT_FALSE(editor->bEdited());
    EXPECT_TRUE(editor->AudioOpen());

    const audio::Region* intro = RegionOf("1");
    ASSERT_NE(intro, nullptr);
    EXPECT_EQ(intro->start, Samples(1.0));
    EXPECT_EQ(intro->length, Samples(1.5));
    EXPECT_EQ(intro->colour, 65535);
    const audio::Region* extro = RegionOf("2");
    ASSERT_NE(extro, nullptr);
    EXPECT_EQ(extro->start, Samples(9.0));

    // The chosen folder and filter are kept for the next dialog; the file heads the recent list.
    EXPECT_EQ(Preferences().GetPreference("EditorLastOpenFilter", 0), "5");
    EXPECT_EQ(helpers::FileHelper().FolderPart(Preferences().GetPreference("EditorLastOpenPath", ""), false),
              dir.path().string());
    EXPECT_EQ(SplitBars(Preferences().GetPreference("MRUAudio", "")).front(), path);
}

TEST_F(EditorDocumentTest, TheOpenDialogOffersWhatLoadFormatsAllowsAndSkipsUnknownCodes) {
    Start();
    const std::tuple<const char*, const char*, int> cases[] = {
        {"|wav|", "All Audio Files|*.WAV|Windows Linear WAV (*.WAV)|*.WAV|All Files (*.*)|*.*", 2},
        {"|NOPE|", "All Audio Files||All Files (*.*)|*.*", 1},
        {"|XYZ|G721|MP3|", "All Audio Files|*.G721;*.mp3|G721 (*.g721)|*.g721|MPEG 3 (*.mp3)|*.mp3|All Files (*.*)|*.*", 1},
    };
    for (const auto& [formats, filter, index] : cases) {
        Permissions().SetPermission("LoadFormats", formats, "");
        dialogs->CancelFile();
        EXPECT_FALSE(editor->OpenFile(""));
        EXPECT_EQ(dialogs->fileRequests.back().filter, filter) << formats;
        EXPECT_EQ(dialogs->fileRequests.back().filterIndex, index) << formats;
    }
    EXPECT_TRUE(Texts().empty()) << Texts().front();
}

TEST_F(EditorDocumentTest, OpensFromTheCommandLineAndTheRecentList) {
    const std::string first = Wav("first take.wav", 6, "First");
    Start("\"" + first + "\"");
    EXPECT_EQ(Item().AudioFileName, first);
    EXPECT_EQ(editor->txtDescription[1]->Text(), "First");
    EXPECT_EQ(editor->mtxtIntroEnd->Text(), "00:00:02.50");

    const std::string second = Wav("second.wav", 7, "Second", {0.5, 1.5, 6.5});
    AddToMRU(second);
    AddToMRU(first);
    ASSERT_GE(main->mnuMRUAudio().size(), 2u);
    main->mnuMRUAudio_Click(2);
    EXPECT_EQ(Item().AudioFileName, second);
    EXPECT_EQ(editor->txtDescription[1]->Text(), "Second");
    EXPECT_EQ(editor->mtxtExtro->Text(), "00:00:06.50");
    ASSERT_NE(RegionOf("2"), nullptr);
    EXPECT_EQ(RegionOf("2")->start, Samples(6.5));

    // A recent entry whose file is gone: a clear message, the item stays.
    const std::string gone = Wav("gone.wav", 2, "Gone");
    AddToMRU(gone);
    fs::remove(gone);
    main->mnuMRUAudio_Click(1);
    ASSERT_EQ(Texts().size(), 1u);
    EXPECT_EQ(Texts()[0], "The file '" + gone + "' either cannot be found or is not a valid audio file");
    EXPECT_EQ(Item().AudioFileName, second);
}

// A path given relative to the folder the program was started in names that file ever after:
// the item, the recent list and the save hold it in full, so the program started later from
// a folder with a file of the same relative name opens and saves the first file, not that one.
TEST_F(EditorDocumentTest, ARelativePathFromTheCommandLineIsKeptInFull) {
    fs::create_directories(dir.path() / "station" / "files");
    fs::create_directories(dir.path() / "elsewhere" / "files");
    const std::string take = Wav("station/files/t2.wav", 6, "Station take");
    const std::string other = Wav("elsewhere/files/t2.wav", 4, "Other take");
    {
        testsupport::ScopedCurrentFolder startedIn(dir.path() / "station");
        Start("files/t2.wav");
        EXPECT_EQ(Item().AudioFileName, take);
        EXPECT_EQ(editor->txtDescription[1]->Text(), "Station take");
        EXPECT_EQ(editor->Caption(), take);
        EXPECT_EQ(SplitBars(Preferences().GetPreference("MRUAudio", "")).front(), take);
        ASSERT_FALSE(main->mnuMRUAudio().empty());
        EXPECT_EQ(platform::ui::Tag(main->mnuMRUAudio()[0]), take);
    }
    EXPECT_TRUE(Texts().empty()) << Texts().front();

    testsupport::ScopedCurrentFolder later(dir.path() / "elsewhere");
    main->Unload();
    main.reset();
    Start();
    ASSERT_FALSE(main->mnuMRUAudio().empty());
    main->mnuMRUAudio_Click(1);
    EXPECT_EQ(Item().AudioFileName, take);
    EXPECT_EQ(editor->txtDescription[1]->Text(), "Station take");
    editor->txtDescription[1]->SetText("Station take, edited");
    ASSERT_TRUE(editor->SaveFile());

    rozuzezer::cHardDiskItem saved, untouched;
    ASSERT_TRUE(saved.LoadFromWAVFile(take, 3));
    EXPECT_EQ(saved.ItemTitle, "Station take, edited");
    ASSERT_TRUE(untouched.LoadFromWAVFile(other, 3));
    EXPECT_EQ(untouched.ItemTitle, "Other take");
    EXPECT_EQ(SplitBars(Preferences().GetPreference("MRUAudio", "")), std::vector<std::string>{take});

    // A name given to Save As relative to where the program now runs is kept in full too.
    ASSERT_TRUE(editor->SaveAsFile("files/t2 copy.wav", false));
    const std::string copy = (dir.path() / "elsewhere" / "files" / "t2 copy.wav").string();
    EXPECT_EQ(Item().AudioFileName, copy);
    EXPECT_EQ(SplitBars(Preferences().GetPreference("MRUAudio", "")), (std::vector<std::string>{copy, take}));
    rozuzezer::cHardDiskItem copied;
    ASSERT_TRUE(copied.LoadFromWAVFile(copy, 3));
    EXPECT_EQ(copied.ItemTitle, "Station take, edited");
    EXPECT_TRUE(Texts().empty()) << Texts().front();
    EXPECT_TRUE(reported.empty()) << reported.front();
}

TEST_F(EditorDocumentTest, TypedMarkerTimesMoveTheirRegionsAndKeepTheOrder) {
    Start();
    ASSERT_TRUE(editor->OpenFile(Wav("markers.wav")));

    // Only part of a time: the edit counts, nothing is stored.
    editor->mtxtIntroStart->SetText("00:00:0_.__");
    EXPECT_TRUE(editor->bEdited());
    EXPECT_FLOAT_EQ(Item().IntroStart(), 1.0f);

    // Intro start after the intro end and the extro: both follow.
    editor->mtxtIntroStart->SetText("00:00:09.50");
    EXPECT_FLOAT_EQ(Item().IntroStart(), 9.5f);
    EXPECT_EQ(editor->mtxtIntroEnd->Text(), "00:00:09.50");
    EXPECT_FLOAT_EQ(Item().IntroEnd(), 9.5f);
    EXPECT_FLOAT_EQ(Item().Extro(), 9.5f);
    EXPECT_EQ(RegionOf("1")->start, Samples(9.5));
    EXPECT_EQ(RegionOf("1")->length, 0);
    EXPECT_EQ(RegionOf("2")->start, Samples(9.5));

    // Extro before the intro: intro end and start come back with it.
    editor->mtxtExtro->SetText("00:00:03.00");
    EXPECT_FLOAT_EQ(Item().IntroEnd(), 3.0f);
    EXPECT_FLOAT_EQ(Item().IntroStart(), 3.0f);
    EXPECT_EQ(RegionOf("2")->start, Samples(3.0));

    // A time past the end is the end; a hook end adds exactly one Hook region.
    editor->mtxtHookEnd->SetText("00:01:00.00");
    EXPECT_FLOAT_EQ(Item().HookEnd, Item().AudioEnd);
    editor->mtxtHookStart->SetText("00:00:04.00");
    ASSERT_NE(RegionOf("3"), nullptr);
    EXPECT_EQ(RegionOf("3")->start, Samples(4.0));
    editor->mtxtHookEnd->SetText("00:00:05.00");
    int hooks = 0;
    for (int i = 1; i <= editor->ctlEditor->Regions().Count(); ++i) hooks += editor->ctlEditor->Regions().At(i).tag == "3";
    EXPECT_EQ(hooks, 1);
    EXPECT_EQ(RegionOf("3")->length, Samples(1.0));
    editor->mtxtHookEnd->SetText("00:00:00.00");
    EXPECT_EQ(RegionOf("3"), nullptr);

    // Loops: unticked any time is 0; ticked the minimum is 4.5 s (start) and 4.6 s (end).
    editor->mtxtLoopStart->SetText("00:00:02.00");
    EXPECT_EQ(editor->mtxtLoopStart->Text(), "00:00:00.00");
    EXPECT_FLOAT_EQ(Item().LoopStart, 0.0f);
    editor->chkLoop->SetValue(1);
    editor->mtxtLoopEnd->SetText("00:00:08.00");
    editor->mtxtLoopStart->SetText("00:00:02.00");
    EXPECT_FLOAT_EQ(Item().LoopStart, 4.5f);
    editor->mtxtLoopEnd->SetText("00:00:02.00");
    EXPECT_FLOAT_EQ(Item().LoopEnd, 4.6f);
    EXPECT_FLOAT_EQ(Item().LoopStart, 4.5f);
    ASSERT_NE(RegionOf("4"), nullptr);
    EXPECT_EQ(RegionOf("4")->start, Samples(4.5));

    // A region dragged on the waveform: its markers take the times as they are; the order
    // rules are the boxes', not the regions'.
    const float extro = Item().Extro();
    auto& regions = editor->ctlEditor->Regions();
    for (int i = 1; i <= regions.Count(); ++i)
        if (regions.At(i).tag == "1") {
            regions.SetCurrent(i);
            regions.SetStart(Samples(7.0));
            regions.SetLength(Samples(2.8));
            editor->ctlEditor->RegionChanged.Emit(i);
        }
    EXPECT_FLOAT_EQ(Item().IntroStart(), 7.0f);
    EXPECT_NEAR(Item().IntroEnd(), 9.8f, 1e-5);
    EXPECT_EQ(editor->mtxtIntroEnd->Text(), "00:00:09.80");
    EXPECT_FLOAT_EQ(Item().Extro(), extro);
    EXPECT_TRUE(Texts().empty()) << Texts().front();
}

TEST_F(EditorDocumentTest, MarkersStayWithinAudioWithoutAnEndAndShortAudioHoldsNoLoop) {
    Start();
    // A WAV without metadata: the item has no end of audio, its length bounds the markers.
    const std::string plain = dir / "plain.wav";
    WriteWav(plain, 3.0);
    ASSERT_TRUE(editor->OpenFile(plain));
    Item().AudioEnd = 0;
    editor->mtxtExtro->SetText("00:00:05.00");
    EXPECT_FLOAT_EQ(Item().Extro(), 3.0f);
    editor->mtxtIntroEnd->SetText("00:00:02.00");
    EXPECT_FLOAT_EQ(Item().IntroEnd(), 2.0f);

    // Three seconds cannot hold a loop that starts at 4.5 s: none is stored, none past the end,
    // and nothing is said (the box rules clamp, they never refuse).
    editor->chkLoop->SetValue(1);
    editor->mtxtLoopStart->SetText("00:00:02.00");
    EXPECT_FLOAT_EQ(Item().LoopStart, 0.0f);
    editor->mtxtLoopEnd->SetText("00:00:02.50");
    EXPECT_FLOAT_EQ(Item().LoopEnd, 0.0f);
    EXPECT_EQ(editor->mtxtLoopEnd->Text(), "00:00:00.00");
    EXPECT_TRUE(Texts().empty()) << Texts().front();
}

TEST_F(EditorDocumentTest, DetailsSaveWritesOnlyTheMetadataAndReopensWithTheNextVersion) {
    Start();
    const std::string path = Wav("details.wav");
    const std::string audioBefore = DataOf(Bytes(path));
    const int version = Read(path).version;
    ASSERT_TRUE(editor->OpenFile(path));
    editor->txtDescription[1]->SetText("Evening jingle");
    editor->txtOriginator->SetText("Studio 2");
    editor->chkAirStart->SetValue(1);
    editor->txtAirStartDate->SetText("03 February 2031");
    editor->txtAirStartHour->SetText("06");
    editor->txtAirStartMinutes->SetText("30");
    editor->chkAirEnd->SetValue(1);
    editor->txtAirEndDate->SetText("04 March 2032");
    EXPECT_TRUE(editor->bEdited());
    EXPECT_TRUE(editor->SaveFile());
    EXPECT_TRUE(Texts().empty()) << Texts().front();
    EXPECT_FALSE(editor->bEdited());

    const ReadBack r = Read(path);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.title, "Evening jingle");
    EXPECT_EQ(r.originator, "Studio 2");
    EXPECT_EQ(r.startDate, "2031-02-03");
    EXPECT_EQ(r.version, version + 1);
    EXPECT_EQ(DataOf(Bytes(path)), audioBefore);
    // The open document still reads the file's audio (from disk, not from a cache).
    const std::size_t budget = audio::BlockCache::Instance().Budget();
    audio::BlockCache::Instance().SetBudget(0);
    std::vector<float> samples(2000);
    editor->ctlEditor->ReadSamples(0, Samples(5), 2000, samples.data());
    audio::BlockCache::Instance().SetBudget(budget);
    EXPECT_NE(*std::max_element(samples.begin(), samples.end()), 0.0f);

    ASSERT_TRUE(editor->ClearDetails(2));
    ASSERT_TRUE(editor->OpenFile(path));
    EXPECT_EQ(editor->txtDescription[1]->Text(), "Evening jingle");
    EXPECT_EQ(editor->chkAirStart->Value(), 1);
    EXPECT_EQ(editor->txtAirStartDate->Text(), "03 February 2031");
    EXPECT_EQ(editor->txtAirStartHour->Text(), "06");
    EXPECT_EQ(editor->txtAirStartMinutes->Text(), "30");
    EXPECT_EQ(Item().Version, version + 1);

    // Saved again: version 3, and an empty originator becomes the user on the computer.
    editor->txtOriginator->SetText("");
    editor->txtDescription[1]->SetText("Late jingle");
    EXPECT_TRUE(editor->SaveFile());
    const ReadBack again = Read(path);
    EXPECT_EQ(again.version, version + 2);
    EXPECT_NE(again.originator.find(" on "), std::string::npos);
}

TEST_F(EditorDocumentTest, AnEditedAudioIsSavedWithItsDetails) {
    Start();
    const std::string path = Wav("edited.wav", 4);
    const std::string audioBefore = DataOf(Bytes(path));
    ASSERT_TRUE(editor->OpenFile(path));
    editor->ctlEditor->Processing().Reverse();
    editor->SetAudioEdited();
    editor->txtDescription[1]->SetText("Reversed");
    EXPECT_TRUE(editor->SaveFile());
    EXPECT_TRUE(Texts().empty()) << Texts().front();
    const std::string audioAfter = DataOf(Bytes(path));
    EXPECT_EQ(audioAfter.size(), audioBefore.size());
    EXPECT_NE(audioAfter, audioBefore);
    EXPECT_EQ(Read(path).title, "Reversed");
    EXPECT_FALSE(editor->bEdited());
    EXPECT_FALSE(editor->bAudioEdited);
}

TEST_F(EditorDocumentTest, NormalisedAudioSavesItsLoudnessAsNotKnownADetailsSaveKeepsIt) {
    Start();
    const std::string path = Wav("measured.wav", 4);
    const std::array<std::int16_t, 5> measured = {-2300, 520, -150, -1810, -2040};
    MeasureLoudness(path, measured);
    const ReadBack before = Read(path);
    ASSERT_EQ(before.loudness, measured);
    ASSERT_TRUE(editor->OpenFile(path));

    editor->txtDescription[1]->SetText("Details only");
    EXPECT_TRUE(editor->SaveFile());
    EXPECT_TRUE(Texts().empty()) << Texts().front();
    ReadBack r = Read(path);
    EXPECT_EQ(r.title, "Details only");
    EXPECT_EQ(r.loudness, measured);

    const std::string audioBefore = DataOf(Bytes(path));
    platform::ui::Form::ScriptModal([](platform::ui::Form& f) {
        auto& d = dynamic_cast<lumoedit::frmLumoEditTransform&>(f);
        d.txtNormaliseLevel->SetText("90");
        d.cmdOK_Click();
    });
    editor->AudioSelectAll();
    editor->toolAudioEditor->ClickButton("normalise");
    ASSERT_TRUE(editor->bAudioEdited);
    EXPECT_TRUE(editor->SaveFile());
    EXPECT_TRUE(Texts().empty()) << Texts().front();
    EXPECT_NE(DataOf(Bytes(path)), audioBefore);
    r = Read(path);
    EXPECT_EQ(r.loudness, (std::array<std::int16_t, 5>{0x7FFF, 0x7FFF, 0x7FFF, 0x7FFF, 0x7FFF}));
    EXPECT_EQ(r.umid, before.umid);
    EXPECT_EQ(r.timeReferenceLow, before.timeReferenceLow);
    EXPECT_EQ(r.title, "Details only");
}

TEST_F(EditorDocumentTest, ShowsTheLoopWithItsJumpOptionAsTheOppositeOfPlayToEnd) {
    Start();
    ASSERT_TRUE(editor->OpenFile(Wav("loop.wav", 12)));
    for (const bool playToEnd : {true, false}) {
        Item().LoopStart = 5;
        Item().LoopEnd = 8;
        Item().LoopNumberLoops = 3;
        Item().LoopPlayToEnd = playToEnd ? rozuzezer::vbTrue : rozuzezer::vbFalse;
        editor->DisplayDetails(1);
        EXPECT_EQ(editor->chkLoop->Value(), 1);
        EXPECT_EQ(editor->chkLoopJump->Value(), playToEnd ? 0 : 1);
        EXPECT_EQ(editor->txtMaxLoop->Text(), "3");
        EXPECT_EQ(editor->mtxtLoopStart->Text(), "00:00:05.00");
        ASSERT_NE(RegionOf("4"), nullptr);
        EXPECT_EQ(RegionOf("4")->start, Samples(5));
        EXPECT_EQ(RegionOf("4")->length, Samples(3));
        EXPECT_FALSE(editor->bEdited());
    }
}

TEST_F(EditorDocumentTest, TheWavTemplateReportsWhatHappened) {
    Start();
    EXPECT_TRUE(CreateWAVFile(dir / "pcm.wav", 44100, 2, 1));
    EXPECT_EQ(fs::file_size(dir / "pcm.wav"), 44u);
    EXPECT_FALSE(CreateWAVFile(dir / "no folder/x.wav", 44100, 2, 1));
    EXPECT_FALSE(CreateWAVFile(dir / "odd.wav", 44100, 2, 0x1234));
    EXPECT_FALSE(fs::exists(dir / "odd.wav"));
    EXPECT_DOUBLE_EQ(GetAudioFileLength(dir / "missing.wav"), -1);
}

TEST_F(EditorDocumentTest, TheAirWindowIsRefusedWhenItIsNoWindow) {
    Start();
    const std::string path = Wav("air.wav");
    ASSERT_TRUE(editor->OpenFile(path));
    const std::string before = Bytes(path);
    struct Case {
        const char* start;
        const char* end;
        bool startOn, endOn;
        const char* message;
    };
    const Case cases[] = {
        {"31 February 2030", "01 March 2031", true, false, "The 'Do not play before' date you have specified is not valid!"},
        {"01 March 2030", "tomorrow", false, true, "The 'Do not play after' date you have specified is not valid!"},
        {"01 March 2030", "01 March 2030", true, true,
         "The 'Do not play before' date must be earlier than the 'Do not play after' date!"},
        {"02 March 2030", "01 March 2030", true, true,
         "The 'Do not play before' date must be earlier than the 'Do not play after' date!"},
    };
    for (const Case& c : cases) {
        boxes->Clear();
        editor->txtAirStartDate->SetText(c.start);
        editor->txtAirEndDate->SetText(c.end);
        editor->txtAirStartHour->SetText("00");
        editor->txtAirEndHour->SetText("00");
        editor->txtAirEndMinutes->SetText("00");
        editor->chkAirStart->SetValue(c.startOn);
        editor->chkAirEnd->SetValue(c.endOn);
        EXPECT_FALSE(editor->SaveFile()) << c.message;
        ASSERT_EQ(Texts().size(), 1u);
        EXPECT_EQ(Texts()[0], c.message);
        EXPECT_TRUE(editor->bEdited());
    }
    EXPECT_EQ(Bytes(path), before);
}

TEST_F(EditorDocumentTest, AFailedSaveSaysSoAndKeepsTheEdits) {
    Start();
    const std::string path = Wav("vanish.wav");
    ASSERT_TRUE(editor->OpenFile(path));
    const std::int16_t version = Item().Version;
    editor->txtDescription[1]->SetText("Changed");
    fs::rename(path, dir / "moved.wav");
    EXPECT_FALSE(editor->SaveFile());
    ASSERT_EQ(Texts().size(), 1u);
    EXPECT_NE(Texts()[0].find("There was a problem saving the details to File : " + path), std::string::npos);
    EXPECT_TRUE(editor->bEdited());
    EXPECT_EQ(Item().Version, version);
    EXPECT_FALSE(fs::exists(path));

    // Closing: "Yes" and a save that fails keep the window, the item and its edits; the next
    // close asks again.
    boxes->Clear();
    boxes->Answer(MsgResult::Yes);
    EXPECT_FALSE(editor->ClearDetails(0));
    EXPECT_EQ(Item().ItemTitle, "Changed");
    EXPECT_TRUE(editor->bEdited());
    boxes->Answer(MsgResult::Yes);
    EXPECT_FALSE(editor->Unload());
    EXPECT_TRUE(editor->IsLoaded());
    EXPECT_TRUE(editor->bEdited());

    // A new item whose Save As is cancelled at the close question stays as it was.
    boxes->Answer(MsgResult::No);
    ASSERT_TRUE(editor->ClearDetails(1));
    editor->txtDescription[1]->SetText("Never saved");
    boxes->Answer(MsgResult::Yes);
    dialogs->CancelFile();
    EXPECT_FALSE(editor->ClearDetails(0));
    EXPECT_EQ(Item().ItemTitle, "Never saved");
    EXPECT_TRUE(editor->bEdited());
}

TEST_F(EditorDocumentTest, AReadOnlyFileIsReportedAndLeftAsItWas) {
    Start();
    const std::string path = Wav("locked.wav", 2);
    ASSERT_TRUE(editor->OpenFile(path));
    // Read-only even for the superuser, where the file system allows it.
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const bool root = ::geteuid() == 0;
    if (root && std::system(("chattr +i '" + path + "' 2>/dev/null").c_str()) != 0) GTEST_SKIP() << "no way to lock a file";
    platform::ui::ScopeExit unlock([&] {
        if (root) std::system(("chattr -i '" + path + "'").c_str());
    });
    const std::string before = Bytes(path);
    editor->txtDescription[1]->SetText("Cannot be written");
    EXPECT_FALSE(editor->SaveFile());
    EXPECT_FALSE(Texts().empty());
    EXPECT_TRUE(editor->bEdited());
    EXPECT_EQ(Bytes(path), before);
}

TEST_F(EditorDocumentTest, SaveAsThroughTheChooserAndThroughAPermission) {
    Start();
    const std::string path = Wav("source.wav", 4);
    ASSERT_TRUE(editor->OpenFile(path));
    int chooserCalls = 0;
    auto previous = rozuzezer::ui::SetAudioFormatChooser([&](helpers::cAudioFormat& f, std::int32_t family, std::int32_t) {
        ++chooserCalls;
        EXPECT_EQ(family, 4);
        f.SetSamplesPerSec(44100);
        f.SetChannels(2);
        f.SetBitRate(128000);
        return true;
    });

    // The default list: All Files, MPEG 2, MPEG 3, Ogg Vorbis, IMA ADPCM, linear WAV; MP3 is 3.
    const std::string mp3 = dir / "as mp3";
    dialogs->AnswerFile(mp3, 3);
    EXPECT_TRUE(editor->SaveAsFile("", false));
    const auto& request = dialogs->fileRequests.back();
    EXPECT_EQ(request.title, "Save as...");
    EXPECT_EQ(request.fileName, dir / "source (2)");
    EXPECT_EQ(request.filterIndex, 6);
    EXPECT_EQ(chooserCalls, 1);
    const ReadBack m = Read(mp3 + ".mp3");
    ASSERT_TRUE(m.ok) << "the extension of the chosen format is added";
    EXPECT_EQ(m.format & SF_FORMAT_TYPEMASK, SF_FORMAT_MPEG);
    EXPECT_EQ(Item().AudioFileName, mp3 + ".mp3");
    EXPECT_FALSE(editor->bEdited());

    // The MP3 now is the item: its details have nowhere to go, and the save says so.
    editor->txtDescription[1]->SetText("No place for me");
    const std::string mp3Bytes = Bytes(mp3 + ".mp3");
    EXPECT_FALSE(editor->SaveFile());
    ASSERT_FALSE(Texts().empty());
    EXPECT_NE(Texts().back().find("can only be saved in a WAV file"), std::string::npos);
    EXPECT_TRUE(editor->bEdited());
    EXPECT_EQ(Bytes(mp3 + ".mp3"), mp3Bytes);

    // IMA ADPCM WAV (entry 5) carries our details.
    editor->txtDescription[1]->SetText("Compressed");
    const std::string ima = dir / "as ima.wav";
    dialogs->AnswerFile(ima, 5);
    EXPECT_TRUE(editor->SaveAsFile("", false));
    const ReadBack i = Read(ima);
    ASSERT_TRUE(i.ok);
    EXPECT_EQ(i.format & SF_FORMAT_SUBMASK, SF_FORMAT_IMA_ADPCM);
    EXPECT_EQ(i.title, "Compressed");

    // A set "SAVEMP3" permission saves MP3 without the chooser.
    helpers::cAudioFormat stored;
    stored.SetFormatFamily(4);
    stored.SetSamplesPerSec(44100);
    stored.SetChannels(1);
    stored.SetBitRate(64000);
    Permissions().SetPermission("SAVEMP3", stored.FormatText(), "");
    dialogs->AnswerFile(dir / "by permission.mp3", 3);
    EXPECT_TRUE(editor->SaveAsFile("", false));
    EXPECT_EQ(chooserCalls, 1);
    EXPECT_TRUE(Read(dir / "by permission.mp3").ok);
    rozuzezer::ui::SetAudioFormatChooser(previous);
}

// Changed details and a format that cannot hold them: the producer is told once, before
// anything is written, and chooses. Unchanged details, a WAV format or a selection ask nothing.
TEST_F(EditorDocumentTest, SaveAsToAFormatWithoutDetailsSaysSoFirst) {
    Start();
    ASSERT_TRUE(editor->OpenFile(Wav("details.wav", 2)));
    auto previous = rozuzezer::ui::SetAudioFormatChooser([](helpers::cAudioFormat& f, std::int32_t family, std::int32_t) {
        f.SetSamplesPerSec(44100);
        f.SetChannels(2);
        f.SetBitRate(family == 32 ? 192000 : 128000);
        return true;
    });
    const std::string kept = "The details of this item (titles, markers, notes and the other fields) are kept only in WAV files";
    struct Row {
        int filter;
        const char* name;
        bool ask;
    };
    // The default list: 2 MPEG 2, 3 MPEG 3, 4 Ogg Vorbis, 5 IMA ADPCM WAV, 6 linear WAV.
    for (const Row& row : {Row{2, "a.mp2", true}, Row{3, "a.mp3", true}, Row{4, "a.ogg", true}, Row{5, "a ima.wav", false},
                           Row{6, "a.wav", false}}) {
        editor->txtDescription[1]->SetText(std::string("Title for ") + row.name);
        const std::string target = dir / row.name;
        boxes->Clear();
        if (row.ask) {
            // No: nothing is written and the changes stay.
            boxes->Answer(MsgResult::No);
            dialogs->AnswerFile(target, row.filter);
            EXPECT_FALSE(editor->SaveAsFile("", false)) << row.name;
            ASSERT_EQ(Texts().size(), 1u) << row.name;
            EXPECT_EQ(Texts()[0].rfind(kept, 0), 0u) << Texts()[0];
            EXPECT_NE(Texts()[0].find(target), std::string::npos) << Texts()[0];
            EXPECT_FALSE(fs::exists(target)) << row.name;
            EXPECT_TRUE(editor->bEdited());
            boxes->Clear();
            boxes->Answer(MsgResult::Yes);
        }
        dialogs->AnswerFile(target, row.filter);
        EXPECT_TRUE(editor->SaveAsFile("", false)) << row.name;
        EXPECT_EQ(Texts().size(), row.ask ? 1u : 0u) << row.name << ": said once";
        EXPECT_TRUE(fs::exists(target)) << row.name;
        EXPECT_EQ(editor->bEdited(), row.ask) << row.name << ": the details are still unsaved";
    }

    // Only the audio changed, or only a selection is saved: nothing to say.
    boxes->Clear();
    auto& view = editor->ctlEditor->View();
    view.SetSelectionShown(true);
    view.SetSelectionStart(0);
    view.SetSelectionEnd(Samples(1));
    editor->ProcessAudioButton("reverse");
    ASSERT_TRUE(editor->bAudioEdited);
    dialogs->AnswerFile(dir / "audio only.mp3", 3);
    EXPECT_TRUE(editor->SaveAsFile("", false));
    EXPECT_FALSE(editor->bEdited());
    editor->txtDescription[1]->SetText("Edited again");
    view.SetSelectionShown(true);
    view.SetSelectionStart(0);
    view.SetSelectionEnd(Samples(1));
    dialogs->AnswerFile(dir / "part.mp3", 3);
    EXPECT_TRUE(editor->SaveSelection());
    EXPECT_TRUE(Texts().empty()) << Texts().front();
    EXPECT_TRUE(fs::exists(dir / "part.mp3"));
    rozuzezer::ui::SetAudioFormatChooser(previous);
    EXPECT_TRUE(reported.empty()) << reported.front();
}

// The first save of a new item fills in the default originator before the name is asked.
TEST_F(EditorDocumentTest, TheFirstSaveOfANewItemGivesItTheDefaultOriginator) {
    Start();
    ASSERT_TRUE(editor->ClearDetails(1));
    ASSERT_TRUE(editor->AudioOpen());
    editortest::InputAnswer("1");
    editor->ProcessAudioButton("silence");
    ASSERT_TRUE(editor->txtOriginator->Text().empty());
    const std::string expected = helpers::SystemHelper().UserName() + " on " + helpers::SystemHelper().ComputerName();

    dialogs->CancelFile();
    EXPECT_FALSE(editor->SaveFile());
    EXPECT_EQ(editor->txtOriginator->Text(), expected) << "given before the name was asked";
    EXPECT_EQ(Item().Originator, expected);

    // One emptied to blanks is given again, and written into the file.
    editor->txtOriginator->SetText("  ");
    dialogs->AnswerFile(dir / "first.wav", 6);
    EXPECT_TRUE(editor->SaveFile());
    EXPECT_EQ(editor->txtOriginator->Text(), expected);
    EXPECT_EQ(Read(dir / "first.wav").originator, expected);
    EXPECT_FALSE(editor->bEdited());
    EXPECT_TRUE(reported.empty()) << reported.front();
}

TEST_F(EditorDocumentTest, EveryRowOfTheSaveListSavesInItsFormat) {
    Start();
    ASSERT_TRUE(editor->OpenFile(Wav("rows.wav", 1.5)));
    Permissions().SetPermission("SaveFormats", "|G721|G723|G726|MP2|MP3|OGG|PCM|WMA|IMA|WAV|VOX|", "");
    auto previous = rozuzezer::ui::SetAudioFormatChooser([](helpers::cAudioFormat& f, std::int32_t family, std::int32_t) {
        f.SetSamplesPerSec(44100);
        f.SetChannels(2);
        f.SetBitRate(family == 32 ? 192000 : 128000);
        if (family == 16) f.SetWindowsMediaFormat(128000);
        return true;
    });
    // Filter index, the name typed (no extension), the name saved.
    const std::tuple<int, const char*, const char*> rows[] = {
        {1, "all", "all.WAV"},     {2, "g721", "g721.g721"}, {3, "g723", "g723.g723"}, {4, "g726", "g726.g726"},
        {5, "mp2", "mp2.mp2"},     {6, "mp3", "mp3.mp3"},    {7, "ogg", "ogg.ogg"},    {8, "raw", "raw.pcm"},
        {10, "wma", "wma.wma"},    {11, "ima", "ima.WAV"},   {12, "wav", "wav.WAV"},
    };
    for (const auto& [index, typed, saved] : rows) {
        dialogs->AnswerFile(dir / typed, index);
        EXPECT_TRUE(editor->SaveAsFile("", false)) << saved << (Texts().empty() ? "" : ": " + Texts().back());
        ASSERT_TRUE(fs::exists(dir / saved)) << saved;
        EXPECT_GT(fs::file_size(dir / saved), 100u) << saved;
        EXPECT_EQ(Item().AudioFileName, dir / saved);
    }
    const std::string request = dialogs->fileRequests.back().filter;
    EXPECT_NE(request.find("Voxware (*.vox)|*.vox|Windows Media (*.wma)"), std::string::npos) << request;
    EXPECT_EQ(Read(dir / "wav.WAV").frames, Samples(1.5));
    EXPECT_EQ(Read(dir / "all.WAV").format & SF_FORMAT_SUBMASK, SF_FORMAT_PCM_16);
    rozuzezer::ui::SetAudioFormatChooser(previous);
}

TEST_F(EditorDocumentTest, SaveAsOverAnotherWavCarriesOurChunksNotTheOldFilesOnes) {
    Start();
    const std::string old = Wav("old.wav", 8, "Old title", {0.5, 3.0, 7.0});
    const std::string mine = Wav("mine.wav", 4, "My title", {0.2, 0.4, 3.5});
    ASSERT_TRUE(editor->OpenFile(mine));
    dialogs->AnswerFile(old, 6);
    EXPECT_TRUE(editor->SaveAsFile("", false));
    const ReadBack r = Read(old);
    EXPECT_EQ(r.title, "My title");
    EXPECT_EQ(r.frames, 4 * 44100);
    ASSERT_TRUE(editor->ClearDetails(2));
    ASSERT_TRUE(editor->OpenFile(old));
    EXPECT_EQ(editor->mtxtExtro->Text(), "00:00:03.50");
    EXPECT_EQ(editor->mtxtIntroEnd->Text(), "00:00:00.40");
    // No side file is left in the folder.
    for (const auto& e : fs::directory_iterator(dir.path()))
        EXPECT_EQ(e.path().filename().string().find(".saving-"), std::string::npos) << e.path();
}

TEST_F(EditorDocumentTest, SuggestedNamesCountPastUsedOnesAndTakeNamesLiterally) {
    Start();
    const std::string path = Wav("Jin[gle]*.wav", 2);
    testsupport::WriteFile(dir / "Jin[gle]* (2).mp3", "x");
    testsupport::WriteFile(dir / "Jin[gle]* (3).wav", "x");
    testsupport::WriteFile(dir / "Jinxgle (4).wav", "x");
    ASSERT_TRUE(editor->OpenFile(path));
    dialogs->CancelFile();
    EXPECT_FALSE(editor->SaveAsFile("", false));
    EXPECT_EQ(dialogs->fileRequests.back().fileName, dir / "Jin[gle]* (4)");

    // Voxware is offered when allowed but has no save set-up: refused, nothing written.
    Permissions().SetPermission("SaveFormats", "|VOX|WAV|", "");
    dialogs->AnswerFile(dir / "voice.vox", 2);
    EXPECT_FALSE(editor->SaveAsFile("", false));
    EXPECT_FALSE(fs::exists(dir / "voice.vox"));
    ASSERT_FALSE(Texts().empty());
    EXPECT_NE(Texts().back().find("Voxware"), std::string::npos);
}

TEST_F(EditorDocumentTest, SaveSelectionLeavesTheItemsEditsAndRecentListAlone) {
    Start();
    const std::string path = Wav("whole.wav", 5);
    ASSERT_TRUE(editor->OpenFile(path));
    editor->txtDescription[1]->SetText("Unsaved title");
    auto& view = editor->ctlEditor->View();
    view.SetSelectionStart(Samples(1.0));
    view.SetSelectionEnd(Samples(3.0));
    view.SetSelectionShown(true);
    const std::string recent = Preferences().GetPreference("MRUAudio", "");
    const std::string part = dir / "part.wav";
    dialogs->AnswerFile(part, 6);
    EXPECT_TRUE(editor->SaveSelection()) << (Texts().empty() ? "" : Texts().back());
    EXPECT_EQ(dialogs->fileRequests.back().title, "Save Selection as...");
    const ReadBack r = Read(part);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.frames, Samples(2.0));
    EXPECT_TRUE(editor->bEdited());
    EXPECT_EQ(Item().AudioFileName, path);
    EXPECT_EQ(Preferences().GetPreference("MRUAudio", ""), recent);

    // Over another file with details of its own: none of them stay with the selection.
    const std::string other = Wav("other.wav", 6, "Other file");
    dialogs->AnswerFile(other, 6);
    EXPECT_TRUE(editor->SaveSelection());
    const ReadBack o = Read(other);
    EXPECT_EQ(o.frames, Samples(2.0));
    EXPECT_EQ(o.title, "");
}

// With the audio under the cover an edited detail enables both save keys, and Save As opens
// the audio itself before it writes the new file.
TEST_F(EditorDocumentTest, SaveAsWithoutADocumentOpensTheAudioFirst) {
    Preferences().SetEditorOpenAudioOnLoad(false);
    Start();
    const std::string path = Wav("covered.wav", 3);
    ASSERT_TRUE(editor->OpenFile(path));
    EXPECT_FALSE(editor->AudioOpen());
    EXPECT_FALSE(editor->toolMain->ButtonEnabled("save"));
    EXPECT_FALSE(editor->toolMain->ButtonEnabled("saveas"));
    editor->txtDescription[1]->SetText("Under the cover");
    EXPECT_TRUE(editor->toolMain->ButtonEnabled("save"));
    EXPECT_TRUE(editor->toolMain->ButtonEnabled("saveas"));
    dialogs->AnswerFile(dir / "copy.wav", 6);
    editor->toolMain->ClickButton("saveas");
    const ReadBack r = Read(dir / "copy.wav");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.frames, Samples(3));
    EXPECT_EQ(r.title, "Under the cover");
    EXPECT_EQ(Item().AudioFileName, dir / "copy.wav");
    EXPECT_FALSE(editor->bEdited());
    EXPECT_FALSE(editor->pnlProgress->isVisible());
    EXPECT_TRUE(reported.empty()) << reported.front();
}

TEST_F(EditorDocumentTest, BadFilesGiveAClearMessageAndChangeNothing) {
    Start();
    const std::string good = Wav("good.wav", 3);
    ASSERT_TRUE(editor->OpenFile(good));
    struct Case {
        const char* name;
        std::string bytes;
        const char* message;
    };
    const Case cases[] = {
        {"empty.wav", "", "either cannot be found"},
        {"text.wav", std::string(4000, 'x'), "corrupt or in an unsupported format"},
        {"truncated.wav", std::string("RIFF\x24\x10\x00\x00WAVEfmt ", 16), "corrupt or in an unsupported format"},
    };
    for (const Case& c : cases) {
        boxes->Clear();
        const std::string path = dir / c.name;
        testsupport::WriteFile(path, c.bytes);
        EXPECT_FALSE(editor->OpenFile(path)) << c.name;
        ASSERT_EQ(Texts().size(), 1u) << c.name;
        EXPECT_NE(Texts()[0].find(c.message), std::string::npos) << Texts()[0];
        EXPECT_EQ(Bytes(path), c.bytes) << "the user's file is untouched";
        EXPECT_FALSE(editor->bEdited());
    }
    // Long and non-UTF-8 names open like any other.
    const std::string folder = dir / std::string(100, 'f');
    fs::create_directories(folder);
    const std::string odd = folder + "/" + std::string(200, 'n') + "\xE9\xFF.wav";
    ASSERT_GT(odd.size(), 300u);
    WriteWav(odd, 2, "Odd name");
    boxes->Clear();
    EXPECT_TRUE(editor->OpenFile(odd));
    EXPECT_EQ(editor->txtDescription[1]->Text(), "Odd name");
    EXPECT_TRUE(Texts().empty()) << Texts().front();
}

TEST_F(EditorDocumentTest, NamesThatDifferInCaseAreTwoFiles) {
    Start();
    const std::string upper = Wav("TAKE.WAV", 2, "Upper");
    const std::string lower = Wav("take.wav", 3, "Lower");
    ASSERT_TRUE(editor->OpenFile(upper));
    EXPECT_TRUE(editor->OpenFile(lower));
    EXPECT_EQ(editor->txtDescription[1]->Text(), "Lower");
    // The same file again does nothing and says it is open.
    editor->txtDescription[1]->SetText("Kept");
    EXPECT_TRUE(editor->OpenFile(dir.path().string() + "/./take.wav"));
    EXPECT_EQ(editor->txtDescription[1]->Text(), "Kept");
}

TEST_F(EditorDocumentTest, NewOpenAndExitWithEditsAskAndSave) {
    Start();
    const std::string a = Wav("a.wav", 3, "A");
    const std::string b = Wav("b.wav", 3, "B");
    ASSERT_TRUE(editor->OpenFile(a));

    // Open another file: Cancel keeps everything, Yes saves first.
    editor->txtDescription[1]->SetText("A changed");
    boxes->Answer(MsgResult::Cancel);
    EXPECT_FALSE(editor->OpenFile(b));
    EXPECT_EQ(Item().AudioFileName, a);
    ASSERT_EQ(Texts().size(), 1u);
    EXPECT_EQ(Texts()[0], "Do you want to save the changes you made to \"" + a + "\"?");
    boxes->Answer(MsgResult::Yes);
    EXPECT_TRUE(editor->OpenFile(b));
    EXPECT_EQ(Read(a).title, "A changed");
    EXPECT_EQ(Item().AudioFileName, b);

    // New: asks, and Yes saves.
    editor->txtDescription[1]->SetText("B changed");
    boxes->Clear();
    boxes->Answer(MsgResult::Yes);
    main->mnuNew_Click();
    editor->ClearDetails(1);
    EXPECT_EQ(Read(b).title, "B changed");

    // Exit: asks, Yes saves, the window goes.
    ASSERT_TRUE(editor->OpenFile(a));
    editor->txtDescription[1]->SetText("A last");
    boxes->Clear();
    boxes->Answer(MsgResult::Yes);
    EXPECT_TRUE(editor->Unload());
    EXPECT_EQ(Read(a).title, "A last");
    editor = nullptr;
}

TEST_F(EditorDocumentTest, CtrlEnterSavesAndClosesAndEscClosesTheWindow) {
    Start();
    const std::string path = Wav("keys.wav", 3, "Keys");
    ASSERT_TRUE(editor->OpenFile(path));
    editor->txtDescription[1]->setFocus();
    // The box selects its text on focus; the user goes to its end before typing.
    QTest::keyClick(editor->txtDescription[1], Qt::Key_End);
    QTest::keyClicks(editor->txtDescription[1], " typed");
    EXPECT_EQ(editor->txtDescription[1]->Text(), "Keys typed");
    // Ctrl+Shift+Enter does nothing.
    QTest::keyClick(editor->txtDescription[1], Qt::Key_Return, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(editor->IsLoaded());
    QTest::keyClick(editor->txtDescription[1], Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(Read(path).title, "Keys typed");
    EXPECT_FALSE(editor->IsLoaded());
    editor = nullptr;
}

TEST_F(EditorDocumentTest, InsertWithAModifierAndKeysUnderTheOutsideEditorPanelDoNothing) {
    Start();
    ASSERT_TRUE(editor->OpenFile(Wav("insert.wav", 3)));
    int runs = 0;
    auto previous = frmLumoEdit::SetOutsideEditorRunner([&](const std::string&, const std::string&) { return ++runs, 0; });
    AudioSettings().AudioEditor = dir / "editor.sh";
    testsupport::WriteFile(dir / "editor.sh", "#!/bin/sh\n");
    for (int shift : {platform::ui::ShiftMask, platform::ui::CtrlMask, platform::ui::AltMask}) {
        int key = platform::ui::vk::Insert;
        editor->Form_KeyDown(key, shift);
    }
    EXPECT_EQ(runs, 0);
    editor->pnlAudioEditorRunning->setVisible(true);
    int key = platform::ui::vk::Insert;
    editor->Form_KeyDown(key, 0);
    EXPECT_EQ(runs, 0);
    editor->pnlAudioEditorRunning->setVisible(false);
    editor->Form_KeyDown(key, 0);
    EXPECT_EQ(runs, 1);
    frmLumoEdit::SetOutsideEditorRunner(previous);
    // Esc with nothing playing closes the window (nothing to save now).
    int esc = 27;
    editor->bEdited_ = false;
    editor->Form_KeyPress(esc);
    EXPECT_EQ(esc, 0);
    EXPECT_FALSE(editor->IsLoaded());
    editor = nullptr;
}

TEST_F(EditorDocumentTest, CtrlTabCyclesTheDetailsTabsAndJogsKeepWithinTheAudio) {
    Start();
    ASSERT_TRUE(editor->OpenFile(Wav("tabs.wav", 6)));
    editor->SetDisplayDescriptions(true);
    QApplication::processEvents();
    editor->tbsCartDetails->SetTab(3);
    int key = platform::ui::vk::Tab;
    editor->Form_KeyDown(key, platform::ui::CtrlMask);
    EXPECT_EQ(editor->tbsCartDetails->Tab(), 0);
    editor->Form_KeyDown(key, platform::ui::CtrlMask | platform::ui::ShiftMask);
    EXPECT_EQ(editor->tbsCartDetails->Tab(), 3);
    editor->Form_KeyDown(key, 0);
    EXPECT_EQ(editor->tbsCartDetails->Tab(), 3);

    // Jogs on the component: a comma from 0.5 s lands on 0, full stops stop at the end.
    editor->ctlEditor->setFocus();
    auto& view = editor->ctlEditor->View();
    view.SetPosition(Samples(0.5));
    key = platform::ui::vk::OemComma;
    editor->Form_KeyDown(key, 0);
    EXPECT_EQ(view.Position(), 0);
    view.SetPosition(Samples(5.5));
    key = platform::ui::vk::OemPeriod;
    editor->Form_KeyDown(key, platform::ui::ShiftMask);
    EXPECT_EQ(view.Position(), view.Length());
    view.SetPosition(Samples(2.0));
    editor->Form_KeyDown(key, platform::ui::CtrlMask);
    EXPECT_EQ(view.Position(), Samples(2.25));
}

TEST_F(EditorDocumentTest, PlayerJogsUseThePlayersLengthForAFileWithoutMetadata) {
    Preferences().SetEditorOpenAudioOnLoad(false);
    Start();
    const std::string plain = dir / "nometa.wav";
    WriteWav(plain, 6.0);
    ASSERT_TRUE(editor->OpenFile(plain));
    ASSERT_FALSE(editor->AudioOpen());
    ASSERT_NE(editor->LumoPlayer1->State(), audio::kPlayerEmpty);
    editor->cAudioInformation->AudioEnd = 0;
    editor->LumoPlayer1->Seek(2.0f);
    int key = platform::ui::vk::OemPeriod;
    editor->Form_KeyDown(key, 0);
    EXPECT_NEAR(editor->LumoPlayer1->Position(), 3.0, 0.01);
    key = platform::ui::vk::OemComma;
    editor->Form_KeyDown(key, platform::ui::ShiftMask);
    EXPECT_NEAR(editor->LumoPlayer1->Position(), 0.0, 0.01);
}

TEST_F(EditorDocumentTest, EditInformationReachesTheRightTab) {
    Start();
    ASSERT_TRUE(editor->OpenFile(Wav("info.wav", 6)));
    const std::tuple<std::int32_t, int, int, QWidget*> cases[] = {
        {rozuzezer::ehdDescriptions, 0, -1, editor->txtDescription[1]},
        {rozuzezer::ehdIntroStart, 0, 0, nullptr},
        {rozuzezer::ehdHookEnd, 0, 0, nullptr},
        {rozuzezer::ehdLoopStart, 0, 1, nullptr},
        {rozuzezer::ehdLength, 0, 0, nullptr},
        {rozuzezer::ehdNotes, 1, -1, editor->txtNotes},
        {rozuzezer::ehdDAB, 1, -1, editor->txtDAB},
        {rozuzezer::ehdWeb, 1, -1, editor->txtWebNotes},
        {rozuzezer::ehdURL, 1, -1, editor->txtArtistWebLink},
        {rozuzezer::ehdCopyright, 2, -1, editor->txtProductTitle},
    };
    auto item = editor->ItemEditing();
    for (const auto& [info, details, timing, focus] : cases) {
        editor->SetDisplayDescriptions(false);
        editor->tbsCartDetails->SetTab(3);
        editor->tbsTiming->SetTab(2);
        EXPECT_FALSE(item->EditInformation(info));
        EXPECT_TRUE(editor->DisplayDescriptions()) << info;
        EXPECT_EQ(editor->tbsCartDetails->Tab(), details) << info;
        EXPECT_EQ(editor->tbsTiming->Tab(), timing < 0 ? 2 : timing) << info;
        if (focus) {
            EXPECT_TRUE(focus->hasFocus() || !focus->isVisible()) << info;
        }
    }
    EXPECT_EQ(editor->chkLoop->Value(), 1);
    // Audio and RDS only show the details.
    editor->tbsCartDetails->SetTab(3);
    EXPECT_FALSE(item->EditInformation(rozuzezer::ehdAudio));
    EXPECT_EQ(editor->tbsCartDetails->Tab(), 3);
    EXPECT_FALSE(item->PlayAudio(rozuzezer::epaPlayAll));
}

TEST_F(EditorDocumentTest, AScriptStandingInForTheOutsideEditorChangesTheFile) {
    Start();
    const std::string path = Wav("outside.wav", 8, "Outside", {0.5, 1.0, 7.9});
    const std::string shorter = dir / "shorter.wav";
    WriteWav(shorter, 4.0);
    const std::string script = dir / "editor.sh";
    testsupport::WriteFile(script, "#!/bin/sh\ncp '" + shorter + "' \"$1\"\necho \"$1\" > '" + (dir / "arg.txt") + "'\n");
    fs::permissions(script, fs::perms::owner_all);
    AudioSettings().AudioEditor = script;
    ASSERT_TRUE(editor->OpenFile(path));
    editor->EditInAudioEditor();
    EXPECT_TRUE(reported.empty()) << reported.front();
    EXPECT_EQ(testsupport::ReadFile(dir / "arg.txt"), path + "\n") << "the file as one argument, no shell";
    EXPECT_EQ(Read(path).frames, 4 * 44100);
    EXPECT_FALSE(editor->AudioOpen());
    EXPECT_TRUE(editor->isEnabled());
    EXPECT_TRUE(main->isEnabled());
    EXPECT_FALSE(editor->pnlAudioEditorRunning->isVisible());
    // The audio is shorter now: the extro at its old end follows the new end.
    EXPECT_NEAR(Item().TotalLength, 4.0, 0.01);
    EXPECT_NEAR(Item().Extro(), 4.0, 0.01);
    EXPECT_LE(Item().AudioEnd, Item().TotalLength);

    // A user's short file is never deleted; an editor that does not start says so.
    AudioSettings().AudioEditor = dir / "editor.sh";
    testsupport::WriteFile(script, "#!/bin/sh\nprintf 'RIFF' > \"$1\"\n");
    fs::permissions(script, fs::perms::owner_all);
    editor->EditInAudioEditor();
    EXPECT_EQ(Bytes(path), "RIFF");
    boxes->Answer(MsgResult::No); // the save question for the open item
    ASSERT_TRUE(editor->OpenFile(Wav("other.wav", 3)));
    AudioSettings().AudioEditor = dir / "not-a-program";
    testsupport::WriteFile(dir / "not-a-program", "just text");
    editor->EditInAudioEditor();
    ASSERT_FALSE(Texts().empty());
    EXPECT_NE(Texts().back().find("could not be started"), std::string::npos) << Texts().back();
}

TEST_F(EditorDocumentTest, OnlyTheTemplateMadeForTheOutsideEditorIsRemovedAndOnlyWhenUnchanged) {
    Start();
    AudioSettings().AudioEditor = dir / "editor.sh";
    testsupport::WriteFile(dir / "editor.sh", "#!/bin/sh\n");
    const std::string file = dir / "not yet.mp3";
    for (const bool writes : {false, true}) {
        boxes->Answer(MsgResult::No);
        ASSERT_TRUE(editor->ClearDetails(1));
        Item().AudioFileName = file;
        editor->txtDescription[1]->SetText("Title");
        editor->ClearEdits();
        std::string seen;
        auto previous = frmLumoEdit::SetOutsideEditorRunner([&](const std::string&, const std::string& argument) {
            seen = Bytes(argument);
            if (writes) std::ofstream(argument, std::ios::app) << "audio";
            return 0;
        });
        editor->EditInAudioEditor();
        frmLumoEdit::SetOutsideEditorRunner(previous);
        EXPECT_EQ(seen.substr(0, 4), "RIFF") << "the outside editor finds a WAV template";
        EXPECT_EQ(fs::exists(file), writes);
        EXPECT_TRUE(reported.empty()) << reported.front();
    }
}

TEST_F(EditorDocumentTest, ParsesAirDatesInTheFormsItShows) {
    double s = 0;
    ASSERT_TRUE(ParseAirDate("03 February 2031", s));
    EXPECT_EQ(s, platform::DateSerial(2031, 2, 3));
    ASSERT_TRUE(ParseAirDate("3 feb 2031", s));
    EXPECT_EQ(s, platform::DateSerial(2031, 2, 3));
    ASSERT_TRUE(ParseAirDate("2031-02-03", s));
    ASSERT_TRUE(ParseAirDate("03/02/2031", s));
    EXPECT_EQ(s, platform::DateSerial(2031, 2, 3));
    for (const char* bad : {"", "31 February 2030", "tomorrow", "03 Fe 2031", "1 2 3 4", "99/99/9999"})
        EXPECT_FALSE(ParseAirDate(bad, s)) << bad;
}
