// The main window's file and output commands: save the live diagram to a diagram file, open
// the viewer of saved diagrams, print the live diagram and show its print preview.

#include "Net_cnx.h"

#include "Diagramx.h"
#include "Dmg_file.h"
#include "GrafionApplication.h"
#include "Globvar.h"
#include "Load_dat.h"
#include "Modal.h"
#include "Netifset.h"
#include "Var_dati.h"
#include "Print_box.h"
#include "Print_page.h"
#include "Print_preview.h"
#include "message_box.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>

#include <cstring>

// The channel names of the printed page: slot n for channel n + 1, zero-padded.
char print_channel_names[kPrintChannels][kPrintNameSize] = {};

namespace {

class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace

void TForm_net::BitBtn_saveClick()
{
    if (!live_diagram || live_diagram->SampleCount() == 0) {
        message_box(QStringLiteral("Nessun dato da Salvare!"), QStringLiteral("Attenzione"),
                    MessageIcon::Warning);
        return;
    }
    QFileDialog dialog(this);
    SaveDialog_dati.apply(dialog);
    if (run_modal(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString path = dialog.selectedFiles().constFirst();

    DmgDisplaySettings display;
    for (int i = 0; i < kChannels; ++i)
        display.names[i] = ComboBox_select_dat_mis[i]->currentText();
    display.y_max = settings.y_max;
    display.y_min = settings.y_min;
    display.flags = settings.view_flags;
    try {
        WaitCursor hourglass;
        dmg_write(path, *live_diagram, display);
    } catch (...) {
        // The cursor is back to normal before the failure is shown.
        show_current_exception();
        return;
    }
    message_box(QStringLiteral("Dati Memorizzati!"), QStringLiteral("Salvataggio"), MessageIcon::Information);
}

// The part that printing and preview share: the checks, the options dialog and what is to
// be printed. False when the command stops here.
static bool prepare_printing(TForm_net& window, std::uint8_t preview)
{
    if (!check_printer_present())
        return false;
    if (!live_diagram || live_diagram->SampleCount() == 0) {
        message_box(QStringLiteral("Nessun dato da Stampare!"), QStringLiteral("Attenzione"),
                    MessageIcon::Warning);
        return false;
    }
    print_is_preview = preview;
    Form_Print_Box = new TForm_Print_Box(&window);
    const int result = run_modal(*Form_Print_Box);
    delete Form_Print_Box;
    Form_Print_Box = nullptr;
    if (result != TForm_Print_Box::kResultOk)
        return false;

    std::memset(print_channel_names, 0, sizeof print_channel_names);
    for (int i = 0; i < kPrintChannels; ++i) {
        const QByteArray name = window.ComboBox_select_dat_mis[i]->currentText().toLatin1();
        std::memcpy(print_channel_names[i], name.constData(),
                    std::min<std::size_t>(std::size_t(name.size()), kPrintNameSize - 1));
    }
    print_names = &print_channel_names[0][0];
    print_diagram = live_diagram;
    return true;
}

void TForm_net::BitBtn_printClick()
{
    if (!prepare_printing(*this, 0))
        return;
    try {
        print_page();
    } catch (...) {
        show_current_exception();
    }
}

void TForm_net::BitBtn_previewClick()
{
    if (!prepare_printing(*this, 1))
        return;
    Form_print_preview = new TForm_print_preview(this);
    run_modal(*Form_print_preview);
    delete Form_print_preview;
    Form_print_preview = nullptr;
}

void TForm_net::BitBtn_load_datClick()
{
    // The live acquisition goes on while the viewer is open.
    Form_load_dat = new TForm_load_dat(this);
    struct Release {
        ~Release()
        {
            delete Form_load_dat;
            Form_load_dat = nullptr;
        }
    } release;
    run_modal(*Form_load_dat);
}

void TForm_net::BitBtn_set_port_comClick()
{
    // The window is owned by the application, as a top-level modal window.
    Form_NetifSet = new TForm_NetifSet(nullptr);
    run_modal(*Form_NetifSet);
    delete Form_NetifSet;
    Form_NetifSet = nullptr;
}

void TForm_net::BitBtn_var_datiClick()
{
    // A new grid each time, replacing the hidden one made at start-up; the values it shows
    // are the shared parameter values, kept for the run.
    Form_var_dati = new TForm_var_dati(nullptr);
    run_modal(*Form_var_dati);
    delete Form_var_dati;
    Form_var_dati = nullptr;
}
