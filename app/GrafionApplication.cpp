#include "GrafionApplication.h"

#include "Translations.h"
#include "message_box.h"

#include <exception>

GrafionApplication::GrafionApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QString::fromLatin1(kApplicationName));
    install_qt_translations(*this);
}

bool GrafionApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        show_current_exception();
    }
    return false;
}

void show_current_exception()
{
    QString text;
    try {
        throw;
    } catch (const std::exception& e) {
        text = QString::fromLocal8Bit(e.what());
    } catch (...) {
        // Not a std::exception: nothing to say but that it happened.
    }
    message_box(text, QString::fromLatin1(kApplicationName), MessageIcon::Stop);
}
