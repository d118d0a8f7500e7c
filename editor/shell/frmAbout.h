// The about box: version and copyright of this build, the support contacts, a legal notice,
// a logo that plays the program's ".abt" sound, and the system information tool.
#pragma once

#include "platform/ui/Containers.h"
#include "platform/registry/Registry.h"
#include "platform/ui/Form.h"

#include <string>

namespace lumoedit {

// Version and copyright of the build.
std::string ProgramVersion();   // "major.minor.revision"
std::string ProgramCopyright();
inline constexpr const char* kProductName = "LumoEdit";
inline constexpr const char* kSupportEmail = "support@brevant.example";
inline constexpr const char* kSupportWeb = "support.brevant.example";

// A value of a registry key under `KeyRoot`: a text as it stands, a 32-bit number as its
// decimal text. False, and KeyVal empty, when the key or value cannot be read.
bool GetKeyValue(platform::registry::HKEY KeyRoot, const std::string& KeyName, const std::string& SubKeyRef,
                 std::string& KeyVal);

class frmAbout : public platform::ui::Form {
public:
    explicit frmAbout(QWidget* owner = nullptr);

    void StartSysInfo();
    // The logo sound beside the program: its folder, its name and ".abt".
    std::string LogoSoundFile() const;

    void picLogo_Click();
    void lblSupportEmail_Click();
    void lblSupportWeb_Click();
    void cmdSysInfo_Click() { StartSysInfo(); }

    platform::ui::PictureBox* picLogo = nullptr;
    platform::ui::Label* lblTitle = nullptr;
    platform::ui::Label* lblVersion = nullptr;
    platform::ui::Label* lblCopyright = nullptr;
    platform::ui::Label* lblSupportEmailDesc = nullptr;
    platform::ui::Label* lblSupportEmail = nullptr;
    platform::ui::Label* lblSupportDesc = nullptr;
    platform::ui::Label* lblSupportWeb = nullptr;
    platform::ui::Label* lblDisclaimer = nullptr;
    platform::ui::CommandButton* cmdOK = nullptr;
    platform::ui::CommandButton* cmdSysInfo = nullptr;

protected:
    void Form_Load() override;
    void Form_QueryUnload(int& Cancel, int UnloadMode) override;
};

} // namespace lumoedit
