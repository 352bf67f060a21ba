// The print options dialog and the print preview window.

#include "print_support.h"

#include "ImageControl.h"
#include "Print_box.h"
#include "Print_preview.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

#include <array>
#include <functional>

TEST(PrintBox, ModeIsKeptFromOneOpeningToTheNextAndResultsAreOneOrTwo)
{
    PrintSettingsReset reset;
    {
        TForm_Print_Box box;
        box.open();
        EXPECT_TRUE(box.RadioButton_grafico_visualiz->isChecked());
        box.RadioButton_grafico_completo->click();
        EXPECT_EQ(print_whole_diagram, 1);
        box.BitBtn_print->click();
        EXPECT_EQ(box.result(), 1);
    }
    // Annulla, the close box and Escape all cancel.
    const std::function<void(TForm_Print_Box&)> cancels[] = {
        [](TForm_Print_Box& b) { b.BitBtn_annulla->click(); },
        [](TForm_Print_Box& b) { b.close(); },
        [](TForm_Print_Box& b) { QTest::keyClick(&b, Qt::Key_Escape); },
    };
    for (const auto& cancel : cancels) {
        TForm_Print_Box box;
        box.open();
        EXPECT_TRUE(box.RadioButton_grafico_completo->isChecked());
        cancel(box);
        EXPECT_EQ(box.result(), 2);
    }
    // In the preview's options only the preview button shows.
    print_is_preview = 1;
    TForm_Print_Box box;
    box.open();
    EXPECT_FALSE(box.BitBtn_print->isVisible());
    box.BitBtn_preview->click();
    EXPECT_EQ(box.result(), 1);
}

TEST(PrintBox, ListsTheSystemPrintersWithTheCurrentOneChosen)
{
    PrintSettingsReset reset;
    const QStringList printers = printer_names();
    print_printer_index = 77;
    TForm_Print_Box box;
    box.show();
    QStringList listed;
    for (int i = 0; i < box.ComboBox_print->count(); ++i)
        listed << box.ComboBox_print->itemText(i);
    EXPECT_EQ(listed, printers);
    EXPECT_EQ(print_printer_index, current_printer_index());
    EXPECT_EQ(box.ComboBox_print->currentIndex(),
              printers.isEmpty() ? -1 : current_printer_index());

    // Choosing another entry sets the index; the next opening chooses the current printer again.
    box.ComboBox_print->addItem(QStringLiteral("another"));
    box.ComboBox_print->setCurrentIndex(box.ComboBox_print->count() - 1);
    EXPECT_EQ(print_printer_index, box.ComboBox_print->count() - 1);
    box.BitBtn_print->click();
    TForm_Print_Box next;
    next.show();
    EXPECT_EQ(print_printer_index, current_printer_index());
}

namespace {

struct Preview {
    PrintHost host;
    TForm_print_preview form;
    Preview()
    {
        form.resize(TForm_print_preview::kClientWidth, TForm_print_preview::kClientHeight);
        form.show();
    }
    int imageW() const { return form.Image_preview->width(); }
    int imageH() const { return form.Image_preview->height(); }
    // Which of the horizontal bar, the vertical bar and the corner square are shown.
    std::array<bool, 3> bars() const
    {
        return {!form.Panel_scroll_pg_x->isHidden(), !form.Panel_scroll_pg_y->isHidden(),
                !form.Panel_scroll_pg_xy->isHidden()};
    }
    const QImage& picture()
    {
        QApplication::processEvents();
        form.refresh_preview();
        form.Image_preview->canvas().release();
        return form.Image_preview->picture();
    }
};

using Bars = std::array<bool, 3>;

} // namespace

TEST(PrintPreview, OpensAtTheWidthFittingZoomFitsWidthOrHeightAndCloses)
{
    {
        Preview p;
        EXPECT_EQ(p.form.TrackBar_px_inchx->value(), 100);
        EXPECT_EQ(print_target.dpi, p.form.fit_dpi);
        EXPECT_EQ(print_target.canvas, &p.form.Image_preview->canvas());
        // A 210 mm sheet is about as wide as the image; the 297 mm one is taller.
        EXPECT_NEAR(210.0 / 25.4 * print_target.dpi, p.imageW(), p.imageW() * 0.04);
        EXPECT_EQ(p.bars(), (Bars{false, true, true}));

        // The fit is taken for the image as it is at the click (narrower by a scroll bar here).
        p.form.TrackBar_px_inchx->setValue(250);
        const int height = p.imageH();
        p.form.BitBtn_heightClick();
        EXPECT_NEAR(297.0 / 25.4 * print_target.dpi, height, height * 0.04);
        p.form.BitBtn_widthClick();
        EXPECT_NEAR(210.0 / 25.4 * print_target.dpi, p.imageW(), p.imageW() * 0.04);
        p.form.BitBtn_close->click();
        EXPECT_FALSE(p.form.isVisible());
    }
    // The target forgets the image.
    EXPECT_EQ(print_target.canvas, nullptr);
}

TEST(PrintPreview, ScrollBarsComeAndGoWithTheWindowSize)
{
    Preview p;
    // Small window at 400 %: both bars and the corner square.
    p.form.TrackBar_px_inchx->setValue(400);
    EXPECT_EQ(print_target.dpi, 400 * p.form.fit_dpi / 100);
    EXPECT_EQ(p.form.Panel_px_inchx->text(), QStringLiteral("400 %"));
    EXPECT_EQ(p.bars(), (Bars{true, true, true}));
    EXPECT_EQ(p.form.ScrollBar_X->maximum(), p.form.sheet_width() - p.imageW());
    p.form.ScrollBar_X->setValue(150);
    p.form.ScrollBar_Y->setValue(300);
    EXPECT_EQ(print_target.origin_x, -150);
    EXPECT_EQ(print_target.origin_y, -300);

    // Zoomed out in a big window: no bars, the sheet centred.
    p.form.resize(1200, 1000);
    QApplication::processEvents();
    p.form.TrackBar_px_inchx->setValue(40);
    EXPECT_EQ(p.bars(), (Bars{false, false, false}));
    EXPECT_EQ(print_target.origin_x, (p.imageW() - p.form.sheet_width()) / 2);
    EXPECT_EQ(print_target.origin_y, (p.imageH() - p.form.sheet_height()) / 2);
    const QImage& img = p.picture();
    EXPECT_EQ(img.pixel(3, 3), qRgb(0xC0, 0xC0, 0xC0)); // silver beside the sheet
    EXPECT_EQ(img.pixel(print_target.origin_x + 3, print_target.origin_y + 3), qRgb(255, 255, 255));
}
