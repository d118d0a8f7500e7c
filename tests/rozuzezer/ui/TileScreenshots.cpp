// Renders a wall of item tiles to PNG files for review: tile_screenshots <folder>.
// Runs on a real display (scripts/screenshots.sh starts one under Xvfb).
#include "rozuzezer/core/Enums.h"
#include "rozuzezer/ui/uHardDiskItem.h"

#include <QApplication>
#include <QDir>
#include <QGridLayout>
#include <QThread>
#include <QVBoxLayout>

#include <cstdio>

using namespace rozuzezer;
using namespace rozuzezer::ui;
using platform::component::MakeRef;
using platform::component::Ref;

namespace {

void Settle() {
    for (int i = 0; i < 10; ++i) {
        QCoreApplication::processEvents();
        QThread::msleep(15);
    }
}

void Save(QWidget* w, const QString& folder, const char* name) {
    Settle();
    const QString path = folder + "/" + name + ".png";
    if (!w->grab().save(path))
        std::fprintf(stderr, "could not write %s\n", qPrintable(path));
    else
        std::printf("%s\n", qPrintable(path));
}

struct Sample {
    const char* reference;
    const char* lines[4];
    float extro;
    std::int32_t ending;
    std::uint32_t back; // the item's colour; 0x8000000F is "none"
    std::uint32_t text;
    const char* notes;
    bool canPlay;
};

const Sample kSamples[] = {
    {"00123",
     {"Morning Jingle", "Station ID", "Sung, 10 seconds", ""},
     9.6f,
     cheEnd,
     0x8000000F,
     0x80000012,
     "",
     true},
    {"SWP-0042",
     {"Traffic & Travel", "Sweeper into news", "", ""},
     4.2f,
     cheFades,
     0x80FFFF,
     0x000000,
     "Use before the half-hour traffic bulletin",
     true},
    {"AD 7731",
     {"Harbour Furniture", "Spring Sale \xE2\x80\x94 30 seconds", "Copy B", ""},
     29.8f,
     cheSustain,
     0xC0FFC0,
     0x004000,
     "",
     true},
    {"M 19804",
     {"Ode to the Evening Tide (Extended Club Remix featuring the Harbour Strings)",
      "The Lighthouse Keepers", "Album: Shorelines", ""},
     383.f,
     cheFades,
     0xFFE0C0,
     0x602000,
     "Radio edit available as M 19805",
     true},
    {"ID-07", {"Top of the Hour", "News Sting", "", ""}, 6.f, cheEnd, 0x4040C0, 0xFFFFFF, "", true},
    {"BED 12",
     {"Weather Bed", "Instrumental loop", "", ""},
     62.f,
     cheSustain,
     0x8000000F,
     0x80000012,
     "",
     false},
    {"PROMO 3",
     {"Saturday Night Live", "Promo \xE2\x80\x93 Voice: Anna", "Ends 12 Mar", ""},
     21.4f,
     cheNonSpecific,
     0xFFC0FF,
     0x400040,
     "",
     true},
    {"CART 0815",
     {"Caf\xC3\xA9 M\xC3\xBCller", "Lunch offers", "", ""},
     14.9f,
     cheSlowFade,
     0xA0E0FF,
     0x003060,
     "Client: Caf\xC3\xA9 M\xC3\xBCller",
     true},
    {"SFX 220",
     {"Applause", "Studio audience, long", "", ""},
     11.f,
     cheFades,
     0xE0E0E0,
     0x202020,
     "",
     true},
    {"V 1",
     {"Breaking News", "Urgent bed", "", ""},
     180.f,
     cheEnd,
     0x2020A0,
     0xFFFFFF,
     "Only for breaking news",
     true},
    {"", {}, 0, 0, 0, 0, "", false}, // an empty slot: no item
    {"LINER 9",
     {"Request Line", "Call 0800 123 456", "Liner, dry", ""},
     3.5f,
     cheEnd,
     0xC0E0C0,
     0x204020,
     "",
     false},
};

Ref<cHardDiskItem> Make(const Sample& s) {
    auto item = MakeRef<cHardDiskItem>();
    item->Reference = s.reference;
    for (std::int16_t i = 0; i < 4; ++i)
        item->SetDescription(i + 1, s.lines[i] ? s.lines[i] : "");
    item->TotalLength = s.extro + 1.f;
    item->AudioEnd = s.extro + 1.f;
    item->SetExtro(s.extro);
    item->EndType = s.ending;
    item->BackColour = static_cast<std::int32_t>(s.back);
    item->TextColour = static_cast<std::int32_t>(s.text);
    item->Notes = s.notes;
    return item;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    QDir().mkpath(folder);

    // A 4 x 3 wall of normal tiles, as a playout host lays them out.
    QWidget wall;
    wall.setObjectName("TileWall");
    wall.setStyleSheet("QWidget#TileWall { background: #2b2f36; }");
    auto* grid = new QGridLayout(&wall);
    grid->setSpacing(4);
    grid->setContentsMargins(6, 6, 6, 6);
    int n = 0;
    for (const Sample& s : kSamples) {
        auto* tile = new uHardDiskItem(&wall, "uHardDiskItem" + std::to_string(n + 1));
        tile->setFixedSize(220, 110);
        if (*s.reference) tile->SetHardDiskItem(Make(s));
        tile->SetCanEdit(true);
        tile->SetCanPlay(s.canPlay);
        if (n == 9) tile->SetBackColor(0xE0D0B0);
        if (n == 5) tile->SetTimeBackColor(0x402000);
        grid->addWidget(tile, n / 4, n % 4);
        ++n;
    }
    wall.show();
    Save(&wall, folder, "tile_wall");

    // Skinny tiles: one line each, with different buttons shown.
    QWidget skinny;
    skinny.setObjectName("SkinnyWall");
    skinny.setStyleSheet("QWidget#SkinnyWall { background: #2b2f36; }");
    auto* column = new QVBoxLayout(&skinny);
    column->setSpacing(3);
    column->setContentsMargins(6, 6, 6, 6);
    for (int i = 0; i < 4; ++i) {
        auto* tile = new uHardDiskItem(&skinny, "uHardDiskItemSkinny" + std::to_string(i + 1));
        tile->setFixedWidth(420);
        tile->SetSkinnyMode(true);
        tile->SetHardDiskItem(Make(kSamples[i]));
        tile->SetCanEdit(true);
        tile->SetCanPlay(true);
        tile->SetDisplayEditInSkinny(i % 2 == 1);
        tile->SetDisplayDeleteinSkinny(i >= 2);
        column->addWidget(tile);
    }
    skinny.show();
    Save(&skinny, folder, "tile_skinny");
    return 0;
}
