// Containers and bars of the form kit, built like the controls of Controls.h (parent and code
// name, events that also run on writes from code, properties read back as set):
// PictureBox, Panel (the 3D panel with a caption), TabStrip (tabs numbered from 0, each a
// container page), Toolbar (keyed buttons with drop-down entries), StatusBar, ProgressBar and
// Slider.
#pragma once

#include "platform/ui/Controls.h"

#include <QFrame>
#include <QPixmap>
#include <QProgressBar>
#include <QSlider>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>

#include <map>

class QToolButton;

namespace platform::ui {
class ImageList;
}

namespace platform::ui {

class PictureBox : public QFrame {
    Q_OBJECT
public:
    PictureBox(QWidget* parent, const std::string& name);
    void SetPicture(const QPixmap& p) { picture_ = p; update(); }
    const QPixmap& Picture() const { return picture_; }
    int BorderStyle() const { return frameShape() == QFrame::NoFrame ? 0 : 1; }
    void SetBorderStyle(int style);
signals:
    void Resize();
    void Click();
    void DblClick();
protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
private:
    QPixmap picture_;
};

// BevelOuter: 0 none, 1 inset, 2 raised. Alignment: 0 left, 1 right, 2 centre.
class Panel : public QFrame {
    Q_OBJECT
public:
    Panel(QWidget* parent, const std::string& name, const std::string& caption = {});
    std::string Caption() const { return S(caption_->text()); }
    void SetCaption(const std::string& c) { caption_->setText(Q(c)); }
    int BevelOuter() const { return bevel_; }
    void SetBevelOuter(int bevel);
    void SetAlignment(int alignment);
signals:
    void Click();
protected:
    void resizeEvent(QResizeEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
private:
    QLabel* caption_;
    int bevel_ = 2;
};

class TabStrip : public QTabWidget {
    Q_OBJECT
public:
    TabStrip(QWidget* parent, const std::string& name);
    // The page that holds the tab's controls.
    QWidget* AddTab(const std::string& caption);
    QWidget* Page(int index) const { return widget(index); }
    int TabCount() const { return count(); }
    std::string TabCaption(int index) const { return S(tabText(index)); }
    int Tab() const { return currentIndex(); }
    void SetTab(int index) { setCurrentIndex(index); }
signals:
    void Click(); // the shown tab changed

protected:
    void keyPressEvent(QKeyEvent* e) override;
};

class Toolbar : public QToolBar {
    Q_OBJECT
public:
    Toolbar(QWidget* parent, const std::string& name);
    QAction* AddButton(const std::string& key, const std::string& toolTip, const QIcon& icon = {},
                       const std::string& caption = {});
    void AddSeparator();
    QAction* Button(const std::string& key) const; // nullptr for an unknown key
    bool ButtonEnabled(const std::string& key) const;
    void SetButtonEnabled(const std::string& key, bool on);
    // Entries of a button's drop-down menu.
    QAction* AddButtonMenu(const std::string& buttonKey, const std::string& key, const std::string& caption);
    QAction* ButtonMenu(const std::string& buttonKey, const std::string& key) const;
    // Runs the button's handler as a click would (enabled buttons only).
    void ClickButton(const std::string& key);
    // Keyed separators, shown and hidden by their keys as buttons are (ImageList.cpp).
    QAction* AddSeparator(const std::string& key);
    bool ButtonVisible(const std::string& key) const;
    void SetButtonVisible(const std::string& key, bool on);
    // A two-state key: pressed (True) or not. Writing it runs no handler.
    bool ButtonValue(const std::string& key) const;
    void SetButtonValue(const std::string& key, bool pressed);
    // Pictures from a keyed image list, by its keys.
    void SetImageList(const ImageList* images);
    void SetButtonImage(const std::string& key, const std::string& imageKey);
    std::string ButtonImage(const std::string& key) const;
signals:
    void ButtonClick(const std::string& key);
    void ButtonMenuClick(const std::string& buttonKey, const std::string& key);
private:
    std::map<std::string, QAction*> buttons_;
    std::map<std::string, QMenu*> menus_;
    const ImageList* images_ = nullptr;
};

// A status bar placed like any control (at the bottom of the client area by the window's own
// layout), with panels counted from 1 as the window's code counts them.
class StatusBar : public QStatusBar {
    Q_OBJECT
public:
    StatusBar(QWidget* parent, const std::string& name);
    int AddPanel(const std::string& key, const std::string& text = {}, double widthTwips = 0);
    int PanelCount() const { return static_cast<int>(panels_.size()); }
    std::string PanelText(int index) const;
    void SetPanelText(int index, const std::string& text);
    std::string PanelKey(int index) const;
private:
    std::vector<std::pair<std::string, QLabel*>> panels_;
};

// MouseDown and MouseMove carry the buttons held (1 left, 2 right, 4 middle), the shift mask
// (1 Shift, 2 Ctrl, 4 Alt) and the pointer's place in twips from the bar's top left; a move
// is reported with no button held too (Button 0).
class ProgressBar : public QProgressBar {
    Q_OBJECT
public:
    ProgressBar(QWidget* parent, const std::string& name);
    int Min() const { return minimum(); }
    int Max() const { return maximum(); }
    int Value() const { return value(); }
    void SetMin(int v) { setMinimum(v); }
    void SetMax(int v) { setMaximum(v); }
    void SetValue(int v) { setValue(v); }
signals:
    void MouseDown(int button, int shift, double x, double y);
    void MouseMove(int button, int shift, double x, double y);
protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
};

// Change runs when the value changes, by the user or by code.
class Slider : public QSlider {
    Q_OBJECT
public:
    Slider(QWidget* parent, const std::string& name);
    int Min() const { return minimum(); }
    int Max() const { return maximum(); }
    int Value() const { return value(); }
    void SetMin(int v) { setMinimum(v); }
    void SetMax(int v) { setMaximum(v); }
    void SetValue(int v) { setValue(v); }
signals:
    void Change();
};

} // namespace platform::ui
