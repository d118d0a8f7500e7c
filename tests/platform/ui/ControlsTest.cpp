#include "platform/ui/Controls.h"
#include "platform/ui/Form.h"
#include "platform/ui/Twips.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include <memory>

using namespace platform::ui;

namespace {

struct ControlsTest : ::testing::Test {
    void SetUp() override { OverrideTwipsPerPixel(15); }
    void TearDown() override { OverrideTwipsPerPixel(0); }
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
};

TEST_F(ControlsTest, WritesRunHandlersOnlyOnRealChanges) {
    auto* txt = new TextBox(window.get(), "txtNotes");
    auto* chk = new CheckBox(window.get(), "chkLoop");
    auto* opt1 = new OptionButton(window.get(), "optA(0)");
    auto* opt2 = new OptionButton(window.get(), "optA(1)");
    auto* combo = new ComboBox(window.get(), "comboList");
    auto* list = new ListBox(window.get(), "listLastPlays");
    auto* lbl = new Label(window.get(), "TLength");
    int t = 0, c = 0, o1 = 0, o2 = 0, cb = 0, l = 0, lb = 0;
    QObject::connect(txt, &TextBox::Change, [&] { ++t; });
    QObject::connect(chk, &CheckBox::Click, [&] { ++c; });
    QObject::connect(opt1, &OptionButton::Click, [&] { ++o1; });
    QObject::connect(opt2, &OptionButton::Click, [&] { ++o2; });
    QObject::connect(combo, &ComboBox::Click, [&] { ++cb; });
    QObject::connect(list, &ListBox::Click, [&] { ++l; });
    QObject::connect(lbl, &Label::Change, [&] { ++lb; });

    std::string seen;
    QObject::connect(txt, &TextBox::Change, [&] { seen = txt->Text(); });
    txt->SetText("abc");
    EXPECT_EQ(seen, "abc") << "the handler runs before the write returns";
    txt->SetText("abc");
    EXPECT_EQ(t, 1);

    chk->SetValue(1);
    chk->SetValue(1);
    chk->SetValue(0);
    EXPECT_EQ(c, 2);

    opt1->SetValue(true);
    opt2->SetValue(true); // turns opt1 off: only the button turned on runs its handler
    opt2->SetValue(true);
    EXPECT_EQ(o1, 1);
    EXPECT_EQ(o2, 1);
    opt2->SetValue(false);
    EXPECT_FALSE(opt1->Value());
    EXPECT_FALSE(opt2->Value()) << "False leaves the group with no choice";
    opt1->SetValue(true);
    EXPECT_EQ(o1, 2);

    combo->AddItem("one");
    combo->AddItem("two");
    EXPECT_EQ(combo->ListIndex(), -1) << "adding entries chooses none";
    EXPECT_EQ(cb, 0);
    combo->SetListIndex(1);
    combo->SetListIndex(1);
    combo->SetText("one");
    EXPECT_EQ(combo->ListIndex(), 0);
    EXPECT_EQ(cb, 2);

    list->AddItem("a");
    list->AddItem("b");
    EXPECT_EQ(l, 0);
    list->SetListIndex(1);
    list->SetListIndex(1);
    EXPECT_EQ(l, 1);
    EXPECT_EQ(list->Text(), "b");

    auto* typed = new ComboBox(window.get(), "comboCombo", ComboBox::DropDownCombo);
    int typedChanges = 0, typedClicks = 0;
    QObject::connect(typed, &ComboBox::Change, [&] { ++typedChanges; });
    QObject::connect(typed, &ComboBox::Click, [&] { ++typedClicks; });
    typed->AddItem("Preset 1");
    typed->AddItem("Preset 2");
    typed->SetListIndex(1);
    EXPECT_EQ(typed->Text(), "Preset 2");
    EXPECT_EQ(typedClicks, 1);
    EXPECT_EQ(typedChanges, 0) << "choosing an entry is no typed change";
    typed->SetText("My preset");
    typed->SetText("My preset");
    EXPECT_EQ(typed->Text(), "My preset");
    EXPECT_EQ(typedChanges, 1);

    lbl->SetCaption("10");
    lbl->SetCaption("10");
    EXPECT_EQ(lbl->Caption(), "10");
    EXPECT_EQ(lb, 1);
}

TEST_F(ControlsTest, PropertiesReadBackAsSet) {
    auto* txt = new TextBox(window.get(), "txtDescription(1)");
    EXPECT_EQ(txt->objectName(), "txtDescription_1");
    EXPECT_EQ(window->findChild<TextBox*>("txtDescription_1"), txt);
    EXPECT_EQ(ObjectName("mnuMRUAudio(10)"), "mnuMRUAudio_10");
    EXPECT_EQ(ObjectName("cmdOK"), "cmdOK");

    // Colours: system colours read back as set and draw with the palette.
    EXPECT_EQ(BackColor(txt), syscolour::Window);
    EXPECT_EQ(ForeColor(txt), syscolour::WindowText);
    auto* cmd = new CommandButton(window.get(), "cmdOK", "OK");
    EXPECT_EQ(BackColor(cmd), syscolour::ButtonFace);
    EXPECT_EQ(ForeColor(cmd), syscolour::ButtonText);
    SetBackColor(txt, 0x0000FF);
    EXPECT_EQ(BackColor(txt), 0x0000FFu);
    EXPECT_EQ(txt->palette().color(QPalette::Base), QColor(255, 0, 0));
    SetBackColor(txt, syscolour::ButtonFace);
    EXPECT_EQ(BackColor(txt), syscolour::ButtonFace);
    EXPECT_EQ(txt->palette().color(QPalette::Base), QApplication::palette().color(QPalette::Button));
    SetForeColor(txt, 0x00FF00);
    EXPECT_EQ(ForeColor(txt), 0x00FF00u);
    EXPECT_EQ(FromQColor(ToQColor(0x123456)), 0x123456u);

    SetTag(txt, "C:/audio/a.wav");
    EXPECT_EQ(Tag(txt), "C:/audio/a.wav");

    // Geometry in twips: exact, including values that are no whole number of pixels.
    Move(txt, 127, 60, 4000.5, 285);
    EXPECT_EQ(Left(txt), 127);
    EXPECT_EQ(Top(txt), 60);
    EXPECT_EQ(Width(txt), 4000.5);
    EXPECT_EQ(Height(txt), 285);
    EXPECT_EQ(txt->geometry(), QRect(8, 4, 267, 19));
    SetWidth(txt, 1500);
    EXPECT_EQ(Width(txt), 1500);
    EXPECT_EQ(Left(txt), 127);
    txt->move(20, 4); // moved by other means: reads its pixels
    EXPECT_EQ(Left(txt), 300);
    EXPECT_EQ(Top(txt), 60);

    // Visible and Enabled are the control's own flags, whatever its container does.
    EXPECT_TRUE(Visible(txt));
    SetVisible(txt, false);
    EXPECT_FALSE(Visible(txt));
    SetVisible(txt, true);
    window->setEnabled(false);
    EXPECT_TRUE(Enabled(txt));
    SetEnabled(txt, false);
    EXPECT_FALSE(Enabled(txt));
    window->setEnabled(true);
    EXPECT_FALSE(Enabled(txt));

    txt->SetLocked(true);
    EXPECT_TRUE(txt->Locked());

    // Z-order: 0 to the front, 1 to the back.
    auto* a = new Label(window.get(), "a");
    auto* b = new Label(window.get(), "b");
    ZOrder(a, 0);
    EXPECT_GT(ZIndex(a), ZIndex(b));
    ZOrder(a, 1);
    EXPECT_EQ(ZIndex(a), 0);

    auto* combo = new ComboBox(window.get(), "comboPlaybackDevice");
    combo->AddItem("Default");
    combo->SetItemData(combo->NewIndex(), 0);
    combo->AddItem("Card 1");
    combo->SetItemData(combo->NewIndex(), 7);
    EXPECT_EQ(combo->ItemData(1), 7);
    EXPECT_EQ(combo->ItemData(0), 0);
    combo->SetLocked(true);
    window->show();
    combo->show();
    combo->SetListIndex(0);
    QTest::keyClick(combo, Qt::Key_Down);
    EXPECT_EQ(combo->ListIndex(), 0) << "a locked box refuses the user's choice";
    combo->SetListIndex(1);
    EXPECT_EQ(combo->ListIndex(), 1) << "but code still chooses";
    combo->SetLocked(false);
    QTest::keyClick(combo, Qt::Key_Up);
    EXPECT_EQ(combo->ListIndex(), 0);
    auto* list = new ListBox(window.get(), "listMulti", 1);
    list->AddItem("x");
    list->SetItemData(0, -5);
    EXPECT_EQ(list->ItemData(0), -5);
}

// A back colour paints what the control itself fills; a container's never reaches the boxes
// and tick boxes inside it, and a disabled control is drawn disabled whatever its colours.
TEST_F(ControlsTest, AColourStaysOnItsControlAndDisabledLooksDisabled) {
    const QPalette& app = QApplication::palette();
    auto* frame = new Frame(window.get(), "fraDetails");
    auto* txt = new TextBox(frame, "txtOutCue");
    auto* chk = new CheckBox(frame, "chkLoopJump", "Jump");
    for (OleColour back : {syscolour::ButtonFace, OleColour{0x0000FF}}) {
        SetBackColor(frame, back);
        EXPECT_EQ(BackColor(frame), back);
        EXPECT_EQ(frame->palette().color(QPalette::Window), ToQColor(back));
        EXPECT_EQ(txt->palette().color(QPalette::Active, QPalette::Base), app.color(QPalette::Active, QPalette::Base));
        EXPECT_EQ(chk->palette().color(QPalette::Active, QPalette::Base), app.color(QPalette::Active, QPalette::Base));
    }
    // System colours per colour group: a window-coloured box is white while enabled and the
    // style's disabled field once disabled.
    SetBackColor(txt, syscolour::Window);
    SetForeColor(txt, syscolour::WindowText);
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        EXPECT_EQ(txt->palette().color(g, QPalette::Base), app.color(g, QPalette::Base)) << g;
        EXPECT_EQ(txt->palette().color(g, QPalette::Text), app.color(g, QPalette::Text)) << g;
    }
    // A colour of the control's own: the text keeps the style's disabled grey.
    SetForeColor(txt, 0x602000);
    EXPECT_EQ(ForeColor(txt), 0x602000u);
    EXPECT_EQ(txt->palette().color(QPalette::Active, QPalette::Text), ToQColor(0x602000));
    EXPECT_EQ(txt->palette().color(QPalette::Disabled, QPalette::Text), app.color(QPalette::Disabled, QPalette::Text));
    SetBackColor(txt, 0xD0F0FF);
    EXPECT_EQ(txt->palette().color(QPalette::Disabled, QPalette::Base), ToQColor(0xD0F0FF)) << "the field keeps it";
}

// A graphical option button is a face with its picture over its caption, held down while on;
// the whole face takes the click, and the group stays exclusive.
TEST_F(ControlsTest, GraphicalOptionButtonsAreFacesHeldDownWhileOn) {
    auto* a = new OptionButton(window.get(), "optEnd(0)", "&Not Spec.");
    auto* b = new OptionButton(window.get(), "optEnd(1)", "S&low Fade");
    QPixmap picture(16, 16);
    picture.fill(Qt::darkGreen);
    for (OptionButton* o : {a, b}) {
        o->SetButtonStyle(OptionButton::Graphical);
        o->setIcon(QIcon(picture));
        o->setIconSize(QSize(16, 16));
    }
    EXPECT_EQ(a->ButtonStyle(), OptionButton::Graphical);
    const QSize hint = b->sizeHint();
    EXPECT_GE(hint.width(), b->fontMetrics().size(Qt::TextShowMnemonic, b->text()).width() + 8);
    EXPECT_GE(hint.height(), 16 + b->fontMetrics().height() + 8);
    Move(a, 0, 0, 1200, 660);
    Move(b, 1260, 0, 1200, 660);
    window->resize(300, 100);
    window->show();
    int clicks = 0;
    QObject::connect(b, &OptionButton::Click, [&] { ++clicks; });
    // A corner of the face, far from where a round indicator would be.
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(b->width() - 3, b->height() - 3));
    EXPECT_TRUE(b->Value());
    EXPECT_EQ(clicks, 1);
    const QImage down = b->grab().toImage();
    QTest::mouseClick(a, Qt::LeftButton, {}, QPoint(a->width() - 3, 3));
    EXPECT_TRUE(a->Value());
    EXPECT_FALSE(b->Value());
    EXPECT_NE(b->grab().toImage(), down) << "up looks other than down";
}

// An entry may show another text than its own: the list draws the shown one, and List, Text
// and SetText keep the entry's text.
TEST_F(ControlsTest, AListEntryShowsItsShownTextAndKeepsItsOwn) {
    auto* combo = new ComboBox(window.get(), "comboCategory");
    combo->AddItem("<Any>   |ALL");
    combo->AddItem("Beds   |BED|BEDS");
    combo->SetShownText(1, "Beds");
    combo->SetShownText(5, "nothing there");
    EXPECT_EQ(combo->itemText(1), "Beds");
    EXPECT_EQ(combo->List(1), "Beds   |BED|BEDS");
    EXPECT_EQ(combo->List(0), "<Any>   |ALL");
    combo->SetText("beds   |bed|beds"); // as the platform's list: without regard to case
    EXPECT_EQ(combo->ListIndex(), 1);
    EXPECT_EQ(combo->Text(), "Beds   |BED|BEDS");
    combo->SetShownText(1, "Beds and music");
    EXPECT_EQ(combo->List(1), "Beds   |BED|BEDS") << "shown twice, the entry's text stays";
    combo->SetText("<Any>   |ALL");
    EXPECT_EQ(combo->ListIndex(), 0);
}

// Written from code, a box too narrow for its text shows how the text begins; typed into, it
// keeps the cursor where the typing left it.
TEST_F(ControlsTest, ABoxWrittenFromCodeShowsTheStartOfItsText) {
    auto* txt = new TextBox(window.get(), "txtOutCue");
    Move(txt, 0, 0, 900, 315);
    txt->SetText("...your morning station, the best mix");
    EXPECT_EQ(txt->cursorPosition(), 0);
    window->show();
    txt->setFocus();
    QTest::keyClick(txt, Qt::Key_End);
    QTest::keyClicks(txt, "!");
    EXPECT_EQ(txt->Text(), "...your morning station, the best mix!");
    EXPECT_EQ(txt->cursorPosition(), static_cast<int>(txt->text().size()));
}

TEST_F(ControlsTest, MaxLengthLimitsTypingOnly) {
    window->show();
    auto* txt = new TextBox(window.get(), "Text1");
    txt->show();
    txt->SetText("longer than five");
    txt->SetMaxLength(5);
    EXPECT_EQ(txt->Text(), "longer than five") << "text already there stays in full";
    txt->SetText("");
    QTest::keyClicks(txt, "abcdefgh");
    EXPECT_EQ(txt->Text(), "abcde");
    txt->SetMaxLength(0);
    QTest::keyClicks(txt, "fg");
    EXPECT_EQ(txt->Text(), "abcdefg");

    txt->SetSelStart(2);
    txt->SetSelLength(3);
    EXPECT_EQ(txt->SelText(), "cde");
    EXPECT_EQ(txt->SelStart(), 2);
    EXPECT_EQ(txt->SelLength(), 3);

    auto* area = new TextArea(window.get(), "txtNotes");
    area->show();
    int changes = 0;
    QObject::connect(area, &TextArea::Change, [&] { ++changes; });
    area->SetMaxLength(3);
    QTest::keyClicks(area, "wxyz");
    EXPECT_EQ(area->Text(), "wxy");
    area->SetText("wxy");
    EXPECT_EQ(changes, 3);
}

TEST_F(ControlsTest, TextBoxKeyEventsCanConsumeOrChange) {
    window->show();
    auto* txt = new TextBox(window.get(), "txtSchedulerID");
    txt->show();
    QObject::connect(txt, &TextBox::KeyPress, [](int& k) {
        if (k == 'x') k = 0;            // refused
        else if (k == 'a') k = 'A';     // changed
    });
    QTest::keyClicks(txt, "axb");
    EXPECT_EQ(txt->Text(), "Ab");

    // KeyDown speaks the form's virtual-key codes and shift mask.
    std::vector<std::pair<int, int>> downs;
    QObject::connect(txt, &TextBox::KeyDown, [&](int& code, int shift) {
        downs.emplace_back(code, shift);
        if (code == vk::Delete) code = 0; // consumed
    });
    txt->SetSelStart(0);
    QTest::keyClick(txt, Qt::Key_Delete);
    EXPECT_EQ(txt->Text(), "Ab");
    QTest::keyClick(txt, Qt::Key_Return);
    QTest::keyClick(txt, Qt::Key_Period, Qt::ShiftModifier | Qt::ControlModifier);
    EXPECT_EQ(downs, (std::vector<std::pair<int, int>>{
                         {vk::Delete, 0}, {vk::Return, 0}, {vk::Shift, ShiftMask}, // the modifiers come first
                         {vk::Control, ShiftMask | CtrlMask}, {vk::OemPeriod, ShiftMask | CtrlMask}}));
}

TEST_F(ControlsTest, TimerRunsOnlyWhileEnabledWithInterval) {
    Timer t(nullptr, "tmrunload", 0);
    int ticks = 0;
    QObject::connect(&t, &Timer::Tick, [&] { ++ticks; });
    QTest::qWait(30);
    EXPECT_EQ(ticks, 0);
    t.SetInterval(5);
    t.SetEnabled(false);
    QTest::qWait(30);
    EXPECT_EQ(ticks, 0);
    t.SetEnabled(true);
    for (int i = 0; i < 200 && ticks == 0; ++i) QTest::qWait(10);
    EXPECT_GT(ticks, 0);
    t.SetEnabled(false);
    EXPECT_FALSE(t.Enabled());
    EXPECT_EQ(t.Interval(), 5);
}

} // namespace
