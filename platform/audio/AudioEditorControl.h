// The audio-editing component as a control on a window: the component itself (every
// operation of AudioEditor is the control's own) with its waveform view filling the control.
#pragma once

#include "platform/audio/AudioEditor.h"
#include "platform/audio/WaveformView.h"

#include <QWidget>

namespace platform::audio {

class AudioEditorControl : public QWidget, public AudioEditor {
public:
    AudioEditorControl(QWidget* parent, const std::string& name);
    WaveformView& Waveform() const { return *view_; }
    // The hosting control's own call after it is shown: brings it to the front.
    void BringToFront();

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    WaveformView* view_;
};

} // namespace platform::audio
