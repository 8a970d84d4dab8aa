#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "AppFixture.h"
#include "accounts/FormLogin.h"
#include "export/FormExport.h"
#include "mainwindow/EntryDialogs.h"
#include "mainwindow/EntryListModel.h"
#include "mainwindow/ListView.h"
#include "mainwindow/SecretClipboard.h"

using testing_support::AppFixture;

class Commands : public AppFixture {};

TEST_F(Commands, CopyPasswordWhileHiddenCopiesTheRealOne) {
    openUser({"a|me|secret|", "b||x"});
    form->MHidePasswordsClick();
    selectRows({0});
    form->ui.PMCopyPassword->trigger();
    EXPECT_EQ(ui.clipboard, QStringLiteral("secret"));
    form->ui.PMCopyLogin->trigger();
    EXPECT_EQ(ui.clipboard, QStringLiteral("me"));
    selectRows({1});
    form->ui.PMCopyLogin->trigger();
    EXPECT_EQ(ui.clipboard, QString());  // an empty text, not nothing
    // A row without a login still has its stored entry.
    form->ui.PMCopyPassword->trigger();
    EXPECT_EQ(ui.clipboard, QStringLiteral("x"));
    EXPECT_TRUE(ui.messages().isEmpty());
}

TEST_F(Commands, CopyFollowsTheCurrentEntryAndStopsAfterARefill) {
    openUser({"apple|a|pa|||", "banana|b|pb||link"});
    activate();
    form->ui.EditSearch->setFocus();
    type(form->ui.EditSearch, QStringLiteral("ban"));
    form->ui.PMCopyPassword->trigger();
    EXPECT_EQ(ui.clipboard, QStringLiteral("pb"));
    form->ui.PMCopyLink->trigger();
    EXPECT_EQ(ui.clipboard, QStringLiteral("link"));
    form->FillEntryList();
    ui.clipboard = QStringLiteral("kept");
    form->ui.PMCopyLogin->trigger();
    form->ui.PMCopyPassword->trigger();
    EXPECT_EQ(ui.clipboard, QStringLiteral("kept"));
}

TEST_F(Commands, OpenLinkAddsHttpUnlessAPrefixStandsAnywhere) {
    openUser({"1|u|p||example.org", "2|u|p||https://secure.example.org", "3|u|p||",
              "4|u|p||HTTP://CAPS", "5|u|p||see http://x", "6|u|p||ftp://files"});
    for (int r = 0; r < 6; ++r) {
        selectRows({r});
        form->ui.PMOpenUrl->trigger();
    }
    EXPECT_EQ(ui.opened, (QStringList{"http://example.org", "https://secure.example.org", "http://",
                                      "http://HTTP://CAPS", "see http://x", "http://ftp://files"}));
    selectRows({3, 0});
    form->ui.PMOpenUrl->trigger();
    EXPECT_EQ(ui.opened.last(), QStringLiteral("http://example.org"));
    form->ui.ListView1->clearSelection();
    form->ui.PMOpenUrl->trigger();
    EXPECT_EQ(ui.messages(), QStringList{QStringLiteral("Please select an entry first.")});
}

TEST_F(Commands, EscapeClosesOnlyWhenTheWindowItselfHasTheKey) {
    openUser({"a|u|p"});
    activate();
    form->ui.EditSearch->setFocus();
    QTest::keyClick(form->ui.EditSearch, Qt::Key_Escape);
    EXPECT_TRUE(form->isVisible());
    form->ui.ListView1->setFocus();
    QTest::keyClick(form->ui.ListView1, Qt::Key_Escape);
    EXPECT_TRUE(form->isVisible());
    QApplication::focusWidget()->clearFocus();
    QTest::keyClick(form.get(), Qt::Key_Escape);
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(dir.exists(QStringLiteral("vorrel.ini")));
}

TEST_F(Commands, ExitClosesWithSaving) {
    openUser({"a|u|p"});
    form->ui.MExit->trigger();
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(dir.exists(QStringLiteral("users/bob/settings.dat")));
}

TEST_F(Commands, MenuMapAndShortcuts) {
    openUser({});
    QStringList menus;
    for (QAction* a : form->menuBar()->actions()) {
        menus << a->menu()->objectName();
    }
    EXPECT_EQ(menus, (QStringList{"MFile", "MCategory", "MData", "MList", "MOptions", "MHelp"}));
    auto names = [](QMenu* m) {
        QStringList n;
        for (QAction* a : m->actions()) {
            n << (a->isSeparator() ? QStringLiteral("-")
                  : a->menu()      ? a->menu()->objectName()
                                   : a->objectName());
        }
        return n;
    };
    EXPECT_EQ(names(form->ui.MFile), (QStringList{"MChangePass", "MCreateKeyFile", "MEncryptVault",
                                                  "MDecryptVault", "-", "MExit"}));
    EXPECT_EQ(names(form->ui.MCategory), (QStringList{"MCatNew", "MCatRename", "MCatDelete"}));
    EXPECT_EQ(names(form->ui.MData), (QStringList{"AAdd", "AEdit", "ADelete"}));
    EXPECT_EQ(names(form->ui.MList),
              (QStringList{"ASave", "ALoad", "MRestore", "AClear", "MImport", "MExport"}));
    EXPECT_EQ(names(form->ui.MOptions),
              (QStringList{"MLanguage", "MFont", "MHidePasswords", "MLock"}));
    EXPECT_EQ(names(form->ui.MLanguage),
              (QStringList{"MLangEnglish", "MLangRussian", "MLangSChinese"}));
    EXPECT_EQ(names(form->ui.MHelp), QStringList{"MAboutProgram"});
    EXPECT_EQ(names(form->ui.PopupMenu1),
              (QStringList{"PMAdd", "PMEdit", "PMDelete", "PMCopyToClipboard", "PMOpenUrl"}));
    EXPECT_EQ(names(form->ui.PMCopyToClipboard),
              (QStringList{"PMCopyLogin", "PMCopyPassword", "PMCopyLink"}));
    EXPECT_EQ(names(form->ui.PopupMenu2), (QStringList{"PMCatNew", "PMCatRename", "PMCatDelete"}));
    EXPECT_EQ(names(form->ui.PopupMenuTray),
              (QStringList{"PMTrayAdd", "PMUnlock", "-", "PMTrayExit"}));

    const std::pair<QAction*, const char*> keys[] = {
        {form->ui.AAdd, "Ctrl+Alt+A"},       {form->ui.AEdit, "Ctrl+Alt+E"},
        {form->ui.ADelete, "Ctrl+Alt+D"},    {form->ui.ASave, "Ctrl+Alt+S"},
        {form->ui.ALoad, "Ctrl+Alt+L"},      {form->ui.MRestore, "Ctrl+Alt+B"},
        {form->ui.AClear, "Ctrl+Alt+C"},     {form->ui.MExport, "Ctrl+Alt+X"},
        {form->ui.MHidePasswords, "Ctrl+H"}, {form->ui.MLock, "Ctrl+L"}};
    for (const auto& [action, key] : keys) {
        EXPECT_EQ(action->shortcut(), QKeySequence(QString::fromLatin1(key))) << key;
    }
    // A shortcut typed into the main window runs its command.
    activate();
    ui.answerModal([](QDialog* d) { d->reject(); });
    QTest::keyClick(form->ui.ListView1, Qt::Key_A, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(ui.texts(QStringLiteral("modal")), QStringList{QStringLiteral("FormAdd")});
    QTest::keyClick(form->ui.ListView1, Qt::Key_H, Qt::ControlModifier);
    EXPECT_TRUE(form->HidePasswords);
}

TEST_F(Commands, ExportAndAboutLoadTheLanguageThenShowTheirWindows) {
    openUser({});
    form->texts.StringDeleteAsk = QStringLiteral("changed");
    ui.answerModal([](QDialog* d) { d->reject(); });
    ui.answerModal([](QDialog* d) { d->reject(); });
    form->ui.MExport->trigger();
    EXPECT_EQ(form->texts.StringDeleteAsk, QStringLiteral("Delete the selected entries?"));
    form->texts.StringDeleteAsk = QStringLiteral("changed");
    form->ui.MAboutProgram->trigger();
    EXPECT_EQ(form->texts.StringDeleteAsk, QStringLiteral("Delete the selected entries?"));
    EXPECT_EQ(ui.texts(QStringLiteral("modal")), (QStringList{"FormExport", "AboutBox"}));
}

TEST_F(Commands, ListKeysSelectOpenTheMenuAndDelete) {
    openUser({"b|second|p2", "a|first|p1"});
    activate();
    // Tabbing in selects the current row, the first when there is none.
    form->ui.EditSearch->setFocus();
    QTest::keyClick(form->ui.EditSearch, Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), form->ui.ListView1);
    EXPECT_EQ(selectedRows(), QList<int>{0});
    form->ui.PMCopyLogin->trigger();
    EXPECT_EQ(ui.clipboard, QStringLiteral("first"));
    // Shift+F10 and the Menu key open the context menu at the current row.
    QTest::keyClick(form->ui.ListView1, Qt::Key_Down);
    for (const auto& [key, modifiers] :
         {std::pair{Qt::Key_F10, Qt::ShiftModifier}, std::pair{Qt::Key_Menu, Qt::NoModifier}}) {
        QTest::keyClick(form->ui.ListView1, key, modifiers);
        ASSERT_TRUE(form->ui.PopupMenu1->isVisible());
        const QRect row = form->ui.ListView1->visualRect(form->ui.ListModel->index(1, 0));
        EXPECT_EQ(form->ui.PopupMenu1->pos(),
                  form->ui.ListView1->viewport()->mapToGlobal(row.bottomLeft()));
        form->ui.PopupMenu1->hide();
    }
    // The keypad's Delete and Shift+Delete ask as Delete does.
    ui.answerQuestion(false);
    ui.answerQuestion(false);
    QTest::keyClick(form->ui.ListView1, Qt::Key_Delete, Qt::KeypadModifier);
    QTest::keyClick(form->ui.ListView1, Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_EQ(ui.texts(QStringLiteral("question")).size(), 2);
}

TEST_F(Commands, EnterPressesTheFocusedButtonAndNothingElse) {
    installLanguage();
    dir.makeUser(QStringLiteral("bob"), "pass");
    start([&](TFormLogin* d) {
        fillLogin(d, QStringLiteral("bob"), QStringLiteral("pass"));
        QTest::keyClick(d->ComboBoxLogin->lineEdit(), Qt::Key_Return);
        EXPECT_FALSE(form->loggedIn());
        d->ButtonLogin->setFocus();
        QTest::keyClick(d->ButtonLogin, Qt::Key_Return);
        EXPECT_TRUE(form->loggedIn());
    });
    ASSERT_TRUE(form->loggedIn());
    ui.answerModal([](QDialog* d) {
        auto* add = static_cast<TFormAdd*>(d);
        QTest::keyClick(add->EditName, Qt::Key_Return);
        EXPECT_TRUE(add->isVisible());
        add->ButtonCancel->setFocus();
        QTest::keyClick(add->ButtonCancel, Qt::Key_Enter, Qt::KeypadModifier);
        EXPECT_FALSE(add->isVisible());
    });
    form->ui.AAdd->trigger();
    ui.answerSaveFile(std::nullopt);
    ui.answerModal([](QDialog* d) {
        auto* e = static_cast<TFormExport*>(d);
        e->ButtonOk->setFocus();
        QTest::keyClick(e->ButtonOk, Qt::Key_Return);
    });
    form->ui.MExport->trigger();
    EXPECT_EQ(ui.texts(QStringLiteral("save")).size(), 1);
}

TEST_F(Commands, ACopiedPasswordIsSecretAndForgottenAfter30SecondsAtLockAndAtExit) {
    openUser({"a|me|secret|", "b|you|other|"});
    selectRows({0});
    form->ui.PMCopyPassword->trigger();
    EXPECT_EQ(ui.clipboard, QStringLiteral("secret"));
    EXPECT_TRUE(ui.clipboardSecret);
    EXPECT_TRUE(form->ui.Clipboard->timer()->isActive());
    EXPECT_EQ(form->ui.Clipboard->timer()->interval(), 30000);
    EXPECT_TRUE(form->ui.Clipboard->timer()->isSingleShot());
    form->ui.Clipboard->forget();
    EXPECT_EQ(ui.clipboard, std::nullopt);

    // The user copied something else meanwhile: it stays.
    form->ui.PMCopyPassword->trigger();
    ui.clipboard = QStringLiteral("mine");
    form->ui.Clipboard->forget();
    EXPECT_EQ(ui.clipboard, QStringLiteral("mine"));
    // Logins and links are not secrets and are not emptied.
    form->ui.PMCopyLogin->trigger();
    EXPECT_FALSE(ui.clipboardSecret);
    EXPECT_FALSE(form->ui.Clipboard->timer()->isActive());

    // The lock empties it at once.
    form->ui.PMCopyPassword->trigger();
    form->MLockClick();
    EXPECT_EQ(ui.clipboard, std::nullopt);
    EXPECT_FALSE(form->ui.Clipboard->timer()->isActive());
    ui.answerInput(QStringLiteral("pass"));
    ASSERT_TRUE(form->PMUnlockClick());

    // So does the end of the program.
    selectRows({1});
    form->ui.PMCopyPassword->trigger();
    EXPECT_EQ(ui.clipboard, QStringLiteral("other"));
    EXPECT_TRUE(closeMain());
    EXPECT_EQ(ui.clipboard, std::nullopt);

    // The real clipboard gets the mark clipboard managers look for.
    platform::QtUi real;
    real.setSecretClipboardText(QStringLiteral("s3cret"));
    const QMimeData* data = QApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->text(), QStringLiteral("s3cret"));
#ifndef Q_OS_WIN
    EXPECT_EQ(data->data(QStringLiteral("x-kde-passwordManagerHint")), QByteArray("secret"));
#endif
    EXPECT_EQ(real.clipboardText(), QStringLiteral("s3cret"));
    real.clearClipboard();
    EXPECT_EQ(real.clipboardText(), QString());
}

TEST_F(Commands, CtrlCOnAShownPasswordCopiesItAsASecretAndNeverAsPlainText) {
    openUser({"a|me|secret|"});
    QClipboard* system = QApplication::clipboard();
    system->clear();
    // Marked and forgotten later, as the menu's copy does, and never put on
    // the clipboard as the plain text Qt would copy.
    auto copiedAsSecret = [&](const QString& password) {
        EXPECT_EQ(ui.clipboard, password);
        EXPECT_TRUE(ui.clipboardSecret);
        EXPECT_TRUE(form->ui.Clipboard->timer()->isActive());
        EXPECT_NE(system->text(), password);
        ui.clearClipboard();
    };

    // The list's Password column.
    activate();
    selectRows({0});
    form->ui.ListView1->setCurrentIndex(form->ui.ListModel->index(0, core::Password));
    QTest::keyClick(form->ui.ListView1, Qt::Key_C, Qt::ControlModifier);
    copiedAsSecret(QStringLiteral("secret"));

    // The entry dialogs' Password field: Ctrl+C, the context menu's Copy, Ctrl+X.
    ui.answerModal([&](QDialog* d) {
        QLineEdit* field = static_cast<TFormEdit*>(d)->EditPassword;
        field->selectAll();
        QTest::keyClick(field, Qt::Key_C, Qt::ControlModifier);
        copiedAsSecret(QStringLiteral("secret"));
        QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(),
                                  field->mapToGlobal(QPoint()));
        QApplication::sendEvent(field, &menuKey);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        for (QAction* action : menu->actions()) {
            if (action->text().startsWith(QLatin1String("&Copy"))) {
                action->trigger();
            }
        }
        menu->close();
        copiedAsSecret(QStringLiteral("secret"));
        QTest::keyClick(field, Qt::Key_X, Qt::ControlModifier);
        EXPECT_EQ(field->text(), QString());
        copiedAsSecret(QStringLiteral("secret"));
        d->reject();
    });
    form->ui.AEdit->trigger();
    EXPECT_TRUE(ui.allAnswersUsed());

    // The real box for a new account password, which shows it as typed; a
    // lock forgets what was copied from it.
    QTimer::singleShot(0, [] {
        QWidget* box = QApplication::activeModalWidget();
        auto* field = box->findChild<QLineEdit*>();
        type(field, QStringLiteral("n3wpass"));
        field->selectAll();
        QTest::keyClick(field, Qt::Key_C, Qt::ControlModifier);
        box->close();
    });
    QString typed;
    platform::QtUi().inputNewPassword(QStringLiteral("title"), QStringLiteral("prompt"), typed,
                                      [&](const QString& text) { form->ui.Clipboard->copy(text); });
    EXPECT_EQ(ui.clipboard, QStringLiteral("n3wpass"));
    EXPECT_NE(system->text(), QStringLiteral("n3wpass"));
    form->MLockClick();
    EXPECT_EQ(ui.clipboard, std::nullopt);
}
