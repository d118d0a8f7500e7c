// The property bag a control saves its persisted properties to and reads them from.
//
// A value equal to its default is not written (and a value written earlier under that name
// is dropped), so a bag holds only what differs. Reading a missing name gives the default;
// a stored value is converted to the default's type, and one that does not convert raises
// error 13 (type mismatch; a number too large for the type raises 6). Font objects are
// stored as copies, so a bag never shares a font with a control.
//
// The text form, one value a line, names compared without regard to case:
//     BorderWidth = 8
//     SkinnyMode = True
//     Caption = "Say \"hi\"\n"          (texts quoted, backslash escapes as the item lists)
//     BeginProperty MainFont
//         Name = "Arial"
//         Size = 9.75
//         ...
//     EndProperty
// Reading text written by another program never fails: a line that is not a value, a
// duplicate name (the first counts) or a broken font block is skipped or kept as a value of
// the wrong type, and each is noted in the problems list.
#pragma once

#include "platform/component/Variant.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform::ui {

class PropertyBag {
public:
    platform::component::Variant
    ReadProperty(std::string_view name, const platform::component::Variant& defaultValue) const;
    void WriteProperty(std::string_view name, const platform::component::Variant& value,
                       const platform::component::Variant& defaultValue);

    bool Contains(std::string_view name) const;
    // Names in the order they were first written or read from text.
    std::vector<std::string> Names() const;
    bool Empty() const { return values_.empty(); }

    std::string ToText() const;
    static PropertyBag FromText(std::string_view text,
                                std::vector<std::string>* problems = nullptr);

private:
    const platform::component::Variant* Find(std::string_view name) const;
    std::vector<std::pair<std::string, platform::component::Variant>> values_;
};

} // namespace platform::ui
