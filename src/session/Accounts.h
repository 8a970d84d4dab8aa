#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

#include "core/UserFiles.h"

namespace core {
struct FileTexts;
class UserLogin;
}  // namespace core

namespace session {

// The users of one data folder: who exists, the creation of a new one, and
// the check of a login. Every file goes through the FileSystem layer.
class Accounts {
public:
    // dataFolder ends in the separator.
    explicit Accounts(QString dataFolder) : dataFolder_(std::move(dataFolder)) {}

    core::UserPaths paths(const QString& login) const;
    // A valid name whose folder exists.
    bool exists(const QString& login) const;
    // The user's password file is encrypted: their password is a passphrase.
    bool encrypted(const QString& login) const;

    enum class Created { Done, InvalidName, Exists };
    // The user's folder (only its owner may enter it), an empty vault and
    // category file and the password file. When a file cannot be written,
    // what was made is taken back (so the name stays free) and the failure
    // is raised.
    Created create(const QString& login, const QByteArray& password) const;

    // nullptr when the password is another.
    std::unique_ptr<core::UserLogin> check(const QString& login, const QByteArray& password,
                                           const core::FileTexts& texts) const;

private:
    QString dataFolder_;
};

// What a password field takes for a user: an encrypted user's passphrase
// is any text of up to 128 characters (UTF-16 units: twice that), every
// other user's 16 letters and digits.
struct PasswordField {
    int maxLength;
    bool lettersAndDigitsOnly;
};
PasswordField passwordField(bool encrypted);

// A new password in each format: the compatible one 4 to 15 letters and
// digits (the login dialog takes no other characters), an encrypted one any
// text of 10 to 128 characters without control characters.
enum class PasswordRule { Met, CompatibleLength, CompatibleCharacters, Passphrase };
PasswordRule newPasswordRule(const QString& password, bool encrypted);

}  // namespace session
