#include "platform/audio/AudioEditorControl.h"

#include <QResizeEvent>
#include <QScrollBar>

#include <algorithm>
#include <limits>

namespace platform::audio {

AudioEditorControl::AudioEditorControl(QWidget* parent, const std::string& name)
    : QWidget(parent), view_(new WaveformView(*this, this)), scroll_(new QScrollBar(Qt::Horizontal, this)) {
    setObjectName(QString::fromStdString(name));
    view_->setObjectName(QStringLiteral("waveform"));
    scroll_->setObjectName(QStringLiteral("scroll"));
    // The keys stay with the waveform when the bar is dragged.
    scroll_->setFocusPolicy(Qt::NoFocus);
    scroll_->setVisible(false);
    setFocusProxy(view_);
    view_->ViewChanged.Connect([this] { FollowView(); });
    QObject::connect(scroll_, &QScrollBar::valueChanged, this, [this](int value) { Scrolled(value); });
}

void AudioEditorControl::BringToFront() { raise(); }

void AudioEditorControl::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    Layout();
}

int AudioEditorControl::ScrollBarHeight() const { return scroll_->isVisibleTo(this) ? scroll_->sizeHint().height() : 0; }

void AudioEditorControl::Layout() {
    const int bar = ScrollBarHeight();
    view_->setGeometry(0, 0, width(), std::max(0, height() - bar));
    if (bar) scroll_->setGeometry(0, height() - bar, width(), bar);
}

void AudioEditorControl::FollowView() {
    const bool zoomed = view_->Zoomed();
    if (zoomed) {
        const auto [vs, ve] = view_->VisibleRange();
        const std::int64_t len = Length(), span = ve - vs;
        constexpr std::int64_t kSteps = std::numeric_limits<int>::max() / 2;
        unit_ = std::max<std::int64_t>(1, (len + kSteps - 1) / kSteps);
        following_ = true;
        scroll_->setRange(0, static_cast<int>((len - span + unit_ - 1) / unit_));
        scroll_->setPageStep(static_cast<int>(std::max<std::int64_t>(1, span / unit_)));
        scroll_->setSingleStep(std::max(1, scroll_->pageStep() / 10));
        scroll_->setValue(static_cast<int>(vs / unit_));
        following_ = false;
    }
    if (zoomed != scroll_->isVisibleTo(this)) {
        scroll_->setVisible(zoomed);
        Layout();
        ScrollBarShown.Emit();
    }
}

void AudioEditorControl::Scrolled(int value) {
    if (following_) return;
    // The last step reaches the very end, whatever the rounding of the steps.
    const std::int64_t start = value >= scroll_->maximum() ? std::numeric_limits<std::int64_t>::max()
                                                           : static_cast<std::int64_t>(value) * unit_;
    view_->ScrollTo(start);
}

} // namespace platform::audio
