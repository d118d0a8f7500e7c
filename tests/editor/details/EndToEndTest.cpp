// The window driven as a user would: mark while playing, set from a selection, audition,
// fill in the details, save, reopen, and the file checked with libsndfile and ffprobe.
//
// Opening and saving go through the document side's OpenFile and SaveFile.
#include "editor/support/EditorWindowFixture.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QTest>

#include <cmath>
#include <cstdio>
#include <sndfile.h>

using namespace lumoedit;
using editortest::DetailsTest;
namespace audio = platform::audio;

namespace {

using CartInfo = SF_CART_INFO_VAR(16384);

std::unique_ptr<CartInfo> ReadCart(const std::string& path) {
    SF_INFO info{};
    SNDFILE* sf = sf_open(path.c_str(), SFM_READ, &info);
    if (!sf) return nullptr;
    auto cart = std::make_unique<CartInfo>();
    const bool ok = sf_command(sf, SFC_GET_CART_INFO, cart.get(), sizeof *cart) == SF_TRUE;
    sf_close(sf);
    return ok ? std::move(cart) : nullptr;
}

std::string Output(const std::string& command) {
    std::string out;
    if (FILE* p = ::popen(command.c_str(), "r")) {
        char buf[4096];
        while (std::size_t n = std::fread(buf, 1, sizeof buf, p)) out.append(buf, n);
        ::pclose(p);
    }
    return out;
}

} // namespace

TEST_F(DetailsTest, MarkTheIntroEndWhilePlayingAndSaveItAsAPostTimer) {
    const std::string path = ToneFile("mark.wav", 30);
    OpenForEditing(path);
    editor->ctlEditor->Play(1);
    for (int i = 0; i < 120; ++i) { // three seconds
        card->AdvanceMs(25);
        editor->ctlEditor->Pump();
    }
    editor->UpdateButtons();
    ASSERT_EQ(editor->cmdSetIntroEnd->Caption(), "Mark (&*)");
    const auto position = editor->ctlEditor->View().Position();
    const float at = static_cast<float>(Seconds(position));
    ASSERT_GT(at, 2.0f);
    editor->cmdSetIntroEnd->click();
    EXPECT_EQ(editor->mtxtIntroEnd->Text(), T(at));
    editor->cmdStop_Click();

    EXPECT_FLOAT_EQ(editor->cAudioInformation->IntroEnd(), std::round(at * 100) / 100);
    auto& regions = editor->ctlEditor->Regions();
    bool found = false;
    for (int i = 1; i <= regions.Count(); ++i) {
        regions.SetCurrent(i);
        if (regions.Tag() != "1") continue;
        found = true;
        EXPECT_NEAR(static_cast<double>(regions.Start() + regions.Length()), static_cast<double>(position), 441.0)
            << "the intro region ends at the mark";
    }
    EXPECT_TRUE(found);
    ASSERT_TRUE(Save(path));
    auto cart = ReadCart(path);
    ASSERT_NE(cart, nullptr);
    const auto expected = static_cast<std::int32_t>(std::llround(editor->cAudioInformation->IntroEnd() * 44100.0));
    bool timer = false;
    for (const auto& t : cart->post_timers)
        if (std::string(t.usage, 3) == "INT" && t.value == expected) timer = true;
    EXPECT_TRUE(timer) << "a post timer at the marked sample";
}

TEST_F(DetailsTest, SetTheIntroFromASelectionAndAuditionTheHook) {
    OpenForEditing(ToneFile("select.wav", 30));
    Select(3.2, 9.8);
    editor->cmdSetIntroStart->click();
    EXPECT_EQ(editor->mtxtIntroStart->Text(), T(3.2));
    EXPECT_EQ(editor->mtxtIntroEnd->Text(), T(9.8));
    EXPECT_FLOAT_EQ(editor->cAudioInformation->IntroStart(), 3.2f);
    EXPECT_FLOAT_EQ(editor->cAudioInformation->IntroEnd(), 9.8f);

    editor->cAudioInformation->HookStart = 10;
    editor->cAudioInformation->HookEnd = 14;
    Select(0, 0);
    editor->cmdSetHookStart->click();
    EXPECT_EQ(editor->ctlEditor->View().Position(), Samples(8)) << "two seconds before the hook";
    EXPECT_EQ(editor->ctlEditor->State(), audio::kStatePlaying);
    editor->cmdStop_Click();
}

TEST_F(DetailsTest, FillInTheDetailsSaveAndReopen) {
    const std::string path = ToneFile("details.wav", 5);
    OpenForEditing(path);
    editor->txtDescription[1]->SetText("Morning Jingle ");
    editor->txtDescription[3]->SetText("Station sweeper");
    for (int i = 0; i < editor->comboCategory->ListCount(); ++i)
        if (editor->comboCategory->List(i).rfind("Jingles", 0) == 0) editor->comboCategory->SetListIndex(i);
    editor->listCopyrightCode->SetListIndex(2); // "D - Disc"
    QApplication::clipboard()->setText("Now <NOTES>on air</NOTES>");
    editor->txtDAB->setFocus();
    QTest::keyClick(editor->txtDAB, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(editor->txtDAB->Text(), "Now NOTESon air/NOTES");
    editor->txtNotes->SetText("Back-announce the song");
    editor->optAudioFades->SetValue(true);
    ASSERT_TRUE(editor->bEdited());
    ASSERT_TRUE(Save(path));

    rozuzezer::cHardDiskItem back;
    ASSERT_TRUE(back.LoadFromWAVFile(path, 3));
    EXPECT_EQ(back.ItemTitle, "Morning Jingle");
    EXPECT_EQ(back.Description(1), "Station sweeper");
    EXPECT_EQ(back.Category, "JIN");
    EXPECT_EQ(back.CopyrightCode, "D");
    EXPECT_EQ(back.DABNotes, "Now NOTESon air/NOTES");
    EXPECT_EQ(back.Notes, "Back-announce the song") << "the pasted tag did not replace the notes";
    EXPECT_EQ(back.EndType, rozuzezer::cheFades);

    const std::string probe = Output("ffprobe -v quiet -show_format -of flat '" + path + "' 2>/dev/null");
    ASSERT_FALSE(probe.empty()) << "ffprobe reads the file";
    // FFmpeg shows the bext description as the comment (the field is blank-padded).
    EXPECT_NE(probe.find("format.tags.comment=\"Station sweeper "), std::string::npos) << probe;

    editor->bEdited_ = false;
    editor->ClearDetails(2); // a file already open is not opened again
    ASSERT_TRUE(editor->OpenFile(path));
    EXPECT_EQ(editor->txtDescription[1]->Text(), "Morning Jingle");
    EXPECT_EQ(editor->comboCategory->List(editor->comboCategory->ListIndex()).substr(0, 7), "Jingles");
    EXPECT_EQ(editor->listCopyrightCode->Text(), "D - Disc");
    EXPECT_EQ(editor->txtDAB->Text(), "Now NOTESon air/NOTES");
    EXPECT_EQ(editor->txtNotes->Text(), "Back-announce the song");
    EXPECT_TRUE(editor->optAudioFades->Value());
    EXPECT_FALSE(editor->bEdited());
}
