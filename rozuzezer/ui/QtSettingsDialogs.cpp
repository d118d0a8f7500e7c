#include "rozuzezer/ui/QtSettingsDialogs.h"

#include "rozuzezer/ui/frmAudioLocations.h"
#include "rozuzezer/ui/frmAudioSettings.h"
#include "rozuzezer/ui/frmGlobalRozuzezerSettings.h"

#include <QApplication>
#include <QThread>

#include <memory>

namespace rozuzezer::ui {

namespace {

QWidget* Owner() { return QApplication::activeWindow(); }

// Each adapter owns its form; destroying the adapter unloads the form, after the caller has
// read Cancelled.
template <typename Form>
struct Owned {
    std::unique_ptr<Form> form{new Form(nullptr)};
    ~Owned() {
        if (form->IsLoaded()) form->Unload();
    }
};

class AudioSettingsDialog final : public IAudioSettingsDialog {
public:
    void SetSettings(cAudioSettings& settings) override { f_.form->SetSettings(&settings); }
    void ShowModal() override { f_.form->Show(platform::ui::Modal, Owner()); }
    bool Cancelled() const override { return f_.form->Cancelled; }

private:
    Owned<frmAudioSettings> f_;
};

class AudioLocationsDialog final : public IAudioLocationsDialog {
public:
    void SetVerudivur(cRozuzezer& wall) override { f_.form->SetVerudivur(&wall); }
    void ShowModal() override { f_.form->Show(platform::ui::Modal, Owner()); }
    bool Cancelled() const override { return f_.form->Cancelled; }

private:
    Owned<frmAudioLocations> f_;
};

class GlobalSettingsDialog final : public IGlobalRozuzezerSettingsDialog {
public:
    void SetVerudivur(cRozuzezer& wall) override { f_.form->SetVerudivur(&wall); }
    void ShowModal() override { f_.form->Show(platform::ui::Modal, Owner()); }

private:
    Owned<frmGlobalRozuzezerSettings> f_;
};

const bool kRegistered = (RegisterSettingsDialogs(), true);

} // namespace

bool DialogsAvailable() {
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    return app && QThread::currentThread() == app->thread();
}

void RegisterSettingsDialogs() {
    (void)kRegistered;
    SetAudioSettingsDialog([]() -> std::unique_ptr<IAudioSettingsDialog> {
        if (!DialogsAvailable()) return nullptr;
        return std::make_unique<AudioSettingsDialog>();
    });
    SetAudioLocationsDialog([]() -> std::unique_ptr<IAudioLocationsDialog> {
        if (!DialogsAvailable()) return nullptr;
        return std::make_unique<AudioLocationsDialog>();
    });
    SetGlobalRozuzezerSettingsDialog([]() -> std::unique_ptr<IGlobalRozuzezerSettingsDialog> {
        if (!DialogsAvailable()) return nullptr;
        return std::make_unique<GlobalSettingsDialog>();
    });
}

} // namespace rozuzezer::ui
