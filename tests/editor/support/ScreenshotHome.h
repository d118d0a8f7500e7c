// What the program's screenshot renderers share: where the pictures go, and a scratch home
// with its own registry, drive map, temporary folder and fake sound devices, so a render never
// reads or changes the user's settings.
#pragma once

#include "platform/devices/Devices.h"
#include "shared/helpers/Utility.h"

#include <QCoreApplication>
#include <QDir>
#include <QString>
#include <QTemporaryDir>
#include <QThread>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace screenshots {

// Where the pictures go.
inline QString& Folder() {
    static QString folder = QStringLiteral("screenshots");
    return folder;
}

// The first argument, else "screenshots"; made when missing.
inline QString OutputFolder(int argc, char** argv) {
    if (argc > 1) Folder() = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(Folder());
    return Folder();
}

// Lets layouts, timers and background reads settle before a grab.
inline void Settle() {
    for (int i = 0; i < 10; ++i) {
        QCoreApplication::processEvents();
        QThread::msleep(15);
    }
}

// Grabs the widget into <folder>/<name>.png and prints the path.
inline void Save(QWidget* w, const QString& name) {
    Settle();
    const QString path = Folder() + "/" + name + ".png";
    if (!w->grab().save(path)) std::fprintf(stderr, "could not write %s\n", qPrintable(path));
    else std::printf("%s\n", qPrintable(path));
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
