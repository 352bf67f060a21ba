#pragma once
// Pictures for the main window's command buttons and menu items.

#include <QIcon>

class QStyle;

enum class CommandIcon {
    Connect, Disconnect, SetConnection, ForceStart, Start, Stop, Clear, Refresh,
    Print, Preview, Save, Load
};

QIcon command_icon(CommandIcon which, const QStyle* style);
