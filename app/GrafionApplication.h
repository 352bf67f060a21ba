#pragma once
// The application object. An exception that escapes an event handler is shown in one
// message box and the program goes on with the next event.

#include <QApplication>

class GrafionApplication : public QApplication {
    Q_OBJECT
public:
    GrafionApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};

// The application's name, the title of the exception message box.
inline constexpr const char* kApplicationName = "Grafion";

// Shows a caught exception as the program's exception message: its text (empty for an
// exception that is not a std::exception), one OK button. Call from inside a catch block.
void show_current_exception();
