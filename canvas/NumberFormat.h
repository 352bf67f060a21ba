#pragma once
// Number texts from patterns such as "0.", "0.000", "00" and "0.###e+":
//   "0"  a mandatory digit, "#" an optional digit,
//   "."  the decimal separator (left out when no digit follows it),
//   "e+" scientific notation with the exponent's sign always shown ("e-": sign only when
//        negative); "0"s after it give the minimum number of exponent digits.
// Rounding is half away from zero on the value's 15 significant decimal digits, so a value
// such as 2.675 rounds as it reads. Values within 1e-16 of zero are exactly 0, and a result
// that rounds to zero never carries a minus sign.

#include <QChar>
#include <QString>
#include <QStringView>

// Longest text the formatter produces for the label patterns; longer results are cut.
constexpr int kMaxNumberText = 64;

// Formats into out (no terminating zero) and returns the number of characters written.
// Allocates nothing, so it can run while a picture is painted.
int format_number(double value, QStringView pattern, QChar decimalSeparator, char16_t* out,
                  int capacity);

QString format_number(double value, QStringView pattern, QChar decimalSeparator);
QString format_number(double value, QStringView pattern); // the locale's separator

// The decimal separator of the current default locale. Cheap after the first call while
// the default locale stays the same.
QChar locale_decimal_separator();
