// The viewer's export commands: they refuse an empty diagram, ask for the options and the
// file, write the shown part or the whole diagram, and report a file that cannot be written
// without leaving anything behind; the PDF is the printed page.

#include "ImageControl.h"
#include "export_support.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <cmath>

using namespace export_test;

namespace {

class ViewerExport : public ViewerFixture {
protected:
    void load(int n)
    {
        write_dmg(path("in.dmg"), samples(n), kNames);
        ASSERT_TRUE(window->load_file(path("in.dmg")));
    }
};

// Without a file nothing is asked and nothing written.
TEST_F(ViewerExport, AnEmptyDiagramIsRefused)
{
    answers.file = path("x.csv");
    window->Menu_Esporta_CSVClick();
    expect_one_message("Nessun dato da Esportare!", "Attenzione");
    EXPECT_TRUE(entries(folder.path()).isEmpty());
}

TEST_F(ViewerExport, CsvOfTheShownPartOrTheWholeDiagramInEitherLayout)
{
    load(3000);
    // The picture shows a zoomed part: samples 1001 .. 1999.
    diagram().view.zoomTMin = 1.0005;
    diagram().view.zoomTMax = 1.9995;
    diagram().WindowFromZoom();
    diagram().Redraw();

    const struct {
        bool whole, semicolon;
        std::size_t rows;
        double firstTime;
    } cases[] = {
        {false, false, 999, 1.001},
        {true, false, 3000, 0.0},
        {true, true, 3000, 0.0},
    };
    const std::vector<Sample> file = samples(3000);
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.whole << c.semicolon);
        answers.whole = c.whole;
        answers.semicolon = c.semicolon;
        answers.file = path("out.csv");
        window->Menu_Esporta_CSVClick();
        expect_one_message("Dati Esportati!", "Esportazione");
        const std::size_t first = std::size_t(std::lround(c.firstTime * 1000));
        expect_rows(parse_csv(read_all(path("out.csv")), c.semicolon ? ';' : ','), kNames,
                    file.data() + first, c.rows);
    }
}

TEST_F(ViewerExport, AFileThatCannotBeWrittenIsReportedAndNothingIsLeft)
{
    load(200);
    using Command = void (TForm_load_dat::*)();
    const struct {
        Command command;
        const char* folderTarget; // a folder of the name the file would have
    } kinds[] = {
        {&TForm_load_dat::Menu_Esporta_CSVClick, "d.csv"},
        {&TForm_load_dat::Menu_Esporta_ImmagineClick, "d.png"},
    };
    for (const auto& k : kinds)
        QDir(folder.path()).mkdir(k.folderTarget);
    const auto all = QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot;
    const QStringList before = QDir(folder.path()).entryList(all);
    for (const auto& k : kinds) {
        SCOPED_TRACE(k.folderTarget);
        answers.file = path(k.folderTarget);
        (window.get()->*k.command)();
        expect_one_message("Impossibile scrivere il file", "Attenzione");
        EXPECT_EQ(QDir(folder.path()).entryList(all), before);
        EXPECT_TRUE(QDir(path(k.folderTarget)).entryList(all).isEmpty());
    }
}

TEST_F(ViewerExport, PdfIsThePrintedPageWithTheFilesNames)
{
    const QString pdftotext = QStandardPaths::findExecutable("pdftotext");
    if (pdftotext.isEmpty())
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    load(1000);
    answers.file = path("out.pdf");
    window->Menu_Esporta_PDFClick();
    expect_one_message("Dati Esportati!", "Esportazione");
    QProcess p;
    p.start(pdftotext, {"-layout", path("out.pdf"), "-"});
    ASSERT_TRUE(p.waitForFinished(30000));
    ASSERT_EQ(p.exitCode(), 0);
    const QString text = QString::fromUtf8(p.readAllStandardOutput());
    EXPECT_TRUE(text.contains("DATA DIAGRAM")) << text.toStdString();
    for (const QString& name : kNames)
        EXPECT_TRUE(text.contains(name)) << name.toStdString();
}

} // namespace
