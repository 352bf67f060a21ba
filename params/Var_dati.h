#pragma once
// The controller parameter grid: number, name and value of each of the 201 parameters. The
// user types a value into a value cell; Enter stores it in param_values and sends it to the
// controller. Values are never read back: the grid shows what was entered in this run.
//
// The grid's row 0 is its header (drawn in the table's header); rows 1..201 are the
// parameters, parameter index row - 1. Columns 0 (number) and 1 (name) are fixed; column 2,
// the value, is the only one that takes the cursor, and its cell editor is always open on the
// current cell.

#include <QDialog>

#include <array>

class Canvas;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRect;
class QStatusBar;
class QTableWidget;

class TForm_var_dati : public QDialog {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 406;
    static constexpr int kClientHeight = 482;
    static constexpr int kValueColumn = 2;
    static constexpr int kRowCount = 202; // header row and 201 parameters

    explicit TForm_var_dati(QWidget* owner = nullptr);
    ~TForm_var_dati() override;

    QGroupBox* GroupBox_prodotti_normali = nullptr;
    QTableWidget* StringGrid_var_dati = nullptr;
    QFrame* Panel_x1 = nullptr;
    std::array<QLabel*, 6> Panel_debx{}; // Panel_debx1..Panel_debx6
    QGroupBox* GroupBox_dat = nullptr;
    QPushButton* BitBtn_close = nullptr;
    QFrame* Panel_status = nullptr;
    QStatusBar* StatusBar_Com = nullptr;

    // Column and row (grid coordinates) of the last selected cell.
    int grid_col = 2;
    int grid_row = 1;

    void FormCreate();
    void FormShow();
    void BitBtn_closeClick();
    void StringGrid_var_datiSelectCell(int column, int row);
    // Returns true when the key goes on to the cell editor.
    bool StringGrid_var_datiKeyPress(QChar key);
    // Draws one cell (grid coordinates) into rect.
    void StringGrid_var_datiDrawCell(Canvas& canvas, int column, int row, const QRect& rect);

    // The text of a cell, grid coordinates; "" outside the grid.
    QString cellText(int column, int row) const;
    void setCellText(int column, int row, const QString& text);
    // The editor open on the current value cell, or null.
    QLineEdit* cellEditor() const { return editor_; }
    // Makes a value cell the current one (grid coordinates), as a click on it does.
    void selectValueCell(int row);

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* object, QEvent* event) override;

private:
    friend class VarDatiDelegate;
    void currentCellMoved(int row, int column, int previousRow, int previousColumn);
    void valueCellChanged(int row, int column);

    QLineEdit* editor_ = nullptr;
    bool loading_ = false; // FormShow is filling the cells
};

// The window while the parameter grid command shows it; before that, the instance created
// hidden at start-up. Null otherwise.
extern TForm_var_dati* Form_var_dati;
