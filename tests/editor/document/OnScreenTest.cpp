// The editor window on the studios' screens and under the user's hands, offscreen: it fits
// 1366 x 768 and 1920 x 1080 in both description modes, a click gives the waveform the keys
// while a text box keeps its own, the zoom buttons work at once after opening and after a
// zoom to the selection, a zoomed view scrolls, and the status bar names the format a Save
// As wrote. What needs a window manager is in tests/editor/app/ScreenTest.cpp.
#include "editor/support/EditorWindowFixture.h"

#include "platform/ui/Twips.h"

#include <QElapsedTimer>
#include <QMdiArea>
#include <QScrollBar>
#include <QTest>

using namespace editortest;

namespace {

class OnScreenTest : public AudioWindowTest {
protected:
    static QRect In(const QWidget* w, const QWidget* ancestor) { return QRect(w->mapTo(ancestor, QPoint(0, 0)), w->size()); }
    std::pair<std::int64_t, std::int64_t> Visible() const {
        return {editor->ctlEditor->View().VisibleStart(), editor->ctlEditor->View().VisibleEnd()};
    }
    static bool Until(const std::function<bool()>& condition) {
        QElapsedTimer clock;
        clock.start();
        while (!condition() && clock.elapsed() < 2000) QApplication::processEvents(QEventLoop::AllEvents, 10);
        return condition();
    }
};

TEST_F(OnScreenTest, TheWindowFitsBothStudioScreensWithAndWithoutDescriptions) {
    // The main window's minimum is the editor's with the editor's frame around it.
    const double minWidth = main->HWndGrab1->MinWidth(), minHeight = main->HWndGrab1->MinHeight();
    EXPECT_GE(minWidth, 8355);
    EXPECT_LE(minWidth, 8355 + 600) << "no more than a frame's width is added";
    EXPECT_GE(minHeight, 6000);
    EXPECT_LE(minHeight, 6000 + 900) << "no more than a frame's height is added";
    EXPECT_LE(main->minimumWidth(), platform::ui::TwipsToPixelsX(minWidth));
    EXPECT_LE(main->minimumHeight(), platform::ui::TwipsToPixelsY(minHeight));

    struct Screen {
        int width, height;
    };
    for (const Screen s : {Screen{1366, 768}, Screen{1920, 1080}}) {
        main->Move(0, 0, platform::ui::PixelsToTwipsX(s.width), platform::ui::PixelsToTwipsY(s.height));
        for (const bool descriptions : {true, false}) {
            editor->SetDisplayDescriptions(descriptions);
            QApplication::processEvents();
            SCOPED_TRACE(std::to_string(s.width) + "x" + std::to_string(s.height) +
                         (descriptions ? " with descriptions" : " without"));
            EXPECT_EQ(main->frameGeometry().size(), QSize(s.width, s.height));
            const QWidget* viewport = main->MdiArea()->viewport();
            for (const QWidget* bar : {static_cast<QWidget*>(editor->picControls), static_cast<QWidget*>(editor->StatusBar1),
                                       static_cast<QWidget*>(editor->pnlLength)})
                EXPECT_TRUE(viewport->rect().contains(In(bar, viewport))) << bar->objectName().toStdString();
            EXPECT_GE(editor->ctlEditor->height(), 150) << "the waveform keeps a working height";
            EXPECT_LE(In(editor->ctlEditor, viewport).bottom(), In(editor->picControls, viewport).top());
        }
    }
}

TEST_F(OnScreenTest, AClickGivesTheWaveformTheKeysAndATextBoxKeepsItsOwn) {
    Open(30, 2, Tone, [](rozuzezer::cHardDiskItem& item) { item.ItemTitle = "Morning Jingle"; });
    main->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(main.get()));
    auto& wave = editor->ctlEditor->Waveform();
    auto& view = editor->ctlEditor->View();
    auto* title = editor->txtDescription[1];
    const int y = wave.height() / 2;
    QTest::mouseClick(&wave, Qt::LeftButton, {}, QPoint(wave.width() / 8, y));
    EXPECT_EQ(QApplication::focusWidget(), &wave);

    QTest::mousePress(&wave, Qt::LeftButton, {}, QPoint(wave.width() / 4, y));
    QTest::mouseRelease(&wave, Qt::LeftButton, {}, QPoint(wave.width() / 2, y));
    ASSERT_TRUE(editor->AudioSelected());
    const std::int64_t before = view.Length(), selected = view.SelectionEnd() - view.SelectionStart();
    EXPECT_GT(selected, 44100);

    // On the waveform the keys act on the audio.
    QTest::keyClick(&wave, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(view.Length(), before - selected);
    QTest::keyClick(&wave, Qt::Key_End);
    EXPECT_EQ(view.Position(), view.Length());
    QTest::keyClick(&wave, Qt::Key_Home);
    QTest::keyClick(&wave, Qt::Key_Period);
    EXPECT_EQ(view.Position(), view.MsToSamples(1000));
    EXPECT_EQ(title->Text(), "Morning Jingle");
    EXPECT_EQ(QApplication::focusWidget(), &wave);

    // In the title box the same keys act on its text, and the audio stays as it is.
    QTest::mouseClick(title, Qt::LeftButton);
    ASSERT_EQ(QApplication::focusWidget(), title);
    QTest::keyClick(title, Qt::Key_End);
    QTest::keyClick(title, Qt::Key_Period);
    EXPECT_EQ(title->Text(), "Morning Jingle.");
    EXPECT_EQ(view.Position(), view.MsToSamples(1000));
    title->selectAll();
    QTest::keyClick(title, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(title->Text(), "");
    EXPECT_EQ(view.Length(), before - selected);
    EXPECT_TRUE(reported.empty()) << reported.front();
}

// Ctrl+Tab and Ctrl+Shift+Tab step through the four details tabs one at a time, whichever
// control has the keys: the main window's sub-window area and the tab strips leave them to the
// editor.
TEST_F(OnScreenTest, CtrlTabStepsThroughTheDetailsTabsAndBack) {
    main->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(main.get()));
    editor->SetDisplayDescriptions(true);
    editor->tbsCartDetails->SetTab(0);
    editor->tbsTiming->SetTab(0);
    struct Start {
        const char* name;
        QWidget* box;
    };
    for (const Start start : {Start{"title", editor->txtDescription[1]}, Start{"intro box", editor->mtxtIntroStart}}) {
        SCOPED_TRACE(start.name);
        start.box->setFocus(Qt::MouseFocusReason);
        ASSERT_EQ(QApplication::focusWidget(), start.box);
        std::vector<int> tabs;
        for (int i = 0; i < 4; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ControlModifier);
            tabs.push_back(editor->tbsCartDetails->Tab());
        }
        for (int i = 0; i < 4; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
            tabs.push_back(editor->tbsCartDetails->Tab());
        }
        EXPECT_EQ(tabs, (std::vector<int>{1, 2, 3, 0, 3, 2, 1, 0}));
        EXPECT_EQ(editor->tbsTiming->Tab(), 0) << "the timing tabs stay where they were";
        EXPECT_TRUE(editor->IsLoaded());
    }
    EXPECT_TRUE(reported.empty()) << reported.front();
}

TEST_F(OnScreenTest, ZoomWorksAtOnceAfterOpeningAndAfterZoomingToTheSelection) {
    Open(10); // 441,000 samples
    using Range = std::pair<std::int64_t, std::int64_t>;
    QScrollBar& bar = editor->ctlEditor->ScrollBar();
    // No click in the waveform first: each button is there to press.
    EXPECT_TRUE(editor->cmdZoomIn->isEnabled());
    EXPECT_FALSE(editor->cmdZoomFull->isEnabled()) << "the whole file shows";
    EXPECT_TRUE(editor->cmdZoomSelectionStart->isEnabled());
    editor->cmdZoomIn->click();
    EXPECT_EQ(Visible(), Range(110250, 330750));
    EXPECT_TRUE(editor->cmdZoomFull->isEnabled());
    EXPECT_TRUE(editor->cmdZoomOut->isEnabled());
    EXPECT_TRUE(Until([&] { return bar.isVisible(); })) << "a zoomed view has its scroll bar";

    Select(2, 4);
    editor->cmdZoomSelection->click();
    EXPECT_EQ(Visible(), Range(88200, 176400));
    // The selection's length stands above the bar, whose ends stay in reach.
    ASSERT_TRUE(editor->pnlSelection->isVisible());
    const QRect panel(editor->pnlSelection->mapTo(editor, QPoint(0, 0)), editor->pnlSelection->size());
    const QRect scroll(bar.mapTo(editor, QPoint(0, 0)), bar.size());
    EXPECT_FALSE(panel.intersects(scroll));
    struct Press {
        platform::ui::CommandButton* button;
        Range want;
    };
    for (const Press& p : {Press{editor->cmdZoomIn, {110250, 154350}}, Press{editor->cmdZoomOut, {88200, 176400}},
                           Press{editor->cmdZoomSelectionEnd, {154350, 198450}},
                           Press{editor->cmdZoomFull, {0, 441000}}}) {
        EXPECT_TRUE(p.button->isEnabled()) << p.button->objectName().toStdString();
        p.button->click();
        EXPECT_EQ(Visible(), p.want) << p.button->objectName().toStdString();
    }
    EXPECT_FALSE(editor->cmdZoomFull->isEnabled());
    EXPECT_TRUE(editor->cmdZoomIn->isEnabled());
    EXPECT_TRUE(Until([&] { return !bar.isVisible(); }));
    EXPECT_TRUE(reported.empty()) << reported.front();
}

TEST_F(OnScreenTest, SaveAsMp3NamesItsFormatInTheStatusBar) {
    Open(2);
    EXPECT_EQ(editor->StatusPanelText("audioformat"), "  PCM, 44,100 Hz, 16 Bit, Stereo  ");
    helpers::cAudioFormat mp3;
    mp3.SetFormatFamily(4);
    mp3.SetSamplesPerSec(44100);
    mp3.SetChannels(2);
    mp3.SetBitRate(128000);
    lumoedit::Permissions().SetPermission("SAVEMP3", mp3.FormatText(), "");
    // The default list: All Files, MPEG 2, MPEG 3, ...
    dialogs->AnswerFile(dir / "as.mp3", 3);
    ASSERT_TRUE(editor->SaveAsFile("", false));
    const std::string panel = editor->StatusPanelText("audioformat");
    EXPECT_NE(panel.find("MPEG Layer-3"), std::string::npos) << panel;
    EXPECT_EQ(panel.find("PCM"), std::string::npos) << panel;
    EXPECT_EQ(panel, "  " + editor->ctlEditor->AudioFormat().Description() + "  ");
}

} // namespace
