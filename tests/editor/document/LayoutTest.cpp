// The editor window's layout from the first-start size up, offscreen: the transport bar's
// controls side by side, every details tab's controls inside their containers, clear of each
// other and wide enough for their captions; and the look of enabled and disabled controls.
#include "editor/support/EditorWindowFixture.h"

#include "platform/ui/Twips.h"

#include <QAbstractButton>
#include <QPlainTextEdit>

using namespace editortest;
using platform::ui::PixelsToTwipsX;
using platform::ui::PixelsToTwipsY;

namespace {

QRect In(const QWidget* w, const QWidget* ancestor) { return QRect(w->mapTo(ancestor, QPoint(0, 0)), w->size()); }

std::string Name(const QWidget* w) { return w->objectName().toStdString(); }

// A control the window placed (in twips) and shows.
bool Placed(const QObject* o) {
    const auto* w = qobject_cast<const QWidget*>(o);
    return w && w->property("bvr_twips").isValid() && w->isVisible();
}

// Where a label's caption is drawn, in its parent, wrapped as the label wraps it: a word too
// long for the label reaches past it.
QRect CaptionRect(const QLabel* l) {
    const int flags = static_cast<int>(l->alignment()) | Qt::TextShowMnemonic | (l->wordWrap() ? Qt::TextWordWrap : 0);
    return l->fontMetrics().boundingRect(l->contentsRect(), flags, l->text()).translated(l->pos());
}

// Every shown control inside `container`: within it, clear of its shown siblings, its caption
// not cut and a label's caption clear of the next control; then the same inside each.
void ExpectLaidOut(const QWidget* container) {
    std::vector<const QWidget*> shown;
    for (const QObject* o : container->children())
        if (Placed(o)) shown.push_back(static_cast<const QWidget*>(o));
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const QWidget* c = shown[i];
        SCOPED_TRACE(Name(c));
        EXPECT_TRUE(container->rect().contains(c->geometry()))
            << "inside " << Name(container) << ": " << c->geometry().right() << " > " << container->width();
        for (std::size_t j = i + 1; j < shown.size(); ++j)
            EXPECT_FALSE(c->geometry().intersects(shown[j]->geometry())) << "over " << Name(shown[j]);
        if (const auto* l = qobject_cast<const QLabel*>(c); l && !l->text().isEmpty()) {
            EXPECT_TRUE(l->geometry().contains(CaptionRect(l))) << "caption cut";
            const QRect clear = CaptionRect(l).adjusted(0, 0, 3, 0);
            for (const QWidget* other : shown)
                if (other != c) {
                    EXPECT_FALSE(clear.intersects(other->geometry())) << "caption touches " << Name(other);
                }
        }
        if (const auto* b = qobject_cast<const QAbstractButton*>(c); b && !b->text().isEmpty()) {
            const int text = b->fontMetrics().size(Qt::TextShowMnemonic, b->text()).width();
            const bool push = qobject_cast<const QPushButton*>(b);
            EXPECT_LE(push ? text + 8 : b->sizeHint().width(), b->width()) << "caption cut";
        }
        ExpectLaidOut(c);
    }
}

class LayoutTest : public EditorWindowFixture {
protected:
    // The program's first start: no stored position, the main window at its own size.
    void FirstStart() {
        lumoedit::Preferences().SetEditorDisplayDescriptions(true);
        lumoedit::SetProgramCommandLine("");
        main = std::make_unique<lumoedit::frmMain>();
        main->Load();
        QApplication::processEvents();
        editor = dynamic_cast<frmLumoEdit*>(main->Editor());
        ASSERT_NE(editor, nullptr);
    }
    void Size(QSize window) {
        main->Move(0, 0, PixelsToTwipsX(window.width()), PixelsToTwipsY(window.height()));
        QApplication::processEvents();
    }
    // The first start, its client under a window manager's frame, and the usual small screens.
    static constexpr QSize kSizes[] = {{800, 600}, {798, 575}, {1024, 768}, {1366, 768}, {1920, 1080}};
};

TEST_F(LayoutTest, NoControlOfTheTransportBarCoversAnotherFromTheFirstStartUp) {
    FirstStart();
    EXPECT_EQ(main->frameGeometry().size(), QSize(800, 600));
    for (const QSize size : kSizes) {
        if (size != QSize(800, 600)) Size(size);
        SCOPED_TRACE(std::to_string(size.width()) + "x" + std::to_string(size.height()));
        const QWidget* client = editor->ctlEditor->parentWidget();
        std::vector<std::pair<const QWidget*, QRect>> bar;
        for (const QObject* o : editor->picControls->children())
            if (Placed(o)) bar.emplace_back(static_cast<const QWidget*>(o), In(static_cast<const QWidget*>(o), client));
        ASSERT_EQ(bar.size(), 15u) << "six transport keys, three play modes, six zoom keys";
        for (const QWidget* w : {static_cast<const QWidget*>(editor->pnlAudioPosition),
                                 static_cast<const QWidget*>(editor->pnlLength)})
            bar.emplace_back(w, In(w, client));
        for (std::size_t i = 0; i < bar.size(); ++i) {
            const auto& [w, r] = bar[i];
            SCOPED_TRACE(Name(w));
            EXPECT_TRUE(client->rect().contains(r));
            for (std::size_t j = i + 1; j < bar.size(); ++j)
                EXPECT_FALSE(r.intersects(bar[j].second)) << "over " << Name(bar[j].first);
            for (const QWidget* above : {static_cast<const QWidget*>(editor->ctlEditor),
                                         static_cast<const QWidget*>(editor->nctLeftVol),
                                         static_cast<const QWidget*>(editor->nctRightVol),
                                         static_cast<const QWidget*>(editor->StatusBar1)})
                EXPECT_FALSE(r.intersects(In(above, client))) << "over " << Name(above);
        }
        ExpectLaidOut(editor->pnlLength);
        ExpectLaidOut(editor->pnlAudioPosition);
    }
}

TEST_F(LayoutTest, EveryDetailsTabFitsFromTheFirstStartUp) {
    FirstStart();
    for (const QSize size : kSizes) {
        Size(size);
        SCOPED_TRACE(std::to_string(size.width()) + "x" + std::to_string(size.height()));
        for (int tab = 0; tab < 4; ++tab) {
            editor->tbsCartDetails->SetTab(tab);
            for (int timing = 0; timing < (tab == 0 ? 3 : 1); ++timing) {
                editor->tbsTiming->SetTab(timing);
                QApplication::processEvents();
                SCOPED_TRACE("tab " + std::to_string(tab) + ", timing tab " + std::to_string(timing));
                ExpectLaidOut(editor->tbsCartDetails->currentWidget());
                if (tab == 0) ExpectLaidOut(editor->tbsTiming->currentWidget());
            }
        }
        // The boxes that share the row with the timing panel keep room to type in.
        const int room = 12 * editor->txtOutCue->fontMetrics().averageCharWidth();
        for (const QWidget* box : {static_cast<const QWidget*>(editor->txtDescription[1]),
                                   static_cast<const QWidget*>(editor->txtDescription[3]),
                                   static_cast<const QWidget*>(editor->txtOutCue)})
            EXPECT_GE(box->width(), room) << Name(box);
        editor->tbsCartDetails->SetTab(0);
        editor->tbsTiming->SetTab(0);
    }
}

// An enabled control is drawn as the style draws an enabled one, a disabled one as a disabled
// one, whatever colour its container has; the colour properties read back as set.
TEST_F(LayoutTest, EnabledControlsLookEnabledAndDisabledOnesDisabled) {
    FirstStart();
    const QPalette& app = QApplication::palette();
    auto expectLook = [&](const std::string& when) {
        SCOPED_TRACE(when);
        int fields = 0, ticks = 0;
        for (const QWidget* w : editor->tbsCartDetails->findChildren<QWidget*>()) {
            if (!w->property("bvr_twips").isValid()) continue;
            const bool entry = qobject_cast<const QLineEdit*>(w) || qobject_cast<const QPlainTextEdit*>(w);
            const bool tick = (qobject_cast<const QCheckBox*>(w) || qobject_cast<const QRadioButton*>(w)) &&
                              !(qobject_cast<const platform::ui::OptionButton*>(w) &&
                                static_cast<const platform::ui::OptionButton*>(w)->ButtonStyle() ==
                                    platform::ui::OptionButton::Graphical);
            if (!entry && !tick) continue;
            SCOPED_TRACE(Name(w));
            const QPalette& p = w->palette();
            if (!w->isEnabled()) {
                EXPECT_EQ(p.color(QPalette::Disabled, entry ? QPalette::Text : QPalette::WindowText),
                          app.color(QPalette::Disabled, entry ? QPalette::Text : QPalette::WindowText));
                continue;
            }
            entry ? ++fields : ++ticks;
            const platform::ui::OleColour back = platform::ui::BackColor(w);
            // The field of an entry, the indicator of a tick box: white unless given a colour.
            const QColor field = entry && !(back & 0x80000000u) ? platform::ui::ToQColor(back)
                                                                : app.color(QPalette::Active, QPalette::Base);
            EXPECT_EQ(p.color(QPalette::Active, QPalette::Base), field);
            if (entry) {
                EXPECT_NE(back, platform::ui::syscolour::ButtonFace);
            }
            EXPECT_EQ(p.color(QPalette::Active, entry ? QPalette::Text : QPalette::WindowText),
                      app.color(QPalette::Active, entry ? QPalette::Text : QPalette::WindowText));
        }
        EXPECT_GT(fields, 15);
        EXPECT_GT(ticks, 2);
    };
    // A new item: the loop and the air window off, their boxes greyed and disabled.
    expectLook("new item");
    EXPECT_EQ(platform::ui::BackColor(editor->tbsCartDetails), platform::ui::syscolour::ButtonFace);
    EXPECT_EQ(platform::ui::BackColor(editor->mtxtLoopStart), platform::ui::syscolour::ButtonFace);
    EXPECT_EQ(platform::ui::BackColor(editor->txtAirStartDate), platform::ui::syscolour::ButtonFace);
    EXPECT_FALSE(editor->cmdChangeBackgroundColour->isEnabled()) << "custom colours are off";

    // Turned on, with the loop's own options still off and custom colours on the titles.
    editor->chkLoop->SetValue(1);
    editor->chkMaxLoop->SetValue(0);
    editor->chkAirStart->SetValue(1);
    editor->cAudioInformation->BackColour = 0x00D0F0FF;
    editor->chkCustomColours->SetValue(1);
    expectLook("loop, air start and custom colours on");
    EXPECT_TRUE(editor->chkLoopJump->isEnabled());
    EXPECT_EQ(platform::ui::BackColor(editor->mtxtLoopStart), platform::ui::syscolour::Window);
    EXPECT_EQ(platform::ui::BackColor(editor->txtAirStartDate), platform::ui::syscolour::Window);
    EXPECT_EQ(platform::ui::BackColor(editor->txtDescription[1]), 0x00D0F0FFu);
    EXPECT_EQ(platform::ui::BackColor(editor->txtMaxLoop), platform::ui::syscolour::ButtonFace);
    editor->bEdited_ = false;
}

} // namespace
