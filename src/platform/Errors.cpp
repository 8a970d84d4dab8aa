#include "platform/Errors.h"

#include "platform/Files.h"

namespace platform {

PlatformError::PlatformError(const QString& message)
    : std::runtime_error(message.toStdString()), message_(message) {}

QString cannotOpenText(const QString& path) {
    return QStringLiteral("Cannot open file %1").arg(fullNativePath(path));
}

QString cannotCreateText(const QString& path) {
    return QStringLiteral("Cannot create file %1").arg(fullNativePath(path));
}

QString unableToWriteText(const QString& path) {
    return QStringLiteral("Unable to write to %1").arg(fullNativePath(path));
}

void raiseCannotOpen(const QString& path) {
    throw PlatformError(cannotOpenText(path));
}
void raiseCannotCreate(const QString& path) {
    throw PlatformError(cannotCreateText(path));
}
void raiseUnableToWrite(const QString& path) {
    throw PlatformError(unableToWriteText(path));
}

}  // namespace platform
