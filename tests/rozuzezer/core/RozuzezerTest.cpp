#include "rozuzezer/core/cRozuzezer.h"

#include "RozuzezerSettingsEnv.h"
#include "platform/base/DateTime.h"
#include "platform/base/Error.h"
#include "platform/base/MessageBox.h"
#include "platform/component/Dispatch.h"
#include "rozuzezer/capi/bvrozuzezer2.h"
#include "rozuzezer/core/Library.h"
#include "platform/profile/Profile.h"
#include "rozuzezer/core/SettingsDialogs.h"
#include "shared/helpers/FileHelper.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

using namespace rozuzezer;
using platform::MsgButtons;
using platform::MsgIcon;
using platform::MsgResult;
using platform::component::MakeRef;
namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

class Rozuzezer : public settings_test::SettingsEnv {
protected:
    // A wall folder inside the world, with list files Carts<i>.LST for the given indices.
    std::string Wall(const std::string& name, std::initializer_list<int> lists = {}) {
        std::string folder = Folder(name);
        for (int i : lists)
            testsupport::WriteFile(folder + "/Carts" + std::to_string(i) + ".LST",
                                   "list " + std::to_string(i) + "\n");
        return folder;
    }
    static void SetAll(cRozuzezer& r, const std::string& location) {
        for (std::int16_t i = 1; i <= 11; ++i) r.SetAudioLocation(i, location);
    }
    static std::string Stamp() { return platform::FormatDate(platform::Now(), "yyyy-mm-dd hh-nn"); }

    // Runs `work` until it ran within one clock minute (at most three tries); returns that
    // minute's stamp.
    static std::string WithinOneMinute(const std::function<void()>& work) {
        for (int attempt = 0;; ++attempt) {
            std::string before = Stamp();
            work();
            if (Stamp() == before || attempt == 2) return before;
        }
    }
};

std::vector<std::string> Locations(const cRozuzezer& r) {
    std::vector<std::string> v;
    for (std::int16_t i = 1; i <= r.NumberAudioLocations(); ++i) v.push_back(r.AudioLocation(i));
    return v;
}

} // namespace

TEST_F(Rozuzezer, NewObjectReadsTheDefaultProfilesWall) {
    {
        auto r = MakeRef<cRozuzezer>();
        EXPECT_EQ(r->NumberCarts, 9999);
        EXPECT_EQ(r->NumberAudioLocations(), 11);
        EXPECT_EQ(r->NewCartBackColour, static_cast<std::int32_t>(0x8000000Fu));
        EXPECT_EQ(r->NewCartForeColour, static_cast<std::int32_t>(0x80000012u));
        EXPECT_EQ(r->AutoCreateLocations, vbTrue);
        EXPECT_EQ(r->PictureFileExtension, "") << "no wall was read";
        EXPECT_EQ(r->CDRipNormalisePercent, 0);
        EXPECT_EQ(r->ProfileName(), "");
    }
    const std::string wall = Wall("wall");
    testsupport::WriteFile(wall + "/Zozuver.ini", "[Verudivur]\r\nNoCarts=5000\r\nVersion=2.6\r\n");
    StoreText(ProfileKey(".default"), "AudioLocation1", wall);
    StoreText(ProfileKey(".default"), "AudioLocation2", wall + "\\");
    auto r = MakeRef<cRozuzezer>();
    EXPECT_EQ(r->ProfileName(), "");
    EXPECT_EQ(r->AudioLocation(1), wall);
    EXPECT_EQ(r->AudioLocation(2), wall + "\\") << "stored as read";
    EXPECT_EQ(r->NumberCarts, 5000);
    EXPECT_EQ(r->PictureFileExtension, "JPG");
    EXPECT_EQ(r->CDRipNormalisePercent, 63);
    EXPECT_EQ(r->CDDBServer, cRozuzezer::kDefaultCDDBServer);
}

TEST_F(Rozuzezer, LocationWritesDropOneTrailingSeparator) {
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\", "C:"}, {"N:\\AUDIO\\", "N:\\AUDIO"}, {"/srv/wall/", "/srv/wall"},
        {"/", "/"},     {"x\\\\", "x\\"},             {"", ""},
    };
    auto r = MakeRef<cRozuzezer>();
    for (auto [written, stored] : cases) {
        r->SetAudioLocation(5, written);
        r->SetAlternateAudioLocation(5, written);
        EXPECT_EQ(r->AudioLocation(5), stored) << written;
        EXPECT_EQ(r->AlternateAudioLocation(5), stored) << written;
    }
    for (std::int16_t outside : {std::int16_t{0}, std::int16_t{12}, std::int16_t{-1}}) {
        r->SetAudioLocation(outside, "/x");
        r->SetAlternateAudioLocation(outside, "/x");
        EXPECT_EQ(r->AudioLocation(outside), "");
        EXPECT_EQ(r->AlternateAudioLocation(outside), "");
    }
    // A shorter list keeps the entries that fit.
    r->SetAudioLocation(2, "/two");
    r->SetNumberAudioLocations(3);
    EXPECT_EQ(Locations(*r), (std::vector<std::string>{"", "/two", ""}));
    for (std::int16_t bad : {std::int16_t{0}, std::int16_t{-4}}) {
        try {
            r->SetNumberAudioLocations(bad);
            ADD_FAILURE() << "no error for " << bad;
        } catch (const platform::RuntimeError& e) {
            EXPECT_EQ(e.Number(), platform::err::InvalidPropertyValue);
        }
    }
    EXPECT_EQ(Locations(*r), (std::vector<std::string>{"", "/two", ""}));
}

TEST_F(Rozuzezer, ProfileSaveAndLoad) {
    const std::string wall = Wall("wall");
    testsupport::WriteFile(wall + "/Zozuver.ini", "[Verudivur]\nNoCarts=3000\nVersion=2.6\n");
    auto a = MakeRef<cRozuzezer>();
    a->SetAudioLocation(1, wall);
    a->SetAudioLocation(11, "N:\\AUDIO");
    a->SetAlternateAudioLocation(1, "/elsewhere");
    a->SaveProfile("Studio");
    EXPECT_EQ(a->ProfileName(), "Studio");
    EXPECT_EQ(StoredText(ProfileKey("Studio"), "AudioLocation1"), wall);
    EXPECT_EQ(StoredText(ProfileKey("Studio"), "AudioLocation11"), "N:\\AUDIO");
    EXPECT_EQ(StoredText(ProfileKey("Studio"), "AudioLocation2"), "<missing>");

    auto b = MakeRef<cRozuzezer>();
    b->SetAlternateAudioLocation(3, "/alt");
    b->LoadProfile("Studio");
    EXPECT_EQ(b->ProfileName(), "Studio");
    EXPECT_EQ(Locations(*b), Locations(*a));
    EXPECT_EQ(b->AlternateAudioLocation(3), "/alt") << "alternates are not stored";
    EXPECT_EQ(b->AlternateAudioLocation(1), "");
    EXPECT_EQ(b->NumberCarts, 3000) << "the wall of location 1 was read";

    // Empty names touch nothing.
    const std::string before = MachineHive();
    b->SetAudioLocation(1, "/changed");
    b->SaveProfile("");
    b->LoadProfile("");
    EXPECT_EQ(MachineHive(), before);
    EXPECT_EQ(b->ProfileName(), "Studio");
    EXPECT_EQ(b->AudioLocation(1), "/changed");
}

TEST_F(Rozuzezer, GetSettingsReadsTheWallsFile) {
    auto r = MakeRef<cRozuzezer>();
    r->NumberCarts = 1;
    EXPECT_FALSE(r->GetRozuzezerSettings(""));
    EXPECT_FALSE(r->GetRozuzezerSettings(Path("missing")));
    EXPECT_EQ(r->NumberCarts, 1) << "nothing read";

    const std::string wall = Wall("wall");
    testsupport::WriteFile(wall + "/ZOZUVER.INI",
                           "[Verudivur]\n"
                           "NoCarts=4000\n"
                           "PictureFileExtension=PNG\n"
                           "AllowAudioFileLinking=-1\n"
                           "UseIndividualCartListFiles=1\n"
                           "Version=2.6\n"
                           "NewCartBackColour=&H00FF00FF\n"
                           "NewCartForeColour=255\n"
                           "[CartChunk]\nUseCopyrightInCartChunk=1\n"
                           "[CDRipping]\nAskBeforeProcess=1\nNormaliseAudioPercent=90\nAutoTopAudio=1\n"
                           "[CDDB]\nAllowCDDB=1\nServerAddress=cddb.example.org\n"
                           "EmailAddress=ops@example.org\nAllowSubmit=1\n");
    ASSERT_TRUE(r->GetRozuzezerSettings(wall));
    EXPECT_EQ(r->NumberCarts, 4000);
    EXPECT_EQ(r->PictureFileExtension, "PNG");
    EXPECT_EQ(r->AllowAudioFileLinking, -1);
    EXPECT_EQ(r->UseIndividualCartListFiles, 1);
    EXPECT_EQ(r->StoreCopyrightInformationInCartChunk, 1);
    EXPECT_EQ(r->NewCartBackColour, 0x00FF00FF);
    EXPECT_EQ(r->NewCartForeColour, 255);
    EXPECT_EQ(r->CDRipAskBeforeProcess, 1);
    EXPECT_EQ(r->CDRipNormalisePercent, 90);
    EXPECT_EQ(r->CDRipAutoTop, 1);
    EXPECT_EQ(r->CDDBEnabled, 1);
    EXPECT_EQ(r->CDDBServer, "cddb.example.org");
    EXPECT_EQ(r->CDDBEmailAddress, "ops@example.org");
    EXPECT_EQ(r->CDDBAllowSubmit, 1);

    // A wall without a file: the defaults.
    const std::string bare = Wall("bare");
    ASSERT_TRUE(r->GetRozuzezerSettings(bare));
    EXPECT_EQ(r->NumberCarts, 9999);
    EXPECT_EQ(r->PictureFileExtension, "JPG");
    EXPECT_EQ(r->CDRipNormalisePercent, 63);
    EXPECT_EQ(r->CDDBServer, "gnudb.gnudb.org") << "a public CD-database server";
    EXPECT_EQ(r->NewCartBackColour, static_cast<std::int32_t>(0x8000000Fu));
}

TEST_F(Rozuzezer, OldWallIsBackedUpAndStampedOnce) {
    const std::string wall = Wall("wall", {1, 2});
    const std::string other = Wall("other", {3});
    testsupport::WriteFile(wall + "/Zozuver.ini", "[Verudivur]\nNoCarts=2000\n");
    auto r = MakeRef<cRozuzezer>();
    for (std::int16_t i = 1; i <= 11; ++i) r->SetAudioLocation(i, i == 3 ? other : wall);

    std::string stamp = WithinOneMinute([&] { ASSERT_TRUE(r->GetRozuzezerSettings(wall)); });
    EXPECT_TRUE(fs::exists(wall + "/Backups/" + stamp + "/Carts1.LST"));
    EXPECT_TRUE(fs::exists(wall + "/Backups/" + stamp + "/Carts2.LST"));
    EXPECT_TRUE(fs::exists(other + "/Backups/" + stamp + "/Carts3.LST"));
    EXPECT_FALSE(fs::exists(wall + "/Backups/" + stamp + "/Carts3.LST"));
    EXPECT_EQ(platform::profile::GetPrivateProfileString("Verudivur", "Version", "", wall + "/Zozuver.ini"),
              "2.6");

    fs::remove_all(wall + "/Backups");
    ASSERT_TRUE(r->GetRozuzezerSettings(wall));
    EXPECT_FALSE(fs::exists(wall + "/Backups")) << "a 2.6 wall is not backed up again";
}

TEST_F(Rozuzezer, ForeignSectionsAndCommentsSurviveStampAndSave) {
    const std::string wall = Wall("wall");
    const std::string original = "; Station settings - edited by hand\r\n"
                                 "[Verudivur]\r\n"
                                 "NoCarts=2000\r\n"
                                 "; keep the logo setting\r\n"
                                 "LogoFile=logo.png\r\n"
                                 "\r\n"
                                 "[Scheduler]\r\n"
                                 "Server=sched01\r\n"
                                 "[CDDB]\r\n"
                                 "ServerAddress=cddb.example.org\r\n";
    testsupport::WriteFile(wall + "/Zozuver.ini", original);
    auto r = MakeRef<cRozuzezer>();
    ASSERT_TRUE(r->GetRozuzezerSettings(wall));
    std::string text = testsupport::ReadFile(wall + "/Zozuver.ini");
    EXPECT_NE(text.find("Version=2.6\r\n"), std::string::npos) << text;

    r->NumberCarts = 3000;
    r->CDDBEnabled = -1;
    ASSERT_TRUE(r->SaveRozuzezerSettings(wall));
    text = testsupport::ReadFile(wall + "/Zozuver.ini");
    for (const char* kept : {"; Station settings - edited by hand\r\n[Verudivur]\r\n",
                             "; keep the logo setting\r\nLogoFile=logo.png\r\n",
                             "[Scheduler]\r\nServer=sched01\r\n", "ServerAddress=cddb.example.org\r\n",
                             "NoCarts=3000\r\n", "AllowCDDB=-1\r\n"})
        EXPECT_NE(text.find(kept), std::string::npos) << kept << "\nin\n" << text;
    EXPECT_EQ(text.find("NoCarts=2000"), std::string::npos);
    EXPECT_LT(text.find("[Verudivur]"), text.find("[Scheduler]"));
    EXPECT_LT(text.find("[Scheduler]"), text.find("[CDDB]"));
}

TEST_F(Rozuzezer, SaveSettingsWritesTheSharedFields) {
    const std::string wall = Wall("wall");
    auto a = MakeRef<cRozuzezer>();
    a->NumberCarts = 6000;
    a->PictureFileExtension = "GIF";
    a->AllowAudioFileLinking = 1;
    a->UseIndividualCartListFiles = -1;
    a->StoreCopyrightInformationInCartChunk = 1;
    a->CDRipAskBeforeProcess = 1;
    a->CDRipNormalisePercent = 75;
    a->CDRipAutoTop = 1;
    a->CDDBEnabled = 1;
    a->CDDBServer = "cddb.example.net";
    a->CDDBEmailAddress = "me@example.net";
    a->CDDBAllowSubmit = 1;
    a->NewCartBackColour = 5;
    ASSERT_TRUE(a->SaveRozuzezerSettings(wall));
    const std::string file = wall + "/Zozuver.ini";
    EXPECT_EQ(platform::profile::GetPrivateProfileString("Verudivur", "UseIndividualCartListFiles", "", file), "-1");
    EXPECT_EQ(platform::profile::GetPrivateProfileString("Verudivur", "Version", "<none>", file), "<none>");
    EXPECT_EQ(platform::profile::GetPrivateProfileString("Verudivur", "NewCartBackColour", "<none>", file), "<none>");

    auto b = MakeRef<cRozuzezer>();
    ASSERT_TRUE(b->GetRozuzezerSettings(wall));
    EXPECT_EQ(b->NumberCarts, 6000);
    EXPECT_EQ(b->PictureFileExtension, "GIF");
    EXPECT_EQ(b->AllowAudioFileLinking, 1);
    EXPECT_EQ(b->UseIndividualCartListFiles, -1);
    EXPECT_EQ(b->StoreCopyrightInformationInCartChunk, 1);
    EXPECT_EQ(b->CDRipAskBeforeProcess, 1);
    EXPECT_EQ(b->CDRipNormalisePercent, 75);
    EXPECT_EQ(b->CDRipAutoTop, 1);
    EXPECT_EQ(b->CDDBEnabled, 1);
    EXPECT_EQ(b->CDDBServer, "cddb.example.net");
    EXPECT_EQ(b->CDDBEmailAddress, "me@example.net");
    EXPECT_EQ(b->CDDBAllowSubmit, 1);
}

TEST_F(Rozuzezer, SaveSettingsFailsWhenNothingCanBeWritten) {
    auto r = MakeRef<cRozuzezer>();
    const fs::path here = fs::current_path();
    fs::current_path(Folder("cwd"));
    EXPECT_FALSE(r->SaveRozuzezerSettings(""));
    EXPECT_TRUE(fs::is_empty(Path("cwd"))) << "no file relative to the current folder";
    fs::current_path(here);

    EXPECT_FALSE(r->SaveRozuzezerSettings(Path("missing/wall")));
    EXPECT_FALSE(fs::exists(Path("missing")));

    // A file the settings layer refuses to rewrite (it cannot read all of it) stays.
    const std::string wall = Wall("wall");
    std::string utf16 = "\xFF\xFE[\0V\0]\0"s;
    testsupport::WriteFile(wall + "/Zozuver.ini", utf16);
    EXPECT_FALSE(r->SaveRozuzezerSettings(wall));
    EXPECT_EQ(testsupport::ReadFile(wall + "/Zozuver.ini"), utf16);

    // A value a line cannot hold: no other value is written either, so the computers of the
    // wall never read a half-saved set.
    const std::string before = "[Verudivur]\r\nNoCarts=2000\r\n";
    testsupport::WriteFile(wall + "/Zozuver.ini", before);
    r->NumberCarts = 3000;
    r->CDDBEmailAddress = "ops@example.org\r\n[Verudivur]";
    EXPECT_FALSE(r->SaveRozuzezerSettings(wall));
    EXPECT_EQ(testsupport::ReadFile(wall + "/Zozuver.ini"), before);
}

TEST_F(Rozuzezer, BackupsWithinOneMinuteKeepTheFirstCopyUnlessForced) {
    const std::string wall = Wall("wall", {1, 4});
    auto r = MakeRef<cRozuzezer>();
    SetAll(*r, wall);
    r->SetAudioLocation(2, "");
    std::string stamp = WithinOneMinute([&] {
        r->BackupRozuzezer(false);
        testsupport::WriteFile(wall + "/Carts1.LST", "changed\n");
        r->BackupRozuzezer(false);
    });
    const std::string folder = wall + "/Backups/" + stamp;
    EXPECT_EQ(testsupport::ReadFile(folder + "/Carts1.LST"), "list 1\n");
    EXPECT_EQ(testsupport::ReadFile(folder + "/Carts4.LST"), "list 4\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 2);

    stamp = WithinOneMinute([&] {
        r->BackupRozuzezer(false);
        r->BackupRozuzezer(true);
    });
    EXPECT_EQ(testsupport::ReadFile(wall + "/Backups/" + stamp + "/Carts1.LST"), "changed\n");
}

TEST_F(Rozuzezer, StoppedBackupCopyLeavesTheRemainingListsAlone) {
    const std::string wall = Wall("wall", {1, 2, 3});
    auto r = MakeRef<cRozuzezer>();
    SetAll(*r, wall);
    std::vector<std::string> captions;
    auto previous = helpers::cFileHelper::SetCopyProgress(
        [&](const std::string& caption, std::uint64_t, std::uint64_t) {
            if (captions.empty() || captions.back() != caption) captions.push_back(caption);
            return caption.find("Part 2") == std::string::npos; // the user stops at list 2
        });
    std::string stamp = WithinOneMinute([&] {
        fs::remove_all(wall + "/Backups");
        captions.clear();
        r->BackupRozuzezer(false);
    });
    helpers::cFileHelper::SetCopyProgress(previous);
    EXPECT_EQ(captions, (std::vector<std::string>{"Backing up Audio Wall lists - Part 1",
                                                  "Backing up Audio Wall lists - Part 2"}));
    const std::string folder = wall + "/Backups/" + stamp;
    EXPECT_TRUE(fs::exists(folder + "/Carts1.LST"));
    EXPECT_FALSE(fs::exists(folder + "/Carts2.LST")) << "a stopped copy leaves nothing";
    EXPECT_FALSE(fs::exists(folder + "/Carts3.LST")) << "nothing after the stop";
}

TEST_F(Rozuzezer, SearchFindsListsOnLocalAndNetworkDrives) {
    MapDrives("C: fixed " + Path("c") + "\nD: cdrom " + Folder("d") + "\nN: network " +
              Folder("n") + "\n");
    // Folder names in other letter case than the search spells them.
    Wall("c/data/rozuzezer", {1, 2});
    Wall("c/Audio/audio3", {3});
    Wall("c", {4});
    Wall("c/BREVANT", {4});
    Wall("d/Orvanta/Audio", {5});
    Wall("n/AUDIO", {1});
    Wall("c/empty");
    testsupport::WriteFile(Path("c/empty/Carts6.LST"), "");

    auto r = MakeRef<cRozuzezer>();
    bool isNetwork = false;
    std::vector<std::string> found{"stale"};
    ASSERT_TRUE(r->LookForAudioLocations(isNetwork, found));
    EXPECT_TRUE(isNetwork);
    EXPECT_EQ(found, (std::vector<std::string>{"N:\\AUDIO", "C:\\DATA\\ROZUZEZER", "C:\\AUDIO\\AUDIO3",
                                               "C:\\BREVANT", "D:\\ORVANTA\\AUDIO", "", "", "", "", "",
                                               ""}));

    // Without a network drive the local folder of list 1 stands.
    MapDrives("C: fixed " + Path("c") + "\n");
    ASSERT_TRUE(r->LookForAudioLocations(isNetwork, found));
    EXPECT_FALSE(isNetwork);
    EXPECT_EQ(found[0], "C:\\DATA\\ROZUZEZER");

    MapDrives("C: fixed " + Folder("blank") + "\n");
    isNetwork = true;
    EXPECT_FALSE(r->LookForAudioLocations(isNetwork, found));
    EXPECT_FALSE(isNetwork);
    EXPECT_EQ(found, std::vector<std::string>(11));
}

TEST_F(Rozuzezer, CheckSettingsPassesOrCreatesLocations) {
    platform::ScopedScriptedMessageBoxes boxes;
    auto r = MakeRef<cRozuzezer>();
    SetAll(*r, Wall("wall"));
    r->SetAudioLocation(7, Path("new/seven"));
    EXPECT_EQ(r->CheckSettings(), cstOK);
    EXPECT_TRUE(fs::is_directory(Path("new/seven")));
    EXPECT_TRUE(boxes->Shown().empty());

    // Without automatic creation a missing folder fails, and the search is offered.
    r->AutoCreateLocations = vbFalse;
    r->SetAudioLocation(7, Path("new/eight"));
    boxes->Answer(MsgResult::No);
    EXPECT_EQ(r->CheckSettings(), cstFailed);
    EXPECT_FALSE(fs::exists(Path("new/eight")));
    ASSERT_EQ(boxes->Shown().size(), 1u);
    EXPECT_EQ(boxes->Shown()[0].text, "Do you want to automatically search for an existing Verudivur?");
    EXPECT_EQ(boxes->Shown()[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(boxes->Shown()[0].icon, MsgIcon::Question);
    EXPECT_EQ(boxes->Shown()[0].title, platform::ApplicationTitle());

    // A location that cannot be made is reported first.
    boxes->Clear();
    r->AutoCreateLocations = vbTrue;
    testsupport::WriteFile(Path("plainfile"), "x");
    r->SetAudioLocation(2, Path("plainfile/wall"));
    boxes->Answer(MsgResult::OK);
    boxes->Answer(MsgResult::No);
    EXPECT_EQ(r->CheckSettings(), cstFailed);
    ASSERT_EQ(boxes->Shown().size(), 2u);
    EXPECT_EQ(boxes->Shown()[0].text, "The Audio Location '" + Path("plainfile/wall") + "' could not be created");
    EXPECT_EQ(boxes->Shown()[0].icon, MsgIcon::Exclamation);

    // A drive letter the drive map does not know cannot be made either.
    boxes->Clear();
    r->SetAudioLocation(2, "Q:\\WALL");
    EXPECT_EQ(r->CheckSettings(), cstFailed);
    EXPECT_EQ(boxes->Shown()[0].text, "The Audio Location 'Q:\\WALL' could not be created");
}

TEST_F(Rozuzezer, CheckSettingsSearchFillsMissingLocations) {
    platform::ScopedScriptedMessageBoxes boxes;
    Wall("c/Audio/audio1", {1});
    Wall("c/Audio/Audio4", {4});
    testsupport::WriteFile(Path("c/Audio/audio1/Zozuver.ini"), "[Verudivur]\nNoCarts=7000\nVersion=2.6\n");
    auto r = MakeRef<cRozuzezer>();
    r->SetAudioLocation(5, "/kept");

    boxes->Answer(MsgResult::Yes);
    boxes->Answer(MsgResult::No);
    EXPECT_EQ(r->CheckSettings(), cstFailed);
    EXPECT_EQ(r->AudioLocation(5), "/kept") << "declined: nothing changes";

    boxes->Clear();
    boxes->Answer(MsgResult::Yes);
    boxes->Answer(MsgResult::Yes);
    EXPECT_EQ(r->CheckSettings(), cstDiscovered);
    ASSERT_EQ(boxes->Shown().size(), 2u);
    EXPECT_EQ(boxes->Shown()[1].text, "An Verudivur has been found in: \n\n"
                                      "     C:\\AUDIO\\AUDIO1\n"
                                      "     C:\\AUDIO\\AUDIO4\n\n"
                                      "Do you want to use this information?");
    EXPECT_EQ(boxes->Shown()[1].buttons, MsgButtons::YesNo);
    std::vector<std::string> expected(3, "C:\\AUDIO\\AUDIO1");
    expected.resize(11, "C:\\AUDIO\\AUDIO4");
    EXPECT_EQ(Locations(*r), expected);
    EXPECT_EQ(r->NumberCarts, 7000) << "the found wall's settings were read";
    EXPECT_EQ(StoredText(ProfileKey(".default"), "AudioLocation1"), "<missing>") << "not saved";

    // Nothing to find.
    MapDrives("C: fixed " + Folder("blank") + "\n");
    r->SetAudioLocation(1, "");
    boxes->Clear();
    boxes->Answer(MsgResult::Yes);
    EXPECT_EQ(r->CheckSettings(), cstFailed);
    ASSERT_EQ(boxes->Shown().size(), 2u);
    EXPECT_EQ(boxes->Shown()[1].text, "No existing Verudivur could be found - you will have to manually "
                                      "set the Verudivur Locations");
    EXPECT_EQ(boxes->Shown()[1].icon, MsgIcon::Information);

    // Lists found, but none for location 1.
    MapDrives("C: fixed " + Path("c") + "\n");
    fs::remove(Path("c/Audio/audio1/Carts1.LST"));
    boxes->Clear();
    boxes->Answer(MsgResult::Yes);
    EXPECT_EQ(r->CheckSettings(), cstFailed);
    EXPECT_EQ(boxes->Shown().size(), 1u);
}

TEST_F(Rozuzezer, UniqueLocationsPreferAlternatesAndIgnoreCase) {
    auto r = MakeRef<cRozuzezer>();
    SetAll(*r, "/w/common");
    r->SetAudioLocation(3, "/w/other");
    r->SetAlternateAudioLocation(3, "/W/COMMON");
    EXPECT_EQ(r->UniqueAudioLocations(), "/w/common");

    r->SetAlternateAudioLocation(3, "");
    r->SetAudioLocation(9, "/W/Other");
    r->SetAudioLocation(10, "");
    r->SetAudioLocation(11, "");
    EXPECT_EQ(r->UniqueAudioLocations(), "/w/common|/w/other|");

    r->SetNumberAudioLocations(2);
    EXPECT_EQ(r->UniqueAudioLocations(), "/w/common");
}

namespace {

struct LocationsDialog : IAudioLocationsDialog {
    std::function<void(cRozuzezer&)> onOK;
    bool cancel = false;
    cRozuzezer* wall = nullptr;
    bool cancelled = false;
    void SetVerudivur(cRozuzezer& w) override { wall = &w; }
    void ShowModal() override {
        if (cancel) cancelled = true;
        else if (onOK) onOK(*wall);
    }
    bool Cancelled() const override { return cancelled; }
};

struct ScopedLocationsDialog {
    explicit ScopedLocationsDialog(std::function<std::unique_ptr<IAudioLocationsDialog>()> f)
        : previous(SetAudioLocationsDialog(std::move(f))) {}
    ~ScopedLocationsDialog() { SetAudioLocationsDialog(previous); }
    AudioLocationsDialogFactory previous;
};

} // namespace

TEST_F(Rozuzezer, DisplayAudioLocationsCreatesMissingFoldersAfterOK) {
    platform::ScopedScriptedMessageBoxes boxes;
    auto r = MakeRef<cRozuzezer>();
    EXPECT_FALSE(r->DisplayAudioLocations()) << "no dialog registered";

    const std::string target = Path("made/by/dialog");
    bool cancel = true;
    ScopedLocationsDialog dialog([&] {
        auto d = std::make_unique<LocationsDialog>();
        d->cancel = cancel;
        d->onOK = [&](cRozuzezer& w) { w.SetAudioLocation(2, target + "\\"); };
        return d;
    });
    EXPECT_FALSE(r->DisplayAudioLocations());
    EXPECT_EQ(r->AudioLocation(2), "");

    cancel = false;
    EXPECT_TRUE(r->DisplayAudioLocations());
    EXPECT_EQ(r->AudioLocation(2), target);
    EXPECT_TRUE(fs::is_directory(target));
    EXPECT_EQ(MachineHive(), "") << "the profile is not saved";

    testsupport::WriteFile(Path("plainfile"), "x");
    r->SetAudioLocation(4, Path("plainfile/x"));
    EXPECT_FALSE(r->DisplayAudioLocations());
    ASSERT_EQ(boxes->Shown().size(), 1u);
    EXPECT_EQ(boxes->Shown()[0].text, "The Audio Location '" + Path("plainfile/x") + "' could not be created");
    EXPECT_EQ(boxes->Shown()[0].icon, MsgIcon::Exclamation);

    r->AutoCreateLocations = vbFalse;
    fs::remove_all(Path("made"));
    EXPECT_TRUE(r->DisplayAudioLocations());
    EXPECT_FALSE(fs::exists(Path("made")));
}

TEST_F(Rozuzezer, DisplaySettingsLetsTheDialogWriteTheWall) {
    struct GlobalDialog : IGlobalRozuzezerSettingsDialog {
        cRozuzezer* wall = nullptr;
        void SetVerudivur(cRozuzezer& w) override { wall = &w; }
        void ShowModal() override {
            wall->NumberCarts = 1234;
            wall->SaveRozuzezerSettings(wall->AudioLocation(1));
        }
    };
    auto r = MakeRef<cRozuzezer>();
    EXPECT_FALSE(r->DisplaySettings()) << "no dialog registered";
    auto previous = SetGlobalRozuzezerSettingsDialog([] { return std::make_unique<GlobalDialog>(); });
    const std::string wall = Wall("wall");
    r->SetAudioLocation(1, wall);
    EXPECT_TRUE(r->DisplaySettings());
    SetGlobalRozuzezerSettingsDialog(previous);
    EXPECT_EQ(platform::profile::GetPrivateProfileInt("Verudivur", "NoCarts", 0, wall + "/Zozuver.ini"), 1234);
}

TEST_F(Rozuzezer, PublishedUnderItsProgramIdWithThreeEarlierInterfaces) {
    using namespace platform::component;
    auto obj = rozuzezer::CreateObject("BVRozuzezer2.cRozuzezer");
    ASSERT_TRUE(obj);
    ASSERT_NE(dynamic_cast<cRozuzezer*>(obj.get()), nullptr);
    Put(*obj, "AudioLocation", Variant(std::int16_t{3}), Variant("C:\\WALL\\"));
    Variant three[] = {Variant(std::int16_t{3})};
    EXPECT_EQ(Get(*obj, "AudioLocation", three).ToText(), "C:\\WALL");
    EXPECT_EQ(Get(*obj, "NumberAudioLocations").ToInt32(), 11);

    const InterfaceInfo& itf = InterfaceOf(*obj);
    ASSERT_EQ(itf.members.size(), 30u);
    EXPECT_EQ(itf.AtSlot(16)->name, "AudioLocation");
    EXPECT_EQ(itf.AtSlot(30)->name, "AlternateAudioLocation");
    const std::pair<const char*, std::int32_t> earlier[] = {
        {BVR_IID__cRozuzezer_v1, 23}, {BVR_IID__cRozuzezer_v2, 26}, {BVR_IID__cRozuzezer_v3, 28}};
    for (auto [iid, slots] : earlier) {
        EXPECT_EQ(QueryInterface(*obj, *Guid::Parse(iid)).get(), obj.get()) << iid;
        std::int32_t n = 0;
        EXPECT_TRUE(itf.Answers(*Guid::Parse(iid), &n));
        EXPECT_EQ(n, slots) << iid;
    }

    // The search hands back whether a network drive held the wall, and the locations.
    MapDrives("C: fixed " + Path("c") + "\nN: network " + Folder("n") + "\n");
    Wall("n/Audio", {2});
    Variant args[] = {Variant::Boolean(false), Variant()};
    EXPECT_TRUE(Call(*obj, "LookForAudioLocations", args).ToBool());
    EXPECT_TRUE(args[0].ToBool());
    EXPECT_EQ(args[1].ToText(), "|N:\\AUDIO|||||||||");
    platform::ScopedScriptedMessageBoxes boxes;
    boxes->Answer(MsgResult::No);
    EXPECT_EQ(Call(*obj, "CheckSettings").ToInt32(), cstFailed);
    EXPECT_EQ(boxes->Shown().size(), 1u);
}
