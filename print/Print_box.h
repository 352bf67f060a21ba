#pragma once
// The print options dialog that every print and preview command opens first: the printer,
// the diagram as displayed or the whole acquisition, and Print (or Preview) / Annulla.
// The modal run ends with 1 (go on) or 2 (cancelled, the close box included).

#include "Modal.h"
#include <QDialog>

#include <functional>

class QComboBox;
class QGroupBox;
class QPushButton;
class QRadioButton;
class QStatusBar;

class TForm_Print_Box : public QDialog {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 310;
    static constexpr int kClientHeight = 227;
    static constexpr int kResultOk = 1;
    static constexpr int kResultCancel = 2;

    explicit TForm_Print_Box(QWidget* owner = nullptr);

    QStatusBar* StatusBar_dat_mis = nullptr;
    QGroupBox* GroupBox_print_select = nullptr;
    QComboBox* ComboBox_print = nullptr;
    QGroupBox* GroupBox_mode = nullptr;
    QRadioButton* RadioButton_grafico_visualiz = nullptr;
    QRadioButton* RadioButton_grafico_completo = nullptr;
    QPushButton* BitBtn_print = nullptr;
    QPushButton* BitBtn_preview = nullptr;
    QPushButton* BitBtn_annulla = nullptr;

    void FormShow();
    void ComboBox_printChange();
    void RadioButton_grafico_visualizClick();
    void RadioButton_grafico_completoClick();
    void BitBtn_printClick();
    void BitBtn_previewClick();
    void BitBtn_annullaClick();

    // The close box and Escape cancel, as Annulla does.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
};

extern TForm_Print_Box* Form_Print_Box;
