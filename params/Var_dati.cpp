#include "Var_dati.h"

#include "Canvas.h"
#include "Globvar.h"
#include "Netcom.h"
#include "NumberFormat.h"
#include "Param_names.h"
#include "Param_text.h"
#include "WindowShow.h"
#include "message_box.h"

#include <QApplication>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cfloat>

TForm_var_dati* Form_var_dati = nullptr;

namespace {

constexpr int kGridGroupHeight = 261;
constexpr int kPanelX1Height = 104;
constexpr int kButtonGroupHeight = 90;
constexpr int kStatusHeight = 27;
constexpr int kStatusPanelWidth = 135;
constexpr int kRowHeight = 24;
constexpr int kColumnWidths[3] = {47, 149, 173};
constexpr int kGridFontPixels = 16;
constexpr int kGridFontPoints = 12; // 16 pixels at the canvas's 96 pixels per inch
constexpr int kMinValuePoints = 7;
constexpr int kTextIndent = 4; // DrawText adds one more pixel: text 5 pixels in
constexpr int kValueRightGap = 4;

const QString kHeaderTexts[3] = {QStringLiteral("N°"), QStringLiteral("Nome"),
                                 QStringLiteral("Dato")};

CanvasFont label_font(Color color)
{
    CanvasFont f;
    f.name = QStringLiteral("Arial");
    f.size = 9;
    f.bold = true;
    f.color = color;
    return f;
}

// A text that is no number in float range is refused rather than sent as some other value.
void refuse_value_text()
{
    const QString limit = param_value_text(FLT_MAX);
    message_box(QStringLiteral("Valore non valido! Il valore deve essere compreso tra : [-") + limit
                    + QStringLiteral("  e  ") + limit + QStringLiteral("] !"),
                QStringLiteral("Attenzione"), MessageIcon::Warning);
}

bool is_paste(QKeyEvent* key)
{
    return key->matches(QKeySequence::Paste)
           || (key->key() == Qt::Key_Insert && key->modifiers() == Qt::ShiftModifier);
}

} // namespace

// Paints the grid's cells through the window's draw handler and runs the value cell editor:
// the key filter, and the cell text kept equal to the editor text at every change.
class VarDatiDelegate : public QStyledItemDelegate {
public:
    explicit VarDatiDelegate(TForm_var_dati* form) : QStyledItemDelegate(form), form_(form) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        painter->save();
        Canvas canvas(painter, option.rect);
        form_->StringGrid_var_datiDrawCell(canvas, index.column(), index.row() + 1, option.rect);
        painter->restore();
    }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                          const QModelIndex&) const override
    {
        auto* editor = new QLineEdit(parent);
        editor->setFrame(false);
        editor->setFont(form_->StringGrid_var_dati->font());
        // Right-aligned like the drawn values, so a value does not jump when its cell
        // becomes the current one.
        editor->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        editor->setTextMargins(0, 0, kValueRightGap - 1, 0);
        editor->setContextMenuPolicy(Qt::NoContextMenu); // no paste from a menu
        editor->setAcceptDrops(false);
        editor->installEventFilter(const_cast<VarDatiDelegate*>(this));
        auto* self = const_cast<VarDatiDelegate*>(this);
        connect(editor, &QLineEdit::textEdited, self,
                [self, editor] { emit self->commitData(editor); });
        form_->editor_ = editor;
        return editor;
    }

    void destroyEditor(QWidget* editor, const QModelIndex& index) const override
    {
        if (form_->editor_ == editor)
            form_->editor_ = nullptr;
        QStyledItemDelegate::destroyEditor(editor, index);
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override
    {
        auto* line = static_cast<QLineEdit*>(editor);
        const QString text = index.data(Qt::EditRole).toString();
        if (line->text() != text) // not while the editor itself is changing the cell
            line->setText(text);
    }

    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override
    {
        const QString text = static_cast<QLineEdit*>(editor)->text();
        if (index.data(Qt::EditRole).toString() != text)
            model->setData(index, text, Qt::EditRole);
    }

    bool eventFilter(QObject* object, QEvent* event) override
    {
        auto* editor = qobject_cast<QLineEdit*>(object);
        if (!editor)
            return QStyledItemDelegate::eventFilter(object, event);
        if (event->type() == QEvent::MouseButtonRelease
            && static_cast<QMouseEvent*>(event)->button() == Qt::MiddleButton)
            return true; // no paste of the selection either
        if (event->type() != QEvent::KeyPress)
            return QStyledItemDelegate::eventFilter(object, event);

        auto* key = static_cast<QKeyEvent*>(event);
        if (is_paste(key))
            return true;
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)
            return false; // on to the next control of the window, not the next cell
        QChar c;
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            c = QChar(13);
        else if (key->key() == Qt::Key_Backspace)
            c = QChar(8);
        else if (key->text().size() == 1 && key->text().at(0).isPrint()
                 && !(key->modifiers()
                      & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
            c = key->text().at(0);
        if (c.isNull()) // cursor keys, Delete, Escape and shortcuts work as usual
            return QStyledItemDelegate::eventFilter(object, event);

        if (!form_->StringGrid_var_datiKeyPress(c))
            return true;
        if (c == QChar(13)) {
            // The value is taken; the editor stays on the cell, its text selected.
            editor->selectAll();
            return true;
        }
        return false; // the editor inserts the character
    }

private:
    TForm_var_dati* form_;
};

// The grid's fixed row 0, drawn by the same handler as the other cells.
class VarDatiHeader : public QHeaderView {
public:
    VarDatiHeader(TForm_var_dati* form, QWidget* parent)
        : QHeaderView(Qt::Horizontal, parent), form_(form)
    {}

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override
    {
        painter->save();
        Canvas canvas(painter, rect);
        form_->StringGrid_var_datiDrawCell(canvas, logicalIndex, 0, rect);
        painter->restore();
    }

private:
    TForm_var_dati* form_;
};

TForm_var_dati::TForm_var_dati(QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("Form_var_dati"));
    setWindowTitle(QStringLiteral("Form Dati"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                   | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
    setModal(true);
    setFixedSize(kClientWidth, kClientHeight);
    const QPalette plain = QApplication::palette();

    GroupBox_prodotti_normali = new QGroupBox(QStringLiteral("Lista Dati"), this);
    GroupBox_prodotti_normali->setObjectName(QStringLiteral("GroupBox_prodotti_normali"));
    GroupBox_prodotti_normali->setGeometry(0, 0, kClientWidth, kGridGroupHeight);
    QFont bold = GroupBox_prodotti_normali->font();
    bold.setBold(true);
    GroupBox_prodotti_normali->setFont(bold);
    QPalette green = GroupBox_prodotti_normali->palette();
    green.setColor(QPalette::WindowText, to_qcolor(clGreen));
    GroupBox_prodotti_normali->setPalette(green);

    StringGrid_var_dati = new QTableWidget(0, 3, GroupBox_prodotti_normali);
    StringGrid_var_dati->setObjectName(QStringLiteral("StringGrid_var_dati"));
    StringGrid_var_dati->setPalette(plain);
    QFont gridFont(QStringLiteral("Tahoma"));
    gridFont.setPixelSize(kGridFontPixels);
    gridFont.setBold(false);
    StringGrid_var_dati->setFont(gridFont);
    auto* gridLayout = new QVBoxLayout(GroupBox_prodotti_normali);
    gridLayout->setContentsMargins(2, 0, 2, 2);
    gridLayout->addWidget(StringGrid_var_dati);

    auto* header = new VarDatiHeader(this, StringGrid_var_dati);
    StringGrid_var_dati->setHorizontalHeader(header);
    header->setSectionResizeMode(QHeaderView::Fixed);
    header->setHighlightSections(false);
    header->setSectionsClickable(false);
    header->setFixedHeight(kRowHeight);
    for (int c = 0; c < 3; ++c)
        StringGrid_var_dati->setColumnWidth(c, kColumnWidths[c]);
    // The value column takes what the scroll bar leaves over, no blank strip beside it.
    header->setMinimumSectionSize(kColumnWidths[0]);
    header->setStretchLastSection(true);
    StringGrid_var_dati->verticalHeader()->hide();
    StringGrid_var_dati->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    StringGrid_var_dati->verticalHeader()->setDefaultSectionSize(kRowHeight);
    StringGrid_var_dati->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    StringGrid_var_dati->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    StringGrid_var_dati->setShowGrid(true);
    StringGrid_var_dati->setSelectionMode(QAbstractItemView::SingleSelection);
    StringGrid_var_dati->setSelectionBehavior(QAbstractItemView::SelectItems);
    // The editor is opened by the window on every current cell, not by the view.
    StringGrid_var_dati->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGrid_var_dati->setTabKeyNavigation(false);
    StringGrid_var_dati->setItemDelegate(new VarDatiDelegate(this));
    StringGrid_var_dati->installEventFilter(this);

    Panel_x1 = new QFrame(this);
    Panel_x1->setObjectName(QStringLiteral("Panel_x1"));
    Panel_x1->setGeometry(0, kGridGroupHeight, kClientWidth, kPanelX1Height);
    Panel_x1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    for (int i = 0; i < 6; ++i) {
        const int w = kClientWidth / 6;
        auto* caption = new QLabel(QStringLiteral("d%1").arg(i + 1), Panel_x1);
        caption->setGeometry(8 + i * w, 20, w - 12, 24);
        caption->setAlignment(Qt::AlignCenter);
        caption->setFrameStyle(QFrame::Panel | QFrame::Raised);
        Panel_debx[std::size_t(i)] = new QLabel(Panel_x1);
        Panel_debx[std::size_t(i)]->setObjectName(QStringLiteral("Panel_debx%1").arg(i + 1));
        Panel_debx[std::size_t(i)]->setGeometry(8 + i * w, 52, w - 12, 24);
        Panel_debx[std::size_t(i)]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    }
    Panel_x1->hide();

    const int statusTop = kClientHeight - kStatusHeight;
    GroupBox_dat = new QGroupBox(this);
    GroupBox_dat->setObjectName(QStringLiteral("GroupBox_dat"));
    GroupBox_dat->setGeometry(0, statusTop - kButtonGroupHeight, kClientWidth, kButtonGroupHeight);

    BitBtn_close = new QPushButton(style()->standardIcon(QStyle::SP_DialogCloseButton),
                                   QStringLiteral("Chiudi"), GroupBox_dat);
    BitBtn_close->setObjectName(QStringLiteral("BitBtn_close"));
    BitBtn_close->resize(97, 35);
    BitBtn_close->setAutoDefault(false);

    Panel_status = new QFrame(this);
    Panel_status->setObjectName(QStringLiteral("Panel_status"));
    Panel_status->setGeometry(0, statusTop, kClientWidth, kStatusHeight);
    StatusBar_Com = new QStatusBar(Panel_status);
    StatusBar_Com->setObjectName(QStringLiteral("StatusBar_Com"));
    StatusBar_Com->setSizeGripEnabled(false);
    StatusBar_Com->setGeometry(0, 0, kClientWidth, kStatusHeight);
    // One owner-drawn panel ("Porta : "); this window draws nothing in it.
    auto* port = new QLabel(StatusBar_Com);
    port->setObjectName(QStringLiteral("StatusBar_Com_panel0"));
    port->setFixedWidth(kStatusPanelWidth);
    port->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    StatusBar_Com->addWidget(port);

    connect(BitBtn_close, &QPushButton::clicked, this, [this] { BitBtn_closeClick(); });
    connect(StringGrid_var_dati, &QTableWidget::currentCellChanged, this,
            [this](int row, int column, int previousRow, int previousColumn) {
                currentCellMoved(row, column, previousRow, previousColumn);
            });
    connect(StringGrid_var_dati, &QTableWidget::cellChanged, this,
            [this](int row, int column) { valueCellChanged(row, column); });

    FormCreate();
}

TForm_var_dati::~TForm_var_dati()
{
    if (Form_var_dati == this)
        Form_var_dati = nullptr;
}

bool TForm_var_dati::eventFilter(QObject* object, QEvent* event)
{
    // The grid hands its focus on to the value cell editor (after a click on a fixed cell).
    if (object == StringGrid_var_dati && event->type() == QEvent::FocusIn && editor_)
        editor_->setFocus();
    return QDialog::eventFilter(object, event);
}

void TForm_var_dati::FormCreate()
{
    grid_col = 2;
    grid_row = 1;
}

void TForm_var_dati::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    window_shown(*this, *event, Centre::Window, [this] { FormShow(); });
}

void TForm_var_dati::FormShow()
{
    // The debug panel is never shown here; the grid takes its place rather than leaving a
    // blank band between the list and the button.
    const int below = Panel_x1->isHidden() ? kPanelX1Height : 0;
    GroupBox_prodotti_normali->resize(kClientWidth, kGridGroupHeight + below);
    BitBtn_close->move((GroupBox_dat->width() - BitBtn_close->width()) / 2,
                       (GroupBox_dat->height() - BitBtn_close->height()) / 2);

    loading_ = true;
    QTableWidget* grid = StringGrid_var_dati;
    grid->setRowCount(kRowCount - 1);
    for (int i = 0; i < int(PARAM_COUNT); ++i) {
        for (int c = 0; c < 2; ++c) {
            if (!grid->item(i, c)) {
                auto* fixed =
                    new QTableWidgetItem(c == 0 ? QString::number(i + 1)
                                                : QString::fromLatin1(param_names[std::size_t(i)]));
                fixed->setFlags(Qt::NoItemFlags); // fixed cells take no cursor
                grid->setItem(i, c, fixed);
            }
        }
        setCellText(kValueColumn, i + 1, param_value_text(link_state.param_values[std::size_t(i)]));
    }
    loading_ = false;

    const int row = std::clamp(grid_row, 1, kRowCount - 1);
    if (grid->currentRow() == row - 1 && grid->currentColumn() == kValueColumn)
        currentCellMoved(row - 1, kValueColumn, -1, -1);
    else
        grid->setCurrentCell(row - 1, kValueColumn);
    if (editor_)
        editor_->setFocus();
}

void TForm_var_dati::BitBtn_closeClick()
{
    close();
}

void TForm_var_dati::StringGrid_var_datiSelectCell(int column, int row)
{
    grid_col = column;
    grid_row = row;
}

bool TForm_var_dati::StringGrid_var_datiKeyPress(QChar key)
{
    QString text = cellText(grid_col, grid_row);
    switch (param_key(key, text, locale_decimal_separator())) {
    case ParamKey::Pass:
        return true;
    case ParamKey::Discard:
        return false;
    case ParamKey::Toggled:
        setCellText(grid_col, grid_row, text);
        return false;
    case ParamKey::Enter:
        break;
    }
    if (grid_row < 1 || grid_row > int(PARAM_COUNT))
        return true;
    const std::optional<float> value = param_text_value(cellText(kValueColumn, grid_row));
    if (!value) {
        refuse_value_text(); // the cell keeps its text, the stored value stays
        return true;
    }
    float& entry = link_state.param_values[std::size_t(grid_row - 1)];
    entry = *value;
    send_param_write(entry);
    return true;
}

void TForm_var_dati::StringGrid_var_datiDrawCell(Canvas& canvas, int column, int row,
                                                 const QRect& rect)
{
    const int left = rect.left();
    const int top = rect.top();
    const int right = rect.left() + rect.width();
    const int bottom = rect.top() + rect.height();

    if (row == 0 || column < kValueColumn) {
        // A fixed cell: raised face, then its text on the face.
        const Color face = from_qcolor(palette().color(QPalette::Button));
        DrawBevelBox(canvas, left, top, right, bottom, face, 1, BevelLook::Raised, Outline::None,
                     TextAlign::Left, QString());
        canvas.brushColor = face;
        const QRect inner = rect_ltrb(left + 1, top + 1, right - 1, bottom - 1);
        if (row == 0) {
            canvas.font = label_font(clBlue);
            if (column >= 0 && column < 3)
                DrawText(canvas, inner, TextAlign::Centre, kHeaderTexts[column]);
        } else if (row <= int(PARAM_COUNT)) {
            const bool number = column == 0;
            canvas.font = label_font(number ? clBlack : clNavy);
            const QString text = number ? QString::number(row)
                                        : QString::fromLatin1(param_names[std::size_t(row - 1)]);
            DrawText(canvas, rect_ltrb(left + kTextIndent, top + 1, right - 1, bottom - 1),
                     TextAlign::Left, text);
        }
    } else if (column == kValueColumn && row <= int(PARAM_COUNT)) {
        canvas.brushColor = from_qcolor(StringGrid_var_dati->palette().color(QPalette::Base));
        canvas.FillRect(rect);
        CanvasFont f;
        f.name = StringGrid_var_dati->font().family();
        f.size = kGridFontPoints;
        f.color = clBlack;
        canvas.font = f;
        const QString text = param_value_text(link_state.param_values[std::size_t(row - 1)]);
        // A value wider than its cell is drawn smaller rather than cut: the sign and the
        // leading digits are the ones that matter.
        const int room = right - kValueRightGap - left - 1;
        while (canvas.font.size > kMinValuePoints && canvas.TextWidth(text) > room)
            --canvas.font.size;
        DrawText(canvas, rect_ltrb(left, top, right - kValueRightGap, bottom), TextAlign::Right,
                 text);
    }
    canvas.font.color = clBlack;
}

QString TForm_var_dati::cellText(int column, int row) const
{
    const QTableWidgetItem* item = StringGrid_var_dati->item(row - 1, column);
    return item ? item->text() : QString();
}

void TForm_var_dati::setCellText(int column, int row, const QString& text)
{
    if (row < 1 || row > StringGrid_var_dati->rowCount() || column < 0 || column > 2)
        return;
    if (QTableWidgetItem* item = StringGrid_var_dati->item(row - 1, column))
        item->setText(text);
    else
        StringGrid_var_dati->setItem(row - 1, column, new QTableWidgetItem(text));
}

void TForm_var_dati::selectValueCell(int row)
{
    StringGrid_var_dati->setCurrentCell(row - 1, kValueColumn);
}

void TForm_var_dati::currentCellMoved(int row, int column, int previousRow, int previousColumn)
{
    QTableWidget* grid = StringGrid_var_dati;
    QTableWidgetItem* previous = grid->item(previousRow, previousColumn);
    if (row >= 0 && column >= 0) {
        StringGrid_var_datiSelectCell(column, row + 1);
        QTableWidgetItem* item = grid->item(row, column);
        if (column == kValueColumn && item && !grid->isPersistentEditorOpen(item)) {
            // Open the new editor before the old one goes, so the focus stays in the grid.
            grid->openPersistentEditor(item);
            if (editor_) {
                editor_->selectAll();
                if (isVisible())
                    editor_->setFocus();
            }
        }
    }
    if (previous && (previousRow != row || previousColumn != column)
        && grid->isPersistentEditorOpen(previous))
        grid->closePersistentEditor(previous);
}

void TForm_var_dati::valueCellChanged(int row, int column)
{
    // A value cell's text is kept in param_values as soon as it changes, so what is typed
    // stays for the run even without Enter; only Enter sends it. A text that is no number
    // in float range leaves the value as it was.
    if (loading_ || column != kValueColumn || row < 0 || row >= int(PARAM_COUNT))
        return;
    if (const std::optional<float> value = param_text_value(cellText(kValueColumn, row + 1)))
        link_state.param_values[std::size_t(row)] = *value;
}
