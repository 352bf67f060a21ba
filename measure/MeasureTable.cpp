#include "MeasureTable.h"

#include "CursorDeltas.h"
#include "DiagramSource.h"
#include "Diagramx.h"
#include "NumberFormat.h"

#include <cmath>

QStringList measure_headings()
{
    return {QStringLiteral("Canale"),      QStringLiteral("Minimo"), QStringLiteral("Massimo"),
            QStringLiteral("Picco-picco"), QStringLiteral("Media"),  QStringLiteral("RMS"),
            QStringLiteral("Campioni")};
}

QString measure_value_text(double value, bool decimals)
{
    if (!std::isfinite(value))
        return QStringLiteral("---");
    const bool plain = std::fabs(value) < 1e15;
    return format_number(value,
                         !plain     ? u"0.######e+"
                         : decimals ? u"0.000000"
                                    : u"0.######",
                         locale_decimal_separator());
}

std::vector<MeasureRow> measure_rows(const Diagramx& diagram,
                                     const std::function<QString(int)>& name)
{
    const int channels = std::min<int>(diagram.channelCount, Diagramx::kMaxChannels);
    ChannelMeasure measures[Diagramx::kMaxChannels];
    const TimeRange range = measured_time_range(diagram);
    // A source that holds more than the ring (a recording) measures its own samples.
    if (!diagram.source || !diagram.source->Measure(range.from, range.to, channels, measures))
        measure_channels(sample_ring_of(diagram), channels, range.from, range.to, measures);

    std::vector<MeasureRow> rows;
    for (int ch = 0; ch < channels; ++ch) {
        if (!diagram.channelVisible[ch])
            continue;
        const ChannelMeasure& m = measures[ch];
        MeasureRow row;
        row.channel = ch;
        row.colour = diagram.channelColor[ch];
        row.cells[ColumnName] = name ? name(ch) : QString::number(ch + 1);
        const double figures[] = {m.min, m.max, m.peakToPeak, m.mean, m.rms};
        for (int i = 0; i < 5; ++i) {
            const bool average = ColumnMin + i >= ColumnMean;
            row.cells[ColumnMin + i] =
                m.count ? measure_value_text(figures[i], average) : QStringLiteral("---");
        }
        row.cells[ColumnSamples] = QString::number(m.count);
        rows.push_back(row);
    }
    return rows;
}

QString measure_range_caption(const TimeRange& range)
{
    const QChar separator = locale_decimal_separator();
    const double lo = std::fmin(range.from, range.to);
    const double hi = std::fmax(range.from, range.to);
    return (range.betweenCursors ? QStringLiteral("Tra i cursori T: da %1 a %2 s")
                                 : QStringLiteral("Tratto mostrato: da %1 a %2 s"))
        .arg(format_number(lo, kReadoutFormat, separator),
             format_number(hi, kReadoutFormat, separator));
}

QString measure_tsv(const std::vector<MeasureRow>& rows)
{
    QString text = measure_headings().join(u'\t') + u'\n';
    for (const MeasureRow& row : rows) {
        for (int i = 0; i < MeasureColumnCount; ++i) {
            if (i)
                text += u'\t';
            // A tab or line break in a name would split its cell or row.
            QString cell = row.cells[i];
            cell.replace(u'\t', u' ').replace(u'\n', u' ').replace(u'\r', u' ');
            text += cell;
        }
        text += u'\n';
    }
    return text;
}
