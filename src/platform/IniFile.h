#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace platform {

// An INI file with the rules of the platform's private-profile files:
// - a missing file, section or key reads as the default;
// - section names and keys are found without regard to ASCII letter case;
// - a leading UTF-8 byte-order mark is skipped (and kept when writing);
// - blanks around keys and values are dropped, and one pair of enclosing
//   quotes is removed from a value; values are cut at 2047 bytes, in UTF-8
//   text before the character that would be split;
// - integers are decimal, "0x" or "$" hexadecimal, with an optional sign;
//   anything else reads as the default; booleans are integers <> 0;
// - a key written again keeps its line; a new key goes after the last line of
//   its section; a new section goes to the end of the file.
// Writes collect in memory and reach the disk, replaced in one piece, with
// updateFile(); a failure raises "Unable to write to %s".
class IniFile {
public:
    explicit IniFile(const QString& path);

    const QString& path() const { return path_; }

    // The value when the key is present; nothing when it is missing.
    std::optional<QByteArray> value(const QByteArray& section, const QByteArray& key) const;
    QByteArray readString(const QByteArray& section, const QByteArray& key,
                          const QByteArray& defaultValue) const;
    int readInteger(const QByteArray& section, const QByteArray& key, int defaultValue) const;
    bool readBool(const QByteArray& section, const QByteArray& key, bool defaultValue) const;

    void writeString(const QByteArray& section, const QByteArray& key, const QByteArray& value);
    void writeInteger(const QByteArray& section, const QByteArray& key, int value);
    void writeBool(const QByteArray& section, const QByteArray& key, bool value);

    void updateFile();
    // Written with the default mode instead of for its owner only: for the
    // program settings file, which every account reads and replaces.
    void setShared(bool shared) { shared_ = shared; }

    static constexpr int kMaxValueBytes = 2047;

private:
    struct Line {
        QByteArray text;
        QByteArray section;  // for a section line, its name
        QByteArray key;      // for a key line, its key
        bool isSection = false;
        bool isKey = false;
    };

    static Line parseLine(const QByteArray& text);
    int findSection(const QByteArray& section) const;
    int findKey(int sectionLine, const QByteArray& key) const;

    QString path_;
    QList<Line> lines_;
    bool dirty_ = false;
    bool hasBom_ = false;
    bool shared_ = false;
};

// Integer reading shared with the colour conversion: decimal, "$" or "0x"
// hexadecimal, optional sign; false when the text is not a number.
bool parseInteger(const QByteArray& text, int& value);

}  // namespace platform
