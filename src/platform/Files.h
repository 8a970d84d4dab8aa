#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>

namespace platform {

// Why a write did not reach the disk; the old file is then left as it was.
enum class WriteProblem {
    None,
    Failed,  // for a reason the platform did not tell
    DiskFull,
    FileTooLarge,
    NoPermission,
    ReadOnly,
    // The name is a symbolic link: a secret is never written through one.
    Link
};

// Every file access of the program goes through this interface, so tests can
// make any read or write fail without relying on file permissions.
class FileSystem {
public:
    virtual ~FileSystem() = default;
    // The whole content, or nothing when the file cannot be opened.
    virtual std::optional<QByteArray> read(const QString& path) = 0;
    // Replaces the file in one piece (temporary file, flush, sync, rename);
    // when any step fails, the old file is left whole and the problem told.
    virtual WriteProblem writeAtomic(const QString& path, const QByteArray& data) = 0;
    virtual bool fileExists(const QString& path) = 0;
    virtual bool directoryExists(const QString& path) = 0;
    virtual bool createDirectory(const QString& path) = 0;

    // Who may read what (POSIX; elsewhere the platform's defaults apply):
    // writeAtomic() leaves a file only its owner may read and write (0600),
    // also when it replaces a wider one. These keep the default mode instead,
    // for the one file other accounts must read and replace too: the program
    // settings file with the list of users.
    virtual WriteProblem writeAtomicShared(const QString& path, const QByteArray& data) {
        return writeAtomic(path, data);
    }
    // A folder only its owner may enter (0700).
    virtual bool createPrivateDirectory(const QString& path) { return createDirectory(path); }
    // Takes every right of group and others off a file or folder that the
    // running account owns; never adds one. Anything else is left alone.
    virtual void restrictToOwner(const QString& path) = 0;

    // The size in bytes without reading the file; nothing when it cannot be opened.
    virtual std::optional<qint64> size(const QString& path);
    // Hands the content to take in pieces of at most pieceSize bytes, until
    // take returns false or the file ends: a large file is never held whole.
    // false when the file cannot be opened or read.
    virtual bool readPieces(const QString& path, qint64 pieceSize,
                            const std::function<bool(const QByteArray&)>& take);
    // The name itself is a symbolic link (not what it points at).
    virtual bool isLink(const QString& path);
    // Removes a file, or an empty folder; false when it cannot.
    virtual bool remove(const QString& path);
    virtual bool removeDirectory(const QString& path);
};

// The real file system.
class DiskFileSystem : public FileSystem {
public:
    std::optional<QByteArray> read(const QString& path) override;
    WriteProblem writeAtomic(const QString& path, const QByteArray& data) override;
    bool fileExists(const QString& path) override;
    bool directoryExists(const QString& path) override;
    bool createDirectory(const QString& path) override;
    WriteProblem writeAtomicShared(const QString& path, const QByteArray& data) override;
    bool createPrivateDirectory(const QString& path) override;
    void restrictToOwner(const QString& path) override;
    std::optional<qint64> size(const QString& path) override;
    bool readPieces(const QString& path, qint64 pieceSize,
                    const std::function<bool(const QByteArray&)>& take) override;
    bool isLink(const QString& path) override;
    bool remove(const QString& path) override;
    bool removeDirectory(const QString& path) override;

protected:
    // Makes a rename in the folder durable; false when the platform refuses.
    virtual bool syncFolder(const QString& folder);

private:
    WriteProblem replaceFile(const QString& path, const QByteArray& data, bool ownerOnly);
};

FileSystem& fileSystem();
// Installs another file system; nullptr brings the disk back.
void setFileSystem(FileSystem* fs);

// Throw PlatformError with the platform's texts.
QByteArray readFile(const QString& path);  // "Cannot open file %s"
// WriteFailed: "Cannot create file %s", with the problem when the platform told it.
void writeFile(const QString& path, const QByteArray& data);
// The same through size() and readPieces(); "Cannot open file %s".
qint64 fileSize(const QString& path);
void readFilePieces(const QString& path, qint64 pieceSize,
                    const std::function<bool(const QByteArray&)>& take);
// At most the first size bytes of a file, never more read.
QByteArray readFileHead(const QString& path, qint64 size);

bool FileExists(const QString& path);  // false for folders
bool DirectoryExists(const QString& path);
bool CreateDir(const QString& path);  // reports nothing on failure
// The same for a user's own folder: only its owner may enter it.
bool CreatePrivateDir(const QString& path);

// Path helpers in the platform's separator convention.
QString pathSeparator();
QString ExtractFilePath(const QString& path);  // directory part with its final separator
QString ChangeFileExt(const QString& path, const QString& ext);
QString fullNativePath(const QString& path);
QString withoutTrailingSeparator(const QString& path);

}  // namespace platform
