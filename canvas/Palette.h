#pragma once
// The named basic colours, blue-green-red (see Color.h).

#include "Color.h"

constexpr Color clBlack = 0x000000;
constexpr Color clWhite = 0xFFFFFF;
constexpr Color clGray = 0x808080;
constexpr Color clSilver = 0xC0C0C0;
constexpr Color clRed = 0x0000FF;
constexpr Color clLime = 0x00FF00;  // full green
constexpr Color clGreen = 0x008000; // dark green
constexpr Color clBlue = 0xFF0000;
constexpr Color clNavy = 0x800000;
constexpr Color clYellow = 0x00FFFF;
constexpr Color clMaroon = 0x000080;
constexpr Color clPurple = 0x800080;
constexpr Color clFuchsia = 0xFF00FF;
