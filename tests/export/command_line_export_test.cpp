// The program's exports of a diagram file, run as a user runs them: no display, no platform
// chosen, inside the test suite's network namespace. The CSV holds the file's doubles
// exactly, the PNG is the viewer's picture of the same diagram (the PDF's page texts:
// export_commands_test.cpp); an input that cannot be read or an output that cannot be
// written gives status 1, a message and no file.

#include "Diagramx.h"
#include "ImageControl.h"
#include "Load_dat.h"
#include "export_support.h"
#include "message_box.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

using namespace export_test;

namespace {

class CommandLineExport : public ::testing::Test {
protected:
    QTemporaryDir folder;
    const std::vector<Sample> file = samples(4000);
    void SetUp() override { write_dmg(path("in.dmg"), file, kNames, true); }
    QString path(const char* name) const { return folder.filePath(QLatin1String(name)); }
    void expect_success(const Outcome& o)
    {
        EXPECT_EQ(o.code, 0) << o.err.toStdString();
        EXPECT_TRUE(o.out.isEmpty()) << o.out.toStdString();
        EXPECT_TRUE(o.err.isEmpty()) << o.err.toStdString();
    }
};

// The writer's bit-exactness and both layouts: csv_test.cpp.
TEST_F(CommandLineExport, CsvHoldsEverySampleOfTheFileExactly)
{
    expect_success(run({"--export-csv", "in.dmg", "out.csv"}, folder.path()));
    expect_rows(parse_csv(read_all(path("out.csv")), ','), kNames, file.data(), file.size());
}

TEST_F(CommandLineExport, PngIsTheViewersPictureOfTheSameFile)
{
    MessageRecorder recorder;
    TForm_load_dat viewer;
    viewer.show();
    QApplication::processEvents();
    ASSERT_TRUE(viewer.load_file(path("in.dmg")));
    QApplication::processEvents();
    const QImage shown = viewer.viewer_diagram->plotImage->picture().copy();
    ASSERT_GE(shown.width(), 100);
    ASSERT_GE(shown.height(), 100);
    const QString size = QStringLiteral("%1x%2").arg(shown.width()).arg(shown.height());
    expect_success(run({"--export-png", "--size", size, "in.dmg", "out.png"}, folder.path()));
    const QImage written = QImage(path("out.png")).convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(written.size(), shown.size());
    EXPECT_TRUE(written == shown.convertToFormat(QImage::Format_RGB32));
}

TEST_F(CommandLineExport, UnreadableInputOrUnwritableOutputGivesOneAndNoFile)
{
    QDir(folder.path()).mkdir("cartella");
    write_dmg(path("vuoto.dmg"), {}, kNames); // a header only
    const struct {
        QStringList args;
        const char* err;
    } cases[] = {
        {{"--export-csv", "manca.dmg", "out.csv"}, "manca.dmg: no such file"},
        {{"--export-pdf", "vuoto.dmg", "out.pdf"}, "vuoto.dmg: not a diagram file"},
        {{"--export-csv", "in.dmg", "cartella"}, "cannot write cartella"},
        {{"--export-pdf", "in.dmg", "manca/out.pdf"}, "cannot write manca/out.pdf"},
        {{"--export-csv", "in.dmg", "./in.dmg"}, "./in.dmg is the diagram file itself"},
    };
    const QStringList before = entries(folder.path());
    const QByteArray input = read_all(path("in.dmg"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const Outcome o = run(c.args, folder.path());
        EXPECT_EQ(o.code, 1);
        EXPECT_TRUE(o.err.startsWith("grafion: ")) << o.err.toStdString();
        EXPECT_TRUE(o.err.contains(c.err)) << o.err.toStdString();
        EXPECT_EQ(o.err.count('\n'), 1) << o.err.toStdString();
        EXPECT_EQ(entries(folder.path()), before);
        EXPECT_TRUE(entries(path("cartella")).isEmpty());
        EXPECT_EQ(read_all(path("in.dmg")), input);
    }
}

} // namespace
