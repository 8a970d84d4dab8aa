#include "TestDir.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <random>
#include <stdexcept>

#include "core/PasswordEntry.h"

namespace testing_support {

TestDir::TestDir() : oldCwd_(QDir::currentPath()) {
    if (!dir_.isValid()) {
        throw std::runtime_error("no temporary directory");
    }
    QDir::setCurrent(dir_.path());
}

TestDir::~TestDir() {
    QDir::setCurrent(oldCwd_);
}

QString TestDir::path(const QString& relative) const {
    return relative.isEmpty() ? dir_.path() + QLatin1Char('/')
                              : dir_.path() + QLatin1Char('/') + relative;
}

QString TestDir::userFolder(const QString& login) const {
    return path(QStringLiteral("users/") + login + QLatin1Char('/'));
}

void TestDir::write(const QString& relative, const QByteArray& bytes) const {
    const QString full = path(relative);
    QDir().mkpath(QFileInfo(full).absolutePath());
    QFile f(full);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
        throw std::runtime_error("cannot write test file");
    }
}

QByteArray TestDir::read(const QString& relative) const {
    QFile f(path(relative));
    if (!f.open(QIODevice::ReadOnly)) {
        return QByteArray("<missing>");
    }
    return f.readAll();
}

bool TestDir::exists(const QString& relative) const {
    return QFileInfo::exists(path(relative));
}

void TestDir::mkdir(const QString& relative) const {
    QDir().mkpath(path(relative));
}

QMap<QString, QByteArray> TestDir::snapshot() const {
    QMap<QString, QByteArray> files;
    QDirIterator it(dir_.path(), QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        const QString relative = QDir(dir_.path()).relativeFilePath(file);
        if (QFileInfo(file).isDir()) {
            files.insert(relative + QLatin1Char('/'), QByteArray());
        } else {
            files.insert(relative, read(relative));
        }
    }
    return files;
}

QByteArray crlf(const QList<QByteArray>& lines) {
    QByteArray out;
    for (const QByteArray& l : lines) {
        out += l + "\r\n";
    }
    return out;
}

QByteArray junk(int size, unsigned seed, bool withNul) {
    std::mt19937 random(seed);
    QByteArray bytes(size, '\0');
    for (char& c : bytes) {
        c = char(random() & 0xFF);
        if (!withNul && c == '\0') {
            c = '\x01';
        }
    }
    return bytes;
}

void TestDir::makeUser(const QString& login, const QByteArray& password,
                       const QList<QByteArray>& plainLines,
                       const QList<QByteArray>& categories) const {
    const QString folder = QStringLiteral("users/") + login + QLatin1Char('/');
    QList<QByteArray> stored;
    for (const QByteArray& l : plainLines) {
        stored << core::Scramble(l);
    }
    write(folder + QStringLiteral("passwords.dat"), crlf(stored));
    write(folder + QStringLiteral("categories.dat"), crlf(categories));
    write(folder + login + QStringLiteral(".dat"), core::Scramble(password) + "\r\n");
}

}  // namespace testing_support
