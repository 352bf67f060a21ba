// Fuzz target: the numeric field's text parsing (read_text, text_to_scaled) and its display
// text (format).
//
// Input: decimals (byte 0), upper and lower limit (bytes 1-2, 3-4, big-endian int16), the
// stored value (bytes 5-6), then the memo text as UTF-8. Besides running the parse on the
// text, every value the field shows must read back as itself.
#include "Dato_short.h"
#include "Memo.h"

#include <QLocale>
#include <QString>

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace {

void check(bool ok)
{
    if (!ok)
        __builtin_trap();
}

// A memo that only holds its text.
class TextMemo final : public Memo {
public:
    QString value;
    QString text() const override { return value; }
    void set_text(const QString& text) override { value = text; }
    int selection_start() const override { return 0; }
    void set_selection_start(int) override {}
    bool can_focus() const override { return false; }
    void set_focus() override {}
    MemoLook look() const override { return {}; }
    void set_look(const MemoLook&) override {}
    void flash(int) override {}
    void set_max_length(int) override {}
    void set_hint(const QString&) override {}
    void repaint() override {}
};

std::int16_t i16(const std::uint8_t* p)
{
    return static_cast<std::int16_t>((p[0] << 8) | p[1]);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 7)
        return 0;
    const std::uint8_t decimals = data[0] & 0x07;
    const std::int16_t upper = i16(data + 1);
    const std::int16_t lower = i16(data + 3);
    std::int16_t stored = i16(data + 5);
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data + 7), qsizetype(size - 7));

    Dato_short field(stored, upper, lower, decimals);
    TextMemo memo;
    memo.value = text;
    const std::int32_t read = field.read_text(memo);
    const QString point = QLocale().decimalPoint();
    const QChar separator = point.isEmpty() ? QLatin1Char('.') : point.front();
    // A malformed text gives the stored value; any other its scaled value.
    check(read == stored || read == text_to_scaled(text, field.decimals(), separator));
    check(stored == i16(data + 5)); // reading never stores
    for (const QChar sep : {QChar(u'.'), QChar(u','), separator})
        [[maybe_unused]] const std::int32_t v = text_to_scaled(text, decimals, sep);

    // Values inside the limits: shown, then read back unchanged.
    for (const std::int32_t v : {std::int32_t(stored), field.lower(), field.upper(),
                                 std::int32_t(upper) - std::int32_t(lower)}) {
        if (v < field.lower() || v > field.upper())
            continue;
        memo.value = field.format(v);
        check(field.read_text(memo) == v);
        check(text_to_scaled(memo.value, field.decimals(), separator) == v);
    }
    return 0;
}
