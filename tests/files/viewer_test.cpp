// The saved-diagram viewer: its start state, loading (and refusing) files, channel
// visibility across loads, the fixed Y scale and its fields, cursors, refresh, printing from
// the loaded file, and what a second opening of the window shows.

#include "Diagramx.h"
#include "Dmg_file.h"
#include "ImageControl.h"
#include "Load_dat.h"
#include "MeasureWindow.h"
#include "Modal.h"
#include "Print_box.h"
#include "Print_page.h"
#include "Print_preview.h"
#include "Recording_view.h"
#include "message_box.h"
#include "recording_maker.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <vector>

namespace {

// Writes a diagram file of n samples with the given limits, flags, names and colours.
void write_file(const QString& path, int n, std::int16_t yMax, std::int16_t yMin,
                std::uint32_t flags, const QString& namePrefix, std::uint32_t colourBase = 0x102030)
{
    QWidget host;
    host.resize(400, 300);
    Diagramx d(&host, 8, 5000, 20001);
    for (int c = 0; c < 8; ++c)
        d.channelColor[c] = colourBase + std::uint32_t(c) * 0x000011;
    double v[8];
    for (int k = 0; k < n; ++k) {
        for (int c = 0; c < 8; ++c)
            v[c] = 300.0 * std::sin(k * 0.01 + c) + 100.0 * c;
        d.AddSample(k * 0.001, v, 8);
    }
    DmgDisplaySettings s;
    for (int i = 0; i < 8; ++i)
        s.names[i] = QStringLiteral("%1 %2").arg(namePrefix).arg(i + 1);
    s.y_max = yMax;
    s.y_min = yMin;
    s.flags = flags;
    dmg_write(path, d, s);
}

// Trace colours that nothing else in the picture uses.
constexpr std::uint32_t kTraceColours[8] = {0x2060A0, 0x20A060, 0xA02060, 0x60A020,
                                            0xA06020, 0x6020A0, 0x40C0C0, 0xC040C0};

// 100 samples 1 ms apart, channel c around 10 c, as a file would hold them.
std::vector<Sample> ordinary_samples(int n = 100)
{
    std::vector<Sample> rows(std::size_t(n), Sample{});
    for (int k = 0; k < n; ++k) {
        for (int c = 0; c < 8; ++c)
            rows[std::size_t(k)].value[c] = 10.0 * c + std::sin(k * 0.1 + c);
        rows[std::size_t(k)].t = k * 0.001;
    }
    return rows;
}

// Writes the samples as they stand, with the fixed scale -2000 .. 2000 on or off.
void write_samples(const QString& path, const std::vector<Sample>& rows, bool fixedScale = false)
{
    DmgHeader header;
    header.count = std::uint32_t(rows.size());
    for (int c = 0; c < 8; ++c)
        header.colour[c] = kTraceColours[c];
    header.y_max = 2000;
    header.y_min = -2000;
    header.flags = fixedScale ? 1 : 0;
    dmg_seal_header(header);
    const DmgHeaderBytes bytes = dmg_encode_header(header);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size()));
    f.write(reinterpret_cast<const char*>(rows.data()), qint64(rows.size() * sizeof(Sample)));
}

// The bounding box of the pixels of colour c.
QRect ink_of(const QImage& img, std::uint32_t c)
{
    QRect box;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (std::uint32_t(from_qcolor(img.pixelColor(x, y))) == c)
                box |= QRect(x, y, 1, 1);
    return box;
}

class Viewer : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        // Every test starts as a fresh run of the program.
        viewer_y_max = 2000;
        viewer_y_min = -2000;
        viewer_flags = 0;
        viewer_fields_ready = true;
        open();
    }
    void TearDown() override
    {
        run_modal_hook = nullptr;
        close();
    }
    void open()
    {
        window = std::make_unique<TForm_load_dat>();
        Form_load_dat = window.get();
        window->show();
        QApplication::processEvents();
    }
    void close()
    {
        if (window)
            window->close();
        window.reset();
    }
    QString path(const char* name) const { return folder.filePath(QLatin1String(name)); }
    // Refresh, print and preview: only with a loaded diagram.
    void expect_file_commands(bool enabled)
    {
        for (QToolButton* b :
             {window->BitBtn_Refresh, window->BitBtn_print, window->BitBtn_preview})
            EXPECT_EQ(b->isEnabled(), enabled) << b->objectName().toStdString();
        for (QAction* a : {window->Menu_Refresh, window->Menu_print, window->Menu_Print_preview})
            EXPECT_EQ(a->isEnabled(), enabled) << a->objectName().toStdString();
    }
    Diagramx& diagram() { return *window->viewer_diagram; }
    // Lets the scale timer run until it stops by itself.
    void settle_timer()
    {
        for (int i = 0; i < 200 && window->Timer_set_fix_scale->isActive(); ++i)
            QTest::qWait(2);
    }
    void type_and_enter(QLineEdit* memo, const QString& text)
    {
        window->activateWindow();
        memo->setFocus();
        QApplication::processEvents();
        memo->selectAll();
        QTest::keyClicks(memo, text);
        QTest::keyClick(memo, Qt::Key_Return);
    }

    QTemporaryDir folder;
    MessageRecorder recorder;
    std::unique_ptr<TForm_load_dat> window;
};

} // namespace

TEST_F(Viewer, StartsEmptyAndRejectedFilesChangeNothing)
{
    // Only load and close; the fixed scale unchecked, its fields disabled; cursors off; every
    // channel shown. (The rest of the start state: after the rejected files below.)
    EXPECT_TRUE(window->BitBtn_load->isEnabled());
    EXPECT_TRUE(window->Menu_Carica->isEnabled());
    EXPECT_TRUE(window->Menu_Chiudi_Main->isEnabled());
    EXPECT_FALSE(window->CheckBox_scala_asse_y->isChecked());
    EXPECT_FALSE(window->Memo_asse_y_max_scale->isEnabled());
    EXPECT_FALSE(window->UpDown_asse_y_min_scale->isEnabled());
    EXPECT_EQ(window->Panel_cursor_asseT_on_off->caption(), QStringLiteral("Off"));
    for (int i = 0; i < 8; ++i)
        EXPECT_TRUE(window->CheckBox_Dat_Mis_[i]->isChecked());

    write_file(path("good.dmg"), 100, 1500, -500, 1, QStringLiteral("Good"));
    QFile::copy(path("good.dmg"), path("bad.dmg"));
    {
        QFile f(path("bad.dmg"));
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        f.seek(10);
        f.write("X"); // the check byte no longer matches
    }
    // The reader's checks and messages: dmg_file_test.cpp.
    EXPECT_FALSE(window->load_file(path("missing.dmg")));
    EXPECT_TRUE(recorder.messages().empty());
    EXPECT_FALSE(window->load_file(path("bad.dmg")));
    ASSERT_EQ(recorder.messages().size(), 1u);
    EXPECT_EQ(recorder.messages()[0].text, QStringLiteral("File Dati Errato!"));

    expect_file_commands(false);
    EXPECT_FALSE(window->CheckBox_scala_asse_y->isEnabled());
    EXPECT_TRUE(window->Panel_dat_mis[0]->caption().isEmpty());
    EXPECT_EQ(diagram().SampleCount(), 0u);
    EXPECT_EQ(viewer_flags, 0u);
    EXPECT_EQ(viewer_y_max, 2000);

    // After a good load, a bad one leaves the loaded diagram and settings as they were.
    ASSERT_TRUE(window->load_file(path("good.dmg")));
    EXPECT_FALSE(window->load_file(path("bad.dmg")));
    EXPECT_EQ(diagram().SampleCount(), 100u);
    EXPECT_EQ(window->Panel_dat_mis[7]->caption(), QStringLiteral("Good 8"));
    EXPECT_EQ(viewer_y_max, 1500);
    EXPECT_TRUE(window->CheckBox_scala_asse_y->isChecked());
}

TEST_F(Viewer, LoadShowsNamesColoursAndEnablesTheCommands)
{
    write_file(path("a.dmg"), 3000, 1500, -500, 0, QStringLiteral("Pressione"), 0x203040);
    // Through the open dialog, as the user does it.
    int dialogs = 0;
    run_modal_hook = [&](QDialog& d) {
        ++dialogs;
        auto& files = dynamic_cast<QFileDialog&>(d);
        EXPECT_EQ(files.fileMode(), QFileDialog::ExistingFile);
        files.setDirectory(folder.path());
        files.selectFile(QStringLiteral("a.dmg"));
        return int(QDialog::Accepted);
    };
    window->BitBtn_loadClick();
    EXPECT_EQ(dialogs, 1);
    EXPECT_TRUE(recorder.messages().empty());

    EXPECT_EQ(diagram().SampleCount(), 3000u);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(window->Panel_dat_mis[i]->caption(), QStringLiteral("Pressione %1").arg(i + 1));
        const QColor swatch = window->Panel_Dat_Mis_[i]->palette().color(QPalette::Window);
        const Color c = 0x203040 + Color(i) * 0x11;
        EXPECT_EQ(swatch, to_qcolor(c));
    }
    expect_file_commands(true);

    // A file saved without the fixed scale: the box is enabled and "Off"; the fields show the
    // file's limits (and stay disabled: SecondOpeningShowsTheLastLimitsButNoDiagram).
    EXPECT_TRUE(window->CheckBox_scala_asse_y->isEnabled());
    EXPECT_EQ(window->Panel_scala_asse_y_on_off->caption(), QStringLiteral("Off"));
    EXPECT_EQ(window->Memo_asse_y_max_scale->text(), QStringLiteral("1500"));
    EXPECT_EQ(window->Memo_asse_y_min_scale->text(), QStringLiteral("-500"));
    EXPECT_EQ(diagram().view.fixedScale, 0);

    // Cancelling the dialog changes nothing.
    run_modal_hook = [](QDialog&) { return int(QDialog::Rejected); };
    window->BitBtn_loadClick();
    EXPECT_EQ(diagram().SampleCount(), 3000u);
}

TEST_F(Viewer, HiddenChannelStaysHiddenAcrossLoadsCursorsAndRefresh)
{
    write_file(path("a.dmg"), 500, 1000, -1000, 0, QStringLiteral("A"));
    write_file(path("b.dmg"), 8000, 1000, -1000, 0, QStringLiteral("B"));
    ASSERT_TRUE(window->load_file(path("a.dmg")));
    window->CheckBox_Dat_Mis_[2]->click();
    ASSERT_TRUE(window->load_file(path("b.dmg")));
    EXPECT_FALSE(window->CheckBox_Dat_Mis_[2]->isChecked());
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(diagram().channelVisible[i], i == 2 ? 0 : 1) << i;
    window->CheckBox_Dat_Mis_[2]->click();
    EXPECT_EQ(diagram().channelVisible[2], 1);

    window->CheckBox_cursor_asseY->click();
    EXPECT_EQ(diagram().showYCursors, 1);

    diagram().view.followLatest = 0;
    const auto paints = diagram().paintCount();
    window->Menu_Refresh->trigger();
    EXPECT_EQ(diagram().view.followLatest, 1);
    EXPECT_GT(diagram().paintCount(), paints);
}

// F5, Ctrl+O and Ctrl+P run Refresh, Carica and Stampa, and only while these are enabled.
TEST_F(Viewer, KeysRunTheirMenuCommandsOnlyWhileTheseAreEnabled)
{
    write_file(path("a.dmg"), 500, 1000, -1000, 0, QStringLiteral("A"));
    int opens = 0, boxes = 0;
    run_modal_hook = [&](QDialog& d) {
        if (auto* files = dynamic_cast<QFileDialog*>(&d)) {
            ++opens;
            files->setDirectory(folder.path());
            files->selectFile(QStringLiteral("a.dmg"));
            return int(QDialog::Accepted);
        }
        if (dynamic_cast<TForm_Print_Box*>(&d))
            ++boxes;
        return int(TForm_Print_Box::kResultCancel);
    };
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));

    // Nothing loaded: Refresh and Stampa are disabled, their keys do nothing.
    const auto paints = diagram().paintCount();
    QTest::keyClick(window.get(), Qt::Key_F5);
    QTest::keyClick(window.get(), Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(diagram().paintCount(), paints);
    EXPECT_TRUE(recorder.messages().empty());

    QTest::keyClick(window.get(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(opens, 1);
    ASSERT_EQ(diagram().SampleCount(), 500u);

    diagram().view.followLatest = 0;
    QTest::keyClick(window.get(), Qt::Key_F5);
    EXPECT_EQ(diagram().view.followLatest, 1);

    // Stampa asks for the options, or says that the system has no printer.
    QTest::keyClick(window.get(), Qt::Key_P, Qt::ControlModifier);
    if (printer_names().isEmpty()) {
        ASSERT_EQ(recorder.messages().size(), 1u);
        EXPECT_EQ(recorder.messages()[0].text, QStringLiteral("Nessuna Stampante Rilevata!"));
    } else {
        EXPECT_EQ(boxes, 1);
    }
}

TEST_F(Viewer, FixedScaleFileEnablesTheFieldsAndUncheckingEndsIt)
{
    write_file(path("fixed.dmg"), 2000, 1200, -300, 1, QStringLiteral("F"));
    ASSERT_TRUE(window->load_file(path("fixed.dmg")));
    EXPECT_TRUE(window->CheckBox_scala_asse_y->isEnabled());
    EXPECT_TRUE(window->CheckBox_scala_asse_y->isChecked());
    EXPECT_EQ(window->Panel_scala_asse_y_on_off->caption(), QStringLiteral("On"));
    EXPECT_TRUE(window->Memo_asse_y_max_scale->isEnabled());
    EXPECT_EQ(diagram().view.fixedScale, 1);
    EXPECT_EQ(diagram().view.yMax, 1200.0); // drawn with the stored limits
    EXPECT_EQ(diagram().view.yMin, -300.0);
    settle_timer();

    // The fields edit the viewer's limits (the column itself is tested on its own).
    type_and_enter(window->Memo_asse_y_max_scale, QStringLiteral("500"));
    EXPECT_EQ(viewer_y_max, 500);
    settle_timer();
    EXPECT_EQ(diagram().view.yMax, 500.0);

    // Unchecked: back to the automatic scale at once.
    const auto paints = diagram().paintCount();
    window->CheckBox_scala_asse_y->click();
    EXPECT_EQ(viewer_flags & 1u, 0u);
    EXPECT_EQ(window->Panel_scala_asse_y_on_off->caption(), QStringLiteral("Off"));
    EXPECT_FALSE(window->Memo_asse_y_max_scale->isEnabled());
    EXPECT_EQ(diagram().view.fixedScale, 0);
    EXPECT_GT(diagram().paintCount(), paints);
    EXPECT_NE(diagram().view.yMax, 500.0);
}

TEST_F(Viewer, PrintingChecksThenLabelsTheLegendWithTheFileNames)
{
    int boxes = 0, previews = 0;
    QString legend[8];
    run_modal_hook = [&](QDialog& d) {
        if (dynamic_cast<TForm_Print_Box*>(&d)) {
            ++boxes;
            return int(TForm_Print_Box::kResultOk);
        }
        if (dynamic_cast<TForm_print_preview*>(&d)) {
            ++previews;
            EXPECT_EQ(print_diagram, window->viewer_diagram);
            EXPECT_EQ(print_is_preview, 1);
            for (int i = 0; i < 8; ++i)
                legend[i] = QString::fromLatin1(print_names + i * kPrintNameSize);
        }
        return 0;
    };
    if (printer_names().isEmpty()) {
        // Print and preview are enabled only after a load; even then no printer stops them.
        write_file(path("a.dmg"), 100, 1000, -1000, 0, QStringLiteral("A"));
        ASSERT_TRUE(window->load_file(path("a.dmg")));
        window->BitBtn_previewClick();
        ASSERT_EQ(recorder.messages().size(), 1u);
        EXPECT_EQ(recorder.messages()[0].text, QStringLiteral("Nessuna Stampante Rilevata!"));
        EXPECT_EQ(boxes, 0);
        return;
    }
    // The checks before the options are shared with the main window: commands_test.cpp.
    write_file(path("a.dmg"), 1000, 1000, -1000, 0, QStringLiteral("Temperatura olio"));
    ASSERT_TRUE(window->load_file(path("a.dmg")));
    window->BitBtn_previewClick();
    EXPECT_EQ(boxes, 1);
    EXPECT_EQ(previews, 1);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(legend[i], QStringLiteral("Temperatura olio %1").arg(i + 1));

    // Closing the window lets go of what printing would draw.
    close();
    EXPECT_EQ(print_diagram, nullptr);
    EXPECT_EQ(print_names, nullptr);
}

TEST_F(Viewer, SecondOpeningShowsTheLastLimitsButNoDiagram)
{
    write_file(path("fixed.dmg"), 2000, 1200, -300, 1, QStringLiteral("F"));
    ASSERT_TRUE(window->load_file(path("fixed.dmg")));
    type_and_enter(window->Memo_asse_y_max_scale, QStringLiteral("700"));
    window->Menu_Chiudi_Main->trigger();
    EXPECT_EQ(window->viewer_diagram, nullptr);
    close();

    // The last file had the fixed scale on: the fields open enabled.
    open();
    EXPECT_EQ(window->Memo_asse_y_max_scale->text(), QStringLiteral("700"));
    EXPECT_EQ(window->Memo_asse_y_min_scale->text(), QStringLiteral("-300"));
    EXPECT_TRUE(window->Memo_asse_y_max_scale->isEnabled());
    EXPECT_TRUE(window->UpDown_asse_y_min_scale->isEnabled());
    EXPECT_FALSE(window->CheckBox_scala_asse_y->isEnabled());
    EXPECT_FALSE(window->CheckBox_scala_asse_y->isChecked());
    EXPECT_EQ(diagram().SampleCount(), 0u);
    expect_file_commands(false);
    for (int i = 0; i < 8; ++i)
        EXPECT_TRUE(window->Panel_dat_mis[i]->caption().isEmpty());

    // A file without it leaves the box unchecked, as it was, and the fields still go grey.
    write_file(path("auto.dmg"), 100, 900, -900, 0, QStringLiteral("A"));
    ASSERT_TRUE(window->load_file(path("auto.dmg")));
    EXPECT_FALSE(window->CheckBox_scala_asse_y->isChecked());
    EXPECT_FALSE(window->Memo_asse_y_max_scale->isEnabled());
    EXPECT_FALSE(window->UpDown_asse_y_min_scale->isEnabled());
}

TEST_F(Viewer, ValuesThatAreNoNumbersBreakOnlyTheirOwnTraceAndHugeOnesKeepTheOthersDrawn)
{
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        const char* name;
        std::function<void(std::vector<Sample>&)> change;
        int gapChannel; // the channel with no ink at sample 50, or -1
    } cases[] = {
        {"not a number", [](auto& r) { r[50].value[2] = std::nan(""); }, 2},
        {"infinite",
         [&](auto& r) {
             r[50].value[5] = inf;
             r[51].value[5] = -inf;
         },
         5},
        // Values so far apart that the width of their range is no double.
        {"huge",
         [](auto& r) {
             for (std::size_t k = 0; k < r.size(); ++k)
                 for (int c = 0; c < 8; ++c)
                     r[k].value[c] = (c - 3.5) * 2e307 + 1e306 * std::sin(k * 0.1);
             r[30].value[2] = 1.7e308;
             r[31].value[2] = -1.7e308;
         },
         -1},
        {"one sample", [](auto& r) { r.resize(1); }, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<Sample> rows = ordinary_samples();
        c.change(rows);
        write_samples(path("odd.dmg"), rows);
        ASSERT_TRUE(window->load_file(path("odd.dmg")));
        const ViewState& v = diagram().view;
        ASSERT_TRUE(std::isfinite(v.yMax - v.yMin) && v.yMax > v.yMin);
        ASSERT_TRUE(std::isfinite(v.tMax - v.tMin) && v.tMax > v.tMin);
        const QImage img = diagram().Snapshot();
        const QRect plot(QPoint(v.plotLeft, v.plotBottom - v.plotHeight),
                         QPoint(v.plotLeft + v.plotWidth, v.plotBottom));
        for (int ch = 0; ch < 8; ++ch) {
            const QRect ink = ink_of(img, kTraceColours[ch]);
            ASSERT_FALSE(ink.isEmpty()) << "channel " << ch + 1;
            EXPECT_TRUE(plot.contains(ink)) << "channel " << ch + 1;
            if (rows.size() == 1) // the sample's point, in the middle of the plot in time
                EXPECT_EQ(ink.size(), QSize(1, 1)) << "channel " << ch + 1;
            else // from the first sample to the last
                EXPECT_GE(ink.width(), v.plotWidth - 2 * v.tickLength) << "channel " << ch + 1;
        }
        if (c.gapChannel >= 0) {
            const int x =
                v.plotLeft + int((0.050 - v.tMin) * v.plotWidth / (v.tMax - v.tMin) + 0.5);
            const QImage column = img.copy(x, 0, 1, img.height());
            EXPECT_TRUE(ink_of(column, kTraceColours[c.gapChannel]).isEmpty());
            EXPECT_FALSE(ink_of(column, kTraceColours[c.gapChannel ^ 1]).isEmpty());
        }
    }
}

TEST_F(Viewer, CursorReadoutsComeFromTheFileNowLoaded)
{
    window->CheckBox_cursor_asseT->click();
    window->CheckBox_cursor_asseY->click();
    const std::vector<Sample> plain = ordinary_samples();
    std::vector<Sample> huge = plain;
    huge[10].value[3] = 1.7e308;
    huge[11].value[4] = -1.7e308;
    write_samples(path("plain.dmg"), plain);
    write_samples(path("huge.dmg"), huge);
    ASSERT_TRUE(window->load_file(path("plain.dmg")));
    double fresh[4];
    for (int c = 0; c < 4; ++c)
        fresh[c] = diagram().CursorReading(c);
    ASSERT_TRUE(window->load_file(path("huge.dmg")));
    for (int c = 0; c < 4; ++c)
        EXPECT_TRUE(std::isfinite(diagram().CursorReading(c))) << c;
    ASSERT_TRUE(window->load_file(path("plain.dmg")));
    for (int c = 0; c < 4; ++c)
        EXPECT_EQ(diagram().CursorReading(c), fresh[c]) << c;
}

// Files whose times or values lie at the ends of what doubles hold: each trace is drawn in
// its place across the plot, on the screen and on the page (the preview's picture and a
// printer's painter), without stepping through pixels far outside the picture.
TEST_F(Viewer, FilesAtTheEndsOfTheDoublesDrawAcrossThePlotOnScreenAndOnThePage)
{
    const double tiny = 4.9406564584124654e-324; // the smallest double above 0
    const double most = std::numeric_limits<double>::max();
    struct Case {
        const char* name;
        std::vector<Sample> rows;
        bool fixed;
    } cases[] = {
        {"times a denormal apart", {Sample{{1, 5}, 0}, Sample{{3000, 5}, tiny}}, true},
        {"times at both ends of the doubles", {Sample{{0, 5}, -most}, Sample{{1, 5}, most}}, false},
        {"values at both ends of the doubles",
         {Sample{{most, 5}, 0}, Sample{{-most, 6}, 0.001}, Sample{{most, 7}, 0.002}},
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        write_samples(path("ends.dmg"), c.rows, c.fixed);
        ASSERT_TRUE(window->load_file(path("ends.dmg")));
        // The trace's ink in the part of img that shows the diagram.
        auto expect_across = [&](const QImage& img, const ViewState& v, QPoint origin, QRect part) {
            const QRect plot = QRect(QPoint(v.plotLeft, v.plotBottom - v.plotHeight),
                                     QPoint(v.plotLeft + v.plotWidth, v.plotBottom))
                                   .translated(origin);
            const QRect ink = ink_of(img.copy(part), kTraceColours[0]).translated(part.topLeft());
            EXPECT_TRUE(plot.contains(ink));
            EXPECT_GE(ink.width(), v.plotWidth - 2 * v.tickLength);
        };
        const QImage screen = diagram().Snapshot();
        expect_across(screen, diagram().view, QPoint(0, 0), screen.rect());

        for (bool onPrinter : {false, true}) {
            SCOPED_TRACE(onPrinter ? "printer" : "preview");
            PageTarget page;
            page.onPrinter = onPrinter;
            page.dpi = 96;
            QImage sheet(page.device.physicalWidth, page.device.physicalHeight,
                         QImage::Format_RGB32);
            sheet.fill(Qt::white);
            QPainter painter;
            std::unique_ptr<Canvas> canvas;
            if (onPrinter) {
                painter.begin(&sheet);
                canvas = std::make_unique<Canvas>(&painter, sheet.rect());
            } else {
                canvas = std::make_unique<Canvas>(&sheet);
            }
            page.canvas = canvas.get();
            const PageLayout layout =
                compose_page(page, &diagram(), window->loaded_names(), print_whole_diagram == 1);
            canvas.reset();
            painter.end();
            const DrawArea& area = diagram().printArea;
            expect_across(sheet, diagram().printView, QPoint(area.left, area.top),
                          layout.diagramBox);
        }
    }
}

TEST_F(Viewer, MisureListsTheLoadedChannelsByTheirStoredNames)
{
    write_file(path("misure.dmg"), 300, 2000, -2000, 0, QStringLiteral("Pressione"));
    ASSERT_TRUE(window->load_file(path("misure.dmg")));
    auto* item = window->findChild<QAction*>(QStringLiteral("Menu_Misure"));
    ASSERT_TRUE(item);
    item->trigger();
    auto* misure = window->findChild<MeasureWindow*>();
    ASSERT_TRUE(misure);
    const QStringList lines = misure->tableText().split(u'\n');
    ASSERT_GE(lines.size(), 2);
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("Pressione 1\t"))) << lines[1].toStdString();
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral("\t300"))) << lines[1].toStdString();
}

// ---- Recordings --------------------------------------------------------------------------

TEST_F(Viewer, OpensARecordingWholeThroughTheDialogAndADiagramFileAfterIt)
{
    const std::uint64_t n = 300'000;
    const std::string rec = path("long.grec").toStdString();
    ASSERT_TRUE(make_recording(rec, n, spiky_value, 0.0005));
    QStringList filters;
    run_modal_hook = [&](QDialog& d) {
        auto& files = dynamic_cast<QFileDialog&>(d);
        filters = files.nameFilters();
        files.setDirectory(folder.path());
        files.selectFile(QStringLiteral("long.grec"));
        return int(QDialog::Accepted);
    };
    window->BitBtn_loadClick();
    EXPECT_EQ(filters, (QStringList{QStringLiteral("(*.dmg)"), QStringLiteral("(*.grec)")}));
    EXPECT_TRUE(recorder.messages().empty());
    ASSERT_TRUE(window->recording());
    EXPECT_EQ(diagram().source, static_cast<const DiagramSource*>(window->recording()));
    EXPECT_TRUE(QFile::exists(path("long.grec.sum")));
    expect_file_commands(true);
    EXPECT_EQ(window->Panel_dat_mis[2]->caption(), QStringLiteral("Canale 3"));
    EXPECT_STREQ(window->loaded_names() + 2 * kDmgNameSize, "Canale 3");

    // The whole recording, in a ring a few points per pixel column long.
    EXPECT_EQ(0.0, diagram().view.tMin);
    EXPECT_EQ(double(n - 1) * 0.0005, diagram().view.tMax);
    EXPECT_LT(diagram().SampleCount(), 5u * std::uint32_t(diagram().plotImage->width()));
    // The automatic scale saw the spikes (3000 off the waves) that few columns hold.
    EXPECT_GT(diagram().view.yMax, 3000);
    EXPECT_LT(diagram().view.yMin, -2900);

    // Refresh goes back to the whole recording after a zoom.
    diagram().view.zoomTMin = 10;
    diagram().view.zoomTMax = 10.01;
    diagram().view.zoomYMin = -500;
    diagram().view.zoomYMax = 1000;
    diagram().WindowFromZoom();
    diagram().Redraw();
    EXPECT_NEAR(21, diagram().SampleCount(), 1); // the samples themselves
    window->BitBtn_RefreshClick();
    EXPECT_EQ(double(n - 1) * 0.0005, diagram().view.tMax);

    // A diagram file after it: its own samples, no recording behind them.
    write_file(path("a.dmg"), 3000, 1500, -500, 0, QStringLiteral("Pressione"), 0x203040);
    ASSERT_TRUE(window->load_file(path("a.dmg")));
    EXPECT_FALSE(window->recording());
    EXPECT_EQ(diagram().source, nullptr);
    EXPECT_EQ(diagram().SampleCount(), 3000u);
    EXPECT_EQ(window->Panel_dat_mis[2]->caption(), QStringLiteral("Pressione 3"));
}

TEST_F(Viewer, RecordingsThatCannotBeShownAreRefusedAndChangeNothing)
{
    write_file(path("a.dmg"), 3000, 1500, -500, 0, QStringLiteral("Pressione"), 0x203040);
    ASSERT_TRUE(window->load_file(path("a.dmg")));
    ASSERT_TRUE(make_recording(path("empty.grec").toStdString(), 0, spiky_value, 0.001, 7));
    {
        QFile f(path("bad.grec"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(700, 'x'));
    }
    EXPECT_FALSE(window->load_file(path("missing.grec")));
    EXPECT_TRUE(recorder.messages().empty());
    EXPECT_FALSE(window->load_file(path("bad.grec")));
    EXPECT_FALSE(window->load_file(path("empty.grec")));
    ASSERT_EQ(recorder.messages().size(), 2u);
    EXPECT_EQ(recorder.messages()[0].text, QStringLiteral("File Registrazione Errato!"));
    EXPECT_EQ(recorder.messages()[0].title, QStringLiteral("Attenzione"));
    EXPECT_EQ(recorder.messages()[1].text, QStringLiteral("Registrazione senza campioni!"));
    EXPECT_FALSE(window->recording());
    EXPECT_EQ(diagram().SampleCount(), 3000u);
    EXPECT_EQ(window->Panel_dat_mis[2]->caption(), QStringLiteral("Pressione 3"));

    // A diagram file refused while a recording is shown leaves the recording shown.
    ASSERT_TRUE(make_recording(path("r.grec").toStdString(), 10'000, spiky_value));
    ASSERT_TRUE(window->load_file(path("r.grec")));
    EXPECT_FALSE(window->load_file(path("bad.grec").replace(".grec", ".dmg")));
    EXPECT_TRUE(window->recording());
    EXPECT_EQ(diagram().source, static_cast<const DiagramSource*>(window->recording()));
}
