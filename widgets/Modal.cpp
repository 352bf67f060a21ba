#include "Modal.h"

std::function<int(QDialog&)> run_modal_hook;

int run_modal(QDialog& dialog)
{
    if (run_modal_hook)
        return run_modal_hook(dialog);
    return dialog.exec();
}
