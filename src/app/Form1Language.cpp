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

language::Targets TForm1::LanguageTargets() {
    std::vector<Target> t;
    t.push_back(text("OpenDialog1->Filter", texts.OpenDialog1Filter));
    t.push_back(text("SaveDialog1->Filter", texts.SaveDialog1Filter));
    for (int c = 0; c < EntryListModel::kColumns; ++c) {
        t.push_back({"ListView1->Column[" + QByteArray::number(c) + "]->Caption",
                     [this, c] { return ui.ListModel->columnCaption(c); },
                     [this, c](const QString& s) { ui.ListModel->setColumnCaption(c, s); }});
    }
    for (int p = 0; p < 2; ++p) {
        QLabel* panel = ui.StatusPanels[p];
        t.push_back({"StatusBar1->Panels->Items[" + QByteArray::number(p) + "]->Text",
                     [panel] { return panel->text(); },
                     [panel](const QString& s) { panel->setText(s); }});
    }
    t.push_back({"LabelSearch->Caption", [this] { return ui.LabelSearch->text(); },
                 [this](const QString& s) { ui.LabelSearch->setText(s); }});
    t.push_back(actionCaption("PMCatNew->Caption", ui.PMCatNew));
    t.push_back(actionCaption("PMCatRename->Caption", ui.PMCatRename));
    t.push_back(actionCaption("PMCatDelete->Caption", ui.PMCatDelete));
    t.push_back(actionCaption("PMTrayAdd->Caption", ui.PMTrayAdd));
    t.push_back(actionCaption("PMAdd->Caption", ui.PMAdd));
    t.push_back(actionCaption("PMEdit->Caption", ui.PMEdit));
    t.push_back(actionCaption("PMDelete->Caption", ui.PMDelete));
    t.push_back(actionCaption("PMUnlock->Caption", ui.PMUnlock));
    t.push_back(actionCaption("PMTrayExit->Caption", ui.PMTrayExit));
    t.push_back(menuCaption("PMCopyToClipboard->Caption", ui.PMCopyToClipboard));
    t.push_back(actionCaption("PMCopyLogin->Caption", ui.PMCopyLogin));
    t.push_back(actionCaption("PMCopyPassword->Caption", ui.PMCopyPassword));
    t.push_back(actionCaption("PMCopyLink->Caption", ui.PMCopyLink));
    t.push_back(actionCaption("PMOpenUrl->Caption", ui.PMOpenUrl));
    t.push_back(menuCaption("MFile->Caption", ui.MFile));
    t.push_back(actionCaption("MChangePass->Caption", ui.MChangePass));
    t.push_back(actionCaption("MCreateKeyFile->Caption", ui.MCreateKeyFile));
    t.push_back(menuCaption("MCategory->Caption", ui.MCategory));
    t.push_back(actionCaption("MCatNew->Caption", ui.MCatNew));
    t.push_back(actionCaption("MCatRename->Caption", ui.MCatRename));
    t.push_back(actionCaption("MCatDelete->Caption", ui.MCatDelete));
    t.push_back(menuCaption("MData->Caption", ui.MData));
    t.push_back(menuCaption("MList->Caption", ui.MList));
    t.push_back(actionCaption("MRestore->Caption", ui.MRestore));
    t.push_back(actionCaption("MExport->Caption", ui.MExport));
    t.push_back(menuCaption("MOptions->Caption", ui.MOptions));
    t.push_back(menuCaption("MLanguage->Caption", ui.MLanguage));
    t.push_back(actionCaption("MLangEnglish->Caption", ui.MLangEnglish));
    t.push_back(actionCaption("MLangRussian->Caption", ui.MLangRussian));
    t.push_back(actionCaption("MLangSChinese->Caption", ui.MLangSChinese));
    t.push_back(actionCaption("MFont->Caption", ui.MFont));
    t.push_back(actionCaption("MHidePasswords->Caption", ui.MHidePasswords));
    t.push_back(actionCaption("MLock->Caption", ui.MLock));
    t.push_back(menuCaption("MHelp->Caption", ui.MHelp));
    t.push_back(actionCaption("MAboutProgram->Caption", ui.MAboutProgram));
    t.push_back(actionCaption("AAdd->Caption", ui.AAdd));
    t.push_back(actionCaption("AEdit->Caption", ui.AEdit));
    t.push_back(actionCaption("ADelete->Caption", ui.ADelete));
    t.push_back(actionCaption("ASave->Caption", ui.ASave));
    t.push_back(actionCaption("ALoad->Caption", ui.ALoad));
    t.push_back(actionCaption("AClear->Caption", ui.AClear));
    t.push_back(text("StringPasswords", texts.StringPasswords));
    t.push_back(text("StringCategories", texts.StringCategories));
    t.push_back(text("StringDeleteAsk", texts.StringDeleteAsk));
    t.push_back(text("StringDeleteTitle", texts.StringDeleteTitle));
    t.push_back(text("StringSelectField", texts.StringSelectField));
    t.push_back(text("StringChangeAccountPassword", texts.StringChangeAccountPassword));
    t.push_back(text("StringNewPassword", texts.StringNewPassword));
    t.push_back(text("StringEnterCorrectPassword", texts.StringEnterCorrectPassword));
    t.push_back(text("StringAllPasswords", texts.StringAllPasswords));
    t.push_back(text("StringNewCategory", texts.StringNewCategory));
    t.push_back(text("StringInputTitle", texts.StringInputTitle));
    t.push_back(text("StringChangeCategory", texts.StringChangeCategory));
    t.push_back(text("StringUnlock", texts.StringUnlock));
    t.push_back(text("StringInputPassword", texts.StringInputPassword));
    t.push_back(text("StringWrongPassword", texts.StringWrongPassword));
    t.push_back(text("StringKeyFileNotFound", texts.StringKeyFileNotFound));
    t.push_back(text("StringWrongKeyFile", texts.StringWrongKeyFile));
    if (ui.FormLogin) {
        ui.FormLogin->AppendLanguageTargets(t);
    }
    if (ui.FormAdd) {
        ui.FormAdd->AppendLanguageTargets(t);
    }
    if (ui.FormEdit) {
        ui.FormEdit->AppendLanguageTargets(t);
    }
    if (ui.FormExport) {
        ui.FormExport->AppendLanguageTargets(t);
    }
    if (ui.AboutBox) {
        ui.AboutBox->AppendLanguageTargets(t);
    }

    // The section "Messages".
    using language::caption;
    using language::message;
    platform::FontDialogTexts& font = platform::fontDialogTexts();
    t.push_back(message(text("StringKeyFileFilter", texts.StringKeyFileFilter)));
    t.push_back(message(text("StringFont", font.title)));
    t.push_back(message(text("StringFontColor", font.color)));
    // The seventeen colour names in one value, joined by "|" as filters are.
    t.push_back(
        message({"StringFontColors", [&font] { return font.colorNames.join(QLatin1Char('|')); },
                 [&font](const QString& s) { font.colorNames = s.split(QLatin1Char('|')); }}));
    if (ui.FormEdit) {
        t.push_back(message(caption("FormEdit->ButtonOk->Caption", ui.FormEdit->ButtonOk)));
        t.push_back(message(caption("FormEdit->ButtonCancel->Caption", ui.FormEdit->ButtonCancel)));
    }
    if (ui.FormExport) {
        t.push_back(message(caption("FormExport->ButtonOk->Caption", ui.FormExport->ButtonOk)));
    }
    if (ui.AboutBox) {
        t.push_back(message(caption("AboutBox->LabelEmail->Caption", ui.AboutBox->LabelEmail)));
        t.push_back(
            message(caption("AboutBox->LabelDataTitle->Caption", ui.AboutBox->LabelDataTitle)));
    }
    t.push_back(message(text("StringCannotStore", texts.EntryDialogs.cannotStore)));
    t.push_back(message(text("StringPasswordCharacters", texts.StringPasswordCharacters)));
    if (ui.VaultCommands) {
        ui.VaultCommands->AppendLanguageTargets(t);
    }
    language::appendMessages(
        t, {{"StringFileDamaged", &texts.Files.damaged},
            {"StringFileWrongKind", &texts.Files.wrongKind},
            {"StringFileNewer", &texts.Files.newerFormat},
            {"StringFileEncryptedList", &texts.Files.encryptedList},
            {"StringFileTooLarge", &texts.Files.tooLarge},
            {"StringFileTooCostly", &texts.Files.tooCostly},
            {"StringFileChangedElsewhere", &texts.Files.changedElsewhere},
            {"StringFileOlder", &texts.Files.older},
            {"StringFileNewerBackup", &texts.Files.newerBackup},
            {"StringPasswordFileEncryptedAlone", &texts.Files.encryptedPasswordFileAlone},
            {"StringPasswordFilePlainBeside", &texts.Files.plainPasswordFileBeside},
            {"StringMergedElsewhere", &texts.Files.mergedIn},
            {"StringConflictCopy", &texts.Files.conflictCopy},
            {"StringFileLink", &texts.Files.link},
            {"StringReopenPrompt", &texts.Files.reopenPrompt},
            {"StringNotSaved", &texts.Files.notSaved},
            {"StringNotSavedYet", &texts.Files.notSavedYet},
            {"StringKeptAside", &texts.Files.keptAside},
            {"StringNotWrittenOver", &texts.Files.notWrittenOver},
            {"StringUnsaved", &texts.Files.unsaved},
            {"StringChangedElsewhereStatus", &texts.Files.changedElsewhereStatus},
            {"StringWriteDiskFull", &texts.Files.writeDiskFull},
            {"StringWriteTooLarge", &texts.Files.writeTooLarge},
            {"StringWriteNoPermission", &texts.Files.writeNoPermission},
            {"StringWriteReadOnly", &texts.Files.writeReadOnly},
            {"StringWriteLink", &texts.Files.writeLink}});
    if (ui.ImportCommand) {
        ui.ImportCommand->AppendLanguageTargets(t);
    }
    if (ui.FormExport) {
        t.push_back(message(text("FormExport->CsvFilter", ui.FormExport->CsvFilter)));
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
    ui.MLangEnglish->setChecked(name == QLatin1String("English"));
    ui.MLangRussian->setChecked(name == QLatin1String("Russian"));
    ui.MLangSChinese->setChecked(name == QLatin1String("SChinese"));

    // Qt's own words (standard buttons, file and font dialogs) follow.
    platform::setQtTranslation(name == QLatin1String("Russian")    ? QStringLiteral("ru")
                               : name == QLatin1String("SChinese") ? QStringLiteral("zh_CN")
                                                                   : QString());

    const platform::IniFile ini(languageFilePath(ExecutablePath, name));
    for (const language::Target& target : LanguageTargets()) {
        if (const std::optional<QByteArray> value = ini.value(target.section, target.key)) {
            target.set(platform::decodeSettingText(*value));
        }
    }
    session_.setTexts(texts.Files);
    // Every window fits its new texts.
    for (TEntryDialog* dialog :
         {static_cast<TEntryDialog*>(ui.FormAdd), static_cast<TEntryDialog*>(ui.FormEdit)}) {
        if (dialog) {
            dialog->FitToTexts();
        }
    }
    if (ui.FormLogin) {
        ui.FormLogin->FitToTexts();
    }
    if (ui.FormExport) {
        ui.FormExport->FitToTexts();
    }
    if (ui.AboutBox) {
        ui.AboutBox->FitToTexts();
    }
}

void TForm1::MLanguageClick(const QString& name) {
    Settings.language = name;
    LoadLanguage(name);
    if (loggedIn()) {
        // The root's caption is the language's; category changes not yet
        // written go, as the category file is read again.
        session_.readCategories();
        ShowCategories();
    }
    ShowCounts();
}
