// The audio settings dialog driven as a user would, offscreen, through
// cAudioSettings::DisplaySettings, with scripted message boxes and a fake device list; the
// profile is checked in the machine hive.
#include "platform/base/MessageBox.h"
#include "platform/ui/CommonDialog.h"
#include "rozuzezer/core/RozuzezerSettingsEnv.h"
#include "rozuzezer/ui/AudioFormatChooser.h"
#include "rozuzezer/ui/QtSettingsDialogs.h"
#include "rozuzezer/ui/frmAudioSettings.h"

#include <QApplication>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <thread>

namespace {

using platform::MsgIcon;
using platform::ui::Form;
using rozuzezer::cAudioSettings;
using rozuzezer::ui::frmAudioSettings;
using platform::component::MakeRef;
namespace fs = std::filesystem;

constexpr const char* kProfile = "Studio";

class AudioSettingsDialog : public settings_test::SettingsEnv {
protected:
    AudioSettingsDialog() {
        Form::ClearModalScript();
        rozuzezer::ui::RegisterSettingsDialogs();
        SetDevices(platform::devices::ParseDeviceList(
            "out 0x0FFF Desk speakers;out 0x0FFF Studio card A;out 0x0FFF Studio card B;"
            "in 0x0FFF Line in;in 0x0FFF Microphone"));
    }
    ~AudioSettingsDialog() override { Form::ClearModalScript(); }

    // A stored profile with manual assignment, loaded back by name.
    platform::component::Ref<cAudioSettings> Profile(int players, const std::string& name = kProfile) {
        auto s = MakeRef<cAudioSettings>();
        s->AutomaticPlayerAssignment = rozuzezer::vbFalse;
        s->NumberPlayers = players;
        for (int i = 1; i <= players; ++i) s->SetPlayerSoundCardNumber(static_cast<std::int16_t>(i), 1);
        EXPECT_TRUE(s->SaveProfile(name));
        auto loaded = MakeRef<cAudioSettings>();
        EXPECT_TRUE(loaded->LoadProfile(name));
        return loaded;
    }

    // Runs DisplaySettings with `script` acting on the shown dialog.
    bool Display(cAudioSettings& s, std::function<void(frmAudioSettings&)> script) {
        Form::ScriptModal([script](Form& f) { script(dynamic_cast<frmAudioSettings&>(f)); });
        const bool accepted = s.DisplaySettings();
        EXPECT_EQ(Form::UnscriptedModals(), 0);
        return accepted;
    }

    static void Click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }

    static void ClickCell(platform::ui::Grid* g, int row, int col) {
        const QRect r = g->visualRect(g->model()->index(row, col));
        QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, r.center());
    }

    // The row of the grid whose caption is `caption`; -1 when none.
    static int RowOf(platform::ui::Grid* g, const std::string& caption) {
        for (int r = 1; r < g->Rows(); ++r)
            if (g->TextMatrix(r, 0) == caption) return r;
        return -1;
    }

    platform::ScopedScriptedMessageBoxes boxes_;
    platform::ui::ScopedScriptedCommonDialogs commonDialogs_;
};

TEST_F(AudioSettingsDialog, ADeviceChosenInTheGridReachesTheProfileInTheMachineHive) {
    auto s = Profile(3);
    s->RecordingSoundCardNumber = 1;
    const bool accepted = Display(*s, [](frmAudioSettings& d) {
        EXPECT_EQ(d.cmdSetNoPlayers->Caption(), "Change");
        auto* g = d.grdPlayers;
        ASSERT_EQ(g->Rows(), 3 + 6);
        EXPECT_EQ(g->TextMatrix(2, 0), "Player 2");
        EXPECT_EQ(g->TextMatrix(2, 1), "Desk speakers");
        EXPECT_EQ(g->TextMatrix(RowOf(g, "Record Soundcard"), 1), "Line in");
        ClickCell(g, 2, 1);
        ASSERT_TRUE(d.cboPlayer->isVisible()) << "the list lies over the clicked cell";
        EXPECT_EQ(d.cboPlayer->ListCount(), 3);
        EXPECT_EQ(d.cboPlayer->ListIndex(), 0);
        EXPECT_NEAR(platform::ui::Top(d.cboPlayer), platform::ui::Top(g) + g->CellTop(), 16);
        d.cboPlayer->SetListIndex(2);
        EXPECT_EQ(g->TextMatrix(2, 1), "Studio card B");

        ClickCell(g, RowOf(g, "Hook Player"), 1);
        ASSERT_TRUE(d.cboPlayer->isVisible());
        ASSERT_EQ(d.cboPlayer->ListCount(), 4); // Any Player, Player 1..3
        EXPECT_EQ(d.cboPlayer->List(0), "Any Player");
        d.cboPlayer->SetListIndex(3);
        Click(d.cmdOK);
        EXPECT_FALSE(d.isVisible());
    });
    EXPECT_TRUE(accepted);
    EXPECT_TRUE(boxes_->Shown().empty());
    EXPECT_EQ(StoredNumber(ProfileKey(kProfile, "Players"), "PlayerSoundCardNumber2"), 3);
    auto reread = MakeRef<cAudioSettings>();
    ASSERT_TRUE(reread->LoadProfile(kProfile));
    EXPECT_EQ(reread->PlayerSoundCardNumber(2), 3);
    EXPECT_EQ(reread->PlayerSoundCardNumber(1), 1);
    EXPECT_EQ(reread->HookPlayer, 3);
}

TEST_F(AudioSettingsDialog, CancelTheCloseBoxAndEscLeaveTheHiveAsItWas) {
    const std::vector<std::pair<const char*, std::function<void(frmAudioSettings&)>>> ways = {
        {"Cancel", [](frmAudioSettings& d) { Click(d.cmdCancel); }},
        {"close box", [](frmAudioSettings& d) { d.close(); }},
        {"Esc", [](frmAudioSettings& d) { QTest::keyClick(d.txtFadePercent, Qt::Key_Escape); }},
    };
    auto s = Profile(4);
    const std::string hive = MachineHive();
    for (const auto& way : ways) {
        SCOPED_TRACE(way.first);
        const auto& leave = way.second;
        const bool accepted = Display(*s, [&leave](frmAudioSettings& d) {
            ClickCell(d.grdPlayers, 1, 1);
            d.cboPlayer->SetListIndex(1);
            d.HidePlayerList();
            d.txtGeneralVolume->SetText("90");
            d.txtFadePercent->SetText("50");
            leave(d);
            EXPECT_FALSE(d.isVisible());
            EXPECT_TRUE(d.Cancelled);
        });
        EXPECT_FALSE(accepted);
        EXPECT_EQ(MachineHive(), hive);
        EXPECT_EQ(s->GeneralVolume, 100);
        EXPECT_EQ(s->PlayerSoundCardNumber(1), 1);
    }
}

TEST_F(AudioSettingsDialog, EscWithThePlayerListOpenClosesOnlyTheList) {
    auto s = Profile(2);
    const bool accepted = Display(*s, [](frmAudioSettings& d) {
        ClickCell(d.grdPlayers, 1, 1);
        ASSERT_TRUE(d.cboPlayer->isVisible());
        d.cboPlayer->SetListIndex(1);
        // One Esc on the dropped-down list, where the key goes while it is open.
        QWidget* popup = QApplication::activePopupWidget();
        ASSERT_NE(popup, nullptr) << "the list is dropped down";
        QTest::keyClick(popup->focusWidget() ? popup->focusWidget() : popup, Qt::Key_Escape);
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
        EXPECT_FALSE(d.cboPlayer->isVisible());
        EXPECT_TRUE(d.isVisible());
        EXPECT_FALSE(d.Cancelled);
        EXPECT_EQ(d.grdPlayers->TextMatrix(1, 1), "Studio card A") << "the choice already made stays";
        QTest::keyClick(d.grdPlayers, Qt::Key_Escape);
        EXPECT_FALSE(d.isVisible());
    });
    EXPECT_FALSE(accepted);
}

TEST_F(AudioSettingsDialog, OKRefusesWhatItMustAndWritesNothingThen) {
    struct Case {
        const char* name;
        std::function<void(frmAudioSettings&)> edit;
        std::string message;
    };
    const std::string fade = "Your 'Fire When Faded to' percentage cannot be lower than the 'Play normal carts at' percentage";
    const std::vector<Case> cases = {
        {"fade equal to the normal volume",
         [](frmAudioSettings& d) { d.txtGeneralVolume->SetText("80"); d.txtFadePercent->SetText("80"); }, fade},
        {"fade of 70000 is clamped to 100 first",
         [](frmAudioSettings& d) { d.txtFadePercent->SetText("70000"); }, fade},
        {"limited layout compares with the cart volume",
         [](frmAudioSettings& d) {
             d.SetLimitedMode(true);
             d.txtGeneralVolume->SetText("100");
             d.txtCartVolume->SetText("40");
             d.txtFadePercent->SetText("50");
         },
         fade},
        {"13 players typed, box not yet left",
         [](frmAudioSettings& d) { Click(d.cmdSetNoPlayers); d.txtNumberCartPlayers->SetText("13"); },
         "You cannot have more than 12 Players in Orvanta"},
        {"13 players, box left: clamped to 12, then the fade check",
         [](frmAudioSettings& d) {
             Click(d.cmdSetNoPlayers);
             d.txtNumberCartPlayers->SetText("13");
             emit d.txtNumberCartPlayers->LostFocus();
             EXPECT_EQ(d.txtNumberCartPlayers->Text(), "12");
             d.txtFadePercent->SetText("100");
         },
         fade},
        {"outside editor ticked but empty",
         [](frmAudioSettings& d) { d.chkAudioEditor->SetValue(1); d.txtAudioEditor->SetText("  "); },
         "You must enter the filename of an Audio Editor"},
        {"outside editor that is not there",
         [](frmAudioSettings& d) { d.chkAudioEditor->SetValue(1); d.txtAudioEditor->SetText("/nonexistent/editor"); },
         "The Audio Editor you have specified cannot be found"},
    };
    auto s = Profile(4);
    const std::string hive = MachineHive();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        boxes_->Clear();
        Display(*s, [&c](frmAudioSettings& d) {
            c.edit(d);
            Click(d.cmdOK);
            EXPECT_TRUE(d.isVisible()) << "a refusal keeps the dialog open";
            Click(d.cmdCancel);
        });
        ASSERT_EQ(boxes_->Shown().size(), 1u);
        EXPECT_EQ(boxes_->Shown()[0].text, c.message);
        EXPECT_EQ(boxes_->Shown()[0].icon, MsgIcon::Exclamation);
        EXPECT_EQ(MachineHive(), hive);
        EXPECT_EQ(s->FadeFirePercent, 65);
        EXPECT_EQ(s->NumberPlayers, 4);
    }
}

TEST_F(AudioSettingsDialog, BoxesAreClampedBeforeAnythingIsWritten) {
    auto s = Profile(4);
    const bool accepted = Display(*s, [](frmAudioSettings& d) {
        d.txtGeneralVolume->SetText("70000");
        d.txtDuckVolume->SetText("");
        d.txtFadePercent->SetText("79");
        Click(d.cmdOK);
    });
    EXPECT_TRUE(accepted);
    EXPECT_TRUE(boxes_->Shown().empty());
    auto reread = MakeRef<cAudioSettings>();
    ASSERT_TRUE(reread->LoadProfile(kProfile));
    EXPECT_EQ(reread->GeneralVolume, 100);
    EXPECT_EQ(reread->DuckAudioVolume, 0);
    EXPECT_EQ(reread->FadeFirePercent, 79);
}

TEST_F(AudioSettingsDialog, SetRebuildsThePlayerOrderListsForTheNewCount) {
    auto s = Profile(6);
    s->FirstPlayer = 255;
    s->LastPlayer = 5;
    const bool accepted = Display(*s, [](frmAudioSettings& d) {
        EXPECT_EQ(d.listFirstPlayerOrder->ListCount(), 6);
        EXPECT_EQ(d.listFirstPlayerOrder->Text(), "the last Cart Player");
        Click(d.cmdSetNoPlayers); // Change
        EXPECT_FALSE(d.grdPlayers->isEnabled());
        d.txtNumberCartPlayers->SetText("4");
        Click(d.cmdSetNoPlayers); // Set
        EXPECT_EQ(d.cmdSetNoPlayers->Caption(), "Change");
        ASSERT_EQ(d.listFirstPlayerOrder->ListCount(), 4);
        EXPECT_EQ(d.listFirstPlayerOrder->List(3), "the last Cart Player");
        EXPECT_EQ(d.listFirstPlayerOrder->Text(), "the last Cart Player");
        EXPECT_EQ(d.listLastPlayerOrder->Text(), "the last Cart Player") << "player 5 is gone";
        EXPECT_EQ(d.grdPlayers->Rows(), 4 + 6);
        ClickCell(d.grdPlayers, RowOf(d.grdPlayers, "Preview Player"), 1);
        EXPECT_EQ(d.cboPlayer->ListCount(), 5) << "Any Player and players 1 to 4";
        d.HidePlayerList();
        d.listLastPlayerOrder->SetListIndex(2);
        Click(d.cmdOK);
    });
    EXPECT_TRUE(accepted);
    auto reread = MakeRef<cAudioSettings>();
    ASSERT_TRUE(reread->LoadProfile(kProfile));
    EXPECT_EQ(reread->NumberPlayers, 4);
    EXPECT_EQ(reread->FirstPlayer, 255);
    EXPECT_EQ(reread->LastPlayer, 3);
}

TEST_F(AudioSettingsDialog, AnOrderListWithNothingChosenStoresNoPlayer) {
    // From no players to four: Set fills the lists with nothing chosen, and the old order
    // of the profile is not what the user sees, so it is not kept either.
    auto s = Profile(0);
    s->FirstPlayer = 5;
    s->LastPlayer = 3;
    ASSERT_TRUE(s->SaveProfile(kProfile));
    EXPECT_TRUE(Display(*s, [](frmAudioSettings& d) {
        d.txtNumberCartPlayers->SetText("4");
        Click(d.cmdSetNoPlayers);
        ASSERT_EQ(d.listFirstPlayerOrder->ListCount(), 4);
        EXPECT_EQ(d.listFirstPlayerOrder->ListIndex(), -1);
        EXPECT_EQ(d.listLastPlayerOrder->ListIndex(), -1);
        Click(d.cmdOK);
    }));
    auto reread = MakeRef<cAudioSettings>();
    ASSERT_TRUE(reread->LoadProfile(kProfile));
    EXPECT_EQ(reread->NumberPlayers, 4);
    EXPECT_EQ(reread->FirstPlayer, 0);
    EXPECT_EQ(reread->LastPlayer, 0);

    // The count typed but never Set: the lists stay empty, and an empty last-player list
    // means the last player.
    s = Profile(0);
    s->FirstPlayer = 5;
    s->LastPlayer = 3;
    EXPECT_TRUE(Display(*s, [](frmAudioSettings& d) {
        d.txtNumberCartPlayers->SetText("4");
        ASSERT_EQ(d.listFirstPlayerOrder->ListCount(), 0);
        Click(d.cmdOK);
    }));
    EXPECT_EQ(s->NumberPlayers, 4);
    EXPECT_EQ(s->FirstPlayer, 0);
    EXPECT_EQ(s->LastPlayer, 255);
}

TEST_F(AudioSettingsDialog, AutomaticAllocationGreysTheDeviceCellsAndTheyCannotBeOpened) {
    auto s = Profile(2);
    Display(*s, [](frmAudioSettings& d) {
        d.cboPlayerAllocation->SetListIndex(0);
        auto* g = d.grdPlayers;
        g->SetRow(1);
        g->SetCol(1);
        EXPECT_EQ(g->CellBackColor(), platform::ui::syscolour::ButtonFace);
        ClickCell(g, 1, 1);
        EXPECT_FALSE(d.cboPlayer->isVisible());
        ClickCell(g, RowOf(g, "Instant Cart Player"), 1);
        EXPECT_TRUE(d.cboPlayer->isVisible()) << "the player rows stay editable";
        Click(d.cmdCancel);
    });
}

TEST_F(AudioSettingsDialog, UnreasonableStoredValuesOpenAndAreKept) {
    auto s = Profile(2);
    s->PlayerDisplayAlignment = 7;
    s->LumoStreamDebugMode = 9;
    s->OnlyAllowEjectStoppedCarts = 5;
    s->AudioAllowOtherFormat = -1;
    s->HookPlayer = 255;
    Display(*s, [](frmAudioSettings& d) {
        EXPECT_EQ(d.comboPlayerDisplayAlignment->ListIndex(), -1);
        EXPECT_EQ(d.cboAllowEject->Text(), "Allow Carts to be ejected at any time.");
        EXPECT_EQ(d.chkAllowDifferentFormat->Value(), 1);
        EXPECT_EQ(d.grdPlayers->TextMatrix(RowOf(d.grdPlayers, "Hook Player"), 1), "Last Player");
        Click(d.cmdOK);
    });
    EXPECT_EQ(s->PlayerDisplayAlignment, 7);
    EXPECT_EQ(s->LumoStreamDebugMode, 9);
    EXPECT_EQ(s->OnlyAllowEjectStoppedCarts, 0);
    EXPECT_EQ(s->AudioAllowOtherFormat, -1);
    EXPECT_EQ(s->HookPlayer, 2) << "the last player is stored as the count";

    // A count far beyond the working arrays: the dialog opens with the box open for editing,
    // and OK refuses it.
    s->NumberPlayers = 5000;
    boxes_->Clear();
    Display(*s, [](frmAudioSettings& d) {
        EXPECT_EQ(d.cmdSetNoPlayers->Caption(), "Set");
        EXPECT_FALSE(d.grdPlayers->isEnabled());
        EXPECT_LE(d.listFirstPlayerOrder->ListCount(), 94);
        Click(d.cmdOK);
        EXPECT_TRUE(d.isVisible());
        Click(d.cmdCancel);
    });
    ASSERT_EQ(boxes_->Shown().size(), 1u);
    EXPECT_EQ(boxes_->Shown()[0].text, "You cannot have more than 12 Players in Orvanta");

    // "As many players as there are devices" (-1) and no players (0) open the same way and
    // are kept by OK.
    for (std::int32_t players : {-1, 0}) {
        SCOPED_TRACE(players);
        s->NumberPlayers = players;
        EXPECT_TRUE(Display(*s, [](frmAudioSettings& d) {
            EXPECT_EQ(d.cmdSetNoPlayers->Caption(), "Set");
            EXPECT_EQ(d.listFirstPlayerOrder->ListCount(), 0);
            Click(d.cmdOK);
        }));
        EXPECT_EQ(s->NumberPlayers, players);
        EXPECT_EQ(s->FirstPlayer, 0);
        EXPECT_EQ(s->LastPlayer, 255);
    }
}

TEST_F(AudioSettingsDialog, SettingsWithoutAProfileNameStayOnTheObjectAndAreStoredNowhere) {
    auto unnamed = MakeRef<cAudioSettings>();
    ASSERT_TRUE(unnamed->ProfileName.empty());
    const std::string hive = MachineHive();
    const bool accepted = Display(*unnamed, [](frmAudioSettings& d) {
        d.txtGeneralVolume->SetText("90");
        d.txtFadePercent->SetText("40");
        Click(d.cmdOK);
        EXPECT_FALSE(d.isVisible());
    });
    EXPECT_TRUE(accepted) << "the host saves the values itself";
    EXPECT_TRUE(boxes_->Shown().empty());
    EXPECT_EQ(unnamed->GeneralVolume, 90);
    EXPECT_EQ(unnamed->FadeFirePercent, 40);
    EXPECT_EQ(MachineHive(), hive);
}

TEST_F(AudioSettingsDialog, AReadOnlyMachineHiveIsReportedAndTheDialogStaysOpen) {
    auto s = Profile(2);
    const std::string before = MachineHive();
    ::chmod(dir_.path().c_str(), 0755);
    ::chmod((dir_.path() / "registry").c_str(), 0755);
    bool accepted = true;
    {
        // Real and effective ids both an ordinary user's; the saved id keeps the way back.
        auto back = [] { return ::setresuid(0, 0, 0) == 0 && ::setresgid(0, 0, 0) == 0; };
        if (::setresgid(65534, 65534, 0) != 0 || ::setresuid(65534, 65534, 0) != 0) {
            back();
            GTEST_SKIP() << "cannot act as an ordinary user here";
        }
        struct Back {
            std::function<bool()> to;
            ~Back() { to(); }
        } restore{back};
        auto probe = MakeRef<cAudioSettings>();
        probe->NumberPlayers = 2;
        if (probe->SaveProfile(kProfile)) GTEST_SKIP() << "SaveProfile does not report a failed write here";
        boxes_->Clear();
        accepted = Display(*s, [](frmAudioSettings& d) {
            d.txtGeneralVolume->SetText("90");
            Click(d.cmdOK);
            EXPECT_TRUE(d.isVisible()) << "the user can still cancel";
            Click(d.cmdCancel);
        });
    }
    EXPECT_FALSE(accepted);
    ASSERT_EQ(boxes_->Shown().size(), 1u);
    EXPECT_NE(boxes_->Shown()[0].text.find("could not be saved"), std::string::npos);
    EXPECT_EQ(s->GeneralVolume, 100) << "nothing is half-written into the object";
    EXPECT_EQ(MachineHive(), before);
}

TEST_F(AudioSettingsDialog, TheEditorAndFormatChoosersFillTheDialogAndOKStoresThem) {
    const std::string editor = Path("programs/audacity");
    testsupport::WriteFile(editor, "#!/bin/sh\n");
    auto s = Profile(2);
    s->AudioFormat()->SetPCM(22050, 1, 16);
    const std::string before = s->AudioFormat()->FormatText();
    commonDialogs_->AnswerFile(editor);
    auto previous = rozuzezer::ui::SetAudioFormatChooser(
        [](helpers::cAudioFormat& format, std::int32_t family, std::int32_t options) {
            EXPECT_EQ(family, 2);
            EXPECT_EQ(options, 29);
            format.SetPCM(48000, 2, 24);
            return true;
        });
    const bool accepted = Display(*s, [&](frmAudioSettings& d) {
        EXPECT_FALSE(d.txtAudioEditor->isEnabled());
        d.chkAudioEditor->SetValue(1);
        EXPECT_TRUE(d.txtAudioEditor->isEnabled());
        Click(d.cmdSelectAudioEditor);
        EXPECT_EQ(d.txtAudioEditor->Text(), editor);
        Click(d.cmdSelectAudioFormat);
        EXPECT_NE(d.lblAudioFormat->Caption().find("48,000 Hz"), std::string::npos) << d.lblAudioFormat->Caption();
        EXPECT_EQ(s->AudioFormat()->FormatText(), before) << "only OK changes the profile's format";
        Click(d.cmdOK);
    });
    rozuzezer::ui::SetAudioFormatChooser(previous);
    EXPECT_TRUE(accepted);
    ASSERT_EQ(commonDialogs_->fileRequests.size(), 1u);
    EXPECT_EQ(commonDialogs_->fileRequests[0].title, "Select External Audio Editor Program");
    EXPECT_EQ(commonDialogs_->fileRequests[0].filterIndex, 2) << "programs here have no extension";
    auto reread = MakeRef<cAudioSettings>();
    ASSERT_TRUE(reread->LoadProfile(kProfile));
    EXPECT_EQ(reread->AudioEditor, editor);
    EXPECT_EQ(reread->AudioFormat()->SamplesPerSec(), 48000u);
}

TEST_F(AudioSettingsDialog, AFirstPlayerBeyondTheCountIsShownAsTheLastButNotWrittenOnCancel) {
    auto s = Profile(4);
    s->FirstPlayer = 7;
    Display(*s, [](frmAudioSettings& d) {
        EXPECT_EQ(d.listFirstPlayerOrder->Text(), "the last Cart Player");
        Click(d.cmdCancel);
    });
    EXPECT_EQ(s->FirstPlayer, 7);
}

TEST_F(AudioSettingsDialog, NoDialogAwayFromTheApplicationsThread) {
    auto s = Profile(2);
    bool shown = true;
    std::thread other([&] { shown = s->DisplaySettings(); });
    other.join();
    EXPECT_FALSE(shown);
    EXPECT_EQ(Form::UnscriptedModals(), 0);
}

} // namespace
