#include "core/KeyFile.h"

#include "core/PasswordEntry.h"
#include "platform/TextList.h"

namespace core {

QByteArray keyFileContent(const QByteArray& password) {
    QByteArray content(kKeyFileSize, '\0');
    const QByteArray scrambled = Scramble(password.left(kKeyFileSize));
    content.replace(0, scrambled.size(), scrambled);
    return content;
}

bool keyFileMatches(const QByteArray& content, const QByteArray& password) {
    const std::optional<QByteArray> line = platform::firstTextLine(content);
    return line && Scramble(*line) == password;
}

}  // namespace core
