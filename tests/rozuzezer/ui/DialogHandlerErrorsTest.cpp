// The library's dialogs in a host whose application object catches nothing: an error raised
// inside one of their handlers ends that handler, reaches the handler-error report with the
// handler's name, and never travels back into Qt; the dialog stays open and usable.
#include "platform/base/Error.h"
#include "platform/base/MessageBox.h"
#include "platform/ui/Handlers.h"
#include "rozuzezer/core/RozuzezerSettingsEnv.h"
#include "rozuzezer/ui/QtSettingsDialogs.h"
#include "rozuzezer/ui/frmAudioLocations.h"
#include "rozuzezer/ui/frmAudioSettings.h"
#include "rozuzezer/ui/frmGlobalRozuzezerSettings.h"

#include <QTest>

#include <functional>
#include <memory>

namespace {

using platform::component::MakeRef;
using platform::ui::Form;
using namespace rozuzezer;
using namespace rozuzezer::ui;

// Every message the dialog would show fails, as a broken message service in a host would.
class FailingMessageBoxes : public platform::MessageBoxService {
public:
    platform::MsgResult Show(const platform::MessageRequest&) override {
        platform::Raise(70, "Permission denied");
    }
};

class DialogHandlerErrors : public settings_test::SettingsEnv {
protected:
    DialogHandlerErrors() {
        Form::ClearModalScript();
        RegisterSettingsDialogs();
        previousReporter_ = platform::ui::SetHandlerErrorReporter(
            [this](std::exception_ptr e, const std::string& handler) {
                reports_.push_back(platform::ui::DescribeHandlerError(e, handler));
            });
    }
    ~DialogHandlerErrors() override {
        platform::ui::SetHandlerErrorReporter(std::move(previousReporter_));
        Form::ClearModalScript();
    }

    platform::ScopedScriptedMessageBoxes boxes_;
    std::vector<platform::ui::HandlerError> reports_;
    platform::ui::HandlerErrorReporter previousReporter_;
};

template <typename Dialog>
std::function<void(Form&)> Acting(std::function<void(Dialog&)> act) {
    return [act](Form& f) { act(dynamic_cast<Dialog&>(f)); };
}

TEST_F(DialogHandlerErrors, AreReportedByHandlerAndTheDialogStaysOpen) {
    auto settings = MakeRef<cAudioSettings>();
    settings->NumberPlayers = 2;
    auto wall = MakeRef<cRozuzezer>();
    wall->SetAudioLocation(1, Folder("wall"));
    wall->NumberCarts = 500;
    auto locations = MakeRef<cRozuzezer>();
    const std::string missing = Path("not/there");
    struct Case {
        const char* handler;
        std::function<void()> display;
        std::function<void(Form&)> act; // emits the control's signal, as Qt would
    } cases[] = {
        {"cmdOK_Click", [&] { settings->DisplaySettings(); },
         Acting<frmAudioSettings>([](frmAudioSettings& d) {
             d.txtFadePercent->SetText("100"); // refused: not below the normal volume
             emit d.cmdOK->Click();
         })},
        {"cmdSettings_Click", [&] { locations->DisplayAudioLocations(); },
         Acting<frmAudioLocations>([&](frmAudioLocations& d) {
             d.txtCartLocations[1]->SetText(missing); // refused: the folder must exist first
             emit d.cmdSettings->Click();
         })},
        {"cmdSetNoCarts_Click", [&] { wall->DisplaySettings(); },
         Acting<frmGlobalRozuzezerSettings>([](frmGlobalRozuzezerSettings& d) {
             emit d.cmdSetNoCarts->Click(); // "Change": the box opens
             d.txtNoCarts->SetText("0");
             emit d.cmdSetNoCarts->Click(); // "Set": refused
         })},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.handler);
        reports_.clear();
        Form::ScriptModal([&c](Form& f) {
            auto previous = platform::SetMessageBoxService(std::make_shared<FailingMessageBoxes>());
            EXPECT_NO_THROW(c.act(f));
            platform::SetMessageBoxService(previous);
            EXPECT_TRUE(f.isVisible()) << "the dialog stays open";
            QTest::mouseClick(f.findChild<QWidget*>("cmdCancel"), Qt::LeftButton);
            EXPECT_FALSE(f.isVisible()) << "and still answers the user";
        });
        c.display();
        EXPECT_EQ(Form::UnscriptedModals(), 0);
        EXPECT_EQ(reports_.size(), 1u);
        if (reports_.empty()) continue;
        EXPECT_EQ(reports_[0].context, c.handler);
        EXPECT_EQ(reports_[0].number, 70);
        EXPECT_EQ(reports_[0].description, "Permission denied");
    }
}

} // namespace
