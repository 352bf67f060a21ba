#pragma once
// The export commands of both windows' File menu: "Esporta CSV...", "Esporta PDF..." and
// "Esporta Immagine...". Each refuses an empty diagram, asks for its options and a file
// name, writes the file and says how it went; a file that cannot be written is reported
// and leaves nothing half-written behind.

#include <QStringList>

class Diagramx;
class QWidget;

// The channel names as the printed legend shows them (single-byte text, at most 49
// characters), in channel order.
QStringList legend_names(const QStringList& names);

// The samples shown, or all of them, as CSV rows under the channel names.
void export_csv_command(QWidget* owner, Diagramx* diagram, const QStringList& names);
// The printed page of the diagram, shown part or whole, as a PDF file.
void export_pdf_command(QWidget* owner, Diagramx* diagram, const QStringList& names);
// The diagram's picture as it is shown, as a PNG file.
void export_png_command(QWidget* owner, Diagramx* diagram);
