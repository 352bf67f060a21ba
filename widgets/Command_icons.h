#pragma once
// Pictures for the command buttons and menu items of the windows.

#include <QIcon>

class QStyle;

enum class CommandIcon {
    Connect, Disconnect, SetConnection, ForceStart, Start, Stop, Clear, Refresh,
    Print, Preview, Save, Load
};

QIcon command_icon(CommandIcon which, const QStyle* style);
