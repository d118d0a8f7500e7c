// What the window says when a file, a save or the sound card fails, driven as a producer meets
// it: files cut short, empty or no files at all, a file the item's details cannot go into, a
// read-only file, no sound device; the outside editor on an MP3 item, Save As to a format
// without details, the cover over audio that cannot be opened, and a failure while an item
// is shown.
#include "editor/support/EditorWindowFixture.h"

#include "platform/audio/PortAudioDevice.h"
#include "platform/audio/WavFile.h"
#include "platform/base/Error.h"
#include "rozuzezer/ui/AudioFormatChooser.h"

#include <QMdiSubWindow>
#include <QTest>

#include <linux/capability.h>
#include <sndfile.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>

using namespace lumoedit;
using editortest::EditorWindowFixture;
namespace audio = platform::audio;
namespace fs = std::filesystem;
using platform::MsgResult;

namespace {

std::string Bytes(const std::string& path) { return testsupport::ReadFile(path); }

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The MP3 variant the user picks in the format chooser.
bool Mp3Variant(helpers::cAudioFormat& f, std::int32_t, std::int32_t) {
    f.SetSamplesPerSec(44100);
    f.SetChannels(2);
    f.SetBitRate(128000);
    return true;
}

// The chunks of a RIFF file in order: id and payload.
std::vector<std::pair<std::string, std::string>> Chunks(const std::string& bytes) {
    std::vector<std::pair<std::string, std::string>> chunks;
    for (std::size_t at = 12; at + 8 <= bytes.size();) {
        std::uint32_t size = 0;
        std::memcpy(&size, bytes.data() + at + 4, 4);
        chunks.emplace_back(bytes.substr(at, 4), bytes.substr(at + 8, size));
        at += 8 + size + (size & 1);
    }
    return chunks;
}

std::string Chunk(const std::string& id, const std::string& payload, std::uint32_t declared) {
    std::string c = id;
    c.append(reinterpret_cast<const char*>(&declared), 4);
    return c + payload + (payload.size() & 1 ? std::string(1, '\0') : std::string());
}

// Root may write any file: for the scope the calling thread loses that privilege, so the
// file's permissions decide as they do for every other user. False when it cannot.
class ScopedFilePermissions {
public:
    ScopedFilePermissions() {
        if (::geteuid() != 0) return;
        active_ = ::syscall(SYS_capget, &header_, old_) == 0;
        if (!active_) return;
        __user_cap_data_struct now[2];
        std::memcpy(now, old_, sizeof now);
        now[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        active_ = ::syscall(SYS_capset, &header_, now) == 0;
        ok_ = active_;
    }
    ~ScopedFilePermissions() {
        if (active_) ::syscall(SYS_capset, &header_, old_);
    }
    explicit operator bool() const { return ok_; }

private:
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct old_[2]{};
    bool active_ = false;
    bool ok_ = ::geteuid() != 0;
};

} // namespace

class DocumentFailuresTest : public EditorWindowFixture {
protected:
    void SetUp() override {
        EditorWindowFixture::SetUp();
        AudioSettings().EditorTemporaryDirectory = dir / "work/";
    }

    // A stereo tone with a title and intro, extro and hook markers in its chunks.
    std::string TitledWav(const std::string& name, double seconds) {
        const std::string path = dir / name;
        editortest::WriteWav(path, seconds, 2, editortest::Tone);
        rozuzezer::cHardDiskItem item;
        EXPECT_TRUE(item.LoadFromWAVFile(path, 3));
        item.ItemTitle = "Morning jingle";
        item.TotalLength = static_cast<float>(seconds);
        item.AudioEnd = static_cast<float>(seconds);
        item.SetIntroEnd(2.5f);
        item.SetExtro(static_cast<float>(seconds) - 1);
        EXPECT_TRUE(item.SaveToWAVFile(path, 3));
        return path;
    }

    // An MP3 of the tone, saved as the user saves one; the window then holds it.
    std::string Mp3(const std::string& name, double seconds) {
        auto previous = rozuzezer::ui::SetAudioFormatChooser(Mp3Variant);
        const std::string wav = dir / (name + ".source.wav");
        editortest::WriteWav(wav, seconds, 2, editortest::Tone);
        EXPECT_TRUE(editor->OpenFile(wav));
        const std::string path = dir / name;
        dialogs->AnswerFile(path, 3); // MPEG 3
        EXPECT_TRUE(editor->SaveAsFile("", false));
        rozuzezer::ui::SetAudioFormatChooser(previous);
        EXPECT_EQ(editor->cAudioInformation->AudioFileName, path);
        return path;
    }

    void Click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }
};

TEST_F(DocumentFailuresTest, AFileCutShortOpensWhatItHoldsAndSaysSo) {
    // The details stand before the audio, as many producers write them; the copy ended after
    // four of the ten seconds.
    const std::string full = TitledWav("full.wav", 10);
    std::string cut = "RIFF" + std::string(4, '\0') + "WAVE";
    std::string data;
    for (const auto& [id, payload] : Chunks(Bytes(full))) {
        if (id == "data") data = payload;
        else cut += Chunk(id, payload, static_cast<std::uint32_t>(payload.size()));
    }
    ASSERT_EQ(data.size(), 10u * 44100 * 4);
    cut += Chunk("data", data.substr(0, 4u * 44100 * 4), static_cast<std::uint32_t>(data.size()));
    const std::string path = dir / "cut short.wav";
    testsupport::WriteFile(path, cut);

    Start(path);
    ASSERT_EQ(Texts().size(), 1u) << "opened from the command line";
    const std::string said = Texts()[0];
    EXPECT_TRUE(Contains(said, path)) << said;
    EXPECT_TRUE(Contains(said, "00:00:04.00") && Contains(said, "00:00:10.00")) << said;
    EXPECT_TRUE(Contains(said, "markers")) << said;
    EXPECT_EQ(editor->cAudioInformation->AudioFileName, path);
    EXPECT_EQ(editor->txtDescription[1]->Text(), "Morning jingle");
    EXPECT_EQ(editor->mtxtExtro->Text(), "00:00:04.00") << "the extro at 9 s now stands at the end";
    EXPECT_EQ(Bytes(path), cut) << "the file itself is left as it is";

    // The open dialog says the same.
    ASSERT_TRUE(editor->ClearDetails(2));
    boxes->Clear();
    dialogs->AnswerFile(path, 1);
    EXPECT_TRUE(editor->OpenFile(""));
    ASSERT_EQ(Texts().size(), 1u);
    EXPECT_EQ(Texts()[0], said);

    // A whole file says nothing.
    boxes->Clear();
    EXPECT_TRUE(editor->OpenFile(full));
    EXPECT_TRUE(Texts().empty()) << Texts().front();
}

TEST_F(DocumentFailuresTest, AfterAFileThatCannotBeOpenedNothingNamesIt) {
    const std::string path = dir / "noise.wav";
    testsupport::WriteFile(path, std::string(4000, 'x'));
    Start(path);
    ASSERT_EQ(Texts().size(), 1u);
    EXPECT_TRUE(Contains(Texts()[0], "corrupt or in an unsupported format"));
    EXPECT_TRUE(editor->cAudioInformation->AudioFileName.empty());
    EXPECT_FALSE(Contains(main->windowTitle().toStdString(), "noise"));
    EXPECT_FALSE(Contains(Frame()->windowTitle().toStdString(), "noise"));
    // The window holds a new item: its close question says so.
    boxes->Clear();
    editor->txtDescription[1]->setFocus(); // typed as a user types: into the box that has the focus
    QTest::keyClicks(editor->txtDescription[1], "Typed after");
    boxes->Answer(MsgResult::Cancel);
    EXPECT_FALSE(editor->ClearDetails(0));
    ASSERT_EQ(Texts().size(), 1u);
    EXPECT_EQ(Texts()[0], "Do you want to save the changes you made to your new audio file?");
    // The next file is named again.
    boxes->Answer(MsgResult::No);
    ASSERT_TRUE(editor->OpenFile(TitledWav("good.wav", 2)));
    EXPECT_TRUE(Contains(main->windowTitle().toStdString(), "good.wav")) << main->windowTitle().toStdString();
}

// Playback of the new empty document, or of a file, is no reason for the next file to fail.
TEST_F(DocumentFailuresTest, AnotherFileOpensWhileTheAudioPlaysOrPauses) {
    for (const bool fromFile : {false, true})
        for (const bool pause : {false, true}) {
            SCOPED_TRACE(std::string(fromFile ? "a file " : "a new document ") + (pause ? "paused" : "playing"));
            Start(fromFile ? TitledWav("first.wav", 10) : std::string());
            ASSERT_TRUE(editor->AudioOpen());
            editor->cmdPlay_Click();
            ASSERT_EQ(editor->ctlEditor->State(), audio::kStatePlaying);
            if (pause) editor->cmdPause_Click();
            boxes->Clear();
            const std::string next = TitledWav("next.wav", 4);
            ASSERT_TRUE(editor->OpenFile(next));
            EXPECT_TRUE(Texts().empty()) << Texts().front();
            EXPECT_EQ(editor->cAudioInformation->AudioFileName, next);
            EXPECT_TRUE(editor->AudioOpen());
            EXPECT_EQ(editor->ctlEditor->State(), audio::kStateIdle);
            EXPECT_NEAR(editor->ctlEditor->View().SamplesToMs(editor->ctlEditor->View().Length()), 4000, 1);
            main->Unload();
            main.reset();
            editor = nullptr;
        }
}

TEST_F(DocumentFailuresTest, NoFileFromTheCommandLineOrTheDialogIsLeftUnsaid) {
    fs::create_directories(dir / "folder");
    testsupport::WriteFile(dir / "empty.wav", "");
    struct Case {
        std::vector<std::string> args; // the program's arguments
        std::string named;             // the name the message gives
    };
    const Case cases[] = {
        {{dir / "folder"}, dir / "folder"},
        {{dir / "empty.wav"}, dir / "empty.wav"},
        {{dir / "missing.wav"}, dir / "missing.wav"},
        {{""}, ""},     // as a script passes an unset name
        {{"  "}, "  "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(JoinCommandLine(c.args));
        boxes->Clear();
        Start(JoinCommandLine(c.args));
        ASSERT_EQ(Texts().size(), 1u);
        EXPECT_EQ(Texts()[0], "The file '" + c.named + "' either cannot be found or is not a valid audio file");
        EXPECT_TRUE(editor->cAudioInformation->AudioFileName.empty());
        main->Unload();
        main.reset();
        editor = nullptr;
    }
    // A folder typed into the open dialog's name box.
    Start();
    boxes->Clear();
    dialogs->AnswerFile(dir / "folder", 1);
    EXPECT_FALSE(editor->OpenFile(""));
    ASSERT_EQ(Texts().size(), 1u);
    EXPECT_TRUE(Contains(Texts()[0], "either cannot be found")) << Texts()[0];
}

TEST_F(DocumentFailuresTest, AnRf64FileIsSaidToBeOneWhenItsDetailsCannotGoIn) {
    const std::string path = dir / "long form.wav";
    {
        SF_INFO info{};
        info.samplerate = 44100;
        info.channels = 2;
        info.format = SF_FORMAT_RF64 | SF_FORMAT_PCM_16;
        SNDFILE* sf = sf_open(path.c_str(), SFM_WRITE, &info);
        ASSERT_NE(sf, nullptr) << sf_strerror(nullptr);
        std::vector<short> pcm(2 * 44100 * 2, 1000);
        sf_writef_short(sf, pcm.data(), 2 * 44100);
        sf_close(sf);
    }
    ASSERT_EQ(Bytes(path).substr(0, 4), "RF64");
    Start();
    ASSERT_TRUE(editor->OpenFile(path)) << (Texts().empty() ? "" : Texts().back());
    const std::string before = Bytes(path);
    boxes->Clear();
    editor->txtDescription[1]->SetText("Will not fit");
    EXPECT_FALSE(editor->SaveFile());
    ASSERT_EQ(Texts().size(), 1u);
    EXPECT_TRUE(Contains(Texts()[0], "RF64")) << Texts()[0];
    EXPECT_FALSE(Contains(Texts()[0], "read-only")) << Texts()[0];
    EXPECT_TRUE(editor->bEdited());
    EXPECT_EQ(Bytes(path), before);
}

TEST_F(DocumentFailuresTest, AReadOnlyFileIsNeverReplacedByAnAudioSave) {
    Start();
    const std::string path = TitledWav("locked.wav", 4);
    const std::string other = TitledWav("other locked.wav", 2);
    ASSERT_TRUE(editor->OpenFile(path));
    auto& view = editor->ctlEditor->View();
    view.SetSelectionShown(true);
    view.SetSelectionStart(44100);
    view.SetSelectionEnd(2 * 44100);
    editor->ProcessAudioButton("cut");
    ASSERT_TRUE(editor->bAudioEdited);
    for (const std::string& p : {path, other})
        fs::permissions(p, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const std::string before = Bytes(path), otherBefore = Bytes(other);
    ScopedFilePermissions asUser;
    if (!asUser) GTEST_SKIP() << "this thread cannot give up its right to write any file";

    boxes->Clear();
    EXPECT_FALSE(editor->SaveFile());
    ASSERT_EQ(Texts().size(), 1u);
    EXPECT_TRUE(Contains(Texts()[0], "is read-only")) << Texts()[0];
    EXPECT_TRUE(Contains(Texts()[0], "nothing has been saved")) << Texts()[0];
    EXPECT_EQ(Bytes(path), before);
    EXPECT_TRUE(editor->bEdited());
    EXPECT_TRUE(editor->bAudioEdited);

    // Save As onto the same file or onto another read-only one is refused alike.
    for (const std::string& target : {path, other}) {
        boxes->Clear();
        dialogs->AnswerFile(target, 6);
        EXPECT_FALSE(editor->SaveAsFile("", false)) << target;
        ASSERT_EQ(Texts().size(), 1u) << target;
        EXPECT_TRUE(Contains(Texts()[0], "is read-only")) << Texts()[0];
    }
    EXPECT_EQ(Bytes(path), before);
    EXPECT_EQ(Bytes(other), otherBefore);
    EXPECT_EQ(editor->cAudioInformation->AudioFileName, path);
    EXPECT_TRUE(reported.empty()) << reported.front();
}

TEST_F(DocumentFailuresTest, PlayWithoutASoundDeviceSaysWhichOneCannotBeOpened) {
    // Real sound devices on a machine whose second playback device is not there.
    audio::ScopedDeviceFactory real{[](audio::DeviceDirection d, int soundCard) -> std::shared_ptr<audio::AudioDevice> {
        return std::make_shared<audio::PortAudioDevice>(d, soundCard);
    }};
    AudioSettings().EditSoundCardNumber = 2;
    Start();
    const std::string path = TitledWav("play me.wav", 3);
    for (const bool forEditing : {true, false}) {
        SCOPED_TRACE(forEditing ? "audio open for editing" : "the player");
        Preferences().SetEditorOpenAudioOnLoad(forEditing);
        ASSERT_TRUE(editor->ClearDetails(2));
        ASSERT_TRUE(editor->OpenFile(path));
        ASSERT_EQ(editor->AudioOpen(), forEditing);
        ASSERT_TRUE(editor->cmdPlay->isEnabled());
        boxes->Clear();
        Click(editor->cmdPlay);
        ASSERT_EQ(Texts().size(), 1u);
        EXPECT_TRUE(Contains(Texts()[0], "No sound device can be opened for playback: \"Studio monitors\" (sound card 2)"))
            << Texts()[0];
        EXPECT_EQ(boxes->Shown()[0].icon, platform::MsgIcon::Exclamation);
        EXPECT_TRUE(reported.empty()) << reported.front();
        EXPECT_TRUE(editor->cmdPlay->isEnabled());
        EXPECT_FALSE(editor->cmdStop->isEnabled()) << "nothing plays";
    }
}

TEST_F(DocumentFailuresTest, TheOutsideEditorRunsOnAnMp3Item) {
    Start();
    const std::string mp3 = Mp3("take.mp3", 3);
    ASSERT_TRUE(editor->txtDescription[1]->Text().empty());
    const std::string script = dir / "editor.sh";
    testsupport::WriteFile(script, "#!/bin/sh\necho \"$1\" > '" + (dir / "edited.txt") + "'\n");
    fs::permissions(script, fs::perms::owner_all);
    AudioSettings().AudioEditor = script;
    boxes->Clear();
    editor->txtDescription[1]->setFocus();
    QTest::keyClick(editor->txtDescription[1], Qt::Key_Insert);
    EXPECT_TRUE(Texts().empty()) << Texts().front();
    ASSERT_TRUE(fs::exists(dir / "edited.txt")) << "the outside editor was started";
    EXPECT_EQ(Bytes(dir / "edited.txt"), mp3 + "\n");
    EXPECT_EQ(editor->txtDescription[1]->Text(), "New Audio");
    EXPECT_EQ(editor->cAudioInformation->ItemTitle, "New Audio");
    EXPECT_TRUE(editor->bAudioEdited);
    EXPECT_TRUE(reported.empty()) << reported.front();
}

TEST_F(DocumentFailuresTest, SaveAsAFormatWithoutDetailsKeepsChangedDetailsUnsaved) {
    Start();
    const std::string source = TitledWav("source.wav", 3);
    ASSERT_TRUE(editor->OpenFile(source));
    editor->txtDescription[1]->SetText("Only in the window");
    auto previous = rozuzezer::ui::SetAudioFormatChooser(Mp3Variant);
    const std::string mp3 = dir / "copy.mp3";
    dialogs->AnswerFile(mp3, 3);
    EXPECT_TRUE(editor->SaveAsFile("", false));
    rozuzezer::ui::SetAudioFormatChooser(previous);
    EXPECT_TRUE(fs::exists(mp3));
    EXPECT_TRUE(editor->bEdited()) << "the title went nowhere";
    EXPECT_FALSE(editor->bAudioEdited);
    boxes->Clear();
    boxes->Answer(MsgResult::Cancel);
    EXPECT_FALSE(editor->ClearDetails(0));
    ASSERT_EQ(Texts().size(), 1u);
    EXPECT_EQ(Texts()[0], "Do you want to save the changes you made to \"" + mp3 + "\"?");

    // As WAV the details go in, and nothing is left unsaved.
    const std::string wav = dir / "copy.wav";
    dialogs->AnswerFile(wav, 6);
    EXPECT_TRUE(editor->SaveAsFile("", false));
    EXPECT_FALSE(editor->bEdited());
    rozuzezer::cHardDiskItem back;
    ASSERT_TRUE(back.LoadFromWAVFile(wav, 3));
    EXPECT_EQ(back.ItemTitle, "Only in the window");
}

// Save As writes its new file beside the target and renames it over; one that a killed
// program left there is removed by the next save of that target, and nothing else stays.
TEST_F(DocumentFailuresTest, SaveAsOverAFileLeavesNothingBesideIt) {
    Start();
    const std::string source = TitledWav("source.wav", 2);
    const std::string target = TitledWav("target.wav", 1);
    ASSERT_TRUE(editor->OpenFile(source));
    // A side file of a program that is gone, named as ours are.
    const pid_t gone = ::fork();
    if (gone == 0) ::_exit(0);
    ::waitpid(gone, nullptr, 0);
    const std::string ours = fs::path(audio::AtomicFile::TemporaryPath(target, ".wav")).filename().string();
    const std::string prefix = ".target.wav.saving-p";
    ASSERT_EQ(ours.rfind(prefix + std::to_string(::getpid()) + "-t", 0), 0u) << ours;
    const std::string host = ours.substr(ours.find("-h") + 2, 8);
    const std::string left = prefix + std::to_string(gone) + "-t1-h" + host + "-000001.wav";
    testsupport::WriteFile(dir / left, std::string(4096, 'x'));

    dialogs->AnswerFile(target, 6);
    boxes->Answer(MsgResult::Yes); // replace it
    ASSERT_TRUE(editor->SaveAsFile("", false));
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir.path()))
        if (e.path().filename().string().find("target") != std::string::npos) names.insert(e.path().filename().string());
    EXPECT_EQ(names, std::set<std::string>{"target.wav"});
    EXPECT_EQ(editortest::ReadWav(target).Frames(), 2 * 44100);
}

TEST_F(DocumentFailuresTest, TheCoverComesBackOverAudioThatCannotBeOpened) {
    Preferences().SetEditorOpenAudioOnLoad(false);
    Start();
    const std::string path = TitledWav("covered.wav", 3);
    ASSERT_TRUE(editor->OpenFile(path));
    ASSERT_TRUE(editor->pnlAudioEditorCover->isVisible());
    // Another program ruins the file while the window shows it.
    testsupport::WriteFile(path, std::string(static_cast<std::size_t>(fs::file_size(path)), 'x'));
    boxes->Clear();
    Click(editor->lblUncoverAudio);
    ASSERT_EQ(Texts().size(), 1u);
    EXPECT_EQ(Texts()[0], "The audio file could not be opened because it is corrupt or in an unsupported format");
    EXPECT_TRUE(editor->pnlAudioEditorCover->isVisible());
    EXPECT_FALSE(editor->ctlEditor->isVisible());
    EXPECT_FALSE(editor->AudioOpen());
    EXPECT_EQ(editor->cAudioInformation->AudioFileName, path);

    // A file that has gone is no fault of the audio: a new document takes its place.
    fs::remove(path);
    boxes->Clear();
    Click(editor->lblUncoverAudio);
    EXPECT_TRUE(Texts().empty()) << Texts().front();
    EXPECT_FALSE(editor->pnlAudioEditorCover->isVisible());
    EXPECT_TRUE(editor->AudioOpen());
}

TEST_F(DocumentFailuresTest, AFailureWhileAnItemIsShownLeavesAnEmptyOne) {
    Start();
    AudioSettings().AudioAllowOtherFormat = 1;
    auto previous = rozuzezer::ui::SetAudioFormatChooser([](helpers::cAudioFormat&, std::int32_t, std::int32_t) -> bool {
        platform::Raise(5, "The format list could not be read");
    });
    ASSERT_TRUE(editor->ClearDetails(2));
    auto& item = *editor->cAudioInformation;
    item.ItemTitle = "Half shown";
    item.Client = "A client";
    // The details are filled, then the new document's format choice fails.
    EXPECT_NO_THROW(editor->DisplayDetails(1));
    rozuzezer::ui::SetAudioFormatChooser(previous);
    ASSERT_EQ(Texts().size(), 1u);
    EXPECT_TRUE(Contains(Texts()[0], "There was a problem showing the details")) << Texts()[0];
    EXPECT_TRUE(Contains(Texts()[0], "The format list could not be read")) << Texts()[0];
    EXPECT_EQ(editor->txtDescription[1]->Text(), "");
    EXPECT_EQ(editor->txtClient->Text(), "");
    EXPECT_EQ(editor->cAudioInformation->ItemTitle, "");
    EXPECT_FALSE(editor->bLoadingInfo);
    EXPECT_FALSE(editor->bEdited());
    // The window goes on working.
    EXPECT_TRUE(editor->OpenFile(TitledWav("after.wav", 2)));
    EXPECT_EQ(editor->txtDescription[1]->Text(), "Morning jingle");
}

TEST_F(DocumentFailuresTest, RewindAndFastForwardServeOnlyTheAudioOpenForEditing) {
    Preferences().SetEditorOpenAudioOnLoad(false);
    Start();
    const std::string path = TitledWav("rewind.wav", 30);
    ASSERT_TRUE(editor->OpenFile(path));
    auto& player = *editor->LumoPlayer1;
    // The player: every state leaves both buttons disabled, and the handlers leave it alone.
    for (const char* step : {"cued", "playing", "paused"}) {
        SCOPED_TRACE(step);
        if (std::string(step) == "playing") {
            Click(editor->cmdPlay);
            card->AdvanceMs(1500);
            player.Pump();
        } else if (std::string(step) == "paused") {
            Click(editor->cmdPause);
        }
        EXPECT_FALSE(editor->cmdRewind->isEnabled());
        EXPECT_FALSE(editor->cmdFastForward->isEnabled());
        const int state = player.State();
        const float at = player.Position();
        editor->cmdRewind_Click();
        editor->cmdFastForward_Click();
        EXPECT_EQ(player.State(), state);
        EXPECT_EQ(player.Position(), at);
    }
    editor->cmdStop_Click();

    // Open for editing: the cursor and the view go to the start and to the end, the view
    // scrolled there with the width it had.
    Click(editor->lblUncoverAudio);
    ASSERT_TRUE(editor->AudioOpen());
    auto& view = editor->ctlEditor->View();
    std::int64_t from = 10 * 44100, to = 12 * 44100;
    editor->SetEditorView64(from, to);
    view.SetPosition(11 * 44100);
    ASSERT_TRUE(editor->cmdRewind->isEnabled());
    Click(editor->cmdRewind);
    EXPECT_EQ(view.Position(), 0);
    EXPECT_EQ(view.VisibleStart(), 0);
    EXPECT_EQ(view.VisibleEnd(), to - from);
    Click(editor->cmdFastForward);
    EXPECT_EQ(view.Position(), view.Length());
    EXPECT_EQ(view.VisibleEnd(), view.Length());
    EXPECT_EQ(view.VisibleStart(), view.Length() - (to - from));
    EXPECT_TRUE(reported.empty()) << reported.front();
}
