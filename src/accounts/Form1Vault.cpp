// The encrypted vault: File > Encrypt Vault and Decrypt Vault, and the
// login steps of an encrypted user.
#include <QAction>
#include <QMenu>

#include "app/Form1.h"
#include "core/EncryptedVault.h"
#include "mainwindow/TitleOrder.h"
#include "platform/CodePage.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/Guard.h"
#include "platform/IniFile.h"
#include "platform/Widgets.h"

void TForm1::CreateVaultMenu() {
    MEncryptVault = new QAction(StringEncryptVault, this);
    MEncryptVault->setObjectName(QStringLiteral("MEncryptVault"));
    MDecryptVault = new QAction(StringDecryptVault, this);
    MDecryptVault->setObjectName(QStringLiteral("MDecryptVault"));
    // Right after Create Key File.
    const QList<QAction*> items = MFile->actions();
    const qsizetype at = items.indexOf(MCreateKeyFile);
    QAction* before = at >= 0 && at + 1 < items.size() ? items[at + 1] : nullptr;
    MFile->insertAction(before, MEncryptVault);
    MFile->insertAction(before, MDecryptVault);
    connect(MEncryptVault, &QAction::triggered, this,
            platform::command([this] { MEncryptVaultClick(); }));
    connect(MDecryptVault, &QAction::triggered, this,
            platform::command([this] { MDecryptVaultClick(); }));
    UpdateVaultMenu();
}

void TForm1::UpdateVaultMenu() {
    MEncryptVault->setEnabled(!Vault);
    MDecryptVault->setEnabled(bool(Vault));
}

void TForm1::LoadVaultTexts(const platform::IniFile& ini) {
    for (auto [key, target] :
         {std::pair<const char*, QString*>{"MEncryptVault->Caption", &StringEncryptVault},
          {"MDecryptVault->Caption", &StringDecryptVault},
          {"StringVaultPassword", &StringVaultPassword},
          {"StringVaultEncrypted", &StringVaultEncrypted},
          {"StringVaultDecrypted", &StringVaultDecrypted},
          {"StringKeyFileDropped", &StringKeyFileDropped},
          {"StringCannotDecrypt", &StringCannotDecrypt}}) {
        if (const std::optional<QByteArray> value = ini.value("Messages", key)) {
            *target = platform::decodeSettingText(*value);
        }
    }
    MEncryptVault->setText(StringEncryptVault);
    MDecryptVault->setText(StringDecryptVault);
}

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

void TForm1::CloseVault() {
    PendingVault.reset();
    Vault.reset();
    if (platform::utf8Storage()) {
        platform::setUtf8Storage(false);
        TitleOrderCache->clear();
    }
}

bool TForm1::OpenEncryptedVault(std::unique_ptr<core::VaultSession> pending) {
    PendingVault = std::move(pending);
    // The password file decides: a key file mixed in is demanded even when
    // settings.dat no longer says so.
    const bool demand =
        PendingVault->needsKeyFile() || (UseKeyFile && PendingVault->hasKeyFileWrap());
    if (demand) {
        if (!KeyFileCheck()) {
            PendingVault.reset();
            return false;
        }
        UseKeyFile = true;
    } else if (!PendingVault->openWithoutKeyFile()) {
        PendingVault.reset();
        throw platform::PlatformError(core::damagedFileText(UserPaths().passwordFile));
    }
    Vault = std::move(PendingVault);
    try {
        core::finishConversion(UserPaths(), *Vault);
    } catch (...) {
        CloseVault();
        throw;
    }
    platform::setUtf8Storage(true);
    TitleOrderCache->clear();
    return true;
}

bool TForm1::AskAccountPassword(const QString& title) {
    QString text;
    if (!platform::ui().inputQuery(title, StringVaultPassword, text, true)) {
        return false;
    }
    if (text != QString::fromLatin1(AccountPassword)) {
        platform::ui().showMessage(StringWrongPassword);
        return false;
    }
    return true;
}

void TForm1::MEncryptVaultClick() {
    if (Vault || !LoggedIn || !AskAccountPassword(titleOf(StringEncryptVault))) {
        return;
    }
    // A key file the user demands is mixed in; one that cannot be read stops
    // the command before anything is written.
    std::optional<QByteArray> keyFile;
    if (UseKeyFile) {
        keyFile = platform::readFile(KeyFilePath);
    }
    core::LineList passwords = core::convertLines(PasswordList, core::compatibleEntryToUtf8);
    core::LineList categories = core::convertLines(CategoryList, core::compatibleNameToUtf8);
    {
        const platform::BusyCursor busy;
        Vault = core::encryptUserFiles(UserPaths(), AccountPassword, keyFile);
    }
    if (keyFile) {
        core::crypto::wipe(*keyFile);
    }

    PasswordList = std::move(passwords);
    CategoryList = std::move(categories);
    platform::setUtf8Storage(true);
    TitleOrderCache->clear();
    CategoryList[0] = platform::fromUi(StringAllPasswords);
    FillEntryList();
    UpdateVaultMenu();
    platform::ui().showMessage(StringVaultEncrypted);
}

void TForm1::MDecryptVaultClick() {
    if (!Vault || !AskAccountPassword(titleOf(StringDecryptVault))) {
        return;
    }
    auto refuse = [this](const core::Uncarried& bad) {
        platform::ui().showMessage(StringCannotDecrypt.arg(bad.name, QString(bad.character)));
    };
    // What is in memory first, then what the files hold.
    if (std::optional<core::Uncarried> bad = core::firstUncarriedEntry(PasswordList)) {
        refuse(*bad);
        return;
    }
    if (std::optional<core::Uncarried> bad = core::firstUncarriedCategory(CategoryList.mid(1))) {
        refuse(*bad);
        return;
    }
    // A random key file would fail the compatible check at the next login.
    const bool dropKeyFile = UseKeyFile && !core::keyFileIsCompatible(*Vault, AccountPassword);
    const std::optional<core::Uncarried> bad =
        core::decryptUserFiles(UserPaths(), AccountPassword, *Vault, [&] {
            if (dropKeyFile) {
                UseKeyFile = false;
                SaveSettings();
            }
        });
    if (bad) {
        refuse(*bad);
        return;
    }
    PasswordList = core::convertLines(PasswordList, core::utf8EntryToCompatible);
    CategoryList = core::convertLines(CategoryList, core::utf8NameToCompatible);
    CloseVault();
    CategoryList[0] = platform::fromUi(StringAllPasswords);
    FillEntryList();
    UpdateVaultMenu();
    platform::ui().showMessage(dropKeyFile
                                   ? StringVaultDecrypted + QLatin1Char('\r') + StringKeyFileDropped
                                   : StringVaultDecrypted);
}
