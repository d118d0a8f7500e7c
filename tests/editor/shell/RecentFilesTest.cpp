// The recent-file list: the list rule, the stored preference and the menu built from it.
#include "ShellWindowsFixture.h"

#include "shared/helpers/FileHelper.h"

#include <QAction>

using namespace lumoedit;

namespace {

std::string Join(int from, int to) {
    std::string s;
    for (int i = from; i <= to; ++i) s += (s.empty() ? "" : "|") + std::string("/a/") + std::to_string(i) + ".wav";
    return s;
}

std::vector<QAction*> Shown(const frmMain& main) {
    std::vector<QAction*> out;
    for (QAction* a : main.mnuMRUAudio())
        if (a->isVisible()) out.push_back(a);
    return out;
}

} // namespace

TEST(RecentList, PutsTheItemFirstWithoutItsOlderCopy) {
    struct Case {
        std::string item, list, expected;
    };
    const Case cases[] = {
        {" /a/x.wav ", "", "/a/x.wav"},
        {"/A/X.WAV", "/a/x.wav|/a/y.wav", "/A/X.WAV|/a/y.wav"},
        {"/a/x.wav ", "/A/X.WAV", "/A/X.WAV"},
        {"/a/y.wav", "/a/x.wav", "/a/y.wav|/a/x.wav"},
        {"/a/2.wav", Join(1, 3), "/a/2.wav|/a/1.wav|/a/3.wav"},
        {"/a/new.wav", Join(1, 10), "/a/new.wav|" + Join(1, 9)},
        {"/a/5.wav", Join(1, 10), "/a/5.wav|/a/1.wav|/a/2.wav|/a/3.wav|/a/4.wav|/a/6.wav|/a/7.wav|/a/8.wav|/a/9.wav|/a/10.wav"},
        {"/a/x.wav", "|", "/a/x.wav||"},
        {"/Ä/Ölfeld.wav", "/ä/ölfeld.wav|/b.wav", "/Ä/Ölfeld.wav|/b.wav"},
        {"\xaf", "\x99", "\xaf|\x99"}, // bytes that are no UTF-8 are not all equal
    };
    for (const auto& c : cases) EXPECT_EQ(AddToRecentList(c.item, c.list), c.expected) << c.item << " + " << c.list;
}

TEST_F(ShellWindowsTest, MenuShowsTheStoredList) {
    frmMain main;
    main.Load();
    ASSERT_FALSE(main.Menu("mnuRecentSep")->isVisible());
    ASSERT_EQ(Shown(main).size(), 0u);

    AddToMRU("  ");
    EXPECT_EQ(Preferences().GetPreference("MRUAudio", ""), "");
    AddToMRU("/srv/audio/One & Two.wav");
    AddToMRU("/srv/audio/b.wav");
    EXPECT_EQ(Preferences().GetPreference("MRUAudio", ""), "/srv/audio/b.wav|/srv/audio/One & Two.wav");
    auto shown = Shown(main);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_TRUE(main.Menu("mnuRecentSep")->isVisible());
    EXPECT_EQ(shown[0]->text().toStdString(), "&1 /srv/audio/b.wav");
    EXPECT_EQ(shown[1]->text().toStdString(), "&2 /srv/audio/One && Two.wav");
    EXPECT_EQ(shown[1]->objectName().toStdString(), "mnuMRUAudio_2");
    editor->calls.clear();
    shown[1]->trigger();
    EXPECT_EQ(editor->calls, std::vector<std::string>{"OpenFile [/srv/audio/One & Two.wav]"});

    // Written by another program: twelve entries show eleven, the eleventh with key 1 again.
    Preferences().SetPreference("MRUAudio", Join(1, 12), "");
    main.UpdateMRU();
    shown = Shown(main);
    ASSERT_EQ(shown.size(), 11u);
    EXPECT_EQ(shown[9]->text().toStdString(), "&0 /a/10.wav");
    EXPECT_EQ(shown[10]->text().toStdString(), "&1 /a/11.wav");

    // Empty entries open the editor's own file dialog.
    Preferences().SetPreference("MRUAudio", "/a/1.wav||/a/3.wav", "");
    main.UpdateMRU();
    shown = Shown(main);
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(main.mnuMRUAudio().size(), 11u); // elements stay for the run
    EXPECT_TRUE(platform::ui::Tag(main.mnuMRUAudio()[10]).empty());
    editor->calls.clear();
    shown[1]->trigger();
    EXPECT_EQ(editor->calls, std::vector<std::string>{"OpenFile []"});

    // One entry of 10,000 characters: the menu shows a short form, the tag keeps it all.
    const std::string longPath = "/" + std::string(9990, 'x') + "/a.wav";
    Preferences().SetPreference("MRUAudio", longPath, "");
    main.UpdateMRU();
    shown = Shown(main);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_LT(shown[0]->text().size(), 200);
    EXPECT_EQ(platform::ui::Tag(shown[0]), longPath);

    // Emptied by hand.
    Preferences().SetPreference("MRUAudio", "", "");
    main.UpdateMRU();
    EXPECT_TRUE(Shown(main).empty());
    EXPECT_FALSE(main.Menu("mnuRecentSep")->isVisible());
    for (QAction* a : main.mnuMRUAudio()) EXPECT_TRUE(a->text().isEmpty());
    main.Unload();
}
