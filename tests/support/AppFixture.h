#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <functional>
#include <memory>

#include "ScriptedUi.h"
#include "TestDir.h"
#include "app/Form1.h"

class TFormLogin;

namespace testing_support {

// Encrypted users made while it lives derive their keys cheaply.
struct CheapKeyDerivation {
    CheapKeyDerivation();
    ~CheapKeyDerivation();
};

// A program directory, a scripted platform and the real main window.
class AppFixture : public ::testing::Test {
protected:
    TestDir dir;
    ScriptedUi ui;
    std::unique_ptr<TForm1> form;
    QString executable;  // the program's path: dir's vorrel unless set
    QString dataFolder;  // the data folder: the program's folder unless set

    void SetUp() override;
    void TearDown() override;

    // The shipped English language file in the program directory.
    void installLanguage(const QString& name = QStringLiteral("English"));

    // Creates the main window and runs its start-up; drive() works the login dialog.
    void start(const std::function<void(TFormLogin*)>& drive);
    // Start-up with typing the name and password and clicking Login (or New User).
    void loginAs(const QString& login, const QString& password);
    void newUser(const QString& login, const QString& password);

    TFormLogin* login() const;
    // Empties the login dialog's two fields and types the name and password.
    static void fillLogin(TFormLogin* d, const QString& login, const QString& password);
    // Types into a widget with real key events.
    static void type(QWidget* widget, const QString& text);
    static void click(QWidget* widget);
    // Makes the main window the active window, as a user clicking it does.
    void activate();
    // Clicks a node of the category tree (absolute index), or right-clicks it.
    void clickNode(int absoluteIndex, Qt::MouseButton button = Qt::LeftButton);
    // The titles the list shows, top to bottom, and the selected rows.
    QStringList column(int column) const;
    QList<int> selectedRows() const;
    void selectRows(const QList<int>& rows);
    // A logged-in user "bob" (password "pass") with these plain lines and categories.
    void openUser(const QList<QByteArray>& plainLines, const QList<QByteArray>& categories = {});
    // File > Encrypt Vault: the account password, then the new passphrase
    // and its confirmation typed in the passphrase dialog and OK clicked (a
    // refused OK is followed by Cancel).
    void encryptVault(const QString& passphrase, const QString& password = QStringLiteral("pass"));
    void answerPassphrase(const QString& passphrase, const QString& confirm);
    // Closes the main window as its close box does; true when it closed.
    bool closeMain();

    // The vault as plain lines.
    QList<QByteArray> vaultPlain(const QString& login) const;
};

QString sourcePath(const QString& relative);

}  // namespace testing_support
