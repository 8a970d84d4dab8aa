// List > Import... through the main window: the preview, Cancel, the import
// itself, the round trip through the CSV export, and an encrypted user.
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <algorithm>

#include "AppFixture.h"
#include "core/VaultCrypto.h"
#include "export/FormExport.h"
#include "mainwindow/EntryListModel.h"
#include "mainwindow/ImportPreview.h"

using testing_support::AppFixture;

namespace {

// A LastPass file: a duplicate of bob's entry, a Chinese title, an entry
// with a TOTP, a two-line note and a group path, and a secure note.
const QByteArray kLastPass =
    "url,username,password,totp,extra,name,grouping,fav\n"
    "https://mail.example.com,bob,pw1,,,Mail,Work,0\n"
    "https://qq.example.com,li,pw2,,,\xe9\x82\xae\xe7\xae\xb1,Chat,0\n"
    "https://shop.example.com,ann,pw3,SECRET,\"a\nb\",Shop,Stores\\Online,0\n"
    "http://sn,,,,secret note,Note,,0\n";

}  // namespace

class ImportWindow : public AppFixture {
protected:
    void TearDown() override {
        AppFixture::TearDown();
        core::crypto::setNewFileKdfParams(std::nullopt);
    }
    // Chooses the file, and in the preview the button (nullptr: none is
    // shown); what the preview said is kept.
    void import(const QString& file, bool ok) {
        ui.answerOpenFile(dir.path(file));
        ui.answerModal([this, ok](QDialog* d) {
            ASSERT_EQ(d->objectName(), QStringLiteral("FormImport"));
            auto* preview = static_cast<TFormImport*>(d);
            summary = preview->LabelSummary->text();
            details = preview->MemoDetails->toPlainText();
            click(ok ? preview->ButtonOk : preview->ButtonCancel);
        });
        form->ui.MImport->trigger();
    }
    QString summary;
    QString details;
};

TEST_F(ImportWindow, PreviewNamesEveryChangeCancelKeepsAllImportAddsAndWrites) {
    openUser({"Mail|bob|pw1|Work|||||"}, {"Work"});
    dir.write(QStringLiteral("in.csv"), kLastPass);
    dir.write(QStringLiteral("other.csv"), "Titel,Benutzer\nx,y\n");
    const auto before = dir.snapshot();

    ui.answerOpenFile(dir.path("other.csv"));
    form->ui.MImport->trigger();
    EXPECT_EQ(ui.messages(), QStringList{QStringLiteral(
                                 "The first row of the file names no format Vorrel can import. "
                                 "Columns found: Titel, Benutzer")});

    import(QStringLiteral("in.csv"), false);
    EXPECT_EQ(summary, QStringLiteral("Format: LastPass. Entries to import: 1."));
    EXPECT_EQ(details, QString::fromUtf8("Categories to create: Online\n"
                                         "Duplicates of existing entries, skipped: 1\n"
                                         "Entries your vault cannot store, skipped: 1\n"
                                         "    邮箱: the character \"邮\" (U+90AE)\n"
                                         "Notes whose line breaks became \" / \": 1\n"
                                         "TOTP secrets left out: 1\n"
                                         "Rows that are not logins, skipped: 1"));
    EXPECT_EQ(dir.snapshot(), before);
    EXPECT_EQ(form->session().entries().size(), 1);
    EXPECT_EQ(form->session().categories().size(), 1);

    import(QStringLiteral("in.csv"), true);
    EXPECT_EQ(ui.fileRequests[0].filter,
              QStringLiteral("CSV Files (*.csv)|*.csv|All Files (*.*)|*.*"));
    EXPECT_EQ(ui.fileRequests[0].initialDir, dir.path("data"));
    EXPECT_EQ(ui.fileRequests[2].fileName, dir.path("in.csv"));  // the name chosen last
    EXPECT_EQ(vaultPlain(QStringLiteral("bob")),
              (QList<QByteArray>{"Mail|bob|pw1|Work|||||",
                                 "Shop|ann|pw3|Online|https://shop.example.com|a / b|||"}));
    EXPECT_EQ(dir.read("users/bob/categories.dat"), QByteArray("Work\r\nOnline\r\n"));
    EXPECT_EQ(form->ui.ListModel->rowCount(), 2);
    EXPECT_TRUE(form->CategoryNode(2)->text(0).startsWith(QStringLiteral("Online (1)")));
    EXPECT_TRUE(ui.unexpected.isEmpty());
}

TEST_F(ImportWindow, CsvExportWithHiddenPasswordsImportsIntoAnEmptyUserAsTheSameEntries) {
    const QList<QByteArray> entries = {
        "Caf\xe9, \"bar\"|bob|pw 1|Work|http://a.example|note, with comma|1234|4000 1234|SN-1",
        "Mail|ann|pw2|Home|||||"};
    openUser(entries, {"Work", "Home"});
    form->MHidePasswordsClick();
    dir.mkdir(QStringLiteral("data"));
    ui.answerModal([](QDialog* d) { click(static_cast<TFormExport*>(d)->ButtonOk); });
    ui.answerSaveFile(dir.path("data/Passwords.csv"), 3, {1, 3});
    form->ui.MExport->trigger();
    EXPECT_EQ(ui.typeChangeTexts, (QStringList{"Passwords.txt", "Passwords.csv"}));
    const QByteArray csv = dir.read("data/Passwords.csv");
    EXPECT_TRUE(
        csv.startsWith("\"Title\",\"Login\",\"Password\",\"Category\",\"Link\",\"Comments\","
                       "\"PIN Code\",\"Credit Card\",\"Software Serial\"\r\n"));
    EXPECT_TRUE(csv.contains("\"Caf\xc3\xa9, \"\"bar\"\"\",\"bob\",\"pw 1\""));
#ifdef Q_OS_UNIX
    EXPECT_EQ(QFile::permissions(dir.path("data/Passwords.csv")),
              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
#endif

    ASSERT_TRUE(closeMain());
    form.reset();
    dir.makeUser(QStringLiteral("eve"), "pass");
    loginAs(QStringLiteral("eve"), QStringLiteral("pass"));
    import(QStringLiteral("data/Passwords.csv"), true);
    EXPECT_EQ(summary, QStringLiteral("Format: Vorrel. Entries to import: 2."));
    QList<QByteArray> imported = vaultPlain(QStringLiteral("eve"));
    std::sort(imported.begin(), imported.end());
    EXPECT_EQ(imported, entries);
    EXPECT_EQ(form->session().categories().size(), 2);
}

TEST_F(ImportWindow, EncryptedUserStoresTheChineseTitleTheCompatibleOneCannot) {
    core::crypto::setNewFileKdfParams(core::crypto::KdfParams{1, 8192});
    openUser({"Mail|bob|pw1|Work|||||"}, {"Work"});
    encryptVault(QStringLiteral("one passphrase"));
    dir.write(QStringLiteral("in.csv"), kLastPass);
    import(QStringLiteral("in.csv"), true);
    EXPECT_EQ(summary, QStringLiteral("Format: LastPass. Entries to import: 2."));
    EXPECT_FALSE(details.contains(QStringLiteral("cannot store")));
    EXPECT_TRUE(column(0).contains(QString::fromUtf8("邮箱")));
    EXPECT_EQ(form->session().categories(), (core::LineList{"Work", "Chat", "Online"}));
    EXPECT_TRUE(core::crypto::isContainer(dir.read("users/bob/passwords.dat")));
}
