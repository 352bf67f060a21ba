#pragma once
// The steps every print and preview command takes before it prints or previews: a printer
// must exist, the diagram must hold samples, and the options dialog must end with go on.

#include <cstdint>
#include <functional>

class Diagramx;
class QWidget;

// Runs the checks and the options dialog (over `owner`) for printing (preview 0) or the
// preview (1). When the dialog ends with go on, `diagram` and the name slots that `names`
// gives become what printing and the preview draw, and the result is true. Otherwise the
// command stops here: a message says why where there is no printer or nothing to print.
bool prepare_printing(QWidget* owner, std::uint8_t preview, Diagramx* diagram,
                      const std::function<const char*()>& names);

// Shows the print preview of the prepared diagram modally over `owner`.
void run_print_preview(QWidget* owner);
