#pragma once
// The printed page of a diagram as a PDF file, and the diagram's picture as a PNG file.
// Neither needs a printer: the page is laid out on an A4 sheet with no unprintable strips.
// Both files are written through a temporary file beside the target and renamed over it
// only when complete; each function returns an empty text on success, else the reason.

#include <QImage>
#include <QSize>
#include <QString>

class Diagramx;

// The one-page composition of printing (header, title, diagram, legend) on an A4 portrait
// PDF page. `names`: 8 zero-padded slots of 50 bytes; `whole`: every sample held, else the
// part the diagram shows.
QString export_pdf(const QString& path, Diagramx& diagram, const char* names, bool whole);

// The diagram painted on a picture of `size` at the screen's resolution, as its screen
// picture of that size would look without cursors; `whole` as for export_pdf.
QImage diagram_picture(Diagramx& diagram, QSize size, bool whole);

// The diagram's screen picture as it is shown now, cursors and their readouts included.
QImage screen_picture(Diagramx& diagram);

// Writes `picture` as a PNG file that gives the screen's resolution as its own.
QString export_png(const QString& path, const QImage& picture);
