#include "rozuzezer/core/Interfaces.h"

#include "platform/component/ClassBuilder.h"
#include "rozuzezer/capi/bvrozuzezer2.h"
#include "rozuzezer/core/Library.h"

namespace rozuzezer {

using namespace platform::component;

bool iEditHardDiskItem::EditInformation(std::int32_t) {
    return false;
}
bool iEditHardDiskItem::PlayAudio(std::int32_t) {
    return false;
}
void iAudioCallback::HardDiskItemUpdated(const std::string&) {}
void iAudioCallback::DisplayHardDiskItem(const std::string&) {}

namespace {

ClassInfo& EditHardDiskItemClass() {
    static const InterfaceInfo itf =
        MemberTable<iEditHardDiskItem>("_iEditHardDiskItem", Guid::Of(BVR_IID__iEditHardDiskItem))
            .Method("EditInformation", tBoolean, {{"InfoType", tEnum("enEditInfo"), false}},
                    [](iEditHardDiskItem& o, Args a) {
                        return Variant::Boolean(o.EditInformation(a[0].ToInt32()));
                    })
            .Method("PlayAudio", tBoolean, {{"AudioType", tEnum("enPlayAudio"), false}},
                    [](iEditHardDiskItem& o, Args a) {
                        return Variant::Boolean(o.PlayAudio(a[0].ToInt32()));
                    })
            .Build();
    static ClassInfo cls{"iEditHardDiskItem",
                         Guid::Of(BVR_CLSID_iEditHardDiskItem),
                         ClassKind::InterfaceClass,
                         &itf,
                         nullptr,
                         {},
                         {}};
    return cls;
}

ClassInfo& AudioCallbackClass() {
    static const InterfaceInfo itf =
        MemberTable<iAudioCallback>("_iAudioCallback", Guid::Of(BVR_IID__iAudioCallback))
            .Method("HardDiskItemUpdated", tVoid, {{"HDRef", tText, false}},
                    [](iAudioCallback& o, Args a) {
                        o.HardDiskItemUpdated(a[0].ToText());
                        return Variant();
                    })
            .Method("DisplayHardDiskItem", tVoid, {{"HDRef", tText, false}},
                    [](iAudioCallback& o, Args a) {
                        o.DisplayHardDiskItem(a[0].ToText());
                        return Variant();
                    })
            .Build();
    static ClassInfo cls{"iAudioCallback",
                         Guid::Of(BVR_CLSID_iAudioCallback),
                         ClassKind::InterfaceClass,
                         &itf,
                         nullptr,
                         {},
                         {}};
    return cls;
}

const Registration editRegistration(Library(), EditHardDiskItemClass());
const Registration callbackRegistration(Library(), AudioCallbackClass());

} // namespace

const ClassInfo* iEditHardDiskItem::Class() const noexcept {
    return &EditHardDiskItemClass();
}
const ClassInfo* iAudioCallback::Class() const noexcept {
    return &AudioCallbackClass();
}

} // namespace rozuzezer
