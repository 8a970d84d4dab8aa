#pragma once

#include <QObject>
#include <functional>
#include <vector>

#include "localization/LanguageTarget.h"
#include "mainwindow/ImportPreview.h"

namespace session {
class UserSession;
}

// List > Import...: a CSV file from a browser or another password manager,
// previewed, then its entries and categories added and the vault written once.
class QAction;

class TImportCommand : public QObject {
    Q_OBJECT

public:
    // dataFolder ends in the separator: the file dialog starts in its data/.
    // action: the menu's command, whose caption is the language file's.
    TImportCommand(session::UserSession& session, const QString& dataFolder, QAction* action,
                   QWidget* window);

    ImportTexts Texts;
    QString FileName;  // the file chosen last in this run
    // Set by the window: what every command that writes does first (the
    // files made current, the texts read anew); false: not to go on.
    std::function<bool()> BeforeCommand = [] { return true; };

    void Execute();
    void AppendLanguageTargets(language::Targets& t);

Q_SIGNALS:
    void imported();

private:
    session::UserSession& session_;
    QString dataFolder_;
    QAction* action_;
    QWidget* window_;
};
