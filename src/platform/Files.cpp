#include "platform/Files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <limits>

#include "platform/Errors.h"

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace platform {

namespace {

// Opens the temporary file of a replacement. An owner-only one is created
// unreadable by others from its first moment, not narrowed afterwards: a
// reader who opened it in between would go on reading what is written.
bool openReplacement(QSaveFile& file, bool ownerOnly) {
#ifdef Q_OS_UNIX
    if (ownerOnly) {
        const mode_t old = ::umask(077);
        const bool opened = file.open(QIODevice::WriteOnly);
        ::umask(old);
        if (opened) {
            // QSaveFile gives the new file the old one's mode; never wider than
            // this. A file system without modes refuses, and is left as it is.
            file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        }
        return opened;
    }
#endif
    Q_UNUSED(ownerOnly);
    return file.open(QIODevice::WriteOnly);
}

}  // namespace

std::optional<QByteArray> DiskFileSystem::read(const QString& path) {
    if (QFileInfo(path).isDir()) {
        return std::nullopt;
    }
    QFile file(path);
    // Unbuffered: the bytes land in the caller's array only, not also in a
    // buffer of the file's that nobody wipes.
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        return std::nullopt;
    }
    // Read in one piece at the size the file has: readAll would grow its
    // buffer step by step, copying a large vault and leaving a third unused.
    const qint64 size = file.size();
    QByteArray data;
    if (size > 0 && size < qint64(std::numeric_limits<qsizetype>::max() / 2)) {
        data = QByteArray(qsizetype(size), Qt::Uninitialized);
        const qint64 got = file.read(data.data(), size);
        if (got < 0) {
            return std::nullopt;
        }
        data.truncate(qsizetype(got));
    }
    // Whatever the size did not tell (a file that grew, a device).
    data += file.readAll();
    if (file.error() != QFileDevice::NoError) {
        return std::nullopt;
    }
    return data;
}

std::optional<qint64> FileSystem::size(const QString& path) {
    const std::optional<QByteArray> data = read(path);
    return data ? std::optional<qint64>(data->size()) : std::nullopt;
}

bool FileSystem::readPieces(const QString& path, qint64 pieceSize,
                            const std::function<bool(const QByteArray&)>& take) {
    const std::optional<QByteArray> data = read(path);
    if (!data) {
        return false;
    }
    for (qsizetype at = 0; at < data->size(); at += pieceSize) {
        if (!take(QByteArray::fromRawData(data->constData() + at,
                                          std::min<qsizetype>(pieceSize, data->size() - at)))) {
            break;
        }
    }
    return true;
}

bool FileSystem::isLink(const QString&) {
    return false;
}

bool DiskFileSystem::isLink(const QString& path) {
    return QFileInfo(path).isSymLink();
}

bool FileSystem::remove(const QString&) {
    return false;
}

bool FileSystem::removeDirectory(const QString&) {
    return false;
}

bool DiskFileSystem::remove(const QString& path) {
    return QFile::remove(path);
}

bool DiskFileSystem::removeDirectory(const QString& path) {
    return QDir().rmdir(path);
}

std::optional<qint64> DiskFileSystem::size(const QString& path) {
    QFile file(path);
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    return file.size();
}

bool DiskFileSystem::readPieces(const QString& path, qint64 pieceSize,
                                const std::function<bool(const QByteArray&)>& take) {
    QFile file(path);
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly)) {
        return false;
    }
    QByteArray piece(pieceSize, Qt::Uninitialized);
    bool ok = true;
    for (;;) {
        const qint64 got = file.read(piece.data(), pieceSize);
        if (got < 0) {
            ok = false;
            break;
        }
        if (got == 0 || !take(QByteArray::fromRawData(piece.constData(), got))) {
            break;
        }
    }
    // The buffer may hold key material.
    piece.fill('\0');
    return ok;
}

WriteProblem DiskFileSystem::writeAtomic(const QString& path, const QByteArray& data) {
    return replaceFile(path, data, true);
}

WriteProblem DiskFileSystem::writeAtomicShared(const QString& path, const QByteArray& data) {
    return replaceFile(path, data, false);
}

namespace {

// What the platform said of the step that just failed.
WriteProblem lastProblem() {
#ifdef Q_OS_UNIX
    switch (errno) {
        case ENOSPC:
#ifdef EDQUOT
        case EDQUOT:
#endif
            return WriteProblem::DiskFull;
        case EFBIG:
            return WriteProblem::FileTooLarge;
        case EACCES:
        case EPERM:
            return WriteProblem::NoPermission;
        case EROFS:
            return WriteProblem::ReadOnly;
        default:
            break;
    }
#endif
    return WriteProblem::Failed;
}

// Makes the temporary file's bytes durable before it replaces the old one.
bool syncFile(QSaveFile& file) {
#ifdef Q_OS_UNIX
    int result;
    do {
        // The data is what must be there; the commit's own sync then finds nothing left.
#ifdef Q_OS_LINUX
        result = ::fdatasync(file.handle());
#else
        result = ::fsync(file.handle());
#endif
    } while (result != 0 && errno == EINTR);
    return result == 0 || errno == EINVAL;
#else
    // The commit's own sync, where it reports errors.
    Q_UNUSED(file);
    return true;
#endif
}

}  // namespace

WriteProblem DiskFileSystem::replaceFile(const QString& path, const QByteArray& data,
                                         bool ownerOnly) {
    if (QFileInfo(path).isDir()) {
        return WriteProblem::Failed;
    }
    // QSaveFile writes to what a link points at: a link planted by a sync peer
    // would receive the vault. The program's shared settings file may be one.
    if (ownerOnly && isLink(path)) {
        return WriteProblem::Link;
    }
    if (ownerOnly) {
        restrictToOwner(path);  // the replacement starts with the old file's mode
    }
    QSaveFile file(path);
    // Never fall back to writing in place: a failed write must leave the old file whole.
    file.setDirectWriteFallback(false);
    if (!openReplacement(file, ownerOnly)) {
        return lastProblem();
    }
    // Each step checked before the rename: commit() reports success when the
    // buffered bytes failed to reach a full disk, and renames a short file
    // over the good one.
    if (file.write(data) != data.size() || !file.flush() || !syncFile(file)) {
        const WriteProblem problem = lastProblem();
        file.cancelWriting();
        return problem;
    }
    if (!file.commit()) {
        return lastProblem();
    }
    // A link put in place while the file was written got the bytes instead.
    if (ownerOnly && isLink(path)) {
        return WriteProblem::Link;
    }
    // The rename itself lasts through a power cut only once the folder is synced too.
    return syncFolder(QFileInfo(path).absolutePath()) ? WriteProblem::None : lastProblem();
}

bool DiskFileSystem::syncFolder(const QString& folder) {
#ifdef Q_OS_UNIX
    const QByteArray native = QFile::encodeName(folder);
    const int fd = ::open(native.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    int result;
    do {
        result = ::fsync(fd);
    } while (result != 0 && errno == EINTR);
    // A file system that cannot sync folders at all says EINVAL: nothing more can be done there.
    const bool synced = result == 0 || errno == EINVAL;
    ::close(fd);
    return synced;
#else
    // On Windows the replacing rename is made durable by the platform call itself.
    Q_UNUSED(folder);
    return true;
#endif
}

bool DiskFileSystem::fileExists(const QString& path) {
    QFileInfo info(path);
    return info.exists() && !info.isDir();
}

bool DiskFileSystem::directoryExists(const QString& path) {
    return QFileInfo(path).isDir();
}

bool DiskFileSystem::createDirectory(const QString& path) {
    return QDir().mkdir(path);
}

bool DiskFileSystem::createPrivateDirectory(const QString& path) {
#ifdef Q_OS_UNIX
    return QDir().mkdir(path,
                        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
#else
    return QDir().mkdir(path);
#endif
}

void DiskFileSystem::restrictToOwner(const QString& path) {
#ifdef Q_OS_UNIX
    const QByteArray native = QFile::encodeName(path);
    struct stat info;
    if (::stat(native.constData(), &info) != 0 || info.st_uid != ::geteuid()) {
        return;
    }
    const mode_t mode = info.st_mode & 07777;
    const mode_t narrowed = mode & ~mode_t(S_IRWXG | S_IRWXO);
    if (narrowed != mode) {
        ::chmod(native.constData(), narrowed);
    }
#else
    Q_UNUSED(path);
#endif
}

namespace {
DiskFileSystem g_disk;
FileSystem* g_fs = &g_disk;
}  // namespace

FileSystem& fileSystem() {
    return *g_fs;
}
void setFileSystem(FileSystem* fs) {
    g_fs = fs ? fs : &g_disk;
}

QByteArray readFile(const QString& path) {
    std::optional<QByteArray> data = g_fs->read(path);
    if (!data) {
        raiseCannotOpen(path);
    }
    return *data;
}

qint64 fileSize(const QString& path) {
    const std::optional<qint64> size = g_fs->size(path);
    if (!size) {
        raiseCannotOpen(path);
    }
    return *size;
}

void readFilePieces(const QString& path, qint64 pieceSize,
                    const std::function<bool(const QByteArray&)>& take) {
    if (!g_fs->readPieces(path, pieceSize, take)) {
        raiseCannotOpen(path);
    }
}

QByteArray readFileHead(const QString& path, qint64 size) {
    QByteArray head;
    readFilePieces(path, size, [&](const QByteArray& piece) {
        head = QByteArray(piece.constData(), piece.size());
        return false;
    });
    return head;
}

void writeFile(const QString& path, const QByteArray& data) {
    const WriteProblem problem = g_fs->writeAtomic(path, data);
    if (problem != WriteProblem::None) {
        raiseCannotCreate(path, problem);
    }
}

bool FileExists(const QString& path) {
    return !path.isEmpty() && g_fs->fileExists(path);
}
bool DirectoryExists(const QString& path) {
    return !path.isEmpty() && g_fs->directoryExists(path);
}
bool CreateDir(const QString& path) {
    return g_fs->createDirectory(path);
}
bool CreatePrivateDir(const QString& path) {
    return g_fs->createPrivateDirectory(path);
}

// Qt takes "/" on every platform; texts shown to the user go through fullNativePath().
QString pathSeparator() {
    return QStringLiteral("/");
}

static bool isSeparator(QChar c) {
    return c == QLatin1Char('/') || c == QDir::separator() ||
           (QDir::separator() == QLatin1Char('\\') && c == QLatin1Char(':'));
}

QString ExtractFilePath(const QString& path) {
    int i = path.size() - 1;
    while (i >= 0 && !isSeparator(path.at(i))) {
        --i;
    }
    return path.left(i + 1);
}

QString ChangeFileExt(const QString& path, const QString& ext) {
    // The extension starts at the last "." of the name part.
    for (int i = path.size() - 1; i >= 0; --i) {
        const QChar c = path.at(i);
        if (c == QLatin1Char('.')) {
            return path.left(i) + ext;
        }
        if (isSeparator(c)) {
            break;
        }
    }
    return path + ext;
}

QString fullNativePath(const QString& path) {
    if (path.isEmpty()) {
        return path;
    }
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

QString withoutTrailingSeparator(const QString& path) {
    QString result = path;
    while (result.size() > 1 && isSeparator(result.back())) {
        result.chop(1);
    }
    return result;
}

}  // namespace platform
