#include "accounts/VaultCommands.h"

#include <QAction>
#include <QMenu>

#include "core/UserStore.h"
#include "localization/LanguageTargets.h"
#include "platform/CodePage.h"
#include "platform/Guard.h"
#include "platform/Widgets.h"

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

TVaultCommands::TVaultCommands(TForm1& form1) : QObject(&form1), form1_(form1) {
    MEncryptVault = new QAction(StringEncryptVault, &form1);
    MEncryptVault->setObjectName(QStringLiteral("MEncryptVault"));
    MDecryptVault = new QAction(StringDecryptVault, &form1);
    MDecryptVault->setObjectName(QStringLiteral("MDecryptVault"));
    const QList<QAction*> items = form1.MFile->actions();
    const qsizetype at = items.indexOf(form1.MCreateKeyFile);
    QAction* before = at >= 0 && at + 1 < items.size() ? items[at + 1] : nullptr;
    form1.MFile->insertAction(before, MEncryptVault);
    form1.MFile->insertAction(before, MDecryptVault);
    connect(MEncryptVault, &QAction::triggered, this,
            platform::command([this] { MEncryptVaultClick(); }));
    connect(MDecryptVault, &QAction::triggered, this,
            platform::command([this] { MDecryptVaultClick(); }));
    UpdateMenu();
}

void TVaultCommands::UpdateMenu() {
    const bool encrypted = form1_.Store && form1_.Store->encrypted();
    MEncryptVault->setEnabled(!encrypted);
    MDecryptVault->setEnabled(encrypted);
}

void TVaultCommands::AppendLanguageTargets(std::vector<TForm1::LanguageTarget>& t) {
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
    if (text != QString::fromUtf8(form1_.AccountPassword)) {
        platform::ui().showMessage(form1_.StringWrongPassword);
        return false;
    }
    return true;
}

void TVaultCommands::MEncryptVaultClick() {
    if (!form1_.LoggedIn || !form1_.Store || !form1_.FilesCurrent() || form1_.Store->encrypted() ||
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
    TFormPassphrase dialog(Passphrase, titleOf(StringEncryptVault), form1_.AccountPassword,
                           form1_.CurrentLogin, &form1_);
    if (platform::ui().showModal(&dialog) != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.Passphrase;
}

void TVaultCommands::MDecryptVaultClick() {
    if (!form1_.LoggedIn || !form1_.Store || !form1_.FilesCurrent() || !form1_.Store->encrypted() ||
        !AskAccountPassword(titleOf(StringDecryptVault))) {
        return;
    }
    // The compatible login takes only letters and digits: a passphrase
    // carried over would lock its owner out.
    const QString password = QString::fromUtf8(form1_.AccountPassword);
    if (password.size() < 4 || password.size() > 15 || !core::isValidLoginName(password)) {
        platform::ui().showMessage(form1_.StringPasswordCharacters);
        return;
    }
    if (!platform::ui().askOkCancel(StringSavedListsWarning, titleOf(StringDecryptVault))) {
        return;
    }
    Convert(false, form1_.AccountPassword);
}

void TVaultCommands::Convert(bool encrypt, const QByteArray& password) {
    core::LineList names = form1_.CategoryList.mid(1);
    core::LineList lines = form1_.PasswordList;
    core::UserStore::Conversion done;
    form1_.StoreWrite([&] {
        const platform::BusyCursor busy;
        done = form1_.Store->convert(password, lines, names);
    });
    if (!done.store) {
        if (done.refused) {
            platform::ui().showMessage(
                StringCannotDecrypt.arg(done.refused->name, QString(done.refused->character)));
        }
        return;
    }
    form1_.Store = std::move(done.store);
    // Also after a failure: the password file is written under the new password.
    form1_.AccountPassword = password;
    form1_.PasswordList = std::move(lines);
    names.prepend(platform::fromUi(form1_.StringAllPasswords, form1_.StorageEncoding()));
    form1_.CategoryList = std::move(names);
    form1_.FillEntryList();
    UpdateMenu();
    if (done.failure) {
        std::rethrow_exception(done.failure);
    }
    if (encrypt) {
        platform::ui().showMessage(StringVaultEncrypted);
        // The compatible key file is the scrambled password: it protected
        // nothing the passphrase does not. A random one does.
        if (done.keyFileDropped &&
            platform::ui().askOkCancel(StringNewKeyFileOffer, titleOf(StringEncryptVault))) {
            form1_.MCreateKeyFileClick();
        }
    } else {
        platform::ui().showMessage(done.keyFileDropped ? StringVaultDecrypted + QLatin1Char('\r') +
                                                             StringKeyFileDropped
                                                       : StringVaultDecrypted);
    }
}
