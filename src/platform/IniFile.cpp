#include "platform/IniFile.h"

#include <QStringDecoder>

#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/TextList.h"

namespace platform {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

QByteArray trimBlanks(const QByteArray& text) {
    qsizetype b = 0;
    qsizetype e = text.size();
    while (b < e && isBlank(text.at(b))) {
        ++b;
    }
    while (e > b && isBlank(text.at(e - 1))) {
        --e;
    }
    return text.mid(b, e - b);
}

bool sameText(const QByteArray& a, const QByteArray& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool isUtf8(const QByteArray& bytes) {
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    (void)utf8.decode(bytes);
    return !utf8.hasError();
}

// The cut of a long value: in UTF-8 text it never splits a character, which
// would turn the whole value into another encoding's text.
void cutValue(QByteArray& value) {
    if (value.size() <= IniFile::kMaxValueBytes) {
        return;
    }
    qsizetype cut = IniFile::kMaxValueBytes;
    if (isUtf8(value)) {
        while (cut > 0 && (uchar(value.at(cut)) & 0xC0) == 0x80) {
            --cut;
        }
    }
    value.truncate(cut);
}

}  // namespace

bool parseInteger(const QByteArray& text, int& value) {
    QByteArray t = trimBlanks(text);
    bool negative = false;
    if (!t.isEmpty() && (t.at(0) == '-' || t.at(0) == '+')) {
        negative = t.at(0) == '-';
        t.remove(0, 1);
    }
    int base = 10;
    if (t.startsWith('$')) {
        base = 16;
        t.remove(0, 1);
    } else if (t.size() > 2 && t.at(0) == '0' && (t.at(1) == 'x' || t.at(1) == 'X')) {
        base = 16;
        t.remove(0, 2);
    }
    if (t.isEmpty()) {
        return false;
    }
    qint64 result = 0;
    for (char c : t) {
        int digit;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (base == 16 && c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (base == 16 && c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else {
            return false;
        }
        result = result * base + digit;
        // Hexadecimal texts may name any 32-bit pattern; decimals must fit an int.
        if (result > (base == 16 ? qint64(0xFFFFFFFF) : qint64(0x80000000))) {
            return false;
        }
    }
    if (base == 10 && !negative && result > 0x7FFFFFFF) {
        return false;
    }
    const quint32 bits = quint32(result);
    value = qint32(negative ? 0u - bits : bits);
    return true;
}

IniFile::Line IniFile::parseLine(const QByteArray& text) {
    Line line;
    line.text = text;
    const QByteArray t = trimBlanks(text);
    if (t.startsWith('[')) {
        const qsizetype close = t.indexOf(']');
        line.isSection = true;
        line.section = trimBlanks(t.mid(1, close < 0 ? -1 : close - 1));
        return line;
    }
    if (t.startsWith(';')) {
        return line;
    }
    const qsizetype eq = t.indexOf('=');
    if (eq > 0) {
        line.isKey = true;
        line.key = trimBlanks(t.left(eq));
    }
    return line;
}

IniFile::IniFile(const QString& path) : path_(path) {
    // A file that cannot be read (missing, or a folder) reads as empty.
    std::optional<QByteArray> data = fileSystem().read(path);
    if (!data) {
        return;
    }
    // An editor's byte-order mark would hide the first section; it comes back
    // when the file is written.
    hasBom_ = data->startsWith(kUtf8Bom);
    for (const QByteArray& text : parseTextLines(withoutUtf8Bom(*data))) {
        lines_.append(parseLine(text));
    }
}

int IniFile::findSection(const QByteArray& section) const {
    for (int i = 0; i < lines_.size(); ++i) {
        if (lines_[i].isSection && sameText(lines_[i].section, section)) {
            return i;
        }
    }
    return -1;
}

int IniFile::findKey(int sectionLine, const QByteArray& key) const {
    for (int i = sectionLine + 1; i < lines_.size() && !lines_[i].isSection; ++i) {
        if (lines_[i].isKey && sameText(lines_[i].key, key)) {
            return i;
        }
    }
    return -1;
}

QByteArray IniFile::readString(const QByteArray& section, const QByteArray& key,
                               const QByteArray& defaultValue) const {
    return value(section, key).value_or(defaultValue);
}

std::optional<QByteArray> IniFile::value(const QByteArray& section, const QByteArray& key) const {
    const int s = findSection(section);
    const int k = s < 0 ? -1 : findKey(s, key);
    if (k < 0) {
        return std::nullopt;
    }
    const QByteArray& text = lines_[k].text;
    QByteArray value = trimBlanks(text.mid(text.indexOf('=') + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.mid(1, value.size() - 2);
    }
    cutValue(value);
    return value;
}

int IniFile::readInteger(const QByteArray& section, const QByteArray& key, int defaultValue) const {
    int value = 0;
    return parseInteger(readString(section, key, QByteArray()), value) ? value : defaultValue;
}

bool IniFile::readBool(const QByteArray& section, const QByteArray& key, bool defaultValue) const {
    return readInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void IniFile::writeString(const QByteArray& section, const QByteArray& key,
                          const QByteArray& value) {
    dirty_ = true;
    int s = findSection(section);
    if (s < 0) {
        if (!lines_.isEmpty() && !trimBlanks(lines_.back().text).isEmpty()) {
            lines_.append(parseLine(QByteArray()));
        }
        lines_.append(parseLine('[' + section + ']'));
        s = int(lines_.size()) - 1;
    }
    const int k = findKey(s, key);
    if (k >= 0) {
        // The key keeps its line and the spelling it has in the file.
        const QByteArray& text = lines_[k].text;
        lines_[k] = parseLine(trimBlanks(text.left(text.indexOf('='))) + '=' + value);
        return;
    }
    int last = s;
    for (int i = s + 1; i < lines_.size() && !lines_[i].isSection; ++i) {
        if (!trimBlanks(lines_[i].text).isEmpty()) {
            last = i;
        }
    }
    lines_.insert(last + 1, parseLine(key + '=' + value));
}

void IniFile::writeInteger(const QByteArray& section, const QByteArray& key, int value) {
    writeString(section, key, QByteArray::number(value));
}

void IniFile::writeBool(const QByteArray& section, const QByteArray& key, bool value) {
    writeString(section, key, value ? QByteArray("1") : QByteArray("0"));
}

void IniFile::updateFile() {
    if (!dirty_) {
        return;
    }
    TextLines texts;
    texts.reserve(lines_.size());
    for (const Line& line : lines_) {
        texts.append(line.text);
    }
    const QByteArray bom = hasBom_ ? QByteArray(kUtf8Bom) : QByteArray();
    const QByteArray data = bom + joinTextLines(texts);
    const WriteProblem problem = shared_ ? fileSystem().writeAtomicShared(path_, data)
                                         : fileSystem().writeAtomic(path_, data);
    if (problem != WriteProblem::None) {
        raiseUnableToWrite(path_, problem);
    }
    dirty_ = false;
}

}  // namespace platform
