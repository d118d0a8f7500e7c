// The item tile: a control a playout host places on its audiowall to show one item. The
// host owns the item it hands to HardDiskItem, calls UpdateDisplay after changing it, and
// handles the tile's events (Qt signals; connect them directly, their arguments are
// references the handler may change). Every button and menu entry only raises an event.
//
// Two layouts: normal (three centred description lines over a one-line time panel, a
// column of buttons on the right) and skinny (one line: caption, time panel, buttons).
// Drawing is in pixels; the mouse events report twips.
//
//     auto* tile = new rozuzezer::ui::uHardDiskItem(wall, "uHardDiskItem1");
//     tile->SetHardDiskItem(item);   // a Ref<cHardDiskItem> the host keeps and edits
//     tile->SetCanPlay(true);
//     QObject::connect(tile, &uHardDiskItem::PlayClicked, host, &Host::PlayItem);
//     QObject::connect(tile, &uHardDiskItem::InfoClicked, host, [](std::int32_t& code) { ... });
//     ... item->Notes = "..."; tile->UpdateDisplay();
//
// A handler may delete the tile or clear its item: the tile checks after every event it
// raises and touches nothing more when it has gone. Errors never leave the tile's handlers
// into Qt: they go to the handler-error report (platform/ui/Handlers.h).
#pragma once

#include "platform/component/Object.h"
#include "platform/ui/DragText.h"
#include "platform/ui/PropertyBag.h"
#include "platform/ui/UserControl.h"
#include "rozuzezer/core/cHardDiskItem.h"

#include <QFont>
#include <QFontMetricsF>
#include <QRect>
#include <QString>

#include <cstdint>
#include <string>
#include <vector>

class QLabel;

namespace platform::ui {
class PopupMenu;
}

namespace rozuzezer::ui {

class TileImageButton;

class uHardDiskItem : public platform::ui::UserControl {
    Q_OBJECT
public:
    using ItemRef = platform::component::Ref<cHardDiskItem>;
    using FontRef = platform::component::Ref<platform::ui::StdFont>;

    explicit uHardDiskItem(QWidget* parent = nullptr, const std::string& name = "uHardDiskItem1");
    ~uHardDiskItem() override;

    // ---- properties (set raises 380 for a value out of range and keeps the old one) ----
    platform::ui::OleColour BackColor() const { return BackColorValue(); }
    void SetBackColor(platform::ui::OleColour c);
    platform::ui::OleColour TimeColor() const { return timeColor_; }
    void SetTimeColor(platform::ui::OleColour c);
    platform::ui::OleColour TimeBackColor() const { return timeBackColor_; }
    void SetTimeBackColor(platform::ui::OleColour c);
    ItemRef HardDiskItem() const { return item_; }
    void SetHardDiskItem(ItemRef item);
    FontRef MainFont() const { return mainFont_; }
    void SetMainFont(FontRef f); // Nothing raises 424
    FontRef TimeFont() const { return timeFont_; }
    void SetTimeFont(FontRef f);
    bool SkinnyMode() const { return skinny_; }
    void SetSkinnyMode(bool on);
    bool CanEdit() const { return canEdit_; }
    void SetCanEdit(bool on);
    bool CanPlay() const { return canPlay_; }
    void SetCanPlay(bool on);
    bool DisplayEditInSkinny() const { return editInSkinny_; }
    void SetDisplayEditInSkinny(bool on);
    bool DisplayDeleteinSkinny() const { return deleteInSkinny_; }
    void SetDisplayDeleteinSkinny(bool on);
    bool DisplayPlayInSkinny() const { return playInSkinny_; }
    void SetDisplayPlayInSkinny(bool on);
    bool DisplayInfoInSkinny() const { return infoInSkinny_; }
    void SetDisplayInfoInSkinny(bool on);
    bool DisplayEnding() const { return displayEnding_; }
    void SetDisplayEnding(bool on);
    bool DisplayCaptionBevel() const { return captionBevel_; }
    void SetDisplayCaptionBevel(bool on);
    std::int16_t BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(std::int16_t pixels); // 0 to kMaxBorderWidth
    std::int32_t OLEDragMode() const { return dragMode_; }
    void SetOLEDragMode(std::int32_t mode); // outside 16 bits raises 6
    std::int16_t SkinnyTimePanelWidth() const { return skinnyTimeWidth_; }
    void SetSkinnyTimePanelWidth(std::int16_t pixels); // 0 to kMaxSkinnyTimePanelWidth
    bool Redraw() const { return redraw_; }
    void SetRedraw(bool on);
    bool DisplayItemBackColour() const { return itemBackColour_; }
    void SetDisplayItemBackColour(bool on);

    static constexpr std::int16_t kMaxBorderWidth = 200;
    static constexpr std::int16_t kMaxSkinnyTimePanelWidth = 2000;

    // Redraws the caption area and time panel from the item and the properties.
    void UpdateDisplay();

    // ---- persistence ----
    // A new control on a host form: the defaults.
    void InitProperties();
    // Reads every saved property; one that is missing takes its default. Values of the
    // wrong type or out of range keep the default too, and when there were any the call
    // raises, after reading all the others, naming them: 13 when one had the wrong type,
    // else the first error (6 too large for its type, 380 out of the property's range).
    void ReadProperties(const platform::ui::PropertyBag& bag);
    void WriteProperties(platform::ui::PropertyBag& bag) const;

    // ---- layout, as the last layout computed it (pixels of the surface) ----
    struct Layout {
        QRect caption;                 // the caption area's content
        QRect time;                    // the time panel's content
        QRect captionFrame, timeFrame; // where their inner frames stand
    };
    Layout ComputeLayout() const;

    // The captions of the pop-up menus and their entries by code name (mnuInfoNotes ...).
    platform::ui::PopupMenu* InfoMenu() const { return mnuInfo_; }
    platform::ui::PopupMenu* TimesMenu() const { return mnuTimes_; }

    // For hosts that lay tiles out with Qt layouts: the size the size rules give.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void Click();
    void DblClick();
    void MouseDown(std::int16_t& Button, std::int16_t& Shift, float& X, float& Y);
    void MouseUp(std::int16_t& Button, std::int16_t& Shift, float& X, float& Y);
    void MouseMove(std::int16_t& Button, std::int16_t& Shift, float& X, float& Y);
    void DeleteClicked();
    void EditClicked();
    void PlayClicked();
    void InfoClicked(std::int32_t& HDInfoType);
    void TimeClicked(std::int32_t& HDTimeType);
    void OLEDragOver(platform::ui::DataObject& Data, std::int32_t& Effect, std::int16_t& Button,
                     std::int16_t& Shift, float& X, float& Y, std::int16_t& State);
    void OLEDragDrop(platform::ui::DataObject& Data, std::int32_t& Effect, std::int16_t& Button,
                     std::int16_t& Shift, float& X, float& Y);
    void OLEStartDrag(platform::ui::DataObject& Data, std::int32_t& AllowedEffects);
    void OLECompleteDrag(std::int32_t& Effect);

protected:
    void UserControl_Show() override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dragLeaveEvent(QDragLeaveEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    friend class TileImageButton;
    void LayoutTile();
    void LayOutIfRedraw();
    void PlaceButtons();
    void RefreshButtons();
    void ButtonPressed(TileImageButton* button, QMouseEvent* e);
    void ShowInfoMenu();
    void ShowTimesMenu();
    void StartItemDrag();
    void DrawContents(QPainter& p, const Layout& l) const;
    bool skipClick_ = false;

    // A text fitted to a width in a font, and the fitted text's width. A wall repaints the
    // same texts every second and measuring them is most of a paint, so the fits of the
    // last paints are kept by text, width and font (the same three give the same answer).
    struct Fitted {
        QString text;
        double advance = 0;
    };
    Fitted Fit(const QFont& font, const QFontMetricsF& metrics, const QString& text,
               double width) const;
    struct FitEntry {
        QString text;
        double width;
        QFont font;
        Fitted fitted;
    };
    mutable std::vector<FitEntry> fits_;

    ItemRef item_;
    FontRef mainFont_, timeFont_;
    platform::ui::OleColour timeColor_ = 0xFFFFFF;
    platform::ui::OleColour timeBackColor_ = 0;
    bool skinny_ = false, canEdit_ = false, canPlay_ = false;
    bool editInSkinny_ = false, deleteInSkinny_ = false, playInSkinny_ = true, infoInSkinny_ = true;
    bool displayEnding_ = true, captionBevel_ = true, itemBackColour_ = true;
    std::int16_t borderWidth_ = 6;
    std::int32_t dragMode_ = 0;
    std::int16_t skinnyTimeWidth_ = 60;
    bool redraw_ = false;
    std::int16_t panelInset_ = 2;
    double pressX_ = 0, pressY_ = 0; // pixels; X 0 means no press pending

    TileImageButton* imgInfo_;
    TileImageButton* imgTimes_;
    TileImageButton* imgEdit_;
    TileImageButton* imgPlay_;
    TileImageButton* imgDelete_;
    platform::ui::PopupMenu* mnuInfo_;
    platform::ui::PopupMenu* mnuTimes_;
};

// One of the tile's image buttons (imgInfo, imgTimes, imgEdit, imgPlay, imgDelete): a
// 16 x 16 picture with a tooltip that tells the tile when it is pressed.
class TileImageButton : public QWidget {
    Q_OBJECT
public:
    TileImageButton(uHardDiskItem* tile, const std::string& codeName, const QString& toolTip);
    // The key of the picture shown ("info", "infodis" ...).
    const std::string& PictureKey() const { return key_; }
    void SetPicture(const std::string& key);

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    // The second press of a double-click is no second press of the button.
    void mouseDoubleClickEvent(QMouseEvent* e) override;

private:
    uHardDiskItem* tile_;
    std::string key_;
};

// The tile as calls by name reach it (the _uHardDiskItem interface); the object holds the
// tile weakly, and a call after the tile has gone raises 91.
platform::component::Ref<platform::component::Object> AutomationObject(uHardDiskItem* tile);

} // namespace rozuzezer::ui
