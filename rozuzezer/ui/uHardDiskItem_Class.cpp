// The item tile in the type library: a control with its default interface (the properties
// in interface order and UpdateDisplay) and its event interface of fourteen events. Calls by
// name reach a tile through the object AutomationObject gives.
// The class tables come before Qt, whose "slots" keyword would clash with them.
#include "platform/component/ClassBuilder.h"
#include "rozuzezer/core/Library.h"

#include "platform/base/Error.h"
#include "rozuzezer/capi/bvrozuzezer2.h"
#include "rozuzezer/ui/uHardDiskItem.h"

#include <QPointer>

namespace rozuzezer::ui {

using namespace platform::component;

namespace {

class TileHandle : public Object {
public:
    explicit TileHandle(uHardDiskItem* t) : tile(t) {}
    uHardDiskItem& Tile() const {
        if (!tile) platform::Raise(platform::err::ObjectNotSet);
        return *tile;
    }
    const ClassInfo* Class() const noexcept override;
    QPointer<uHardDiskItem> tile;
};

using H = TileHandle;
using T = uHardDiskItem;

template <typename V>
void Prop(MemberTable<H>& t, const char* name, TypeRef type, V (T::*get)() const,
          void (T::*set)(V)) {
    t.Property(
        name, type, {}, [get, type](H& h, Args) { return ToVariant((h.Tile().*get)(), type); },
        [set, type](H& h, Args, const Variant& v) { (h.Tile().*set)(FromVariant<V>(v, type)); });
}

void Colour(MemberTable<H>& t, const char* name, platform::ui::OleColour (T::*get)() const,
            void (T::*set)(platform::ui::OleColour)) {
    t.Property(
        name, tColour, {},
        [get](H& h, Args) { return Variant(static_cast<std::int32_t>((h.Tile().*get)())); },
        [set](H& h, Args, const Variant& v) {
            (h.Tile().*set)(static_cast<platform::ui::OleColour>(v.ToInt32()));
        });
}

void Font(MemberTable<H>& t, const char* name, uHardDiskItem::FontRef (T::*get)() const,
          void (T::*set)(uHardDiskItem::FontRef)) {
    t.Property(
        name, tObject({}), {},
        [get](H& h, Args) { return Variant(Ref<Object>((h.Tile().*get)())); },
        [set](H& h, Args, const Variant& v) {
            auto* f = dynamic_cast<platform::ui::StdFont*>(v.ToObject().get());
            if (!f && v.ToObject()) platform::Raise(platform::err::TypeMismatch);
            (h.Tile().*set)(uHardDiskItem::FontRef(f));
        },
        true);
}

const InterfaceInfo& TileInterface() {
    static const InterfaceInfo itf = [] {
        MemberTable<H> t("_uHardDiskItem", Guid::Of(BVR_IID__uHardDiskItem));
        Colour(t, "BackColor", &T::BackColor, &T::SetBackColor);
        Colour(t, "TimeColor", &T::TimeColor, &T::SetTimeColor);
        Colour(t, "TimeBackColor", &T::TimeBackColor, &T::SetTimeBackColor);
        t.Property(
            "HardDiskItem", tObject("cHardDiskItem"), {},
            [](H& h, Args) { return Variant(Ref<Object>(h.Tile().HardDiskItem())); },
            [](H& h, Args, const Variant& v) {
                auto* item = dynamic_cast<cHardDiskItem*>(v.ToObject().get());
                if (!item && v.ToObject()) platform::Raise(platform::err::TypeMismatch);
                h.Tile().SetHardDiskItem(uHardDiskItem::ItemRef(item));
            },
            true);
        Font(t, "MainFont", &T::MainFont, &T::SetMainFont);
        Font(t, "TimeFont", &T::TimeFont, &T::SetTimeFont);
        Prop(t, "SkinnyMode", tBoolean, &T::SkinnyMode, &T::SetSkinnyMode);
        Prop(t, "CanEdit", tBoolean, &T::CanEdit, &T::SetCanEdit);
        Prop(t, "CanPlay", tBoolean, &T::CanPlay, &T::SetCanPlay);
        Prop(t, "DisplayEditInSkinny", tBoolean, &T::DisplayEditInSkinny,
             &T::SetDisplayEditInSkinny);
        Prop(t, "DisplayDeleteinSkinny", tBoolean, &T::DisplayDeleteinSkinny,
             &T::SetDisplayDeleteinSkinny);
        Prop(t, "DisplayPlayInSkinny", tBoolean, &T::DisplayPlayInSkinny,
             &T::SetDisplayPlayInSkinny);
        Prop(t, "DisplayInfoInSkinny", tBoolean, &T::DisplayInfoInSkinny,
             &T::SetDisplayInfoInSkinny);
        Prop(t, "DisplayEnding", tBoolean, &T::DisplayEnding, &T::SetDisplayEnding);
        Prop(t, "DisplayCaptionBevel", tBoolean, &T::DisplayCaptionBevel,
             &T::SetDisplayCaptionBevel);
        Prop(t, "BorderWidth", tInt16, &T::BorderWidth, &T::SetBorderWidth);
        Prop(t, "OLEDragMode", tInt32, &T::OLEDragMode, &T::SetOLEDragMode);
        Prop(t, "SkinnyTimePanelWidth", tInt16, &T::SkinnyTimePanelWidth,
             &T::SetSkinnyTimePanelWidth);
        Prop(t, "Redraw", tBoolean, &T::Redraw, &T::SetRedraw);
        Prop(t, "DisplayItemBackColour", tBoolean, &T::DisplayItemBackColour,
             &T::SetDisplayItemBackColour);
        t.Method("UpdateDisplay", tVoid, {}, [](H& h, Args) {
            h.Tile().UpdateDisplay();
            return Variant();
        });
        return t.Build();
    }();
    return itf;
}

const InterfaceInfo& TileEvents() {
    static const InterfaceInfo itf = [] {
        MemberTable<H> t("__uHardDiskItem", Guid::Of(BVR_IID___uHardDiskItem));
        t.Events();
        auto event = [&](const char* name, std::vector<ParamInfo> params) {
            t.Method(name, tVoid, std::move(params), [](H&, Args) { return Variant(); });
        };
        const std::vector<ParamInfo> mouse = {{"Button", tInt16, true},
                                              {"Shift", tInt16, true},
                                              {"X", tSingle, true},
                                              {"Y", tSingle, true}};
        event("Click", {});
        event("DblClick", {});
        event("MouseDown", mouse);
        event("MouseUp", mouse);
        event("MouseMove", mouse);
        event("DeleteClicked", {});
        event("EditClicked", {});
        event("PlayClicked", {});
        event("InfoClicked", {{"HDInfoType", tEnum("enHDInfoType"), true}});
        event("TimeClicked", {{"HDTimeType", tEnum("enHDTimeType"), true}});
        event("OLEDragOver", {{"Data", tObject({}), true},
                              {"Effect", tInt32, true},
                              {"Button", tInt16, true},
                              {"Shift", tInt16, true},
                              {"X", tSingle, true},
                              {"Y", tSingle, true},
                              {"State", tInt16, true}});
        event("OLEDragDrop", {{"Data", tObject({}), true},
                              {"Effect", tInt32, true},
                              {"Button", tInt16, true},
                              {"Shift", tInt16, true},
                              {"X", tSingle, true},
                              {"Y", tSingle, true}});
        event("OLEStartDrag", {{"Data", tObject({}), true}, {"AllowedEffects", tInt32, true}});
        event("OLECompleteDrag", {{"Effect", tInt32, true}});
        return t.Build();
    }();
    return itf;
}

ClassInfo& TileClass() {
    // A control is placed on a host's window, never made by the class factory.
    static ClassInfo cls{"uHardDiskItem",
                         Guid::Of(BVR_CLSID_uHardDiskItem),
                         ClassKind::Control,
                         &TileInterface(),
                         &TileEvents(),
                         {},
                         {}};
    return cls;
}

const Registration registration(Library(), TileClass());

const ClassInfo* TileHandle::Class() const noexcept {
    return &TileClass();
}

} // namespace

Ref<Object> AutomationObject(uHardDiskItem* tile) {
    return Ref<Object>(MakeRef<TileHandle>(tile));
}

} // namespace rozuzezer::ui
