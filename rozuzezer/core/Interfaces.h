// The two interfaces that hosts implement. The library's own definitions do nothing:
// derive from them and override what the host supports. A derived object is callable by
// name through the interface's members.
#pragma once

#include "platform/component/Object.h"

#include <cstdint>
#include <string>

namespace rozuzezer {

// An item editor that a host can ask to edit one piece of the open item or to play it.
class iEditHardDiskItem : public platform::component::Object {
public:
    const platform::component::ClassInfo* Class() const noexcept override;

    // InfoType is an enEditInfo value; True when the editor went to that piece.
    virtual bool EditInformation(std::int32_t InfoType);
    // AudioType is an enPlayAudio value; True when it played.
    virtual bool PlayAudio(std::int32_t AudioType);
};

// The host's call-back: an item with this reference was changed and saved, or should be shown.
class iAudioCallback : public platform::component::Object {
public:
    const platform::component::ClassInfo* Class() const noexcept override;

    virtual void HardDiskItemUpdated(const std::string& HDRef);
    virtual void DisplayHardDiskItem(const std::string& HDRef);
};

} // namespace rozuzezer
