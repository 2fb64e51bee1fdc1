#include "Settings.h"

namespace {

// NUL would cut a registry string short; a lone surrogate does not survive
// the file's UTF-8. Neither may appear in, or come out of, the exchange.
bool unsafe(char16_t unit)
{
    return unit == 0 || QChar::isSurrogate(unit);
}

} // namespace

// Each UTF-16 unit is XORed with the text's length, which keeps Latin-1 text
// exactly as the 8-bit scheme scrambles it. A unit whose partner under the
// XOR is unsafe stays as it is; the rule is symmetric, so the function stays
// its own inverse and every text round-trips.
QString XorByLength(const QString &text)
{
    const char16_t mask = char16_t(text.size() & 0xFFFF);
    QString result = text;
    for (QChar &c : result) {
        const char16_t unit = c.unicode();
        const char16_t scrambled = unit ^ mask;
        if (!unsafe(unit) && !unsafe(scrambled))
            c = QChar(scrambled);
    }
    return result;
}
