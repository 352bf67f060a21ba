#pragma once
// Pictures for the command buttons and menu items of the windows, drawn by code at 1x, 1.5x,
// 2x and 3x device pixel ratio so that they stay sharp on high-density screens.

#include <QIcon>

class QStyle;

enum class CommandIcon {
    Connect,
    Disconnect,
    SetConnection,
    ForceStart,
    Start,
    Stop,
    Clear,
    Refresh,
    Print,
    Preview,
    Save,
    Load
};

QIcon command_icon(CommandIcon which, const QStyle* style);
