// What the program's screenshot renderers share: where the pictures go, and a scratch home
// with its own registry, drive map, temporary folder and fake sound devices, so a render never
// reads or changes the user's settings.
#pragma once

#include "platform/devices/Devices.h"
#include "shared/helpers/Utility.h"

#include <QDir>
#include <QString>
#include <QTemporaryDir>

#include <cstdlib>
#include <string>

namespace screenshots {

// The first argument, else "screenshots"; made when missing.
inline QString OutputFolder(int argc, char** argv) {
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("screenshots");
    QDir().mkpath(out);
    return out;
}

// Points the settings at the scratch home, installs the fake devices and names the program
// as living there. Returns the home's path.
inline std::string PrepareHome(const QTemporaryDir& home, const char* devices) {
    const std::string folder = home.path().toStdString();
    setenv("BREVANT_REGISTRY_DIR", (folder + "/registry").c_str(), 1);
    setenv("BREVANT_DRIVE_MAP", (folder + "/drives.map").c_str(), 1);
    QDir().mkpath(QString::fromStdString(folder + "/registry"));
    QDir().mkpath(QString::fromStdString(folder + "/temp"));
    platform::devices::SetFakeDevices(platform::devices::ParseDeviceList(devices));
    helpers::Utility().SetApplication({"LumoEdit", folder, ""});
    return folder;
}

} // namespace screenshots
