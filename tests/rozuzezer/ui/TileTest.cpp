// The item tile offscreen: its layout rectangles and buttons, the size rules, the events a
// host sees, the pop-up menus, the drag text, the persisted properties, bad items, and a host
// that deletes the tile or clears its item from inside an event.
#include "platform/base/Error.h"
#include "platform/base/MessageBox.h"
#include "platform/base/Numeric.h"
#include "platform/component/Dispatch.h"
#include "platform/ui/DragText.h"
#include "platform/ui/PopupMenu.h"
#include "platform/ui/PropertyBag.h"
#include "platform/ui/Twips.h"
#include "rozuzezer/core/Enums.h"
#include "rozuzezer/core/Library.h"
#include "rozuzezer/ui/uHardDiskItem.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMimeData>
#include <QMouseEvent>
#include <QPointer>
#include <QTest>

#include <array>
#include <cmath>
#include <limits>
#include <memory>

using namespace rozuzezer;
using namespace rozuzezer::ui;
using platform::component::MakeRef;
using platform::component::Ref;
using platform::component::Variant;

namespace {

Ref<cHardDiskItem> Item(const std::string& reference = "00123") {
    auto item = MakeRef<cHardDiskItem>();
    item->Reference = reference;
    item->SetDescription(1, "Morning Jingle");
    item->SetDescription(2, "Station ID");
    item->SetDescription(3, "Long version");
    item->TotalLength = 30;
    item->AudioEnd = 30;
    item->SetExtro(27.4f);
    item->EndType = cheFades;
    return item;
}

class Tile : public ::testing::Test {
protected:
    void SetUp() override {
        platform::ui::OverrideTwipsPerPixel(15);
        tile = new uHardDiskItem(nullptr, "uHardDiskItem1");
        tile->resize(240, 120);
        tile->show();
        QApplication::processEvents();
    }
    void TearDown() override {
        delete tile.data();
        platform::ui::OverrideTwipsPerPixel(0);
    }

    QWidget* Button(const char* name) const { return tile->findChild<QWidget*>(name); }
    std::string Picture(const char* name) const {
        return static_cast<TileImageButton*>(Button(name))->PictureKey();
    }
    // A mouse event sent straight to a widget, as the platform delivers it.
    static void Mouse(QWidget* w, QEvent::Type type, QPointF pos,
                      Qt::MouseButton button = Qt::LeftButton,
                      Qt::MouseButtons held = Qt::LeftButton,
                      Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QMouseEvent e(type, pos, w->mapToGlobal(pos), button, held, mods);
        QApplication::sendEvent(w, &e);
    }
    void Press(const char* button) { Mouse(Button(button), QEvent::MouseButtonPress, {3, 4}); }

    QPointer<uHardDiskItem> tile;
    platform::ScopedScriptedMessageBoxes boxes;
};

TEST_F(Tile, NormalLayoutRectanglesAndButtonColumn) {
    const auto l = tile->ComputeLayout();
    // Frames: caption W - 3 BW - 17 wide above a 20-pixel time panel; contents 5 in, 11 less.
    EXPECT_EQ(l.captionFrame, QRect(6, 6, 205, 88));
    EXPECT_EQ(l.timeFrame, QRect(6, 94, 205, 20));
    EXPECT_EQ(l.caption, QRect(11, 11, 194, 77));
    EXPECT_EQ(l.time, QRect(11, 99, 194, 9));
    const int x = 240 - 21, y = 7;
    EXPECT_EQ(Button("imgInfo")->pos(), QPoint(x, y));
    EXPECT_EQ(Button("imgTimes")->pos(), QPoint(x, y + 18));
    EXPECT_EQ(Button("imgEdit")->pos(), QPoint(x, y + 36));
    EXPECT_EQ(Button("imgPlay")->pos(), QPoint(x, y + 54));
    for (const char* b : {"imgInfo", "imgTimes", "imgEdit", "imgPlay"})
        EXPECT_TRUE(Button(b)->isVisible()) << b;
    EXPECT_FALSE(Button("imgDelete")->isVisible());
    EXPECT_EQ(Button("imgInfo")->toolTip(), "Display more information");
    EXPECT_EQ(Button("imgTimes")->toolTip(), "Display Timing Information");
    EXPECT_EQ(Button("imgDelete")->toolTip(), "Remove");

    tile->SetBorderWidth(10);
    EXPECT_EQ(tile->ComputeLayout().captionFrame, QRect(10, 10, 193, 80));
    EXPECT_EQ(Button("imgInfo")->pos(), QPoint(x, 11));
}

TEST_F(Tile, SkinnyLayoutForcesHeightAndLinesUpButtons) {
    tile->resize(300, 120);
    tile->SetSkinnyMode(true);
    QApplication::processEvents();
    // 2 x 6 x 15 + 300 twips = 480 twips = 32 pixels.
    EXPECT_EQ(tile->height(), 32);
    EXPECT_EQ(Button("imgPlay")->x(), 300 - 22);
    EXPECT_EQ(Button("imgInfo")->x(), 300 - 40);
    EXPECT_EQ(Button("imgPlay")->y(), 8);
    EXPECT_FALSE(Button("imgTimes")->isVisible());
    EXPECT_FALSE(Button("imgEdit")->isVisible());
    EXPECT_FALSE(Button("imgDelete")->isVisible());
    const auto l = tile->ComputeLayout();
    EXPECT_EQ(l.timeFrame.right() + 1, Button("imgInfo")->x() - 2) << "panel ends 2 left of info";
    EXPECT_EQ(l.timeFrame.width(), 60);
    EXPECT_EQ(l.captionFrame, QRect(6, 6, l.timeFrame.left() - 7, 20));

    tile->SetDisplayDeleteinSkinny(true);
    tile->SetDisplayEditInSkinny(true);
    EXPECT_TRUE(Button("imgDelete")->isVisible());
    EXPECT_EQ(Button("imgDelete")->x(), 300 - 22);
    EXPECT_EQ(Button("imgPlay")->x(), 300 - 40);
    EXPECT_EQ(Button("imgEdit")->x(), 300 - 58);
    EXPECT_EQ(Button("imgInfo")->x(), 300 - 76);

    // Back to normal: the column has no place for Remove, and Info stands where it should.
    tile->SetSkinnyMode(false);
    QApplication::processEvents();
    EXPECT_EQ(tile->height(), 84);
    EXPECT_FALSE(Button("imgDelete")->isVisible());
    EXPECT_EQ(tile->childAt(Button("imgInfo")->geometry().center()), Button("imgInfo"));
}

TEST_F(Tile, NormalTileGrowsToItsSmallestSize) {
    tile->resize(67, 33); // 1005 x 495 twips
    QApplication::processEvents();
    EXPECT_EQ(tile->width(), 134); // 2010 twips
    EXPECT_EQ(tile->height(), 84); // 1260 twips
    // While Redraw is False a resize is left as it is.
    tile->SetRedraw(false);
    tile->resize(50, 40);
    QApplication::processEvents();
    EXPECT_EQ(tile->size(), QSize(50, 40));
    tile->SetRedraw(true);
    QApplication::processEvents();
    EXPECT_EQ(tile->size(), QSize(134, 84));
}

TEST_F(Tile, SizeRulesSettleAtDpisWhosePixelsAreNoWholeNumberOfTwips) {
    for (const int dpi : {93, 97, 102, 110, 131, 168, 200, 96}) {
        SCOPED_TRACE(dpi);
        const double tpp = 1440.0 / dpi;
        platform::ui::OverrideTwipsPerPixel(tpp);
        tile->resize(10, 10);
        QApplication::processEvents();
        // The smallest whole-pixel size that holds 2010 x 1260 twips.
        EXPECT_GE(tile->width() * tpp, 2010 - 1e-6);
        EXPECT_LT((tile->width() - 1) * tpp, 2010);
        EXPECT_GE(tile->height() * tpp, 1260 - 1e-6);
        EXPECT_LT((tile->height() - 1) * tpp, 1260);

        // Property changes lay the tile out again from that size.
        tile->SetSkinnyMode(true);
        QApplication::processEvents();
        EXPECT_EQ(tile->height(), std::lround(platform::RoundHalfEven(2 * 6 * tpp + 300) / tpp));
        EXPECT_FALSE(Button("imgTimes")->isVisible());
        tile->SetSkinnyMode(false);
        QApplication::processEvents();
        EXPECT_TRUE(Button("imgTimes")->isVisible());
        EXPECT_GE(tile->height() * tpp, 1260 - 1e-6);
        EXPECT_EQ(Button("imgInfo")->pos(), QPoint(tile->width() - 21, 7));
    }
}

TEST_F(Tile, ButtonsShowTheirStateAndPictures) {
    EXPECT_EQ(Picture("imgInfo"), "infodis");
    EXPECT_EQ(Picture("imgEdit"), "editdis");
    EXPECT_EQ(Picture("imgPlay"), "playdis");
    EXPECT_EQ(Picture("imgTimes"), "clockdis");
    EXPECT_EQ(Picture("imgDelete"), "deletedis");
    for (const char* b : {"imgInfo", "imgEdit", "imgPlay", "imgTimes", "imgDelete"})
        EXPECT_FALSE(Button(b)->isEnabled()) << b;

    auto item = Item();
    tile->SetHardDiskItem(item);
    EXPECT_EQ(Picture("imgInfo"), "infogrey");
    EXPECT_EQ(Picture("imgTimes"), "clock");
    EXPECT_EQ(Picture("imgEdit"), "editdis");
    tile->SetCanEdit(true);
    tile->SetCanPlay(true);
    EXPECT_EQ(Picture("imgEdit"), "edit");
    EXPECT_EQ(Picture("imgDelete"), "delete");
    EXPECT_EQ(Picture("imgPlay"), "play");
    for (auto field : {&cHardDiskItem::Notes, &cHardDiskItem::WebNotes, &cHardDiskItem::DABNotes,
                       &cHardDiskItem::URL}) {
        auto other = Item();
        (*other).*field = "x";
        tile->SetHardDiskItem(other);
        EXPECT_EQ(Picture("imgInfo"), "info");
    }
    // CanEdit refreshes the buttons even while Redraw is False.
    tile->SetRedraw(false);
    tile->SetCanEdit(false);
    EXPECT_EQ(Picture("imgEdit"), "editdis");
}

QColor PixelAt(QWidget* w, QPoint p) {
    return w->grab().toImage().pixelColor(p);
}

TEST_F(Tile, CaptionColourFollowsTheItemOnlyWhenItMay) {
    const QPoint inCaption(200, 85); // inside the caption fill, clear of the text lines
    const QColor tileBack(0xC0, 0xC0, 0xFF);
    struct Case {
        std::uint32_t itemBack;
        float length;
        bool allow;
        QColor expected;
    } cases[] = {
        {0x0000FF, 30, true, QColor(255, 0, 0)},
        {0x8000000F, 30, true, tileBack},
        {0xC0C0C0, 30, true, tileBack},
        {0x0000FF, -1, true, tileBack},
        {0x0000FF, 30, false, tileBack},
        {0x12345678, 30, true, tileBack}, // no OLE colour at all
    };
    for (const Case& c : cases) {
        auto item = Item();
        item->BackColour = static_cast<std::int32_t>(c.itemBack);
        item->TotalLength = c.length;
        tile->SetDisplayItemBackColour(c.allow);
        tile->SetHardDiskItem(item);
        EXPECT_EQ(PixelAt(tile, inCaption), c.expected)
            << std::hex << c.itemBack << " " << c.length;
    }
    // The time panel takes TimeBackColor.
    tile->SetTimeBackColor(0x00FF00);
    EXPECT_EQ(PixelAt(tile, QPoint(12, 107)), QColor(0, 255, 0));
}

TEST_F(Tile, SkinnyCaptionStandsAt44WithTheReferenceDrawnOverIt) {
    tile->resize(420, 32);
    tile->SetBorderWidth(16); // the caption area begins well left of 44 and ends well short
    tile->SetSkinnyMode(true);
    QApplication::processEvents();
    auto item = Item("REFERENCE-0123456789");
    item->SetDescription(1, std::string(200, 'M'));
    item->TextColour = 0x0000FF; // red: the only red ink on the tile
    tile->SetHardDiskItem(item);
    const auto l = tile->ComputeLayout();
    ASSERT_GT(l.caption.width(), 200);
    const QImage shot = tile->grab().toImage();
    int left = shot.width(), right = -1;
    for (int y = l.caption.top() - 2; y < l.caption.bottom() + 2; ++y)
        for (int x = 0; x < shot.width(); ++x) {
            const QColor c = shot.pixelColor(x, y);
            if (c.red() - c.green() > 80 && c.red() - c.blue() > 40) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
    ASSERT_GE(right, 0) << "the caption is drawn";
    // At 44 whatever the reference's width, and cut to CW - 44 from there.
    EXPECT_GE(left, 44);
    EXPECT_LE(left, 47);
    EXPECT_LE(right, l.caption.width() + 1);
    EXPECT_GT(right, l.caption.width() - 16);
    // The reference, in black, is printed over the caption's start.
    bool black = false;
    for (int y = l.caption.top(); y < l.caption.bottom() && !black; ++y)
        for (int x = 50; x < 100 && !black; ++x) black = shot.pixelColor(x, y).value() < 40;
    EXPECT_TRUE(black);
}

TEST_F(Tile, ATileThatDrewOtherTextsDrawsAsAFreshOne) {
    // The same item, size and fonts must give the same picture, whatever was drawn before.
    auto item = Item();
    item->SetDescription(1, std::string(300, 'W'));
    tile->SetHardDiskItem(Item("other"));
    (void)tile->grab();
    tile->SetHardDiskItem(item);
    (void)tile->grab();
    tile->MainFont()->Size = 14; // the host changes the font object it was given
    tile->TimeFont()->SetBold(true);
    tile->resize(300, 130);
    item->SetDescription(2, "Changed without a new item");
    tile->UpdateDisplay();
    QApplication::processEvents();

    uHardDiskItem fresh(nullptr, "uHardDiskItem2");
    fresh.resize(300, 130);
    fresh.show();
    QApplication::processEvents();
    fresh.MainFont()->Size = 14;
    fresh.TimeFont()->SetBold(true);
    fresh.SetHardDiskItem(item);
    EXPECT_EQ(tile->grab().toImage(), fresh.grab().toImage());
}

TEST_F(Tile, BadItemsStillDraw) {
    const std::string huge(10000, 'W');
    auto empty = MakeRef<cHardDiskItem>();
    auto big = Item(huge);
    for (std::int16_t i = 1; i <= 4; ++i)
        big->SetDescription(i, huge + "\xC3\xA9\r\n&");
    big->TextColour = -5;
    big->BackColour = static_cast<std::int32_t>(0x800000FFu);
    big->EndType = 12345;
    auto odd = Item();
    odd->TotalLength = -10;
    odd->SetExtro(-3);
    odd->AudioEnd = -100;
    auto nan = Item();
    nan->SetExtro(std::numeric_limits<float>::quiet_NaN());
    nan->SetIntroStart(std::numeric_limits<float>::infinity());
    for (bool skinny : {false, true})
        for (const auto& item : {empty, big, odd, nan}) {
            tile->SetSkinnyMode(skinny);
            tile->SetHardDiskItem(item);
            EXPECT_FALSE(tile->grab().isNull());
        }
    // A skinny tile too narrow for its panels fits its texts to nothing.
    tile->resize(20, 32);
    EXPECT_FALSE(tile->grab().isNull());
    EXPECT_TRUE(boxes->Shown().empty());
}

TEST_F(Tile, SettersRefuseValuesOutOfRange) {
    auto raises = [](int number, auto&& fn) {
        try {
            fn();
        } catch (const platform::RuntimeError& e) {
            return e.Number() == number;
        }
        return false;
    };
    EXPECT_TRUE(raises(380, [&] { tile->SetBorderWidth(-1); }));
    EXPECT_TRUE(raises(380, [&] { tile->SetBorderWidth(uHardDiskItem::kMaxBorderWidth + 1); }));
    EXPECT_TRUE(raises(380, [&] { tile->SetSkinnyTimePanelWidth(-60); }));
    EXPECT_TRUE(raises(6, [&] { tile->SetOLEDragMode(32768); }));
    EXPECT_TRUE(raises(6, [&] { tile->SetOLEDragMode(-32769); }));
    EXPECT_TRUE(raises(380, [&] { tile->SetBackColor(0x01000000); }));
    EXPECT_TRUE(raises(380, [&] { tile->SetTimeColor(0x800000FF); }));
    EXPECT_TRUE(raises(424, [&] { tile->SetMainFont(nullptr); }));
    EXPECT_EQ(tile->BorderWidth(), 6);
    EXPECT_EQ(tile->SkinnyTimePanelWidth(), 60);
    EXPECT_EQ(tile->OLEDragMode(), 0);
    EXPECT_EQ(tile->BackColor(), 0xFFC0C0u);
    tile->SetOLEDragMode(-32768);
    EXPECT_EQ(tile->OLEDragMode(), -32768);
    tile->SetBackColor(0x8000000F);
    EXPECT_EQ(tile->BackColor(), 0x8000000Fu);
    tile->SetBorderWidth(uHardDiskItem::kMaxBorderWidth);
    EXPECT_FALSE(tile->grab().isNull());
}

// ---- events ----------------------------------------------------------------------------------

struct Recorder {
    std::vector<std::string> events;
    std::vector<std::int32_t> infoCodes, timeCodes;
    std::vector<std::array<float, 4>> mouse;

    explicit Recorder(uHardDiskItem* t) {
        auto add = [this](const char* e) { return [this, e] { events.push_back(e); }; };
        QObject::connect(t, &uHardDiskItem::Click, add("Click"));
        QObject::connect(t, &uHardDiskItem::DblClick, add("DblClick"));
        QObject::connect(t, &uHardDiskItem::DeleteClicked, add("DeleteClicked"));
        QObject::connect(t, &uHardDiskItem::EditClicked, add("EditClicked"));
        QObject::connect(t, &uHardDiskItem::PlayClicked, add("PlayClicked"));
        auto m = [this](const char* e) {
            return [this, e](std::int16_t& b, std::int16_t& s, float& x, float& y) {
                events.push_back(e);
                mouse.push_back({float(b), float(s), x, y});
            };
        };
        QObject::connect(t, &uHardDiskItem::MouseDown, m("MouseDown"));
        QObject::connect(t, &uHardDiskItem::MouseUp, m("MouseUp"));
        QObject::connect(t, &uHardDiskItem::MouseMove, m("MouseMove"));
        QObject::connect(t, &uHardDiskItem::InfoClicked, [this](std::int32_t& c) {
            events.push_back("InfoClicked");
            infoCodes.push_back(c);
        });
        QObject::connect(t, &uHardDiskItem::TimeClicked, [this](std::int32_t& c) {
            events.push_back("TimeClicked");
            timeCodes.push_back(c);
        });
    }
};

TEST_F(Tile, ButtonsRaiseTheirEventsOnlyWithAnItem) {
    Recorder r(tile);
    platform::ui::ScopedScriptedPopups popups;
    for (const char* b : {"imgInfo", "imgTimes"})
        Press(b);
    EXPECT_TRUE(r.events.empty());
    EXPECT_TRUE(popups.Shown().empty());

    tile->SetHardDiskItem(Item());
    tile->SetCanEdit(true);
    tile->SetCanPlay(true);
    tile->SetSkinnyMode(true);
    tile->SetDisplayDeleteinSkinny(true);
    tile->SetDisplayEditInSkinny(true);
    QApplication::processEvents();
    const std::pair<const char*, const char*> presses[] = {
        {"imgDelete", "DeleteClicked"}, {"imgEdit", "EditClicked"}, {"imgPlay", "PlayClicked"}};
    for (auto [button, event] : presses) {
        r.events.clear();
        r.mouse.clear();
        Press(button);
        EXPECT_EQ(r.events, (std::vector<std::string>{"MouseDown", event}));
        // Twips within the button: (3, 4) pixels at 15 twips a pixel.
        ASSERT_EQ(r.mouse.size(), 1u);
        EXPECT_EQ(r.mouse[0], (std::array<float, 4>{1, 0, 45, 60}));
    }
    // A double-click plays once.
    r.events.clear();
    Press("imgPlay");
    Mouse(Button("imgPlay"), QEvent::MouseButtonDblClick, {3, 4});
    EXPECT_EQ(r.events, (std::vector<std::string>{"MouseDown", "PlayClicked"}));
    // A disabled button takes no press.
    tile->SetCanPlay(false);
    r.events.clear();
    Press("imgPlay");
    EXPECT_TRUE(r.events.empty());
}

// A click on Info after a skinny layout that showed Remove opens Info: Remove does not stay
// over it.
TEST_F(Tile, AClickOnInfoAfterTheSkinnyLayoutIsInfos) {
    tile->SetHardDiskItem(Item());
    tile->SetCanEdit(true);
    tile->SetSkinnyMode(true);
    tile->SetDisplayDeleteinSkinny(true);
    QApplication::processEvents();
    ASSERT_TRUE(Button("imgDelete")->isVisible());
    tile->SetSkinnyMode(false);
    QApplication::processEvents();
    Recorder r(tile);
    platform::ui::ScopedScriptedPopups popups;
    popups.Choose("");
    // Through the window, which hands the click to the control under the pointer.
    QTest::mouseClick(tile->windowHandle(), Qt::LeftButton, {}, Button("imgInfo")->geometry().center());
    EXPECT_EQ(r.events, (std::vector<std::string>{"MouseDown", "InfoClicked"}));
    EXPECT_EQ(r.infoCodes, std::vector<std::int32_t>{hditPrePopup});
}

TEST_F(Tile, InfoMenuCaptionsAndChoices) {
    auto item = Item();
    item->Notes =
        "Fish & Chips\r\nline two \xC3\xA9\xC3\xA9\xC3\xA9 and some more text that runs on";
    item->WebNotes = "web";
    item->URL = "http://radio.example/" + std::string(200, 'u');
    tile->SetHardDiskItem(item);
    Recorder r(tile);
    platform::ui::ScopedScriptedPopups popups;
    const std::pair<const char*, std::int32_t> entries[] = {
        {"mnuInfoNotes", hditNotes}, {"mnuInfoWeb", hditWEB}, {"mnuInfoDab", hditDAB},
        {"mnuInfoRDS", hditRDS},     {"mnuInfoURL", hditURL}, {"", -1}};
    for (auto [entry, code] : entries) {
        r.infoCodes.clear();
        popups.Choose(entry);
        Press("imgInfo");
        std::vector<std::int32_t> expected{hditPrePopup};
        if (code >= 0) expected.push_back(code);
        EXPECT_EQ(r.infoCodes, expected) << entry;
    }
    ASSERT_FALSE(popups.Shown().empty());
    const auto& shown = popups.Shown().back();
    EXPECT_EQ(shown.menu, "mnuInfo");
    // 40 characters (not bytes) of the notes, "&" doubled, the line break a blank.
    EXPECT_EQ(shown.captions[0],
              "Notes: Fish && Chips line two \xC3\xA9\xC3\xA9\xC3\xA9 and some more");
    EXPECT_EQ(shown.captions[1], "Web: web");
    EXPECT_EQ(shown.captions[2], "DAB: ");
    EXPECT_EQ(shown.captions[3], "RDS:");
    EXPECT_EQ(shown.captions[4], "");
    EXPECT_EQ(shown.captions[5], "URL: " + item->URL) << "the URL is never cut";
    // Beside the button's top-right corner.
    QWidget* info = Button("imgInfo");
    EXPECT_EQ(shown.globalTopLeft, tile->mapToGlobal(QPoint(info->x() + 16, info->y())));
}

TEST_F(Tile, TimesMenuCaptionsAndChoices) {
    auto item = Item();
    item->SetIntroStart(1.5f);
    item->SetIntroEnd(8.25f);
    item->HookStart = 10;
    item->HookEnd = 14;
    item->AudioEnd = 95;
    tile->SetHardDiskItem(item);
    Recorder r(tile);
    platform::ui::ScopedScriptedPopups popups;
    const std::pair<const char*, std::int32_t> entries[] = {{"mnuTimesIntroStart", hdttIntroStart},
                                                            {"mnuTimesIntroEnd", hdttIntroEnd},
                                                            {"mnuTimesExtro", hdttExtro},
                                                            {"mnuTimesLength", hdttLength},
                                                            {"mnuTimesHookStart", hdttHookStart},
                                                            {"mnuTimesHookEnd", hdttHookEnd},
                                                            {"mnuTimesExtroSep", -1}};
    for (auto [entry, code] : entries) {
        r.timeCodes.clear();
        popups.Choose(entry);
        Press("imgTimes");
        std::vector<std::int32_t> expected{hdttPrePopup};
        if (code >= 0) expected.push_back(code);
        EXPECT_EQ(r.timeCodes, expected) << entry;
    }
    const auto& c = popups.Shown().back().captions;
    EXPECT_EQ(c, (std::vector<std::string>{"Intro Start: 0:01.5", "Intro End: 0:08.3", "",
                                           "Extro: 0:27.4", "", "Length: 1:35.0", "",
                                           "Hook Start: 0:10.0", "Hook End: 0:14.0"}));
}

TEST_F(Tile, SurfaceMouseInTwipsClicksAndDoubleClicks) {
    Recorder r(tile);
    Mouse(tile, QEvent::MouseButtonPress, {10, 4}, Qt::LeftButton, Qt::LeftButton,
          Qt::ShiftModifier);
    Mouse(tile, QEvent::MouseButtonRelease, {10, 4}, Qt::LeftButton, Qt::NoButton);
    Mouse(tile, QEvent::MouseButtonDblClick, {10, 4});
    Mouse(tile, QEvent::MouseButtonRelease, {10, 4}, Qt::LeftButton, Qt::NoButton);
    Mouse(tile, QEvent::MouseButtonPress, {20, 30}, Qt::RightButton, Qt::RightButton);
    Mouse(tile, QEvent::MouseButtonRelease, {20, 30}, Qt::RightButton, Qt::NoButton);
    Mouse(tile, QEvent::MouseMove, {21, 31}, Qt::NoButton, Qt::NoButton, Qt::ControlModifier);
    EXPECT_EQ(r.events, (std::vector<std::string>{"MouseDown", "MouseUp", "Click", "DblClick",
                                                  "MouseUp", "MouseDown", "MouseUp", "MouseMove"}));
    EXPECT_EQ(r.mouse[0], (std::array<float, 4>{1, 1, 150, 60}));
    EXPECT_EQ(r.mouse[3], (std::array<float, 4>{2, 0, 300, 450}));
    EXPECT_EQ(r.mouse[5], (std::array<float, 4>{0, 2, 315, 465}));
}

// ---- drag ------------------------------------------------------------------------------------

struct DragRecorder {
    std::vector<std::pair<std::string, std::int32_t>> started; // text, allowed effects
    std::vector<std::int32_t> completed;
    explicit DragRecorder(uHardDiskItem* t) {
        QObject::connect(t, &uHardDiskItem::OLEStartDrag,
                         [this](platform::ui::DataObject& d, std::int32_t& allowed) {
                             started.emplace_back(d.GetFormat(1) ? d.GetData(1) : "<none>",
                                                  allowed);
                         });
        QObject::connect(t, &uHardDiskItem::OLECompleteDrag,
                         [this](std::int32_t& e) { completed.push_back(e); });
    }
};

TEST_F(Tile, DragCarriesTheReferenceBeyondFivePixels) {
    tile->SetHardDiskItem(Item("CART 0042"));
    tile->SetOLEDragMode(1);
    Recorder r(tile);
    DragRecorder d(tile);
    platform::ui::ScopedScriptedDrags drags;
    drags.EndWith(platform::ui::dropEffectCopy);
    Mouse(tile, QEvent::MouseButtonPress, {50, 40});
    Mouse(tile, QEvent::MouseMove, {53, 43}, Qt::NoButton); // within 5 pixels
    EXPECT_TRUE(drags.Started().empty());
    EXPECT_EQ(r.events, (std::vector<std::string>{"MouseDown"}))
        << "no MouseMove inside the tolerance";
    Mouse(tile, QEvent::MouseMove, {56, 40}, Qt::NoButton);
    ASSERT_EQ(drags.Started().size(), 1u);
    const std::string text = "!BVHardDiskItem Reference=\"CART 0042\"";
    EXPECT_EQ(drags.Started()[0].text, text);
    EXPECT_EQ(text.size(), 9u + 28u);
    EXPECT_EQ(drags.Started()[0].allowedEffects, 3);
    EXPECT_EQ(d.started, (std::vector<std::pair<std::string, std::int32_t>>{{text, 3}}));
    EXPECT_EQ(d.completed, (std::vector<std::int32_t>{1}));
    EXPECT_EQ(r.events.back(), "MouseMove");
    Mouse(tile, QEvent::MouseButtonRelease, {56, 40}, Qt::LeftButton, Qt::NoButton);

    // Nothing in the reference is escaped: quotes travel as they are.
    tile->SetHardDiskItem(Item("say \"hi\" \""));
    Mouse(tile, QEvent::MouseButtonPress, {50, 40});
    Mouse(tile, QEvent::MouseMove, {70, 40}, Qt::NoButton);
    ASSERT_EQ(drags.Started().size(), 2u);
    EXPECT_EQ(drags.Started()[1].text, "!BVHardDiskItem Reference=\"say \"hi\" \"\"");
    EXPECT_EQ(drags.Started()[1].text.size(), 10u + 28u);
    EXPECT_EQ(drags.Started()[1].allowedEffects, 3);
}

TEST_F(Tile, DragWithoutTextWhenItMayNotCarryIt) {
    DragRecorder d(tile);
    platform::ui::ScopedScriptedDrags drags;
    auto drag = [&](QPointF from) {
        Mouse(tile, QEvent::MouseButtonPress, from);
        Mouse(tile, QEvent::MouseMove, from + QPointF(20, 0), Qt::NoButton);
        Mouse(tile, QEvent::MouseButtonRelease, from + QPointF(20, 0), Qt::LeftButton,
              Qt::NoButton);
    };
    tile->SetHardDiskItem(Item());
    drag({50, 40}); // OLEDragMode 0: the start event, but no data and so no drag
    tile->SetOLEDragMode(1);
    tile->SetHardDiskItem(Item());
    drag({0, 40}); // a press at the left edge is no press point
    auto negative = Item();
    negative->TotalLength = -1;
    tile->SetHardDiskItem(negative);
    drag({50, 40});
    tile->SetHardDiskItem(nullptr);
    drag({50, 40});
    EXPECT_TRUE(drags.Started().empty());
    EXPECT_EQ(d.started, (std::vector<std::pair<std::string, std::int32_t>>{{"<none>", 1}}));
    EXPECT_EQ(d.completed, (std::vector<std::int32_t>{0}));

    // A host may fill the data itself in the start event.
    QObject::connect(tile, &uHardDiskItem::OLEStartDrag,
                     [](platform::ui::DataObject& data, std::int32_t& allowed) {
                         data.SetData("host text");
                         allowed = 1;
                     });
    tile->SetHardDiskItem(Item("CART 7"));
    drag({50, 40});
    ASSERT_EQ(drags.Started().size(), 1u);
    EXPECT_EQ(drags.Started()[0].text, "host text");
}

TEST_F(Tile, DropsOnTheTileAreTheHostsToTake) {
    QMimeData offered;
    offered.setText("dropped");
    {
        // A host that does not answer OLEDragOver takes no drops.
        QDragEnterEvent unanswered({30, 20}, Qt::CopyAction | Qt::MoveAction, &offered,
                                   Qt::LeftButton, {});
        QApplication::sendEvent(tile, &unanswered);
        EXPECT_FALSE(unanswered.isAccepted());
    }
    std::vector<std::int16_t> states;
    std::int32_t answer = 0;
    QObject::connect(tile, &uHardDiskItem::OLEDragOver,
                     [&](platform::ui::DataObject& d, std::int32_t& effect, std::int16_t&,
                         std::int16_t&, float& x, float&, std::int16_t& state) {
                         states.push_back(state);
                         EXPECT_EQ(d.GetData(1), "dropped");
                         EXPECT_EQ(x, 30.f) << "drag-over positions are the platform's pixels";
                         effect = answer;
                     });
    QMimeData mime;
    mime.setText("dropped");
    QDragEnterEvent refused({30, 20}, Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, {});
    QApplication::sendEvent(tile, &refused);
    EXPECT_FALSE(refused.isAccepted());
    answer = 3;
    QDragEnterEvent taken({30, 20}, Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, {});
    QApplication::sendEvent(tile, &taken);
    EXPECT_TRUE(taken.isAccepted());
    EXPECT_EQ(taken.dropAction(), Qt::CopyAction) << "copy before move: nothing lost at the source";
    EXPECT_EQ(states, (std::vector<std::int16_t>{0, 0})) << "0: the drag enters";
}

// ---- a host that deletes the tile or clears its item -----------------------------------------

TEST_F(Tile, HostMayDeleteTheTileInsideAnEvent) {
    platform::ui::ScopedScriptedPopups popups;
    platform::ui::ScopedScriptedDrags drags;
    auto fresh = [&] {
        delete tile.data();
        tile = new uHardDiskItem;
        tile->resize(240, 120);
        tile->SetHardDiskItem(Item());
        tile->SetCanEdit(true);
        tile->SetOLEDragMode(1);
        tile->show();
    };
    auto killer = [&] { delete tile.data(); };

    fresh();
    QObject::connect(tile, &uHardDiskItem::EditClicked, killer);
    Press("imgEdit");
    EXPECT_TRUE(tile.isNull());

    fresh();
    QObject::connect(tile, &uHardDiskItem::InfoClicked, killer);
    Press("imgInfo");
    EXPECT_TRUE(tile.isNull());
    EXPECT_TRUE(popups.Shown().empty()) << "no menu for a tile that has gone";

    fresh();
    QObject::connect(tile, &uHardDiskItem::MouseDown,
                     [&](std::int16_t&, std::int16_t&, float&, float&) { delete tile.data(); });
    Press("imgTimes");
    EXPECT_TRUE(tile.isNull());

    for (int which = 0; which < 2; ++which) {
        fresh();
        if (which == 0)
            QObject::connect(tile, &uHardDiskItem::OLEStartDrag,
                             [&](platform::ui::DataObject&, std::int32_t&) { delete tile.data(); });
        else
            QObject::connect(tile, &uHardDiskItem::OLECompleteDrag,
                             [&](std::int32_t&) { delete tile.data(); });
        Mouse(tile, QEvent::MouseButtonPress, {50, 40});
        Mouse(tile, QEvent::MouseMove, {70, 40}, Qt::NoButton);
        EXPECT_TRUE(tile.isNull());
    }
    EXPECT_EQ(drags.Started().size(), 1u) << "the drag ran only for the tile that stayed";

    // Clearing the item in the pre-pop-up event: no menu, no second event.
    fresh();
    std::vector<std::int32_t> codes;
    QObject::connect(tile, &uHardDiskItem::TimeClicked, [&](std::int32_t& c) {
        codes.push_back(c);
        tile->SetHardDiskItem(nullptr);
    });
    popups.Choose("mnuTimesExtro");
    Press("imgTimes");
    EXPECT_EQ(codes, (std::vector<std::int32_t>{hdttPrePopup}));
    EXPECT_TRUE(popups.Shown().empty());
}

TEST_F(Tile, ErrorsInHandlersAreReportedNotThrownIntoQt) {
    tile->SetHardDiskItem(Item());
    tile->SetCanPlay(true);
    QObject::connect(tile, &uHardDiskItem::PlayClicked,
                     [] { platform::Raise(53, "File not found: cart.wav"); });
    Press("imgPlay");
    ASSERT_EQ(boxes->Shown().size(), 1u);
    EXPECT_EQ(boxes->Shown()[0].icon, platform::MsgIcon::Exclamation);
    EXPECT_NE(boxes->Shown()[0].text.find("There was a problem"), std::string::npos);
    EXPECT_NE(boxes->Shown()[0].text.find("\"File not found: cart.wav\""), std::string::npos);
    EXPECT_FALSE(tile.isNull());
}

// ---- persisted properties --------------------------------------------------------------------

TEST_F(Tile, DefaultsWriteNothingAndChangesRoundTrip) {
    platform::ui::PropertyBag empty;
    tile->WriteProperties(empty);
    EXPECT_TRUE(empty.Empty()) << empty.ToText();

    tile->SetSkinnyMode(true);
    tile->SetCanEdit(true);
    tile->SetCanPlay(true);
    tile->MainFont()->Name = "DejaVu Serif";
    tile->MainFont()->SetBold(true);
    tile->TimeFont()->Size = 12;
    tile->SetBackColor(0x00FF00);
    tile->SetTimeColor(0x0000FF);
    tile->SetTimeBackColor(0x202020);
    tile->SetOLEDragMode(1);
    tile->SetBorderWidth(4);
    tile->SetDisplayEnding(false);
    tile->SetDisplayCaptionBevel(false);
    tile->SetDisplayItemBackColour(false);
    tile->SetDisplayEditInSkinny(true);
    tile->SetDisplayInfoInSkinny(false);
    tile->SetDisplayPlayInSkinny(false);
    tile->SetDisplayDeleteinSkinny(true);
    tile->SetSkinnyTimePanelWidth(80);
    platform::ui::PropertyBag bag;
    tile->WriteProperties(bag);
    EXPECT_EQ(bag.Names(),
              (std::vector<std::string>{"SkinnyMode", "CanEdit", "CanPlay", "MainFont", "TimeFont",
                                        "BackColor", "TimeColor", "TimeBackColor", "OLEDragMode",
                                        "BorderWidth", "DisplayEnding", "DisplayCaptionBevel",
                                        "DisplayItemBackColour", "DisplayEditInSkinny",
                                        "DisplayInfoInSkinny", "DisplayPlayInSkinny",
                                        "DisplayDeleteInSkinny", "SkinnyTimePanelWidth"}));

    uHardDiskItem other;
    other.ReadProperties(platform::ui::PropertyBag::FromText(bag.ToText()));
    platform::ui::PropertyBag again;
    other.WriteProperties(again);
    EXPECT_EQ(again.ToText(), bag.ToText());
    EXPECT_TRUE(other.SkinnyMode());
    EXPECT_TRUE(other.DisplayDeleteinSkinny());
    EXPECT_EQ(other.MainFont()->Name, "DejaVu Serif");
    EXPECT_TRUE(other.MainFont()->Bold());
    EXPECT_EQ(other.TimeFont()->Size, 12);
    EXPECT_NE(other.MainFont().get(), tile->MainFont().get()) << "fonts are copied, not shared";
    EXPECT_EQ(other.BackColor(), 0x00FF00u);
    EXPECT_EQ(other.SkinnyTimePanelWidth(), 80);
    EXPECT_FALSE(other.Redraw()) << "reading lays nothing out";

    // A control saved with default values reads back the defaults.
    uHardDiskItem fresh;
    fresh.ReadProperties(platform::ui::PropertyBag());
    platform::ui::PropertyBag none;
    fresh.WriteProperties(none);
    EXPECT_TRUE(none.Empty());
}

TEST_F(Tile, PropertiesFromAnotherProgramWithWrongTypes) {
    const char* text = "BorderWidth = \"wide\"\n"
                       "SkinnyMode = True\n"
                       "OLEDragMode = 70000\n"
                       "BackColor = 305419896\n"
                       "Unknown = 12\n"
                       "DisplayDeleteInSkinny = -1\n"
                       "CanPlay = maybe\n"
                       "MainFont = 7\n"
                       "BeginProperty TimeFont\n    Size = \"big\"\nEndProperty\n"
                       "SkinnyTimePanelWidth = 75\n"
                       "garbage line\n";
    std::vector<std::string> problems;
    const auto bag = platform::ui::PropertyBag::FromText(text, &problems);
    EXPECT_FALSE(problems.empty());
    uHardDiskItem t;
    try {
        t.ReadProperties(bag);
        ADD_FAILURE() << "wrong types must raise";
    } catch (const platform::RuntimeError& e) {
        EXPECT_EQ(e.Number(), 13);
        for (const char* name :
             {"BorderWidth", "OLEDragMode", "BackColor", "CanPlay", "MainFont", "TimeFont"})
            EXPECT_NE(e.Description().find(name), std::string::npos) << name;
        EXPECT_EQ(e.Description().find("Unknown"), std::string::npos);
    }
    // The good values were read, the bad ones keep their defaults.
    EXPECT_TRUE(t.SkinnyMode());
    EXPECT_TRUE(t.DisplayDeleteinSkinny());
    EXPECT_EQ(t.SkinnyTimePanelWidth(), 75);
    EXPECT_EQ(t.BorderWidth(), 6);
    EXPECT_EQ(t.OLEDragMode(), 0);
    EXPECT_EQ(t.BackColor(), 0xFFC0C0u);
    EXPECT_FALSE(t.CanPlay());
    EXPECT_EQ(t.TimeFont()->Size, 8.25);
}

// ---- the library contract --------------------------------------------------------------------

TEST(TileClass, TheTypeLibraryListsTheControlWithItsEvents) {
    const std::string text = rozuzezer::Library().Describe();
    EXPECT_NE(text.find("        control,\n        progid(\"BVRozuzezer2.uHardDiskItem\")\n    ]\n"
                        "    coclass uHardDiskItem {\n        [default] interface _uHardDiskItem;\n"
                        "        [default, source] dispinterface __uHardDiskItem;\n    };"),
              std::string::npos);
    const std::size_t events = text.find("dispinterface __uHardDiskItem {");
    ASSERT_NE(events, std::string::npos);
    std::size_t at = events;
    for (const char* e :
         {"Click(", "DblClick(", "MouseDown(", "MouseUp(", "MouseMove(", "DeleteClicked(",
          "EditClicked(", "PlayClicked(", "InfoClicked(", "TimeClicked(", "OLEDragOver(",
          "OLEDragDrop(", "OLEStartDrag(", "OLECompleteDrag("}) {
        const std::size_t next = text.find(e, at);
        ASSERT_NE(next, std::string::npos) << e;
        at = next;
    }
    EXPECT_NE(text.find("InfoClicked([in, out] enHDInfoType* HDInfoType)"), std::string::npos);
    // A control is placed on a window, not made by the factory.
    EXPECT_THROW(rozuzezer::CreateObject("BVRozuzezer2.uHardDiskItem"), platform::RuntimeError);
}

TEST_F(Tile, CallsByNameReachTheTile) {
    Ref<platform::component::Object> o = AutomationObject(tile);
    platform::component::Put(*o, "BorderWidth", Variant(std::int16_t{9}));
    EXPECT_EQ(tile->BorderWidth(), 9);
    EXPECT_FALSE(platform::component::Get(*o, "DisplayDeleteinSkinny").ToBool());
    delete tile.data();
    EXPECT_THROW(platform::component::Get(*o, "BorderWidth"), platform::RuntimeError);
}

} // namespace
