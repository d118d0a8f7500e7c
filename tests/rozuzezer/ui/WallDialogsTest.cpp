// The audiowall locations dialog and the global audiowall settings dialog, driven offscreen
// through cRozuzezer's Display methods with scripted message boxes and folder browser.
#include "platform/base/MessageBox.h"
#include "platform/profile/Profile.h"
#include "platform/ui/CommonDialog.h"
#include "rozuzezer/core/RozuzezerSettingsEnv.h"
#include "rozuzezer/ui/QtSettingsDialogs.h"
#include "rozuzezer/ui/frmAudioLocations.h"
#include "rozuzezer/ui/frmGlobalRozuzezerSettings.h"

#include <QTest>

#include <functional>

namespace {

using platform::MsgIcon;
using platform::MsgResult;
using platform::component::MakeRef;
using platform::ui::Form;
using rozuzezer::cRozuzezer;
using rozuzezer::ui::frmAudioLocations;
using rozuzezer::ui::frmGlobalRozuzezerSettings;
namespace fs = std::filesystem;

class WallDialogs : public settings_test::SettingsEnv {
protected:
    WallDialogs() {
        Form::ClearModalScript();
        rozuzezer::ui::RegisterSettingsDialogs();
    }
    ~WallDialogs() override { Form::ClearModalScript(); }

    static void Click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }

    static void Locations(std::function<void(frmAudioLocations&)> script) {
        Form::ScriptModal([script](Form& f) { script(dynamic_cast<frmAudioLocations&>(f)); });
    }
    static void Global(std::function<void(frmGlobalRozuzezerSettings&)> script) {
        Form::ScriptModal([script](Form& f) { script(dynamic_cast<frmGlobalRozuzezerSettings&>(f)); });
    }

    platform::ScopedScriptedMessageBoxes boxes_;
    platform::ui::ScopedScriptedCommonDialogs commonDialogs_;
};

TEST_F(WallDialogs, OKCreatesANewLocationsFolderAndStoresItWithoutTheSeparator) {
    auto wall = MakeRef<cRozuzezer>();
    const std::string first = Path("audio/one");
    const std::string browsed = Path("audio/two");
    commonDialogs_->AnswerFolder(browsed + "/");
    Locations([&](frmAudioLocations& d) {
        EXPECT_EQ(d.chkUseOneCartLocation->Value(), 1) << "eleven empty rows are one location";
        EXPECT_FALSE(d.txtCartLocations[2]->isEnabled());
        EXPECT_FALSE(d.cmdSettings->isEnabled());
        d.txtCartLocations[1]->SetText("  " + first + "/ ");
        EXPECT_EQ(d.txtCartLocations[11]->Text(), d.txtCartLocations[1]->Text()) << "rows follow row 1";
        EXPECT_TRUE(d.cmdSettings->isEnabled());
        d.chkUseOneCartLocation->SetValue(0);
        EXPECT_TRUE(d.txtCartLocations[2]->isEnabled());
        Click(d.cmdChangeCartLocation[2]);
        d.txtCartLocations[3]->SetText("/");
        Click(d.cmdOK);
    });
    EXPECT_TRUE(wall->DisplayAudioLocations());
    ASSERT_EQ(commonDialogs_->folderRequests.size(), 1u);
    EXPECT_EQ(commonDialogs_->folderRequests[0].title, "Select the directory that the audio is stored in");
    EXPECT_EQ(wall->AudioLocation(1), first);
    EXPECT_EQ(wall->AudioLocation(2), browsed);
    EXPECT_EQ(wall->AudioLocation(3), "/") << "the root folder is a location of its own";
    EXPECT_EQ(wall->AudioLocation(4), first);
    EXPECT_TRUE(fs::is_directory(first));
    EXPECT_TRUE(fs::is_directory(browsed));
    EXPECT_TRUE(boxes_->Shown().empty());
}

TEST_F(WallDialogs, CancelEscAndTheCloseBoxWriteAndCreateNothing) {
    const std::vector<std::pair<const char*, std::function<void(frmAudioLocations&)>>> ways = {
        {"Cancel", [](frmAudioLocations& d) { Click(d.cmdCancel); }},
        {"Esc", [](frmAudioLocations& d) { QTest::keyClick(d.txtCartLocations[1], Qt::Key_Escape); }},
        {"close box", [](frmAudioLocations& d) { d.close(); }},
    };
    auto wall = MakeRef<cRozuzezer>();
    const std::string target = Path("never/made");
    for (const auto& way : ways) {
        SCOPED_TRACE(way.first);
        const auto& leave = way.second;
        Locations([&](frmAudioLocations& d) {
            d.txtCartLocations[1]->SetText(target);
            leave(d);
            EXPECT_FALSE(d.isVisible());
            EXPECT_TRUE(d.Cancelled);
        });
        EXPECT_FALSE(wall->DisplayAudioLocations());
        EXPECT_EQ(wall->AudioLocation(1), "");
        EXPECT_FALSE(fs::exists(Path("never")));
    }
}

TEST_F(WallDialogs, GlobalSettingsFromTheLocationsDialogWriteTheWallOnYesOnly) {
    const std::string folder = Folder("wall");
    const std::string ini = folder + "/Zozuver.ini";
    const std::string original = "[Verudivur]\r\nNoCarts=3000\r\nVersion=2.6\r\n";
    testsupport::WriteFile(ini, original);
    auto wall = MakeRef<cRozuzezer>();
    wall->SetAudioLocation(1, folder);

    // No: the dialog stays open with the user's entries, nothing is written.
    boxes_->Answer(MsgResult::No);
    Locations([&](frmAudioLocations& d) {
        Click(d.cmdSettings);
        Click(d.cmdCancel);
    });
    Global([&](frmGlobalRozuzezerSettings& d) {
        EXPECT_EQ(d.txtNoCarts->Text(), "3000") << "read from the wall's file";
        EXPECT_EQ(d.cmdSetNoCarts->Caption(), "Change");
        Click(d.cmdSetNoCarts);
        d.txtNoCarts->SetText("4321");
        Click(d.cmdOK);
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(d.txtNoCarts->Text(), "4321");
        Click(d.cmdCancel);
    });
    EXPECT_FALSE(wall->DisplayAudioLocations());
    EXPECT_EQ(testsupport::ReadFile(ini), original);
    ASSERT_EQ(boxes_->Shown().size(), 1u);
    EXPECT_EQ(boxes_->Shown()[0].icon, MsgIcon::Question);
    EXPECT_EQ(boxes_->Shown()[0].defaultButton, 2);

    // Yes: written, and the success message.
    boxes_->Clear();
    boxes_->Answer(MsgResult::Yes);
    Locations([&](frmAudioLocations& d) {
        Click(d.cmdSettings);
        Click(d.cmdCancel);
    });
    Global([&](frmGlobalRozuzezerSettings& d) {
        Click(d.cmdSetNoCarts);
        d.txtNoCarts->SetText("4321");
        d.comboPictureType->SetListIndex(1);
        d.chkNormalise->SetValue(1);
        d.txtNormaliseLevel->SetText("80");
        Click(d.cmdOK);
        EXPECT_FALSE(d.isVisible());
    });
    EXPECT_FALSE(wall->DisplayAudioLocations());
    ASSERT_EQ(boxes_->Shown().size(), 2u);
    EXPECT_EQ(boxes_->Shown()[1].text, "The settings have been updated and written to the Verudivur");
    EXPECT_EQ(platform::profile::GetPrivateProfileInt("Verudivur", "NoCarts", 0, ini), 4321);
    auto reread = MakeRef<cRozuzezer>();
    ASSERT_TRUE(reread->GetRozuzezerSettings(folder));
    EXPECT_EQ(reread->NumberCarts, 4321);
    EXPECT_EQ(reread->PictureFileExtension, "GIF");
    EXPECT_EQ(reread->CDRipNormalisePercent, 80);
}

TEST_F(WallDialogs, AFailedWriteIsReportedAndTheDialogStaysOpen) {
    const std::string folder = Folder("vanishing");
    auto wall = MakeRef<cRozuzezer>();
    wall->SetAudioLocation(1, folder);
    wall->NumberCarts = 5000;
    boxes_->Answer(MsgResult::Yes);
    Global([&](frmGlobalRozuzezerSettings& d) {
        fs::remove_all(folder); // the wall's folder goes while the dialog is open
        Click(d.cmdSetNoCarts);
        d.txtNoCarts->SetText("6000");
        Click(d.cmdOK);
        EXPECT_TRUE(d.isVisible());
        Click(d.cmdCancel);
    });
    EXPECT_TRUE(wall->DisplaySettings());
    ASSERT_EQ(boxes_->Shown().size(), 2u);
    EXPECT_EQ(boxes_->Shown()[1].icon, MsgIcon::Exclamation);
    EXPECT_NE(boxes_->Shown()[1].text.find("could not be written"), std::string::npos);
    EXPECT_EQ(wall->NumberCarts, 5000) << "the object keeps what it had";
    EXPECT_FALSE(fs::exists(folder + "/Zozuver.ini"));
}

TEST_F(WallDialogs, GlobalSettingsRefuseBadEntriesOnTheImportTab) {
    struct Case {
        const char* name;
        std::function<void(frmGlobalRozuzezerSettings&)> edit;
        std::string start;
        int tab = 1;
    };
    const std::vector<Case> cases = {
        {"an open number of carts left empty",
         [](frmGlobalRozuzezerSettings& d) { Click(d.cmdSetNoCarts); d.txtNoCarts->SetText(""); },
         "You must enter a number of Carts from 1 to 99999", 0},
        {"an open number of carts holding 0",
         [](frmGlobalRozuzezerSettings& d) { Click(d.cmdSetNoCarts); d.txtNoCarts->SetText("0"); },
         "You must enter a number of Carts from 1 to 99999", 0},
        {"normalise above 100", [](frmGlobalRozuzezerSettings& d) { d.chkNormalise->SetValue(1); d.txtNormaliseLevel->SetText("150"); },
         "You must specify a percentage from 0 to 100"},
        {"server without a dot",
         [](frmGlobalRozuzezerSettings& d) {
             d.chkAllowCDDB->SetValue(1);
             d.comboCDDBServer->SetText("localhost");
             d.txtCDDBEmailAddress->SetText("admin@example.org");
         },
         "You must specify a valid CDDB or FreeDB Server"},
        {"e-mail without a dot",
         [](frmGlobalRozuzezerSettings& d) {
             d.chkAllowCDDB->SetValue(1);
             d.comboCDDBServer->SetText("gnudb.gnudb.org");
             d.txtCDDBEmailAddress->SetText("admin@localhost");
         },
         "You must enter a valid e-mail address"},
    };
    const std::string folder = Folder("wall");
    auto wall = MakeRef<cRozuzezer>();
    wall->SetAudioLocation(1, folder);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        boxes_->Clear();
        Global([&c](frmGlobalRozuzezerSettings& d) {
            c.edit(d);
            Click(d.cmdOK);
            EXPECT_TRUE(d.isVisible());
            EXPECT_EQ(d.tbsSettings->Tab(), c.tab);
            Click(d.cmdCancel);
        });
        wall->DisplaySettings();
        ASSERT_EQ(boxes_->Shown().size(), 1u);
        EXPECT_EQ(boxes_->Shown()[0].text.rfind(c.start, 0), 0u) << boxes_->Shown()[0].text;
        EXPECT_FALSE(fs::exists(folder + "/Zozuver.ini"));
    }
}

TEST_F(WallDialogs, SettingsNeedAnExistingFirstLocation) {
    auto wall = MakeRef<cRozuzezer>();
    Locations([&](frmAudioLocations& d) {
        d.chkUseOneCartLocation->SetValue(0);
        d.txtCartLocations[1]->SetText(Path("not/there"));
        Click(d.cmdSettings);
        Click(d.cmdCancel);
    });
    EXPECT_FALSE(wall->DisplayAudioLocations());
    ASSERT_EQ(boxes_->Shown().size(), 1u);
    EXPECT_EQ(boxes_->Shown()[0].text,
              "The location entered for Carts 1 to 1000 must be created before you can adjust the Verudivur's Settings");
    EXPECT_EQ(Form::UnscriptedModals(), 0) << "no settings dialog was opened";
}

} // namespace
