#include "ExportCommands.h"

#include "DiagramRows.h"
#include "Diagramx.h"
#include "Dmg_file.h"
#include "ExportDialog.h"
#include "Modal.h"
#include "PageExport.h"
#include "WaitCursor.h"
#include "message_box.h"

#include <QFileDialog>

namespace {

bool check_data(const Diagramx* diagram)
{
    if (diagram && diagram->SampleCount() > 0)
        return true;
    message_box(QStringLiteral("Nessun dato da Esportare!"), QStringLiteral("Attenzione"),
                MessageIcon::Warning);
    return false;
}

// The file to write, from a save dialog that asks before replacing a file; empty when the
// user cancels.
QString ask_file(QWidget* owner, const QString& title, const QString& filter, const QString& suffix)
{
    QFileDialog dialog(owner, title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(filter);
    dialog.setDefaultSuffix(suffix);
    if (run_modal(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

// The outcome of a write: the failure with its reason, or that the file is there.
void report(const QString& path, const QString& failure)
{
    if (!failure.isEmpty()) {
        message_box(QStringLiteral("Impossibile scrivere il file \"%1\".\n%2").arg(path, failure),
                    QStringLiteral("Attenzione"), MessageIcon::Warning);
        return;
    }
    message_box(QStringLiteral("Dati Esportati!"), QStringLiteral("Esportazione"),
                MessageIcon::Information);
}

} // namespace

QStringList legend_names(const QStringList& names)
{
    QStringList result;
    for (int i = 0; i < kDmgChannels; ++i) {
        char slot[kDmgNameSize];
        dmg_set_name(slot, i < names.size() ? names[i] : QString());
        result << dmg_name(slot);
    }
    return result;
}

void export_csv_command(QWidget* owner, Diagramx* diagram, const QStringList& names)
{
    if (!check_data(diagram))
        return;
    ExportDialog options(ExportDialog::Kind::Csv, owner);
    if (run_modal(options) != QDialog::Accepted)
        return;
    const QString path = ask_file(owner, QStringLiteral("Esporta CSV"),
                                  QStringLiteral("File CSV (*.csv)"), QStringLiteral("csv"));
    if (path.isEmpty() || !diagram)
        return;
    QString failure;
    {
        WaitCursor hourglass;
        DiagramRows rows(*diagram, legend_names(names), shown_samples(*diagram, options.whole()));
        failure = csv_save(path, rows, options.semicolon() ? CsvStyle::Semicolon : CsvStyle::Comma);
    }
    report(path, failure);
}

void export_pdf_command(QWidget* owner, Diagramx* diagram, const QStringList& names)
{
    if (!check_data(diagram))
        return;
    ExportDialog options(ExportDialog::Kind::Pdf, owner);
    if (run_modal(options) != QDialog::Accepted)
        return;
    const QString path = ask_file(owner, QStringLiteral("Esporta PDF"),
                                  QStringLiteral("File PDF (*.pdf)"), QStringLiteral("pdf"));
    if (path.isEmpty() || !diagram)
        return;
    char nameSlots[kDmgChannels][kDmgNameSize];
    for (int i = 0; i < kDmgChannels; ++i)
        dmg_set_name(nameSlots[i], i < names.size() ? names[i] : QString());
    QString failure;
    {
        WaitCursor hourglass;
        failure = export_pdf(path, *diagram, &nameSlots[0][0], options.whole());
    }
    // The page's paint left the diagram's measures at the page's resolution.
    diagram->Redraw();
    report(path, failure);
}

void export_png_command(QWidget* owner, Diagramx* diagram)
{
    if (!check_data(diagram))
        return;
    const QString path = ask_file(owner, QStringLiteral("Esporta Immagine"),
                                  QStringLiteral("Immagine PNG (*.png)"), QStringLiteral("png"));
    if (path.isEmpty() || !diagram)
        return;
    QString failure;
    {
        WaitCursor hourglass;
        failure = export_png(path, screen_picture(*diagram));
    }
    report(path, failure);
}
