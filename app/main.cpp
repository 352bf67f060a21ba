// Grafion: creates the application and the main window and runs the message loop.

#include "GrafionApplication.h"
#include "Net_cnx.h"
#include "Var_dati.h"

#include <memory>

int main(int argc, char** argv)
{
    GrafionApplication app(argc, argv);
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
