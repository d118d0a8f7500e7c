// The user directory: the one object through which the editor reaches the current user's
// preferences (per user, HKEY_CURRENT_USER) and permissions (per machine,
// HKEY_LOCAL_MACHINE), both under "SOFTWARE\Brevant\LumoEdit\v1". Nothing is cached:
// every read goes to the registry and every write is made at once, so a value another
// program changed is seen at the next read. A value equal to its default is deleted
// instead of written.
#pragma once

#include "platform/component/Object.h"

#include <concepts>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lumoedit {

// A value of any type as the preferences take it: kept as its text. Numbers give their
// decimal text (100 -> "100", 0.5 -> "0.5"), Booleans "True" / "False".
class PrefValue {
public:
    PrefValue(const char* text) : text_(text ? text : "") {}
    PrefValue(std::string text) : text_(std::move(text)) {}
    PrefValue(std::string_view text) : text_(text) {}
    PrefValue(bool value) : text_(value ? "True" : "False") {}
    template <std::integral T>
        requires(!std::same_as<T, bool> && !std::same_as<T, char>)
    PrefValue(T value) : text_(std::to_string(value)) {}
    PrefValue(double value);
    PrefValue(float value);
    const std::string& Text() const { return text_; }

private:
    std::string text_;
};

// The font object the preferences carry for cart mode; never stored.
struct cFont {
    std::string Name = "Arial";
    float Size = 8.25f;
    bool Bold = false;
    bool Italic = false;
};

class cDirectoryPrefPerms : public platform::component::Object {
public:
    cDirectoryPrefPerms() = default;

    // Kept in memory only (cart mode).
    std::int32_t CartPersonalRangeStart() const { return cartPersonalRangeStart_; }
    void SetCartPersonalRangeStart(std::int32_t v) { cartPersonalRangeStart_ = v; }
    std::int32_t CartLastCreated() const { return cartLastCreated_; }
    void SetCartLastCreated(std::int32_t v) { cartLastCreated_ = v; }
    cFont& CartFont() { return cartFont_; }
    const cFont& CartFont() const { return cartFont_; }

    // Named preferences, always in HKEY_CURRENT_USER whichever object they are called on.
    // "EditorDisplayDescriptions": default False; True stores 1, False deletes.
    bool EditorDisplayDescriptions() const;
    void SetEditorDisplayDescriptions(bool bNewValue);
    // "EditorOpenAudioOnLoad": default True; False stores 0, True deletes.
    bool EditorOpenAudioOnLoad() const;
    void SetEditorOpenAudioOnLoad(bool bNewValue);
    // "EditorScaleMode": default 1, which deletes. A stored number outside the 16-bit
    // range (written by another program) reads as the default.
    std::int16_t EditorScaleMode() const;
    void SetEditorScaleMode(std::int16_t iNewValue);

    // A preference (HKEY_CURRENT_USER) as text: the stored REG_SZ, the default's text when
    // none is stored, "" when a value of another type is stored. Callers convert numbers.
    std::string GetPreference(std::string_view Reference, const PrefValue& Default) const;
    // Stores NewValue's text, or deletes the value when it equals Default's text.
    void SetPreference(std::string_view Reference, const PrefValue& NewValue, const PrefValue& Default);

    // The same for a permission (HKEY_LOCAL_MACHINE). A user who may not write the
    // machine's settings changes nothing, and hears nothing.
    std::string GetPermission(std::string_view Reference, const PrefValue& Default) const;
    void SetPermission(std::string_view Reference, const PrefValue& NewValue, const PrefValue& Default);

    // Several permissions stored as one change: the machine holds all of them, or, when its
    // settings cannot be written, none.
    struct PermissionChange {
        std::string Reference;
        PrefValue NewValue;
        PrefValue Default;
    };
    void SetPermissions(const std::vector<PermissionChange>& changes);

private:
    std::int32_t cartPersonalRangeStart_ = 0;
    std::int32_t cartLastCreated_ = 0;
    cFont cartFont_;
};

class cCurrentUser : public platform::component::Object {
public:
    cCurrentUser();

    const std::string& LoginName() const { return loginName_; }
    void SetLoginName(std::string name) { loginName_ = std::move(name); }
    std::int32_t UserNumber() const { return userNumber_; }
    void SetUserNumber(std::int32_t n) { userNumber_ = n; }

    // Preferences (per user) and permissions (per machine); both live as long as this.
    cDirectoryPrefPerms& Duvavizud3Preferences() const { return *preferences_; }
    cDirectoryPrefPerms& Duvavizud3Permissions() const { return *permissions_; }

private:
    std::string loginName_;
    std::int32_t userNumber_ = 0;
    platform::component::Ref<cDirectoryPrefPerms> preferences_;
    platform::component::Ref<cDirectoryPrefPerms> permissions_;
};

class cBVDirectory : public platform::component::Object {
public:
    cBVDirectory();

    cCurrentUser& CurrentUser() const { return *currentUser_; }

    // A logging object; nothing in file mode creates or uses one.
    const platform::component::Ref<platform::component::Object>& Logging() const { return logging_; }
    void SetLogging(platform::component::Ref<platform::component::Object> l) { logging_ = std::move(l); }

    // Takes any two values and does nothing (contact permissions live elsewhere).
    template <typename A, typename B>
    void SaveContactPermissions(const A&, const B&) {}

private:
    platform::component::Ref<cCurrentUser> currentUser_;
    platform::component::Ref<platform::component::Object> logging_;
};

} // namespace lumoedit
