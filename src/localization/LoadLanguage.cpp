// The language loader: every caption and message text comes from the file
// "language/<name>.ini", section "Interface".
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>

#include "about/AboutBox.h"
#include "accounts/FormLogin.h"
#include "accounts/VaultCommands.h"
#include "app/Form1.h"
#include "export/FormExport.h"
#include "localization/LanguageTargets.h"
#include "mainwindow/EntryDialogs.h"
#include "mainwindow/EntryListModel.h"
#include "mainwindow/ImportCommand.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/FontDialog.h"
#include "platform/IniFile.h"
#include "platform/Places.h"
#include "platform/Widgets.h"

namespace {
using language::Target;
using language::text;
Target actionCaption(const char* key, QAction* a) {
    return language::caption(key, a);
}
Target menuCaption(const char* key, QMenu* m) {
    return language::caption(key, m);
}
}  // namespace

std::vector<TForm1::LanguageTarget> TForm1::LanguageTargets() {
    std::vector<Target> t;
    t.push_back(text("OpenDialog1->Filter", OpenDialog1Filter));
    t.push_back(text("SaveDialog1->Filter", SaveDialog1Filter));
    for (int c = 0; c < EntryListModel::kColumns; ++c) {
        t.push_back({"ListView1->Column[" + QByteArray::number(c) + "]->Caption",
                     [this, c] { return ListModel->columnCaption(c); },
                     [this, c](const QString& s) { ListModel->setColumnCaption(c, s); }});
    }
    for (int p = 0; p < 2; ++p) {
        QLabel* panel = StatusPanels[p];
        t.push_back({"StatusBar1->Panels->Items[" + QByteArray::number(p) + "]->Text",
                     [panel] { return panel->text(); },
                     [panel](const QString& s) { panel->setText(s); }});
    }
    t.push_back({"LabelSearch->Caption", [this] { return LabelSearch->text(); },
                 [this](const QString& s) { LabelSearch->setText(s); }});
    t.push_back(actionCaption("PMCatNew->Caption", PMCatNew));
    t.push_back(actionCaption("PMCatRename->Caption", PMCatRename));
    t.push_back(actionCaption("PMCatDelete->Caption", PMCatDelete));
    t.push_back(actionCaption("PMTrayAdd->Caption", PMTrayAdd));
    t.push_back(actionCaption("PMAdd->Caption", PMAdd));
    t.push_back(actionCaption("PMEdit->Caption", PMEdit));
    t.push_back(actionCaption("PMDelete->Caption", PMDelete));
    t.push_back(actionCaption("PMUnlock->Caption", PMUnlock));
    t.push_back(actionCaption("PMTrayExit->Caption", PMTrayExit));
    t.push_back(menuCaption("PMCopyToClipboard->Caption", PMCopyToClipboard));
    t.push_back(actionCaption("PMCopyLogin->Caption", PMCopyLogin));
    t.push_back(actionCaption("PMCopyPassword->Caption", PMCopyPassword));
    t.push_back(actionCaption("PMCopyLink->Caption", PMCopyLink));
    t.push_back(actionCaption("PMOpenUrl->Caption", PMOpenUrl));
    t.push_back(menuCaption("MFile->Caption", MFile));
    t.push_back(actionCaption("MChangePass->Caption", MChangePass));
    t.push_back(actionCaption("MCreateKeyFile->Caption", MCreateKeyFile));
    t.push_back(menuCaption("MCategory->Caption", MCategory));
    t.push_back(actionCaption("MCatNew->Caption", MCatNew));
    t.push_back(actionCaption("MCatRename->Caption", MCatRename));
    t.push_back(actionCaption("MCatDelete->Caption", MCatDelete));
    t.push_back(menuCaption("MData->Caption", MData));
    t.push_back(menuCaption("MList->Caption", MList));
    t.push_back(actionCaption("MRestore->Caption", MRestore));
    t.push_back(actionCaption("MExport->Caption", MExport));
    t.push_back(menuCaption("MOptions->Caption", MOptions));
    t.push_back(menuCaption("MLanguage->Caption", MLanguage));
    t.push_back(actionCaption("MLangEnglish->Caption", MLangEnglish));
    t.push_back(actionCaption("MLangRussian->Caption", MLangRussian));
    t.push_back(actionCaption("MLangSChinese->Caption", MLangSChinese));
    t.push_back(actionCaption("MFont->Caption", MFont));
    t.push_back(actionCaption("MHidePasswords->Caption", MHidePasswords));
    t.push_back(actionCaption("MLock->Caption", MLock));
    t.push_back(menuCaption("MHelp->Caption", MHelp));
    t.push_back(actionCaption("MAboutProgram->Caption", MAboutProgram));
    t.push_back(actionCaption("AAdd->Caption", AAdd));
    t.push_back(actionCaption("AEdit->Caption", AEdit));
    t.push_back(actionCaption("ADelete->Caption", ADelete));
    t.push_back(actionCaption("ASave->Caption", ASave));
    t.push_back(actionCaption("ALoad->Caption", ALoad));
    t.push_back(actionCaption("AClear->Caption", AClear));
    t.push_back(text("StringPasswords", StringPasswords));
    t.push_back(text("StringCategories", StringCategories));
    t.push_back(text("StringDeleteAsk", StringDeleteAsk));
    t.push_back(text("StringDeleteTitle", StringDeleteTitle));
    t.push_back(text("StringSelectField", StringSelectField));
    t.push_back(text("StringChangeAccountPassword", StringChangeAccountPassword));
    t.push_back(text("StringNewPassword", StringNewPassword));
    t.push_back(text("StringEnterCorrectPassword", StringEnterCorrectPassword));
    t.push_back(text("StringAllPasswords", StringAllPasswords));
    t.push_back(text("StringNewCategory", StringNewCategory));
    t.push_back(text("StringInputTitle", StringInputTitle));
    t.push_back(text("StringChangeCategory", StringChangeCategory));
    t.push_back(text("StringUnlock", StringUnlock));
    t.push_back(text("StringInputPassword", StringInputPassword));
    t.push_back(text("StringWrongPassword", StringWrongPassword));
    t.push_back(text("StringKeyFileNotFound", StringKeyFileNotFound));
    t.push_back(text("StringWrongKeyFile", StringWrongKeyFile));
    if (FormLogin) {
        FormLogin->AppendLanguageTargets(t);
    }
    if (FormAdd) {
        FormAdd->AppendLanguageTargets(t);
    }
    if (FormEdit) {
        FormEdit->AppendLanguageTargets(t);
    }
    if (FormExport) {
        FormExport->AppendLanguageTargets(t);
    }
    if (AboutBox) {
        AboutBox->AppendLanguageTargets(t);
    }

    // The section "Messages".
    using language::caption;
    using language::message;
    platform::FontDialogTexts& font = platform::fontDialogTexts();
    t.push_back(message(text("StringKeyFileFilter", StringKeyFileFilter)));
    t.push_back(message(text("StringFont", font.title)));
    t.push_back(message(text("StringFontColor", font.color)));
    // The seventeen colour names in one value, joined by "|" as filters are.
    t.push_back(
        message({"StringFontColors", [&font] { return font.colorNames.join(QLatin1Char('|')); },
                 [&font](const QString& s) { font.colorNames = s.split(QLatin1Char('|')); }}));
    if (FormEdit) {
        t.push_back(message(caption("FormEdit->ButtonOk->Caption", FormEdit->ButtonOk)));
        t.push_back(message(caption("FormEdit->ButtonCancel->Caption", FormEdit->ButtonCancel)));
    }
    if (FormExport) {
        t.push_back(message(caption("FormExport->ButtonOk->Caption", FormExport->ButtonOk)));
    }
    if (AboutBox) {
        t.push_back(message(caption("AboutBox->LabelEmail->Caption", AboutBox->LabelEmail)));
        t.push_back(
            message(caption("AboutBox->LabelDataTitle->Caption", AboutBox->LabelDataTitle)));
    }
    t.push_back(message(text("StringCannotStore", StringCannotStore)));
    t.push_back(message(text("StringPasswordCharacters", StringPasswordCharacters)));
    if (VaultCommands) {
        VaultCommands->AppendLanguageTargets(t);
    }
    language::appendMessages(
        t, {{"StringFileDamaged", &FileTexts.damaged},
            {"StringFileWrongKind", &FileTexts.wrongKind},
            {"StringFileNewer", &FileTexts.newerFormat},
            {"StringFileEncryptedList", &FileTexts.encryptedList},
            {"StringFileTooLarge", &FileTexts.tooLarge},
            {"StringFileTooCostly", &FileTexts.tooCostly},
            {"StringFileChangedElsewhere", &FileTexts.changedElsewhere},
            {"StringFileOlder", &FileTexts.older},
            {"StringFileNewerBackup", &FileTexts.newerBackup},
            {"StringPasswordFileEncryptedAlone", &FileTexts.encryptedPasswordFileAlone},
            {"StringPasswordFilePlainBeside", &FileTexts.plainPasswordFileBeside},
            {"StringMergedElsewhere", &FileTexts.mergedIn},
            {"StringConflictCopy", &FileTexts.conflictCopy},
            {"StringFileLink", &FileTexts.link},
            {"StringReopenPrompt", &FileTexts.reopenPrompt},
            {"StringNotSaved", &FileTexts.notSaved},
            {"StringNotSavedYet", &FileTexts.notSavedYet},
            {"StringKeptAside", &FileTexts.keptAside},
            {"StringNotWrittenOver", &FileTexts.notWrittenOver},
            {"StringUnsaved", &FileTexts.unsaved},
            {"StringChangedElsewhereStatus", &FileTexts.changedElsewhereStatus},
            {"StringWriteDiskFull", &FileTexts.writeDiskFull},
            {"StringWriteTooLarge", &FileTexts.writeTooLarge},
            {"StringWriteNoPermission", &FileTexts.writeNoPermission},
            {"StringWriteReadOnly", &FileTexts.writeReadOnly},
            {"StringWriteLink", &FileTexts.writeLink}});
    if (ImportCommand) {
        ImportCommand->AppendLanguageTargets(t);
    }
    if (FormExport) {
        t.push_back(message(text("FormExport->CsvFilter", FormExport->CsvFilter)));
    }
    return t;
}

namespace {

// The language file from the first folder that has it.
QString languageFilePath(const QString& executablePath, const QString& name) {
    const QString file = name + QStringLiteral(".ini");
    const QStringList folders = platform::languageFolders(executablePath);
    for (const QString& folder : folders) {
        if (platform::FileExists(folder + file)) {
            return folder + file;
        }
    }
    return folders.first() + file;
}

}  // namespace

void TForm1::LoadLanguage(const QString& name) {
    MLangEnglish->setChecked(name == QLatin1String("English"));
    MLangRussian->setChecked(name == QLatin1String("Russian"));
    MLangSChinese->setChecked(name == QLatin1String("SChinese"));

    // Qt's own words (standard buttons, file and font dialogs) follow.
    platform::setQtTranslation(name == QLatin1String("Russian")    ? QStringLiteral("ru")
                               : name == QLatin1String("SChinese") ? QStringLiteral("zh_CN")
                                                                   : QString());

    const platform::IniFile ini(languageFilePath(ExecutablePath, name));
    for (const LanguageTarget& target : LanguageTargets()) {
        if (const std::optional<QByteArray> value = ini.value(target.section, target.key)) {
            target.set(platform::decodeSettingText(*value));
        }
    }
    if (Store) {
        Store->setTexts(FileTexts);
    }
    // Every window fits its new texts.
    for (TEntryDialog* dialog :
         {static_cast<TEntryDialog*>(FormAdd), static_cast<TEntryDialog*>(FormEdit)}) {
        if (dialog) {
            dialog->FitToTexts();
        }
    }
    if (FormLogin) {
        FormLogin->FitToTexts();
    }
    if (FormExport) {
        FormExport->FitToTexts();
    }
    if (AboutBox) {
        AboutBox->FitToTexts();
    }
}

void TForm1::MLanguageClick(const QString& name) {
    Settings.language = name;
    LoadLanguage(name);
    if (Store) {
        LoadCategories();
    }
    ShowCounts();
}
