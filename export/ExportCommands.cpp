#include "ExportCommands.h"

#include "DiagramRows.h"
#include "Diagramx.h"
#include "Dmg_file.h"
#include "ExportDialog.h"
#include "Modal.h"
#include "PageExport.h"
#include "ProgressWindow.h"
#include "RecordingRows.h"
#include "Recording_view.h"
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
    return run_file_dialog(dialog);
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

// Rows from which on the writing of a recording shows its progress and can be stopped.
constexpr std::uint64_t kProgressRows = 1'000'000;

// Writes a recording's rows: the records of the time range shown, or all of them. A long
// one shows its progress with "Annulla"; stopped, it leaves nothing behind and says nothing.
// Returns the failure as report() takes it, and whether it was stopped.
QString save_recording_csv(QWidget* owner, const QString& path, const RecordingView& view,
                           const Diagramx& diagram, const QStringList& names, bool whole,
                           CsvStyle style, bool& cancelled)
{
    const RecordingFile& file = view.file();
    const RecordingFile::Span span = whole ? RecordingFile::Span{0, file.count()}
                                           : file.span(diagram.view.tMin, diagram.view.tMax);
    RecordingRows rows(file, names, span);
    if (rows.count() <= kProgressRows) {
        WaitCursor hourglass;
        return csv_save(path, rows, style, {}, &cancelled);
    }
    ProgressWindow progress(QStringLiteral("Esportazione in corso..."),
                            QStringLiteral("Esporta CSV"), owner, 0);
    const double total = double(rows.count());
    return csv_save(
        path, rows, style,
        [&progress, total](std::uint64_t done) { return progress.advance(double(done) / total); },
        &cancelled);
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
    if (path.isEmpty())
        return;
    const CsvStyle style = options.semicolon() ? CsvStyle::Semicolon : CsvStyle::Comma;
    QString failure;
    // A recording's diagram holds a reduced copy of the part shown: its rows come from the
    // recording's own records.
    if (const auto* recording = dynamic_cast<const RecordingView*>(diagram->source)) {
        bool cancelled = false;
        failure = save_recording_csv(owner, path, *recording, *diagram, legend_names(names),
                                     options.whole(), style, cancelled);
        if (cancelled)
            return;
    } else {
        WaitCursor hourglass;
        DiagramRows rows(*diagram, legend_names(names), shown_samples(*diagram, options.whole()));
        failure = csv_save(path, rows, style);
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
    if (path.isEmpty())
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
    if (path.isEmpty())
        return;
    QString failure;
    {
        WaitCursor hourglass;
        failure = export_png(path, screen_picture(*diagram));
    }
    report(path, failure);
}
