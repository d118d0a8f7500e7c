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
    // The height the waveform leaves at the bottom for the scroll bar (0 while not zoomed),
    // and the notice that it changed, for what a window lays over the waveform's bottom.
    int ScrollBarHeight() const;
    Signal<> ScrollBarShown;

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
