#include "CsvWriter.h"

#include <QByteArray>
#include <QIODevice>
#include <QSaveFile>

#include <charconv>
#include <system_error>

QString csv_time_header()
{
    return QStringLiteral("t [s]");
}

namespace {

// Appends the shortest text of value that reads back to it, with `decimal` for the dot.
void append_number(std::string& out, double value, char decimal)
{
    char buffer[64];
    const std::to_chars_result r = std::to_chars(buffer, buffer + sizeof buffer, value);
    const char* end = r.ec == std::errc() ? r.ptr : buffer;
    for (const char* p = buffer; p != end; ++p)
        out += *p == '.' ? decimal : *p;
}

} // namespace

std::string csv_number(double value, char decimal)
{
    std::string text;
    append_number(text, value, decimal);
    return text;
}

std::string csv_field(const QString& text, CsvStyle style)
{
    const QChar separator = style == CsvStyle::Comma ? u',' : u';';
    const bool quote = text.contains(separator) || text.contains(u'"') || text.contains(u'\n')
                       || text.contains(u'\r')
                       || (!text.isEmpty() && (text.front().isSpace() || text.back().isSpace()));
    std::string out = text.toStdString(); // UTF-8
    if (!quote)
        return out;
    std::string quoted = "\"";
    for (char c : out) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

bool csv_write(QIODevice& out, CsvRowSource& rows, CsvStyle style, const CsvProgress& progress)
{
    const char separator = style == CsvStyle::Comma ? ',' : ';';
    const char decimal = style == CsvStyle::Comma ? '.' : ',';
    std::string line = csv_field(csv_time_header(), style);
    for (int i = 0; i < kCsvChannels; ++i) {
        line += separator;
        line += csv_field(rows.channelName(i), style);
    }
    line += "\r\n";

    // Rows are gathered into blocks of about 64 KiB, so the device sees few large writes.
    constexpr std::size_t kBlock = 64 * 1024;
    std::string block = std::move(line);
    CsvRow row;
    std::uint64_t done = 0;
    while (rows.next(row)) {
        ++done;
        append_number(block, row.t, decimal);
        for (const double value : row.value) {
            block += separator;
            append_number(block, value, decimal);
        }
        block += "\r\n";
        if (block.size() >= kBlock) {
            if (out.write(block.data(), qint64(block.size())) != qint64(block.size()))
                return false;
            block.clear();
            if (progress && !progress(done))
                return false;
        }
    }
    return block.empty() || out.write(block.data(), qint64(block.size())) == qint64(block.size());
}

QString csv_save(const QString& path, CsvRowSource& rows, CsvStyle style,
                 const CsvProgress& progress, bool* cancelled)
{
    if (cancelled)
        *cancelled = false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    bool stopped = false;
    CsvProgress told;
    if (progress)
        told = [&](std::uint64_t done) { return !(stopped = !progress(done)); };
    if (!csv_write(file, rows, style, told)) {
        const QString reason = file.errorString();
        file.cancelWriting();
        if (stopped) {
            if (cancelled)
                *cancelled = true;
            return {};
        }
        return reason;
    }
    if (!file.commit())
        return file.errorString();
    return {};
}
