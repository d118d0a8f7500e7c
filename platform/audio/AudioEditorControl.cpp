#include "platform/audio/AudioEditorControl.h"

#include <QResizeEvent>

namespace platform::audio {

AudioEditorControl::AudioEditorControl(QWidget* parent, const std::string& name)
    : QWidget(parent), view_(new WaveformView(*this, this)) {
    setObjectName(QString::fromStdString(name));
    view_->setObjectName(QStringLiteral("waveform"));
    setFocusProxy(view_);
}

void AudioEditorControl::BringToFront() { raise(); }

void AudioEditorControl::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    view_->setGeometry(rect());
}

} // namespace platform::audio
