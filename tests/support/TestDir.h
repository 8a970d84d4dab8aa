#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QTemporaryDir>

#include "QtPrinters.h"

namespace testing_support {

// A temporary program directory, also made the working directory so the
// language folder is found in it. The old working directory comes back at the end.
class TestDir {
public:
    TestDir();
    ~TestDir();

    QString path(const QString& relative = QString()) const;  // absolute
    QString exe() const { return path(QStringLiteral("vorrel")); }
    QString userFolder(const QString& login) const;

    void write(const QString& relative, const QByteArray& bytes) const;
    QByteArray read(const QString& relative) const;
    bool exists(const QString& relative) const;
    void mkdir(const QString& relative) const;
    // Every file below the directory with its bytes, for "nothing changed" checks.
    QMap<QString, QByteArray> snapshot() const;

    // A user folder with the given vault lines (plain form; scrambled here),
    // category names and password.
    void makeUser(const QString& login, const QByteArray& password,
                  const QList<QByteArray>& plainLines = {},
                  const QList<QByteArray>& categories = {}) const;

private:
    QTemporaryDir dir_;
    QString oldCwd_;
};

QByteArray crlf(const QList<QByteArray>& lines);
// Random bytes, the same for the same seed; without NULs unless asked.
QByteArray junk(int size, unsigned seed, bool withNul);

}  // namespace testing_support
