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
};

// The real file system.
class DiskFileSystem : public FileSystem {
public:
    std::optional<QByteArray> read(const QString& path) override;
    bool writeAtomic(const QString& path, const QByteArray& data) override;
    bool fileExists(const QString& path) override;
    bool directoryExists(const QString& path) override;
    bool createDirectory(const QString& path) override;

protected:
    // Makes a rename in the folder durable; false when the platform refuses.
    virtual bool syncFolder(const QString& folder);
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

// Path helpers in the platform's separator convention.
QString pathSeparator();
QString ExtractFilePath(const QString& path);  // directory part with its final separator
QString ChangeFileExt(const QString& path, const QString& ext);
QString fullNativePath(const QString& path);
QString withoutTrailingSeparator(const QString& path);

}  // namespace platform
