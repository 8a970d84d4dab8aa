#include "mainwindow/ImportCommand.h"

#include <QAction>

#include "core/StoredText.h"
#include "localization/LanguageTargets.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/Widgets.h"

TImportCommand::TImportCommand(TForm1& form1) : QObject(&form1), form1_(form1) {
    setObjectName(QStringLiteral("ImportCommand"));
}

void TImportCommand::Execute() {
    if (!form1_.FilesCurrent()) {
        return;
    }
    // As every command that opens a window: the texts are read anew.
    form1_.LoadLanguage(form1_.Settings.language);
    platform::FileDialogRequest request;
    request.initialDir = form1_.DataDir + QStringLiteral("data");
    request.fileName = FileName;
    request.filter = Texts.filter;
    const std::optional<platform::FileDialogResult> chosen = platform::ui().openFile(request);
    if (!chosen) {
        return;
    }
    FileName = chosen->fileName;
    const core::StorageRules rules = core::storageRules(form1_.StorageEncoding());
    core::ImportPlan plan;
    {
        const platform::BusyCursor busy;  // a large file takes a moment
        plan = core::planImport(platform::readFile(chosen->fileName), form1_.PasswordList,
                                form1_.CategoryList.mid(1), rules);
    }
    if (plan.format == core::ImportFormat::Unknown) {
        platform::ui().showMessage(Texts.unknown.arg(plan.columns.join(QStringLiteral(", "))));
        return;
    }
    TFormImport preview(plan, Texts, &form1_);
    if (platform::ui().showModal(&preview) == QDialog::Accepted && !plan.lines.isEmpty()) {
        Apply(plan);
    }
}

void TImportCommand::Apply(const core::ImportPlan& plan) {
    const platform::BusyCursor busy;
    TForm1& f = form1_;
    core::LineList categories = f.CategoryList.mid(1) + plan.newCategories;
    if (!plan.newCategories.isEmpty()) {
        f.StoreWrite([&] {
            if (const auto merged = f.Store->writeCategories(categories)) {
                f.TakeMerged(std::nullopt, merged);
                categories = merged->lines;
            }
        });
    }
    const qsizetype before = f.PasswordList.size();
    f.PasswordList.append(plan.lines);
    try {
        f.SavePasswords();
    } catch (...) {
        // An unwritten vault keeps the list it had: the next save stores no
        // entries the user was told failed.
        f.PasswordList.resize(before);
        f.ShowCategories(categories);
        f.FillEntryList();
        throw;
    }
    f.ShowCategories(categories);
    f.FillEntryList();
}

void TImportCommand::AppendLanguageTargets(std::vector<TForm1::LanguageTarget>& t) {
    t.push_back(language::message(language::caption("MImport->Caption", form1_.MImport)));
    language::appendMessages(t, {{"StringImportFilter", &Texts.filter},
                                 {"StringImportUnknown", &Texts.unknown},
                                 {"FormImport->Caption", &Texts.title},
                                 {"FormImport->ButtonOk->Caption", &Texts.ok},
                                 {"FormImport->ButtonCancel->Caption", &Texts.cancel},
                                 {"StringImportSummary", &Texts.summary},
                                 {"StringImportCategories", &Texts.categories},
                                 {"StringImportDuplicates", &Texts.duplicates},
                                 {"StringImportUnstorable", &Texts.unstorable},
                                 {"StringImportCharacter", &Texts.character},
                                 {"StringImportLineBreaks", &Texts.lineBreaks},
                                 {"StringImportTotp", &Texts.totp},
                                 {"StringImportNotLogins", &Texts.notLogins}});
}
