// A peak level meter: Level 0 (silent) to 100 (full scale), green, then amber, then red.
#pragma once

#include <QWidget>

namespace platform::audio {

class LevelMeter : public QWidget {
public:
    explicit LevelMeter(QWidget* parent = nullptr, Qt::Orientation orientation = Qt::Vertical);
    int Level() const { return level_; }
    // Values outside 0..100 are clamped.
    void SetLevel(int level);
    Qt::Orientation Orientation() const { return orientation_; }
    void SetOrientation(Qt::Orientation o);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int level_ = 0;
    Qt::Orientation orientation_;
};

} // namespace platform::audio
