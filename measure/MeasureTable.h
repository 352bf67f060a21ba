#pragma once
// The measurement table's content as texts: one row per shown channel with its name, colour
// and figures, the caption of the time range, and the table as tab-separated text for the
// clipboard. No widgets: the window shows these texts, the tests read them.

#include "ChannelMeasures.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class Diagramx;

// The figures' columns, in the order the table shows them.
enum MeasureColumn : int {
    ColumnName,
    ColumnMin,
    ColumnMax,
    ColumnPeakToPeak,
    ColumnMean,
    ColumnRms,
    ColumnSamples, // the number of samples
    MeasureColumnCount
};

// The column headings ("Canale", "Minimo", ...).
QStringList measure_headings();

struct MeasureRow {
    int channel = 0; // 0-based
    Color colour = 0;
    QString cells[MeasureColumnCount];
};

// A figure as the table shows it: up to six decimals, so that the diagram's whole-number
// values (the controller's 16-bit samples) are shown exactly and without decimals, or with
// `decimals` always six (mean and RMS, so that their points line up); with an exponent from
// 1e15 on; "---" for no number.
QString measure_value_text(double value, bool decimals = false);

// The rows of the channels the diagram shows, in channel order; name(channel) gives the
// channel's name as the legend shows it. A channel without a finite value in the range has
// "---" in every figure and 0 samples.
std::vector<MeasureRow> measure_rows(const Diagramx& diagram,
                                     const std::function<QString(int)>& name);

// What the range is, for the line above the table: "Tra i cursori T: da a a b s" or
// "Tratto mostrato: da a a b s".
QString measure_range_caption(const TimeRange& range);

// The headings and the rows as tab-separated lines, each ended by a line feed.
QString measure_tsv(const std::vector<MeasureRow>& rows);
