#include <QPushButton>
#include <QTreeWidget>

#include "AppFixture.h"
#include "FaultyFileSystem.h"
#include "export/ExportWriters.h"
#include "export/FormExport.h"
#include "mainwindow/EntryListModel.h"

using testing_support::AppFixture;
using testing_support::crlf;

class Export : public AppFixture {
protected:
    // Opens the export window, unchecks the given columns and presses Ok.
    void exportWith(std::initializer_list<int> unchecked = {}) {
        ui.answerModal([unchecked](QDialog* d) {
            auto* e = static_cast<TFormExport*>(d);
            for (int c : unchecked) {
                e->ListViewColumns->topLevelItem(c)->setCheckState(0, Qt::Unchecked);
            }
            click(e->ButtonOk);
        });
        form->ui.MExport->trigger();
    }
    static QByteArray header() {
        return "Title|Login|Password|Category|Link|Comments|PIN Code|Credit Card|Software "
               "Serial|\r\n";
    }
};

TEST_F(Export, ShowListsTheColumnCaptionsAllChecked) {
    openUser({});
    form->ui.ListModel->setColumnCaption(3, QStringLiteral("Group"));
    ui.answerModal([](QDialog* d) {
        auto* e = static_cast<TFormExport*>(d);
        ASSERT_EQ(e->ListViewColumns->topLevelItemCount(), 9);
        EXPECT_EQ(e->ListViewColumns->headerItem()->text(0), QStringLiteral("Columns"));
        for (int c = 0; c < 9; ++c) {
            EXPECT_EQ(e->ListViewColumns->topLevelItem(c)->checkState(0), Qt::Checked);
        }
        // The language reload at the command brought back the file's caption.
        EXPECT_EQ(e->ListViewColumns->topLevelItem(3)->text(0), QStringLiteral("Category"));
        e->ListViewColumns->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
        click(e->ButtonCancel);
    });
    form->ui.MExport->trigger();
    // Each showing starts again with every column chosen.
    ui.answerModal([](QDialog* d) {
        EXPECT_EQ(static_cast<TFormExport*>(d)->ListViewColumns->topLevelItem(0)->checkState(0),
                  Qt::Checked);
        d->reject();
    });
    form->ui.MExport->trigger();
    EXPECT_TRUE(ui.fileRequests.isEmpty());
}

TEST_F(Export, EmptyListGivesTheHeaderOnly) {
    openUser({});
    dir.mkdir(QStringLiteral("data"));
    ui.answerSaveFile(dir.path("data/out.txt"), 1);
    exportWith();
    ASSERT_EQ(ui.fileRequests.size(), 1);
    EXPECT_EQ(ui.fileRequests[0].initialDir, dir.path("data"));
    EXPECT_EQ(ui.fileRequests[0].fileName, QStringLiteral("Passwords.txt"));
    EXPECT_EQ(
        ui.fileRequests[0].filter,
        QStringLiteral("Text File (*.txt)|*.txt|HTML File (*.html)|*.html|CSV File (*.csv)|*.csv"));
    EXPECT_EQ(dir.read("data/out.txt"), header());
    ui.answerSaveFile(dir.path("data/out.csv"), 3);
    exportWith({0, 1});
    EXPECT_EQ(dir.read("data/out.csv"),
              QByteArray("\"Title\",\"Login\",\"Password\",\"Category\",\"Link\",\"Comments\","
                         "\"PIN Code\",\"Credit Card\",\"Software Serial\"\r\n"));
}

TEST_F(Export, HiddenPasswordsAreExportedInClearInDisplayOrder) {
    openUser({"b|u|pb|Work", "a|u|pa|Work", "c|u|pc|Home", "Mail|bob|p1|Work", "Mail|bobby|p2|Work",
              "x||px|Work"},
             {"Work", "Home"});
    clickNode(1);
    form->ListView1ColumnClick(0);
    form->ListView1ColumnClick(0);  // descending
    form->MHidePasswordsClick();
    ui.answerSaveFile(dir.path("out.txt"), 1);
    exportWith({3, 4, 5, 6, 7, 8});
    // Each row exports its own stored password: bob's is not bobby's, and a
    // row without a login has one too.
    EXPECT_EQ(dir.read("out.txt"), QByteArray("Title|Login|Password|\r\nx||px|\r\nMail|bob|p1|\r\n"
                                              "Mail|bobby|p2|\r\nb|u|pb|\r\na|u|pa|\r\n"));
    ui.answerSaveFile(dir.path("out.htm"), 2);
    exportWith({1, 3, 4, 5, 6, 7, 8});
    EXPECT_EQ(
        dir.read("out.htm"),
        QByteArray(
            "<html>\r\n<head>\r\n<meta charset=windows-1252>\r\n<title>Passwords of bob</title>\r\n"
            "</head>\r\n<body>\r\n<h2 align=center>Passwords of bob:</h2>\r\n"
            "<p><table bgcolor=silver cellpadding=4 cellspacing=1 width=100%>\r\n"
            "<tr><td>Title</td><td>Password</td></tr>\r\n"
            "<tr bgcolor=white><td>x</td><td>px</td></tr>\r\n"
            "<tr bgcolor=white><td>Mail</td><td>p1</td></tr>\r\n"
            "<tr bgcolor=white><td>Mail</td><td>p2</td></tr>\r\n"
            "<tr bgcolor=white><td>b</td><td>pb</td></tr>\r\n"
            "<tr bgcolor=white><td>a</td><td>pa</td></tr>\r\n"
            "</table>\r\n</body>\r\n</html>\r\n"));
}

TEST_F(Export, EveryRowExportsItsOwnNineCellsWhateverTheLengthsBeforeIt) {
    // Long rows shown before short ones, a line without "|", one with twelve
    // fields and accented letters: each row gives exactly its own cells.
    openUser(
        {"a1|a very long login that runs on|secret password|Work|https://example.org/"
         "a/long/link|comments that go on and on|1234|4000000000000000|SERIAL-XYZ",
         "b2|u|p", "c3", "caf\xe9|\xe9|\xe8|x|y|z|1|2|3|4|5|6"});
    ui.answerSaveFile(dir.path("out.txt"), 1);
    exportWith();
    EXPECT_EQ(dir.read("out.txt"),
              header() +
                  "|c3||||||||\r\n"
                  "a1|a very long login that runs on|secret password|Work|https://example.org/a/"
                  "long/link|comments that go on and on|1234|4000000000000000|SERIAL-XYZ|\r\n"
                  "b2|u|p|||||||\r\n"
                  "caf\xe9|\xe9|\xe8|x|y|z|1|2|3|\r\n");
}

TEST_F(Export, TitleUncheckedStartsEachLineWithTheNextField) {
    openUser({"a|u|p|c|l"});
    ui.answerSaveFile(dir.path("out.txt"), 1);
    exportWith({0, 2, 5, 6, 7, 8});
    EXPECT_EQ(dir.read("out.txt"), QByteArray("Login|Category|Link|\r\nu|c|l|\r\n"));
}

TEST_F(Export, TypeChangeRenamesTheExtensionAndTheLastTypeIsRemembered) {
    openUser({"a|u|p"});
    ui.answerSaveFile(dir.path("Passwords.htm"), 2, {2, 1, 2});
    exportWith();
    EXPECT_EQ(ui.typeChangeTexts, (QStringList{"Passwords.htm", "Passwords.txt", "Passwords.htm"}));
    EXPECT_TRUE(dir.read("Passwords.htm").startsWith("<html>\r\n"));
    // The next export proposes the HTML type and name.
    ui.answerSaveFile(std::nullopt);
    exportWith();
    EXPECT_EQ(ui.fileRequests.last().fileName, QStringLiteral("Passwords.htm"));
    EXPECT_EQ(ui.fileRequests.last().filterIndex, 2);
    EXPECT_EQ(TFormExport::SaveDialog1TypeChange(1, QStringLiteral("/d/my.list.htm")),
              QStringLiteral("/d/my.list.txt"));
    EXPECT_EQ(TFormExport::SaveDialog1TypeChange(2, QStringLiteral("/d.x/name")),
              QStringLiteral("/d.x/name.htm"));
    EXPECT_EQ(TFormExport::SaveDialog1TypeChange(3, QStringLiteral("list.txt")),
              QStringLiteral("list.csv"));
    EXPECT_EQ(TFormExport::SaveDialog1TypeChange(4, QStringLiteral("keep.me")),
              QStringLiteral("keep.me"));
}

TEST_F(Export, HtmlNameTypedByTheUserIsKept) {
    openUser({"a|u|p"});
    ui.answerSaveFile(dir.path("page.html"), 2);
    exportWith();
    EXPECT_TRUE(dir.exists(QStringLiteral("page.html")));
    EXPECT_FALSE(dir.exists(QStringLiteral("page.htm")));
}

TEST_F(Export, FileThatCannotBeCreatedIsReported) {
    openUser({"a|u|p"});
    ui.answerSaveFile(dir.path("nofolder/out.txt"), 1);
    exportWith();
    EXPECT_EQ(ui.errors(),
              QStringList{QStringLiteral("Cannot create file ") + dir.path("nofolder/out.txt")});
    EXPECT_FALSE(form->ui.FormExport->isVisible());
}

TEST_F(Export, CaptionsTheCodePageCannotCarryMakeTheWholeFileUtf8) {
    // Russian captions, windows-1252 storage: "é" is a stored byte of the code page.
    installLanguage(QStringLiteral("Russian"));
    openUser({"Caf\xe9|u|p"});
    form->ui.MLangRussian->trigger();
    ui.answerSaveFile(dir.path("out.txt"), 1);
    exportWith({3, 4, 5, 6, 7, 8});
    EXPECT_EQ(
        dir.read("out.txt"),
        "\xEF\xBB\xBF" + QString::fromUtf8("Название|Логин|Пароль|\r\nCafé|u|p|\r\n").toUtf8());
    ui.answerSaveFile(dir.path("out.htm"), 2);
    exportWith({1, 2, 3, 4, 5, 6, 7, 8});
    const QByteArray page = dir.read("out.htm");
    EXPECT_TRUE(page.contains("<meta charset=UTF-8>\r\n"));
    EXPECT_TRUE(page.contains(QString::fromUtf8("<tr><td>Название</td></tr>\r\n"
                                                "<tr bgcolor=white><td>Café</td></tr>\r\n")
                                  .toUtf8()));
    // Captions the code page carries keep the bytes as they always were,
    // unless the fields are stored as UTF-8 (an encrypted vault).
    form->ui.MLangEnglish->trigger();
    ui.answerSaveFile(dir.path("out.txt"), 1);
    exportWith({1, 2, 3, 4, 5, 6, 7, 8});
    EXPECT_EQ(dir.read("out.txt"), QByteArray("Title|\r\nCaf\xe9|\r\n"));
    const exporting::ExportEncoding utf8 =
        exporting::chooseExportEncoding({"Title"}, platform::Encoding::Utf8);
    EXPECT_TRUE(utf8.utf8);
    EXPECT_EQ(utf8.field("Caf\xC3\xA9"), QByteArray("Caf\xC3\xA9"));
}
