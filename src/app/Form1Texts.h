#pragma once

#include <QString>

#include "core/EncryptedVault.h"
#include "mainwindow/EntryDialogs.h"

// The main window's message strings, filled only by the language loader.
struct Form1Texts {
    QString StringPasswords;
    QString StringCategories;
    QString StringDeleteAsk;
    QString StringDeleteTitle;
    QString StringSelectField;
    QString StringChangeAccountPassword;
    QString StringNewPassword;
    QString StringEnterCorrectPassword;
    QString StringAllPasswords;
    QString StringNewCategory;
    QString StringInputTitle;
    QString StringChangeCategory;
    QString StringUnlock;
    QString StringInputPassword;
    QString StringWrongPassword;
    QString StringKeyFileNotFound;
    QString StringWrongKeyFile;
    // A new account password with characters the login dialog cannot take.
    QString StringPasswordCharacters = QStringLiteral(
        "The password may hold only the letters A-Z, a-z and the digits 0-9, as the login "
        "dialog takes no other characters.");
    // The description of the key-file dialogs' one file type.
    QString StringKeyFileFilter = QStringLiteral("Key File");
    // The list commands' file dialogs.
    QString OpenDialog1Filter =
        QStringLiteral("Passwords List (*.dat)|*.dat|Text Files (*.txt)|*.txt|All Files (*.*)|*.*");
    QString SaveDialog1Filter =
        QStringLiteral("Passwords List (*.dat)|*.dat|Text Files (*.txt)|*.txt");
    // What the entry dialogs share with the window (StringCannotStore among them).
    EntryDialogTexts EntryDialogs;
    // Why a file was not read or written, in the interface's words.
    core::FileTexts Files;
};
