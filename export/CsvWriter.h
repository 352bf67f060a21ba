#pragma once
// Comma-separated values (RFC 4180) of sampled channels: a header row with the time column
// and the channel names, then one row per sample. The writer takes its rows from a plain
// source (time and eight values per row), so a diagram, a diagram file or any other reader
// of samples can feed it; it knows no window.

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>

class QIODevice;

constexpr int kCsvChannels = 8;

// The two layouts offered: RFC 4180 with a comma between fields and a dot before the
// decimals, or a semicolon between fields and a comma before the decimals, as spreadsheets
// set up for Italian (and most continental) locales read them.
enum class CsvStyle { Comma, Semicolon };

struct CsvRow {
    double t = 0; // seconds
    double value[kCsvChannels] = {};
};

class CsvRowSource {
public:
    // `names`: the header texts of the channels, in order.
    explicit CsvRowSource(QStringList names = {}) : names_(std::move(names)) {}
    virtual ~CsvRowSource() = default;
    // The header text of a channel (0 .. 7): the name given, empty past the names.
    virtual QString channelName(int channel) const
    {
        return channel >= 0 && channel < names_.size() ? names_[channel] : QString();
    }
    // The next row, oldest first; false when there is none left.
    virtual bool next(CsvRow& row) = 0;

private:
    QStringList names_;
};

// The header text of the time column.
QString csv_time_header();

// The shortest text that reads back to the same double (std::from_chars, or strtod in the
// C locale once a comma decimal is turned back into a dot); `decimal` is '.' or ','.
std::string csv_number(double value, char decimal);

// A text field, quoted when it holds the separator, a double quote, a line break or
// leading or trailing blanks; a double quote inside is doubled.
std::string csv_field(const QString& text, CsvStyle style);

// Told the number of rows written so far, every few thousand rows; returning false stops
// the writing.
using CsvProgress = std::function<bool(std::uint64_t rows)>;

// Writes the header and every row the source gives to `out`, lines ended by CR LF, text
// in UTF-8. False when the device refused a write or `progress` stopped it.
bool csv_write(QIODevice& out, CsvRowSource& rows, CsvStyle style,
               const CsvProgress& progress = {});

// Writes the file at `path` through a temporary file beside it, renamed over the target
// only when everything was written: a failure leaves nothing new behind and an existing
// file as it was. Returns an empty text on success, else the reason (the system's words).
// An exception from the source goes on to the caller, the temporary file removed. When
// `progress` stops the writing, nothing is written, *cancelled is set and the text is empty.
QString csv_save(const QString& path, CsvRowSource& rows, CsvStyle style,
                 const CsvProgress& progress = {}, bool* cancelled = nullptr);
