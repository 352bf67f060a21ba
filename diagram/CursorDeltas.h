#pragma once
// The texts of the cursor differences shown beside the cursor readouts: the distance
// between the two cursors of an axis and, on the time axis, the frequency of that period.

#include "Color.h"

#include <QString>

// The pattern of the readouts' values, and so of the differences, and the face of their boxes.
inline constexpr char16_t kReadoutFormat[] = u"0.0000000";
inline constexpr Color kReadoutFace = 0xEFEFEF;

// to - from in the readouts' format ("Δt" is t2 - t1, "Δy" is y2 - y1).
QString cursor_delta_text(double from, double to);

// 1 / |dt| in hertz, followed by " Hz": three decimals, or three significant digits with an
// exponent where that would show too little or too much. "---" when dt is 0 or no number.
QString cursor_frequency_text(double dt);
