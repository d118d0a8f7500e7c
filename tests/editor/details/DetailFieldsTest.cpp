// The detail fields: what each box stores, the text the file cannot hold, limits, end types,
// colours, the two lists, the Copy buttons, the copyright panel's layout, hardware lines,
// input while loading, pictures and last plays.
#include "editor/support/EditorWindowFixture.h"

#include "platform/base/Codepage.h"
#include "platform/base/DateTime.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QTest>

using namespace lumoedit;
using editortest::DetailsTest;
using Item = rozuzezer::cHardDiskItem;
using platform::ui::TextArea;
using platform::ui::TextBox;

namespace {

struct Box {
    const char* name;
    std::string (*field)(const Item&);
    bool tag; // kept in the cart's tag text
};

const Box kTextBoxes[] = {
    {"txtDescription_1", [](const Item& i) { return i.ItemTitle; }, false},
    {"txtDescription_2", [](const Item& i) { return i.ArtistName(1); }, false},
    {"txtDescription_3", [](const Item& i) { return i.Description(1); }, false},
    {"txtOutCue", [](const Item& i) { return i.OutCue; }, false},
    {"txtClient", [](const Item& i) { return i.Client; }, false},
    {"txtOriginator", [](const Item& i) { return i.Originator; }, false},
    {"txtSchedulerID", [](const Item& i) { return i.SchedulerReference; }, false},
    {"txtProductTitle", [](const Item& i) { return i.CopyrightProductTitle; }, true},
    {"txtMusicTitle", [](const Item& i) { return i.CopyrightMusicTitle; }, true},
    {"txtComposer", [](const Item& i) { return i.CopyrightComposer; }, true},
    {"txtPublisher", [](const Item& i) { return i.CopyrightPublisher; }, true},
    {"txtRecordNumber", [](const Item& i) { return i.CopyrightRecordNumber; }, true},
    {"txtPerformer", [](const Item& i) { return i.CopyrightPerformer; }, true},
    {"txtRecordLabel", [](const Item& i) { return i.CopyrightRecordLabel; }, true},
    {"txtRightsManagementRef", [](const Item& i) { return i.RightsManagementReference; }, true},
    {"txtArtistWebLink", [](const Item& i) { return i.ArtistURL; }, false},
    {"txtOnlineStoreRef", [](const Item& i) { return i.OnlineStoreReference; }, true},
    {"txtWebNotes", [](const Item& i) { return i.WebNotes; }, true},
    {"txtDAB", [](const Item& i) { return i.DABNotes; }, true},
    {"txtNotes", [](const Item& i) { return i.Notes; }, true},
};

void Write(QWidget* w, const std::string& text) {
    if (auto* t = qobject_cast<TextBox*>(w)) t->SetText(text);
    else if (auto* a = qobject_cast<TextArea*>(w)) a->SetText(text);
}

std::string Read(QWidget* w) {
    if (auto* t = qobject_cast<TextBox*>(w)) return t->Text();
    if (auto* a = qobject_cast<TextArea*>(w)) return a->Text();
    return {};
}

bool MultiLine(QWidget* w) { return qobject_cast<TextArea*>(w) != nullptr; }

// What any text box of the window shows, the masked time boxes included.
QString BoxText(QWidget* w) {
    if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
    if (auto* a = qobject_cast<QPlainTextEdit*>(w)) return a->toPlainText();
    return {};
}

} // namespace

TEST_F(DetailsTest, EveryBoxStoresItsTrimmedTextAndMarksTheEdit) {
    editor->ClearDetails(2);
    for (const Box& b : kTextBoxes) {
        SCOPED_TRACE(b.name);
        auto* w = editor->findChild<QWidget*>(b.name);
        ASSERT_NE(w, nullptr);
        editor->bEdited_ = false;
        Write(w, "  Drive time  ");
        EXPECT_EQ(b.field(*editor->cAudioInformation), "Drive time");
        EXPECT_EQ(Read(w), "  Drive time  ") << "the box keeps what was typed";
        EXPECT_TRUE(editor->bEdited());
    }
    // While the window fills its controls nothing is stored.
    editor->ClearDetails(2);
    {
        platform::ui::ScopedFlag loading(editor->bLoadingInfo);
        for (const Box& b : kTextBoxes) Write(editor->findChild<QWidget*>(b.name), "filled");
    }
    for (const Box& b : kTextBoxes) EXPECT_EQ(b.field(*editor->cAudioInformation), "") << b.name;
    EXPECT_FALSE(editor->bEdited());
}

TEST_F(DetailsTest, TagFieldsLoseAngleBracketsHoweverTheTextArrives) {
    editor->ClearDetails(2);
    for (const Box& b : kTextBoxes) {
        if (!b.tag) continue;
        SCOPED_TRACE(b.name);
        auto* w = editor->findChild<QWidget*>(b.name);
        Write(w, "a<NOTES>b</NOTES>c");
        EXPECT_EQ(Read(w), "aNOTESb/NOTESc");
        EXPECT_EQ(b.field(*editor->cAudioInformation), "aNOTESb/NOTESc");
    }
    // Typed: refused at the key, as before. Pasted: removed from the pasted text.
    editor->txtDAB->SetText("");
    editor->txtDAB->setFocus();
    QTest::keyClicks(editor->txtDAB, "x<y>z");
    EXPECT_EQ(editor->txtDAB->Text(), "xyz");
    QApplication::clipboard()->setText("<DLS>pasted</DLS>");
    editor->txtComposer->SetText("");
    editor->txtComposer->setFocus();
    QTest::keyClick(editor->txtComposer, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(editor->txtComposer->Text(), "DLSpasted/DLS");
    EXPECT_EQ(editor->cAudioInformation->CopyrightComposer, "DLSpasted/DLS");
    // A field that is not a tag keeps them.
    editor->txtDescription[1]->SetText("<Jingle>");
    EXPECT_EQ(editor->cAudioInformation->ItemTitle, "<Jingle>");
}

TEST_F(DetailsTest, LengthLimitsHoldForTypingAndPasting) {
    editor->ClearDetails(2);
    editor->chkLoop->SetValue(1); // the loop count box is usable only then
    struct Limit {
        TextBox* box;
        int most;
    };
    for (const Limit& l : {Limit{editor->txtDescription[1], 50}, Limit{editor->txtDescription[2], 50},
                           Limit{editor->txtDescription[3], 50}, Limit{editor->txtOutCue, 64},
                           Limit{editor->txtClient, 64}, Limit{editor->txtOriginator, 32},
                           Limit{editor->txtSchedulerID, 64}, Limit{editor->txtMaxLoop, 3},
                           Limit{editor->txtArtistWebLink, 1024}}) {
        SCOPED_TRACE(l.box->objectName().toStdString());
        EXPECT_EQ(l.box->MaxLength(), l.most);
        l.box->SetText("");
        l.box->setFocus();
        QApplication::clipboard()->setText(QString(l.most + 40, QLatin1Char('7')));
        QTest::keyClick(l.box, Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(l.box->Text().size(), static_cast<std::size_t>(l.most));
        QTest::keyClick(l.box, '8');
        EXPECT_EQ(l.box->Text().size(), static_cast<std::size_t>(l.most));
    }
}

// A click or Tab into a box selects its text, so what is typed replaces it; the focus coming
// back with the window (another program or a dialog was active) or from a closed menu leaves
// the caret where the user left it. The notes boxes never select.
TEST_F(DetailsTest, BoxesSelectTheirTextOnlyForAFocusMoveInsideTheWindow) {
    editor->ClearDetails(2);
    editor->chkLoop->SetValue(1);
    editor->chkMaxLoop->SetValue(1);
    editor->chkAirStart->SetValue(1);
    editor->chkAirEnd->SetValue(1);
    auto selection = [](QWidget* w) {
        if (auto* e = qobject_cast<QLineEdit*>(w))
            return std::pair{e->hasSelectedText() ? e->selectionStart() : e->cursorPosition(),
                             static_cast<int>(e->selectedText().size())};
        const QTextCursor c = qobject_cast<QPlainTextEdit*>(w)->textCursor();
        return std::pair{c.selectionStart(), c.selectionEnd() - c.selectionStart()};
    };
    auto caretAtOne = [](QWidget* w) {
        if (auto* e = qobject_cast<QLineEdit*>(w)) return e->setCursorPosition(1);
        auto* a = qobject_cast<QPlainTextEdit*>(w);
        QTextCursor c = a->textCursor();
        c.setPosition(1);
        a->setTextCursor(c);
    };
    auto focusIn = [](QWidget* w, Qt::FocusReason why) {
        QFocusEvent in(QEvent::FocusIn, why);
        QApplication::sendEvent(w, &in);
    };
    const char* selecting[] = {
        "txtDescription_1", "txtDescription_2", "txtDescription_3", "txtOutCue", "txtClient", "txtOriginator",
        "txtSchedulerID", "txtProductTitle", "txtMusicTitle", "txtComposer", "txtPublisher", "txtRecordNumber",
        "txtPerformer", "txtRecordLabel", "txtRightsManagementRef", "txtMusicDuration", "txtTotalDuration",
        "txtArtistWebLink", "txtOnlineStoreRef", "txtWebNotes", "txtMaxLoop", "txtAirStartDate",
        "txtAirStartHour", "txtAirStartMinutes", "txtAirEndDate", "txtAirEndHour", "txtAirEndMinutes",
        "mtxtIntroStart", "mtxtIntroEnd", "mtxtExtro", "mtxtHookStart", "mtxtHookEnd", "mtxtLoopStart",
        "mtxtLoopEnd"};
    for (const char* name : selecting) {
        SCOPED_TRACE(name);
        QWidget* box = editor->findChild<QWidget*>(name);
        ASSERT_TRUE(box);
        if (Read(box).size() < 2) Write(box, "1234");
        const int length = static_cast<int>(BoxText(box).size());
        ASSERT_GE(length, 2);
        for (Qt::FocusReason back : {Qt::ActiveWindowFocusReason, Qt::PopupFocusReason}) {
            caretAtOne(box);
            focusIn(box, back);
            EXPECT_EQ(selection(box), (std::pair{1, 0})) << "focus reason " << back;
        }
        caretAtOne(box);
        focusIn(box, Qt::MouseFocusReason);
        EXPECT_EQ(selection(box), (std::pair{0, length}));
    }
    for (const char* name : {"txtNotes", "txtDAB"}) {
        SCOPED_TRACE(name);
        QWidget* box = editor->findChild<QWidget*>(name);
        Write(box, "1234");
        caretAtOne(box);
        focusIn(box, Qt::MouseFocusReason);
        EXPECT_EQ(selection(box), (std::pair{1, 0}));
    }
    EXPECT_TRUE(reported.empty()) << reported.front();
}

TEST_F(DetailsTest, DurationsReadTheLeadingNumberAndStayWithinTheirRange) {
    editor->ClearDetails(2);
    struct Case {
        const char* text;
        float seconds;
    };
    for (const Case& c : {Case{"12.5s", 12.5f}, Case{"abc", 0}, Case{"", 0}, Case{"183", 183},
                          Case{"1e39", 3.6e7f}, Case{"1e400", 3.6e7f}, Case{"-5", 0}, Case{"-1e400", 0}}) {
        SCOPED_TRACE(c.text);
        editor->txtMusicDuration->SetText(c.text);
        editor->txtTotalDuration->SetText(c.text);
        EXPECT_EQ(editor->cAudioInformation->CopyrightMusicDuration, c.seconds);
        EXPECT_EQ(editor->cAudioInformation->CopyrightTotalDuration, c.seconds);
    }
    EXPECT_TRUE(reported.empty()) << reported.front();
}

TEST_F(DetailsTest, PastedTextOfEveryKindIsCleanedAndWhatIsSavedReadsBack) {
    const std::string path = ToneFile("bad.wav", 1);
    editor->ClearDetails(2);
    editor->cAudioInformation->LoadFromWAVFile(path, 3);
    // 100,000 characters: Hebrew, a combining accent, tabs, line breaks, NULs and brackets.
    std::string piece = "Shalom \xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D e\xCC\x81t\xC3\xA9\t<x>\r\nline";
    piece += std::string(1, '\0');
    std::string big;
    while (big.size() < 100000) big += piece;
    for (const Box& b : kTextBoxes) Write(editor->findChild<QWidget*>(b.name), big);
    for (const Box& b : kTextBoxes) {
        SCOPED_TRACE(b.name);
        auto* w = editor->findChild<QWidget*>(b.name);
        const std::string stored = b.field(*editor->cAudioInformation);
        EXPECT_EQ(stored.find('\0'), std::string::npos);
        EXPECT_EQ(stored.find('\r'), std::string::npos);
        if (!MultiLine(w)) {
            EXPECT_EQ(stored.find('\n'), std::string::npos);
            EXPECT_EQ(stored.find('\t'), std::string::npos);
        }
        if (b.tag) {
            EXPECT_EQ(stored.find_first_of("<>"), std::string::npos);
        }
        EXPECT_EQ(Read(w).find('\0'), std::string::npos) << "the box shows what is stored";
    }
    std::vector<std::string> before;
    for (const Box& b : kTextBoxes) before.push_back(b.field(*editor->cAudioInformation));
    ASSERT_TRUE(editor->cAudioInformation->SaveToWAVFile(path, 3));
    Item after;
    ASSERT_TRUE(after.LoadFromWAVFile(path, 3));
    for (std::size_t i = 0; i < std::size(kTextBoxes); ++i) {
        const Box& b = kTextBoxes[i];
        SCOPED_TRACE(b.name);
        // The file's texts are Windows-1252: what it cannot hold reads back as "?". The
        // reader trims the fixed fields.
        std::string expected = platform::AnsiToUtf8(platform::Utf8ToAnsi(before[i]));
        if (!b.tag) {
            while (!expected.empty() && expected.back() == ' ') expected.pop_back();
        }
        EXPECT_EQ(b.field(after), expected);
    }
    EXPECT_TRUE(reported.empty()) << reported.front();
}

TEST_F(DetailsTest, EndTypeButtonsStoreTheirCodeEvenWhileLoading) {
    editor->ClearDetails(2);
    struct Case {
        platform::ui::OptionButton* button;
        std::int32_t code;
    };
    for (const Case& c : {Case{editor->optAudioEnds, 1}, Case{editor->optAudioFades, 2}, Case{editor->optAudioSustain, 4},
                          Case{editor->optAudioSlowFade, 8}, Case{editor->optAudioEndNotSpecified, 0}}) {
        editor->bEdited_ = false;
        c.button->SetValue(true);
        EXPECT_EQ(editor->cAudioInformation->EndType, c.code);
        EXPECT_TRUE(editor->bEdited());
    }
    editor->bEdited_ = false;
    {
        platform::ui::ScopedFlag loading(editor->bLoadingInfo);
        editor->optAudioFades->SetValue(true);
    }
    EXPECT_EQ(editor->cAudioInformation->EndType, 2);
    EXPECT_FALSE(editor->bEdited());
}

TEST_F(DetailsTest, CustomColoursFromTheColourDialog) {
    editor->ClearDetails(2);
    auto& item = *editor->cAudioInformation;
    editor->chkCustomColours->SetValue(1);
    EXPECT_TRUE(editor->cmdChangeBackgroundColour->isEnabled());
    // A colour from one of the dialog's custom slots.
    dialogs->AnswerColour(0x00336699);
    editor->cmdChangeBackgroundColour_Click();
    ASSERT_FALSE(dialogs->colourRequests.empty());
    EXPECT_EQ(dialogs->colourRequests.back().colour, platform::ui::syscolour::ButtonFace)
        << "preselected: the box's colour, the new item's own";
    EXPECT_EQ(item.BackColour, 0x00336699);
    for (int i = 1; i <= 3; ++i) EXPECT_EQ(platform::ui::BackColor(editor->txtDescription[i]), 0x00336699u);
    dialogs->AnswerColour(0x00FFFFFF);
    editor->cmdChangeForegroundColour_Click();
    EXPECT_EQ(item.TextColour, 0x00FFFFFF);
    EXPECT_EQ(platform::ui::ForeColor(editor->txtDescription[3]), 0x00FFFFFFu);

    // Cancel changes nothing and marks nothing.
    editor->bEdited_ = false;
    editor->cmdChangeBackgroundColour_Click(); // nothing scripted: cancelled
    EXPECT_EQ(item.BackColour, 0x00336699);
    EXPECT_FALSE(editor->bEdited());
    EXPECT_TRUE(reported.empty());

    // Unticking shows the system colours; the item keeps its own.
    editor->chkCustomColours->SetValue(0);
    EXPECT_EQ(platform::ui::BackColor(editor->txtDescription[1]), platform::ui::syscolour::Window);
    EXPECT_EQ(platform::ui::ForeColor(editor->txtDescription[1]), platform::ui::syscolour::WindowText);
    EXPECT_FALSE(editor->cmdChangeForegroundColour->isEnabled());
    EXPECT_EQ(item.BackColour, 0x00336699);

    // Saved and read back as the colour tags.
    const std::string path = ToneFile("colours.wav", 1);
    ASSERT_TRUE(item.SaveToWAVFile(path, 3));
    Item after;
    ASSERT_TRUE(after.LoadFromWAVFile(path, 3));
    EXPECT_EQ(after.BackColour, 0x00336699);
    EXPECT_EQ(after.TextColour, 0x00FFFFFF);
}

TEST_F(DetailsTest, CategoryAndCopyrightCodeStoreTheirCodes) {
    editor->ClearDetails(2);
    auto& item = *editor->cAudioInformation;
    auto choose = [&](platform::ui::ComboBox* list, const std::string& name) {
        for (int i = 0; i < list->ListCount(); ++i)
            if (list->List(i).rfind(name, 0) == 0) {
                list->SetListIndex(i);
                return;
            }
        FAIL() << name;
    };
    struct Case {
        const char* row;
        const char* code;
    };
    for (const Case& c : {Case{"Beds", "BED"}, Case{"Spots", "SPOT"}, Case{"Sound Effects", "SND"},
                          Case{"Temporary", "TMP"}, Case{"<Any>", "ALL"}}) {
        choose(editor->comboCategory, c.row);
        EXPECT_EQ(item.Category, c.code) << c.row;
    }
    for (const Case& c : {Case{"C - Commercial", "C"}, Case{"S - Station Ident", "S"}, Case{"<Not Specified>", "<"}}) {
        choose(editor->listCopyrightCode, c.row);
        EXPECT_EQ(item.CopyrightCode, c.code) << c.row;
    }
    editor->bEdited_ = false;
    {
        platform::ui::ScopedFlag loading(editor->bLoadingInfo);
        choose(editor->comboCategory, "Music");
        choose(editor->listCopyrightCode, "D - Disc");
    }
    EXPECT_EQ(item.Category, "ALL");
    EXPECT_EQ(item.CopyrightCode, "<");
    EXPECT_FALSE(editor->bEdited());
}

// The list draws each category's name, not its codes, and drops down no wider than the names
// need; each entry's text is still the whole row, which choosing and showing an item read.
TEST_F(DetailsTest, TheCategoryListShowsTheNamesAndKeepsTheRows) {
    auto* list = editor->comboCategory;
    int widest = 0;
    for (int i = 0; i < list->ListCount(); ++i) {
        const QString shown = list->itemText(i);
        const std::string row = list->List(i);
        SCOPED_TRACE(row.substr(0, row.find(' ')));
        EXPECT_FALSE(shown.contains('|'));
        EXPECT_EQ(shown.trimmed(), shown);
        EXPECT_EQ(row.rfind(shown.toStdString(), 0), 0u) << "the name begins the row";
        EXPECT_NE(row.find('|'), std::string::npos) << "the codes stay in the row";
        const std::string name = row.substr(0, row.find("  "));
        widest = std::max(widest, list->fontMetrics().horizontalAdvance(QString::fromStdString(name)));
    }
    EXPECT_EQ(list->itemText(9), "Jingles");
    EXPECT_EQ(list->List(9), "Jingles" + std::string(1000, ' ') + "|JIN|JING");
    list->showPopup();
    QApplication::processEvents();
    const QWidget* popup = list->view()->window();
    EXPECT_TRUE(popup->isVisible());
    EXPECT_LE(popup->width(), std::max(list->width(), widest + 80));
    list->hidePopup();

    // Choosing by the row's text, and the text read back, are the whole row.
    list->SetText(list->List(9));
    EXPECT_EQ(list->ListIndex(), 9);
    EXPECT_EQ(list->Text(), list->List(9));
    EXPECT_EQ(editor->cAudioInformation->Category, "JIN");
    editor->bEdited_ = false;
}

TEST_F(DetailsTest, CopyButtonsFillTheCopyrightBoxes) {
    editor->ClearDetails(2);
    editor->txtDescription[1]->SetText("  Morning Theme ");
    editor->cmdCopyProductTitle->click();
    editor->cmdCopyMusicTitle->click();
    EXPECT_EQ(editor->txtProductTitle->Text(), "Morning Theme");
    EXPECT_EQ(editor->cAudioInformation->CopyrightMusicTitle, "Morning Theme");

    struct Case {
        const char* artist;
        const char* description;
        const char* performer;
    };
    for (const Case& c : {Case{"The Band", "Live", "The Band / Live"}, Case{"", " Live ", "Live"},
                          Case{"The Band", "", "The Band"}, Case{" ", "", "unchanged"}}) {
        editor->txtPerformer->SetText("unchanged");
        editor->txtDescription[2]->SetText(c.artist);
        editor->txtDescription[3]->SetText(c.description);
        editor->cmdCopyPerformer->click();
        EXPECT_EQ(editor->txtPerformer->Text(), c.performer);
        EXPECT_EQ(editor->cAudioInformation->CopyrightPerformer, c.performer);
    }
    editor->cAudioInformation->TotalLength = 183.7f;
    editor->cmdCopyTotalDuration->click();
    EXPECT_EQ(editor->txtTotalDuration->Text(), "183");
    EXPECT_EQ(editor->cAudioInformation->CopyrightTotalDuration, 183.0f);
}

TEST_F(DetailsTest, TheCopyrightPanelPutsTheCopyButtonsAgainstItsRightEdge) {
    using platform::ui::Left;
    using platform::ui::SetWidth;
    using platform::ui::Width;
    editor->tbsCartDetails->SetTab(2);
    QApplication::processEvents();
    auto* panel = editor->picCopyright1;
    SetWidth(panel, 3999);
    const double left = Left(editor->cmdCopyPerformer), width = Width(editor->txtPerformer);
    editor->picCopyright1_Resize();
    EXPECT_EQ(Left(editor->cmdCopyPerformer), left);
    EXPECT_EQ(Width(editor->txtPerformer), width);
    for (double w : {4005.0, 9000.0}) {
        SetWidth(panel, w);
        editor->picCopyright1_Resize();
        const double inner = Width(panel);
        for (auto [button, box] : {std::pair{editor->cmdCopyProductTitle, editor->txtProductTitle},
                                   std::pair{editor->cmdCopyMusicTitle, editor->txtMusicTitle},
                                   std::pair{editor->cmdCopyPerformer, editor->txtPerformer}}) {
            EXPECT_NEAR(Left(button) + Width(button), inner, 15) << w;
            EXPECT_NEAR(Left(box) + Width(box) + 60, Left(button), 15) << w;
        }
        for (auto* box : {editor->txtComposer, editor->txtPublisher, editor->txtRecordNumber, editor->txtRecordLabel,
                          editor->txtRightsManagementRef})
            EXPECT_NEAR(Left(box) + Width(box), inner, 15) << w;
    }
}

TEST_F(DetailsTest, EscInTheTitleBoxClosesTheWindowAfterTheSaveQuestion) {
    editor->txtDescription[1]->SetText("Changed");
    ASSERT_TRUE(editor->bEdited());
    boxes->Answer(platform::MsgResult::Cancel);
    editor->txtDescription[1]->setFocus();
    QTest::keyClick(editor->txtDescription[1], Qt::Key_Escape);
    EXPECT_TRUE(editor->IsLoaded()) << "Cancel keeps it open";
    ASSERT_FALSE(Texts().empty());
    EXPECT_NE(Texts().back().find("Do you want to save the changes"), std::string::npos);
    boxes->Answer(platform::MsgResult::No);
    QTest::keyClick(editor->txtDescription[1], Qt::Key_Escape);
    EXPECT_FALSE(editor->IsLoaded());
}

TEST_F(DetailsTest, HardwareLinesOfferOnlyNoLineAndMarkTheEdit) {
    using platform::ui::ComboBox;
    const std::pair<ComboBox*, ComboBox*> pairs[] = {
        {editor->comboIntroStartHWLine, editor->comboIntroStartHWType},
        {editor->comboIntroEndHWLine, editor->comboIntroEndHWType},
        {editor->comboExtroHWLine, editor->comboExtroHWType},
        {editor->comboHookStartHWLine, editor->comboHookStartHWType},
        {editor->comboHookEndHWLine, editor->comboHookEndHWType}};
    for (const auto& [line, type] : pairs) {
        ASSERT_EQ(line->ListCount(), 1);
        EXPECT_EQ(line->List(0), "<N/A>");
        EXPECT_EQ(line->ListIndex(), 0);
        ASSERT_EQ(type->ListCount(), 4);
        EXPECT_EQ(type->List(3), "Pulse");
        EXPECT_EQ(type->ListIndex(), 0);
        EXPECT_FALSE(type->isEnabled());
        EXPECT_EQ(platform::ui::BackColor(type), platform::ui::syscolour::ButtonFace);
        // A digit goes through the filter and the type-ahead and marks the edit; a letter is
        // swallowed by the filter.
        editor->bEdited_ = false;
        line->setFocus();
        QTest::keyClick(line, 'a');
        EXPECT_FALSE(editor->bEdited());
        QTest::keyClick(line, '1');
        EXPECT_TRUE(editor->bEdited());
        EXPECT_EQ(line->ListIndex(), 0);
        EXPECT_FALSE(type->isEnabled());
    }
    // No stored value names a line, and no line has a name: the module's stand-ins for a
    // source of hardware lines leave the action type as it was.
    for (const std::int16_t value : {std::int16_t{0}, std::int16_t{5}, std::int16_t{-1}, std::int16_t{32767}}) {
        std::int32_t action = 3;
        EXPECT_FALSE(DecodeHardwareLine(value, 0, action)) << value;
        EXPECT_EQ(action, 3);
    }
    std::int32_t lineNumber = 101;
    EXPECT_EQ(GetHardwareLineName(lineNumber).Name, "");
    // An item's stored value shows as no line whatever it is; the value stays in the item.
    editor->cAudioInformation->ExtroHW = 5;
    editor->SelectComboByItemData(5, editor->comboExtroHWLine, editor->comboExtroHWType);
    EXPECT_EQ(editor->comboExtroHWLine->Text(), "<N/A>");
    EXPECT_EQ(editor->comboExtroHWType->Text(), "Clear");
    EXPECT_EQ(editor->cAudioInformation->ExtroHW, 5);
    editor->bEdited_ = false;
    emit editor->comboHookEndHWType->Click();
    EXPECT_TRUE(editor->bEdited());
}

TEST_F(DetailsTest, InputWhileTheWindowLoadsIsNotLetIn) {
    editor->ClearDetails(2);
    {
        platform::ui::ScopedFlag loading(editor->bLoadingInfo);
        editor->txtClient->setFocus();
        QTest::keyClicks(editor->txtClient, "typed while loading");
        QTest::keyClicks(editor->txtNotes, "notes");
    }
    EXPECT_EQ(editor->txtClient->Text(), "") << "nothing shows that would not be stored";
    EXPECT_EQ(editor->txtNotes->Text(), "");
    QTest::keyClicks(editor->txtClient, "after");
    EXPECT_EQ(editor->cAudioInformation->Client, "after");
}

TEST_F(DetailsTest, PicturesAndLastPlaysStayHiddenAndNeedAnItemHost) {
    editor->ClearDetails(2);
    EXPECT_FALSE(editor->pnlImage->isVisibleTo(editor));
    EXPECT_FALSE(editor->pnlPictureDesc->isVisibleTo(editor));
    EXPECT_FALSE(editor->fraLastPlayInformation->isVisibleTo(editor));
    EXPECT_EQ(editor->listLastPlays->ListCount(), 0);
    EXPECT_FALSE(editor->cmdEraseLastPlays->isEnabled());
    // Built with their texts all the same, for a host-driven cart mode.
    EXPECT_EQ(editor->cmdEraseLastPlays->Caption(), "Erase this Last Play Information");
    EXPECT_EQ(editor->pnlEraseLastPlayInfoDesc->Caption(),
              "Erasing the Last Play Information does not affect the Cart Play Logs, only the brief summary "
              "information displayed above.");

    auto& item = *editor->cAudioInformation;
    item.SetLastPlay(1, platform::DateSerial(2026, 3, 4) + 0.5);
    item.SetLastPlayLocation(1, 3);
    item.SetLastPlay(2, platform::DateSerial(2026, 3, 5));
    item.SetLastPlayLocation(2, 0); // no location: not listed
    // Showing the item names each play's location through the item host; without one no
    // location has a name, so nothing is listed and nothing can be erased.
    editor->DisplayDetails(2);
    EXPECT_EQ(editor->listLastPlays->ListCount(), 0);
    EXPECT_FALSE(editor->cmdEraseLastPlays->isEnabled());

    // Without a host every action changes nothing.
    const auto shown = boxes->Shown().size();
    for (void (frmLumoEdit::*action)() : {&frmLumoEdit::cmdClearPic_Click, &frmLumoEdit::cmdImportPicture_Click,
                                          &frmLumoEdit::cmdMovePicUp_Click, &frmLumoEdit::cmdMovePicDown_Click,
                                          &frmLumoEdit::cmdPreviousPicture_Click, &frmLumoEdit::cmdNextPicture_Click,
                                          &frmLumoEdit::cmdEraseLastPlays_Click, &frmLumoEdit::DisplayPictureInfo})
        (editor->*action)();
    EXPECT_EQ(boxes->Shown().size(), shown);
    EXPECT_EQ(item.LastPlayLocation(1), 3);
    EXPECT_TRUE(dialogs->fileRequests.empty());
}
