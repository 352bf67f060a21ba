// The main window's CSV export: the live diagram headed by the channel names as their
// selectors show them.

#include "Diagramx.h"
#include "ExportDialog.h"
#include "Modal.h"
#include "window_fixture.h"

#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QRadioButton>

namespace {

using MenuNamesTest = WindowFixture;

TEST_F(MenuNamesTest, CsvIsHeadedByTheSelectorNames)
{
    window->BitBtn1Click(); // test samples
    window->ComboBox_select_dat_mis[1]->setCurrentIndex(4);
    const QString path = folder.filePath("live.csv");
    run_modal_hook = [&](QDialog& d) {
        if (auto* options = dynamic_cast<ExportDialog*>(&d)) {
            options->RadioButton_grafico_completo->setChecked(true);
            return int(QDialog::Accepted);
        }
        dynamic_cast<QFileDialog&>(d).selectFile(path);
        return int(QDialog::Accepted);
    };
    window->Menu_Esporta_CSVClick();
    run_modal_hook = nullptr;
    ASSERT_EQ(recorder.messages().size(), 1u);
    EXPECT_EQ(recorder.messages()[0].text, "Dati Esportati!");

    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = f.readAll().split('\n');
    ASSERT_GE(lines.size(), 2);
    EXPECT_EQ(lines[0], QByteArray("t [s],Dat Mis 1,Dat Mis 5,Dat Mis 3,Dat Mis 4,Dat Mis 5,"
                                   "Dat Mis 6,Dat Mis 7,Dat Mis 8\r"));
    // Every sample: the header, one line per sample, and the empty rest after the last CR LF.
    EXPECT_EQ(std::uint32_t(lines.size()), live_diagram->SampleCount() + 2);
}

} // namespace
