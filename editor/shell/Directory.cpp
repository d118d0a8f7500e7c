#include "editor/shell/Directory.h"

#include "editor/shell/Registry.h"
#include "platform/base/Numeric.h"

namespace lumoedit {

PrefValue::PrefValue(double value) : text_(platform::FormatDouble(value)) {}
PrefValue::PrefValue(float value) : text_(platform::FormatSingle(value)) {}

bool cDirectoryPrefPerms::EditorDisplayDescriptions() const {
    return Registry::GetDWORDSetting(HKEY_CURRENT_USER, kSettingsKey, "EditorDisplayDescriptions", 0) != 0;
}

void cDirectoryPrefPerms::SetEditorDisplayDescriptions(bool bNewValue) {
    Registry::SaveDWORDSetting(HKEY_CURRENT_USER, kSettingsKey, "EditorDisplayDescriptions",
                               bNewValue ? 1 : 0, 0);
}

bool cDirectoryPrefPerms::EditorOpenAudioOnLoad() const {
    return Registry::GetDWORDSetting(HKEY_CURRENT_USER, kSettingsKey, "EditorOpenAudioOnLoad", 1) != 0;
}

void cDirectoryPrefPerms::SetEditorOpenAudioOnLoad(bool bNewValue) {
    Registry::SaveDWORDSetting(HKEY_CURRENT_USER, kSettingsKey, "EditorOpenAudioOnLoad",
                               bNewValue ? 1 : 0, 1);
}

std::int16_t cDirectoryPrefPerms::EditorScaleMode() const {
    const std::int32_t v = Registry::GetDWORDSetting(HKEY_CURRENT_USER, kSettingsKey, "EditorScaleMode", 1);
    // Only 16-bit numbers are valid here; anything else came from another program and
    // must not stop the editor from starting.
    if (v < -32768 || v > 32767) return 1;
    return static_cast<std::int16_t>(v);
}

void cDirectoryPrefPerms::SetEditorScaleMode(std::int16_t iNewValue) {
    Registry::SaveDWORDSetting(HKEY_CURRENT_USER, kSettingsKey, "EditorScaleMode", iNewValue, 1);
}

std::string cDirectoryPrefPerms::GetPreference(std::string_view Reference, const PrefValue& Default) const {
    return Registry::GetStringSetting(HKEY_CURRENT_USER, kSettingsKey, Reference, Default.Text());
}

void cDirectoryPrefPerms::SetPreference(std::string_view Reference, const PrefValue& NewValue,
                                        const PrefValue& Default) {
    Registry::SaveStringSetting(HKEY_CURRENT_USER, kSettingsKey, Reference, NewValue.Text(), Default.Text());
}

std::string cDirectoryPrefPerms::GetPermission(std::string_view Reference, const PrefValue& Default) const {
    return Registry::GetStringSetting(HKEY_LOCAL_MACHINE, kSettingsKey, Reference, Default.Text());
}

void cDirectoryPrefPerms::SetPermission(std::string_view Reference, const PrefValue& NewValue,
                                        const PrefValue& Default) {
    Registry::SaveStringSetting(HKEY_LOCAL_MACHINE, kSettingsKey, Reference, NewValue.Text(), Default.Text());
}

void cDirectoryPrefPerms::SetPermissions(const std::vector<PermissionChange>& changes) {
    Registry::Transaction permissions(HKEY_LOCAL_MACHINE);
    for (const PermissionChange& c : changes)
        permissions.SaveStringSetting(kSettingsKey, c.Reference, c.NewValue.Text(), c.Default.Text());
    permissions.Commit();
}

cCurrentUser::cCurrentUser()
    : preferences_(platform::component::MakeRef<cDirectoryPrefPerms>()),
      permissions_(platform::component::MakeRef<cDirectoryPrefPerms>()) {}

cBVDirectory::cBVDirectory() : currentUser_(platform::component::MakeRef<cCurrentUser>()) {}

} // namespace lumoedit
