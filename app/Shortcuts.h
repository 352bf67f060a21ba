#pragma once
// Keyboard shortcuts for the main window's menu commands.

class TForm_net;

// Gives the menu items the keys a desktop user expects: Ctrl+S "Salva", Ctrl+P "Stampa",
// Ctrl+Q and Alt+F4 "Chiudi", F5 "Refresh". A key triggers its menu item, so it runs
// exactly what choosing the item runs, and does nothing while the item is disabled.
void add_menu_shortcuts(TForm_net& window);
