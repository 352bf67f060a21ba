#pragma once
// The options of an export, asked before the file name: the diagram as displayed or the
// whole acquisition (the two choices of the print options), and for CSV the layout for
// spreadsheets set up for Italian locales. The choices are kept for the rest of the run.

#include <QDialog>

class QCheckBox;
class QPushButton;
class QRadioButton;

class ExportDialog : public QDialog {
    Q_OBJECT
public:
    enum class Kind { Csv, Pdf };
    ExportDialog(Kind kind, QWidget* owner = nullptr);

    QRadioButton* RadioButton_grafico_visualiz = nullptr;
    QRadioButton* RadioButton_grafico_completo = nullptr;
    QCheckBox* CheckBox_punto_virgola = nullptr; // CSV only
    QPushButton* BitBtn_esporta = nullptr;
    QPushButton* BitBtn_annulla = nullptr;

    bool whole() const;
    bool semicolon() const;

    // Going on keeps the choices for the next export.
    void accept() override;
};
