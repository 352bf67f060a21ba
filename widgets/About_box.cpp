#include "About_box.h"

#include "Modal.h"

#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <QtGlobal>

#ifndef GRAFION_VERSION
#error "GRAFION_VERSION must be defined by the build"
#endif
#ifndef GRAFION_BUILD_DATE
#error "GRAFION_BUILD_DATE must be defined by the build"
#endif

QString grafion_version()
{
    return QStringLiteral(GRAFION_VERSION);
}

QString grafion_build_date()
{
    return QStringLiteral(GRAFION_BUILD_DATE);
}

QString about_title()
{
    return QStringLiteral("Informazioni su Grafion");
}

QString about_text()
{
    // The copyright year is the build's, so it never depends on the day the box is shown.
    const QString year = grafion_build_date().left(4);
    return QStringLiteral(
               "<h3>Grafion %1</h3>"
               "<p>Visualizza, salva e stampa in tempo reale i segnali di un controllore di "
               "macchina su Ethernet, come un oscilloscopio a memoria.</p>"
               "<p>Data di compilazione: %2<br>"
               "Versione di Qt: %3 (compilato con %4)</p>"
               "<p>Copyright &copy; %5 Gli sviluppatori di Grafion.<br>"
               "Software proprietario: tutti i diritti riservati.</p>")
        .arg(grafion_version(), grafion_build_date(), QString::fromLatin1(qVersion()),
             QStringLiteral(QT_VERSION_STR), year);
}

void show_about_box(QWidget* parent)
{
    // Like QMessageBox::about: the application's icon, the text, one OK button.
    QMessageBox box(parent);
    box.setObjectName(QStringLiteral("Form_about"));
    box.setWindowTitle(about_title());
    box.setTextFormat(Qt::RichText);
    box.setText(about_text());
    const QIcon icon = QApplication::windowIcon();
    if (!icon.isNull())
        box.setIconPixmap(icon.pixmap(64, 64));
    box.setStandardButtons(QMessageBox::Ok);
    run_modal(box);
}
