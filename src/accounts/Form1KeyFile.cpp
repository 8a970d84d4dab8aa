// The key file: made by File > Create Key File, demanded at every later login.
#include <QCoreApplication>

#include "app/Form1.h"
#include "core/KeyFile.h"
#include "platform/Files.h"

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

bool TForm1::KeyFileMatches(const QString& path) const {
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
    KeyBuffer = core::keyFileContent(AccountPassword);
    // A key file that was not written is reported, and no key is demanded:
    // nobody gets locked out by a key file that does not exist.
    platform::writeFile(chosen->fileName, KeyBuffer);
    KeyFilePath = chosen->fileName;
    UseKeyFile = true;
}
