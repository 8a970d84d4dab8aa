#include "FaultyFileSystem.h"

#include <QFileInfo>

namespace testing_support {

FaultyFileSystem::FaultyFileSystem() {
    platform::setFileSystem(this);
}
FaultyFileSystem::~FaultyFileSystem() {
    platform::setFileSystem(nullptr);
}

QString FaultyFileSystem::key(const QString& path) {
    return QFileInfo(path).absoluteFilePath();
}

std::optional<QByteArray> FaultyFileSystem::read(const QString& path) {
    if (failReads_.contains(key(path))) {
        return std::nullopt;
    }
    return DiskFileSystem::read(path);
}

std::optional<qint64> FaultyFileSystem::size(const QString& path) {
    if (failReads_.contains(key(path))) {
        return std::nullopt;
    }
    return DiskFileSystem::size(path);
}

bool FaultyFileSystem::readPieces(const QString& path, qint64 pieceSize,
                                  const std::function<bool(const QByteArray&)>& take) {
    return !failReads_.contains(key(path)) && DiskFileSystem::readPieces(path, pieceSize, take);
}

platform::WriteProblem FaultyFileSystem::writeAtomic(const QString& path, const QByteArray& data) {
    writes << QFileInfo(path).fileName();
    if (failWrites_.contains(key(path))) {
        return platform::WriteProblem::Failed;
    }
    return DiskFileSystem::writeAtomic(path, data);
}

platform::WriteProblem FaultyFileSystem::writeAtomicShared(const QString& path,
                                                           const QByteArray& data) {
    writes << QFileInfo(path).fileName();
    if (failWrites_.contains(key(path))) {
        return platform::WriteProblem::Failed;
    }
    return DiskFileSystem::writeAtomicShared(path, data);
}

}  // namespace testing_support
