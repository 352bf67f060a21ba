#pragma once
// A range-checked numeric field: one 16-bit variable of the program, edited in a one-line
// memo with up/down arrows beside it, shown with a fixed number of decimals (0 to 4) and
// kept inside inclusive limits.
//
// The variable holds the shown value times 10^decimals ("scaled units"); the limits are in
// the same units. The field holds no control: every operation is handed the memo it works
// on. Each operation exists twice: on a QLineEdit, as the owning window calls it, and on the
// Memo interface, where the rules live.

#include "UpDown.h"

#include <QChar>
#include <QString>

#include <cstdint>

class Memo;
class QLineEdit;

class Dato_short {
public:
    Dato_short(std::int16_t& value, std::int32_t upper, std::int32_t lower, std::uint8_t decimals);

    // Once, when the owning window is shown: maximum length, hint, text.
    void attach(QLineEdit* memo, UpDown* updown);
    // Shows the bound value (after attach, and whenever the value was set from elsewhere).
    void show(QLineEdit* memo);
    // The memo got the focus: blue and bold while editing.
    void on_enter(QLineEdit* memo);
    // The memo's text changed: a minus typed or pasted anywhere moves to the front.
    void on_change(QLineEdit* memo);
    // Filters a typed character (in/out; set to a null QChar when discarded). Enter takes
    // the value through confirm(); `label` names the field in its message.
    void on_key_press(QLineEdit* memo, const QString& label, QChar& key);
    // Takes the typed value, or reports it out of range and leaves the memo as it is.
    void confirm(QLineEdit* memo, const QString& label);
    // The memo lost the focus: takes the typed value, or reports it and shows the stored one.
    void on_exit(QLineEdit* memo);
    // One arrow click: one scaled unit up or down, clamped to the limits. allow_change is
    // always cleared, since the arrows hold no position of their own.
    void on_updown(QLineEdit* memo, UpDown::Direction direction, bool& allow_change);
    // The memo's text as a scaled value; a malformed text gives the stored value.
    std::int32_t read_text(QLineEdit* memo);

    void attach(Memo& memo);
    void show(Memo& memo);
    void on_enter(Memo& memo);
    void on_change(Memo& memo);
    void on_key_press(Memo& memo, const QString& label, QChar& key);
    void confirm(Memo& memo, const QString& label);
    void on_exit(Memo& memo);
    void on_updown(Memo& memo, UpDown::Direction direction, bool& allow_change);
    std::int32_t read_text(const Memo& memo) const;

    // A scaled value as shown: at least one integer digit, exactly `decimals` digits after
    // the locale's decimal separator, "-" in front when negative.
    QString format(std::int32_t scaled) const;

    std::int32_t upper() const { return upper_; }
    std::int32_t lower() const { return lower_; }
    std::uint8_t decimals() const { return decimals_; }

private:
    std::int32_t candidate(const Memo& memo) const;
    QString range_text() const;
    void toggle_minus(Memo& memo);

    std::int16_t& value_;
    std::uint32_t divisor_;
    std::int32_t upper_;
    std::int32_t lower_;
    // Cleared while an arrow step rewrites the memo, so that on_change leaves that text alone.
    bool active_ = true;
    std::uint8_t decimals_;
};

// A typed text as a scaled value with `decimals` decimals, using the locale's decimal
// separator. Digits past `decimals` after the separator are dropped, never rounded; missing
// ones count as 0. Characters other than digits and "-" are skipped; a "-" negates the
// digits to its right. Only the first 19 characters count. Results beyond 32 bits are held
// at the nearest 32-bit limit.
std::int32_t text_to_scaled(const QString& text, std::uint8_t decimals);
std::int32_t text_to_scaled(const QString& text, std::uint8_t decimals, QChar separator);
