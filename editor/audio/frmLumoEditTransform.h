// The audio transformation dialog: the parameters of normalise, amplify, mix paste, delete
// silence and time stretch, one frame each. Each function fills its frame from the values it
// is given, shows the dialog modally and writes the confirmed values back; True on OK, False
// on Cancel or the close box. The time-stretch frame keeps named presets per user.
#pragma once

#include "platform/ui/Containers.h"
#include "platform/ui/Form.h"

#include <cstdint>
#include <string>
#include <vector>

namespace lumoedit {

class frmLumoEditTransform : public platform::ui::Form {
public:
    frmLumoEditTransform();

    bool Normalise(std::int16_t& level, bool& DCBias);
    bool Amplify(std::int16_t& level);
    bool MixPaste(std::int16_t& OriginalLevel, std::int16_t& NewAudioLevel);
    bool DeleteSilence(std::int16_t& Threshold, std::int32_t& AttackTimeMS, std::int32_t& ReleaseTimeMS);
    bool Stretch(double CurrentAudioLength, float& NewAudioLength, bool& PreservePitch);

    // The window the dialog stays above while it is shown.
    QWidget* Owner = nullptr;

    // Handlers (public so that tests drive the dialog as a user would).
    void cmdOK_Click();
    void cmdCancel_Click();
    void cmdStretchAddPreset_Click();
    void cmdStretchDeletePreset_Click();
    void listStretchPresets_Click();
    void chkTimeStretchPreservePitch_Click();
    bool Cancelled() const { return cancelled_; }

    struct Preset {
        std::string Title;
        float Seconds = 0;
        bool PreservePitch = false;
    };
    const std::vector<Preset>& Presets() const { return presets_; }

    platform::ui::Frame* fraNormalise = nullptr;
    platform::ui::TextBox* txtNormaliseLevel = nullptr;
    platform::ui::CheckBox* chkNormaliseBias = nullptr;
    platform::ui::Frame* fraAmplify = nullptr;
    platform::ui::TextBox* txtAmplifyLevel = nullptr;
    platform::ui::Slider* sldAmplify = nullptr;
    platform::ui::Label* lblAmplifyDescriptionDesc = nullptr;
    platform::ui::Frame* fraMixPaste = nullptr;
    platform::ui::TextBox* txtMixPasteOriginal = nullptr;
    platform::ui::Slider* sldMixPasteOriginal = nullptr;
    platform::ui::TextBox* txtMixPasteNewAudio = nullptr;
    platform::ui::Slider* sldMixPasteNewAudio = nullptr;
    platform::ui::Label* lblMixPasteDescriptionDesc = nullptr;
    platform::ui::Frame* fraDeleteSilence = nullptr;
    platform::ui::TextBox* txtSilenceThreshold = nullptr;
    platform::ui::TextBox* txtSilenceAttack = nullptr;
    platform::ui::TextBox* txtSilenceRelease = nullptr;
    platform::ui::Frame* fraTimeStretch = nullptr;
    platform::ui::Label* lblStretchCurrentLength = nullptr;
    platform::ui::TextBox* txtStretchNewLength = nullptr;
    platform::ui::CheckBox* chkTimeStretchPreservePitch = nullptr;
    platform::ui::Label* lblTimeStretchCaution = nullptr;
    platform::ui::ListBox* listStretchPresets = nullptr;
    platform::ui::CommandButton* cmdStretchAddPreset = nullptr;
    platform::ui::CommandButton* cmdStretchDeletePreset = nullptr;
    platform::ui::CommandButton* cmdOK = nullptr;
    platform::ui::CommandButton* cmdCancel = nullptr;

    // The frame on show (the screenshot script shows each in turn).
    void ShowTransformFrame(platform::ui::Frame* frame);

protected:
    void Form_QueryUnload(int& Cancel, int UnloadMode) override;

private:
    void BuildNormalise();
    void BuildAmplify();
    void BuildMixPaste();
    void BuildDeleteSilence();
    void BuildTimeStretch();
    void Pair(platform::ui::Slider* slider, platform::ui::TextBox* box);
    void NumberBox(platform::ui::TextBox* box, bool decimals);
    bool Run();
    bool CheckLevel(platform::ui::TextBox* box, double lowest, double highest, const std::string& message);
    void LoadStretchPresets();
    void FillPresetList();
    void SaveStretchPresets();
    double CurrentLength() const;

    bool cancelled_ = false;
    bool accepted_ = false;
    std::vector<Preset> presets_; // [0] is a placeholder
};

} // namespace lumoedit
