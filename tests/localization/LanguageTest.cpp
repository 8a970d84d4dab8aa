#include <QAction>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyle>
#include <QTreeWidget>

#include "AppFixture.h"
#include "about/AboutBox.h"
#include "accounts/FormLogin.h"
#include "core/EncryptedVault.h"
#include "export/FormExport.h"
#include "mainwindow/EntryDialogs.h"
#include "mainwindow/EntryListModel.h"
#include "platform/CodePage.h"
#include "platform/FontDialog.h"
#include "platform/IniFile.h"
#include "platform/TextList.h"
#include "platform/Widgets.h"

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

// The texts the key list lacks, in the section "Messages".
QStringList extraKeys() {
    return {"StringKeyFileFilter",
            "StringFont",
            "StringFontColor",
            "StringFontColors",
            "FormEdit->ButtonOk->Caption",
            "FormEdit->ButtonCancel->Caption",
            "FormExport->ButtonOk->Caption",
            "AboutBox->LabelEmail->Caption",
            "AboutBox->LabelDataTitle->Caption",
            "StringCannotStore",
            "StringPasswordCharacters",
            "MEncryptVault->Caption",
            "MDecryptVault->Caption",
            "StringVaultPassword",
            "StringVaultEncrypted",
            "StringVaultDecrypted",
            "StringKeyFileDropped",
            "StringCannotDecrypt",
            "StringPassphraseRule",
            "StringUseNewerBackup",
            "StringSavedListsWarning",
            "FormPassphrase->LabelIntro->Caption",
            "FormPassphrase->LabelPassphrase->Caption",
            "FormPassphrase->LabelConfirm->Caption",
            "FormPassphrase->CheckBoxKeep->Caption",
            "FormPassphrase->ButtonOk->Caption",
            "FormPassphrase->ButtonCancel->Caption",
            "StringPassphraseMismatch",
            "StringStrengthVeryWeak",
            "StringStrengthWeak",
            "StringStrengthGood",
            "StringStrengthStrong",
            "StringNewKeyFileOffer",
            "StringFileDamaged",
            "StringFileWrongKind",
            "StringFileNewer",
            "StringFileEncryptedList",
            "StringFileTooLarge",
            "StringFileTooCostly",
            "StringFileChangedElsewhere",
            "StringFileOlder",
            "StringFileNewerBackup",
            "StringPasswordFileEncryptedAlone",
            "StringPasswordFilePlainBeside",
            "StringMergedElsewhere",
            "StringConflictCopy",
            "StringFileLink",
            "StringReopenPrompt",
            "StringNotSaved",
            "StringNotSavedYet",
            "StringKeptAside",
            "StringNotWrittenOver",
            "StringUnsaved",
            "StringChangedElsewhereStatus",
            "StringWriteDiskFull",
            "StringWriteTooLarge",
            "StringWriteNoPermission",
            "StringWriteReadOnly",
            "StringWriteLink",
            "MImport->Caption",
            "StringImportFilter",
            "StringImportUnknown",
            "FormImport->Caption",
            "FormImport->ButtonOk->Caption",
            "FormImport->ButtonCancel->Caption",
            "StringImportSummary",
            "StringImportCategories",
            "StringImportDuplicates",
            "StringImportUnstorable",
            "StringImportCharacter",
            "StringImportLineBreaks",
            "StringImportTotp",
            "StringImportNotLogins",
            "FormExport->CsvFilter"};
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
    QStringList messages;
    for (const language::Target& t : form->LanguageTargets()) {
        (qstrcmp(t.section, "Messages") == 0 ? messages : keys) << QString::fromLatin1(t.key);
    }
    EXPECT_EQ(expectedKeys().size(), 131);
    EXPECT_EQ(keys, expectedKeys());
    EXPECT_EQ(messages, extraKeys());
}

TEST_F(Language, EveryShippedFileHoldsThe131KeysWithTexts) {
    for (const char* file : {"English.ini", "Russian.ini", "SChinese.ini"}) {
        const QString name = QString::fromLatin1(file);
        EXPECT_EQ(fileKeys(name, "Interface"), expectedKeys()) << file;
        EXPECT_EQ(fileKeys(name, "Messages"), extraKeys()) << file;
        const platform::IniFile ini(
            testing_support::sourcePath(QStringLiteral("language/") + name));
        EXPECT_EQ(ini.readString("Messages", "StringFontColors", "").count('|'), 16) << file;
        // Each language is named in its own script, so a reader finds the way back.
        EXPECT_EQ(ini.readString("Interface", "MLangRussian->Caption", ""),
                  QString::fromUtf8("Русский").toUtf8())
            << file;
        EXPECT_EQ(ini.readString("Interface", "MLangSChinese->Caption", ""),
                  QString::fromUtf8("简体中文").toUtf8())
            << file;
        for (const QString& key : expectedKeys()) {
            const QByteArray value = ini.readString("Interface", key.toLatin1(), QByteArray());
            EXPECT_FALSE(value.trimmed().isEmpty()) << file << " " << key.toStdString();
            // Valid UTF-8, so it shows in any locale.
            EXPECT_EQ(QString::fromUtf8(value).toUtf8(), value) << file << " " << key.toStdString();
        }
        EXPECT_TRUE(ini.readString("Messages", "StringCannotStore", "").contains("%1")) << file;
    }
}

// Counts of entries take the plural form each language needs.
TEST(LanguagePlurals, TheConflictCopyQuestionCountsEntriesInEachLanguage) {
    const auto question = [](const char* file, int n) {
        const platform::IniFile ini(
            testing_support::sourcePath(QStringLiteral("language/") + QLatin1String(file)));
        const QString forms =
            platform::decodeSettingText(ini.value("Messages", "StringConflictCopy").value());
        return core::pluralForm(forms, n).arg(QStringLiteral("x")).arg(n);
    };
    EXPECT_TRUE(question("English.ini", 1).contains(QStringLiteral("its 1 entry that")));
    EXPECT_TRUE(question("English.ini", 2).contains(QStringLiteral("its 2 entries that")));
    const std::pair<int, QString> russian[] = {
        {1, QStringLiteral("1 запись")},   {3, QStringLiteral("3 записи")},
        {5, QStringLiteral("5 записей")},  {11, QStringLiteral("11 записей")},
        {21, QStringLiteral("21 запись")}, {112, QStringLiteral("112 записей")}};
    for (const auto& [n, words] : russian) {
        EXPECT_TRUE(question("Russian.ini", n).contains(words)) << n;
    }
    EXPECT_TRUE(question("SChinese.ini", 3).contains(QStringLiteral("3 个条目")));
}

TEST_F(Language, EmptyLanguageFolderKeepsTheDesignedCaptionsAndEmptyMessages) {
    dir.mkdir(QStringLiteral("language"));
    dir.makeUser(QStringLiteral("bob"), "pass", {"a|u|p|Work"}, {"Work"});
    loginAs(QStringLiteral("bob"), QStringLiteral("pass"));
    ASSERT_TRUE(form->loggedIn());
    EXPECT_EQ(form->ui.MFile->title(), QStringLiteral("File"));
    EXPECT_EQ(form->ui.AAdd->text(), QStringLiteral("&Add"));
    EXPECT_EQ(form->ui.MLangSChinese->text(), QStringLiteral("Chinese (Simplified)"));
    EXPECT_EQ(form->ui.FormLogin->GroupBoxLogin->title(), QStringLiteral(" Enter Data  "));
    EXPECT_EQ(form->ui.FormAdd->LabelUrl->text(), QStringLiteral("Website:"));
    EXPECT_EQ(form->ui.FormEdit->LabelCat->text(), QStringLiteral("Category"));
    EXPECT_EQ(form->ui.FormExport->ButtonOk->text(), QStringLiteral("Ok"));
    EXPECT_TRUE(form->texts.StringDeleteAsk.isEmpty());
    EXPECT_TRUE(form->ui.FormLogin->StringUser.isEmpty());
    EXPECT_EQ(form->CategoryNode(0)->text(0), QStringLiteral(" (1)"));
    EXPECT_EQ(form->ui.StatusPanels[0]->text(), QStringLiteral("1"));
    EXPECT_EQ(form->ui.StatusPanels[1]->text(), QStringLiteral("2"));
    selectRows({0});
    ui.answerQuestion(false);
    form->ui.ADelete->trigger();
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
    form->ui.MLangRussian->trigger();
    EXPECT_TRUE(form->ui.MLangRussian->isChecked());
    EXPECT_FALSE(form->ui.MLangEnglish->isChecked());
    EXPECT_EQ(form->Settings.language, QStringLiteral("Russian"));
    EXPECT_EQ(form->session().categories().size(), 1);  // the tree-made category is gone
    EXPECT_TRUE(form->CategoryNode(0)->text(0).endsWith(QStringLiteral(" (1)")));
    EXPECT_EQ(form->ui.StatusPanels[0]->text(), form->texts.StringPasswords + QStringLiteral("1"));
    const QString russianSearch = form->ui.LabelSearch->text();
    EXPECT_NE(russianSearch, QStringLiteral("Search:"));
    form->ui.MLangEnglish->trigger();
    EXPECT_EQ(form->ui.LabelSearch->text(), russianSearch);
    EXPECT_EQ(form->CategoryNode(0)->text(0), QStringLiteral("All (1)"));
    EXPECT_EQ(form->ui.StatusPanels[0]->text(), QStringLiteral(" Entries: 1"));
    EXPECT_TRUE(form->ui.MLangEnglish->isChecked());
    EXPECT_FALSE(form->ui.MLangRussian->isChecked());
    EXPECT_FALSE(form->ui.MLangSChinese->isChecked());
    EXPECT_TRUE(closeMain());
    EXPECT_TRUE(dir.read("vorrel.ini").contains("Language=English\r\n"));
}

TEST_F(Language, StatusBarKeysWipeTheCountsAtTheNextLoad) {
    openUser({"a|u|p"});
    EXPECT_EQ(form->ui.StatusPanels[0]->text(), QStringLiteral(" Passwords: 1"));
    ui.answerModal([](QDialog* d) { d->reject(); });
    form->ui.MAboutProgram->trigger();
    EXPECT_EQ(form->ui.StatusPanels[0]->text(), QStringLiteral(" Passwords:"));
    EXPECT_EQ(form->ui.StatusPanels[1]->text(), QStringLiteral(" Categories:"));
    form->ShowCounts();
    ui.answerModal([](QDialog* d) { d->reject(); });
    form->ui.MExport->trigger();
    EXPECT_EQ(form->ui.StatusPanels[0]->text(), QStringLiteral(" Passwords:"));
    form->ui.MLangEnglish->trigger();
    EXPECT_EQ(form->ui.StatusPanels[0]->text(), QStringLiteral(" Passwords: 1"));
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
    EXPECT_TRUE(form->ui.MLangSChinese->isChecked());
    EXPECT_EQ(loginCaption, QString::fromUtf8("登录(&L)"));
    EXPECT_EQ(form->ui.MFile->title(), QString::fromUtf8("文件(&F)"));
}

TEST_F(Language, UnknownNameChecksNothingAndOldSingleByteFilesStillRead) {
    dir.write(QStringLiteral("vorrel.ini"), "[Options]\r\nLanguage=Klingon\r\nCodePage=1251\r\n");
    dir.write(QStringLiteral("language/Klingon.ini"),
              "[Interface]\r\nLabelSearch->Caption=\xcf\xee\xe8\xf1\xea:\r\n");
    dir.makeUser(QStringLiteral("bob"), "pass");
    loginAs(QStringLiteral("bob"), QStringLiteral("pass"));
    EXPECT_FALSE(form->ui.MLangEnglish->isChecked() || form->ui.MLangRussian->isChecked() ||
                 form->ui.MLangSChinese->isChecked());
    EXPECT_EQ(form->ui.LabelSearch->text(), QString::fromUtf8("Поиск:"));
}

TEST_F(Language, ProposedCategoryNameThatCannotBeStoredIsRefused) {
    installLanguage(QStringLiteral("SChinese"));
    openUser({});
    form->ui.MLangSChinese->trigger();
    ui.clearShown();
    ui.answerInput(form->texts.StringNewCategory);  // accepted as proposed: Chinese in windows-1252
    ui.answerInput(QStringLiteral("Plain"));
    form->MCatNewClick();
    ASSERT_EQ(ui.messages().size(), 1);
    EXPECT_TRUE(ui.messages()[0].contains(QStringLiteral("U+")));
    EXPECT_EQ(form->session().categories(), core::LineList{"Plain"});
}

TEST_F(Language, QtsOwnWordsAndTheExtraTextsFollowTheLanguage) {
    installLanguage(QStringLiteral("Russian"));
    openUser({});
    auto cancelText = [] {
        QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        return box.button(QDialogButtonBox::Cancel)->text();
    };
    EXPECT_EQ(cancelText(), QStringLiteral("Cancel"));
    form->ui.MLangRussian->trigger();
    EXPECT_EQ(cancelText(), QString::fromUtf8("Отмена"));
    EXPECT_EQ(form->ui.FormEdit->ButtonCancel->text(), QString::fromUtf8("Отмена"));
    EXPECT_EQ(form->ui.FormExport->ButtonOk->text(), QStringLiteral("OK"));
    EXPECT_TRUE(form->ui.AboutBox->LabelEmail->text().startsWith(QString::fromUtf8("Эл. почта:")));
    platform::FontDialog font(form->ListFont, nullptr);
    EXPECT_EQ(font.windowTitle(), QString::fromUtf8("Шрифт"));
    EXPECT_EQ(font.findChild<QComboBox*>(QStringLiteral("FontColor"))->itemText(1),
              QString::fromUtf8("Чёрный"));
    ui.answerSaveFile(std::nullopt);
    form->ui.MCreateKeyFile->trigger();
    EXPECT_EQ(ui.fileRequests.last().filter, QString::fromUtf8("Ключевой файл (*.vrx)|*.vrx"));
    // English takes Qt's translation away again.
    form->ui.MLangEnglish->trigger();
    EXPECT_EQ(cancelText(), QStringLiteral("Cancel"));
    EXPECT_EQ(form->ui.FormEdit->ButtonCancel->text(), QStringLiteral("Cancel"));
    EXPECT_EQ(platform::FontDialog(form->ListFont, nullptr).windowTitle(), QStringLiteral("Font"));
}

TEST_F(Language, FilesWithAByteOrderMarkRead) {
    QFile russian(testing_support::sourcePath(QStringLiteral("language/Russian.ini")));
    ASSERT_TRUE(russian.open(QIODevice::ReadOnly));
    dir.write(QStringLiteral("language/Russian.ini"), "\xEF\xBB\xBF" + russian.readAll());
    dir.write(QStringLiteral("vorrel.ini"), "\xEF\xBB\xBF[Options]\r\nLanguage=Russian\r\n");
    dir.makeUser(QStringLiteral("bob"), "pass", {"a|u|p|Work"});
    dir.write(QStringLiteral("users/bob/categories.dat"), "\xEF\xBB\xBFWork\r\nHome\r\n");
    loginAs(QStringLiteral("bob"), QStringLiteral("pass"));
    ASSERT_TRUE(form->loggedIn());
    EXPECT_TRUE(form->ui.MLangRussian->isChecked());
    EXPECT_EQ(form->ui.LabelSearch->text(), QString::fromUtf8("Поиск:"));
    EXPECT_EQ(form->ui.FormLogin->StringWrongPassword, QString::fromUtf8("Неверный пароль."));
    EXPECT_EQ(form->session().categories(), (core::LineList{"Work", "Home"}));
    EXPECT_EQ(form->CategoryNode(1)->text(0), QStringLiteral("Work (1)"));
}

TEST_F(Language, StartedFromAnotherFolderFindsTheLanguageBesideTheProgram) {
    installLanguage(QStringLiteral("Russian"));
    dir.write(QStringLiteral("vorrel.ini"), "[Options]\r\nLanguage=Russian\r\n");
    dir.makeUser(QStringLiteral("bob"), "pass");
    testing_support::TestDir elsewhere;  // now the working directory
    start([&](TFormLogin* d) {
        fillLogin(d, QStringLiteral("wrong"), QStringLiteral("pass"));
        click(d->ButtonLogin);
        click(d->ButtonExit);
    });
    EXPECT_EQ(ui.messages().value(0), QString::fromUtf8("Пользователь «wrong» не существует."));
    EXPECT_EQ(form->ui.FormLogin->ButtonNewUser->text(), QString::fromUtf8("&Новый пользователь"));
    // A language folder in the working directory still comes first.
    elsewhere.write(QStringLiteral("language/Russian.ini"),
                    "[Interface]\r\nLabelSearch->Caption=Here\r\n");
    form->ui.MLangRussian->trigger();
    EXPECT_EQ(form->ui.LabelSearch->text(), QStringLiteral("Here"));
}

namespace {

// Where a text does not fit its control: the control and the text.
QStringList cutTexts(QWidget* window) {
    QStringList cut;
    auto shown = [](QString text) {
        return text.remove(QRegularExpression(QStringLiteral("&(?!&)")));
    };
    for (QLabel* label : window->findChildren<QLabel*>()) {
        if (!label->isVisibleTo(window) || label->text().isEmpty() ||
            label->pixmap().isNull() == false) {
            continue;
        }
        const QFontMetrics fm(label->font());
        const bool fits =
            label->wordWrap()
                ? label->heightForWidth(label->contentsRect().width()) <=
                      label->contentsRect().height()
                : fm.horizontalAdvance(shown(label->text())) <= label->contentsRect().width();
        if (!fits) {
            cut << label->objectName() + QStringLiteral(": ") + label->text();
        }
    }
    for (QPushButton* button : window->findChildren<QPushButton*>()) {
        // The style's margin and frame on either side of a button's text.
        const QStyle* style = button->style();
        const int room = button->width() - style->pixelMetric(QStyle::PM_ButtonMargin) -
                         2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth);
        if (button->isVisibleTo(window) &&
            button->fontMetrics().horizontalAdvance(shown(button->text())) > room) {
            cut << button->objectName() + QStringLiteral(": ") + button->text();
        }
    }
    for (QGroupBox* box : window->findChildren<QGroupBox*>()) {
        if (box->fontMetrics().horizontalAdvance(box->title()) + 16 > box->width()) {
            cut << box->objectName() + QStringLiteral(": ") + box->title();
        }
    }
    // The size the window manager is told must hold the texts too: a window
    // shown larger than its fixed size is cut to it on the screen.
    const QSize needed = window->minimumSizeHint();
    if (window->maximumWidth() < needed.width() || window->maximumHeight() < needed.height()) {
        cut << QStringLiteral("fixed size: %1 x %2")
                   .arg(window->maximumWidth())
                   .arg(window->maximumHeight());
    }
    if (window->width() < platform::titleWidth(window)) {
        cut << QStringLiteral("title: ") + window->windowTitle();
    }
    return cut;
}

}  // namespace

TEST_F(Language, EveryWindowFitsItsTextsInEveryLanguage) {
    installLanguage(QStringLiteral("Russian"));
    installLanguage(QStringLiteral("SChinese"));
    openUser({});
    for (QAction* language :
         {form->ui.MLangRussian, form->ui.MLangSChinese, form->ui.MLangEnglish}) {
        language->trigger();
        for (QDialog* window : std::initializer_list<QDialog*>{
                 form->ui.FormLogin, form->ui.FormAdd, form->ui.FormEdit, form->ui.FormExport,
                 form->ui.AboutBox}) {
            window->show();
            EXPECT_EQ(cutTexts(window), QStringList())
                << language->text().toStdString() << " " << window->objectName().toStdString();
            window->hide();
        }
        // A message box shows its whole title, however short its text.
        QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Vorrel 1.8"),
                        form->texts.StringWrongPassword, QMessageBox::Ok);
        platform::fitTitle(&box);
        box.show();
        EXPECT_GE(box.width(), platform::titleWidth(&box));
        box.hide();
    }
}
