// The main window's save, print and preview commands: their checks and messages, the
// dialogs they run, and what they hand on.

#include "../app/window_fixture.h"

#include "Diagramx.h"
#include "Print_box.h"
#include "Print_page.h"
#include "Print_preview.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>

namespace {

class Commands : public WindowFixture {
protected:
    void TearDown() override
    {
        run_modal_hook = nullptr;
        print_whole_diagram = 0;
        WindowFixture::TearDown();
    }
    void fill(int n)
    {
        double v[8] = {1, 2, 3, 4, 5, 6, 7, 8};
        for (int i = 0; i < n; ++i) {
            live_diagram->AddSample(live_diagram->nextTime, v, 8);
            live_diagram->nextTime += live_diagram->samplePeriod;
        }
    }
};

} // namespace

TEST_F(Commands, SaveRefusesAnEmptyDiagramWritesAFullOneAndReportsAFailure)
{
    // The save dialog is answered with a file name.
    int dialogs = 0;
    run_modal_hook = [&](QDialog& d) {
        ++dialogs;
        auto& files = dynamic_cast<QFileDialog&>(d);
        files.setDirectory(folder.path());
        files.selectFile(QStringLiteral("live.dmg"));
        return int(QDialog::Accepted);
    };
    const QString path = folder.filePath("live.dmg");
    window->BitBtn_saveClick(); // nothing to save: no dialog
    EXPECT_EQ(dialogs, 0);
    ASSERT_EQ(recorder.messages().size(), 1u);
    EXPECT_EQ(recorder.messages()[0].text, QStringLiteral("Nessun dato da Salvare!"));

    recorder.clear();
    fill(20500); // the ring has wrapped
    window->BitBtn_saveClick();
    EXPECT_EQ(QFileInfo(path).size(), 452 + 72 * 20000);
    ASSERT_EQ(recorder.messages().size(), 1u);
    EXPECT_EQ(recorder.messages()[0].text, QStringLiteral("Dati Memorizzati!"));

    // The chosen name is taken by a folder: the failure is shown instead of success.
    recorder.clear();
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("live.dmg")));
    window->BitBtn_saveClick();
    ASSERT_EQ(recorder.messages().size(), 1u);
    EXPECT_TRUE(recorder.messages()[0].text.startsWith(QStringLiteral("Impossibile ")));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// A name typed in the save dialog without an extension is saved as a diagram file, one that
// the viewer's open dialog lists; a name typed with an extension is kept as typed.
TEST_F(Commands, SaveDialogGivesATypedNameTheDiagramExtension)
{
    fill(10);
    QString typed;
    run_modal_hook = [&](QDialog& d) {
        auto& files = dynamic_cast<QFileDialog&>(d);
        files.setDirectory(folder.path());
        files.show();
        auto* name = files.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        EXPECT_NE(name, nullptr);
        if (name) {
            QTest::keyClicks(name, typed);
            QTest::keyClick(name, Qt::Key_Return);
        }
        files.hide();
        return files.result();
    };
    const struct {
        const char* typed;
        const char* saved;
    } cases[] = {{"run1", "run1.dmg"}, {"run2.bin", "run2.bin"}};
    for (const auto& c : cases) {
        typed = QString::fromLatin1(c.typed);
        recorder.clear();
        window->BitBtn_saveClick();
        ASSERT_EQ(recorder.messages().size(), 1u) << c.typed;
        EXPECT_EQ(recorder.messages()[0].text, QStringLiteral("Dati Memorizzati!")) << c.typed;
    }
    const QDir saved(folder.path());
    EXPECT_EQ(saved.entryList(QDir::Files).join(' ').toStdString(),
              "ethernet_set.dat run1.dmg run2.bin");
}

TEST_F(Commands, PrintAndPreviewCheckPrinterAndDataThenAskForOptions)
{
    if (printer_names().isEmpty())
        GTEST_SKIP() << "the system has no printer";
    int boxes = 0, previews = 0;
    run_modal_hook = [&](QDialog& d) {
        if (auto* box = dynamic_cast<TForm_Print_Box*>(&d)) {
            ++boxes;
            EXPECT_EQ(Form_Print_Box, box);
            return int(TForm_Print_Box::kResultOk);
        }
        ++previews;
        EXPECT_EQ(Form_print_preview, dynamic_cast<TForm_print_preview*>(&d));
        return 0;
    };

    window->BitBtn_printClick();
    window->BitBtn_previewClick();
    ASSERT_EQ(recorder.messages().size(), 2u);
    for (const auto& m : recorder.messages())
        EXPECT_EQ(m.text, QStringLiteral("Nessun dato da Stampare!"));
    EXPECT_EQ(boxes, 0);

    fill(100);
    window->BitBtn_previewClick();
    EXPECT_EQ(boxes, 1);
    EXPECT_EQ(previews, 1);
    EXPECT_EQ(Form_print_preview, nullptr);
    EXPECT_EQ(Form_Print_Box, nullptr);
    EXPECT_EQ(print_diagram, live_diagram);
    ASSERT_NE(print_names, nullptr);
    EXPECT_STREQ(print_names, qPrintable(window->ComboBox_select_dat_mis[0]->currentText()));
    EXPECT_STREQ(print_names + 7 * kPrintNameSize,
                 qPrintable(window->ComboBox_select_dat_mis[7]->currentText()));
}
