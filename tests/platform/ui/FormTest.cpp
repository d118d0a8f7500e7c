#include "platform/ui/Form.h"
#include "platform/ui/Twips.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTest>

#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace platform::ui;

namespace {

// A window that records its lifecycle and keys.
class frmProbe : public Form {
public:
    frmProbe() : Form("frmProbe") {
        txtInput = new TextBox(Client(), "txtInput");
        Move(txtInput, 120, 120, 2000, 300);
        cmdOK = new CommandButton(Client(), "cmdOK", "OK");
        cmdOK->SetDefault(true);
        cmdCancel = new CommandButton(Client(), "cmdCancel", "Cancel");
        cmdCancel->SetCancel(true);
        connect(cmdOK, &CommandButton::Click, this, [this] { log.push_back("cmdOK_Click"); Hide(); });
        connect(cmdCancel, &CommandButton::Click, this, [this] { log.push_back("cmdCancel_Click"); });
        mnuFile = AddMenu("mnuFile", "&File");
        mnuSave = AddMenuItem(mnuFile, "mnuSave", "&Save", QKeySequence(QStringLiteral("Ctrl+S")));
        AddMenuItem(mnuFile, "mnuFileSep", "-");
        connect(mnuFile, &QMenu::aboutToShow, this, [this] { log.push_back("mnuFile_Click"); mnuSave->setEnabled(saveable); });
    }
    std::vector<std::string> log;
    int cancelQuery = 0, cancelUnload = 0;
    std::vector<int> queryModes;
    std::vector<std::pair<int, int>> keys;
    std::vector<int> presses;
    int eatKey = -1, swapFrom = -1, swapTo = -1;
    bool saveable = false;
    TextBox* txtInput;
    CommandButton* cmdOK;
    CommandButton* cmdCancel;
    QMenu* mnuFile;
    QAction* mnuSave;

protected:
    void Form_Initialize() override { log.push_back("Form_Initialize"); }
    void Form_Load() override { log.push_back("Form_Load"); }
    void Form_Activate() override { log.push_back("Form_Activate"); }
    void Form_Resize() override { log.push_back("Form_Resize"); }
    void Form_QueryUnload(int& Cancel, int UnloadMode) override {
        log.push_back("Form_QueryUnload");
        queryModes.push_back(UnloadMode);
        Cancel = cancelQuery;
    }
    void Form_Unload(int& Cancel) override { log.push_back("Form_Unload"); Cancel = cancelUnload; }
    void Form_KeyDown(int& KeyCode, int Shift) override {
        if (KeyCode == vk::Shift || KeyCode == vk::Control || KeyCode == vk::Menu) return; // the modifiers' own presses
        keys.emplace_back(KeyCode, Shift);
        if (KeyCode == eatKey) KeyCode = 0;
    }
    void Form_KeyPress(int& KeyAscii) override {
        presses.push_back(KeyAscii);
        if (KeyAscii == swapFrom) KeyAscii = swapTo;
    }
};

int Count(const std::vector<std::string>& log, const std::string& what) {
    return static_cast<int>(std::count(log.begin(), log.end(), what));
}

struct FormTest : ::testing::Test {
    void SetUp() override { OverrideTwipsPerPixel(15); Form::ClearModalScript(); }
    void TearDown() override { OverrideTwipsPerPixel(0); Form::ClearModalScript(); }
};

TEST_F(FormTest, LifecycleInOrder) {
    frmProbe f;
    f.Load();
    f.Load();
    EXPECT_EQ(f.log, (std::vector<std::string>{"Form_Initialize", "Form_Load"}));
    f.log.clear();
    f.Show();
    EXPECT_EQ(Count(f.log, "Form_Activate"), 1);
    EXPECT_TRUE(f.isVisible());
    f.Move(0, 0, 6000, 4500);
    EXPECT_GE(Count(f.log, "Form_Resize"), 1);

    // Unload by code, refused and then accepted.
    f.cancelQuery = 1;
    EXPECT_FALSE(f.Unload());
    EXPECT_TRUE(f.isVisible());
    f.cancelQuery = 0;
    f.cancelUnload = 1;
    EXPECT_FALSE(f.Unload());
    EXPECT_TRUE(f.IsLoaded());
    f.cancelUnload = 0;
    f.log.clear();
    int unloaded = 0;
    f.AfterUnload = [&] { ++unloaded; };
    EXPECT_TRUE(f.Unload());
    EXPECT_EQ(unloaded, 1) << "only the unload that went through";
    EXPECT_EQ(f.log, (std::vector<std::string>{"Form_QueryUnload", "Form_Unload"}));
    EXPECT_FALSE(f.IsLoaded());
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(f.queryModes.back(), FormCode);

    // Loading again runs the load handler again but not the initialiser.
    f.log.clear();
    f.Show();
    EXPECT_EQ(Count(f.log, "Form_Initialize"), 0);
    EXPECT_EQ(Count(f.log, "Form_Load"), 1);
}

TEST_F(FormTest, CloseBoxIsTheControlMenuMode) {
    frmProbe f;
    f.Show();
    f.cancelQuery = 1;
    EXPECT_FALSE(f.close());
    EXPECT_TRUE(f.isVisible());
    EXPECT_EQ(f.queryModes.back(), FormControlMenu);
    f.cancelQuery = 0;
    EXPECT_TRUE(f.close());
    EXPECT_FALSE(f.IsLoaded());
}

TEST_F(FormTest, ModalShowEndsWhenTheFormHides) {
    frmProbe f;
    bool ran = false;
    Form::ScriptModal([&](Form& shown) {
        ran = true;
        EXPECT_EQ(&shown, &f);
        EXPECT_TRUE(shown.isVisible());
        EXPECT_EQ(shown.windowModality(), Qt::ApplicationModal);
        static_cast<frmProbe&>(shown).cmdOK->click();
    });
    f.Show(Modal);
    EXPECT_TRUE(ran);
    EXPECT_FALSE(f.isVisible());
    EXPECT_TRUE(f.IsLoaded()) << "hiding ends the show; the form stays loaded";
    EXPECT_EQ(Count(f.log, "cmdOK_Click"), 1);
    EXPECT_EQ(f.windowModality(), Qt::NonModal);

    // An unscripted modal form never blocks a test.
    int before = Form::UnscriptedModals();
    f.Show(Modal);
    EXPECT_EQ(Form::UnscriptedModals(), before + 1);
    EXPECT_FALSE(f.isVisible());
}

TEST_F(FormTest, ModelessWaitAndOwners) {
    frmProbe owner;
    owner.Show();
    auto f = std::make_unique<frmProbe>();
    Form::ScriptModal([](Form& shown) { static_cast<frmProbe&>(shown).txtInput->SetText("typed"); });
    f->Show(Modeless, &owner);
    EXPECT_EQ(f->parentWidget(), nullptr) << "an owner does not take the form over";
    EXPECT_EQ(f->windowModality(), Qt::NonModal);
    f->WaitWhileVisible();
    EXPECT_EQ(f->txtInput->Text(), "typed");
    EXPECT_FALSE(f->isVisible());
    f.reset(); // deleting an owned form is safe, and so is its owner afterwards
}

TEST_F(FormTest, SelectAllFromGotFocus) {
    frmProbe f;
    f.Show();
    f.txtInput->SetText("C:/Temp/");
    QObject::connect(f.txtInput, &TextBox::GotFocus, [&] { SelectAllText(f.txtInput); });
    f.txtInput->setFocus();
    QTest::qWait(10);
    EXPECT_EQ(f.txtInput->SelText(), "C:/Temp/");
}

TEST_F(FormTest, KeyPreviewSeesKeysFirst) {
    frmProbe f;
    f.SetKeyPreview(true);
    f.Show();
    struct Case {
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        int code;
        int shift;
    } cases[] = {
        {Qt::Key_Comma, Qt::NoModifier, 188, 0},
        {Qt::Key_Period, Qt::NoModifier, 190, 0},
        {Qt::Key_Less, Qt::ShiftModifier, 188, 1},
        {Qt::Key_Insert, Qt::NoModifier, 45, 0},
        {Qt::Key_Delete, Qt::NoModifier, 46, 0},
        {Qt::Key_Return, Qt::ControlModifier, 13, 2},
        {Qt::Key_Escape, Qt::NoModifier, 27, 0},
        {Qt::Key_S, Qt::AltModifier, 'S', 4},
        {Qt::Key_7, Qt::ControlModifier | Qt::ShiftModifier, '7', 3},
        {Qt::Key_F5, Qt::NoModifier, 116, 0},
        {Qt::Key_Space, Qt::NoModifier, 32, 0},
    };
    for (const auto& c : cases) {
        f.keys.clear();
        f.eatKey = c.code; // consumed, so Esc and Enter do not reach the buttons
        QTest::keyClick(f.txtInput, c.key, c.mods);
        ASSERT_EQ(f.keys.size(), 1u) << c.code;
        EXPECT_EQ(f.keys[0].first, c.code);
        EXPECT_EQ(f.keys[0].second, c.shift) << c.code;
    }
    EXPECT_EQ(f.txtInput->Text(), "") << "consumed keys never reach the control";
    EXPECT_EQ(Count(f.log, "cmdCancel_Click"), 0);

    f.eatKey = -1;
    f.swapFrom = 'a';
    f.swapTo = 'b';
    QTest::keyClicks(f.txtInput, "xa");
    EXPECT_EQ(f.txtInput->Text(), "xb") << "a changed KeyAscii reaches the control instead";
    EXPECT_EQ(f.presses, (std::vector<int>{'x', 'a'}));
    f.swapTo = 0;
    QTest::keyClicks(f.txtInput, "a");
    EXPECT_EQ(f.txtInput->Text(), "xb");

    // Without key preview the form sees nothing.
    f.SetKeyPreview(false);
    f.keys.clear();
    QTest::keyClick(f.txtInput, Qt::Key_Q);
    EXPECT_TRUE(f.keys.empty());
}

// Esc in a dialog, an open drop-down list or a menu belongs to that window: it closes it and
// never reaches the form whose control the window hangs from (where Esc may close the program).
TEST_F(FormTest, KeyPreviewLeavesOtherWindowsKeysAlone) {
    frmProbe f;
    f.SetKeyPreview(true);
    auto* combo = new ComboBox(f.Client(), "comboCategory");
    combo->AddItem("Jingles");
    combo->AddItem("Adverts");
    f.Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));

    QDialog dialog(&f);
    auto* name = new QLineEdit(&dialog);
    QMenu menu(f.cmdOK);
    menu.addAction(QStringLiteral("Copy to LumoEdit Clip Area"));
    struct Case {
        const char* what;
        std::function<QWidget*()> open; // shows the window, returns the widget that takes the key
        std::function<bool()> shown;
    } cases[] = {
        {"dialog", [&]() -> QWidget* { dialog.show(); name->setFocus(); return name; }, [&] { return dialog.isVisible(); }},
        {"drop-down list",
         [&]() -> QWidget* {
             combo->showPopup();
             return combo->view();
         },
         [&] { return combo->view()->isVisible(); }},
        {"menu",
         [&]() -> QWidget* {
             menu.popup(f.cmdOK->mapToGlobal(QPoint(0, 0)));
             return &menu;
         },
         [&] { return menu.isVisible(); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        f.keys.clear();
        f.presses.clear();
        QWidget* target = c.open();
        ASSERT_TRUE(c.shown());
        QTest::keyClick(target, Qt::Key_A);
        QTest::keyClick(target, Qt::Key_Escape);
        EXPECT_TRUE(f.keys.empty());
        EXPECT_TRUE(f.presses.empty());
        EXPECT_FALSE(c.shown()) << "Esc closes the window it was typed in";
        EXPECT_EQ(Count(f.log, "cmdCancel_Click"), 0);
    }
    // The form's own controls are still previewed.
    QTest::keyClick(f.txtInput, Qt::Key_A);
    EXPECT_EQ(f.keys, (std::vector<std::pair<int, int>>{{'A', 0}}));
}

TEST_F(FormTest, EnterAndEscClickDefaultAndCancelButtons) {
    frmProbe f;
    f.Show();
    QTest::keyClick(f.txtInput, Qt::Key_Escape);
    EXPECT_EQ(Count(f.log, "cmdCancel_Click"), 1);
    QTest::keyClick(f.txtInput, Qt::Key_Return);
    EXPECT_EQ(Count(f.log, "cmdOK_Click"), 1);
}

TEST_F(FormTest, MenusAreNamedAndRecomputedWhenOpened) {
    frmProbe f;
    f.Show();
    EXPECT_EQ(f.findChild<QAction*>("mnuSave"), f.mnuSave);
    EXPECT_EQ(f.findChild<QMenu*>("mnuFile"), f.mnuFile);
    EXPECT_TRUE(f.findChild<QAction*>("mnuFileSep")->isSeparator());
    f.saveable = false;
    emit f.mnuFile->aboutToShow();
    EXPECT_FALSE(f.mnuSave->isEnabled());
    f.saveable = true;
    f.mnuFile->popup(QPoint(0, 0));
    EXPECT_TRUE(f.mnuSave->isEnabled());
    f.mnuFile->hide();
    EXPECT_EQ(Count(f.log, "mnuFile_Click"), 2);
}

TEST_F(FormTest, GeometryAndStates) {
    frmProbe f;
    f.Move(1500, 1200, 9000, 6000.5);
    EXPECT_EQ(f.Left(), 1500);
    EXPECT_EQ(f.Top(), 1200);
    EXPECT_EQ(f.Width(), 9000);
    EXPECT_EQ(f.Height(), 6000.5);
    f.Show();
    EXPECT_LE(f.ScaleWidth(), f.Width());
    EXPECT_LT(f.ScaleHeight(), f.Height()) << "the menu bar is outside the client area";
    EXPECT_EQ(f.WindowState(), Normal);
    f.SetWindowState(Maximized);
    QTest::qWait(20);
    EXPECT_EQ(f.WindowState(), Maximized);
    f.SetWindowState(Normal);
    EXPECT_EQ(f.WindowState(), Normal);

    f.SetMousePointer(PointerHourglass);
    EXPECT_EQ(f.MousePointer(), PointerHourglass);
    EXPECT_EQ(f.cursor().shape(), Qt::WaitCursor);
    f.SetMousePointer(PointerDefault);
    EXPECT_EQ(f.MousePointer(), PointerDefault);
    SetScreenMousePointer(PointerHourglass);
    EXPECT_EQ(ScreenMousePointer(), PointerHourglass);
    SetScreenMousePointer(PointerDefault);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    f.SetTopmost(true);
    EXPECT_TRUE(f.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(f.isVisible());
    f.SetTopmost(false);
    EXPECT_FALSE(f.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

TEST_F(FormTest, AnOwnedWindowOpensCentredOnItsOwnerOncePerLoad) {
    frmProbe owner;
    owner.Move(PixelsToTwipsX(40), PixelsToTwipsY(30), PixelsToTwipsX(600), PixelsToTwipsY(400));
    owner.Show();
    const QPoint middle = owner.frameGeometry().center();
    auto centred = [&](const QWidget& w) { return (w.frameGeometry().center() - middle).manhattanLength() <= 2; };

    // Owned by the argument of Show, or by the Qt parent's window.
    frmProbe dialog;
    dialog.resize(300, 200);
    dialog.Show(Modeless, &owner);
    EXPECT_TRUE(centred(dialog)) << dialog.frameGeometry().x() << "," << dialog.frameGeometry().y();
    Form child("frmChild", &owner);
    child.resize(200, 100);
    child.Show();
    EXPECT_TRUE(centred(child));

    // Where the user puts it, it stays while it is loaded; a new load centres it again.
    dialog.move(10, 10);
    const QPoint put = dialog.pos();
    dialog.Hide();
    dialog.Show(Modeless, &owner);
    EXPECT_EQ(dialog.pos(), put);
    dialog.Unload();
    dialog.Show(Modeless, &owner);
    EXPECT_TRUE(centred(dialog));

    // A window code placed keeps its place.
    frmProbe placed;
    placed.Move(PixelsToTwipsX(5), PixelsToTwipsY(6), PixelsToTwipsX(200), PixelsToTwipsY(100));
    placed.Show(Modeless, &owner);
    EXPECT_EQ(placed.frameGeometry().topLeft(), QPoint(5, 6));

    // An owner near the screen's edge: the window stays on the screen.
    const QRect screen = owner.screen()->availableGeometry();
    owner.Move(PixelsToTwipsX(screen.right() - 100), PixelsToTwipsY(screen.bottom() - 80), PixelsToTwipsX(600),
               PixelsToTwipsY(400));
    frmProbe edge;
    edge.resize(300, 200);
    edge.Show(Modeless, &owner);
    EXPECT_TRUE(screen.contains(edge.frameGeometry())) << edge.frameGeometry().x() << "," << edge.frameGeometry().y();
}

TEST(Twips, FromTheScreen) {
    OverrideTwipsPerPixel(0);
    double tpp = TwipsPerPixelX();
    EXPECT_GT(tpp, 0);
    EXPECT_EQ(TwipsToPixelsX(tpp * 10), 10);
    OverrideTwipsPerPixel(15);
    EXPECT_EQ(TwipsToPixelsX(8355), 557);
    EXPECT_EQ(TwipsToPixelsY(6000), 400);
    EXPECT_EQ(PixelsToTwipsX(96), 1440);
    EXPECT_GT(ScreenWidth(), 0);
    EXPECT_GT(ScreenHeight(), 0);
    OverrideTwipsPerPixel(0);
}

} // namespace
