// The CSV writer and the rows it takes from a diagram: values read back to the very doubles
// the diagram holds, names quoted as RFC 4180 says, a write that fails leaves nothing, and
// the shown part of a diagram following the newest samples is the newest of them.

#include "CsvWriter.h"
#include "DiagramRows.h"
#include "Diagramx.h"
#include "export_support.h"

#include <QFile>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>

using namespace export_test;

namespace {

struct DiagramHost {
    QWidget widget;
    Diagramx d{&widget, 8, 5000, 20001};
};

TEST(CsvWriter, ValuesReadBackToTheDiagramsDoubles)
{
    // The 16-bit extremes, times that a sum of steps makes awkward, and doubles whose
    // shortest text is long or unusual.
    using Limits = std::numeric_limits<double>;
    const double awkward[] = {-32768.0,
                              32767.0,
                              -0.0,
                              0.1,
                              1.0 / 3.0,
                              Limits::denorm_min(),
                              Limits::max(),
                              Limits::infinity(),
                              Limits::quiet_NaN()};
    DiagramHost host;
    double t = 0;
    for (int k = 0; k < 500; ++k) {
        double v[8];
        for (int c = 0; c < 8; ++c)
            v[c] = c == 0 ? awkward[k % std::size(awkward)] : std::round(3000 * std::sin(k + c));
        host.d.AddSample(t, v, 8);
        t += 0.001; // 0.30000000000000004 and the like
    }
    for (const CsvStyle style : {CsvStyle::Comma, CsvStyle::Semicolon}) {
        SCOPED_TRACE(style == CsvStyle::Comma ? "comma" : "semicolon");
        QTemporaryDir folder;
        const QString path = folder.filePath("out.csv");
        DiagramRows rows(host.d, kNames, shown_samples(host.d, true));
        ASSERT_EQ(csv_save(path, rows, style), QString());

        const auto lines = parse_csv(read_all(path), style == CsvStyle::Comma ? ',' : ';');
        expect_rows(lines, kNames, host.d.samples.get(), 500);
        EXPECT_EQ(lines[0][0], csv_time_header().toStdString());
    }
}

TEST(CsvWriter, NamesAreQuotedWhereRfc4180AsksAndReadBackAsGiven)
{
    const struct {
        QString name;
        const char* comma;     // the field as written with commas
        const char* semicolon; // and with semicolons
    } cases[] = {
        {"Dat Mis 1", "Dat Mis 1", "Dat Mis 1"},
        {"Pressione, bar", "\"Pressione, bar\"", "Pressione, bar"},
        {"Forza; kN", "Forza; kN", "\"Forza; kN\""},
        {"Quota \"Z\"", "\"Quota \"\"Z\"\"\"", "\"Quota \"\"Z\"\"\""},
        {" spazio", "\" spazio\"", "\" spazio\""},
        {"due\nrighe", "\"due\nrighe\"", "\"due\nrighe\""},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        EXPECT_EQ(csv_field(c.name, CsvStyle::Comma), c.comma);
        EXPECT_EQ(csv_field(c.name, CsvStyle::Semicolon), c.semicolon);
    }

    // Read back through a whole file: expect_rows in export_commands_test.cpp.
}

// Rows that fail after a few, as a reader of a damaged recording might.
class FailingRows : public CsvRowSource {
public:
    QString channelName(int) const override { return QStringLiteral("x"); }
    bool next(CsvRow& row) override
    {
        if (++given_ > 100000)
            throw std::runtime_error("lettura interrotta");
        row.t = given_;
        return true;
    }

private:
    int given_ = 0;
};

// A source that fails half-way: the file there before stays as it was, and the temporary file
// goes. (Targets that cannot be written: export_commands_test.cpp and the command line's.)
TEST(CsvWriter, AFailedWriteLeavesTheOldFileAsItWas)
{
    QTemporaryDir folder;
    const QString kept = folder.filePath("kept.csv");
    {
        QFile f(kept);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old\r\n");
    }
    FailingRows failing;
    EXPECT_THROW(csv_save(kept, failing, CsvStyle::Comma), std::runtime_error);
    EXPECT_EQ(read_all(kept), QByteArray("old\r\n"));
    EXPECT_EQ(entries(folder.path()), QStringList{"kept.csv"});
}

TEST(DiagramRows, TheShownPartIsTheSamplesInsideTheWindow)
{
    DiagramHost host;
    host.widget.resize(600, 400);
    double v[8] = {};
    for (int k = 0; k < 1000; ++k) {
        v[0] = k;
        host.d.AddSample(k * 0.001, v, 8);
    }
    Diagramx& d = host.d;
    auto shown = [&](bool whole) {
        std::vector<double> firstValues;
        DiagramRows rows(d, kNames, shown_samples(d, whole));
        CsvRow row;
        while (rows.next(row))
            firstValues.push_back(row.value[0]);
        return firstValues;
    };
    auto range = [](int from, int to) {
        std::vector<double> r;
        for (int k = from; k <= to; ++k)
            r.push_back(k);
        return r;
    };

    // Following the newest samples: the newest windowSamples of them (a zoomed window's
    // samples: export_commands_test.cpp); whole is every sample all the same.
    d.view.windowSamples = 300;
    EXPECT_EQ(shown(false), range(700, 999));
    d.view.windowSamples = 5000;
    EXPECT_EQ(shown(false), range(0, 999));
    EXPECT_EQ(shown(true), range(0, 999));
}

} // namespace
