// The item tile's pictures: the button pictures and ending icons by their keys (our own
// SVGs, a Qt resource), and the frame tiles the frames are copied from.
#pragma once

#include <QPixmap>

#include <string_view>

namespace rozuzezer::ui {

// 16 x 16 button pictures: "info", "infogrey", "infodis", "play", "playdis", "edit",
// "editdis", "delete", "deletedis", "clock", "clockdis". A key without a picture gives a
// null pixmap.
const QPixmap& ButtonPicture(std::string_view key);

// 12 x 12 ending icons: "end", "fade", "sustain".
const QPixmap& EndingPicture(std::string_view key);

// The eight 6 x 6 tiles of a frame, drawn over whatever colour lies beneath, and each edge
// tile already repeated along kFrameRun pixels (6 x kFrameRun, or kFrameRun x 6 across), so
// an edge is drawn by a block copy or two instead of a tiled fill.
inline constexpr int kFrameRun = 1536;
struct FrameTiles {
    QPixmap topLeft, topRight, bottomLeft, bottomRight, top, bottom, left, right;
    QPixmap topRun, bottomRun, leftRun, rightRun;
};
const FrameTiles& OuterFrameTiles(); // raised
const FrameTiles& InnerFrameTiles(); // sunken

} // namespace rozuzezer::ui
