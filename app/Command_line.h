#pragma once
// The program's command line, read before anything else exists: no window, no socket. The
// result is a plain description of what to do, so that it is tested without a display and
// new commands (an export, say) are one more action and its fields.

#include <QSize>
#include <QString>
#include <QStringList>

struct CommandLine {
    enum class Action {
        MainWindow,  // no arguments: the acquisition window, which looks for the controller
        ViewFile,    // one file: the saved-diagram viewer alone, on that file
        ShowHelp,    // --help: print usage_text() to standard output, exit 0
        ShowVersion, // --version: print version_text() to standard output, exit 0
        ExportCsv,   // --export-csv IN OUT: the file's samples as CSV, no window
        ExportPdf,   // --export-pdf IN OUT: the file's printed page as PDF, no window
        ExportPng,   // --export-png IN OUT: the file's diagram as a PNG picture, no window
        UsageError,  // anything else: print error and usage_text() to standard error, exit 2
    };
    Action action = Action::MainWindow;
    QString file;              // ViewFile and the exports: the diagram file as given
    QString output;            // the exports: the file to write
    bool csvSemicolon = false; // ExportCsv: semicolons between fields, decimal commas
    QSize size{1200, 700};     // ExportPng: the picture's size in pixels
    QString error;             // UsageError: what was wrong, one line
};

// The picture sizes --size accepts, in pixels, for either side.
inline constexpr int kMinPictureSide = 100;
inline constexpr int kMaxPictureSide = 8000;

// arguments as QCoreApplication::arguments() gives them: the program first. Qt's own
// options (-platform, -style, ...) are accepted and left to the application object.
CommandLine parse_command_line(const QStringList& arguments);

// The arguments of main(), decoded as the application object would decode them.
QStringList command_line_arguments(int argc, char** argv);

QString usage_text();
QString version_text();

// Exit codes: as most command-line programs, 2 for a usage error.
inline constexpr int kExitUsage = 2;
