// HWndGrab, the size-limit control: keeps its window's outer size (frame included) within
// minimum and maximum widths and heights in twips while LimitSize is on.
//
//   HWndGrab1 = new HWndGrab(this, "HWndGrab1");
//   HWndGrab1->SetMinWidth(8355); HWndGrab1->SetMinHeight(6000);
#pragma once

#include <QObject>
#include <QSize>

#include <string>

class QWidget;

namespace platform::ui {

class HWndGrab : public QObject {
    Q_OBJECT
public:
    HWndGrab(QWidget* window, const std::string& name);

    double MinWidth() const { return minWidth_; }
    double MinHeight() const { return minHeight_; }
    double MaxWidth() const { return maxWidth_; }
    double MaxHeight() const { return maxHeight_; }
    bool LimitSize() const { return limit_; }
    void SetMinWidth(double twips) { minWidth_ = twips; Apply(); }
    void SetMinHeight(double twips) { minHeight_ = twips; Apply(); }
    void SetMaxWidth(double twips) { maxWidth_ = twips; Apply(); }
    void SetMaxHeight(double twips) { maxHeight_ = twips; Apply(); }
    void SetLimitSize(bool on) { limit_ = on; Apply(); }

protected:
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    void Apply();
    QWidget* window_;
    double minWidth_ = 0, minHeight_ = 0, maxWidth_ = 90000, maxHeight_ = 90000;
    bool limit_ = true;
    QSize frame_; // the frame the limits were set with
};

} // namespace platform::ui
