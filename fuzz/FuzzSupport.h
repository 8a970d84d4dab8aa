#pragma once

// Shared by the fuzz targets: a failed property aborts, so libFuzzer keeps
// the input; files are served from memory through the program's file layer.
#include <QByteArray>
#include <QString>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "platform/Files.h"

#define FUZZ_CHECK(condition)                                                                     \
    do {                                                                                          \
        if (!(condition)) {                                                                       \
            std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                         \
        }                                                                                         \
    } while (false)

namespace fuzzing {

inline QByteArray bytes(const uint8_t* data, size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

// Every read gets the current input; writes are kept for the next read of
// the same name, so a write can be read back.
class MemoryFileSystem : public platform::FileSystem {
public:
    QByteArray input;
    QString writtenPath;
    std::optional<QByteArray> written;

    std::optional<QByteArray> read(const QString& path) override {
        if (written && path == writtenPath) {
            return written;
        }
        return input;
    }
    platform::WriteProblem writeAtomic(const QString& path, const QByteArray& data) override {
        writtenPath = path;
        written = data;
        return platform::WriteProblem::None;
    }
    bool fileExists(const QString&) override { return true; }
    bool directoryExists(const QString&) override { return false; }
    bool createDirectory(const QString&) override { return false; }
    void restrictToOwner(const QString&) override {}

    void reset(const QByteArray& data) {
        input = data;
        writtenPath.clear();
        written.reset();
    }
};

}  // namespace fuzzing
