#include "ProgressWindow.h"

#include <QCoreApplication>

ProgressWindow::ProgressWindow(const QString& text, const QString& title, QWidget* owner,
                               int delay_ms)
    : QProgressDialog(text, QStringLiteral("Annulla"), 0, 1000, owner)
{
    setWindowTitle(title);
    setWindowModality(Qt::WindowModal);
    setMinimumDuration(delay_ms);
    setAutoClose(false);
    setAutoReset(false);
    setValue(0);
}

bool ProgressWindow::advance(double share)
{
    setValue(int(share * 1000));
    QCoreApplication::processEvents();
    return !wasCanceled();
}
