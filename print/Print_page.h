#pragma once
// The printed page of a diagram: the print settings shared by the print commands, the
// options dialog and the preview; the page target with its geometry; compose_page, which
// lays the page out on a printer or on the preview's image; and the print job itself.

#include "Canvas.h"

#include <QString>
#include <QStringList>

#include <cstdint>

class Diagramx;
class QPrinter;

// ---- Print settings (live for the whole run) ---------------------------------------------

constexpr int kPrintChannels = 8;
constexpr int kPrintNameSize = 50; // one zero-padded name slot

extern std::uint8_t print_is_preview;     // set by the command: 0 print, 1 preview
extern std::uint16_t print_printer_index; // in the system printer list
extern std::uint8_t print_whole_diagram;  // 0 "Grafico Visualizzato", 1 "Grafico Completo"
extern Diagramx* print_diagram;           // what printing and preview draw
extern const char* print_names;           // first of 8 name slots of 50 bytes

// ---- Printers -------------------------------------------------------------------------------

// Names of the system's printers (CUPS), in list order.
QStringList printer_names();
// Index of the system's current (default) printer in that list; 0 when there is none.
int current_printer_index();

// The measures of a printing device that the page layout needs, in device pixels.
struct DeviceMeasures {
    int logPixelsX = 96;     // resolution
    int physicalWidth = 794; // the whole sheet
    int physicalHeight = 1123;
    int physicalOffsetX = 0; // where the printable area begins on the sheet
    int physicalOffsetY = 0;
    int horzRes = 794; // size of the printable area
    int vertRes = 1123;
};

// The measures of a printer as it is set up now (take them in portrait).
DeviceMeasures printer_measures(const QPrinter& printer);
// The measures of printer print_printer_index in portrait; those of a plain A4 PDF page when
// the system has no such printer.
DeviceMeasures chosen_printer_measures();

// ---- Page target -----------------------------------------------------------------------------

struct PageTarget {
    Canvas* canvas = nullptr;  // the printer's canvas or the preview image's canvas
    bool onPrinter = false;    // canvas is a printer page (else the preview's image)
    std::int32_t origin_x = 0; // top-left of the sheet on the preview image
    std::int32_t origin_y = 0;
    std::uint16_t dpi = 96; // pixels per inch of the preview sheet
    std::uint16_t margin_x_mm = 10;
    std::uint16_t margin_y_mm = 10;
    // Computed by page_geometry.
    std::uint16_t printable_w = 0, printable_h = 0;
    std::uint16_t page_w = 0, page_h = 0;
    std::uint16_t off_left = 0, off_right = 0, off_top = 0, off_bottom = 0;
    std::uint16_t margin_x = 0, margin_y = 0;
    // The printer the page is laid out for.
    DeviceMeasures device;
};

extern PageTarget print_target;

// Millimetres to pixels at dpi (truncated).
inline int mm_to_px(int mm, int dpi)
{
    return mm * dpi * 10 / 254;
}

// The locale's date separator ('/' when its short date format has none).
QChar locale_date_separator();

// Fills the computed fields of target for a page drawn at dpi.
void page_geometry(int dpi, PageTarget& target);

// Where compose_page put the parts of the page, in the target's pixels (for tests and for
// anyone who needs to find them again).
struct PageLayout {
    QRect header;       // time at the left, date at the right
    int topRule = 0;    // y of the rule under the header
    int bottomRule = 0; // y of the rule at the bottom of the printable area
    QRect title;        // the "DATA DIAGRAM" box
    QRect diagramBox;   // the framed box around the diagram
    QRect legendCell[kPrintChannels];
    QRect legendSwatch[kPrintChannels];
};

// Draws one page: header with time and date, rules, title box, the diagram in its frame and
// the legend of the eight channels. names points to 8 slots of 50 bytes; each name is read
// up to its zero byte and never beyond its slot. `whole`: every sample the diagram holds
// ("Grafico Completo"), else the diagram as displayed. Throws std::runtime_error when there
// is no diagram or canvas to draw.
PageLayout compose_page(PageTarget& target, Diagramx* diagram, const char* names, bool whole);

// ---- The print job ----------------------------------------------------------------------------

// Prints one page on printer print_printer_index, portrait, job title "Grafion", with
// print_diagram and print_names. Hourglass cursor meanwhile. A job that cannot start or
// whose page cannot be composed is aborted and the failure thrown on (std::runtime_error);
// the cursor is restored in every case. The system's printer settings are left alone.
void print_page();
// The same on a printer that the caller has set up (tests print to a PDF file this way).
void print_page_on(QPrinter& printer);

// ---- Shared by the commands -----------------------------------------------------------------

// The print and preview commands' check: true when the system has a printer, otherwise
// shows "Nessuna Stampante Rilevata!" and returns false.
bool check_printer_present();
