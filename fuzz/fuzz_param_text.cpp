// Fuzz target: the parameter grid's value texts (param_text_value, param_value_text) and
// its key filter (param_key).
//
// Input: byte 0 picks the decimal separator ('.' or ','), bytes 1-4 are also taken as a
// float (big-endian bits), the rest is a typed text as UTF-8. A typed text gives either no
// value or a finite one in float range; a text of digits only (up to 38 of them) always gives
// a value (an empty one none); every value the grid shows must read back as itself.
#include "Param_text.h"

#include <QString>

#include <algorithm>
#include <bit>
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace {

void check(bool ok)
{
    if (!ok)
        __builtin_trap();
}

// The shown text of a value reads back as the same value.
void check_round_trip(float value, QChar separator)
{
    if (!std::isfinite(value))
        return;
    const QString shown = param_value_text(value, separator);
    check(!shown.isEmpty());
    check(param_text_value(shown, separator) == std::optional<float>(value));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const QChar separator = (data[0] & 1) ? QLatin1Char(',') : QLatin1Char('.');
    if (size >= 5) {
        const std::uint32_t bits = (std::uint32_t(data[1]) << 24) | (std::uint32_t(data[2]) << 16)
                                   | (std::uint32_t(data[3]) << 8) | std::uint32_t(data[4]);
        check_round_trip(std::bit_cast<float>(bits), separator);
    }
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));

    if (const std::optional<float> value = param_text_value(text, separator)) {
        check(std::isfinite(*value) && std::fabs(*value) <= FLT_MAX);
        check_round_trip(*value, separator);
    }
    const bool digits_only =
        std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    if (digits_only && !text.isEmpty() && text.size() <= 38)
        check(param_text_value(text, separator).has_value());

    // The text typed key by key: only a toggle changes it, and only at its front.
    QString typed;
    for (qsizetype i = 0; i < text.size() && i < 64; ++i) {
        const QString before = typed;
        const ParamKey key = param_key(text.at(i), typed, separator);
        if (key == ParamKey::Toggled) {
            check(typed == (before.startsWith(u'-') ? before.mid(1) : u'-' + before));
        } else {
            check(typed == before);
            if (key == ParamKey::Pass && text.at(i) != QChar(8))
                typed += text.at(i);
        }
    }
    check(typed.count(separator) <= 1);
    return 0;
}
