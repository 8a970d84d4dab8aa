#pragma once

#include <QSet>
#include <QString>

#include "platform/Files.h"

namespace testing_support {

// The disk, except that reads or writes of chosen files fail. Installed while it lives.
class FaultyFileSystem : public platform::DiskFileSystem {
public:
    FaultyFileSystem();
    ~FaultyFileSystem() override;

    void failWrite(const QString& path) { failWrites_.insert(key(path)); }
    void failRead(const QString& path) { failReads_.insert(key(path)); }
    void heal() {
        failWrites_.clear();
        failReads_.clear();
    }
    QStringList writes;  // every write attempted, in order (file names)

    std::optional<QByteArray> read(const QString& path) override;
    platform::WriteProblem writeAtomic(const QString& path, const QByteArray& data) override;
    platform::WriteProblem writeAtomicShared(const QString& path, const QByteArray& data) override;
    std::optional<qint64> size(const QString& path) override;
    bool readPieces(const QString& path, qint64 pieceSize,
                    const std::function<bool(const QByteArray&)>& take) override;

private:
    static QString key(const QString& path);
    QSet<QString> failWrites_;
    QSet<QString> failReads_;
};

}  // namespace testing_support
