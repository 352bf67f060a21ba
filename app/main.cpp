// Grafion: creates the application and the main window and runs the message loop.

#include "GrafionApplication.h"
#include "Net_cnx.h"
#include "Var_dati.h"

#include <QIcon>

#include <memory>

int main(int argc, char** argv)
{
    GrafionApplication app(argc, argv);
    // The application icon, in every size it is drawn in (the same pictures as the desktop
    // entry's); the desktop file name lets the desktop match the windows to that entry.
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/grafion-%1.png").arg(size), QSize(size, size));
    app.setWindowIcon(icon);
    app.setDesktopFileName(QStringLiteral("org.grafion.Grafion"));
    try {
        const auto window = std::make_unique<TForm_net>();
        // The parameter grid made at start-up stays hidden; the "Dati" command shows grids
        // of its own. Owned by the main window, it goes when the program ends.
        Form_var_dati = new TForm_var_dati(window.get());
        window->show();
        return app.exec();
    } catch (...) {
        show_current_exception();
    }
    return 0;
}
