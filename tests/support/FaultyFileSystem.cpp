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

bool FaultyFileSystem::writeAtomic(const QString& path, const QByteArray& data) {
    writes << QFileInfo(path).fileName();
    if (failWrites_.contains(key(path))) {
        return false;
    }
    return DiskFileSystem::writeAtomic(path, data);
}

bool FaultyFileSystem::writeAtomicShared(const QString& path, const QByteArray& data) {
    writes << QFileInfo(path).fileName();
    if (failWrites_.contains(key(path))) {
        return false;
    }
    return DiskFileSystem::writeAtomicShared(path, data);
}

}  // namespace testing_support
