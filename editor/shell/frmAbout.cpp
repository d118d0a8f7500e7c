#include "editor/shell/frmAbout.h"

#include "editor/shell/ClientSize.h"
#include "editor/shell/LumoEdit_FN.h"
#include "editor/shell/SoundPlayer.h"
#include "platform/base/MessageBox.h"
#include "platform/fs/Process.h"
#include "shared/helpers/FileHelper.h"
#include "shared/helpers/Utility.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <cstring>

#ifndef LUMOEDIT_VERSION
#define LUMOEDIT_VERSION "0.0.0"
#endif
#ifndef LUMOEDIT_COPYRIGHT
#define LUMOEDIT_COPYRIGHT "Copyright (C) Brevant"
#endif

namespace lumoedit {

using namespace platform::ui;
namespace reg = platform::registry;

std::string ProgramVersion() { return LUMOEDIT_VERSION; }
std::string ProgramCopyright() { return LUMOEDIT_COPYRIGHT; }

bool GetKeyValue(reg::HKEY KeyRoot, const std::string& KeyName, const std::string& SubKeyRef, std::string& KeyVal) {
    reg::HKEY key = 0;
    // Read access is enough to read a value, and all a user without administrator rights gets.
    if (reg::RegOpenKeyEx(KeyRoot, KeyName, 0, reg::KEY_READ, &key) != reg::ERROR_SUCCESS) {
        KeyVal.clear();
        return false;
    }
    std::uint8_t buffer[1024] = {};
    reg::DWORD size = sizeof buffer;
    reg::DWORD type = 0;
    if (reg::RegQueryValueEx(key, SubKeyRef, &type, buffer, &size) != reg::ERROR_SUCCESS) {
        KeyVal.clear();
        reg::RegCloseKey(key);
        return false;
    }
    std::string data(reinterpret_cast<const char*>(buffer), size);
    if (!data.empty() && data.back() == '\0') data.pop_back();
    if (type == reg::REG_SZ) {
        KeyVal = data;
    } else if (type == reg::REG_DWORD && size >= 4) {
        std::int32_t v = 0;
        std::memcpy(&v, buffer, 4);
        KeyVal = std::to_string(v);
    }
    reg::RegCloseKey(key);
    return true;
}

namespace {

QPixmap LogoPicture(int w, int h) {
    QPixmap pm(w, h);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, h);
    g.setColorAt(0, QColor(0x2b, 0x6c, 0xd4));
    g.setColorAt(1, QColor(0x12, 0x2f, 0x6e));
    QPainterPath frame;
    frame.addRoundedRect(QRectF(1, 1, w - 2, h - 2), w / 6.0, h / 6.0);
    p.fillPath(frame, g);
    p.setPen(QPen(QColor(255, 255, 255, 90), 1));
    p.drawPath(frame);
    // a waveform across the middle
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xff, 0xd2, 0x4a));
    const int bars = 11;
    const double bw = (w - w / 4.0) / (bars * 1.6);
    for (int i = 0; i < bars; ++i) {
        const double x = w / 8.0 + i * bw * 1.6;
        const double amp = (0.25 + 0.75 * std::fabs(std::sin(i * 0.9 + 0.4))) * h * 0.28;
        p.drawRoundedRect(QRectF(x, h * 0.42 - amp, bw, 2 * amp), bw / 2, bw / 2);
    }
    QFont f = p.font();
    f.setBold(true);
    f.setPixelSize(std::max(9, h / 7));
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(0, h * 0.72, w, h * 0.24), Qt::AlignCenter, QStringLiteral("LumoEdit"));
    return pm;
}

} // namespace

frmAbout::frmAbout(QWidget* owner) : Form("frmAbout", owner) {
    SetCaption("About Lumo Edit v1");
    setWindowFlag(Qt::WindowMinMaxButtonsHint, false);
    QWidget* c = Client();
    picLogo = new PictureBox(c, "picLogo");
    picLogo->SetBorderStyle(0);
    Move(picLogo, 240, 240, 1440, 1440);
    picLogo->SetPicture(LogoPicture(96, 96));
    connect(picLogo, &PictureBox::Click, this, &frmAbout::picLogo_Click);

    lblTitle = new Label(c, "lblTitle", "Brevant Lumo Edit");
    QFont tf = lblTitle->font();
    tf.setPointSizeF(tf.pointSizeF() * 1.6);
    tf.setBold(true);
    lblTitle->setFont(tf);
    Move(lblTitle, 1920, 240, 5200, 480);
    lblVersion = new Label(c, "lblVersion");
    Move(lblVersion, 1920, 780, 5200, 285);
    lblCopyright = new Label(c, "lblCopyright");
    Move(lblCopyright, 1920, 1080, 5200, 285);

    lblSupportEmailDesc = new Label(c, "lblSupportEmailDesc", "Support e-mail:");
    Move(lblSupportEmailDesc, 1920, 1500, 1740, 285);
    lblSupportEmail = new Label(c, "lblSupportEmail", kSupportEmail);
    Move(lblSupportEmail, 3720, 1500, 3360, 285);
    lblSupportDesc = new Label(c, "lblSupportDesc", "Support Website:");
    Move(lblSupportDesc, 1920, 1800, 1740, 285);
    lblSupportWeb = new Label(c, "lblSupportWeb", kSupportWeb);
    Move(lblSupportWeb, 3720, 1800, 3360, 285);
    for (Label* link : {lblSupportEmail, lblSupportWeb}) {
        link->setCursor(Qt::PointingHandCursor);
        link->setStyleSheet(QStringLiteral("color: #1a56b8; text-decoration: underline;"));
    }
    connect(lblSupportEmail, &Label::Click, this, &frmAbout::lblSupportEmail_Click);
    connect(lblSupportWeb, &Label::Click, this, &frmAbout::lblSupportWeb_Click);

    auto* line = new QFrame(c);
    line->setObjectName(QStringLiteral("Line1"));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    Move(line, 240, 2280, 6840, 30);

    lblDisclaimer = new Label(c, "lblDisclaimer",
                              "Warning: this computer program is protected by copyright law and international "
                              "treaties. Unauthorised reproduction or distribution of this program, or any portion "
                              "of it, may result in severe civil and criminal penalties, and will be prosecuted to "
                              "the maximum extent possible under the law.");
    lblDisclaimer->setWordWrap(true);
    lblDisclaimer->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Move(lblDisclaimer, 240, 2400, 4900, 1300);

    cmdOK = new CommandButton(c, "cmdOK", "OK");
    cmdOK->SetDefault(true);
    cmdOK->SetCancel(true);
    Move(cmdOK, 5400, 2460, 1680, 375);
    connect(cmdOK, &CommandButton::Click, this, [this] { Unload(); });
    cmdSysInfo = new CommandButton(c, "cmdSysInfo", "&System Info...");
    Move(cmdSysInfo, 5400, 2940, 1680, 375);
    connect(cmdSysInfo, &CommandButton::Click, this, &frmAbout::cmdSysInfo_Click);
    SetClientSize(this, 7320, 3820);
}

std::string frmAbout::LogoSoundFile() const {
    const auto& app = helpers::Utility().App();
    return app.folder + "/" + app.name + ".abt";
}

void frmAbout::Form_Load() {
    lblVersion->SetCaption("Version " + ProgramVersion());
    lblCopyright->SetCaption(ProgramCopyright());
    if (helpers::FileHelper().FileSize(LogoSoundFile()) > 0) picLogo->setCursor(Qt::PointingHandCursor);
    else picLogo->unsetCursor();
}

void frmAbout::picLogo_Click() {
    const std::string sound = LogoSoundFile();
    if (helpers::FileHelper().FileSize(sound) > 0) SoundPlayer().PlayFile(sound);
}

void frmAbout::Form_QueryUnload(int&, int) { SoundPlayer().Stop(); }

void frmAbout::lblSupportEmail_Click() {
    platform::fs::ShellOpen("mailto:" + lblSupportEmail->Caption() + "?subject=" + kProductName + " " + lblVersion->Caption());
}

void frmAbout::lblSupportWeb_Click() { platform::fs::ShellOpen("http://" + lblSupportWeb->Caption()); }

void frmAbout::StartSysInfo() {
    try {
        SetMousePointer(PointerHourglass);
        std::string tool;
        std::string value;
        if (GetKeyValue(reg::HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH", value)) {
            tool = value;
        } else if (GetKeyValue(reg::HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Shared Tools Location", "MSINFO", value)) {
            const std::string candidate = value + "/MSINFO32.EXE";
            if (helpers::FileHelper().FileSize(candidate) >= 0) tool = candidate;
        }
        if (!tool.empty() && StartNamedProgram(tool)) {
            SetMousePointer(PointerDefault);
            return;
        }
    } catch (...) {
        // reported below like a tool that is not there
    }
    SetMousePointer(PointerDefault);
    platform::MsgBox("System Information Is Unavailable At This Time", platform::MsgButtons::OK, platform::MsgIcon::None);
}

} // namespace lumoedit
