// The CSV import without windows: each exporter's file by hand, then what
// the preview reports about duplicates and texts a vault cannot store.
#include <gtest/gtest.h>

#include <array>

#include "QtPrinters.h"
#include "core/CsvImport.h"
#include "core/StoredText.h"
#include "platform/CodePage.h"

using core::ImportFormat;

namespace {

struct FormatCase {
    ImportFormat format;
    const char* csv;
    QList<QByteArray> plain;  // the entries, as plain lines
    QList<QByteArray> newCategories;
    std::array<int, 3> counts;  // rows not logins, TOTP secrets, notes joined
};

// Each file: quoted commas and quotes, a note over two lines, an empty title
// (the link's host stands in, except in the program's own format), a group
// path where the format has one, a non-login row and a TOTP where they exist.
const FormatCase kFormats[] = {
    {ImportFormat::Chrome,
     "name,url,username,password,note\n"
     "\"Mail, work\",https://mail.example.com/login,bob,\"pa\"\"ss,1\",\"line one\nline two\"\n"
     ",https://shop.example.org/cart, alice ,secret,\n",
     {"Mail, work|bob|pa\"ss,1||https://mail.example.com/login|line one / line two|||",
      "shop.example.org| alice |secret||https://shop.example.org/cart||||"},
     {},
     {0, 0, 1}},
    {ImportFormat::Firefox,
     "\"url\",\"username\",\"password\",\"httpRealm\",\"formActionOrigin\",\"guid\","
     "\"timeCreated\",\"timeLastUsed\",\"timePasswordChanged\"\n"
     "\"forum.example.net/x\",\"carol\",\"a,b\"\"c\",,\"https://forum.example.net\",\"{1}\","
     "\"1\",\"2\",\"3\"\n",
     {"forum.example.net|carol|a,b\"c||forum.example.net/x||||"},
     {},
     {0, 0, 0}},
    {ImportFormat::Bitwarden,
     "folder,favorite,type,name,notes,fields,reprompt,login_uri,login_username,login_password,"
     "login_totp\n"
     "Work/Mail,1,login,\"Mail, \"\"main\"\"\",\"two\r\nlines\",,0,https://mail.example.com,"
     "bob,pw1,JBSWY3DPEHPK3PXP\n"
     ",,note,Secret note,text,,0,,,,\n"
     ",,card,Visa,,,0,,,,\n"
     ",,login,,,,0,https://bank.example.com/x,dave,pw2,\n",
     {"Mail, \"main\"|bob|pw1|Mail|https://mail.example.com|two / lines|||",
      "bank.example.com|dave|pw2||https://bank.example.com/x||||"},
     {"Mail"},
     {2, 1, 1}},
    {ImportFormat::KeePassXC,
     "\"Group\",\"Title\",\"Username\",\"Password\",\"URL\",\"Notes\",\"TOTP\",\"Icon\","
     "\"Last Modified\",\"Created\"\n"
     "\"Root/Internet/Shops\",\"Shop, big\",\"eve\",\"p\"\"w\",\"https://shop.example.com\","
     "\"a\nb\",\"otpauth://totp/x?secret=ABC\",\"0\",\"2024-01-01\",\"2024-01-01\"\n"
     "\"Root\",\"\",\"frank\",\"pw3\",\"https://ftp.example.org:21/\",\"\",\"\",\"0\",\"\",\"\"\n",
     {"Shop, big|eve|p\"w|Shops|https://shop.example.com|a / b|||",
      "ftp.example.org|frank|pw3|Root|https://ftp.example.org:21/||||"},
     {"Shops", "Root"},
     {0, 1, 1}},
    {ImportFormat::OnePassword,
     "Title,Url,Username,Password,OTPAuth,Favorite,Archived,Tags,Notes\n"
     "\"Git, hub\",https://github.com,gina,\"x\"\"y\",otpauth://totp/gh?secret=XYZ,false,false,"
     "dev,\"n1\nn2\"\n"
     ",https://wiki.example.org,hank,pw4,,false,false,,\n",
     {"Git, hub|gina|x\"y||https://github.com|n1 / n2|||",
      "wiki.example.org|hank|pw4||https://wiki.example.org||||"},
     {},
     {0, 1, 1}},
    {ImportFormat::LastPass,
     "url,username,password,totp,extra,name,grouping,fav\n"
     "https://mail.example.com,ivy,\"p,w\"\"1\",SECRET,\"x\ny\",\"Mail, private\","
     "Personal\\Mail,0\n"
     "http://sn,,,,\"Note body\",My note,Notes,0\n"
     "https://news.example.com,jack,pw5,,,,,0\n",
     {"Mail, private|ivy|p,w\"1|Mail|https://mail.example.com|x / y|||",
      "news.example.com|jack|pw5||https://news.example.com||||"},
     {"Mail"},
     {1, 1, 1}},
    {ImportFormat::Vorrel,
     "Title,Login,Password,Category,Link,Comments,PIN Code,Credit Card,Software Serial\n"
     "\"A, b\",u,\"p\"\"q\",Work/Team,http://a,\"c1\nc2\",1234,4000,SER\n"
     ",u2,p2,,http://z.example,,,,\n",
     {"A, b|u|p\"q|Work/Team|http://a|c1 / c2|1234|4000|SER", "|u2|p2||http://z.example||||"},
     {"Work/Team"},
     {0, 0, 1}},
};

QList<QByteArray> plainLines(const core::LineList& stored) {
    QList<QByteArray> plain;
    for (const QByteArray& line : stored) {
        plain << core::Scramble(line);
    }
    return plain;
}

core::LineList storedLines(const QList<QByteArray>& plain) {
    core::LineList stored;
    for (const QByteArray& line : plain) {
        stored << core::Scramble(line);
    }
    return stored;
}

class CsvImport : public ::testing::Test {
protected:
    void SetUp() override { platform::setStorageCodePage("windows-1252"); }
    void TearDown() override { platform::setStorageCodePage(QByteArray()); }

    // A compatible vault in windows-1252, and an encrypted one (UTF-8).
    const core::StorageRules compatible = core::storageRules(platform::Encoding::CodePage);
    const core::StorageRules utf8 = core::storageRules(platform::Encoding::Utf8);
};

}  // namespace

TEST_F(CsvImport, EveryExporterByItsHeaderWithCrLfAndByteOrderMarkAlike) {
    for (const FormatCase& c : kFormats) {
        const QString name = core::importFormatName(c.format);
        QByteArray crlf = QByteArray(c.csv).replace("\r\n", "\n").replace("\n", "\r\n");
        for (const QByteArray& file : {QByteArray(c.csv), "\xEF\xBB\xBF" + crlf}) {
            const core::ImportPlan plan = core::planImport(file, {}, {"Work"}, compatible);
            EXPECT_EQ(plan.format, c.format) << name.toStdString();
            EXPECT_EQ(plainLines(plan.lines), c.plain) << name.toStdString();
            EXPECT_EQ(plan.newCategories, c.newCategories) << name.toStdString();
            EXPECT_EQ((std::array<int, 3>{plan.notLogins, plan.totpLeftOut, plan.lineBreaks}),
                      c.counts)
                << name.toStdString();
            EXPECT_EQ(plan.duplicates, 0);
            EXPECT_TRUE(plan.unstorable.isEmpty());
        }
    }
}

TEST_F(CsvImport, UnknownHeaderNamesItsColumnsAndAddsNothing) {
    const core::ImportPlan plan =
        core::planImport("\xEF\xBB\xBFTitel, Benutzer ,Kennwort\na,b,c\n", {}, {}, compatible);
    EXPECT_EQ(plan.format, ImportFormat::Unknown);
    EXPECT_EQ(plan.columns, QStringList({"Titel", "Benutzer", "Kennwort"}));
    EXPECT_TRUE(plan.lines.isEmpty());
    EXPECT_EQ(core::planImport(QByteArray(), {}, {}, compatible).format, ImportFormat::Unknown);
    EXPECT_EQ(core::planImport("name,url,username,password,\n", {}, {}, compatible).format,
              ImportFormat::Chrome);
    // Chrome's columns and one more are no known export.
    EXPECT_EQ(
        core::planImport("name,url,username,password,note,extra\n", {}, {}, compatible).format,
        ImportFormat::Unknown);
}

TEST_F(CsvImport, DuplicatesAndTextsTheVaultCannotStoreAreSkippedAndNamed) {
    const core::LineList existing = storedLines({"Mail|bob|pw1|Work|||||", "short|x"});
    const QByteArray file =
        "name,url,username,password,note\n"
        "Mail,https://other.example.com,bob,pw1,\n"  // an entry already there
        "short,,x,,\n"                               // the same, from a line of two fields
        "New,,ann,pw,\n"
        "New,,ann,pw,\n"  // twice in the file: once
        "\xe9\x82\xae\xe7\xae\xb1,,li,pw,\n"
        "Caf\xc3\xa9,,zoe,pw,\n"
        "Pipe,,pat,a|b,\n";
    const core::ImportPlan plan = core::planImport(file, existing, {"Work"}, compatible);
    EXPECT_EQ(plan.duplicates, 3);
    EXPECT_EQ(plainLines(plan.lines),
              QList<QByteArray>({"New|ann|pw||||||", "Caf\xe9|zoe|pw||||||"}));
    ASSERT_EQ(plan.unstorable.size(), 2);
    EXPECT_EQ(plan.unstorable[0].title, QString::fromUtf8("邮箱"));
    EXPECT_EQ(plan.unstorable[0].character, QChar(0x90ae));
    EXPECT_EQ(plan.unstorable[1].title, QStringLiteral("Pipe"));
    EXPECT_EQ(plan.unstorable[1].character, QLatin1Char('|'));

    // An encrypted vault stores the Chinese title, in UTF-8; "|" still not.
    const core::ImportPlan encrypted = core::planImport(file, existing, {"Work"}, utf8);
    EXPECT_EQ(plainLines(encrypted.lines),
              QList<QByteArray>({"New|ann|pw||||||", "\xe9\x82\xae\xe7\xae\xb1|li|pw||||||",
                                 "Caf\xc3\xa9|zoe|pw||||||"}));
    ASSERT_EQ(encrypted.unstorable.size(), 1);
    EXPECT_EQ(encrypted.unstorable[0].character, QLatin1Char('|'));
}
