#pragma once

#include <QObject>
#include <QString>
#include <optional>
#include <vector>

#include <functional>

#include "accounts/FormPassphrase.h"
#include "localization/LanguageTarget.h"

class QAction;
class QMenu;
class QWidget;

namespace session {
class UserSession;
}

// File > Encrypt Vault and Decrypt Vault: the user's files change format,
// and the window goes on with the store of the other format.
class TVaultCommands : public QObject {
    Q_OBJECT

public:
    // Adds the two commands to the File menu, after the action given. The
    // messages of a wrong password and of a password the compatible login
    // cannot take are the main window's.
    TVaultCommands(session::UserSession& session, QMenu* fileMenu, QAction* after,
                   const QString& wrongPassword, const QString& passwordCharacters,
                   QWidget* window);

    // Set by the window: the files opened again first when another program
    // encrypted or decrypted them; false: cancelled.
    std::function<bool()> FilesCurrent = [] { return true; };

    QAction* MEncryptVault = nullptr;
    QAction* MDecryptVault = nullptr;

    QString StringEncryptVault = QStringLiteral("Encrypt Vault...");
    QString StringDecryptVault = QStringLiteral("Decrypt Vault...");
    QString StringVaultPassword = QStringLiteral("Account password:");
    QString StringVaultEncrypted = QStringLiteral(
        "The vault is encrypted. Only this program opens it now, with your password (and key "
        "file).");
    QString StringVaultDecrypted =
        QStringLiteral("The vault is decrypted: it is stored in the compatible format again.");
    QString StringKeyFileDropped =
        QStringLiteral("The key file is no longer demanded; create a new one if you want one.");
    // "%1": the entry's title or the category's name; "%2": the character.
    QString StringCannotDecrypt = QStringLiteral(
        "\"%1\" holds the character %2, which an unencrypted vault cannot store. Nothing was "
        "changed.");

    // An encrypted user's password.
    QString StringPassphraseRule = QStringLiteral(
        "The password of an encrypted vault may be any text without control characters, 10 to "
        "128 characters long.");

    // The question after an older vault was refused.
    QString StringUseNewerBackup =
        QStringLiteral("Open the newer backup instead, and keep it as the vault?");

    // The passphrase dialog of Encrypt; its rule is StringPassphraseRule.
    PassphraseTexts Passphrase;
    // Asked after Encrypt dropped a key file the user had demanded.
    QString StringNewKeyFileOffer = QStringLiteral(
        "Your key file no longer applies: an encrypted vault has no use for it. Create a new "
        "random key file, demanded with your passphrase at every login?");

    // Asked before Decrypt.
    QString StringSavedListsWarning = QStringLiteral(
        "Lists you saved with List > Save while the vault was encrypted will not open after it "
        "is decrypted. Decrypt the vault?");

    // Enables the command that fits the logged-in user's store.
    void UpdateMenu();
    void MEncryptVaultClick();
    void MDecryptVaultClick();
    void AppendLanguageTargets(language::Targets& t);

private:
    // The masked account-password box; false when cancelled or wrong.
    bool AskAccountPassword(const QString& title);
    // The new passphrase (or the current password kept); nullopt when cancelled.
    std::optional<QByteArray> AskPassphrase();
    // password: the one the converted files open with; it becomes the account password.
    void Convert(bool encrypt, const QByteArray& password);
    session::UserSession& session_;
    const QString& wrongPassword_;
    const QString& passwordCharacters_;
    QWidget* window_;

Q_SIGNALS:
    // The session is in its new format (also after a failure half-way).
    void converted();
    // A random key file offered after Encrypt dropped the old one, and taken.
    void keyFileWanted();
};
