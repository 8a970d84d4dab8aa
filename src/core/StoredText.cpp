#include "core/StoredText.h"

#include "core/PasswordEntry.h"
#include "platform/CodePage.h"

namespace core {

bool isForbiddenStoredByte(char byte) {
    const char scrambled = char(byte ^ kScrambleKey);
    return scrambled == '\0' || scrambled == '\n' || scrambled == '\r';
}

namespace {

bool breaksLine(QChar c) {
    return c == QLatin1Char('|') || c == QLatin1Char('\r') || c == QLatin1Char('\n') ||
           c.unicode() == 0;
}

}  // namespace

std::optional<QChar> forbiddenCompatibleCharacter(const QString& text) {
    if (std::optional<QChar> c = platform::firstUnencodableCompatible(text)) {
        return c;
    }
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (breaksLine(c)) {
            return c;
        }
        const qsizetype n = c.isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        for (char byte : platform::compatibleFromUi(text.mid(i, n))) {
            if (isForbiddenStoredByte(byte)) {
                return c;
            }
        }
        i += n - 1;
    }
    return std::nullopt;
}

std::optional<QChar> forbiddenStoredCharacter(const QString& text) {
    if (!platform::utf8Storage()) {
        return forbiddenCompatibleCharacter(text);
    }
    // Encrypted files never hold scrambled bytes: only the line format's own
    // characters, and half a surrogate pair (no UTF-8 for it), are refused.
    if (std::optional<QChar> c = platform::firstUnencodable(text)) {
        return c;
    }
    for (QChar c : text) {
        if (breaksLine(c)) {
            return c;
        }
    }
    return std::nullopt;
}

}  // namespace core
