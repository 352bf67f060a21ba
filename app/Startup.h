#pragma once
// The program's entry: reads the command line, then starts what it asks for.

#include "Command_line.h"

#include <memory>

class TForm_net;
class TForm_load_dat;

// The windows a run starts with; they live until the message loop ends.
struct StartedWindows {
    std::unique_ptr<TForm_net> main;        // the acquisition window (it owns the parameter grid)
    std::unique_ptr<TForm_load_dat> viewer; // the viewer, when it runs alone on a file
};

// With the application object in place: the main window and the hidden parameter grid, or
// the viewer alone on the file (no main window, no socket thread, so nothing is sent).
// A file the viewer rejects gives the viewer's own messages and leaves it open and empty.
StartedWindows start_windows(const CommandLine& command);

// What main() does: help, version, usage errors and the exports are answered before any
// window or socket exists; otherwise the application object, the windows and the message
// loop.
int grafion_main(int argc, char** argv);
