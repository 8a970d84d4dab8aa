#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace platform {

// Every file access of the program goes through this interface, so tests can
// make any read or write fail without relying on file permissions.
class FileSystem {
public:
    virtual ~FileSystem() = default;
    // The whole content, or nothing when the file cannot be opened.
    virtual std::optional<QByteArray> read(const QString& path) = 0;
    // Replaces the file in one piece (temporary file, flush, rename);
    // false when anything fails, and the old file is then left whole.
    virtual bool writeAtomic(const QString& path, const QByteArray& data) = 0;
    virtual bool fileExists(const QString& path) = 0;
    virtual bool directoryExists(const QString& path) = 0;
    virtual bool createDirectory(const QString& path) = 0;

    // Who may read what (POSIX; elsewhere the platform's defaults apply):
    // writeAtomic() leaves a file only its owner may read and write (0600),
    // also when it replaces a wider one. These keep the default mode instead,
    // for the one file other accounts must read and replace too: the program
    // settings file with the list of users.
    virtual bool writeAtomicShared(const QString& path, const QByteArray& data) {
        return writeAtomic(path, data);
    }
    // A folder only its owner may enter (0700).
    virtual bool createPrivateDirectory(const QString& path) { return createDirectory(path); }
    // Takes every right of group and others off a file or folder that the
    // running account owns; never adds one. Anything else is left alone.
    virtual void restrictToOwner(const QString& path) = 0;
};

// The real file system.
class DiskFileSystem : public FileSystem {
public:
    std::optional<QByteArray> read(const QString& path) override;
    bool writeAtomic(const QString& path, const QByteArray& data) override;
    bool fileExists(const QString& path) override;
    bool directoryExists(const QString& path) override;
    bool createDirectory(const QString& path) override;
    bool writeAtomicShared(const QString& path, const QByteArray& data) override;
    bool createPrivateDirectory(const QString& path) override;
    void restrictToOwner(const QString& path) override;

protected:
    // Makes a rename in the folder durable; false when the platform refuses.
    virtual bool syncFolder(const QString& folder);

private:
    bool replaceFile(const QString& path, const QByteArray& data, bool ownerOnly);
};

FileSystem& fileSystem();
// Installs another file system; nullptr brings the disk back.
void setFileSystem(FileSystem* fs);

// Throw PlatformError with the platform's texts.
QByteArray readFile(const QString& path);                     // "Cannot open file %s"
void writeFile(const QString& path, const QByteArray& data);  // "Cannot create file %s"

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
