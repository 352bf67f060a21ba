#include "NumberFormat.h"

#include <QLocale>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

struct Pattern {
    int intDigits = 0; // mandatory integer digits ("0" before the separator)
    int fracMin = 0;   // mandatory fraction digits
    int fracMax = 0;   // all fraction digits ("0" and "#")
    bool scientific = false;
    bool expSignAlways = false;
    int expDigits = 0; // minimum exponent digits
};

Pattern parse(QStringView p)
{
    Pattern r;
    bool inFraction = false;
    for (qsizetype i = 0; i < p.size(); ++i) {
        const QChar c = p[i];
        if (c == u'e' || c == u'E') {
            if (i + 1 < p.size() && (p[i + 1] == u'+' || p[i + 1] == u'-')) {
                r.scientific = true;
                r.expSignAlways = p[i + 1] == u'+';
                for (qsizetype j = i + 2; j < p.size(); ++j)
                    if (p[j] == u'0')
                        ++r.expDigits;
                break;
            }
            continue;
        }
        if (c == u'.') {
            inFraction = true;
        } else if (c == u'0') {
            if (inFraction) {
                ++r.fracMin;
                ++r.fracMax;
            } else {
                ++r.intDigits;
            }
        } else if (c == u'#') {
            if (inFraction)
                ++r.fracMax;
        }
    }
    return r;
}

constexpr int kSignificant = 15;

// |value| as kSignificant decimal digits d[0..14] with value = d0.d1d2... x 10^exp10.
struct Decimal {
    char d[kSignificant + 1] = {};
    int exp10 = 0;
    bool zero = true;
};

Decimal decompose(double magnitude)
{
    Decimal r;
    if (magnitude == 0)
        return r;
    char buf[40];
    const auto res = std::to_chars(buf, buf + sizeof buf - 1, magnitude,
                                   std::chars_format::scientific, kSignificant - 1);
    *res.ptr = '\0';
    // buf: d.dddddddddddddde[+-]xx
    int n = 0;
    const char* s = buf;
    for (; *s && *s != 'e'; ++s)
        if (*s >= '0' && *s <= '9' && n < kSignificant)
            r.d[n++] = char(*s - '0');
    r.exp10 = *s == 'e' ? std::atoi(s + 1) : 0;
    r.zero = false;
    return r;
}

// Keeps `keep` significant digits, rounding half away from zero; keep may be 0 or negative.
void round_to(Decimal& x, int keep)
{
    if (x.zero || keep >= kSignificant)
        return;
    if (keep < 0) {
        x = Decimal{};
        return;
    }
    const bool up = x.d[keep] >= 5;
    for (int i = keep; i < kSignificant; ++i)
        x.d[i] = 0;
    if (!up) {
        bool any = false;
        for (int i = 0; i < keep; ++i)
            any = any || x.d[i] != 0;
        if (!any)
            x = Decimal{};
        return;
    }
    int i = keep - 1;
    while (i >= 0 && x.d[i] == 9) {
        x.d[i] = 0;
        --i;
    }
    if (i >= 0) {
        ++x.d[i];
    } else {
        // Carry out of the first digit: 9.99 -> 10.0
        std::memmove(x.d + 1, x.d, kSignificant - 1);
        x.d[0] = 1;
        ++x.exp10;
    }
}

// The digit at decimal position pos (0 = units, -1 = tenths, ...).
int digit_at(const Decimal& x, int pos)
{
    if (x.zero)
        return 0;
    const int i = x.exp10 - pos;
    return i >= 0 && i < kSignificant ? x.d[i] : 0;
}

struct Writer {
    char16_t* out;
    int capacity;
    int n = 0;
    void put(char16_t c)
    {
        if (n < capacity)
            out[n++] = c;
    }
    void put(const char* s)
    {
        while (*s)
            put(char16_t(*s++));
    }
};

void write_fraction(Writer& w, const Decimal& x, const Pattern& p, QChar sep, int unitPos)
{
    // Trailing optional digits that are zero are left out.
    int last = p.fracMax;
    while (last > p.fracMin && digit_at(x, unitPos - last) == 0)
        --last;
    if (last == 0)
        return;
    w.put(char16_t(sep.unicode()));
    for (int i = 1; i <= last; ++i)
        w.put(char16_t(u'0' + digit_at(x, unitPos - i)));
}

} // namespace

int format_number(double value, QStringView pattern, QChar decimalSeparator, char16_t* out,
                  int capacity)
{
    Writer w{out, capacity};
    if (std::isnan(value)) {
        w.put("NaN");
        return w.n;
    }
    if (std::isinf(value)) {
        w.put(value < 0 ? "-Inf" : "Inf");
        return w.n;
    }
    if (std::fabs(value) < 1e-16)
        value = 0;
    const Pattern p = parse(pattern);
    const bool negative = value < 0;
    Decimal x = decompose(std::fabs(value));

    if (p.scientific) {
        const int mantissaDigits = std::max(p.intDigits, 1);
        round_to(x, mantissaDigits + p.fracMax);
        const int exponent = x.zero ? 0 : x.exp10 - (mantissaDigits - 1);
        if (negative && !x.zero)
            w.put(u'-');
        // Mantissa digits sit at positions exponent + mantissaDigits - 1 ... exponent.
        for (int i = mantissaDigits - 1; i >= 0; --i)
            w.put(char16_t(u'0' + digit_at(x, exponent + i)));
        write_fraction(w, x, p, decimalSeparator, exponent);
        w.put(u'e');
        if (exponent < 0)
            w.put(u'-');
        else if (p.expSignAlways)
            w.put(u'+');
        // Exponent digits, at least expDigits of them.
        char digits[12];
        int nd = 0;
        for (int e = std::abs(exponent); e > 0 || nd == 0; e /= 10)
            digits[nd++] = char('0' + e % 10);
        for (int i = nd; i < p.expDigits && i < 8; ++i)
            w.put(u'0');
        while (nd > 0)
            w.put(char16_t(digits[--nd]));
        return w.n;
    }

    // Fixed notation: keep the digits down to the last fraction place.
    round_to(x, x.zero ? 0 : x.exp10 + 1 + p.fracMax);
    if (negative && !x.zero)
        w.put(u'-');
    const int highest = x.zero ? 0 : std::max(x.exp10, 0);
    const int intDigits = std::max(highest + 1, p.intDigits);
    for (int pos = intDigits - 1; pos >= 0; --pos) {
        // Without mandatory integer digits a zero integer part is left out.
        if (pos == 0 && p.intDigits == 0 && digit_at(x, 0) == 0 && highest == 0)
            break;
        w.put(char16_t(u'0' + digit_at(x, pos)));
    }
    write_fraction(w, x, p, decimalSeparator, 0);
    return w.n;
}

QString format_number(double value, QStringView pattern, QChar decimalSeparator)
{
    char16_t buf[kMaxNumberText];
    const int n = format_number(value, pattern, decimalSeparator, buf, kMaxNumberText);
    return QString(reinterpret_cast<const QChar*>(buf), n);
}

QString format_number(double value, QStringView pattern)
{
    return format_number(value, pattern, locale_decimal_separator());
}

QChar locale_decimal_separator()
{
    static QLocale cached;
    static QChar separator =
        cached.decimalPoint().isEmpty() ? QChar(u'.') : cached.decimalPoint().at(0);
    const QLocale now;
    if (now != cached) {
        cached = now;
        const QString s = cached.decimalPoint();
        separator = s.isEmpty() ? QChar(u'.') : s.at(0);
    }
    return separator;
}
