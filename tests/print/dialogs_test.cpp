// The print options dialog and the print preview window.

#include "print_support.h"

#include "ImageControl.h"
#include "Print_box.h"
#include "Print_preview.h"

#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

TEST(PrintBox, ModeIsKeptFromOneOpeningToTheNextAndResultsAreOneOrTwo)
{
    PrintSettingsReset reset;
    {
        TForm_Print_Box box;
        box.open();
        box.RadioButton_grafico_completo->click();
        EXPECT_EQ(print_whole_diagram, 1);
        box.BitBtn_print->click();
        EXPECT_EQ(box.result(), 1);
    }
    TForm_Print_Box box;
    box.open();
    EXPECT_TRUE(box.RadioButton_grafico_completo->isChecked());
    QTest::keyClick(&box, Qt::Key_Escape);
    EXPECT_EQ(box.result(), 2);
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
};

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
