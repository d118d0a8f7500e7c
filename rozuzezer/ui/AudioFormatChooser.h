// The audio-format object's chooser: a dialog over one format family (2 WAV, 4 MPEG layer 3,
// 8 Ogg Vorbis, 16 Windows Media, 32 MPEG layer 2) in which the user picks the variant:
// encoding (WAV: PCM or IMA ADPCM), sample rate, channels, and bits or bit rate. The option
// mask is kept for the callers that pass one; every option is offered.
#pragma once

#include "platform/ui/Form.h"
#include "shared/helpers/AudioFormat.h"

#include <functional>

namespace rozuzezer::ui {

// True when the user chose (the object then holds the variant), False when cancelled (the
// object is unchanged).
bool ChooseAudioFormat(helpers::cAudioFormat& format, std::int32_t family, std::int32_t options,
                       QWidget* owner = nullptr);

// Tests take the chooser over; an empty function restores the dialog. Returns the previous.
using AudioFormatChooserHook = std::function<bool(helpers::cAudioFormat& format, std::int32_t family, std::int32_t options)>;
AudioFormatChooserHook SetAudioFormatChooser(AudioFormatChooserHook hook);

class frmAudioFormatChooser : public platform::ui::Form {
public:
    frmAudioFormatChooser(helpers::cAudioFormat& format, std::int32_t family, QWidget* owner = nullptr);

    bool Cancelled = true;
    platform::ui::ComboBox* comboEncoding = nullptr;
    platform::ui::ComboBox* comboRate = nullptr;
    platform::ui::ComboBox* comboChannels = nullptr;
    platform::ui::ComboBox* comboQuality = nullptr;
    platform::ui::Label* lblQuality = nullptr;
    platform::ui::Label* lblDescription = nullptr;
    platform::ui::CommandButton* cmdOK = nullptr;
    platform::ui::CommandButton* cmdCancel = nullptr;

    void cmdOK_Click();
    // The variant the controls describe.
    helpers::AudioFormatRef Chosen() const;

private:
    void FillQuality();
    void ShowDescription();
    helpers::cAudioFormat& format_;
    std::int32_t family_;
};

} // namespace rozuzezer::ui
