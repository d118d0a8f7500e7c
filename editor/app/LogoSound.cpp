#include "editor/app/LogoSound.h"

#include "editor/shell/LumoEdit_FN.h"
#include "platform/audio/LumoPlayer.h"
#include "platform/audio/WaveformView.h"

#include <QCoreApplication>
#include <QPointer>

namespace lumoedit {

namespace {

class AudioLayerSoundPlayer : public iSoundPlayer {
public:
    AudioLayerSoundPlayer() : pump_(new QObject(QCoreApplication::instance())) {
        platform::audio::StartTransportTimer(pump_, [this] {
            try {
                player_.Pump();
            } catch (...) {
                // A card that fails while the logo plays ends the sound, nothing else.
            }
        });
    }
    ~AudioLayerSoundPlayer() override { delete pump_; }

    void PlayFile(const std::string& path) override {
        try {
            player_.Stop();
            player_.OpenFile(path);
            player_.SetOutputDevice(AudioSettings().EditSoundCardNumber);
            player_.Play();
        } catch (...) {
            // A sound that cannot be played is silence.
        }
    }
    void Stop() override {
        try {
            player_.Stop();
        } catch (...) {
        }
    }

private:
    platform::audio::LumoPlayer player_;
    QPointer<QObject> pump_;
};

} // namespace

std::shared_ptr<iSoundPlayer> MakeAudioLayerSoundPlayer() { return std::make_shared<AudioLayerSoundPlayer>(); }

} // namespace lumoedit
