#include <QAction>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTreeWidget>

#include "AppFixture.h"
#include "about/AboutBox.h"
#include "accounts/FormLogin.h"
#include "export/FormExport.h"
#include "mainwindow/EntryDialogs.h"
#include "mainwindow/EntryListModel.h"
#include "platform/CodePage.h"
#include "platform/IniFile.h"
#include "platform/TextList.h"

using testing_support::AppFixture;

namespace {

// The keys in the order they are read.
QStringList expectedKeys() {
    QStringList k{"OpenDialog1->Filter", "SaveDialog1->Filter"};
    for (int c = 0; c < 9; ++c) {
        k << QStringLiteral("ListView1->Column[%1]->Caption").arg(c);
    }
    k << "StatusBar1->Panels->Items[0]->Text"
      << "StatusBar1->Panels->Items[1]->Text"
      << "LabelSearch->Caption";
    for (const char* n :
         {"PMCatNew",    "PMCatRename",    "PMCatDelete",  "PMTrayAdd",    "PMAdd",
          "PMEdit",      "PMDelete",       "PMUnlock",     "PMTrayExit",   "PMCopyToClipboard",
          "PMCopyLogin", "PMCopyPassword", "PMCopyLink",   "PMOpenUrl",    "MFile",
          "MChangePass", "MCreateKeyFile", "MCategory",    "MCatNew",      "MCatRename",
          "MCatDelete",  "MData",          "MList",        "MRestore",     "MExport",
          "MOptions",    "MLanguage",      "MLangEnglish", "MLangRussian", "MLangSChinese",
          "MFont",       "MHidePasswords", "MLock",        "MHelp",        "MAboutProgram",
          "AAdd",        "AEdit",          "ADelete",      "ASave",        "ALoad",
          "AClear"}) {
        k << QString::fromLatin1(n) + QStringLiteral("->Caption");
    }
    for (const char* n : {"Passwords", "Categories", "DeleteAsk", "DeleteTitle", "SelectField",
                          "ChangeAccountPassword", "NewPassword", "EnterCorrectPassword",
                          "AllPasswords", "NewCategory", "InputTitle", "ChangeCategory", "Unlock",
                          "InputPassword", "WrongPassword", "KeyFileNotFound", "WrongKeyFile"}) {
        k << QStringLiteral("String") + QString::fromLatin1(n);
    }
    k << "FormLogin->Caption";
    for (const char* n : {"ButtonLogin", "ButtonNewUser", "ButtonExit", "GroupBoxLogin",
                          "LabelLogin", "LabelPassword", "LabelInfo", "LabelInfo2"}) {
        k << QStringLiteral("FormLogin->") + QString::fromLatin1(n) + QStringLiteral("->Caption");
    }
    for (const char* n :
         {"User", "Exists", "NotExists", "EnterLogin", "EnterPassword", "WrongPassword"}) {
        k << QStringLiteral("FormLogin->String") + QString::fromLatin1(n);
    }
    k << "FormAdd->Caption";
    for (const char* n :
         {"GroupBoxAdd", "LabelName", "LabelLogin", "LabelPassword", "LabelUrl", "LabelCat",
          "LabelComments", "LabelPin", "LabelCreditCard", "LabelSoftwareSerial", "ButtonOk",
          "ButtonCancel", "ButtonPassGen", "ButtonNewCat"}) {
        k << QStringLiteral("FormAdd->") + QString::fromLatin1(n) + QStringLiteral("->Caption");
    }
    for (const char* n :
         {"EnterName", "EnterLogin", "EnterPassword", "NewCategory", "EnterCatTitle"}) {
        k << QStringLiteral("FormAdd->String") + QString::fromLatin1(n);
    }
    k << "FormEdit->Caption";
    for (const char* n : {"GroupBoxEdit", "LabelName", "LabelLogin", "LabelPassword", "LabelUrl",
                          "LabelCat", "LabelComments", "LabelPin", "LabelCreditCard",
                          "LabelSoftwareSerial", "ButtonPassGen", "ButtonNewCat"}) {
        k << QStringLiteral("FormEdit->") + QString::fromLatin1(n) + QStringLiteral("->Caption");
    }
    for (const char* n : {"EnterName", "EnterLogin", "EnterPassword"}) {
        k << QStringLiteral("FormEdit->String") + QString::fromLatin1(n);
    }
    k << "FormExport->Caption"
      << "FormExport->ButtonCancel->Caption"
      << "FormExport->ListViewColumns->Column[0]->Caption"
      << "FormExport->SaveDialog1->Filter"
      << "AboutBox->Caption"
      << "AboutBox->LabelAbout->Caption"
      << "AboutBox->LabelAuthor->Caption"
      << "AboutBox->LabelSite->Caption";
    return k;
}

// The keys of one section of a shipped file, in file order.
QStringList fileKeys(const QString& name, const QByteArray& section) {
    QFile f(testing_support::sourcePath(QStringLiteral("language/") + name));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    QStringList keys;
    bool inSection = false;
    for (const QByteArray& line : platform::parseTextLines(f.readAll())) {
        if (line.startsWith('[')) {
            inSection = line == '[' + section + ']';
        } else if (inSection && line.contains('=')) {
            keys << QString::fromUtf8(line.left(line.indexOf('=')));
        }
    }
    return keys;
}

}  // namespace

class Language : public AppFixture {};

TEST_F(Language, TheCodeReadsExactlyThe131KeysInOrder) {
    openUser({});
    QStringList keys;
    for (const TForm1::LanguageTarget& t : form->LanguageTargets()) {
        keys << QString::fromLatin1(t.key);
    }
    EXPECT_EQ(expectedKeys().size(), 131);
    EXPECT_EQ(keys, expectedKeys());
}

TEST_F(Language, EveryShippedFileHoldsThe131KeysWithTexts) {
    for (const char* file : {"English.ini", "Russian.ini", "SChinese.ini"}) {
        const QString name = QString::fromLatin1(file);
        EXPECT_EQ(fileKeys(name, "Interface"), expectedKeys()) << file;
        EXPECT_EQ(
            fileKeys(name, "Messages"),
            (QStringList{"StringCannotStore", "StringEntryNotFound", "StringPasswordCharacters",
                         "MEncryptVault->Caption", "MDecryptVault->Caption", "StringVaultPassword",
                         "StringVaultEncrypted", "StringVaultDecrypted", "StringKeyFileDropped",
                         "StringCannotDecrypt"}))
            << file;
        const platform::IniFile ini(
            testing_support::sourcePath(QStringLiteral("language/") + name));
        for (const QString& key : expectedKeys()) {
            const QByteArray value = ini.readString("Interface", key.toLatin1(), QByteArray());
            EXPECT_FALSE(value.trimmed().isEmpty()) << file << " " << key.toStdString();
            // Valid UTF-8, so it shows in any locale.
            EXPECT_EQ(QString::fromUtf8(value).toUtf8(), value) << file << " " << key.toStdString();
        }
        EXPECT_TRUE(ini.readString("Messages", "StringCannotStore", "").contains("%1")) << file;
    }
}

TEST_F(Language, EmptyLanguageFolderKeepsTheDesignedCaptionsAndEmptyMessages) {
    dir.mkdir(QStringLiteral("language"));
    dir.makeUser(QStringLiteral("bob"), "pass", {"a|u|p|Work"}, {"Work"});
    loginAs(QStringLiteral("bob"), QStringLiteral("pass"));
    ASSERT_TRUE(form->LoggedIn);
    EXPECT_EQ(form->MFile->title(), QStringLiteral("File"));
    EXPECT_EQ(form->AAdd->text(), QStringLiteral("&Add"));
    EXPECT_EQ(form->MLangSChinese->text(), QStringLiteral("Chinese (Simplified)"));
    EXPECT_EQ(form->FormLogin->GroupBoxLogin->title(), QStringLiteral(" Enter Data  "));
    EXPECT_EQ(form->FormAdd->LabelUrl->text(), QStringLiteral("Website:"));
    EXPECT_EQ(form->FormEdit->LabelCat->text(), QStringLiteral("Category"));
    EXPECT_EQ(form->FormExport->ButtonOk->text(), QStringLiteral("Ok"));
    EXPECT_TRUE(form->StringDeleteAsk.isEmpty());
    EXPECT_TRUE(form->FormLogin->StringUser.isEmpty());
    EXPECT_EQ(form->CategoryNode(0)->text(0), QStringLiteral(" (1)"));
    EXPECT_EQ(form->StatusPanels[0]->text(), QStringLiteral("1"));
    EXPECT_EQ(form->StatusPanels[1]->text(), QStringLiteral("2"));
    selectRows({0});
    ui.answerQuestion(false);
    form->ADeleteExecute();
    EXPECT_EQ(ui.shown.last().title, QString());
    EXPECT_EQ(ui.shown.last().text, QString());
}

TEST_F(Language, SwitchingRebuildsTreeAndCountsAndKeepsTextsAFileLacks) {
    installLanguage(QStringLiteral("Russian"));
    openUser({"a|u|p|Work"}, {"Work"});
    // An English file without the Search label.
    dir.write(QStringLiteral("language/English.ini"),
              "[Interface]\r\nStringAllPasswords=All\r\nStringPasswords=\" Entries: \"\r\n");
    ui.answerInput(QStringLiteral("Temp"));
    form->MCatNewClick();
    form->MLangRussian->trigger();
    EXPECT_TRUE(form->MLangRussian->isChecked());
    EXPECT_FALSE(form->MLangEnglish->isChecked());
    EXPECT_EQ(form->LanguageName, QStringLiteral("Russian"));
    EXPECT_EQ(form->CategoryList.size(), 2);  // the tree-made category is gone
    EXPECT_TRUE(form->CategoryNode(0)->text(0).endsWith(QStringLiteral(" (1)")));
    EXPECT_EQ(form->StatusPanels[0]->text(), form->StringPasswords + QStringLiteral("1"));
    const QString russianSearch = form->LabelSearch->text();
    EXPECT_NE(russianSearch, QStringLiteral("Search:"));
    form->MLangEnglish->trigger();
    EXPECT_EQ(form->LabelSearch->text(), russianSearch);
    EXPECT_EQ(form->CategoryNode(0)->text(0), QStringLiteral("All (1)"));
    EXPECT_EQ(form->StatusPanels[0]->text(), QStringLiteral(" Entries: 1"));
    EXPECT_TRUE(form->MLangEnglish->isChecked());
    EXPECT_FALSE(form->MLangRussian->isChecked());
    EXPECT_FALSE(form->MLangSChinese->isChecked());
    EXPECT_TRUE(closeMain());
    EXPECT_TRUE(dir.read("vorrel.ini").contains("Language=English\r\n"));
}

TEST_F(Language, StatusBarKeysWipeTheCountsAtTheNextLoad) {
    openUser({"a|u|p"});
    EXPECT_EQ(form->StatusPanels[0]->text(), QStringLiteral(" Passwords: 1"));
    ui.answerModal([](QDialog* d) { d->reject(); });
    form->MAboutProgram->trigger();
    EXPECT_EQ(form->StatusPanels[0]->text(), QStringLiteral(" Passwords:"));
    EXPECT_EQ(form->StatusPanels[1]->text(), QStringLiteral(" Categories:"));
    form->ShowCounts();
    ui.answerModal([](QDialog* d) { d->reject(); });
    form->MExport->trigger();
    EXPECT_EQ(form->StatusPanels[0]->text(), QStringLiteral(" Passwords:"));
    form->MLangEnglish->trigger();
    EXPECT_EQ(form->StatusPanels[0]->text(), QStringLiteral(" Passwords: 1"));
}

TEST_F(Language, ChineseFromTheSettingsFile) {
    installLanguage(QStringLiteral("SChinese"));
    dir.write(QStringLiteral("vorrel.ini"), "[Options]\r\nLanguage=SChinese\r\n");
    dir.makeUser(QStringLiteral("bob"), "pass");
    QString loginCaption;
    start([&](TFormLogin* d) {
        loginCaption = d->ButtonLogin->text();
        click(d->ButtonExit);
    });
    EXPECT_TRUE(form->MLangSChinese->isChecked());
    EXPECT_EQ(loginCaption, QString::fromUtf8("登录(&L)"));
    EXPECT_EQ(form->MFile->title(), QString::fromUtf8("文件(&F)"));
}

TEST_F(Language, UnknownNameChecksNothingAndOldSingleByteFilesStillRead) {
    dir.write(QStringLiteral("vorrel.ini"), "[Options]\r\nLanguage=Klingon\r\nCodePage=1251\r\n");
    dir.write(QStringLiteral("language/Klingon.ini"),
              "[Interface]\r\nLabelSearch->Caption=\xcf\xee\xe8\xf1\xea:\r\n");
    dir.makeUser(QStringLiteral("bob"), "pass");
    loginAs(QStringLiteral("bob"), QStringLiteral("pass"));
    EXPECT_FALSE(form->MLangEnglish->isChecked() || form->MLangRussian->isChecked() ||
                 form->MLangSChinese->isChecked());
    EXPECT_EQ(form->LabelSearch->text(), QString::fromUtf8("Поиск:"));
}

TEST_F(Language, ProposedCategoryNameThatCannotBeStoredIsRefused) {
    installLanguage(QStringLiteral("SChinese"));
    openUser({});
    form->MLangSChinese->trigger();
    ui.clearShown();
    ui.answerInput(form->StringNewCategory);  // accepted as proposed: Chinese in windows-1252
    ui.answerInput(QStringLiteral("Plain"));
    form->MCatNewClick();
    ASSERT_EQ(ui.messages().size(), 1);
    EXPECT_TRUE(ui.messages()[0].contains(QStringLiteral("U+")));
    EXPECT_EQ(form->CategoryList.mid(1), core::LineList{"Plain"});
}
