#include "accounts/VaultCommands.h"

#include <QAction>
#include <QMenu>

#include "localization/LanguageTargets.h"
#include "platform/CodePage.h"
#include "platform/Guard.h"
#include "platform/Widgets.h"
#include "session/Accounts.h"
#include "session/UserSession.h"

namespace {

// The command's caption as a box title: without its "..." and accelerator.
QString titleOf(QString caption) {
    caption.remove(QLatin1Char('&'));
    while (caption.endsWith(QLatin1Char('.')) || caption.endsWith(QChar(0x2026))) {
        caption.chop(1);
    }
    return caption.trimmed();
}

}  // namespace

TVaultCommands::TVaultCommands(session::UserSession& session, QMenu* fileMenu, QAction* after,
                               const QString& wrongPassword, const QString& passwordCharacters,
                               QWidget* window)
    : QObject(window),
      session_(session),
      wrongPassword_(wrongPassword),
      passwordCharacters_(passwordCharacters),
      window_(window) {
    MEncryptVault = new QAction(StringEncryptVault, window);
    MEncryptVault->setObjectName(QStringLiteral("MEncryptVault"));
    MDecryptVault = new QAction(StringDecryptVault, window);
    MDecryptVault->setObjectName(QStringLiteral("MDecryptVault"));
    const QList<QAction*> items = fileMenu->actions();
    const qsizetype at = items.indexOf(after);
    QAction* before = at >= 0 && at + 1 < items.size() ? items[at + 1] : nullptr;
    fileMenu->insertAction(before, MEncryptVault);
    fileMenu->insertAction(before, MDecryptVault);
    connect(MEncryptVault, &QAction::triggered, this,
            platform::command([this] { MEncryptVaultClick(); }));
    connect(MDecryptVault, &QAction::triggered, this,
            platform::command([this] { MDecryptVaultClick(); }));
    UpdateMenu();
}

void TVaultCommands::UpdateMenu() {
    const bool encrypted = session_.isOpen() && session_.encrypted();
    MEncryptVault->setEnabled(!encrypted);
    MDecryptVault->setEnabled(encrypted);
}

void TVaultCommands::AppendLanguageTargets(language::Targets& t) {
    using language::message;
    // The captions also title the password boxes.
    auto caption = [](const char* key, QAction* action, QString* target) {
        return message({key, [target] { return *target; },
                        [action, target](const QString& s) {
                            *target = s;
                            action->setText(s);
                        }});
    };
    t.push_back(caption("MEncryptVault->Caption", MEncryptVault, &StringEncryptVault));
    t.push_back(caption("MDecryptVault->Caption", MDecryptVault, &StringDecryptVault));
    language::appendMessages(t,
                             {{"StringVaultPassword", &StringVaultPassword},
                              {"StringVaultEncrypted", &StringVaultEncrypted},
                              {"StringVaultDecrypted", &StringVaultDecrypted},
                              {"StringKeyFileDropped", &StringKeyFileDropped},
                              {"StringCannotDecrypt", &StringCannotDecrypt},
                              {"StringPassphraseRule", &StringPassphraseRule},
                              {"StringUseNewerBackup", &StringUseNewerBackup},
                              {"StringSavedListsWarning", &StringSavedListsWarning},
                              {"FormPassphrase->LabelIntro->Caption", &Passphrase.intro},
                              {"FormPassphrase->LabelPassphrase->Caption", &Passphrase.passphrase},
                              {"FormPassphrase->LabelConfirm->Caption", &Passphrase.confirm},
                              {"FormPassphrase->CheckBoxKeep->Caption", &Passphrase.keep},
                              {"FormPassphrase->ButtonOk->Caption", &Passphrase.ok},
                              {"FormPassphrase->ButtonCancel->Caption", &Passphrase.cancel},
                              {"StringPassphraseMismatch", &Passphrase.mismatch},
                              {"StringStrengthVeryWeak", &Passphrase.veryWeak},
                              {"StringStrengthWeak", &Passphrase.weak},
                              {"StringStrengthGood", &Passphrase.good},
                              {"StringStrengthStrong", &Passphrase.strong},
                              {"StringNewKeyFileOffer", &StringNewKeyFileOffer}});
}

bool TVaultCommands::AskAccountPassword(const QString& title) {
    QString text;
    if (!platform::ui().inputQuery(title, StringVaultPassword, text, true)) {
        return false;
    }
    if (!session_.passwordIs(text)) {
        platform::ui().showMessage(wrongPassword_);
        return false;
    }
    return true;
}

void TVaultCommands::MEncryptVaultClick() {
    if (!session_.isOpen() || !FilesCurrent() || session_.encrypted() ||
        !AskAccountPassword(titleOf(StringEncryptVault))) {
        return;
    }
    // The compatible password is 4 to 15 letters and digits: the vault gets
    // a passphrase of its own, unless the password already makes one.
    const std::optional<QByteArray> passphrase = AskPassphrase();
    if (passphrase) {
        Convert(true, *passphrase);
    }
}

std::optional<QByteArray> TVaultCommands::AskPassphrase() {
    Passphrase.rule = StringPassphraseRule;
    TFormPassphrase dialog(Passphrase, titleOf(StringEncryptVault), session_.password(),
                           session_.login(), window_);
    if (platform::ui().showModal(&dialog) != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.Passphrase;
}

void TVaultCommands::MDecryptVaultClick() {
    if (!session_.isOpen() || !FilesCurrent() || !session_.encrypted() ||
        !AskAccountPassword(titleOf(StringDecryptVault))) {
        return;
    }
    // The compatible login takes only letters and digits: a passphrase
    // carried over would lock its owner out.
    if (session::newPasswordRule(QString::fromUtf8(session_.password()), false) !=
        session::PasswordRule::Met) {
        platform::ui().showMessage(passwordCharacters_);
        return;
    }
    if (!platform::ui().askOkCancel(StringSavedListsWarning, titleOf(StringDecryptVault))) {
        return;
    }
    Convert(false, session_.password());
}

void TVaultCommands::Convert(bool encrypt, const QByteArray& password) {
    session::UserSession::Converted done;
    try {
        const platform::BusyCursor busy;
        done = session_.convert(password);
    } catch (...) {
        // A failure after the format changed: the session goes on in the new one.
        UpdateMenu();
        Q_EMIT converted();
        throw;
    }
    if (!done.done) {
        if (done.refused) {
            platform::ui().showMessage(
                StringCannotDecrypt.arg(done.refused->name, QString(done.refused->character)));
        }
        return;
    }
    UpdateMenu();
    Q_EMIT converted();
    if (encrypt) {
        platform::ui().showMessage(StringVaultEncrypted);
        // The compatible key file is the scrambled password: it protected
        // nothing the passphrase does not. A random one does.
        if (done.keyFileDropped &&
            platform::ui().askOkCancel(StringNewKeyFileOffer, titleOf(StringEncryptVault))) {
            Q_EMIT keyFileWanted();
        }
    } else {
        platform::ui().showMessage(done.keyFileDropped ? StringVaultDecrypted + QLatin1Char('\r') +
                                                             StringKeyFileDropped
                                                       : StringVaultDecrypted);
    }
}
