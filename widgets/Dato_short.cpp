#include "Dato_short.h"

#include "Memo.h"
#include "Palette.h"
#include "message_box.h"

#include <QLineEdit>
#include <QLocale>
#include <QScopeGuard>

#include <algorithm>
#include <limits>

namespace {

constexpr MemoLook kEditingLook{clBlue, true};
constexpr MemoLook kIdleLook{clBlack, false};

// How long a taken value shows red.
constexpr int kStepFlashMs = 1;
constexpr int kConfirmFlashMs = 10;
constexpr int kExitFlashMs = 25;

constexpr std::uint8_t kMaxDecimals = 4;
constexpr int kMaxTextLength = 19;

const QString kTitle = QStringLiteral("Attenzione");

bool is_digit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

std::int32_t clamp_to_short(std::int32_t v)
{
    return std::clamp<std::int32_t>(v, std::numeric_limits<std::int16_t>::min(),
                                    std::numeric_limits<std::int16_t>::max());
}

// The decimal separator of the user's locale, for display, typing and parsing alike.
QChar decimal_separator()
{
    const QString point = QLocale().decimalPoint();
    return point.isEmpty() ? QLatin1Char('.') : point.front();
}

} // namespace

std::int32_t text_to_scaled(const QString& text, std::uint8_t decimals)
{
    return text_to_scaled(text, decimals, decimal_separator());
}

std::int32_t text_to_scaled(const QString& text, std::uint8_t decimals, QChar separator)
{
    QString s = text.left(kMaxTextLength);
    if (decimals > 0) {
        const qsizetype p = s.indexOf(separator);
        if (p < 0) {
            s.append(QString(decimals, QLatin1Char('0')));
        } else {
            const qsizetype after = s.size() - p - 1;
            if (after < decimals)
                s.append(QString(decimals - after, QLatin1Char('0')));
            else
                s.truncate(p + 1 + decimals);
        }
    }
    // At most 19 + 4 digits: exact in 128 bits, then held within 32 bits.
    __extension__ using Wide = __int128;
    Wide r = 0;
    Wide w = 1;
    for (qsizetype i = s.size() - 1; i >= 0; --i) {
        const QChar c = s.at(i);
        if (is_digit(c)) {
            r += Wide(c.unicode() - u'0') * w;
            w *= 10;
        } else if (c == QLatin1Char('-')) {
            r = -r;
        }
    }
    if (r > std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    if (r < std::numeric_limits<std::int32_t>::min())
        return std::numeric_limits<std::int32_t>::min();
    return std::int32_t(r);
}

Dato_short::Dato_short(std::int16_t& value, std::int32_t upper, std::int32_t lower,
                       std::uint8_t decimals)
    // The bound variable is 16-bit: limits beyond it could never be stored.
    : value_(value), divisor_(1), upper_(clamp_to_short(upper)), lower_(clamp_to_short(lower)),
      decimals_(std::min(decimals, kMaxDecimals))
{
    for (std::uint8_t i = 0; i < decimals_; ++i)
        divisor_ *= 10;
}

QString Dato_short::format(std::int32_t scaled) const
{
    const std::int64_t magnitude = scaled < 0 ? -std::int64_t(scaled) : std::int64_t(scaled);
    QString s = QString::number(magnitude / divisor_);
    if (decimals_ > 0) {
        s += decimal_separator();
        s += QString::number(magnitude % divisor_).rightJustified(decimals_, QLatin1Char('0'));
    }
    if (scaled < 0)
        s.prepend(QLatin1Char('-'));
    return s;
}

QString Dato_short::range_text() const
{
    return QStringLiteral("[") + format(lower_) + QStringLiteral("  e  ") + format(upper_)
           + QStringLiteral("]") + QStringLiteral(" !");
}

std::int32_t Dato_short::read_text(const Memo& memo) const
{
    const QString text = memo.text();
    const QChar separator = decimal_separator();
    bool separator_seen = false;
    bool minus_seen = false;
    for (const QChar c : text) {
        if (c == separator) {
            if (divisor_ == 1 || separator_seen)
                return value_;
            separator_seen = true;
        } else if (c == QLatin1Char('-')) {
            if (lower_ >= 0 || minus_seen)
                return value_;
            minus_seen = true;
        } else if (!is_digit(c) && c != QChar(8)) {
            return value_;
        }
    }
    return text_to_scaled(text, decimals_, separator);
}

std::int32_t Dato_short::candidate(const Memo& memo) const
{
    // An empty text, a lone minus or a lone separator stands for the stored value.
    const QString text = memo.text();
    if (text.isEmpty() || text == QLatin1String("-") || text == QString(decimal_separator()))
        return value_;
    return read_text(memo);
}

void Dato_short::attach(Memo& memo)
{
    memo.set_max_length(int(std::max(format(lower_).size(), format(upper_).size())));
    memo.set_hint(QStringLiteral("Range: [") + format(lower_) + QStringLiteral(" \u00F7 ")
                  + format(upper_) + QStringLiteral("]"));
    memo.set_text(format(value_));
    memo.repaint();
}

void Dato_short::show(Memo& memo)
{
    memo.set_text(format(value_));
}

void Dato_short::on_enter(Memo& memo)
{
    memo.set_look(kEditingLook);
}

void Dato_short::on_change(Memo& memo)
{
    if (!active_)
        return;
    const QString text = memo.text();
    const qsizetype k = text.indexOf(QLatin1Char('-'));
    if (k > 0)
        memo.set_text(QLatin1Char('-') + text.left(k) + text.mid(k + 1));
}

void Dato_short::toggle_minus(Memo& memo)
{
    QString text = memo.text();
    int caret = memo.selection_start();
    const qsizetype k = text.indexOf(QLatin1Char('-'));
    if (k >= 0) {
        // The minus is kept in front, so this is the first character; should it stand
        // elsewhere, that one goes and no digit is lost.
        text.remove(k, 1);
        if (caret > k)
            --caret;
    } else {
        text.prepend(QLatin1Char('-'));
        ++caret;
    }
    memo.set_text(text);
    memo.set_selection_start(caret);
}

void Dato_short::on_key_press(Memo& memo, const QString& label, QChar& key)
{
    const char16_t c = key.unicode();
    switch (c) {
    case 13: // Enter
        confirm(memo, label);
        return;
    case 3:  // Ctrl+C
    case 22: // Ctrl+V
    case 26: // Ctrl+Z
    case 8:  // Backspace
        return;
    case u',':
    case u'.': {
        const QChar separator = decimal_separator();
        if (divisor_ == 1 || memo.text().contains(separator))
            key = QChar();
        else
            key = separator;
        return;
    }
    case u'-':
        key = QChar();
        if (lower_ < 0)
            toggle_minus(memo);
        return;
    default:
        if (!is_digit(key))
            key = QChar();
        return;
    }
}

void Dato_short::confirm(Memo& memo, const QString& label)
{
    const std::int32_t v = candidate(memo);
    if (v < lower_ || v > upper_) {
        // The typed text stays; leaving the memo discards it.
        message_box(label + QStringLiteral(" deve essere tra : ") + range_text(), kTitle,
                    MessageIcon::Stop);
        return;
    }
    value_ = std::int16_t(v);
    memo.set_text(format(v));
    memo.flash(kConfirmFlashMs);
}

void Dato_short::on_exit(Memo& memo)
{
    std::int32_t v = candidate(memo);
    if (v < lower_ || v > upper_) {
        message_box(QStringLiteral("Il valore deve essere compreso tra : ") + range_text(), kTitle,
                    MessageIcon::Stop);
        v = value_;
    } else {
        value_ = std::int16_t(v);
    }
    memo.set_text(format(v));
    memo.flash(kExitFlashMs);
    memo.set_look(kIdleLook);
}

void Dato_short::on_updown(Memo& memo, UpDown::Direction direction, bool& allow_change)
{
    allow_change = false;
    active_ = false;
    const auto reactivate = qScopeGuard([this] { active_ = true; });

    if (memo.can_focus())
        memo.set_focus();
    if (memo.look().colour != clBlue)
        memo.set_look(kEditingLook);

    std::int32_t v = std::clamp(candidate(memo), lower_, std::max(lower_, upper_));
    if (direction == UpDown::Direction::Up && v < upper_)
        ++v;
    else if (direction == UpDown::Direction::Down && v > lower_)
        --v;

    value_ = std::int16_t(v);
    memo.set_text(format(v));
    memo.flash(kStepFlashMs);
}

// ---- The same on a QLineEdit --------------------------------------------------------------

void Dato_short::attach(QLineEdit* memo, UpDown* /*updown*/)
{
    // The arrows hold no position, so they have no range to set: every click is reported
    // and on_updown keeps the value inside the limits.
    if (!memo)
        return;
    LineEditMemo m(memo);
    attach(m);
}

void Dato_short::show(QLineEdit* memo)
{
    if (!memo)
        return;
    LineEditMemo m(memo);
    show(m);
}

void Dato_short::on_enter(QLineEdit* memo)
{
    if (!memo)
        return;
    LineEditMemo m(memo);
    on_enter(m);
}

void Dato_short::on_change(QLineEdit* memo)
{
    if (!memo)
        return;
    LineEditMemo m(memo);
    on_change(m);
}

void Dato_short::on_key_press(QLineEdit* memo, const QString& label, QChar& key)
{
    if (!memo)
        return;
    LineEditMemo m(memo);
    on_key_press(m, label, key);
}

void Dato_short::confirm(QLineEdit* memo, const QString& label)
{
    if (!memo)
        return;
    LineEditMemo m(memo);
    confirm(m, label);
}

void Dato_short::on_exit(QLineEdit* memo)
{
    if (!memo)
        return;
    LineEditMemo m(memo);
    on_exit(m);
}

void Dato_short::on_updown(QLineEdit* memo, UpDown::Direction direction, bool& allow_change)
{
    allow_change = false;
    if (!memo)
        return;
    LineEditMemo m(memo);
    on_updown(m, direction, allow_change);
}

std::int32_t Dato_short::read_text(QLineEdit* memo)
{
    if (!memo)
        return value_;
    const LineEditMemo m(memo);
    return read_text(m);
}
