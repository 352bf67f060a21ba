#include "Startup.h"

#include "CommandLineExport.h"
#include "GrafionApplication.h"
#include "Load_dat.h"
#include "Net_cnx.h"
#include "Var_dati.h"

#include <QFileInfo>
#include <QIcon>

#include <cstdio>

namespace {

void print(std::FILE* stream, const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

void set_application_identity(GrafionApplication& app)
{
    // The application icon, in every size it is drawn in (the same pictures as the desktop
    // entry's); the desktop file name lets the desktop match the windows to that entry.
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/grafion-%1.png").arg(size), QSize(size, size));
    app.setWindowIcon(icon);
    app.setDesktopFileName(QStringLiteral("org.grafion.Grafion"));
}

} // namespace

StartedWindows start_windows(const CommandLine& command)
{
    StartedWindows windows;
    if (command.action == CommandLine::Action::ViewFile) {
        windows.viewer = std::make_unique<TForm_load_dat>(nullptr);
        Form_load_dat = windows.viewer.get();
        windows.viewer->show();
        try {
            windows.viewer->load_file(command.file);
        } catch (...) {
            // A file that exists but cannot be read: the reason, and the viewer stays.
            show_current_exception();
        }
        return windows;
    }
    windows.main = std::make_unique<TForm_net>();
    // The parameter grid made at start-up stays hidden; the "Dati" command shows grids of
    // its own. Owned by the main window, it goes when the program ends.
    Form_var_dati = new TForm_var_dati(windows.main.get());
    windows.main->show();
    return windows;
}

int grafion_main(int argc, char** argv)
{
    const CommandLine command = parse_command_line(command_line_arguments(argc, argv));
    switch (command.action) {
    case CommandLine::Action::ShowHelp:
        print(stdout, usage_text());
        return 0;
    case CommandLine::Action::ShowVersion:
        print(stdout, version_text());
        return 0;
    case CommandLine::Action::UsageError:
        print(stderr, QStringLiteral("grafion: %1\n\n%2").arg(command.error, usage_text()));
        return kExitUsage;
    case CommandLine::Action::ExportCsv:
        return export_csv_from_command_line(command);
    case CommandLine::Action::ExportPdf:
    case CommandLine::Action::ExportPng:
        return export_page_from_command_line(command, argc, argv);
    case CommandLine::Action::ViewFile:
        // Said on the terminal, before any window: there is nothing to show.
        if (!QFileInfo(command.file).isFile()) {
            print(stderr, QStringLiteral("grafion: %1: no such file\n").arg(command.file));
            return 1;
        }
        break;
    case CommandLine::Action::MainWindow:
        break;
    }

    GrafionApplication app(argc, argv);
    set_application_identity(app);
    try {
        const StartedWindows windows = start_windows(command);
        return app.exec();
    } catch (...) {
        show_current_exception();
    }
    return 0;
}
