#include "core/StoredText.h"

#include "core/PasswordEntry.h"
#include "platform/CodePage.h"

namespace core {

bool isForbiddenStoredByte(char byte) {
    const char scrambled = char(byte ^ kScrambleKey);
    return scrambled == '\0' || scrambled == '\n' || scrambled == '\r';
}

std::optional<QChar> forbiddenStoredCharacter(const QString& text) {
    if (std::optional<QChar> c = platform::firstUnencodable(text)) {
        return c;
    }
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('|') || c == QLatin1Char('\r') || c == QLatin1Char('\n') ||
            c.unicode() == 0) {
            return c;
        }
        const qsizetype n = c.isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        for (char byte : platform::fromUi(text.mid(i, n))) {
            if (isForbiddenStoredByte(byte)) {
                return c;
            }
        }
        i += n - 1;
    }
    return std::nullopt;
}

}  // namespace core
