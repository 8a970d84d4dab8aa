// The key file: made by File > Create Key File, demanded at every later login.
#include <QCoreApplication>
#include <cstring>

#include "app/Form1.h"
#include "core/PasswordEntry.h"
#include "platform/Files.h"
#include "platform/TextList.h"

namespace {

platform::FileDialogRequest keyFileDialog(const QString& programDir) {
    platform::FileDialogRequest request;
    request.initialDir = programDir;
    request.fileName = QLatin1String(core::kDefaultKeyFileName);
    request.filter = QStringLiteral("Key File (*.vrx)|*.vrx");
    return request;
}

}  // namespace

void TForm1::Terminate() {
    Terminated = true;
    QCoreApplication::quit();
}

bool TForm1::KeyFileMatches(const QString& path) const {
    // A file without a first line (empty, or a 0x00 first byte) matches no password.
    const std::optional<QByteArray> line = platform::firstTextLine(platform::readFile(path));
    return line && core::Scramble(*line) == AccountPassword;
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
        platform::ui().openFile(keyFileDialog(ProgramDir));
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
        platform::ui().saveFile(keyFileDialog(ProgramDir));
    if (!chosen) {
        return;
    }
    const QByteArray scrambled = core::Scramble(AccountPassword);
    KeyBuffer.fill('\0');
    std::memcpy(KeyBuffer.data(), scrambled.constData(),
                size_t(std::min(scrambled.size(), KeyBuffer.size())));
    // A key file that was not written is reported, and no key is demanded:
    // nobody gets locked out by a key file that does not exist.
    platform::writeFile(chosen->fileName, KeyBuffer);
    KeyFilePath = chosen->fileName;
    UseKeyFile = true;
}
