// The main window's file and output commands: save the live diagram to a diagram file, export
// it, open the viewer of saved diagrams, print the live diagram and show its print preview.

#include "Net_cnx.h"

#include "Diagramx.h"
#include "Dmg_file.h"
#include "ExportCommands.h"
#include "Globvar.h"
#include "GrafionApplication.h"
#include "Load_dat.h"
#include "Modal.h"
#include "Netifset.h"
#include "Print_page.h"
#include "Print_prepare.h"
#include "Var_dati.h"
#include "WaitCursor.h"
#include "message_box.h"

#include <QComboBox>
#include <QFileDialog>

#include <cstring>

// The channel names of the printed page: slot n for channel n + 1, zero-padded.
char print_channel_names[kPrintChannels][kPrintNameSize] = {};

void TForm_net::BitBtn_saveClick()
{
    if (!live_diagram || live_diagram->SampleCount() == 0) {
        message_box(QStringLiteral("Nessun dato da Salvare!"), QStringLiteral("Attenzione"),
                    MessageIcon::Warning);
        return;
    }
    QFileDialog dialog(this);
    SaveDialog_dati.apply(dialog);
    const QString path = run_file_dialog(dialog);
    if (path.isEmpty())
        return;

    DmgDisplaySettings display;
    for (int i = 0; i < kChannels; ++i)
        display.names[i] = ComboBox_select_dat_mis[i]->currentText();
    display.y_max = link_state.settings.y_max;
    display.y_min = link_state.settings.y_min;
    display.flags = link_state.settings.view_flags;
    try {
        WaitCursor hourglass;
        dmg_write(path, *live_diagram, display);
    } catch (...) {
        // The cursor is back to normal before the failure is shown.
        show_current_exception();
        return;
    }
    message_box(QStringLiteral("Dati Memorizzati!"), QStringLiteral("Salvataggio"),
                MessageIcon::Information);
}

namespace {

// The names of the channels' quantities, as the printed legend takes them.
const char* fill_print_channel_names(const TForm_net& window)
{
    std::memset(print_channel_names, 0, sizeof print_channel_names);
    for (int i = 0; i < kPrintChannels; ++i) {
        const QByteArray name = window.ComboBox_select_dat_mis[i]->currentText().toLatin1();
        std::memcpy(print_channel_names[i], name.constData(),
                    std::min<std::size_t>(std::size_t(name.size()), kPrintNameSize - 1));
    }
    return &print_channel_names[0][0];
}

bool prepare_live_printing(TForm_net& window, std::uint8_t preview)
{
    return prepare_printing(&window, preview, live_diagram,
                            [&window] { return fill_print_channel_names(window); });
}

} // namespace

void TForm_net::BitBtn_printClick()
{
    if (!prepare_live_printing(*this, 0))
        return;
    try {
        print_page();
    } catch (...) {
        show_current_exception();
    }
}

void TForm_net::BitBtn_previewClick()
{
    if (prepare_live_printing(*this, 1))
        run_print_preview(this);
}

void TForm_net::BitBtn_load_datClick()
{
    // The live acquisition goes on while the viewer is open.
    run_modal_window(Form_load_dat, this);
}

void TForm_net::BitBtn_set_port_comClick()
{
    // The window is owned by the application, as a top-level modal window.
    run_modal_window(Form_NetifSet, nullptr);
}

void TForm_net::BitBtn_var_datiClick()
{
    // A new grid each time, replacing the hidden one made at start-up; the values it shows
    // are the shared parameter values, kept for the run.
    run_modal_window(Form_var_dati, nullptr);
}

namespace {

// The channel names of the live diagram, as its selectors show them.
QStringList live_channel_names(const TForm_net& window)
{
    QStringList names;
    for (const QComboBox* selector : window.ComboBox_select_dat_mis)
        names << selector->currentText();
    return names;
}

} // namespace

void TForm_net::Menu_Esporta_CSVClick()
{
    export_csv_command(this, live_diagram, live_channel_names(*this));
}

void TForm_net::Menu_Esporta_PDFClick()
{
    export_pdf_command(this, live_diagram, live_channel_names(*this));
}

void TForm_net::Menu_Esporta_ImmagineClick()
{
    export_png_command(this, live_diagram);
}
