// Keys in lists and multi-line boxes: the combo box's KeyPress and LostFocus, type-ahead in
// combo and list boxes, the multi-line box's KeyPress and KeyDown.
#include "platform/ui/Controls.h"
#include "platform/ui/Form.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFocusEvent>
#include <QTest>
#include <QWidget>

#include <memory>
#include <vector>

using namespace platform::ui;

namespace {

struct Host {
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    Host() {
        window->resize(400, 300);
        window->show();
        QApplication::processEvents();
    }
};

} // namespace

TEST(ListKeysTest, ComboKeyPressFiltersReplacesAndSwallowsKeys) {
    Host h;
    auto* combo = new ComboBox(h.window.get(), "comboLine");
    for (const char* t : {"<N/A>", "1 Studio", "2 News", "21 Sport"}) combo->AddItem(t);
    combo->SetListIndex(0);
    std::vector<int> seen;
    QObject::connect(combo, &ComboBox::KeyPress, [&](int& k) {
        seen.push_back(k);
        if (k == 'x') k = 0;        // swallowed
        else if (k == 'n') k = '2'; // replaced
    });
    combo->setFocus();
    QTest::keyClick(combo, 'x');
    EXPECT_EQ(combo->ListIndex(), 0);
    QTest::keyClick(combo, 'n');
    EXPECT_EQ(combo->ListIndex(), 2) << "the replaced key reaches the list's own search";
    EXPECT_EQ(seen, (std::vector<int>{'x', 'n'}));
}

TEST(ListKeysTest, TypeAheadChoosesByPrefixAndStepsOnARepeatedKey) {
    Host h;
    auto* combo = new ComboBox(h.window.get(), "comboLine");
    for (const char* t : {"<N/A>", "1 Studio", "2 News", "21 Sport", "22 Traffic"}) combo->AddItem(t);
    combo->SetListIndex(0);
    EXPECT_EQ(TypeAhead(combo, '2', true), 0);
    EXPECT_EQ(combo->ListIndex(), 2);
    EXPECT_EQ(TypeAhead(combo, '2', true), 0) << "a repeated first key moves to the next entry";
    EXPECT_EQ(combo->ListIndex(), 3);
    combo->setProperty("bvrTypeAheadAt", 0); // more than a second later: a new search
    EXPECT_EQ(TypeAhead(combo, '1', true), 0);
    EXPECT_EQ(combo->ListIndex(), 1);
    EXPECT_EQ(TypeAhead(combo, 'z', false), 'z') << "without the search flag the key is handed back";
    EXPECT_EQ(TypeAhead(combo, 8, true), 8) << "control keys are not searched";

    auto* list = new ListBox(h.window.get(), "listLastPlays");
    for (const char* t : {"alpha", "Beta", "bravo"}) list->AddItem(t);
    EXPECT_EQ(TypeAhead(list, 'b', true), 0);
    EXPECT_EQ(list->ListIndex(), 1);
    EXPECT_EQ(TypeAhead(list, 'r', true), 0);
    EXPECT_EQ(list->ListIndex(), 2) << "\"br\" no longer fits Beta";
}

TEST(ListKeysTest, ComboLostFocusIsNotRaisedByItsOwnDropDown) {
    Host h;
    auto* combo = new ComboBox(h.window.get(), "comboLine");
    combo->AddItem("one");
    int lost = 0;
    QObject::connect(combo, &ComboBox::LostFocus, [&] { ++lost; });
    QFocusEvent popup(QEvent::FocusOut, Qt::PopupFocusReason);
    QApplication::sendEvent(combo, &popup);
    EXPECT_EQ(lost, 0);
    QFocusEvent tab(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(combo, &tab);
    EXPECT_EQ(lost, 1);
}

TEST(ListKeysTest, TextAreaKeyPressAndKeyDown) {
    Host h;
    auto* area = new TextArea(h.window.get(), "txtNotes");
    area->resize(300, 100);
    std::vector<int> downs;
    QObject::connect(area, &TextArea::KeyPress, [](int& k) {
        if (k == '<' || k == '>') k = 0;
        else if (k == 'a') k = 'A';
    });
    QObject::connect(area, &TextArea::KeyDown, [&](int& code, int) {
        downs.push_back(code);
        if (code == vk::Delete) code = 0;
    });
    area->setFocus();
    QTest::keyClicks(area, "<a>b");
    EXPECT_EQ(area->Text(), "Ab");
    QTest::keyClick(area, Qt::Key_Home);
    QTest::keyClick(area, Qt::Key_Delete);
    EXPECT_EQ(area->Text(), "Ab") << "a consumed key code does not reach the box";
    QTest::keyClick(area, Qt::Key_Return);
    EXPECT_EQ(area->Text(), "\nAb");
    EXPECT_FALSE(downs.empty());

    area->SetMaxLength(3);
    QTest::keyClick(area, Qt::Key_End);
    QTest::keyClicks(area, "cd");
    EXPECT_EQ(area->Text(), "\nAb") << "the length limit still holds for replaced and typed keys";
}
