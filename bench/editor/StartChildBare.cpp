// The peer: a bare Qt Widgets program showing one empty maximised window.
#include "StartChild.h"

#include <QApplication>
#include <QMainWindow>
#include <QTimer>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Bare"));
    window.showMaximized();
    QTimer::singleShot(0, &app, [] {
        ReportIdle();
        QApplication::exit(0);
    });
    return QApplication::exec();
}
