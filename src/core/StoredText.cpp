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
    if (std::optional<QChar> c = platform::firstUnencodable(text, platform::Encoding::CodePage)) {
        return c;
    }
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (breaksLine(c)) {
            return c;
        }
        const qsizetype n = c.isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        for (char byte : platform::fromUi(text.mid(i, n), platform::Encoding::CodePage)) {
            if (isForbiddenStoredByte(byte)) {
                return c;
            }
        }
        i += n - 1;
    }
    return std::nullopt;
}

std::optional<QChar> forbiddenStoredCharacter(const QString& text, platform::Encoding encoding) {
    if (encoding == platform::Encoding::CodePage) {
        return forbiddenCompatibleCharacter(text);
    }
    // Encrypted files never hold scrambled bytes: only the line format's own
    // characters, and half a surrogate pair (no UTF-8 for it), are refused.
    if (std::optional<QChar> c = platform::firstUnencodable(text, encoding)) {
        return c;
    }
    for (QChar c : text) {
        if (breaksLine(c)) {
            return c;
        }
    }
    return std::nullopt;
}

std::optional<QChar> forbiddenStoredBytes(const QByteArray& bytes, platform::Encoding encoding) {
    const QString text = platform::toUi(bytes, encoding);
    if (std::optional<QChar> c = forbiddenStoredCharacter(text, encoding)) {
        return c;
    }
    // Bytes the storage encoding has no character for decode to one that
    // encodes to other bytes: name the first character whose bytes differ.
    qsizetype at = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype n = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QByteArray encoded = platform::fromUi(text.mid(i, n), encoding);
        if (bytes.mid(at, encoded.size()) != encoded) {
            return text.at(i);
        }
        at += encoded.size();
        i += n - 1;
    }
    if (at != bytes.size()) {
        return QChar(QChar::ReplacementCharacter);
    }
    return std::nullopt;
}

}  // namespace core
