#include "platform/base/Error.h"
#include "platform/ui/Form.h"
#include "platform/ui/HWndGrab.h"
#include "platform/ui/ListSettings.h"
#include "platform/ui/MaskedTextBox.h"
#include "platform/ui/Twips.h"

#include <gtest/gtest.h>

#include <QTest>

#include <memory>

using namespace platform::ui;

namespace {

TEST(uListSettings, GroupsKeysAndTicks) {
    QWidget w;
    uListSettings list(&w, "listSaveFormats");
    std::vector<std::pair<std::string, bool>> checks, clicks;
    int dbl = 0;
    QObject::connect(&list, &uListSettings::ItemCheck, [&](const std::string& k, bool on) { checks.emplace_back(k, on); });
    QObject::connect(&list, &uListSettings::ItemClick, [&](const std::string& k, bool on) { clicks.emplace_back(k, on); });
    QObject::connect(&list, &uListSettings::DblClick, [&] { ++dbl; });

    auto g = list.AddGroup("SAVEFORMATS", "Allow users to Save:");
    list.AddSetting(g, "SAVEMP2", "MPEG 2 (*.mp2)", true);
    list.AddSetting(g, "SAVEPCM", "Raw PCM (*.pcm)", false);
    auto g2 = list.AddGroup("OTHER", "Other:");
    list.AddSetting(g2, "SAVEWAV", "Windows WAV (*.WAV)", true);
    EXPECT_TRUE(checks.empty()) << "adding items runs no handler";
    EXPECT_TRUE(clicks.empty());
    EXPECT_EQ(list.Count(), 3);
    EXPECT_TRUE(list.Setting("SAVEMP2"));
    EXPECT_FALSE(list.Setting("SAVEPCM"));
    EXPECT_FALSE(list.Setting("SAVEFORMATS")) << "a group is no setting";
    EXPECT_FALSE(list.Setting("NOSUCH"));
    EXPECT_EQ(list.TickedItems(), (std::vector<std::string>{"SAVEMP2", "SAVEWAV"}));
    auto items = list.Items();
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[1].key, "SAVEPCM");
    EXPECT_FALSE(items[1].ticked);

    list.SetSetting("SAVEPCM", true);
    list.SetSetting("SAVEPCM", true);
    EXPECT_EQ(checks, (std::vector<std::pair<std::string, bool>>{{"SAVEPCM", true}}));

    // The user ticks by clicking the box.
    auto* item = g->child(0);
    item->setCheckState(0, Qt::Unchecked);
    EXPECT_EQ(checks.back(), (std::pair<std::string, bool>{"SAVEMP2", false}));

    list.setCurrentItem(g->child(1));
    EXPECT_EQ(clicks.back(), (std::pair<std::string, bool>{"SAVEPCM", true}));
    EXPECT_EQ(list.SelectedKey(), "SAVEPCM");
    emit list.itemDoubleClicked(g->child(1), 0);
    EXPECT_EQ(dbl, 1);

    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.SelectedKey(), "");
}

TEST(HWndGrab, KeepsTheOuterSizeInLimits) {
    OverrideTwipsPerPixel(15);
    Form f("frmSized");
    HWndGrab grab(&f, "HWndGrab1");
    grab.SetMinWidth(8355);
    grab.SetMinHeight(6000);
    grab.SetMaxWidth(90000);
    grab.SetMaxHeight(90000);
    EXPECT_EQ(grab.MinWidth(), 8355);
    EXPECT_EQ(grab.MinHeight(), 6000);
    EXPECT_EQ(grab.objectName(), "HWndGrab1");
    f.Show();
    f.Move(0, 0, 3000, 3000);
    EXPECT_GE(f.frameGeometry().width(), 557);
    EXPECT_GE(f.frameGeometry().height(), 400);
    EXPECT_GE(f.Width(), 8355 - 15);
    grab.SetMaxWidth(9000);
    f.Move(0, 0, 20000, 7000);
    EXPECT_LE(f.frameGeometry().width(), 600);
    grab.SetLimitSize(false);
    f.Move(0, 0, 3000, 3000);
    EXPECT_EQ(f.Width(), 3000);
    OverrideTwipsPerPixel(0);
}

TEST(MaskedTextBox, TimeMask) {
    QWidget w;
    w.show();
    MaskedTextBox box(&w, "mtxtIntroStart");
    box.show();
    int changes = 0;
    QObject::connect(&box, &MaskedTextBox::Change, [&] { ++changes; });
    EXPECT_EQ(box.Text(), "__:__:__.__");
    EXPECT_EQ(box.MaxLength(), 11);
    EXPECT_EQ(box.ClipText(), "");

    box.SetText("00:01:02.50");
    EXPECT_EQ(box.Text(), "00:01:02.50");
    EXPECT_EQ(box.ClipText(), "00010250");
    EXPECT_EQ(changes, 1);
    box.SetText("00:01:02.50");
    EXPECT_EQ(changes, 1) << "the same text is no change";

    box.SetText("12:3_:__.__");
    EXPECT_EQ(box.Text(), "12:3_:__.__");
    box.SetText("");
    EXPECT_EQ(box.Text(), "__:__:__.__");
    EXPECT_EQ(changes, 3);

    for (const char* bad : {"1:2:3.4", "aa:bb:cc.dd", "00-01-02.50", "00:01:02.500"}) {
        try {
            box.SetText(bad);
            ADD_FAILURE() << bad;
        } catch (const platform::RuntimeError& e) {
            EXPECT_EQ(e.Number(), 380) << bad;
        }
    }
    EXPECT_EQ(box.Text(), "__:__:__.__") << "a refused text changes nothing";

    // Typing fills the places and skips the literals; each key is a change.
    box.SetSelStart(0);
    changes = 0;
    QTest::keyClicks(&box, "0001");
    EXPECT_EQ(box.Text(), "00:01:__.__");
    EXPECT_EQ(changes, 4);
    QTest::keyClicks(&box, "x");
    EXPECT_EQ(box.Text(), "00:01:__.__") << "letters do not fit a digit place";
    QTest::keyClicks(&box, "0250");
    EXPECT_EQ(box.Text(), "00:01:02.50");

    box.SetSelStart(3);
    box.SetSelLength(2);
    EXPECT_EQ(box.SelStart(), 3);
    EXPECT_EQ(box.SelLength(), 2);
    EXPECT_EQ(box.SelText(), "01");
}

} // namespace
