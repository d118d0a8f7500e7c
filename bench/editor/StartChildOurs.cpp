// LumoEdit as the program starts it, quitting as soon as it first stands idle.
#include "StartChild.h"

#include "editor/app/Program.h"

#include <QApplication>

int main(int argc, char** argv) {
    return lumoedit::RunLumoEdit(argc, argv, [] {
        ReportIdle();
        QApplication::exit(0);
    });
}
