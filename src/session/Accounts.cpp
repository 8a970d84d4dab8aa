#include "session/Accounts.h"

#include "core/EncryptedVault.h"
#include "core/PasswordEntry.h"
#include "core/UserStore.h"
#include "core/VaultCrypto.h"
#include "platform/Files.h"
#include "platform/TextList.h"

namespace session {

core::UserPaths Accounts::paths(const QString& login) const {
    return core::UserPaths::of(dataFolder_, login);
}

bool Accounts::exists(const QString& login) const {
    return core::isValidLoginName(login) && platform::DirectoryExists(paths(login).folder);
}

bool Accounts::encrypted(const QString& login) const {
    if (!core::isValidLoginName(login)) {
        return false;
    }
    const QString path = paths(login).passwordFile;
    return platform::FileExists(path) &&
           core::crypto::isEncryptedPasswordFile(core::readPasswordFile(path));
}

Accounts::Created Accounts::create(const QString& login, const QByteArray& password) const {
    const core::UserPaths p = paths(login);
    if (!platform::DirectoryExists(p.usersFolder)) {
        platform::CreateDir(p.usersFolder);
    }
    if (!core::isValidLoginName(login)) {
        return Created::InvalidName;
    }
    if (platform::DirectoryExists(p.folder)) {
        return Created::Exists;
    }
    platform::CreatePrivateDir(p.folder);
    try {
        platform::writeFile(p.vault, QByteArray());
        platform::saveTextList(p.passwordFile, {core::Scramble(password)});
        platform::writeFile(p.categories, QByteArray());
    } catch (...) {
        // Half a user would block the name for good ("exists", yet no
        // password file to log in with).
        for (const QString& file : {p.vault, p.passwordFile, p.categories}) {
            platform::fileSystem().remove(file);
        }
        platform::fileSystem().removeDirectory(p.folder);
        throw;
    }
    return Created::Done;
}

std::unique_ptr<core::UserLogin> Accounts::check(const QString& login, const QByteArray& password,
                                                 const core::FileTexts& texts) const {
    return core::UserLogin::check(paths(login), password, texts);
}

PasswordField passwordField(bool encrypted) {
    return encrypted ? PasswordField{int(2 * core::kMaxPassphraseLength), false}
                     : PasswordField{16, true};
}

PasswordRule newPasswordRule(const QString& password, bool encrypted) {
    if (encrypted) {
        return core::passphraseProblem(password) == core::PassphraseProblem::None
                   ? PasswordRule::Met
                   : PasswordRule::Passphrase;
    }
    if (password.size() < 4 || password.size() > 15) {
        return PasswordRule::CompatibleLength;
    }
    return core::isValidLoginName(password) ? PasswordRule::Met
                                            : PasswordRule::CompatibleCharacters;
}

}  // namespace session
