#include "Print_box.h"

#include "Print_page.h"
#include "WindowShow.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QStyle>

TForm_Print_Box* Form_Print_Box = nullptr;
namespace {
constexpr int kStatusBarHeight = 19;
} // namespace

TForm_Print_Box::TForm_Print_Box(QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("Form_Print_Box"));
    setWindowTitle(QStringLiteral("Print Box"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                   | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
    setModal(true);
    setFixedSize(kClientWidth, kClientHeight);

    StatusBar_dat_mis = new QStatusBar(this);
    StatusBar_dat_mis->setObjectName(QStringLiteral("StatusBar_dat_mis"));
    StatusBar_dat_mis->setSizeGripEnabled(false);
    StatusBar_dat_mis->setGeometry(0, kClientHeight - kStatusBarHeight, kClientWidth,
                                   kStatusBarHeight);

    GroupBox_print_select = new QGroupBox(QStringLiteral("Print Select"), this);
    GroupBox_print_select->setObjectName(QStringLiteral("GroupBox_print_select"));
    GroupBox_print_select->setGeometry(0, 0, kClientWidth, kClientHeight - kStatusBarHeight);
    // A navy caption; the controls inside keep the normal colours.
    QPalette navy = GroupBox_print_select->palette();
    navy.setColor(QPalette::WindowText, QColor(0, 0, 0x80));
    GroupBox_print_select->setPalette(navy);

    ComboBox_print = new QComboBox(GroupBox_print_select);
    ComboBox_print->setObjectName(QStringLiteral("ComboBox_print"));
    ComboBox_print->setGeometry(24, 24, 261, ComboBox_print->sizeHint().height());

    GroupBox_mode = new QGroupBox(QStringLiteral("Mode"), GroupBox_print_select);
    GroupBox_mode->setObjectName(QStringLiteral("GroupBox_mode"));
    GroupBox_mode->setGeometry(24, 58, 261, 81);
    QPalette plain = GroupBox_mode->palette();
    plain.setColor(QPalette::WindowText, QApplication::palette().color(QPalette::WindowText));
    GroupBox_mode->setPalette(plain);

    RadioButton_grafico_visualiz =
        new QRadioButton(QStringLiteral("Grafico Visualizzato"), GroupBox_mode);
    RadioButton_grafico_visualiz->setObjectName(QStringLiteral("RadioButton_grafico_visualiz"));
    RadioButton_grafico_visualiz->setGeometry(24, 22, 220, 20);
    RadioButton_grafico_completo =
        new QRadioButton(QStringLiteral("Grafico Completo"), GroupBox_mode);
    RadioButton_grafico_completo->setObjectName(QStringLiteral("RadioButton_grafico_completo"));
    RadioButton_grafico_completo->setGeometry(24, 50, 220, 20);

    auto button = [this](const char* name, const QString& caption, QStyle::StandardPixmap icon,
                         int h) {
        auto* b = new QPushButton(style()->standardIcon(icon), caption, GroupBox_print_select);
        b->setObjectName(QString::fromLatin1(name));
        b->resize(89, h);
        b->setAutoDefault(false);
        return b;
    };
    BitBtn_print = button("BitBtn_print", QStringLiteral("Print"), QStyle::SP_DialogOkButton, 35);
    BitBtn_preview =
        button("BitBtn_preview", QStringLiteral("Preview"), QStyle::SP_DialogOkButton, 33);
    BitBtn_annulla =
        button("BitBtn_annulla", QStringLiteral("Annulla"), QStyle::SP_DialogCancelButton, 33);
    for (QPushButton* b : {BitBtn_print, BitBtn_preview, BitBtn_annulla})
        b->setPalette(plain);

    connect(ComboBox_print, &QComboBox::currentIndexChanged, this,
            [this] { ComboBox_printChange(); });
    connect(RadioButton_grafico_visualiz, &QRadioButton::clicked, this,
            [this] { RadioButton_grafico_visualizClick(); });
    connect(RadioButton_grafico_completo, &QRadioButton::clicked, this,
            [this] { RadioButton_grafico_completoClick(); });
    connect(BitBtn_print, &QPushButton::clicked, this, [this] { BitBtn_printClick(); });
    connect(BitBtn_preview, &QPushButton::clicked, this, [this] { BitBtn_previewClick(); });
    connect(BitBtn_annulla, &QPushButton::clicked, this, [this] { BitBtn_annullaClick(); });
}

void TForm_Print_Box::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    window_shown(*this, *event, Centre::Window, [this] { FormShow(); });
}

void TForm_Print_Box::FormShow()
{
    {
        const QSignalBlocker quiet(ComboBox_print);
        ComboBox_print->clear();
        ComboBox_print->addItems(printer_names());
        const int current = current_printer_index();
        ComboBox_print->setCurrentIndex(ComboBox_print->count() > 0 ? current : -1);
        print_printer_index = std::uint16_t(current);
    }

    if (print_whole_diagram == 1)
        RadioButton_grafico_completo->setChecked(true);
    else
        RadioButton_grafico_visualiz->setChecked(true);

    BitBtn_print->setVisible(print_is_preview == 0);
    BitBtn_preview->setVisible(print_is_preview != 0);
    QPushButton* shown = print_is_preview == 0 ? BitBtn_print : BitBtn_preview;

    // The button row sits in the middle of the space under the mode box; its free width is
    // split one quarter left, two quarters between and one quarter right of the buttons.
    const QRect s = GroupBox_print_select->geometry();
    QRect m = GroupBox_mode->geometry();
    m.moveLeft((s.width() - m.width()) / 2);
    GroupBox_mode->setGeometry(m);
    const int below = m.top() + m.height();
    const int y = below + (s.height() - below - BitBtn_annulla->height()) / 2;
    const int g = (s.width() - shown->width() - BitBtn_annulla->width()) / 4;
    shown->move(g, y);
    BitBtn_annulla->move(3 * g + shown->width(), y);
}

void TForm_Print_Box::ComboBox_printChange()
{
    const int index = ComboBox_print->currentIndex();
    if (index >= 0)
        print_printer_index = std::uint16_t(index);
}

void TForm_Print_Box::RadioButton_grafico_visualizClick()
{
    print_whole_diagram = 0;
}

void TForm_Print_Box::RadioButton_grafico_completoClick()
{
    print_whole_diagram = 1;
}

void TForm_Print_Box::BitBtn_printClick()
{
    done(kResultOk);
}

void TForm_Print_Box::BitBtn_previewClick()
{
    done(kResultOk);
}

void TForm_Print_Box::BitBtn_annullaClick()
{
    done(kResultCancel);
}

void TForm_Print_Box::reject()
{
    done(kResultCancel);
}
