// The program: creates the window, runs its load handler, which settles the
// image disc's drive, shows the window with the focus on the start button and
// hands control to Qt's event loop until the window closes.

#include "ui/main_window.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("run"));
    QApplication::setApplicationVersion(QStringLiteral("1.00"));
    QApplication::setDesktopFileName(QStringLiteral("run"));

    MainWindow window;
    window.load();
    window.show();
    // Active at once, so that Space clicks the start button and the access
    // keys work before the user has clicked into the window.
    window.activateWindow();
    return app.exec();
}
