#pragma once

#include <QString>
#include <stdexcept>

#include "platform/Files.h"

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

// A write that did not reach the disk; the file is as it was before.
class WriteFailed : public PlatformError {
public:
    WriteFailed(const QString& message, const QString& path, WriteProblem problem);
    QString path;
    WriteProblem problem;
};

// The English text of a known problem ("%1" the file); the user's language
// comes from the language file.
QString writeProblemText(WriteProblem problem);

// The texts the user sees, with the full native path in place of %s.
QString cannotOpenText(const QString& path);
QString cannotCreateText(const QString& path);
QString unableToWriteText(const QString& path);

[[noreturn]] void raiseCannotOpen(const QString& path);
[[noreturn]] void raiseCannotCreate(const QString& path,
                                    WriteProblem problem = WriteProblem::Failed);
[[noreturn]] void raiseUnableToWrite(const QString& path,
                                     WriteProblem problem = WriteProblem::Failed);

}  // namespace platform
