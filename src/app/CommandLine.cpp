#include "app/CommandLine.h"

#include <QCommandLineParser>
#include <QDir>
#include <cstdio>

#include "platform/Places.h"

namespace commandline {

namespace {

struct Parser {
    QCommandLineParser parser;
    QCommandLineOption data{QStringLiteral("data"), QString(), QStringLiteral("FOLDER")};
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")}};
    QCommandLineOption version{{QStringLiteral("v"), QStringLiteral("version")}};

    explicit Parser(const QStringList& arguments) {
        parser.addOptions({data, help, version});
        parser.parse(arguments);
    }
};

void print(FILE* to, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), to);
}

QString helpText(const QString& perUserFolder) {
    return QStringLiteral(
               "Usage: vorrel [--data FOLDER]\n"
               "\n"
               "Vorrel keeps the passwords of everyone who shares this computer,\n"
               "each behind their own login.\n"
               "\n"
               "  --data FOLDER  keep the settings, users/ and data/ in FOLDER\n"
               "  -h, --help     print this help and end\n"
               "  -v, --version  print the version and end\n"
               "\n"
               "Where the data is, by the first rule that applies:\n"
               "  1. the folder named by --data, else by the environment variable VORREL_DATA;\n"
               "  2. the program's own folder, when it already holds vorrel.ini, users/ or\n"
               "     data/ and can be written (the portable layout);\n"
               "  3. the person's own data folder, here %1\n")
        .arg(QDir::toNativeSeparators(perUserFolder));
}

}  // namespace

bool answeredAtOnce(const QStringList& arguments) {
    const Parser p(arguments);
    if (p.parser.isSet(p.help)) {
        print(stdout, helpText(platform::perUserDataFolder()));
        return true;
    }
    if (p.parser.isSet(p.version)) {
        print(stdout, QStringLiteral("vorrel " VORREL_VERSION "\n"));
        return true;
    }
    return false;
}

std::optional<QString> dataOption(const QStringList& arguments) {
    const Parser p(arguments);
    QString mistake = p.parser.errorText();
    if (mistake.isEmpty() && !p.parser.positionalArguments().isEmpty()) {
        mistake = QStringLiteral("Unexpected argument: ") + p.parser.positionalArguments().first();
    }
    if (!mistake.isEmpty()) {
        print(stderr, QStringLiteral("vorrel: ") + mistake +
                          QStringLiteral("\nTry 'vorrel --help' for more information.\n"));
        return std::nullopt;
    }
    return p.parser.value(p.data);
}

}  // namespace commandline
