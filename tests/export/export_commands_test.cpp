// The viewer's export commands: they wait for a loaded file, refuse an empty diagram, ask
// for the options and the file, write the shown part or the whole diagram, and report a
// file that cannot be written without leaving anything behind.

#include "Diagramx.h"
#include "ExportDialog.h"
#include "ImageControl.h"
#include "Load_dat.h"
#include "Modal.h"
#include "PageExport.h"
#include "export_support.h"
#include "message_box.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QImage>
#include <QProcess>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

using namespace export_test;

namespace {

const QStringList kNames = {"Pressione, \"bar\"", "Forza",     "Quota",     "Velocità",
                            "Dat Mis 5",          "Dat Mis 6", "Dat Mis 7", "Dat Mis 8"};

std::vector<Sample> samples(int n)
{
    std::vector<Sample> rows(std::size_t(n), Sample{});
    for (int k = 0; k < n; ++k) {
        for (int c = 0; c < 8; ++c)
            rows[std::size_t(k)].value[c] = std::round(1000 * std::sin(k * 0.01 + c));
        rows[std::size_t(k)].t = k * 0.001;
    }
    return rows;
}

// The answers the dialogs get: the options dialog's choices, then the file name (empty:
// the file dialog is cancelled).
struct Answers {
    bool whole = false;
    bool semicolon = false;
    QString file;
    int optionDialogs = 0;
    int fileDialogs = 0;
};

class ViewerExport : public ::testing::Test {
protected:
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
                ++answers.optionDialogs;
                (answers.whole ? options->RadioButton_grafico_completo
                               : options->RadioButton_grafico_visualiz)
                    ->setChecked(true);
                if (options->CheckBox_punto_virgola)
                    options->CheckBox_punto_virgola->setChecked(answers.semicolon);
                return int(QDialog::Accepted);
            }
            auto& files = dynamic_cast<QFileDialog&>(d);
            ++answers.fileDialogs;
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
    void load(int n)
    {
        write_dmg(path("in.dmg"), samples(n), kNames);
        ASSERT_TRUE(window->load_file(path("in.dmg")));
    }
    void expect_one_message(const char* text, const char* title)
    {
        const auto m = recorder.messages();
        ASSERT_EQ(m.size(), 1u);
        EXPECT_TRUE(m[0].text.startsWith(QString::fromUtf8(text))) << m[0].text.toStdString();
        EXPECT_EQ(m[0].title, QString::fromUtf8(title));
        recorder.clear();
    }
};

TEST_F(ViewerExport, EntriesWaitForAFileAndAnEmptyDiagramIsRefused)
{
    for (QAction* a :
         {window->Menu_Esporta_CSV, window->Menu_Esporta_PDF, window->Menu_Esporta_Immagine})
        EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
    // Reached anyway (a key, a script), nothing is asked and nothing written.
    answers.file = path("x.csv");
    window->Menu_Esporta_CSVClick();
    expect_one_message("Nessun dato da Esportare!", "Attenzione");
    window->Menu_Esporta_ImmagineClick();
    expect_one_message("Nessun dato da Esportare!", "Attenzione");
    EXPECT_EQ(answers.optionDialogs + answers.fileDialogs, 0);

    load(100);
    for (QAction* a :
         {window->Menu_Esporta_CSV, window->Menu_Esporta_PDF, window->Menu_Esporta_Immagine})
        EXPECT_TRUE(a->isEnabled()) << a->objectName().toStdString();
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
    EXPECT_EQ(answers.optionDialogs, 3);

    // Cancelling the file dialog writes nothing and says nothing.
    answers.file.clear();
    window->Menu_Esporta_CSVClick();
    EXPECT_TRUE(recorder.messages().empty());
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
        {&TForm_load_dat::Menu_Esporta_PDFClick, "d.pdf"},
        {&TForm_load_dat::Menu_Esporta_ImmagineClick, "d.png"},
    };
    for (const auto& k : kinds)
        QDir(folder.path()).mkdir(k.folderTarget);
    const auto all = QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot;
    const QStringList before = QDir(folder.path()).entryList(all);
    for (const auto& k : kinds) {
        for (const QString& target : {path(k.folderTarget), path("manca/out")}) {
            SCOPED_TRACE((k.folderTarget + (" " + target)).toStdString());
            answers.file = target;
            (window.get()->*k.command)();
            expect_one_message("Impossibile scrivere il file", "Attenzione");
            EXPECT_EQ(QDir(folder.path()).entryList(all), before);
            EXPECT_TRUE(QDir(path(k.folderTarget)).entryList(all).isEmpty());
        }
    }
}

TEST_F(ViewerExport, ImageIsThePictureAsShown)
{
    load(2500);
    window->CheckBox_cursor_asseT->click(); // the cursors and their readouts are shown too
    QApplication::processEvents();
    answers.file = path("out.png");
    window->Menu_Esporta_ImmagineClick();
    expect_one_message("Dati Esportati!", "Esportazione");
    QImage written(path("out.png"));
    const QImage& shown = diagram().plotImage->picture();
    ASSERT_FALSE(written.isNull());
    EXPECT_EQ(written.size(), shown.size());
    EXPECT_EQ(written.convertToFormat(QImage::Format_RGB32),
              shown.convertToFormat(QImage::Format_RGB32));
    EXPECT_NEAR(written.dotsPerMeterX(), 96 / 0.0254, 1);
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
