// What the editor window needs of the form kit: key preview for a window that sits inside
// another form, errors inside handlers reported instead of reaching Qt, keyed pictures,
// toolbar separators with keys and pressed keys.
#include "platform/base/Error.h"
#include "platform/base/MessageBox.h"
#include "platform/ui/Containers.h"
#include "platform/ui/Form.h"
#include "platform/ui/Handlers.h"
#include "platform/ui/ImageList.h"

#include <gtest/gtest.h>

#include <QMdiArea>
#include <QMouseEvent>
#include <QMdiSubWindow>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

#include <cstdlib>
#include <string>
#include <vector>

using namespace platform::ui;

namespace {

class frmChild : public Form {
public:
    frmChild() : Form("frmChild") {
        txtBox = new TextBox(Client(), "txtBox");
        SetKeyPreview(true);
    }
    TextBox* txtBox;
    std::vector<int> keys;
    bool failLoad = false;

protected:
    void Form_Load() override {
        if (failLoad) platform::Raise(platform::err::PathFileAccess, "load failed");
    }
    void Form_KeyDown(int& KeyCode, int) override {
        keys.push_back(KeyCode);
        if (KeyCode == vk::F1 + 4) KeyCode = 0;
    }
};

class frmParent : public Form {
public:
    frmParent() : Form("frmParent") {
        area = new QMdiArea(Client());
        auto* layout = new QVBoxLayout(Client());
        layout->addWidget(area);
        SetKeyPreview(true);
    }
    QMdiArea* area;
    std::vector<int> keys;

protected:
    void Form_KeyDown(int& KeyCode, int) override { keys.push_back(KeyCode); }
};

struct Reports {
    std::vector<std::string> seen;
    HandlerErrorReporter old;
    Reports() {
        old = SetHandlerErrorReporter([this](std::exception_ptr e, const std::string& handler) {
            try {
                std::rethrow_exception(e);
            } catch (const std::exception& x) {
                seen.push_back(handler + ": " + x.what());
            }
        });
    }
    ~Reports() { SetHandlerErrorReporter(old); }
};

} // namespace

TEST(FormKit, KeyPreviewReachesTheNearestFormInsideAnother) {
    frmParent parent;
    frmChild child;
    parent.Show();
    parent.area->addSubWindow(&child);
    child.Show();
    child.txtBox->setFocus();
    QTest::keyClick(child.txtBox, Qt::Key_F5);
    QTest::keyClick(child.txtBox, Qt::Key_A);
    EXPECT_EQ(child.keys, (std::vector<int>{vk::F1 + 4, 'A'}));
    EXPECT_TRUE(parent.keys.empty());
    EXPECT_EQ(child.txtBox->Text(), "a") << "an unconsumed key still reaches the control";
    child.setParent(nullptr);
}

TEST(FormKit, AnErrorInAHandlerEndsItAndIsReportedOnce) {
    Reports reports;
    CommandButton button(nullptr, "cmdGo");
    int after = 0;
    struct Receiver : QObject {
        int* after;
        void Go() {
            platform::Raise(platform::err::PathFileAccess, "no disk");
            ++*after;
        }
    } receiver;
    receiver.after = &after;
    On(&button, &CommandButton::Click, &receiver, &Receiver::Go, "cmdGo_Click");
    emit button.Click();
    emit button.Click();
    EXPECT_EQ(after, 0);
    ASSERT_EQ(reports.seen.size(), 2u);
    EXPECT_EQ(reports.seen[0].rfind("cmdGo_Click: ", 0), 0u) << reports.seen[0];

    // The lifecycle handlers too: a load that raises is reported and the form goes on.
    frmChild child;
    child.failLoad = true;
    child.Load();
    EXPECT_TRUE(child.IsLoaded());
    ASSERT_EQ(reports.seen.size(), 3u);
    EXPECT_EQ(reports.seen[2].rfind("Form_Load: ", 0), 0u) << reports.seen[2];
}

// A library host installs no reporter: the user still sees what went wrong, once.
TEST(FormKit, WithoutAReporterTheErrorShowsAsOneExclamationBox) {
    platform::ScopedScriptedMessageBoxes boxes;
    struct Case {
        const char* handler;
        const char* text;
    };
    const Case cases[] = {
        {"cmdGo_Click", "There was a problem in cmdGo_Click and the error's description was reported as : \n\n\"no disk\""},
        {"", "There was a problem with the last action and the error's description was reported as : \n\n\"no disk\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.handler);
        boxes->Clear();
        RunHandler(c.handler, [] { platform::Raise(platform::err::PathFileAccess, "no disk"); });
        ASSERT_EQ(boxes->Shown().size(), 1u);
        EXPECT_EQ(boxes->Shown()[0].text, c.text);
        EXPECT_EQ(boxes->Shown()[0].icon, platform::MsgIcon::Exclamation);
        EXPECT_EQ(boxes->Shown()[0].buttons, platform::MsgButtons::OK);
    }
}

// The error unwinds through Qt's own frames, which free nothing on the way: the check runs in
// a child process that ends without the leak report.
TEST(FormKit, TheApplicationCatchesWhatAHandlerConnectedOtherwiseLetsEscape) {
    EXPECT_EXIT(
        {
            Reports reports;
            CommandButton button(nullptr, "cmdRaw");
            QObject::connect(&button, &QPushButton::clicked,
                             [] { platform::Raise(platform::err::PathFileAccess, "raw"); });
            button.resize(40, 20);
            button.show();
            QTest::mouseClick(&button, Qt::LeftButton);
            const bool ok = reports.seen.size() == 1 && reports.seen[0].find("raw") != std::string::npos;
            std::_Exit(ok ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(FormKit, ScopedFlagsComeDownOnEveryWayOut) {
    bool loading = false;
    try {
        ScopedFlag guard(loading);
        EXPECT_TRUE(loading);
        platform::Raise(platform::err::PathFileAccess);
    } catch (const std::exception&) {
    }
    EXPECT_FALSE(loading);
    int pointer = PointerHourglass;
    {
        ScopeExit back([&] { pointer = PointerDefault; });
    }
    EXPECT_EQ(pointer, PointerDefault);
}

TEST(FormKit, ToolbarKeysHaveSeparatorsPicturesAndAPressedState) {
    ImageList images(nullptr, "imgList");
    EXPECT_TRUE(images.AddThemed("open", "document-open")) << "the icon theme is installed by scripts/setup.sh";
    images.AddSvg("fadein", "<svg xmlns='http://www.w3.org/2000/svg' viewBox='0 0 16 16'><path d='M1 15 L15 1 V15 Z'/></svg>");
    EXPECT_FALSE(images.Picture("fadein").pixmap(16, 16).isNull());
    EXPECT_TRUE(images.Picture("nothing").isNull());
    EXPECT_FALSE(images.AddThemed("x", "no-such-icon-anywhere"));

    Toolbar bar(nullptr, "toolMain");
    bar.SetImageList(&images);
    bar.AddButton("open", "Open a file");
    bar.SetButtonImage("open", "open");
    bar.AddSeparator("opensep");
    bar.AddButton("descriptions", "Descriptions");
    bar.AddButtonMenu("open", "openrecent", "Recent");
    bar.AddButtonMenu("open", "recentsep", "-");
    EXPECT_EQ(bar.ButtonImage("open"), "open");
    EXPECT_FALSE(bar.Button("open")->icon().isNull());
    ASSERT_NE(bar.Button("opensep"), nullptr);
    EXPECT_TRUE(bar.Button("opensep")->isSeparator());
    EXPECT_TRUE(bar.ButtonMenu("open", "recentsep")->isSeparator());
    bar.SetButtonVisible("opensep", false);
    EXPECT_FALSE(bar.ButtonVisible("opensep"));
    // A hidden key keeps the enabled state it is given, and shows with it.
    bar.SetButtonVisible("open", false);
    bar.SetButtonEnabled("open", true);
    EXPECT_TRUE(bar.ButtonEnabled("open"));
    bar.SetButtonEnabled("open", false);
    EXPECT_FALSE(bar.ButtonEnabled("open"));
    bar.SetButtonEnabled("open", true);
    bar.SetButtonVisible("open", true);
    EXPECT_TRUE(bar.Button("open")->isEnabled());

    int clicks = 0;
    QObject::connect(&bar, &Toolbar::ButtonClick, [&](const std::string&) { ++clicks; });
    bar.SetButtonValue("descriptions", true);
    EXPECT_TRUE(bar.ButtonValue("descriptions"));
    bar.SetButtonValue("descriptions", false);
    EXPECT_FALSE(bar.ButtonValue("descriptions"));
    EXPECT_EQ(clicks, 0) << "writing the pressed state runs no handler";

    CommandButton play(nullptr, "cmdPlay");
    SetButtonPicture(&play, images, "open");
    EXPECT_EQ(ButtonPicture(&play), "open");
    EXPECT_FALSE(play.icon().isNull());
}
