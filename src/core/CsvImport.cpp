#include "core/CsvImport.h"
#include "core/StoredText.h"
#include "core/VaultCrypto.h"
#include "platform/TextList.h"

#include <csv.h>
#include <sodium.h>

#include <QHash>
#include <QSet>
#include <QUrl>
#include <array>
#include <vector>

namespace core {

StorageRules storageRules(platform::Encoding encoding) {
    return {[encoding](const QString& text) { return forbiddenStoredCharacter(text, encoding); },
            [encoding](const QString& text) { return platform::fromUi(text, encoding); }};
}

namespace {

// The columns an entry is built from, by position in the row; -1: absent.
struct Mapping {
    int title = -1;
    int login = -1;
    int password = -1;
    int category = -1;
    int link = -1;
    int notes = -1;
    int totp = -1;
    int kind = -1;  // Bitwarden's type
    int pin = -1;
    int card = -1;
    int serial = -1;
};

struct FormatColumns {
    ImportFormat format;
    std::vector<const char*> required;
    std::vector<const char*> optional;  // seen in some versions of the exporter
};

// Header names compared without case: the exporters differ only in that.
const std::vector<FormatColumns>& knownFormats() {
    static const std::vector<FormatColumns> formats = {
        {ImportFormat::Chrome, {"name", "url", "username", "password"}, {"note"}},
        {ImportFormat::Firefox,
         {"url", "username", "password", "httprealm", "formactionorigin", "guid", "timecreated",
          "timelastused", "timepasswordchanged"},
         {}},
        {ImportFormat::Bitwarden,
         {"folder", "favorite", "type", "name", "notes", "fields", "reprompt", "login_uri",
          "login_username", "login_password", "login_totp"},
         {"collections"}},
        {ImportFormat::KeePassXC,
         {"group", "title", "username", "password", "url", "notes"},
         {"totp", "icon", "last modified", "created"}},
        {ImportFormat::OnePassword,
         {"title", "url", "username", "password", "otpauth", "favorite", "archived", "tags",
          "notes"},
         {}},
        {ImportFormat::LastPass,
         {"url", "username", "password", "extra", "name", "grouping", "fav"},
         {"totp"}},
        {ImportFormat::Vorrel,
         {"title", "login", "password", "category", "link", "comments", "pin code", "credit card",
          "software serial"},
         {}},
    };
    return formats;
}

// A format fits when the header has all its columns and none it lacks.
ImportFormat recognise(const QHash<QString, int>& names) {
    for (const FormatColumns& f : knownFormats()) {
        bool fits = true;
        for (const char* c : f.required) {
            fits = fits && names.contains(QLatin1String(c));
        }
        for (auto it = names.cbegin(); fits && it != names.cend(); ++it) {
            const auto known = [&](const std::vector<const char*>& list) {
                for (const char* c : list) {
                    if (it.key() == QLatin1String(c)) {
                        return true;
                    }
                }
                return false;
            };
            fits = known(f.required) || known(f.optional);
        }
        if (fits) {
            return f.format;
        }
    }
    return ImportFormat::Unknown;
}

Mapping mappingFor(ImportFormat format, const QHash<QString, int>& names) {
    const auto at = [&names](const char* name) { return names.value(QLatin1String(name), -1); };
    Mapping m;
    switch (format) {
        case ImportFormat::Chrome:
            m = {at("name"), at("username"), at("password"), -1, at("url"), at("note")};
            break;
        case ImportFormat::Firefox:
            m = {-1, at("username"), at("password"), -1, at("url")};
            break;
        case ImportFormat::Bitwarden:
            m = {at("name"),      at("login_username"), at("login_password"), at("folder"),
                 at("login_uri"), at("notes"),          at("login_totp"),     at("type")};
            break;
        case ImportFormat::KeePassXC:
            m = {at("title"), at("username"), at("password"), at("group"),
                 at("url"),   at("notes"),    at("totp")};
            break;
        case ImportFormat::OnePassword:
            m = {at("title"), at("username"), at("password"), -1,
                 at("url"),   at("notes"),    at("otpauth")};
            break;
        case ImportFormat::LastPass:
            m = {at("name"), at("username"), at("password"), at("grouping"),
                 at("url"),  at("extra"),    at("totp")};
            break;
        case ImportFormat::Vorrel:
            m = {at("title"),    at("login"), at("password"),
                 at("category"), at("link"),  at("comments")};
            m.pin = at("pin code");
            m.card = at("credit card");
            m.serial = at("software serial");
            break;
        case ImportFormat::Unknown:
            break;
    }
    return m;
}

// The rows as libcsv hands them over, one vector of fields each.
class RowReader {
public:
    explicit RowReader(std::function<void(std::vector<QByteArray>&)> onRow)
        : onRow_(std::move(onRow)) {}

    void parse(const QByteArray& bytes) {
        csv_parser parser;
        if (csv_init(&parser, 0) != 0) {
            return;
        }
        // Blanks around an unquoted field are part of it: a password may
        // begin or end with one.
        csv_set_space_func(&parser, [](unsigned char) { return 0; });
        csv_parse(&parser, bytes.constData(), size_t(bytes.size()), &RowReader::field,
                  &RowReader::rowEnd, this);
        csv_fini(&parser, &RowReader::field, &RowReader::rowEnd, this);
        // Its buffer holds the last field read, which may be a password.
        if (parser.entry_buf) {
            sodium_memzero(parser.entry_buf, parser.entry_size);
        }
        csv_free(&parser);
    }

private:
    static void field(void* data, size_t size, void* self) {
        static_cast<RowReader*>(self)->row_.emplace_back(static_cast<const char*>(data),
                                                         qsizetype(size));
    }
    static void rowEnd(int, void* self) {
        auto* reader = static_cast<RowReader*>(self);
        reader->onRow_(reader->row_);
        for (QByteArray& f : reader->row_) {
            crypto::wipe(f);  // the file's passwords, in clear
        }
        reader->row_.clear();
    }

    std::function<void(std::vector<QByteArray>&)> onRow_;
    std::vector<QByteArray> row_;
};

// The rules asked once per character, not once per text: a large file holds
// few distinct characters, and a code page's check of one is costly.
class Storability {
public:
    explicit Storability(const StorageRules& rules) : rules_(rules) {}

    std::optional<QChar> firstForbidden(const QString& text) {
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar c = text.at(i);
            if (c.unicode() >= 0x20 && c.unicode() <= 0x7e && c != QLatin1Char('|')) {
                continue;
            }
            const bool pair =
                c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
            const char32_t key = pair ? QChar::surrogateToUcs4(c, text.at(i + 1)) : c.unicode();
            auto found = verdicts_.constFind(key);
            if (found == verdicts_.cend()) {
                found = verdicts_.insert(key, rules_.forbidden(text.mid(i, pair ? 2 : 1)));
            }
            if (*found) {
                return found.value();
            }
            i += pair ? 1 : 0;
        }
        return std::nullopt;
    }

private:
    const StorageRules& rules_;
    QHash<char32_t, std::optional<QChar>> verdicts_;
};

// The fields are worked on as the file's UTF-8 bytes: the separators and
// line breaks looked for are ASCII, and most fields are nothing else.
bool plainAscii(const QByteArray& utf8) {
    for (char c : utf8) {
        if (uchar(c) < 0x20 || uchar(c) > 0x7e || c == '|') {
            return false;
        }
    }
    return true;
}

// The last part of a group path: "Root/Internet/Mail" is "Mail".
QByteArray lastGroup(const QByteArray& path) {
    const qsizetype cut = std::max(path.lastIndexOf('/'), path.lastIndexOf('\\'));
    return path.mid(cut + 1).trimmed();
}

QByteArray hostOf(const QByteArray& link) {
    const QString trimmed = QString::fromUtf8(link).trimmed();
    if (trimmed.isEmpty()) {
        return QByteArray();
    }
    QString host = QUrl(trimmed).host();
    if (host.isEmpty()) {
        host = QUrl(QStringLiteral("http://") + trimmed).host();
    }
    return host.toUtf8();
}

// CR LF, CR or LF each become " / "; returns whether there was any.
bool joinLines(QByteArray& text) {
    if (!text.contains('\n') && !text.contains('\r')) {
        return false;
    }
    text.replace("\r\n", "\n");
    text.replace('\r', '\n');
    text.replace("\n", " / ");
    return true;
}

// Title, login and password of a stored line, still scrambled.
QByteArray duplicateKey(const QByteArray& storedLine) {
    constexpr char kSeparator = char('|' ^ kScrambleKey);
    const FieldSpans s = splitSpans(storedLine.constData(), storedLine.size(), kSeparator);
    QByteArray key;
    for (int f : {Title, Login, Password}) {
        key.append(storedLine.constData() + s.start[size_t(f)], s.length[size_t(f)]);
        key.append(kSeparator);
    }
    return key;
}

class Planner {
public:
    // The keys hold every password: overwritten before they are freed.
    ~Planner() {
        for (const QByteArray& key : std::as_const(known_)) {
            crypto::wipeInPlace(key);
        }
    }
    Planner(const LineList& storedLines, const LineList& categories, const StorageRules& rules)
        : rules_(rules), storability_(rules) {
        known_.reserve(storedLines.size());
        for (const QByteArray& line : storedLines) {
            known_.insert(duplicateKey(line));
        }
        for (const QByteArray& name : categories) {
            categories_.insert(name);
        }
    }

    void row(std::vector<QByteArray>& fields) {
        if (!header_) {
            header_ = true;
            header(fields);
            return;
        }
        if (plan.format == ImportFormat::Unknown) {
            return;
        }
        bool blank = true;
        for (const QByteArray& f : fields) {
            blank = blank && f.isEmpty();
        }
        if (!blank) {
            entry(fields);
        }
    }

    ImportPlan plan;

private:
    void header(const std::vector<QByteArray>& fields) {
        QHash<QString, int> names;
        for (int i = 0; i < int(fields.size()); ++i) {
            const QString name = QString::fromUtf8(fields[size_t(i)]).trimmed();
            plan.columns << name;
            // A trailing comma names no column.
            if (!name.isEmpty() && !names.contains(name.toLower())) {
                names.insert(name.toLower(), i);
            }
        }
        plan.format = recognise(names);
        map_ = mappingFor(plan.format, names);
    }

    static QByteArray at(const std::vector<QByteArray>& fields, int column) {
        return column >= 0 && size_t(column) < fields.size() ? fields[size_t(column)]
                                                             : QByteArray();
    }

    void entry(const std::vector<QByteArray>& fields) {
        const auto field = [&fields](int column) { return at(fields, column); };
        if (plan.format == ImportFormat::Bitwarden &&
            field(map_.kind).trimmed().toLower() != "login") {
            ++plan.notLogins;
            return;
        }
        std::array<QByteArray, kFieldCount> e;  // UTF-8
        e[Link] = field(map_.link);
        if (plan.format == ImportFormat::LastPass && e[Link].trimmed() == "http://sn") {
            ++plan.notLogins;  // a secure note
            return;
        }
        if (!field(map_.totp).trimmed().isEmpty()) {
            ++plan.totpLeftOut;
        }
        e[Title] = field(map_.title);
        e[Login] = field(map_.login);
        e[Password] = field(map_.password);
        e[Comments] = field(map_.notes);
        if (plan.format == ImportFormat::Vorrel) {
            e[Category] = field(map_.category);
            e[PinCode] = field(map_.pin);
            e[CreditCard] = field(map_.card);
            e[SoftwareSerial] = field(map_.serial);
        } else {
            e[Category] = lastGroup(field(map_.category));
            if (e[Title].isEmpty()) {
                e[Title] = hostOf(e[Link]);
            }
        }
        const bool joined = joinLines(e[Comments]);

        PasswordEntry stored;
        for (int f = 0; f < kFieldCount; ++f) {
            if (plainAscii(e[size_t(f)])) {
                stored[f] = e[size_t(f)];
                continue;
            }
            const QString text = QString::fromUtf8(e[size_t(f)]);
            if (const std::optional<QChar> bad = storability_.firstForbidden(text)) {
                const QByteArray& name = !e[Title].isEmpty()   ? e[Title]
                                         : !e[Login].isEmpty() ? e[Login]
                                                               : e[Link];
                plan.unstorable.append({QString::fromUtf8(name), *bad});
                return;
            }
            stored[f] = rules_.encode(text);
        }
        QByteArray line = EncodeRecord(stored);
        QByteArray key = duplicateKey(line);
        if (known_.contains(key)) {
            ++plan.duplicates;
            return;
        }
        known_.insert(std::move(key));
        if (joined) {
            ++plan.lineBreaks;
        }
        const QByteArray& category = stored[Category];
        if (!category.isEmpty() && !categories_.contains(category)) {
            categories_.insert(category);
            plan.newCategories.append(category);
            plan.newCategoryNames.append(QString::fromUtf8(e[Category]));
        }
        plan.lines.append(std::move(line));
    }

    const StorageRules& rules_;
    Storability storability_;
    QSet<QByteArray> known_;
    QSet<QByteArray> categories_;
    bool header_ = false;
    Mapping map_;
};

}  // namespace

QString importFormatName(ImportFormat format) {
    switch (format) {
        case ImportFormat::Chrome:
            return QStringLiteral("Chrome, Chromium, Edge or Brave");
        case ImportFormat::Firefox:
            return QStringLiteral("Firefox");
        case ImportFormat::Bitwarden:
            return QStringLiteral("Bitwarden");
        case ImportFormat::KeePassXC:
            return QStringLiteral("KeePassXC");
        case ImportFormat::OnePassword:
            return QStringLiteral("1Password");
        case ImportFormat::LastPass:
            return QStringLiteral("LastPass");
        case ImportFormat::Vorrel:
            return QStringLiteral("Vorrel");
        case ImportFormat::Unknown:
            break;
    }
    return QString();
}

QStringList vorrelCsvColumns() {
    return {QStringLiteral("Title"),          QStringLiteral("Login"),
            QStringLiteral("Password"),       QStringLiteral("Category"),
            QStringLiteral("Link"),           QStringLiteral("Comments"),
            QStringLiteral("PIN Code"),       QStringLiteral("Credit Card"),
            QStringLiteral("Software Serial")};
}

ImportPlan planImport(const QByteArray& file, const LineList& storedLines,
                      const LineList& categories, const StorageRules& rules) {
    Planner planner(storedLines, categories, rules);
    RowReader reader([&planner](std::vector<QByteArray>& fields) { planner.row(fields); });
    reader.parse(platform::withoutUtf8Bom(file));
    return std::move(planner.plan);
}

}  // namespace core
