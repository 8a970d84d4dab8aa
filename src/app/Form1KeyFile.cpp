// The key file: made by File > Create Key File, demanded at every later login.
#include <QCoreApplication>

#include "app/Form1.h"
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
    terminated_ = true;
    QCoreApplication::quit();
}

bool TForm1::KeyFileCheck(core::UserLogin& login, bool endOnFailure) {
    core::UserSettings& settings = login.settings();
    const auto fail = [&] {
        if (endOnFailure) {
            Terminate();
        }
        return false;
    };
    if (platform::FileExists(settings.keyFile)) {
        if (login.keyFileFits(settings.keyFile)) {
            settings.key = true;
            return true;
        }
        platform::ui().showMessage(texts.StringWrongKeyFile);
        return fail();
    }
    platform::ui().showMessage(texts.StringKeyFileNotFound);
    const std::optional<platform::FileDialogResult> chosen =
        platform::ui().openFile(keyFileDialog(DataDir, texts.StringKeyFileFilter));
    if (!chosen) {
        return fail();
    }
    if (!login.keyFileFits(chosen->fileName)) {
        platform::ui().showMessage(texts.StringWrongKeyFile);
        return fail();
    }
    settings.keyFile = chosen->fileName;
    settings.key = true;
    return true;
}

void TForm1::MCreateKeyFileClick() {
    if (!FilesCurrent()) {
        return;
    }
    const std::optional<platform::FileDialogResult> chosen =
        platform::ui().saveFile(keyFileDialog(DataDir, texts.StringKeyFileFilter));
    if (!chosen) {
        return;
    }
    const platform::BusyCursor busy;
    session_.createKeyFile(chosen->fileName);
}
