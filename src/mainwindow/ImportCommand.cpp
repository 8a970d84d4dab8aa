#include "mainwindow/ImportCommand.h"

#include <QAction>

#include "core/VaultCrypto.h"
#include "localization/LanguageTargets.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/Ui.h"
#include "platform/Widgets.h"
#include "session/UserSession.h"

TImportCommand::TImportCommand(session::UserSession& session, const QString& dataFolder,
                               QAction* action, QWidget* window)
    : QObject(window),
      session_(session),
      dataFolder_(dataFolder),
      action_(action),
      window_(window) {
    setObjectName(QStringLiteral("ImportCommand"));
}

void TImportCommand::Execute() {
    if (!BeforeCommand()) {
        return;
    }
    platform::FileDialogRequest request;
    request.initialDir = dataFolder_ + QStringLiteral("data");
    request.fileName = FileName;
    request.filter = Texts.filter;
    const std::optional<platform::FileDialogResult> chosen = platform::ui().openFile(request);
    if (!chosen) {
        return;
    }
    FileName = chosen->fileName;
    core::ImportPlan plan;
    {
        const platform::BusyCursor busy;  // a large file takes a moment
        QByteArray data = platform::readFile(chosen->fileName);
        plan = core::planImport(data, session_.entries(), session_.categories(),
                                session_.storageRules());
        core::crypto::wipe(data);  // every password of the file, in clear
    }
    if (plan.format == core::ImportFormat::Unknown) {
        platform::ui().showMessage(Texts.unknown.arg(plan.columns.join(QStringLiteral(", "))));
        return;
    }
    TFormImport preview(plan, Texts, window_);
    if (platform::ui().showModal(&preview) != QDialog::Accepted || plan.lines.isEmpty()) {
        return;
    }
    const platform::BusyCursor busy;
    try {
        session_.import(plan);
    } catch (...) {
        Q_EMIT imported();  // the categories may be written already
        throw;
    }
    Q_EMIT imported();
}

void TImportCommand::AppendLanguageTargets(language::Targets& t) {
    t.push_back(language::message(language::caption("MImport->Caption", action_)));
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
