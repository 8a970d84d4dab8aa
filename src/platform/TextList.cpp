#include "platform/TextList.h"

#include <algorithm>
#include <cstring>

#include "platform/Files.h"

namespace platform {

TextLines parseTextLines(const QByteArray& data) {
    TextLines lines;
    const char* p = data.constData();
    qsizetype size = data.size();
    if (const void* nul = std::memchr(p, '\0', size_t(size))) {
        size = static_cast<const char*>(nul) - p;
    }
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < size) {
        const char c = p[i];
        if (c == '\r' || c == '\n') {
            lines.append(QByteArray(p + start, i - start));
            ++i;
            if (c == '\r' && i < size && p[i] == '\n') {
                ++i;
            }
            start = i;
        } else {
            ++i;
        }
    }
    if (start < size) {
        lines.append(QByteArray(p + start, size - start));
    }
    return lines;
}

TextLines shareTextLines(QByteArray data, void (*inPlace)(char*, qsizetype), bool* cut) {
    TextLines lines;
    if (data.isEmpty()) {
        if (cut) {
            *cut = false;
        }
        return lines;
    }
    char* p = data.data();  // a buffer of its own: its bytes are about to change
    qsizetype size = data.size();
    const void* nul = std::memchr(p, '\0', size_t(size));
    if (cut) {
        *cut = nul != nullptr;
    }
    if (nul) {
        size = static_cast<const char*>(nul) - p;
        // The rest is not read, and not kept either: the buffer outlives this
        // call, and the text may be a secret's.
        std::memset(p + size, 0, size_t(data.size() - size));
    }
    QByteArray::DataPointer& whole = data.data_ptr();
    auto add = [&](qsizetype start, qsizetype end) {
        if (inPlace) {
            inPlace(p + start, end - start);
        }
        // The line end, the NUL that cut the text or the buffer's own terminator.
        p[end] = '\0';
        QByteArray::DataPointer line = whole;  // one more owner of the buffer
        line.ptr = p + start;
        line.size = end - start;
        lines.append(QByteArray(std::move(line)));
    };
    // The next CR and the next LF, each searched again only once passed, so
    // a text of lone CRs is not scanned to its end for every line.
    auto next = [&](char c, qsizetype from) {
        const void* at = std::memchr(p + from, c, size_t(size - from));
        return at ? static_cast<const char*>(at) - p : size;
    };
    qsizetype start = 0;
    qsizetype cr = -1;
    qsizetype lf = -1;
    while (start < size) {
        if (cr < start) {
            cr = next('\r', start);
        }
        if (lf < start) {
            lf = next('\n', start);
        }
        const qsizetype end = std::min(cr, lf);
        const bool crlf = end == cr && lf == cr + 1;
        add(start, end);
        start = end + (crlf ? 2 : 1);
    }
    return lines;
}

bool isJoinedForm(const QByteArray& data) {
    const char* p = data.constData();
    const qsizetype size = data.size();
    if (size == 0) {
        return true;
    }
    if (size < 2 || p[size - 2] != '\r' || p[size - 1] != '\n' ||
        std::memchr(p, '\0', size_t(size))) {
        return false;
    }
    // Every LF has its CR, and no CR stands alone within a line.
    qsizetype start = 0;
    while (start < size) {
        const char* lf =
            static_cast<const char*>(std::memchr(p + start, '\n', size_t(size - start)));
        const qsizetype end = lf - p;  // the text ends with an LF
        if (end == start || p[end - 1] != '\r' ||
            std::memchr(p + start, '\r', size_t(end - 1 - start))) {
            return false;
        }
        start = end + 1;
    }
    return true;
}

QByteArray joinTextLines(const TextLines& lines) {
    qsizetype total = 0;
    for (const QByteArray& line : lines) {
        total += line.size() + 2;
    }
    QByteArray out;
    out.reserve(total);
    for (const QByteArray& line : lines) {
        out.append(line);
        out.append("\r\n", 2);
    }
    return out;
}

TextLines loadTextList(const QString& path) {
    return parseTextLines(readFile(path));
}

void saveTextList(const QString& path, const TextLines& lines) {
    writeFile(path, joinTextLines(lines));
}

QByteArray withoutUtf8Bom(const QByteArray& data) {
    return data.startsWith(kUtf8Bom) ? data.mid(3) : data;
}

std::optional<QByteArray> firstTextLine(const QByteArray& data) {
    if (data.isEmpty() || data.at(0) == '\0') {
        return std::nullopt;
    }
    qsizetype end = 0;
    while (end < data.size() && data.at(end) != '\0' && data.at(end) != '\r' &&
           data.at(end) != '\n') {
        ++end;
    }
    return data.left(end);
}

}  // namespace platform
