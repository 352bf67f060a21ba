#pragma once
// The print preview: the page as compose_page lays it out, drawn on an image at a zoom of
// 20 to 400 % of the width-fitting resolution, with fit-to-width and fit-to-height, scroll
// bars when the sheet is larger than the image, and its own print button.

#include <QDialog>
#include <QFrame>

#include <cstdint>
#include <functional>

class ImageControl;
class QLabel;
class QPushButton;
class QScrollBar;
class QSlider;
class QStatusBar;
class QTimer;
class QWheelEvent;

// A panel that reports its resizing.
class ResizePanel : public QFrame {
public:
    using QFrame::QFrame;
    std::function<void()> onResize;

protected:
    void resizeEvent(QResizeEvent* event) override;
};

class TForm_print_preview : public QDialog {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 676;
    static constexpr int kClientHeight = 609;

    explicit TForm_print_preview(QWidget* owner = nullptr);
    ~TForm_print_preview() override;

    QFrame* ToolBar1 = nullptr;
    QFrame* Panel43 = nullptr;
    QSlider* TrackBar_px_inchx = nullptr;
    QLabel* Panel_px_inchx = nullptr;
    QPushButton* BitBtn_width = nullptr;
    QPushButton* BitBtn_height = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn_close = nullptr;
    QPushButton* Button_F[5] = {}; // Button_F1 .. Button_F5
    QFrame* Panel_status = nullptr;
    QStatusBar* StatusBar_status = nullptr;
    QLabel* StatusPanel[2] = {};
    QFrame* Panel_debugx = nullptr;
    ResizePanel* Panel_Img_preview = nullptr;
    ImageControl* Image_preview = nullptr;
    QFrame* Panel_scroll_pg_y = nullptr;
    QScrollBar* ScrollBar_Y = nullptr;
    QFrame* Panel_scroll_pg_x = nullptr;
    QScrollBar* ScrollBar_X = nullptr;
    QFrame* Panel_scroll_pg_xy = nullptr;
    QTimer* Timer_monitor = nullptr;

    // Resolution at which a 210 mm wide sheet fills the image's width (less 2).
    std::uint16_t fit_dpi = 96;

    void FormCreate();
    void FormShow();
    void TrackBar_px_inchxChange();
    void BitBtn_widthClick();
    void BitBtn_heightClick();
    void BitBtn1Click();
    void BitBtn_closeClick();
    void ScrollBar_XChange();
    void ScrollBar_YChange();
    void Panel_Img_previewResize();
    void Timer_monitorTimer();

    // Shows or hides the scroll bars for the sheet at the present zoom (until the choice no
    // longer changes the image's size) and places the sheet on the image.
    void update_preview_layout();
    // Repaints the image when its size, the sheet's place or the zoom changed since the
    // last painting. Returns true when it painted.
    bool refresh_preview();
    void paint_preview_background();

    // Sheet size in preview pixels at the present zoom.
    int sheet_width() const;
    int sheet_height() const;
    int paintCount() const { return paintCount_; }

    // The mouse wheel over the page: it scrolls the page (sideways with Shift or a tilting
    // wheel), and with Ctrl it zooms in the steps of the zoom slider.
    void Image_previewWheel(QWheelEvent* event);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void arrange_image_panel();
    void set_track_position(int position);

    struct Painted {
        int width = -1, height = -1;
        int origin_x = 0, origin_y = 0;
        int dpi = 0;
        bool operator==(const Painted&) const = default;
    } painted_;
    int paintCount_ = 0;
    int zoomWheelRest_ = 0; // Ctrl+wheel turned by less than a notch so far
};

extern TForm_print_preview* Form_print_preview;
