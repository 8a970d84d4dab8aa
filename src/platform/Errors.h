#pragma once

#include <QString>
#include <stdexcept>

namespace platform {

// A failure of the platform (a file that cannot be opened, created or written).
// Commands do not catch it: it ends the command in progress and reaches the
// standard error box through platform::guarded().
class PlatformError : public std::runtime_error {
public:
    explicit PlatformError(const QString& message);
    const QString& message() const { return message_; }

private:
    QString message_;
};

// The texts the user sees, with the full native path in place of %s.
QString cannotOpenText(const QString& path);
QString cannotCreateText(const QString& path);
QString unableToWriteText(const QString& path);

[[noreturn]] void raiseCannotOpen(const QString& path);
[[noreturn]] void raiseCannotCreate(const QString& path);
[[noreturn]] void raiseUnableToWrite(const QString& path);

}  // namespace platform
