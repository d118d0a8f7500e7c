// The transform dialog on its own: what each function shows first, the checks at OK on the
// rounded values, the slider and box kept in step, the caution colour, the presets.
#include "editor/support/EditorWindowFixture.h"

#include <gtest/gtest.h>

using namespace editortest;
using platform::ui::Form;

namespace {

class TransformDialogTest : public ShellTest {
protected:
    platform::ScopedScriptedMessageBoxes boxes;
    void SetUp() override {
        ShellTest::SetUp();
        lumoedit::ReleaseApplicationObjects();
        Form::ClearModalScript();
    }
    void TearDown() override {
        Form::ClearModalScript();
        lumoedit::ReleaseApplicationObjects();
        ShellTest::TearDown();
    }
    // Runs the next dialog: `look` sees it as shown, `act` then answers it.
    static void Script(std::function<void(frmLumoEditTransform&)> act) {
        Form::ScriptModal([act](Form& f) { act(dynamic_cast<frmLumoEditTransform&>(f)); });
    }
    std::string LastText() { return boxes->Shown().empty() ? std::string() : boxes->Shown().back().text; }
};

} // namespace

TEST_F(TransformDialogTest, EachFunctionShowsItsValuesClampedAndOnlyItsFrame) {
    std::string shown;
    auto capture = [&](platform::ui::TextBox* frmLumoEditTransform::*box) {
        Script([&, box](frmLumoEditTransform& d) {
            shown = (d.*box)->Text();
            EXPECT_TRUE(d.isVisible() || true);
            d.cmdCancel_Click();
        });
    };
    struct Case {
        std::int16_t level;
        const char* shown;
    };
    for (const Case& c : {Case{0, "1"}, Case{250, "100"}, Case{-5, "1"}}) {
        std::int16_t level = c.level;
        bool dc = true;
        capture(&frmLumoEditTransform::txtNormaliseLevel);
        EXPECT_FALSE(frmLumoEditTransform().Normalise(level, dc));
        EXPECT_EQ(shown, c.shown);
        EXPECT_EQ(level, c.level) << "a cancel writes nothing back";
    }
    std::int16_t amplify = 2000;
    capture(&frmLumoEditTransform::txtAmplifyLevel);
    EXPECT_FALSE(frmLumoEditTransform().Amplify(amplify));
    EXPECT_EQ(shown, "300");

    std::int16_t threshold = 95;
    std::int32_t attack = -40, release = 25;
    capture(&frmLumoEditTransform::txtSilenceThreshold);
    EXPECT_FALSE(frmLumoEditTransform().DeleteSilence(threshold, attack, release));
    EXPECT_EQ(shown, "92");
    EXPECT_EQ(attack, 0) << "the negative time is corrected even on Cancel";

    // The stretch length from 0.1 s to four times the current length, whatever that length;
    // written back even on Cancel.
    struct Stretch {
        double current;
        float stored, offered;
        const char* shown;
    };
    for (const Stretch& c : {Stretch{10, 50, 40, "40"}, Stretch{60, -1, 0.1f, "0.1"}, Stretch{3600, 0.02f, 0.1f, "0.1"},
                             Stretch{3600, 12.5f, 12.5f, "12.5"}}) {
        float length = c.stored;
        bool pitch = false;
        capture(&frmLumoEditTransform::txtStretchNewLength);
        EXPECT_FALSE(frmLumoEditTransform().Stretch(c.current, length, pitch));
        EXPECT_EQ(shown, c.shown) << c.current << " " << c.stored;
        EXPECT_FLOAT_EQ(length, c.offered);
    }

    // Only the asked frame shows; the buttons sit under it and the dialog fits the frame.
    Script([](frmLumoEditTransform& d) {
        EXPECT_TRUE(platform::ui::Visible(d.fraMixPaste));
        for (auto* f : {d.fraNormalise, d.fraAmplify, d.fraDeleteSilence, d.fraTimeStretch})
            EXPECT_FALSE(platform::ui::Visible(f));
        EXPECT_DOUBLE_EQ(platform::ui::Top(d.cmdOK), platform::ui::Top(d.fraMixPaste) + platform::ui::Height(d.fraMixPaste) + 90);
        EXPECT_LT(platform::ui::Left(d.cmdOK), platform::ui::Left(d.cmdCancel));
        EXPECT_EQ(d.lblMixPasteDescriptionDesc->Caption(),
                  "100% = Leave the Volume unchanged\n<100% = Reduce the Volume\n>100% = Increase the Volume");
        d.close(); // the close box counts as Cancel
    });
    std::int16_t a = 50, b = 400;
    EXPECT_FALSE(frmLumoEditTransform().MixPaste(a, b));
    EXPECT_EQ(Form::UnscriptedModals(), 0);
}

// OK checks the values the caller gets: rounded whole numbers in range. Each refusal keeps
// the dialog open (the script then cancels it).
TEST_F(TransformDialogTest, OkRefusesWhatWouldReachTheComponentOutOfRange) {
    struct Case {
        const char* what;
        std::function<bool(frmLumoEditTransform&)> run; // opens the dialog
        std::function<void(frmLumoEditTransform&, const std::string&)> type;
        const char* text;
        bool accepted;
        const char* message;
    };
    auto normalise = [](frmLumoEditTransform& d) {
        std::int16_t l = 100;
        bool dc = false;
        return d.Normalise(l, dc);
    };
    auto amplify = [](frmLumoEditTransform& d) {
        std::int16_t l = 100;
        return d.Amplify(l);
    };
    auto mix = [](frmLumoEditTransform& d) {
        std::int16_t a = 50, b = 50;
        return d.MixPaste(a, b);
    };
    auto silence = [](frmLumoEditTransform& d) {
        std::int16_t t = 60;
        std::int32_t a = 100, r = 25;
        return d.DeleteSilence(t, a, r);
    };
    auto stretch = [](frmLumoEditTransform& d) {
        float n = 10;
        bool p = false;
        return d.Stretch(10, n, p);
    };
    auto normaliseBox = [](frmLumoEditTransform& d, const std::string& t) { d.txtNormaliseLevel->SetText(t); };
    auto amplifyBox = [](frmLumoEditTransform& d, const std::string& t) { d.txtAmplifyLevel->SetText(t); };
    auto mixBox = [](frmLumoEditTransform& d, const std::string& t) { d.txtMixPasteNewAudio->SetText(t); };
    auto thresholdBox = [](frmLumoEditTransform& d, const std::string& t) { d.txtSilenceThreshold->SetText(t); };
    auto attackBox = [](frmLumoEditTransform& d, const std::string& t) { d.txtSilenceAttack->SetText(t); };
    auto stretchBox = [](frmLumoEditTransform& d, const std::string& t) { d.txtStretchNewLength->SetText(t); };
    const char* const k100 = "You must enter a number from 1 to 100";
    const char* const k2000 = "You must enter a number from 1 to 2000";
    const char* const kNew = "You must enter a number for the new audio from 0 to 300";
    const Case cases[] = {
        {"normalise 0.4 rounds to 0", normalise, normaliseBox, "0.4", false, k100},
        {"normalise 100.4", normalise, normaliseBox, "100.4", true, nullptr},
        {"normalise 100.6", normalise, normaliseBox, "100.6", false, k100},
        {"amplify 0 would silence", amplify, amplifyBox, "0", false, k2000},
        {"amplify 99999 overflows 16 bits", amplify, amplifyBox, "99999", false, k2000},
        {"amplify 2000", amplify, amplifyBox, "2000", true, nullptr},
        {"amplify text", amplify, amplifyBox, "abc", false, k2000},
        {"mix at the slider's minimum", mix, mixBox, "0", false, kNew},
        {"mix 0.4", mix, mixBox, "0.4", false, kNew},
        {"mix at its maximum", mix, mixBox, "300", true, nullptr},
        {"threshold 93", silence, thresholdBox, "93", false, "You must enter a silence level from 0 to 92 db"},
        {"attack beyond 2^20", silence, attackBox, "2000000",  false,
         "You must enter a duration from 0 to 1048576 milliseconds"},
        {"stretch 0", stretch, stretchBox, "0", false, "You must enter a new length for the audio"},
        {"stretch beyond 4 times", stretch, stretchBox, "40.5", false,
         "You cannot stretch the audio to more than 4 times its original length"},
        {"stretch to a hundredth", stretch, stretchBox, "0.1", true, nullptr},
        {"stretch below what is offered", stretch, stretchBox, "0.01", true, nullptr},
        {"stretch 4 times", stretch, stretchBox, "40", true, nullptr},
    };
    for (const Case& c : cases) {
        boxes->Clear();
        const auto type = c.type;
        const std::string text = c.text;
        Script([type, text](frmLumoEditTransform& d) {
            type(d, text);
            d.cmdOK_Click();
        });
        frmLumoEditTransform dialog;
        EXPECT_EQ(c.run(dialog), c.accepted) << c.what;
        if (c.message) {
            EXPECT_EQ(LastText(), c.message) << c.what;
        } else {
            EXPECT_TRUE(boxes->Shown().empty()) << c.what << ": " << LastText();
        }
    }
}

TEST_F(TransformDialogTest, SlidersAndBoxesFollowEachOtherAndTheLostFocusClamps) {
    frmLumoEditTransform d;
    d.sldAmplify->SetValue(150);
    EXPECT_EQ(d.txtAmplifyLevel->Text(), "150");
    d.txtAmplifyLevel->SetText("2000");
    EXPECT_EQ(d.sldAmplify->Value(), 300) << "the slider stops at its end";
    EXPECT_EQ(d.txtAmplifyLevel->Text(), "2000") << "the box keeps the number";
    d.txtMixPasteOriginal->SetText("80.5");
    EXPECT_EQ(d.sldMixPasteOriginal->Value(), 80);
    d.sldMixPasteNewAudio->SetValue(7);
    EXPECT_EQ(d.txtMixPasteNewAudio->Text(), "7");

    // Losing the focus corrects the box.
    d.txtAmplifyLevel->SetText("5000");
    emit d.txtAmplifyLevel->LostFocus();
    EXPECT_EQ(d.txtAmplifyLevel->Text(), "2000");
    d.txtSilenceAttack->SetText("-3");
    emit d.txtSilenceAttack->LostFocus();
    EXPECT_EQ(d.txtSilenceAttack->Text(), "0");

    // Keys: digits only, and "." in the stretch box.
    int key = 'x';
    emit d.txtAmplifyLevel->KeyPress(key);
    EXPECT_EQ(key, 0);
    key = '.';
    emit d.txtAmplifyLevel->KeyPress(key);
    EXPECT_EQ(key, 0);
    key = '.';
    emit d.txtStretchNewLength->KeyPress(key);
    EXPECT_EQ(key, '.');
    key = '7';
    emit d.txtStretchNewLength->KeyPress(key);
    EXPECT_EQ(key, '7');
}

TEST_F(TransformDialogTest, TheCautionTurnsRedBeyondFivePercentWithThePitchKept) {
    struct Case {
        const char* length;
        bool pitch;
        bool red;
    };
    const Case cases[] = {{"9.4", true, true},  {"9.5", true, false}, {"10.5", true, false},
                          {"10.6", true, true}, {"5", false, false}};
    for (const Case& c : cases) {
        Script([&c](frmLumoEditTransform& d) {
            d.chkTimeStretchPreservePitch->SetValue(c.pitch ? 1 : 0);
            d.txtStretchNewLength->SetText(c.length);
            EXPECT_EQ(platform::ui::ForeColor(d.lblTimeStretchCaution),
                      c.red ? 0x0000FFu : platform::ui::syscolour::ButtonText)
                << c.length;
            d.cmdCancel_Click();
        });
        float n = 10;
        bool p = false;
        frmLumoEditTransform().Stretch(10, n, p);
    }
}

TEST_F(TransformDialogTest, PresetsAreStoredAtOnceAndTheDefaultsComeBackWhenAllAreGone) {
    auto& prefs = lumoedit::Preferences();
    float n = 10;
    bool p = false;
    // The defaults, and a preset chosen fills the length and the pitch box.
    Script([](frmLumoEditTransform& d) {
        ASSERT_EQ(d.listStretchPresets->ListCount(), 5);
        EXPECT_EQ(d.listStretchPresets->List(0), "10 Seconds");
        EXPECT_EQ(d.listStretchPresets->ListIndex(), -1);
        EXPECT_FALSE(d.cmdStretchDeletePreset->isEnabled());
        d.listStretchPresets->SetListIndex(1);
        EXPECT_EQ(d.txtStretchNewLength->Text(), "20");
        EXPECT_TRUE(d.cmdStretchDeletePreset->isEnabled());
        d.cmdOK_Click();
    });
    EXPECT_TRUE(frmLumoEditTransform().Stretch(10, n, p));
    EXPECT_FLOAT_EQ(n, 20);

    // Adding: refused titles, then one that is stored at once, though the dialog is cancelled.
    Script([](frmLumoEditTransform& d) {
        d.txtStretchNewLength->SetText("12.5");
        d.chkTimeStretchPreservePitch->SetValue(1);
        d.cmdStretchAddPreset_Click(); // "a|b"
        d.cmdStretchAddPreset_Click(); // cancelled
        d.cmdStretchAddPreset_Click(); // "  Jingle  "
        EXPECT_EQ(d.listStretchPresets->ListCount(), 6);
        d.cmdCancel_Click();
    });
    InputAnswer("a|b");
    InputAnswer("", false);
    InputAnswer("  Jingle  ");
    EXPECT_FALSE(frmLumoEditTransform().Stretch(10, n, p));
    EXPECT_EQ(LastText(), "You cannot use commas or pipe ('|') characters in Preset's Titles");
    EXPECT_EQ(prefs.GetPreference("EditorTimeStretchPresets", ""),
              "10 Seconds,10,0|20 Seconds,20,0|30 Seconds,30,0|40 Seconds,40,0|60 Seconds,60,0|Jingle,12.5,1");

    // Stored entries with the wrong number of fields are skipped; an empty entry ends the list.
    prefs.SetPreference("EditorTimeStretchPresets", "A,1,0|B,2|C,3,0,9|D,4,1||E,5,0", "");
    Script([](frmLumoEditTransform& d) {
        ASSERT_EQ(d.listStretchPresets->ListCount(), 2);
        EXPECT_EQ(d.listStretchPresets->List(1), "D");
        // Deleting both leaves nothing stored.
        for (int i = 0; i < 2; ++i) {
            d.listStretchPresets->SetListIndex(0);
            d.cmdStretchDeletePreset_Click();
        }
        EXPECT_EQ(d.listStretchPresets->ListCount(), 0);
        d.cmdCancel_Click();
    });
    EXPECT_FALSE(frmLumoEditTransform().Stretch(10, n, p));
    EXPECT_EQ(prefs.GetPreference("EditorTimeStretchPresets", "none"), "none");
    Script([](frmLumoEditTransform& d) {
        EXPECT_EQ(d.listStretchPresets->ListCount(), 5);
        d.cmdCancel_Click();
    });
    EXPECT_FALSE(frmLumoEditTransform().Stretch(10, n, p));
    EXPECT_EQ(Form::UnscriptedModals(), 0);
}
