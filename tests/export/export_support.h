#pragma once
// What the export tests share: diagram files written from given samples, a reader of CSV
// text as RFC 4180 defines it, the numbers of a CSV field read back, and the program run
// as a user runs it.

#include "Diagramx.h"
#include "Dmg_file.h"
#include "program_run.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <charconv>
#include <cstring>
#include <string>
#include <vector>

namespace export_test {

// A diagram file holding `rows` as they stand, with the given names.
inline void write_dmg(const QString& path, const std::vector<Sample>& rows,
                      const QStringList& names, bool fixedScale = false)
{
    DmgHeader header;
    header.count = std::uint32_t(rows.size());
    for (int i = 0; i < kDmgChannels; ++i) {
        dmg_set_name(header.name[i], i < names.size() ? names[i] : QString());
        header.colour[i] = Diagramx::kDefaultColors[i];
    }
    header.y_max = 1500;
    header.y_min = -1500;
    header.flags = fixedScale ? 1u : 0u;
    dmg_seal_header(header);
    const DmgHeaderBytes bytes = dmg_encode_header(header);
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size()));
    f.write(reinterpret_cast<const char*>(rows.data()), qint64(rows.size() * sizeof(Sample)));
}

// The fields of each line of CSV text, quotes undone (RFC 4180: CR LF between lines, a
// quoted field may hold the separator, line breaks and doubled quotes).
inline std::vector<std::vector<std::string>> parse_csv(const QByteArray& text, char separator)
{
    std::vector<std::vector<std::string>> lines;
    std::vector<std::string> fields;
    std::string field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == separator) {
            fields.push_back(field);
            field.clear();
        } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            fields.push_back(field);
            field.clear();
            lines.push_back(fields);
            fields.clear();
            ++i;
        } else {
            field += c;
        }
    }
    if (!field.empty() || !fields.empty()) {
        fields.push_back(field);
        lines.push_back(fields);
    }
    return lines;
}

// A number field read back; a comma decimal is a dot again first. False when the whole
// field is not one number.
inline bool read_number(std::string field, double& value)
{
    for (char& c : field)
        if (c == ',')
            c = '.';
    const auto r = std::from_chars(field.data(), field.data() + field.size(), value);
    return r.ec == std::errc() && r.ptr == field.data() + field.size();
}

inline bool same_double(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0 || (a != a && b != b);
}

// The lines of a CSV file: the header names the channels, and line k + 1 is rows[k] (k <
// count), its time and its eight values read back to the very doubles.
inline void expect_rows(const std::vector<std::vector<std::string>>& lines,
                        const QStringList& names, const Sample* rows, std::size_t count)
{
    ASSERT_EQ(lines.size(), count + 1);
    ASSERT_EQ(lines[0].size(), 9u);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(QString::fromStdString(lines[0][std::size_t(i) + 1]), names[i]);
    for (std::size_t k = 0; k < count; ++k) {
        const std::vector<std::string>& f = lines[k + 1];
        ASSERT_EQ(f.size(), 9u) << k;
        double value = 0;
        ASSERT_TRUE(read_number(f[0], value)) << f[0];
        ASSERT_TRUE(same_double(value, rows[k].t)) << k << ' ' << f[0];
        for (std::size_t c = 0; c < 8; ++c) {
            ASSERT_TRUE(read_number(f[c + 1], value)) << f[c + 1];
            ASSERT_TRUE(same_double(value, rows[k].value[c])) << k << ' ' << f[c + 1];
        }
    }
}

inline QByteArray read_all(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

using Outcome = ProgramOutcome;

// The program with these arguments, run in `folder` without a display.
inline Outcome run(const QStringList& args, const QString& folder)
{
    return run_program(GRAFION_BIN, args, folder);
}

inline QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

} // namespace export_test
