// Property-bag text written by other programs, and the texts the tile turns into captions.
#include "platform/base/Error.h"
#include "platform/ui/PopupMenu.h"
#include "platform/ui/PropertyBag.h"
#include "platform/ui/UserControl.h"

#include <cstdint>
#include <cstdlib>
#include <string>

using platform::component::Ref;
using platform::component::Variant;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const auto bag = platform::ui::PropertyBag::FromText(text);
    const std::string written = bag.ToText();
    // What the bag writes reads back to the same bag.
    if (platform::ui::PropertyBag::FromText(written).ToText() != written) std::abort();
    const Variant defaults[] = {
        Variant::Boolean(false),
        Variant(std::int16_t{0}),
        Variant(std::int32_t{0}),
        Variant(0.0),
        Variant(""),
        Variant(Ref<platform::component::Object>(platform::ui::StdFont::New()))};
    for (const std::string& name : bag.Names())
        for (const Variant& d : defaults) {
            try {
                bag.ReadProperty(name, d);
            } catch (const platform::RuntimeError& e) {
                if (e.Number() != 6 && e.Number() != 13) std::abort();
            }
        }
    const std::string cut = platform::ui::LeftCharacters(text, 40);
    if (cut.size() > text.size() || text.compare(0, cut.size(), cut) != 0) std::abort();
    const QString caption = platform::ui::MenuCaption(text);
    if (caption.contains(QLatin1Char('\n')) || caption.contains(QLatin1Char('\r'))) std::abort();
    return 0;
}
