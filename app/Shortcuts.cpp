#include "Shortcuts.h"

#include "Net_cnx.h"

#include <QAction>
#include <QKeySequence>

void add_menu_shortcuts(TForm_net& window)
{
    window.Menu_Salva->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    window.Menu_Stampa->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    // Alt+F4 usually reaches the window manager, which closes the window the same way; this
    // one serves where none takes it.
    window.Menu_Chiudi_Main->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Q), QKeySequence(Qt::ALT | Qt::Key_F4)});
    window.Menu_Refresh->setShortcut(QKeySequence(Qt::Key_F5));
}
