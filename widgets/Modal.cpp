#include "Modal.h"

#include <QFileDialog>

std::function<int(QDialog&)> run_modal_hook;

int run_modal(QDialog& dialog)
{
    if (run_modal_hook)
        return run_modal_hook(dialog);
    return dialog.exec();
}

QString run_file_dialog(QFileDialog& dialog)
{
    if (run_modal(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}
