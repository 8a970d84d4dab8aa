#include "core/KeyFile.h"

#include <algorithm>

#include "core/PasswordEntry.h"
#include "platform/Files.h"
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

bool keyFileMatchesAt(const QString& path, const QByteArray& password) {
    // A first line longer than the password cannot match, however it goes on.
    return keyFileMatches(platform::readFileHead(path, password.size() + 1), password);
}

}  // namespace core
