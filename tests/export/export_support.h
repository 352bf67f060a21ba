#pragma once
// What the export tests share: samples and names, diagram files written from them, a reader
// of CSV text as RFC 4180 defines it, the rows of a CSV checked, the viewer with its export
// dialogs answered, and the program run as a user runs it.

#include "Diagramx.h"
#include "Dmg_file.h"
#include "ExportDialog.h"
#include "Load_dat.h"
#include "Modal.h"
#include "message_box.h"
#include "program_run.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QRadioButton>
#include <QTemporaryDir>

#include <charconv>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace export_test {

// Channel names a CSV must quote in either layout, and one beyond Latin-1's ASCII part.
inline const QStringList kNames = {"Pressione, \"bar\"", "Forza;N",   "Quota",     "Velocità",
                                   "Dat Mis 5",          "Dat Mis 6", "Dat Mis 7", "Dat Mis 8"};

// n samples whose times are sums of 1 ms steps (0.30000000000000004 and the like) and whose
// values have fractions.
inline std::vector<Sample> samples(int n)
{
    std::vector<Sample> rows(std::size_t(n), Sample{});
    double t = 0;
    for (int k = 0; k < n; ++k) {
        for (int c = 0; c < 8; ++c)
            rows[std::size_t(k)].value[c] = std::round(1200 * std::sin(k * 0.004 + c)) + c * 0.1;
        rows[std::size_t(k)].t = t;
        t += 0.001;
    }
    return rows;
}

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
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System
                                  | QDir::NoDotAndDotDot);
}

// The viewer with its export dialogs answered: the options dialog's choices, then the file
// name (empty: the file dialog is cancelled).
class ViewerFixture : public ::testing::Test {
protected:
    struct Answers {
        bool whole = false;
        bool semicolon = false;
        QString file;
    };
    QTemporaryDir folder;
    MessageRecorder recorder;
    std::unique_ptr<TForm_load_dat> window;
    Answers answers;

    void SetUp() override
    {
        window = std::make_unique<TForm_load_dat>();
        Form_load_dat = window.get();
        window->show();
        QApplication::processEvents();
        run_modal_hook = [this](QDialog& d) {
            if (auto* options = dynamic_cast<ExportDialog*>(&d)) {
                (answers.whole ? options->RadioButton_grafico_completo
                               : options->RadioButton_grafico_visualiz)
                    ->setChecked(true);
                if (options->CheckBox_punto_virgola)
                    options->CheckBox_punto_virgola->setChecked(answers.semicolon);
                return int(QDialog::Accepted);
            }
            auto& files = dynamic_cast<QFileDialog&>(d);
            EXPECT_EQ(files.acceptMode(), QFileDialog::AcceptSave);
            if (answers.file.isEmpty())
                return int(QDialog::Rejected);
            files.selectFile(answers.file);
            return int(QDialog::Accepted);
        };
    }
    void TearDown() override
    {
        run_modal_hook = nullptr;
        window->close();
        window.reset();
    }
    QString path(const char* name) const { return folder.filePath(QLatin1String(name)); }
    Diagramx& diagram() { return *window->viewer_diagram; }
    // Exactly one message, starting with text, under title; then none.
    void expect_one_message(const char* text, const char* title)
    {
        const auto m = recorder.messages();
        ASSERT_EQ(m.size(), 1u);
        EXPECT_TRUE(m[0].text.startsWith(QString::fromUtf8(text))) << m[0].text.toStdString();
        EXPECT_EQ(m[0].title, QString::fromUtf8(title));
        recorder.clear();
    }
};

} // namespace export_test
