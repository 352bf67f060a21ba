#include "ExportDialog.h"

#include "WindowShow.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kMinWidth = 300;

// The choices of the last export that went on, for the run.
bool last_whole = false;
bool last_semicolon = false;

} // namespace

ExportDialog::ExportDialog(Kind kind, QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("ExportDialog"));
    setWindowTitle(kind == Kind::Csv ? QStringLiteral("Esporta CSV")
                                     : QStringLiteral("Esporta PDF"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);

    auto* mode = new QGroupBox(QStringLiteral("Grafico"), this);
    mode->setObjectName(QStringLiteral("GroupBox_mode"));
    auto* modeLayout = new QVBoxLayout(mode);
    RadioButton_grafico_visualiz = new QRadioButton(QStringLiteral("Grafico Visualizzato"), mode);
    RadioButton_grafico_visualiz->setObjectName(QStringLiteral("RadioButton_grafico_visualiz"));
    RadioButton_grafico_completo = new QRadioButton(QStringLiteral("Grafico Completo"), mode);
    RadioButton_grafico_completo->setObjectName(QStringLiteral("RadioButton_grafico_completo"));
    modeLayout->addWidget(RadioButton_grafico_visualiz);
    modeLayout->addWidget(RadioButton_grafico_completo);
    (last_whole ? RadioButton_grafico_completo : RadioButton_grafico_visualiz)->setChecked(true);
    layout->addWidget(mode);

    if (kind == Kind::Csv) {
        CheckBox_punto_virgola =
            new QCheckBox(QStringLiteral("Separatore punto e virgola, decimali con la virgola"),
                          this);
        CheckBox_punto_virgola->setObjectName(QStringLiteral("CheckBox_punto_virgola"));
        CheckBox_punto_virgola->setChecked(last_semicolon);
        layout->addWidget(CheckBox_punto_virgola);
    }

    auto* buttons = new QDialogButtonBox(this);
    BitBtn_esporta = buttons->addButton(QStringLiteral("Esporta"), QDialogButtonBox::AcceptRole);
    BitBtn_esporta->setObjectName(QStringLiteral("BitBtn_esporta"));
    BitBtn_annulla = buttons->addButton(QStringLiteral("Annulla"), QDialogButtonBox::RejectRole);
    BitBtn_annulla->setObjectName(QStringLiteral("BitBtn_annulla"));
    connect(buttons, &QDialogButtonBox::accepted, this, &ExportDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &ExportDialog::reject);
    layout->addWidget(buttons);
    BitBtn_esporta->setDefault(true);

    setFixedSize(std::max(sizeHint().width(), kMinWidth), sizeHint().height());
    centre_on_screen(*this);
}

bool ExportDialog::whole() const
{
    return RadioButton_grafico_completo->isChecked();
}

bool ExportDialog::semicolon() const
{
    return CheckBox_punto_virgola && CheckBox_punto_virgola->isChecked();
}

void ExportDialog::accept()
{
    last_whole = whole();
    if (CheckBox_punto_virgola)
        last_semicolon = semicolon();
    QDialog::accept();
}
