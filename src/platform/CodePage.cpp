#include "platform/CodePage.h"

#include <QLocale>
#include <QStringDecoder>
#include <QStringEncoder>
#include <memory>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace platform {

QByteArray ansiCodePageForLocale(const QString& localeName) {
    const QString lang =
        localeName.section(QLatin1Char('_'), 0, 0).section(QLatin1Char('-'), 0, 0).toLower();
    const QString country = localeName.section(QLatin1Char('_'), 1, 1).left(2).toUpper();
    auto is = [&](std::initializer_list<const char*> names) {
        for (const char* n : names) {
            if (lang == QLatin1String(n)) {
                return true;
            }
        }
        return false;
    };
    if (is({"ru", "uk", "be", "bg", "mk", "sr", "kk", "ky", "tt", "mn", "ba"})) {
        return "windows-1251";
    }
    if (lang == QLatin1String("zh")) {
        return (country == QLatin1String("TW") || country == QLatin1String("HK") ||
                country == QLatin1String("MO"))
                   ? QByteArray("Big5")
                   : QByteArray("GBK");
    }
    if (is({"ja"})) {
        return "Shift_JIS";
    }
    if (is({"ko"})) {
        return "windows-949";
    }
    if (is({"pl", "cs", "sk", "hu", "sl", "hr", "ro", "sq", "bs"})) {
        return "windows-1250";
    }
    if (is({"el"})) {
        return "windows-1253";
    }
    if (is({"tr", "az"})) {
        return "windows-1254";
    }
    if (is({"he", "yi"})) {
        return "windows-1255";
    }
    if (is({"ar", "fa", "ur", "ps"})) {
        return "windows-1256";
    }
    if (is({"et", "lv", "lt"})) {
        return "windows-1257";
    }
    if (is({"vi"})) {
        return "windows-1258";
    }
    if (is({"th"})) {
        return "windows-874";
    }
    return "windows-1252";
}

namespace {

QByteArray systemCodePage() {
#ifdef Q_OS_WIN
    const UINT acp = GetACP();
    if (acp == 936) {
        return "GBK";
    }
    if (acp == 950) {
        return "Big5";
    }
    if (acp == 932) {
        return "Shift_JIS";
    }
    return "windows-" + QByteArray::number(uint(acp));
#else
    return ansiCodePageForLocale(QLocale::system().name());
#endif
}

QByteArray normalizedName(const QByteArray& name) {
    QByteArray n = name.trimmed();
    bool numeric = false;
    QByteArray digits = n;
    if (digits.toLower().startsWith("cp")) {
        digits = digits.mid(2);
    }
    const int number = digits.toInt(&numeric);
    if (numeric) {
        switch (number) {
            case 936:
                return "GBK";
            case 950:
                return "Big5";
            case 932:
                return "Shift_JIS";
            case 65001:
                return "UTF-8";
            default:
                return "windows-" + QByteArray::number(number);
        }
    }
    return n;
}

struct Converters {
    QByteArray name;
    QStringDecoder decoder;
    QStringEncoder encoder;

    explicit Converters(const QByteArray& n)
        : name(n),
          decoder(n.constData(), QStringConverter::Flag::Stateless),
          encoder(n.constData(), QStringConverter::Flag::Stateless) {}
    bool valid() const { return decoder.isValid() && encoder.isValid(); }
};

std::unique_ptr<Converters>& slot() {
    static std::unique_ptr<Converters> conv;
    return conv;
}

Converters& compatible() {
    std::unique_ptr<Converters>& conv = slot();
    if (!conv) {
        conv = std::make_unique<Converters>(systemCodePage());
        if (!conv->valid()) {
            conv = std::make_unique<Converters>("windows-1252");
        }
    }
    return *conv;
}

Converters& converters(Encoding encoding) {
    if (encoding == Encoding::Utf8) {
        static Converters utf8("UTF-8");
        return utf8;
    }
    return compatible();
}

std::optional<QChar> firstUnencodableIn(const QString& text, Converters& conv);

bool isAscii(const QByteArray& bytes) {
    for (char c : bytes) {
        if (uchar(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

bool isAscii(const QString& text) {
    for (QChar c : text) {
        if (c.unicode() >= 0x80) {
            return false;
        }
    }
    return true;
}

// ASCII reads the same in every code page: no converter is needed for it.
QString decodeWith(Converters& conv, const QByteArray& bytes) {
    return isAscii(bytes) ? QString::fromLatin1(bytes) : QString(conv.decoder.decode(bytes));
}

QByteArray encodeWith(Converters& conv, const QString& text) {
    return isAscii(text) ? text.toLatin1() : QByteArray(conv.encoder.encode(text));
}

}  // namespace

bool setStorageCodePage(const QByteArray& overrideName) {
    const QByteArray wanted =
        overrideName.trimmed().isEmpty() ? systemCodePage() : normalizedName(overrideName);
    auto candidate = std::make_unique<Converters>(wanted);
    if (!candidate->valid()) {
        compatible();
        return false;
    }
    slot() = std::move(candidate);
    return true;
}

QByteArray encodingName(Encoding encoding) {
    return converters(encoding).name;
}

QString toUi(const QByteArray& bytes, Encoding encoding) {
    return decodeWith(converters(encoding), bytes);
}

QByteArray fromUi(const QString& text, Encoding encoding) {
    return encodeWith(converters(encoding), text);
}

std::optional<QChar> firstUnencodable(const QString& text, Encoding encoding) {
    return firstUnencodableIn(text, converters(encoding));
}

namespace {

std::optional<QChar> firstUnencodableIn(const QString& text, Converters& conv) {
    if (isAscii(text)) {
        return std::nullopt;
    }
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype n = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString one = text.mid(i, n);
        QStringEncoder encoder(conv.name.constData());
        const QByteArray bytes = encoder.encode(one);
        QStringDecoder decoder(conv.name.constData());
        if (encoder.hasError() || QString(decoder.decode(bytes)) != one) {
            return text.at(i);
        }
        i += n - 1;
    }
    return std::nullopt;
}

}  // namespace

QString decodeSettingText(const QByteArray& bytes) {
    if (isAscii(bytes)) {
        return QString::fromLatin1(bytes);
    }
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError()) {
        return text;
    }
    // Settings and language files belong to the system, not to a vault.
    return toUi(bytes, Encoding::CodePage);
}

QByteArray encodeSettingText(const QString& text) {
    if (!firstUnencodable(text, Encoding::CodePage)) {
        // Unless the bytes happen to be valid UTF-8 ("Ã©" in windows-1252 is
        // "é" in UTF-8): then they would read back as another text.
        QByteArray bytes = fromUi(text, Encoding::CodePage);
        if (decodeSettingText(bytes) == text) {
            return bytes;
        }
    }
    return text.toUtf8();
}

}  // namespace platform
