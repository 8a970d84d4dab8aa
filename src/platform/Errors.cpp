#include "platform/Errors.h"

#include "platform/Files.h"

namespace platform {

PlatformError::PlatformError(const QString& message)
    : std::runtime_error(message.toStdString()), message_(message) {}

WriteFailed::WriteFailed(const QString& message, const QString& file, WriteProblem why)
    : PlatformError(message), path(file), problem(why) {}

QString writeProblemText(WriteProblem problem) {
    switch (problem) {
        case WriteProblem::DiskFull:
            return QStringLiteral("Cannot create file %1: the disk is full.");
        case WriteProblem::FileTooLarge:
            return QStringLiteral(
                "Cannot create file %1: it would be larger than the system allows.");
        case WriteProblem::NoPermission:
            return QStringLiteral("Cannot create file %1: you have no permission to write there.");
        case WriteProblem::ReadOnly:
            return QStringLiteral("Cannot create file %1: the disk is read-only.");
        case WriteProblem::Link:
            return QStringLiteral(
                "Cannot create file %1: it is a symbolic link, and no secret is written through "
                "one.");
        case WriteProblem::None:
        case WriteProblem::Failed:
            break;
    }
    return QStringLiteral("Cannot create file %1");
}

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
namespace {
[[noreturn]] void raiseWriteFailed(const QString& unknownText, const QString& path,
                                   WriteProblem problem) {
    throw WriteFailed(problem == WriteProblem::Failed
                          ? unknownText
                          : writeProblemText(problem).arg(fullNativePath(path)),
                      path, problem);
}
}  // namespace

void raiseCannotCreate(const QString& path, WriteProblem problem) {
    raiseWriteFailed(cannotCreateText(path), path, problem);
}
void raiseUnableToWrite(const QString& path, WriteProblem problem) {
    raiseWriteFailed(unableToWriteText(path), path, problem);
}

}  // namespace platform
