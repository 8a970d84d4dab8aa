// The key file: made by File > Create Key File, demanded at every later login.
#include <QCoreApplication>

#include "app/Form1.h"
#include "core/EncryptedVault.h"
#include "core/KeyFile.h"
#include "platform/Files.h"
#include "platform/Widgets.h"

namespace {

platform::FileDialogRequest keyFileDialog(const QString& programDir, const QString& description) {
    platform::FileDialogRequest request;
    request.initialDir = programDir;
    request.fileName = QLatin1String(core::kDefaultKeyFileName);
    request.filter = description + QStringLiteral(" (*.vrx)|*.vrx");
    return request;
}

}  // namespace

void TForm1::Terminate() {
    Terminated = true;
    QCoreApplication::quit();
}

bool TForm1::KeyFileMatches(const QString& path) {
    if (PendingVault) {
        // An encrypted vault: the key file fits when it opens the data key.
        QByteArray content = platform::readFile(path);
        const bool opens = PendingVault->openWithKeyFile(content);
        core::crypto::wipe(content);
        return opens;
    }
    return core::keyFileMatches(platform::readFile(path), AccountPassword);
}

bool TForm1::KeyFileCheck() {
    if (platform::FileExists(KeyFilePath)) {
        if (KeyFileMatches(KeyFilePath)) {
            return true;
        }
        platform::ui().showMessage(StringWrongKeyFile);
        Terminate();
        return false;
    }
    platform::ui().showMessage(StringKeyFileNotFound);
    const std::optional<platform::FileDialogResult> chosen =
        platform::ui().openFile(keyFileDialog(ProgramDir, StringKeyFileFilter));
    if (!chosen) {
        Terminate();
        return false;
    }
    if (!KeyFileMatches(chosen->fileName)) {
        platform::ui().showMessage(StringWrongKeyFile);
        Terminate();
        return false;
    }
    KeyFilePath = chosen->fileName;
    return true;
}

void TForm1::MCreateKeyFileClick() {
    const std::optional<platform::FileDialogResult> chosen =
        platform::ui().saveFile(keyFileDialog(ProgramDir, StringKeyFileFilter));
    if (!chosen) {
        return;
    }
    if (Vault) {
        // Random bytes mixed into the wrapping of the data key. The settings
        // that name the file are written at once: the old key file stops
        // opening the vault, so a settings file naming it would lock out.
        const platform::BusyCursor busy;
        core::replaceKeyFile(UserPaths().passwordFile, AccountPassword, *Vault, chosen->fileName,
                             [&] {
                                 KeyFilePath = chosen->fileName;
                                 UseKeyFile = true;
                                 SaveSettings();
                             });
        return;
    }
    KeyBuffer = core::keyFileContent(AccountPassword);
    // A key file that was not written is reported, and no key is demanded:
    // nobody gets locked out by a key file that does not exist.
    platform::writeFile(chosen->fileName, KeyBuffer);
    KeyFilePath = chosen->fileName;
    UseKeyFile = true;
}
