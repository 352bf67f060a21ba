#pragma once
// The command line's exports: a diagram file to CSV, PDF or PNG, without any window or
// network. Errors go to standard error in English, one line each.

#include "Command_line.h"

// The CSV export, before any application object exists. Returns the exit status: 0 when
// the file was written, 1 when the input cannot be read or the output cannot be written.
int export_csv_from_command_line(const CommandLine& command);

// The PDF and PNG exports. They draw text, so they make an application object, on the
// offscreen platform unless the environment or the arguments choose one: no display is
// needed and no window appears. Returns the exit status as above.
int export_page_from_command_line(const CommandLine& command, int argc, char** argv);
