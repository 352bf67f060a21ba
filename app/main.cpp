// Grafion: creates the application and the main window and runs the message loop.

#include "GrafionApplication.h"
#include "Net_cnx.h"

#include <memory>

int main(int argc, char** argv)
{
    GrafionApplication app(argc, argv);
    try {
        const auto window = std::make_unique<TForm_net>();
        // The hidden parameter grid window is created here, after the main window.
        window->show();
        return app.exec();
    } catch (...) {
        show_current_exception();
    }
    return 0;
}
