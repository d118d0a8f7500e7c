#include "editor/document/Pictures.h"

#include <string>

namespace lumoedit {

namespace {

// Breeze's own colours, so the drawn pictures sit well beside the theme's.
constexpr const char* kInk = "#31363b";
constexpr const char* kBlue = "#3daee9";
constexpr const char* kRed = "#da4453";
constexpr const char* kDarkRed = "#7a2430";
constexpr const char* kGreen = "#27ae60";

std::string Svg(const std::string& body) {
    return "<svg xmlns='http://www.w3.org/2000/svg' viewBox='0 0 22 22' width='22' height='22'>" + body + "</svg>";
}

std::string Path(const std::string& d, const std::string& stroke, double width = 1.6,
                 const std::string& fill = "none") {
    return "<path d='" + d + "' stroke='" + stroke + "' stroke-width='" + std::to_string(width) +
           "' fill='" + fill + "' stroke-linecap='round' stroke-linejoin='round'/>";
}

// A waveform band, the common ground of the audio pictures.
std::string Wave(const std::string& colour) {
    return Path("M3 11 L4.5 7 L6 15 L7.5 5 L9 17 L10.5 8 L12 14 L13.5 6 L15 16 L16.5 9 L18 13 L19 11", colour, 1.2);
}

// Adds the theme's icon, or the drawn one when the theme lacks it.
void Themed(platform::ui::ImageList& list, const std::string& key, const std::string& name, const std::string& svg) {
    list.AddThemed(key, name, svg);
}

const std::string kPlay = Svg(Path("M7 5 L17 11 L7 17 Z", kInk, 1.4, kInk));
const std::string kDoc = Svg(Path("M6 3 H13 L17 7 V19 H6 Z", kInk, 1.4));

} // namespace

QIcon ProgramIcon() {
    static const QIcon icon = platform::ui::SvgIcon(
        "<svg xmlns='http://www.w3.org/2000/svg' viewBox='0 0 64 64' width='64' height='64'>   <rect x='4' y='8' width='56' height='48' rx='6' fill='#232629'/>   <rect x='8' y='12' width='48' height='30' rx='3' fill='#31363b'/>   <path d='M10 27 L13 20 L16 34 L19 16 L22 38 L25 22 L28 31 L31 18 L34 36 L37 21 L40 33 L43 24 L46 30 L49 26 L54 27'         fill='none' stroke='#3daee9' stroke-width='2' stroke-linejoin='round' stroke-linecap='round'/>   <rect x='20' y='12' width='10' height='30' fill='#3daee9' opacity='0.25'/>   <circle cx='16' cy='49' r='3' fill='#da4453'/>   <path d='M25 46 L31 49 L25 52 Z' fill='#eff0f1'/>   <rect x='36' y='46' width='6' height='6' fill='#eff0f1'/>   <rect x='46' y='46' width='2' height='6' fill='#eff0f1'/>   <rect x='50' y='46' width='2' height='6' fill='#eff0f1'/> </svg>");
    return icon;
}

void FillToolbarImages(platform::ui::ImageList& l) {
    Themed(l, "tick", "dialog-ok-apply", Svg(Path("M5 11 L9 15 L17 6", kGreen, 2)));
    Themed(l, "disk", "document-save", kDoc);
    Themed(l, "diskup", "document-export", kDoc);
    Themed(l, "diskdown", "document-import", kDoc);
    Themed(l, "diskleft", "go-previous", kDoc);
    Themed(l, "diskright", "go-next", kDoc);
    Themed(l, "cut", "edit-cut", kDoc);
    Themed(l, "paste", "edit-paste", kDoc);
    Themed(l, "copy", "edit-copy", kDoc);
    Themed(l, "delete", "edit-delete", kDoc);
    Themed(l, "redo", "edit-redo", kDoc);
    Themed(l, "undo", "edit-undo", kDoc);
    Themed(l, "edit", "document-edit", kDoc);
    Themed(l, "textbox", "insert-text", kDoc);
    Themed(l, "pause", "media-playback-pause", Svg(Path("M8 5 V17 M14 5 V17", kInk, 3)));
    Themed(l, "play", "media-playback-start", kPlay);
    Themed(l, "playarrow", "media-playback-start", kPlay);
    Themed(l, "stop", "media-playback-stop", Svg(Path("M6 6 H16 V16 H6 Z", kInk, 1.4, kInk)));
    Themed(l, "record", "media-record", Svg("<circle cx='11' cy='11' r='6' fill='" + std::string(kRed) + "'/>"));
    Themed(l, "loop", "media-repeat-all", Svg(Path("M6 8 H15 L13 6 M16 14 H7 L9 16", kInk)));
    Themed(l, "playend", "media-seek-forward", kPlay);
    Themed(l, "link", "insert-link", kDoc);
    Themed(l, "amplify", "audio-volume-high", Svg(Wave(kInk)));
    Themed(l, "reverse", "object-flip-horizontal", Svg(Wave(kInk)));
    Themed(l, "erase", "edit-clear", Svg(Wave(kInk)));
    Themed(l, "descriptions", "view-list-details", kDoc);
    Themed(l, "deletesection", "edit-delete", kDoc);
    Themed(l, "exportsection", "document-export", kDoc);
    Themed(l, "open", "document-open", kDoc);
    Themed(l, "new", "document-new", kDoc);
    Themed(l, "saveas", "document-save-as", kDoc);
    Themed(l, "timestretch", "chronometer", Svg(Wave(kInk)));

    // Audio pictures no icon theme has.
    l.AddSvg("pauseblue", Svg(Path("M8 5 V17 M14 5 V17", kBlue, 3)));
    l.AddSvg("recorddark", Svg("<circle cx='11' cy='11' r='6' fill='" + std::string(kDarkRed) + "'/>"));
    l.AddSvg("fadein", Svg(Path("M3 17 L19 5 L19 17 Z", kInk, 1.2, "#93cee9")));
    l.AddSvg("fadeout", Svg(Path("M3 5 L19 17 L3 17 Z", kInk, 1.2, "#93cee9")));
    l.AddSvg("stereo", Svg(Path("M3 7 L6 4 L9 8 L12 3 L15 7 L19 5", kInk, 1.3) +
                           Path("M3 16 L6 13 L9 17 L12 12 L15 16 L19 14", kInk, 1.3)));
    l.AddSvg("leftchannel", Svg(Path("M3 7 L6 4 L9 8 L12 3 L15 7 L19 5", kBlue, 1.6) +
                                Path("M3 15 H19", "#a0a0a0", 1.2)));
    l.AddSvg("rightchannel", Svg(Path("M3 7 H19", "#a0a0a0", 1.2) +
                                 Path("M3 16 L6 13 L9 17 L12 12 L15 16 L19 14", kBlue, 1.6)));
    l.AddSvg("mono", Svg(Path("M3 11 L6 7 L9 14 L12 6 L15 13 L19 10", kInk, 1.4)));
    l.AddSvg("normalise", Svg(Path("M3 4 H19 M3 18 H19", kBlue, 1.2) + Wave(kInk)));
    l.AddSvg("silence", Svg(Path("M3 11 H8", kInk, 1.2) + Path("M8 11 H14", kBlue, 2.4) + Path("M14 11 H19", kInk, 1.2)));
    l.AddSvg("deletesilence", Svg(Path("M3 11 L5 6 L7 16 L9 11 M13 11 L15 6 L17 16 L19 11", kInk, 1.2) +
                                  Path("M9 8 L13 14 M13 8 L9 14", kRed, 1.6)));
    l.AddSvg("hook", Svg(Path("M13 4 V13 A4 4 0 1 1 5 13", kInk, 2) + Path("M11 6 L13 4 L15 6", kInk, 1.6)));
    l.AddSvg("exportsectionhditem", Svg(Path("M4 6 H18 V16 H4 Z", kInk, 1.4) + Path("M8 11 H15 M12 8 L15 11 L12 14", kBlue)));
}

void FillWindowPictures(platform::ui::ImageList& l) {
    Themed(l, "rewind", "media-skip-backward", Svg(Path("M7 5 V17 M17 5 L9 11 L17 17 Z", kInk, 1.4, kInk)));
    Themed(l, "fastforward", "media-skip-forward", Svg(Path("M15 5 V17 M5 5 L13 11 L5 17 Z", kInk, 1.4, kInk)));
    Themed(l, "zoomfull", "zoom-fit-best", Svg(Path("M4 4 H18 V18 H4 Z", kInk)));
    Themed(l, "zoomin", "zoom-in", Svg(Path("M11 5 V17 M5 11 H17", kInk)));
    Themed(l, "zoomout", "zoom-out", Svg(Path("M5 11 H17", kInk)));
    Themed(l, "zoomselection", "zoom-fit-selection", Svg(Path("M6 4 H4 V18 H6 M16 4 H18 V18 H16", kInk)));
    Themed(l, "backcolour", "format-fill-color", Svg(Path("M4 4 H18 V18 H4 Z", kInk, 1.2, kBlue)));
    Themed(l, "textcolour", "format-text-color", Svg(Path("M6 18 L11 4 L16 18 M8 13 H14", kInk)));
    Themed(l, "previous", "go-previous", Svg(Path("M14 5 L8 11 L14 17", kInk, 2)));
    Themed(l, "next", "go-next", Svg(Path("M8 5 L14 11 L8 17", kInk, 2)));
    Themed(l, "up", "go-up", Svg(Path("M5 14 L11 8 L17 14", kInk, 2)));
    Themed(l, "down", "go-down", Svg(Path("M5 8 L11 14 L17 8", kInk, 2)));
    Themed(l, "clear", "edit-delete", Svg(Path("M6 6 L16 16 M16 6 L6 16", kRed, 2)));
    Themed(l, "import", "insert-image", Svg(Path("M4 5 H18 V17 H4 Z M4 15 L9 10 L13 14 L15 12 L18 15", kInk, 1.2)));
    Themed(l, "uncover", "audio-x-generic", Svg(Wave(kBlue)));

    // Zoom to the start or end of the selection: a bracket with a magnifier.
    l.AddSvg("zoomselectionstart", Svg(Path("M7 4 H4 V18 H7", kInk, 1.8) +
                                       "<circle cx='13' cy='10' r='4' fill='none' stroke='" + kBlue + "' stroke-width='1.6'/>" +
                                       Path("M16 13 L19 16", kBlue, 2)));
    l.AddSvg("zoomselectionend", Svg(Path("M15 4 H18 V18 H15", kInk, 1.8) +
                                     "<circle cx='8' cy='10' r='4' fill='none' stroke='" + kBlue + "' stroke-width='1.6'/>" +
                                     Path("M11 13 L14 16", kBlue, 2)));

    // How an item's audio ends.
    l.AddSvg("endnotspecified", Svg(Wave("#a0a0a0") + Path("M15 4 L19 8 M19 4 L15 8", kInk, 1.4)));
    l.AddSvg("endends", Svg(Path("M3 11 L4.5 5 L6 17 L7.5 4 L9 18 L10.5 6 L12 16 L13.5 5 L15 17 L16.5 11", kInk, 1.2) +
                            Path("M18 4 V18", kRed, 2)));
    l.AddSvg("endfades", Svg(Path("M3 11 L4.5 4 L6 18 L7.5 5 L9 17 L10.5 7 L12 15 L13.5 9 L15 13 L16.5 10.5 L18 11.5 L19 11", kInk, 1.2)));
    l.AddSvg("endsustain", Svg(Path("M3 11 L4.5 4 L6 18 L7.5 5 L9 17 L10.5 6 L12 16 L13.5 6 L15 16 L16.5 7 L18 15 L19 11", kInk, 1.2) +
                               Path("M3 3 H19", kBlue, 1.2)));
    l.AddSvg("endslowfade", Svg(Path("M3 11 L5 4 L7 18 L9 5 L11 17 L13 7 L15 15 L17 9 L19 11", kInk, 1.2) +
                                Path("M3 4 Q12 5 19 11", kBlue, 1.2)));
}

} // namespace lumoedit
