#include "Print_prepare.h"

#include "Diagramx.h"
#include "Modal.h"
#include "Print_box.h"
#include "Print_page.h"
#include "Print_preview.h"
#include "message_box.h"

bool prepare_printing(QWidget* owner, std::uint8_t preview, Diagramx* diagram,
                      const std::function<const char*()>& names)
{
    if (!check_printer_present())
        return false;
    if (!diagram || diagram->SampleCount() == 0) {
        message_box(QStringLiteral("Nessun dato da Stampare!"), QStringLiteral("Attenzione"),
                    MessageIcon::Warning);
        return false;
    }
    print_is_preview = preview;
    if (run_modal_window(Form_Print_Box, owner) != TForm_Print_Box::kResultOk)
        return false;
    print_names = names();
    print_diagram = diagram;
    return true;
}

void run_print_preview(QWidget* owner)
{
    run_modal_window(Form_print_preview, owner);
}
