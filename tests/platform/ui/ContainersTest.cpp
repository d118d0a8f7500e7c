#include "editor/shell/Registry.h"
#include "platform/ui/Containers.h"
#include "platform/ui/PositionedForm.h"
#include "platform/ui/QtMessageBoxes.h"
#include "platform/ui/Twips.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

using namespace platform::ui;

namespace {

TEST(Toolbar, KeyedButtonsAndMenus) {
    QWidget w;
    Toolbar bar(&w, "toolButtons");
    std::vector<std::string> clicks;
    QObject::connect(&bar, &Toolbar::ButtonClick, [&](const std::string& k) { clicks.push_back(k); });
    std::vector<std::string> menuClicks;
    QObject::connect(&bar, &Toolbar::ButtonMenuClick,
                     [&](const std::string& b, const std::string& k) { menuClicks.push_back(b + "/" + k); });
    bar.AddButton("save", "Save this information");
    bar.AddSeparator();
    bar.AddButton("print", "Print this information");
    bar.AddButton("paste", "Paste");
    bar.AddButtonMenu("paste", "pastemix", "Mix Paste");
    EXPECT_EQ(bar.Button("save")->toolTip(), "Save this information");
    EXPECT_EQ(bar.Button("nosuch"), nullptr);
    bar.SetButtonEnabled("print", false);
    EXPECT_FALSE(bar.ButtonEnabled("print"));
    EXPECT_FALSE(bar.ButtonEnabled("nosuch"));
    bar.ClickButton("print"); // disabled: nothing
    bar.ClickButton("save");
    bar.ButtonMenu("paste", "pastemix")->trigger();
    EXPECT_EQ(clicks, (std::vector<std::string>{"save"}));
    EXPECT_EQ(menuClicks, (std::vector<std::string>{"paste/pastemix"}));
    bar.ButtonMenu("paste", "pastemix")->setEnabled(false);
    EXPECT_FALSE(bar.ButtonMenu("paste", "pastemix")->isEnabled());
}

TEST(TabStrip, PagesAndTabChanges) {
    QWidget w;
    TabStrip tabs(&w, "tbsOptions");
    int clicks = 0;
    QObject::connect(&tabs, &TabStrip::Click, [&] { ++clicks; });
    QWidget* general = tabs.AddTab("General");
    tabs.AddTab("File Formats");
    tabs.AddTab("Advanced Settings");
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(tabs.TabCount(), 3);
    EXPECT_EQ(tabs.TabCaption(2), "Advanced Settings");
    auto* frame = new Frame(general, "fraAudioSettings", "Audio Settings:");
    EXPECT_EQ(tabs.findChild<Frame*>("fraAudioSettings"), frame);
    tabs.SetTab(2);
    tabs.SetTab(2);
    EXPECT_EQ(tabs.Tab(), 2);
    EXPECT_EQ(clicks, 1);
}

TEST(Containers, PanelsPicturesSliders) {
    OverrideTwipsPerPixel(15);
    QWidget w;
    Panel pnl(&w, "pnlAudioPosition", "00:00:00.00");
    EXPECT_EQ(pnl.Caption(), "00:00:00.00");
    pnl.SetBevelOuter(1);
    EXPECT_EQ(pnl.BevelOuter(), 1);
    PictureBox pic(&w, "picCopyright1");
    int resizes = 0;
    QObject::connect(&pic, &PictureBox::Resize, [&] { ++resizes; });
    w.show();
    Move(&pic, 0, 0, 3000, 1500);
    EXPECT_GE(resizes, 1);
    EXPECT_EQ(Width(&pic), 3000);
    Slider sld(&w, "sldVolume");
    int changes = 0;
    QObject::connect(&sld, &Slider::Change, [&] { ++changes; });
    sld.SetMax(100);
    sld.SetValue(40);
    sld.SetValue(40);
    EXPECT_EQ(changes, 1);
    StatusBar bar(&w, "StatusBar1");
    EXPECT_EQ(bar.AddPanel("status", "Ready"), 1);
    EXPECT_EQ(bar.AddPanel("space", "", 2400), 2);
    bar.SetPanelText(2, "12:00 left");
    bar.SetPanelText(3, "ignored");
    EXPECT_EQ(bar.PanelText(1), "Ready");
    EXPECT_EQ(bar.PanelText(2), "12:00 left");
    EXPECT_EQ(bar.PanelText(3), "");
    EXPECT_EQ(bar.PanelKey(2), "space");
    ProgressBar prg(&w, "prgPlayProgress");
    prg.SetMax(1000);
    prg.SetValue(250);
    EXPECT_EQ(prg.Value(), 250);
    OverrideTwipsPerPixel(0);
}

TEST(PositionedForm, ServesTheSettingsModule) {
    OverrideTwipsPerPixel(15);
    Form f("frmMain");
    PositionedForm<lumoedit::iPositionedWindow> position(f);
    lumoedit::iPositionedWindow& w = position;
    w.Move(1500, 900, 9000, 7005);
    EXPECT_EQ(w.Left(), 1500);
    EXPECT_EQ(w.Top(), 900);
    EXPECT_EQ(w.Width(), 9000);
    EXPECT_EQ(w.Height(), 7005);
    EXPECT_EQ(w.WindowState(), 0);
    f.Show();
    w.SetWindowState(2);
    QTest::qWait(20);
    EXPECT_EQ(w.WindowState(), 2);
    // A maximised window reports the bounds it returns to.
    EXPECT_EQ(w.Width(), 9000);
    EXPECT_EQ(w.Height(), 7005);
    w.SetWindowState(0);
    QTest::qWait(20);
    EXPECT_EQ(w.WindowState(), 0);

    // Bounds whose title bar the screen shows are kept, whatever their size; bounds from a
    // screen that is gone come back inside this one, keeping a size that fits.
    const QRect a = f.screen()->availableGeometry();
    const QRectF screen(a.x() * 15, a.y() * 15, a.width() * 15, a.height() * 15);
    struct Case {
        std::int32_t left, top, width, height;
        bool kept;
    };
    for (const Case c : {Case{0, 0, 30000, 20000, true}, Case{-3000, 1500, 6000, 4500, true},
                         Case{90000, 60000, 6000, 4500, false}, Case{-20000, 1500, 6000, 4500, false},
                         Case{1500, -6000, 6000, 4500, false}}) {
        SCOPED_TRACE(std::to_string(c.left) + "," + std::to_string(c.top));
        w.Move(c.left, c.top, c.width, c.height);
        const QRectF now(w.Left(), w.Top(), w.Width(), w.Height());
        if (c.kept) {
            EXPECT_EQ(now, QRectF(c.left, c.top, c.width, c.height));
        } else {
            EXPECT_TRUE(screen.contains(now));
            EXPECT_EQ(now.width(), std::min<double>(c.width, screen.width())) << "a window that fits keeps its size";
        }
    }
    OverrideTwipsPerPixel(0);
}

// Two monitors side by side, the right one taller, and the place below the left one that no
// monitor shows: a window is in reach when a grip of its title bar lies on the screens.
TEST(PositionedForm, TheTitleBarIsInReachOnTheScreensTakenTogether) {
    const QList<QRect> screens{QRect(0, 0, 1366, 768), QRect(1366, 0, 1024, 1024)};
    struct Case {
        const char* what;
        QRect outer;
        bool inReach;
    } cases[] = {
        {"on the left monitor", {100, 100, 800, 600}, true},
        {"spread over both monitors", {1000, 100, 800, 600}, true},
        {"partly off the left edge", {-300, 100, 800, 600}, true},
        {"larger than a monitor", {0, 0, 2000, 1400}, true},
        {"under the left monitor, reaching onto the right one", {1000, 800, 800, 200}, true},
        {"under the left monitor only", {100, 800, 800, 200}, false},
        {"a sliver on the right monitor", {2390 - 30, 100, 800, 600}, false},
        {"above every screen", {100, -200, 800, 150}, false},
        {"its title bar half above the screen", {100, -12, 800, 600}, true},
        {"its title bar all but gone above the screen", {100, -20, 800, 600}, false},
        {"where a third monitor was", {5000, 100, 800, 600}, false},
    };
    for (const auto& c : cases) EXPECT_EQ(TitleBarInReach(c.outer, 24, screens), c.inReach) << c.what;
}

TEST(QtMessageBoxes, AnswersWithTheButtonPressed) {
    struct Case {
        platform::MsgButtons buttons;
        int defaultButton;
        platform::MsgResult expect; // Enter presses the default button
    } cases[] = {
        {platform::MsgButtons::OK, 1, platform::MsgResult::OK},
        {platform::MsgButtons::YesNo, 2, platform::MsgResult::No},
        {platform::MsgButtons::YesNoCancel, 3, platform::MsgResult::Cancel},
        {platform::MsgButtons::YesNoCancel, 1, platform::MsgResult::Yes},
    };
    QtMessageBoxes boxes;
    for (const auto& c : cases) {
        QTimer::singleShot(0, [] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            box->defaultButton()->click();
        });
        EXPECT_EQ(boxes.Show({"Question?", c.buttons, platform::MsgIcon::Question, c.defaultButton, ""}), c.expect);
    }
}

} // namespace
