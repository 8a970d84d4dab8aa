#include <QAction>
#include <QDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include "AppFixture.h"
#include "mainwindow/EntryListModel.h"
#include "mainwindow/ListView.h"

using testing_support::AppFixture;

class Commands : public AppFixture {};

TEST_F(Commands, CopyPasswordWhileHiddenCopiesTheRealOne) {
    openUser({"a|me|secret|", "b||x"});
    form->MHidePasswordsClick();
    selectRows({0});
    form->PMCopyPassword->trigger();
    EXPECT_EQ(ui.clipboard, QStringLiteral("secret"));
    form->PMCopyLogin->trigger();
    EXPECT_EQ(ui.clipboard, QStringLiteral("me"));
    selectRows({1});
    form->PMCopyLogin->trigger();
    EXPECT_EQ(ui.clipboard, QString());  // an empty text, not nothing
    // A row without a stored entry copies no password at all.
    form->PMCopyPassword->trigger();
    EXPECT_EQ(ui.clipboard, QString());
    EXPECT_EQ(ui.messages().size(), 1);
}

TEST_F(Commands, CopyFollowsTheCurrentEntryAndStopsAfterARefill) {
    openUser({"apple|a|pa|||", "banana|b|pb||link"});
    activate();
    form->EditSearch->setFocus();
    type(form->EditSearch, QStringLiteral("ban"));
    form->PMCopyPasswordClick();
    EXPECT_EQ(ui.clipboard, QStringLiteral("pb"));
    form->PMCopyLinkClick();
    EXPECT_EQ(ui.clipboard, QStringLiteral("link"));
    form->FillEntryList();
    ui.clipboard = QStringLiteral("kept");
    form->PMCopyLoginClick();
    form->PMCopyPasswordClick();
    EXPECT_EQ(ui.clipboard, QStringLiteral("kept"));
}

TEST_F(Commands, OpenLinkAddsHttpUnlessAPrefixStandsAnywhere) {
    openUser({"1|u|p||example.org", "2|u|p||https://secure.example.org", "3|u|p||",
              "4|u|p||HTTP://CAPS", "5|u|p||see http://x", "6|u|p||ftp://files"});
    for (int r = 0; r < 6; ++r) {
        selectRows({r});
        form->PMOpenUrl->trigger();
    }
    EXPECT_EQ(ui.opened, (QStringList{"http://example.org", "https://secure.example.org", "http://",
                                      "http://HTTP://CAPS", "see http://x", "http://ftp://files"}));
    selectRows({3, 0});
    form->PMOpenUrlClick();
    EXPECT_EQ(ui.opened.last(), QStringLiteral("http://example.org"));
    form->ListView1->clearSelection();
    form->PMOpenUrlClick();
    EXPECT_EQ(ui.messages(), QStringList{QStringLiteral("Please select an entry first.")});
}

TEST_F(Commands, EscapeClosesOnlyWhenTheWindowItselfHasTheKey) {
    openUser({"a|u|p"});
    activate();
    form->EditSearch->setFocus();
    QTest::keyClick(form->EditSearch, Qt::Key_Escape);
    EXPECT_TRUE(form->isVisible());
    form->ListView1->setFocus();
    QTest::keyClick(form->ListView1, Qt::Key_Escape);
    EXPECT_TRUE(form->isVisible());
    QApplication::focusWidget()->clearFocus();
    QTest::keyClick(form.get(), Qt::Key_Escape);
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(dir.exists(QStringLiteral("vorrel.ini")));
}

TEST_F(Commands, ExitClosesWithSaving) {
    openUser({"a|u|p"});
    form->MExit->trigger();
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
    EXPECT_EQ(names(form->MFile), (QStringList{"MChangePass", "MCreateKeyFile", "MEncryptVault",
                                               "MDecryptVault", "-", "MExit"}));
    EXPECT_EQ(names(form->MCategory), (QStringList{"MCatNew", "MCatRename", "MCatDelete"}));
    EXPECT_EQ(names(form->MData), (QStringList{"AAdd", "AEdit", "ADelete"}));
    EXPECT_EQ(names(form->MList), (QStringList{"ASave", "ALoad", "MRestore", "AClear", "MExport"}));
    EXPECT_EQ(names(form->MOptions),
              (QStringList{"MLanguage", "MFont", "MHidePasswords", "MLock"}));
    EXPECT_EQ(names(form->MLanguage),
              (QStringList{"MLangEnglish", "MLangRussian", "MLangSChinese"}));
    EXPECT_EQ(names(form->MHelp), QStringList{"MAboutProgram"});
    EXPECT_EQ(names(form->PopupMenu1),
              (QStringList{"PMAdd", "PMEdit", "PMDelete", "PMCopyToClipboard", "PMOpenUrl"}));
    EXPECT_EQ(names(form->PMCopyToClipboard),
              (QStringList{"PMCopyLogin", "PMCopyPassword", "PMCopyLink"}));
    EXPECT_EQ(names(form->PopupMenu2), (QStringList{"PMCatNew", "PMCatRename", "PMCatDelete"}));
    EXPECT_EQ(names(form->PopupMenuTray),
              (QStringList{"PMTrayAdd", "PMUnlock", "-", "PMTrayExit"}));

    const std::pair<QAction*, const char*> keys[] = {
        {form->AAdd, "Ctrl+Alt+A"},       {form->AEdit, "Ctrl+Alt+E"},
        {form->ADelete, "Ctrl+Alt+D"},    {form->ASave, "Ctrl+Alt+S"},
        {form->ALoad, "Ctrl+Alt+L"},      {form->MRestore, "Ctrl+Alt+B"},
        {form->AClear, "Ctrl+Alt+C"},     {form->MExport, "Ctrl+Alt+X"},
        {form->MHidePasswords, "Ctrl+H"}, {form->MLock, "Ctrl+L"}};
    for (const auto& [action, key] : keys) {
        EXPECT_EQ(action->shortcut(), QKeySequence(QString::fromLatin1(key))) << key;
    }
    // A shortcut typed into the main window runs its command.
    activate();
    ui.answerModal([](QDialog* d) { d->reject(); });
    QTest::keyClick(form->ListView1, Qt::Key_A, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(ui.texts(QStringLiteral("modal")), QStringList{QStringLiteral("FormAdd")});
    QTest::keyClick(form->ListView1, Qt::Key_H, Qt::ControlModifier);
    EXPECT_TRUE(form->HidePasswords);
}

TEST_F(Commands, ExportAndAboutLoadTheLanguageThenShowTheirWindows) {
    openUser({});
    form->StringDeleteAsk = QStringLiteral("changed");
    ui.answerModal([](QDialog* d) { d->reject(); });
    ui.answerModal([](QDialog* d) { d->reject(); });
    form->MExport->trigger();
    EXPECT_EQ(form->StringDeleteAsk, QStringLiteral("Delete the selected entries?"));
    form->StringDeleteAsk = QStringLiteral("changed");
    form->MAboutProgram->trigger();
    EXPECT_EQ(form->StringDeleteAsk, QStringLiteral("Delete the selected entries?"));
    EXPECT_EQ(ui.texts(QStringLiteral("modal")), (QStringList{"FormExport", "AboutBox"}));
}
