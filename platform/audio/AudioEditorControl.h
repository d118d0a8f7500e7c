// The audio-editing component as a control on a window: the component itself (every
// operation of AudioEditor is the control's own) with its waveform view filling the control,
// and under it a scroll bar while the view is zoomed.
#pragma once

#include "platform/audio/AudioEditor.h"
#include "platform/audio/WaveformView.h"

#include <QWidget>

class QScrollBar;

namespace platform::audio {

class AudioEditorControl : public QWidget, public AudioEditor {
public:
    AudioEditorControl(QWidget* parent, const std::string& name);
    WaveformView& Waveform() const { return *view_; }
    QScrollBar& ScrollBar() const { return *scroll_; }
    // The hosting control's own call after it is shown: brings it to the front.
    void BringToFront();

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    // The scroll bar after the view: shown while zoomed, its thumb where the view is.
    void FollowView();
    void Scrolled(int value);
    void Layout();
    WaveformView* view_;
    QScrollBar* scroll_;
    std::int64_t unit_ = 1; // samples per step of the scroll bar (its range is an int)
    bool following_ = false;
};

} // namespace platform::audio
