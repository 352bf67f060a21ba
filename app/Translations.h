#pragma once
// Qt's own texts in the program's language: the file dialogs, the standard buttons, the
// question before a file is overwritten and Qt's error texts come out in Italian like the
// rest of the windows, whatever the desktop's language.

class QCoreApplication;

// Loads Qt's Italian translation ("qtbase_it" in Qt's translations folder) and installs it
// in the application. False when it is not installed; Qt's texts then stay English.
bool install_qt_translations(QCoreApplication& app);
