#include "rozuzezer/ui/uHardDiskItem.h"

#include "platform/base/Error.h"
#include "platform/base/Numeric.h"
#include "platform/ui/Handlers.h"
#include "platform/ui/PopupMenu.h"
#include "platform/ui/Twips.h"
#include "rozuzezer/core/Enums.h"
#include "rozuzezer/ui/TilePictures.h"
#include "shared/helpers/TimeFormat.h"

#include <QAction>
#include <QCursor>
#include <QDragEnterEvent>
#include <QMetaMethod>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

#include <algorithm>
#include <cmath>

namespace rozuzezer::ui {

using platform::component::Ref;
using platform::component::Variant;
using platform::ui::RunHandler;
using platform::ui::OleColour;
using platform::ui::PopupMenu;
using platform::ui::Q;

namespace {

constexpr OleColour kDefaultBackColor = 0xFFC0C0;
constexpr OleColour kDefaultTimeColor = 0xFFFFFF;
constexpr OleColour kDefaultTimeBackColor = 0;
constexpr OleColour kItemDefaultBack = 0x8000000F;
constexpr OleColour kItemGreyBack = 0xC0C0C0;
constexpr int kButtonPitch = 18;
constexpr int kSkinnyCaptionX = 44;
constexpr double kWhole = 1e9; // a width every text fits into whole
const std::string kDragPrefix = "!BVHardDiskItem Reference=";

int Clamp32(std::int64_t v) {
    return static_cast<int>(std::clamp<std::int64_t>(v, INT32_MIN / 2, INT32_MAX / 2));
}

QRect Rect(std::int64_t l, std::int64_t t, std::int64_t w, std::int64_t h) {
    return QRect(Clamp32(l), Clamp32(t), Clamp32(w), Clamp32(h));
}

int RoundInt(double v) {
    return Clamp32(static_cast<std::int64_t>(platform::RoundHalfEven(v)));
}

void DrawFrame(QPainter& p, const FrameTiles& tiles, const QRect& r) {
    const int L = r.left(), T = r.top(), W = r.width(), H = r.height();
    p.drawPixmap(L, T, tiles.topLeft);
    p.drawPixmap(L + W - 6, T, tiles.topRight);
    p.drawPixmap(L, T + H - 6, tiles.bottomLeft);
    p.drawPixmap(L + W - 6, T + H - 6, tiles.bottomRight);
    // Edges tile from their start in 6-pixel pieces, the last cut where the corner begins:
    // block copies from the runs of tiles. (A tiled fill of a long edge is handed to Qt's
    // thread pool, whose threads a busy machine is slow to wake.)
    for (int done = 0; done < W - 12; done += kFrameRun) {
        const int w = std::min(kFrameRun, W - 12 - done);
        p.drawPixmap(QRect(L + 6 + done, T, w, 6), tiles.topRun, QRect(0, 0, w, 6));
        p.drawPixmap(QRect(L + 6 + done, T + H - 6, w, 6), tiles.bottomRun, QRect(0, 0, w, 6));
    }
    for (int done = 0; done < H - 12; done += kFrameRun) {
        const int h = std::min(kFrameRun, H - 12 - done);
        p.drawPixmap(QRect(L, T + 6 + done, 6, h), tiles.leftRun, QRect(0, 0, 6, h));
        p.drawPixmap(QRect(L + W - 6, T + 6 + done, 6, h), tiles.rightRun, QRect(0, 0, 6, h));
    }
}

QColor Colour(OleColour c, OleColour fallback) {
    return platform::ui::ToQColor(platform::ui::IsOleColour(c) ? c : fallback);
}

void Print(QPainter& p, const QFontMetricsF& fm, double x, double y, const QString& text) {
    if (!text.isEmpty()) p.drawText(QPointF(x, y + fm.ascent()), text);
}

QString ItemText(const std::string& s) {
    return platform::ui::OneLine(Q(s));
}

std::string TimeText(double seconds, std::int32_t style) {
    return helpers::TimeFormat().SecondsToText(seconds, style);
}

// The code a menu entry raises; 0 for an entry without one.
template <std::size_t N>
std::int32_t EntryCode(const QAction* entry,
                       const std::pair<const char*, std::int32_t> (&codes)[N]) {
    for (const auto& [name, code] : codes)
        if (entry->objectName() == QLatin1String(name)) return code;
    return 0;
}

void CheckColour(OleColour c) {
    if (!platform::ui::IsOleColour(c)) platform::Raise(platform::err::InvalidPropertyValue);
}

} // namespace

// ---- the image buttons ---------------------------------------------------------------------

TileImageButton::TileImageButton(uHardDiskItem* tile, const std::string& codeName,
                                 const QString& toolTip)
    : QWidget(tile), tile_(tile) {
    platform::ui::SetName(this, codeName);
    setToolTip(toolTip);
    setFixedSize(16, 16);
    setCursor(Qt::PointingHandCursor);
    // A press on a disabled button goes nowhere, not to the tile beneath it.
    setAttribute(Qt::WA_NoMousePropagation);
}

void TileImageButton::SetPicture(const std::string& key) {
    if (key == key_) return;
    key_ = key;
    update();
}

void TileImageButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawPixmap(0, 0, ButtonPicture(key_));
}

void TileImageButton::mousePressEvent(QMouseEvent* e) {
    tile_->ButtonPressed(this, e);
}

void TileImageButton::mouseDoubleClickEvent(QMouseEvent* e) {
    e->accept();
}

// ---- the tile --------------------------------------------------------------------------------

uHardDiskItem::uHardDiskItem(QWidget* parent, const std::string& name)
    : platform::ui::UserControl(parent, name), mainFont_(platform::ui::StdFont::New()),
      timeFont_(platform::ui::StdFont::New()) {
    imgInfo_ = new TileImageButton(this, "imgInfo", QStringLiteral("Display more information"));
    imgTimes_ = new TileImageButton(this, "imgTimes", QStringLiteral("Display Timing Information"));
    imgEdit_ = new TileImageButton(this, "imgEdit", QStringLiteral("Edit"));
    imgPlay_ = new TileImageButton(this, "imgPlay", QStringLiteral("Play"));
    imgDelete_ = new TileImageButton(this, "imgDelete", QStringLiteral("Remove"));
    imgDelete_->hide();

    mnuInfo_ = new PopupMenu(this, "mnuInfo");
    mnuInfo_->AddEntry("mnuInfoNotes", "Notes:");
    mnuInfo_->AddEntry("mnuInfoWeb", "Web:");
    mnuInfo_->AddEntry("mnuInfoDab", "DAB:");
    mnuInfo_->AddEntry("mnuInfoRDS", "RDS:");
    mnuInfo_->AddSeparatorEntry("mnuInfoURLSep");
    mnuInfo_->AddEntry("mnuInfoURL", "URL:");
    mnuTimes_ = new PopupMenu(this, "mnuTimes");
    mnuTimes_->AddEntry("mnuTimesIntroStart", "Intro Start:");
    mnuTimes_->AddEntry("mnuTimesIntroEnd", "Intro End:");
    mnuTimes_->AddSeparatorEntry("mnuTimesExtroSep");
    mnuTimes_->AddEntry("mnuTimesExtro", "Extro:");
    mnuTimes_->AddSeparatorEntry("mnuTimesLengthSep");
    mnuTimes_->AddEntry("mnuTimesLength", "Length:");
    mnuTimes_->AddSeparatorEntry("mnuTimesHookSep");
    mnuTimes_->AddEntry("mnuTimesHookStart", "Hook Start:");
    mnuTimes_->AddEntry("mnuTimesHookEnd", "Hook End:");

    setMouseTracking(true);
    setAcceptDrops(true);
    // Every paint covers the whole surface, so nothing beneath the tile need be drawn first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    InitProperties();
    RefreshButtons();
}

uHardDiskItem::~uHardDiskItem() = default;

// ---- properties ------------------------------------------------------------------------------

void uHardDiskItem::LayOutIfRedraw() {
    if (redraw_) LayoutTile();
}

void uHardDiskItem::SetBackColor(OleColour c) {
    CheckColour(c);
    SetBackColorValue(c);
    LayOutIfRedraw();
}

void uHardDiskItem::SetTimeColor(OleColour c) {
    CheckColour(c);
    timeColor_ = c;
    LayOutIfRedraw();
}

void uHardDiskItem::SetTimeBackColor(OleColour c) {
    CheckColour(c);
    timeBackColor_ = c;
    LayOutIfRedraw();
}

void uHardDiskItem::SetHardDiskItem(ItemRef item) {
    item_ = std::move(item);
    if (!redraw_) return;
    UpdateDisplay();
    RefreshButtons();
}

void uHardDiskItem::SetMainFont(FontRef f) {
    if (!f) platform::Raise(platform::err::ObjectRequired);
    mainFont_ = std::move(f);
}

void uHardDiskItem::SetTimeFont(FontRef f) {
    if (!f) platform::Raise(platform::err::ObjectRequired);
    timeFont_ = std::move(f);
}

void uHardDiskItem::SetSkinnyMode(bool on) {
    skinny_ = on;
    LayOutIfRedraw();
}

void uHardDiskItem::SetCanEdit(bool on) {
    canEdit_ = on;
    RefreshButtons();
}

void uHardDiskItem::SetCanPlay(bool on) {
    canPlay_ = on;
    RefreshButtons();
}

void uHardDiskItem::SetDisplayEditInSkinny(bool on) {
    editInSkinny_ = on;
    SetSkinnyMode(skinny_);
}

void uHardDiskItem::SetDisplayDeleteinSkinny(bool on) {
    deleteInSkinny_ = on;
    SetSkinnyMode(skinny_);
}

void uHardDiskItem::SetDisplayPlayInSkinny(bool on) {
    playInSkinny_ = on;
    SetSkinnyMode(skinny_);
}

void uHardDiskItem::SetDisplayInfoInSkinny(bool on) {
    infoInSkinny_ = on;
    SetSkinnyMode(skinny_);
}

void uHardDiskItem::SetDisplayEnding(bool on) {
    displayEnding_ = on;
    LayOutIfRedraw();
}

void uHardDiskItem::SetDisplayCaptionBevel(bool on) {
    captionBevel_ = on;
    LayOutIfRedraw();
}

void uHardDiskItem::SetDisplayItemBackColour(bool on) {
    itemBackColour_ = on;
    LayOutIfRedraw();
}

void uHardDiskItem::SetBorderWidth(std::int16_t pixels) {
    if (pixels < 0 || pixels > kMaxBorderWidth)
        platform::Raise(platform::err::InvalidPropertyValue);
    borderWidth_ = pixels;
    LayOutIfRedraw();
}

void uHardDiskItem::SetOLEDragMode(std::int32_t mode) {
    if (mode < INT16_MIN || mode > INT16_MAX) platform::Raise(platform::err::Overflow);
    dragMode_ = mode;
}

void uHardDiskItem::SetSkinnyTimePanelWidth(std::int16_t pixels) {
    if (pixels < 0 || pixels > kMaxSkinnyTimePanelWidth)
        platform::Raise(platform::err::InvalidPropertyValue);
    skinnyTimeWidth_ = pixels;
    LayOutIfRedraw();
}

void uHardDiskItem::SetRedraw(bool on) {
    redraw_ = on;
    if (on) LayoutTile();
}

void uHardDiskItem::UpdateDisplay() {
    update();
}

// ---- persistence -----------------------------------------------------------------------------

void uHardDiskItem::InitProperties() {
    skinnyTimeWidth_ = 60;
    skinny_ = false;
    displayEnding_ = captionBevel_ = itemBackColour_ = true;
    timeColor_ = kDefaultTimeColor;
    timeBackColor_ = kDefaultTimeBackColor;
    SetBackColorValue(kDefaultBackColor);
    borderWidth_ = 6;
    dragMode_ = 0;
    editInSkinny_ = false;
    infoInSkinny_ = playInSkinny_ = true;
    deleteInSkinny_ = false;
    canEdit_ = canPlay_ = false;
    RefreshButtons();
    LayOutIfRedraw();
}

void uHardDiskItem::ReadProperties(const platform::ui::PropertyBag& bag) {
    std::string bad;
    int firstError = 0;
    auto read = [&](const char* name, const Variant& def, auto store) {
        try {
            store(bag.ReadProperty(name, def));
        } catch (const platform::RuntimeError& e) {
            store(def);
            if (!firstError || e.Number() == platform::err::TypeMismatch) firstError = e.Number();
            bad += bad.empty() ? name : std::string(", ") + name;
        }
    };
    auto flag = [&](const char* name, bool def, bool& member) {
        read(name, Variant::Boolean(def), [&](const Variant& v) { member = v.ToBool(); });
    };
    auto colour = [&](const char* name, OleColour def, auto set) {
        read(name, Variant(static_cast<std::int32_t>(def)), [&](const Variant& v) {
            const auto c = static_cast<OleColour>(v.ToInt32());
            CheckColour(c);
            set(c);
        });
    };
    auto font = [&](const char* name, FontRef& member) {
        read(name, Variant(Ref<platform::component::Object>(member)), [&](const Variant& v) {
            auto* f = dynamic_cast<platform::ui::StdFont*>(v.ToObject().get());
            if (!f) platform::Raise(platform::err::TypeMismatch);
            member = FontRef(f);
        });
    };
    read("OLEDragMode", Variant(std::int16_t{0}),
         [&](const Variant& v) { dragMode_ = v.ToInt16(); });
    read("BorderWidth", Variant(std::int16_t{6}), [&](const Variant& v) {
        const std::int16_t w = v.ToInt16();
        if (w < 0 || w > kMaxBorderWidth) platform::Raise(platform::err::InvalidPropertyValue);
        borderWidth_ = w;
    });
    flag("DisplayEditInSkinny", false, editInSkinny_);
    flag("DisplayInfoInSkinny", true, infoInSkinny_);
    flag("DisplayPlayInSkinny", true, playInSkinny_);
    flag("DisplayDeleteInSkinny", false, deleteInSkinny_);
    read("SkinnyTimePanelWidth", Variant(std::int16_t{60}), [&](const Variant& v) {
        const std::int16_t w = v.ToInt16();
        if (w < 0 || w > kMaxSkinnyTimePanelWidth)
            platform::Raise(platform::err::InvalidPropertyValue);
        skinnyTimeWidth_ = w;
    });
    font("MainFont", mainFont_);
    font("TimeFont", timeFont_);
    flag("CanEdit", false, canEdit_);
    flag("CanPlay", false, canPlay_);
    colour("BackColor", kDefaultBackColor, [&](OleColour c) { SetBackColorValue(c); });
    colour("TimeColor", kDefaultTimeColor, [&](OleColour c) { timeColor_ = c; });
    colour("TimeBackColor", kDefaultTimeBackColor, [&](OleColour c) { timeBackColor_ = c; });
    flag("DisplayEnding", true, displayEnding_);
    flag("DisplayCaptionBevel", true, captionBevel_);
    flag("DisplayItemBackColour", true, itemBackColour_);
    flag("SkinnyMode", false, skinny_);
    RefreshButtons();
    LayOutIfRedraw();
    if (firstError)
        platform::Raise(firstError, "These saved properties of the item tile could not be read and "
                                    "keep their defaults: " +
                                        bad);
}

void uHardDiskItem::WriteProperties(platform::ui::PropertyBag& bag) const {
    auto write = [&](const char* name, const Variant& v, const Variant& def) {
        try {
            bag.WriteProperty(name, v, def);
        } catch (...) {
            // One value that cannot be written does not stop the others.
        }
    };
    auto flag = [&](const char* name, bool v, bool def) {
        write(name, Variant::Boolean(v), Variant::Boolean(def));
    };
    auto colour = [&](const char* name, OleColour v, OleColour def) {
        write(name, Variant(static_cast<std::int32_t>(v)), Variant(static_cast<std::int32_t>(def)));
    };
    auto font = [&](const char* name, const FontRef& f) {
        write(name, Variant(Ref<platform::component::Object>(f)),
              Variant(Ref<platform::component::Object>(platform::ui::StdFont::New())));
    };
    flag("SkinnyMode", skinny_, false);
    flag("CanEdit", canEdit_, false);
    flag("CanPlay", canPlay_, false);
    font("MainFont", mainFont_);
    font("TimeFont", timeFont_);
    colour("BackColor", BackColorValue(), kDefaultBackColor);
    colour("TimeColor", timeColor_, kDefaultTimeColor);
    colour("TimeBackColor", timeBackColor_, kDefaultTimeBackColor);
    write("OLEDragMode", Variant(static_cast<std::int16_t>(dragMode_)), Variant(std::int16_t{0}));
    write("BorderWidth", Variant(borderWidth_), Variant(std::int16_t{6}));
    flag("DisplayEnding", displayEnding_, true);
    flag("DisplayCaptionBevel", captionBevel_, true);
    flag("DisplayItemBackColour", itemBackColour_, true);
    flag("DisplayEditInSkinny", editInSkinny_, false);
    flag("DisplayInfoInSkinny", infoInSkinny_, true);
    flag("DisplayPlayInSkinny", playInSkinny_, true);
    flag("DisplayDeleteInSkinny", deleteInSkinny_, false);
    write("SkinnyTimePanelWidth", Variant(skinnyTimeWidth_), Variant(std::int16_t{60}));
}

// ---- layout and drawing ----------------------------------------------------------------------

namespace {

int SkinnyHeight(std::int16_t borderWidth) {
    const double twips =
        platform::RoundHalfEven(2.0 * borderWidth * platform::ui::TwipsPerPixelX() + 300);
    return platform::ui::TwipsToPixelsY(twips);
}

// The fewest whole pixels that span at least `twips`. Where a pixel is not a whole number of
// twips the nearest pixel can fall short, and a size rule asking for it would never be met.
int AtLeastPixels(double twips, double twipsPerPixel) {
    return static_cast<int>(std::ceil(twips / twipsPerPixel - 1e-9));
}

constexpr double kNormalWidthTwips = 2010, kNormalHeightTwips = 1260;

} // namespace

QSize uHardDiskItem::minimumSizeHint() const {
    if (skinny_) return QSize(0, SkinnyHeight(borderWidth_));
    return QSize(AtLeastPixels(kNormalWidthTwips, platform::ui::TwipsPerPixelX()),
                 AtLeastPixels(kNormalHeightTwips, platform::ui::TwipsPerPixelY()));
}

QSize uHardDiskItem::sizeHint() const {
    if (skinny_) return QSize(platform::ui::TwipsToPixelsX(4000), SkinnyHeight(borderWidth_));
    return minimumSizeHint();
}

void uHardDiskItem::LayoutTile() {
    // Qt layouts keep a skinny tile at its one height.
    const QSizePolicy::Policy vertical = skinny_ ? QSizePolicy::Fixed : QSizePolicy::Preferred;
    if (sizePolicy().verticalPolicy() != vertical) {
        setSizePolicy(sizePolicy().horizontalPolicy(), vertical);
        updateGeometry();
    }
    // The rules are met in whole pixels. A resize that took effect lays the tile out again
    // from its resize event; one the host's limits refused goes on with the size there is.
    auto resized = [this](int w, int h) {
        const QSize before = size();
        resize(w, h);
        return size() != before;
    };
    if (skinny_) {
        const int px = SkinnyHeight(borderWidth_);
        if (height() != px && resized(width(), px)) return;
    } else {
        const int minWidth = AtLeastPixels(kNormalWidthTwips, platform::ui::TwipsPerPixelX());
        const int minHeight = AtLeastPixels(kNormalHeightTwips, platform::ui::TwipsPerPixelY());
        if (width() < minWidth && resized(minWidth, height())) return;
        if (height() < minHeight && resized(width(), minHeight)) return;
    }
    PlaceButtons();
    update();
    UpdateDisplay();
    RefreshButtons();
}

uHardDiskItem::Layout uHardDiskItem::ComputeLayout() const {
    const std::int64_t W = width(), H = height(), BW = borderWidth_, inset = panelInset_;
    Layout l;
    if (skinny_) {
        std::int64_t x = W - 4;
        for (bool shown : {deleteInSkinny_, playInSkinny_, editInSkinny_, infoInSkinny_})
            if (shown) x -= kButtonPitch;
        const std::int64_t timeLeft = x - 2 - skinnyTimeWidth_;
        const std::int64_t CH = H - 2 * BW;
        l.captionFrame = Rect(BW, BW, timeLeft - BW - 1, CH);
        l.timeFrame = Rect(timeLeft, BW, skinnyTimeWidth_, CH);
    } else {
        l.captionFrame = Rect(BW, BW, W - 3 * BW - 17, H - 2 * BW - 20);
        l.timeFrame = Rect(BW, H - BW - 20, W - 3 * BW - 17, 20);
    }
    auto shrink = [&](const QRect& r) {
        return Rect(std::int64_t{r.left()} + 3 + inset, std::int64_t{r.top()} + 3 + inset,
                    std::int64_t{r.width()} - (6 + 2 * inset + 1),
                    std::int64_t{r.height()} - (6 + 2 * inset + 1));
    };
    l.caption = shrink(l.captionFrame);
    l.time = shrink(l.timeFrame);
    return l;
}

void uHardDiskItem::PlaceButtons() {
    const int W = width(), BW = borderWidth_;
    if (skinny_) {
        int x = W - 4;
        const int y = BW + 2;
        for (auto [button, shown] :
             {std::pair{imgDelete_, deleteInSkinny_}, std::pair{imgPlay_, playInSkinny_},
              std::pair{imgEdit_, editInSkinny_}, std::pair{imgInfo_, infoInSkinny_}}) {
            if (shown) x -= kButtonPitch;
            button->move(x, y);
        }
    } else {
        const int x = W - 6 - 15, y = BW + 1;
        imgInfo_->move(x, y);
        imgTimes_->move(x, y + kButtonPitch);
        imgEdit_->move(x, y + 2 * kButtonPitch);
        imgPlay_->move(x, y + 3 * kButtonPitch);
    }
}

void uHardDiskItem::RefreshButtons() {
    panelInset_ = 2;
    if (skinny_) {
        imgTimes_->setVisible(false);
        imgEdit_->setVisible(editInSkinny_);
        imgInfo_->setVisible(infoInSkinny_);
        imgPlay_->setVisible(playInSkinny_);
        imgDelete_->setVisible(deleteInSkinny_);
    } else {
        imgPlay_->setVisible(true);
        imgEdit_->setVisible(true);
        imgTimes_->setVisible(true);
        imgInfo_->setVisible(true);
        // Remove has no place in the button column: left where the skinny layout put it, it
        // would stand over Info and take Info's clicks.
        imgDelete_->setVisible(false);
    }
    const bool hasItem = static_cast<bool>(item_);
    const bool editable = canEdit_ && hasItem;
    imgEdit_->setEnabled(editable);
    imgEdit_->SetPicture(editable ? "edit" : "editdis");
    imgDelete_->setEnabled(editable);
    imgDelete_->SetPicture(editable ? "delete" : "deletedis");
    imgInfo_->setEnabled(hasItem);
    if (!hasItem)
        imgInfo_->SetPicture("infodis");
    else if (item_->Notes.empty() && item_->WebNotes.empty() && item_->DABNotes.empty() &&
             item_->URL.empty())
        imgInfo_->SetPicture("infogrey");
    else
        imgInfo_->SetPicture("info");
    const bool playable = canPlay_ && hasItem;
    imgPlay_->setEnabled(playable);
    imgPlay_->SetPicture(playable ? "play" : "playdis");
    imgTimes_->setEnabled(hasItem);
    imgTimes_->SetPicture(hasItem ? "clock" : "clockdis");
}

void uHardDiskItem::paintEvent(QPaintEvent*) {
    RunHandler("drawing the item tile", [&] {
        QPainter p(this);
        p.fillRect(rect(), platform::ui::ToQColor(BackColorValue()));
        DrawFrame(p, OuterFrameTiles(), rect());
        const Layout l = ComputeLayout();
        if (captionBevel_) DrawFrame(p, InnerFrameTiles(), l.captionFrame);
        DrawFrame(p, InnerFrameTiles(), l.timeFrame);
        DrawContents(p, l);
    });
}

uHardDiskItem::Fitted uHardDiskItem::Fit(const QFont& font, const QFontMetricsF& metrics,
                                         const QString& text, double width) const {
    for (const FitEntry& e : fits_)
        if (e.width == width && e.text.size() == text.size() && e.font == font && e.text == text)
            return e.fitted;
    constexpr std::size_t kKept = 8; // every text of one tile's paint
    if (fits_.size() >= kKept) fits_.erase(fits_.begin());
    Fitted f;
    f.text = platform::ui::FitTextToWidth(metrics, text, width);
    f.advance = f.text.isEmpty() ? 0 : metrics.horizontalAdvance(f.text);
    fits_.push_back({text, width, font, f});
    return f;
}

void uHardDiskItem::DrawContents(QPainter& p, const Layout& l) const {
    const int inset = panelInset_;
    OleColour captionColour = BackColorValue();
    const cHardDiskItem* item = item_.get();
    if (item && itemBackColour_ && item->TotalLength >= 0) {
        const auto back = static_cast<OleColour>(item->BackColour);
        if (back != kItemDefaultBack && back != kItemGreyBack && platform::ui::IsOleColour(back))
            captionColour = back;
    }
    const QRect captionFill = l.caption.adjusted(-inset, -inset, inset, inset);
    const QRect timeFill = l.time.adjusted(-inset, -inset, inset, inset);
    if (captionFill.width() > 0 && captionFill.height() > 0)
        p.fillRect(captionFill, platform::ui::ToQColor(captionColour));
    if (timeFill.width() > 0 && timeFill.height() > 0)
        p.fillRect(timeFill, platform::ui::ToQColor(timeBackColor_));
    if (!item) return;

    const QFont mainFont = mainFont_->ToQFont();
    const QFont timeFont = timeFont_->ToQFont();
    const QFontMetricsF mainFm(mainFont, this);
    const QFontMetricsF timeFm(timeFont, this);
    const QColor textColour =
        Colour(static_cast<OleColour>(item->TextColour), platform::ui::syscolour::ButtonText);
    const double CL = l.caption.left(), CT = l.caption.top(), CW = l.caption.width();
    const double TL = l.time.left(), TT = l.time.top(), TW = l.time.width();

    p.save();
    if (skinny_) {
        QString caption = ItemText(item->Description(1));
        for (std::int16_t i = 2; i <= 4; ++i) {
            const std::string d = item->Description(i);
            if (!d.empty()) caption += QStringLiteral(", ") + ItemText(d);
        }
        // The caption at a fixed 44 pixels from the control's left, then the time, then the
        // reference at the caption area's left, drawn over the caption's start.
        p.setClipRect(captionFill);
        p.setFont(mainFont);
        p.setPen(textColour);
        Print(p, mainFm, kSkinnyCaptionX, CT - 1,
              Fit(mainFont, mainFm, caption, CW - kSkinnyCaptionX).text);
        const QString time = Q(TimeText(item->Extro(), helpers::cTimeFormat::tfShortTile));
        const int timeX = RoundInt(TL + TW - Fit(timeFont, timeFm, time, kWhole).advance - inset -
                                   (displayEnding_ ? 10 : 0));
        const QString reference = Fit(timeFont, timeFm, ItemText(item->Reference), timeX - CL).text;
        p.setClipRect(timeFill);
        p.setFont(timeFont);
        p.setPen(Colour(timeColor_, kDefaultTimeColor));
        Print(p, timeFm, timeX, TT - 1, time);
        p.setClipRect(captionFill);
        p.setPen(QColor(Qt::black));
        Print(p, timeFm, CL, CT - 1, reference);
    } else {
        p.setClipRect(captionFill);
        p.setFont(mainFont);
        p.setPen(textColour);
        double y = CT;
        for (std::int16_t i = 1; i <= 3; ++i) {
            const Fitted line = Fit(mainFont, mainFm, ItemText(item->Description(i)), CW);
            Print(p, mainFm, CL + (CW - line.advance) / 2, y, line.text);
            y += mainFm.height();
        }
        p.setClipRect(timeFill);
        p.setFont(timeFont);
        p.setPen(Colour(timeColor_, kDefaultTimeColor));
        double extro = platform::RoundHalfEven(item->Extro());
        if (!(extro >= 0)) extro = 0;
        const QString time = Q(TimeText(extro, helpers::cTimeFormat::tfShortWhole));
        const int timeX = RoundInt(TL + TW - Fit(timeFont, timeFm, time, kWhole).advance - inset - 10);
        Print(p, timeFm, timeX, TT - 2, time);
        p.setPen(QColor(Qt::white));
        Print(p, timeFm, TL, TT - 2, Fit(timeFont, timeFm, ItemText(item->Reference), timeX - TL).text);
    }
    p.restore();

    if (displayEnding_) {
        const char* key = nullptr;
        switch (item->EndType) {
        case cheEnd:
            key = "end";
            break;
        case cheFades:
            key = "fade";
            break;
        case cheSustain:
            key = "sustain";
            break;
        default:
            break;
        }
        if (key) p.drawPixmap(QPointF(TL + TW - 10, TT - 1), EndingPicture(key));
    }
}

void uHardDiskItem::UserControl_Show() {
    RunHandler("showing the item tile", [&] { SetRedraw(true); });
}

void uHardDiskItem::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    RunHandler("laying out the item tile", [&] {
        PlaceButtons();
        if (redraw_) LayoutTile();
    });
}

// ---- mouse, buttons and menus ----------------------------------------------------------------

void uHardDiskItem::ButtonPressed(TileImageButton* button, QMouseEvent* e) {
    RunHandler("handling a press on the item tile", [&] {
        if (!item_) return;
        QPointer<uHardDiskItem> self(this);
        std::int16_t b = platform::ui::MouseButtonCode(e->button());
        std::int16_t shift = platform::ui::ShiftCode(e->modifiers());
        float x = XToTwips(e->position().x()), y = YToTwips(e->position().y());
        emit MouseDown(b, shift, x, y);
        if (!self) return;
        if (button == imgDelete_)
            emit DeleteClicked();
        else if (button == imgEdit_)
            emit EditClicked();
        else if (button == imgPlay_)
            emit PlayClicked();
        else if (button == imgInfo_)
            ShowInfoMenu();
        else if (button == imgTimes_)
            ShowTimesMenu();
    });
}

void uHardDiskItem::ShowInfoMenu() {
    QPointer<uHardDiskItem> self(this);
    std::int32_t code = hditPrePopup;
    emit InfoClicked(code);
    // The host may have deleted the tile or cleared its item meanwhile.
    if (!self || !item_) return;
    const ItemRef item = item_;
    mnuInfo_->SetCaption("mnuInfoNotes", "Notes: " + platform::ui::LeftCharacters(item->Notes, 40));
    mnuInfo_->SetCaption("mnuInfoWeb", "Web: " + platform::ui::LeftCharacters(item->WebNotes, 40));
    mnuInfo_->SetCaption("mnuInfoDab", "DAB: " + platform::ui::LeftCharacters(item->DABNotes, 40));
    mnuInfo_->SetCaption("mnuInfoURL", "URL: " + item->URL);
    QAction* chosen =
        mnuInfo_->Popup(this, QPoint(imgInfo_->x() + imgInfo_->width(), imgInfo_->y()));
    if (!self || !chosen) return;
    static const std::pair<const char*, std::int32_t> codes[] = {{"mnuInfoNotes", hditNotes},
                                                                 {"mnuInfoWeb", hditWEB},
                                                                 {"mnuInfoDab", hditDAB},
                                                                 {"mnuInfoRDS", hditRDS},
                                                                 {"mnuInfoURL", hditURL}};
    code = EntryCode(chosen, codes);
    if (code == hditPrePopup) return;
    emit InfoClicked(code);
}

void uHardDiskItem::ShowTimesMenu() {
    QPointer<uHardDiskItem> self(this);
    std::int32_t code = hdttPrePopup;
    emit TimeClicked(code);
    if (!self || !item_) return;
    const ItemRef item = item_;
    auto caption = [&](const char* entry, const char* label, double seconds) {
        mnuTimes_->SetCaption(entry, std::string(label) +
                                         TimeText(seconds, helpers::cTimeFormat::tfShortTenths));
    };
    caption("mnuTimesIntroStart", "Intro Start: ", item->IntroStart());
    caption("mnuTimesIntroEnd", "Intro End: ", item->IntroEnd());
    caption("mnuTimesHookStart", "Hook Start: ", item->HookStart);
    caption("mnuTimesHookEnd", "Hook End: ", item->HookEnd);
    caption("mnuTimesExtro", "Extro: ", item->Extro());
    caption("mnuTimesLength", "Length: ", item->AudioLength());
    QAction* chosen =
        mnuTimes_->Popup(this, QPoint(imgTimes_->x() + imgTimes_->width(), imgTimes_->y()));
    if (!self || !chosen) return;
    static const std::pair<const char*, std::int32_t> codes[] = {
        {"mnuTimesIntroStart", hdttIntroStart}, {"mnuTimesIntroEnd", hdttIntroEnd},
        {"mnuTimesExtro", hdttExtro},           {"mnuTimesLength", hdttLength},
        {"mnuTimesHookStart", hdttHookStart},   {"mnuTimesHookEnd", hdttHookEnd}};
    code = EntryCode(chosen, codes);
    if (code == hdttPrePopup) return;
    emit TimeClicked(code);
}

void uHardDiskItem::mousePressEvent(QMouseEvent* e) {
    RunHandler("handling a press on the item tile", [&] {
        if (e->button() == Qt::LeftButton) {
            pressX_ = e->position().x();
            pressY_ = e->position().y();
        }
        std::int16_t b = platform::ui::MouseButtonCode(e->button());
        std::int16_t shift = platform::ui::ShiftCode(e->modifiers());
        float x = XToTwips(e->position().x()), y = YToTwips(e->position().y());
        emit MouseDown(b, shift, x, y);
    });
}

void uHardDiskItem::mouseReleaseEvent(QMouseEvent* e) {
    RunHandler("handling a click on the item tile", [&] {
        QPointer<uHardDiskItem> self(this);
        const bool left = e->button() == Qt::LeftButton;
        if (left) pressX_ = pressY_ = 0;
        std::int16_t b = platform::ui::MouseButtonCode(e->button());
        std::int16_t shift = platform::ui::ShiftCode(e->modifiers());
        float x = XToTwips(e->position().x()), y = YToTwips(e->position().y());
        const bool inside = rect().contains(e->position().toPoint());
        emit MouseUp(b, shift, x, y);
        if (!self) return;
        // The release that ends a double-click raises no second Click.
        if (left && std::exchange(skipClick_, false)) return;
        if (left && inside) emit Click();
    });
}

void uHardDiskItem::mouseDoubleClickEvent(QMouseEvent* e) {
    RunHandler("handling a double-click on the item tile", [&] {
        if (e->button() != Qt::LeftButton) return;
        skipClick_ = true;
        emit DblClick();
    });
}

void uHardDiskItem::mouseMoveEvent(QMouseEvent* e) {
    RunHandler("handling the mouse over the item tile", [&] {
        QPointer<uHardDiskItem> self(this);
        const QPointF pos = e->position();
        if ((e->buttons() & Qt::LeftButton) && pressX_ > 0) {
            if (platform::ui::IsNear(pressX_, pressY_, pos.x(), pos.y(), 5)) return;
            if (item_ && item_->TotalLength >= 0) StartItemDrag();
            if (!self) return;
        }
        std::int16_t b = platform::ui::MouseButtonsCode(e->buttons());
        std::int16_t shift = platform::ui::ShiftCode(e->modifiers());
        float x = XToTwips(pos.x()), y = YToTwips(pos.y());
        emit MouseMove(b, shift, x, y);
    });
}

// ---- drag and drop ---------------------------------------------------------------------------

void uHardDiskItem::StartItemDrag() {
    QPointer<uHardDiskItem> self(this);
    try {
        platform::ui::DataObject dragData;
        std::int32_t allowed = platform::ui::dropEffectCopy; // what the platform offers
        dragData.Clear();
        if (item_ && dragMode_ != 0) {
            // The reference as it stands, quotes included: receivers know the format as it is.
            allowed = platform::ui::dropEffectCopy | platform::ui::dropEffectMove;
            dragData.SetData(kDragPrefix + '"' + item_->Reference + '"', platform::ui::cfText);
        }
        emit OLEStartDrag(dragData, allowed);
        if (!self) return;
        std::int32_t effect = platform::ui::dropEffectNone;
        if (!dragData.Empty() && allowed != 0)
            effect = platform::ui::StartDrag(this, dragData, allowed);
        if (!self) return;
        emit OLECompleteDrag(effect);
    } catch (...) {
        // A drag that fails to start is no error for the user.
    }
}

namespace {

Qt::DropAction ActionFor(std::int32_t effect) {
    if (effect & platform::ui::dropEffectCopy) return Qt::CopyAction;
    if (effect & platform::ui::dropEffectMove) return Qt::MoveAction;
    if (effect & platform::ui::dropEffectLink) return Qt::LinkAction;
    return Qt::IgnoreAction;
}

} // namespace

void uHardDiskItem::dragEnterEvent(QDragEnterEvent* e) {
    dragMoveEvent(e);
}

void uHardDiskItem::dragMoveEvent(QDragMoveEvent* e) {
    e->ignore();
    // The tile takes no drops itself: only a host that answers OLEDragOver can.
    if (!isSignalConnected(QMetaMethod::fromSignal(&uHardDiskItem::OLEDragOver))) return;
    RunHandler("handling a drag over the item tile", [&] {
        QPointer<uHardDiskItem> self(this);
        platform::ui::DataObject dragData = platform::ui::DataObject::FromMimeData(e->mimeData());
        const std::int32_t offered = platform::ui::EffectsOf(e->possibleActions());
        std::int32_t effect = offered;
        std::int16_t b = platform::ui::MouseButtonsCode(e->buttons());
        std::int16_t shift = platform::ui::ShiftCode(e->modifiers());
        float x = static_cast<float>(e->position().x()), y = static_cast<float>(e->position().y());
        std::int16_t state = e->type() == QEvent::DragEnter ? 0 : 2;
        emit OLEDragOver(dragData, effect, b, shift, x, y, state);
        if (!self) return;
        const Qt::DropAction action = ActionFor(effect & offered);
        if (action == Qt::IgnoreAction) return;
        e->setDropAction(action);
        e->accept();
    });
}

void uHardDiskItem::dragLeaveEvent(QDragLeaveEvent*) {
    RunHandler("handling a drag leaving the item tile", [&] {
        platform::ui::DataObject dragData;
        std::int32_t effect = platform::ui::dropEffectNone;
        std::int16_t b = 0, shift = 0, state = 1;
        const QPointF pos = mapFromGlobal(QCursor::pos());
        float x = static_cast<float>(pos.x()), y = static_cast<float>(pos.y());
        emit OLEDragOver(dragData, effect, b, shift, x, y, state);
    });
}

void uHardDiskItem::dropEvent(QDropEvent* e) {
    e->ignore();
    RunHandler("handling a drop on the item tile", [&] {
        QPointer<uHardDiskItem> self(this);
        platform::ui::DataObject dragData = platform::ui::DataObject::FromMimeData(e->mimeData());
        const std::int32_t offered = platform::ui::EffectsOf(e->possibleActions());
        std::int32_t effect = platform::ui::EffectsOf(e->dropAction());
        std::int16_t b = platform::ui::MouseButtonsCode(e->buttons());
        std::int16_t shift = platform::ui::ShiftCode(e->modifiers());
        float x = static_cast<float>(e->position().x()), y = static_cast<float>(e->position().y());
        emit OLEDragDrop(dragData, effect, b, shift, x, y);
        if (!self) return;
        const Qt::DropAction action = ActionFor(effect & offered);
        if (action == Qt::IgnoreAction) return;
        e->setDropAction(action);
        e->accept();
    });
}

} // namespace rozuzezer::ui
