#pragma once
// The texts of parameter values: how a stored value is shown, how a typed text becomes a
// value, and which typed characters a value cell accepts.

#include <QChar>
#include <QString>

#include <optional>

// A value as the grid shows it: general format with 15 significant digits of the float's
// exact value (0.1f shows as 0.100000001490116), rounded half away from zero, trailing zeros
// dropped. Values from 0.0001 up to 15 integer digits are written plainly; others as mantissa
// and exponent ("9.99999974737875E-6", "1.00000002004088E20").
QString param_value_text(float value, QChar decimalSeparator);
QString param_value_text(float value); // the locale's separator

// A typed or shown text as a stored value. The separator may be the locale's one or "."; numbers
// too small for a float give 0 or the nearest tiny float. Texts that are no number, the
// incomplete texts "", ".", "-" and "-.", and numbers beyond the float range give no value:
// such a text must not reach the controller as some other number (a 0 nobody typed included).
std::optional<float> param_text_value(const QString& text, QChar decimalSeparator);
std::optional<float> param_text_value(const QString& text); // the locale's separator

// What a key typed into a value cell does to the cell text `text`.
enum class ParamKey {
    Pass,    // the key goes on to the cell editor
    Discard, // the key is dropped
    Toggled, // the key is dropped and `text` now carries the other sign
    Enter,   // the value is to be stored and sent
};
// Keys are characters: digits and backspace (8) pass; the decimal separator passes only
// while the text has none; "-" toggles a leading minus; Enter is 13; anything else is dropped.
ParamKey param_key(QChar key, QString& text, QChar decimalSeparator);
