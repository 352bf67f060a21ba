#include "Param_text.h"

#include "NumberFormat.h"

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

QString param_value_text(float value, QChar decimalSeparator)
{
    constexpr int kDigits = 15;
    const double v = value;
    if (v == 0.0)
        return QStringLiteral("0"); // negative zero included
    if (!std::isfinite(v))
        return QStringLiteral("0"); // never stored; shown as what it counts for

    // The exact decimal digits of the value: a float has at most 112 significant digits, far
    // more than are needed to see whether the part after the 15th digit is at least a half.
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.40e", std::fabs(v));
    // buf: d.dddd...e[+-]xx
    char digits[kDigits + 1];
    digits[0] = buf[0];
    for (int i = 1; i < kDigits; ++i)
        digits[i] = buf[i + 1];
    int exponent = std::atoi(std::strchr(buf, 'e') + 1);
    if (buf[kDigits + 1] >= '5') { // half away from zero
        int i = kDigits - 1;
        while (i >= 0 && digits[i] == '9')
            digits[i--] = '0';
        if (i >= 0) {
            ++digits[i];
        } else { // 9.99...9 became 10.00...0
            digits[0] = '1';
            ++exponent;
        }
    }
    int count = kDigits;
    while (count > 1 && digits[count - 1] == '0')
        --count;

    QString out;
    if (value < 0)
        out += u'-';
    if (exponent >= kDigits || exponent < -4) {
        out += QLatin1Char(digits[0]);
        if (count > 1) {
            out += decimalSeparator;
            out += QLatin1String(digits + 1, count - 1);
        }
        out += u'E';
        out += QString::number(exponent);
    } else if (exponent < 0) {
        out += u'0';
        out += decimalSeparator;
        out += QString(-exponent - 1, u'0');
        out += QLatin1String(digits, count);
    } else {
        const int whole = exponent + 1;
        for (int i = 0; i < whole; ++i)
            out += QLatin1Char(i < count ? digits[i] : '0');
        if (count > whole) {
            out += decimalSeparator;
            out += QLatin1String(digits + whole, count - whole);
        }
    }
    return out;
}

QString param_value_text(float value)
{
    return param_value_text(value, locale_decimal_separator());
}

std::optional<float> param_text_value(const QString& text, QChar decimalSeparator)
{
    QString s = text;
    if (decimalSeparator != u'.')
        s.replace(decimalSeparator, u'.');
    // Only what the key filter lets through and what the grid itself writes (an exponent):
    // the conversion below would also take "inf", "nan" or blanks.
    for (QChar c : s) {
        const bool allowed = (c >= u'0' && c <= u'9') || c == u'.' || c == u'-' || c == u'+'
                             || c == u'E' || c == u'e';
        if (!allowed)
            return std::nullopt;
    }
    bool ok = false;
    const double v = s.toDouble(&ok);
    // Halfway between the largest float and the next power of two: from there on a float
    // would overflow; below it the value rounds to the largest float at most.
    constexpr double kFloatOverflow = 0x1.ffffffp127;
    if (!ok || !std::isfinite(v) || std::fabs(v) >= kFloatOverflow)
        return std::nullopt;
    if (std::fabs(v) > double(FLT_MAX))
        return std::copysign(FLT_MAX, float(v > 0 ? 1 : -1));
    return static_cast<float>(v);
}

std::optional<float> param_text_value(const QString& text)
{
    return param_text_value(text, locale_decimal_separator());
}

ParamKey param_key(QChar key, QString& text, QChar decimalSeparator)
{
    if (key == decimalSeparator)
        return text.contains(decimalSeparator) ? ParamKey::Discard : ParamKey::Pass;
    if (key == u'-') {
        // Only a leading minus is a sign: "1E-6" becomes "-1E-6" and back.
        if (text.startsWith(u'-'))
            text.remove(0, 1);
        else
            text.prepend(u'-');
        return ParamKey::Toggled;
    }
    if (key == QChar(13))
        return ParamKey::Enter;
    if ((key >= u'0' && key <= u'9') || key == QChar(8))
        return ParamKey::Pass;
    return ParamKey::Discard;
}
