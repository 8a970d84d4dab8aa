#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QTest>
#include <QTreeWidget>

#include "AppFixture.h"
#include "FaultyFileSystem.h"
#include "mainwindow/EntryDialogs.h"
#include "mainwindow/EntryListModel.h"
#include "mainwindow/ListView.h"

using testing_support::AppFixture;
using testing_support::crlf;

class EntryDialogs : public AppFixture {
protected:
    void open(const QList<QByteArray>& lines, const QList<QByteArray>& categories = {}) {
        openUser(lines, categories);
    }
    // Runs the add command with drive() working the open dialog; generated
    // keeps the password the dialog opened with.
    void add(const std::function<void(TFormAdd*)>& drive) {
        ui.answerModal([&](QDialog* d) {
            generated = static_cast<TFormAdd*>(d)->EditPassword->text().toLatin1();
            drive(static_cast<TFormAdd*>(d));
            if (d->isVisible()) {
                click(static_cast<TFormAdd*>(d)->ButtonCancel);
            }
        });
        form->ui.AAdd->trigger();
    }
    void edit(const std::function<void(TFormEdit*)>& drive) {
        ui.answerModal([&](QDialog* d) {
            drive(static_cast<TFormEdit*>(d));
            if (d->isVisible()) {
                click(static_cast<TFormEdit*>(d)->ButtonCancel);
            }
        });
        form->ui.AEdit->trigger();
    }
    static void fill(TEntryDialog* d, const QString& name, const QString& login) {
        d->EditName->clear();
        d->EditLogin->clear();
        type(d->EditName, name);
        type(d->EditLogin, login);
    }
    QByteArray generated;
};

TEST_F(EntryDialogs, AddMessagesListEachEmptyFieldEndedByACarriageReturn) {
    open({});
    add([&](TFormAdd* d) {
        d->EditPassword->clear();
        click(d->ButtonOk);
        fill(d, QStringLiteral("n"), QString());
        type(d->EditPassword, QStringLiteral("p"));
        click(d->ButtonOk);
        EXPECT_TRUE(d->isVisible());
        EXPECT_EQ(d->EditName->text(), QStringLiteral("n"));
    });
    EXPECT_EQ(
        ui.messages(),
        (QStringList{QStringLiteral(
                         "Please enter a name.\rPlease enter a login.\rPlease enter a password.\r"),
                     QStringLiteral("Please enter a login.\r")}));
    EXPECT_TRUE(form->session().entries().isEmpty());
}

TEST_F(EntryDialogs, AddStoresAtOnceAndShowsTheEntrysCategory) {
    open({"old|u|p|Home"}, {"Work", "Home"});
    add([&](TFormAdd* d) {
        EXPECT_EQ(d->EditPassword->text().size(), 10);
        EXPECT_EQ(d->ComboBoxCat->count(), 2);
        EXPECT_EQ(d->ComboBoxCat->currentText(), QStringLiteral("Work"));
        fill(d, QStringLiteral("Mail"), QStringLiteral("bob"));
        type(d->EditUrl, QStringLiteral("mail.example.org"));
        type(d->EditSoftwareSerial, QStringLiteral("S-1"));
        click(d->ButtonOk);
        EXPECT_FALSE(d->isVisible());
    });
    EXPECT_EQ(vaultPlain(QStringLiteral("bob")),
              (QList<QByteArray>{"old|u|p|Home",
                                 "Mail|bob|" + generated + "|Work|mail.example.org||||S-1"}));
    EXPECT_EQ(form->CategoryNode(1)->text(0), QStringLiteral("Work (1)"));
    EXPECT_EQ(form->CategoryNode(0)->text(0), QStringLiteral("All Passwords (2)"));
    EXPECT_EQ(form->ui.TreeViewCat->currentItem(), form->CategoryNode(1));
    EXPECT_EQ(form->SelectedCategoryIndex, 1);
    EXPECT_EQ(column(0), QStringList{QStringLiteral("Mail")});
    EXPECT_EQ(form->ui.StatusPanels[0]->text(), QStringLiteral(" Passwords: 2"));
}

TEST_F(EntryDialogs, AddingTheSameEntryTwiceStoresTwoLines) {
    open({});
    for (int i = 0; i < 2; ++i) {
        add([&](TFormAdd* d) {
            fill(d, QStringLiteral("Same"), QStringLiteral("me"));
            d->EditPassword->setText(QStringLiteral("same-pw"));  // not a new generated one
            click(d->ButtonOk);
        });
    }
    EXPECT_EQ(form->session().entries().size(), 2);
    EXPECT_EQ(form->session().entries()[0], form->session().entries()[1]);
    EXPECT_EQ(column(0), (QStringList{"Same", "Same"}));
}

TEST_F(EntryDialogs, PreselectionFollowsTheSelectedCategoryIndex) {
    open({}, {"A", "B", "C"});
    QStringList chosen;
    auto look = [&](TFormAdd* d) { chosen << d->ComboBoxCat->currentText(); };
    add(look);
    clickNode(3);
    add(look);
    clickNode(0);
    add(look);
    EXPECT_EQ(chosen, (QStringList{"A", "C", "A"}));
}

TEST_F(EntryDialogs, WithoutCategoriesTheEntryHasNoneAndTheRootIsShown) {
    open({"x|y|z"});
    clickNode(0);
    add([&](TFormAdd* d) {
        EXPECT_EQ(d->ComboBoxCat->currentIndex(), -1);
        fill(d, QStringLiteral("n"), QStringLiteral("l"));
        click(d->ButtonOk);
    });
    EXPECT_EQ(vaultPlain(QStringLiteral("bob")).last(), "n|l|" + generated + "||||||");
    EXPECT_EQ(form->ui.TreeViewCat->currentItem(), form->CategoryNode(0));
    EXPECT_EQ(form->ui.ListModel->rowCount(), 2);
}

TEST_F(EntryDialogs, AddAlwaysOpensWithEmptyFields) {
    open({});
    add([&](TFormAdd* d) {
        for (QLineEdit* e : {d->EditName, d->EditLogin, d->EditUrl, d->EditComments, d->EditPin,
                             d->EditCreditCard, d->EditSoftwareSerial}) {
            type(e, QStringLiteral("typed"));
        }
    });
    add([&](TFormAdd* d) {
        for (QLineEdit* e : {d->EditName, d->EditLogin, d->EditUrl, d->EditComments, d->EditPin,
                             d->EditCreditCard, d->EditSoftwareSerial}) {
            EXPECT_EQ(e->text(), QString()) << e->objectName().toStdString();
        }
    });
}

TEST_F(EntryDialogs, EveryGenerateAndEveryOpeningGivesANewPassword) {
    open({});
    QStringList passwords;
    add([&](TFormAdd* d) {
        passwords << d->EditPassword->text();
        d->EditPassword->clear();
        click(d->ButtonPassGen);
        passwords << d->EditPassword->text();
        click(d->ButtonPassGen);
        passwords << d->EditPassword->text();
    });
    add([&](TFormAdd* d) { passwords << d->EditPassword->text(); });
    EXPECT_EQ(QSet<QString>(passwords.begin(), passwords.end()).size(), 4)
        << passwords.join(' ').toStdString();
    for (const QString& p : passwords) {
        EXPECT_EQ(p.size(), 10);
    }
}

TEST_F(EntryDialogs, PasswordFieldIsMaskedWhilePasswordsAreHidden) {
    open({});
    form->MHidePasswordsClick();
    add([&](TFormAdd* d) { EXPECT_EQ(d->EditPassword->echoMode(), QLineEdit::Password); });
    form->MHidePasswordsClick();
    add([&](TFormAdd* d) { EXPECT_EQ(d->EditPassword->echoMode(), QLineEdit::Normal); });
}

TEST_F(EntryDialogs, CategoryFileIsWrittenOnEveryOkEvenWhenNothingIsStored) {
    open({}, {"Work"});
    ui.answerInput(QStringLiteral("Tree"));
    form->MCatNewClick();  // in memory only
    EXPECT_EQ(dir.read("users/bob/categories.dat"), QByteArray("Work\r\n"));
    add([&](TFormAdd* d) {
        d->EditPassword->clear();
        click(d->ButtonOk);
    });
    EXPECT_EQ(dir.read("users/bob/categories.dat"), crlf({"Work", "Tree"}));
}

TEST_F(EntryDialogs, TextTheLineCannotCarryIsRefusedNamingTheField) {
    open({});
    add([&](TFormAdd* d) {
        fill(d, QStringLiteral("n"), QStringLiteral("l"));
        type(d->EditComments, QStringLiteral("left|right"));
        click(d->ButtonOk);
        EXPECT_TRUE(d->isVisible());
        d->EditComments->clear();
        type(d->EditComments, QStringLiteral("fine"));
        click(d->ButtonOk);
    });
    EXPECT_EQ(
        ui.messages(),
        QStringList{QStringLiteral("Comments: The character \"|\" (U+007C) cannot be stored.")});
    EXPECT_EQ(vaultPlain(QStringLiteral("bob")),
              QList<QByteArray>{"n|l|" + generated + "|||fine|||"});
}

// A category file may hold names the line cannot carry; picking one is refused
// like a typed field, and the tree still shows it.
TEST_F(EntryDialogs, CategoryNameFromTheFileIsCheckedLikeATypedOne) {
    open({"a|u|p|Good"}, {"Bad|Name", "Sup\xB9", "Good"});
    const QByteArray vault = dir.read("users/bob/passwords.dat");
    add([&](TFormAdd* d) {
        fill(d, QStringLiteral("n"), QStringLiteral("l"));
        for (int item : {0, 1}) {
            d->ComboBoxCat->setCurrentIndex(item);
            click(d->ButtonOk);
            EXPECT_TRUE(d->isVisible());
        }
    });
    selectRows({0});
    edit([&](TFormEdit* d) {
        d->ComboBoxCat->setCurrentIndex(0);
        click(d->ButtonOk);
        EXPECT_TRUE(d->isVisible());
    });
    EXPECT_EQ(
        ui.messages(),
        (QStringList{QStringLiteral("Category: The character \"|\" (U+007C) cannot be stored."),
                     QStringLiteral("Category: The character \"\u00B9\" (U+00B9) cannot be "
                                    "stored."),
                     QStringLiteral("Category: The character \"|\" (U+007C) cannot be stored.")}));
    EXPECT_EQ(dir.read("users/bob/passwords.dat"), vault);
    EXPECT_EQ(form->CategoryNode(1)->text(0), QStringLiteral("Bad|Name (0)"));
}

TEST_F(EntryDialogs, FailedSaveKeepsTheDialogAndStoresNothingTwice) {
    open({"a|b|c"});
    testing_support::FaultyFileSystem fs;
    fs.failWrite(dir.path("users/bob/passwords.dat"));
    add([&](TFormAdd* d) {
        fill(d, QStringLiteral("n"), QStringLiteral("l"));
        click(d->ButtonOk);
        EXPECT_TRUE(d->isVisible());
        EXPECT_EQ(form->session().entries().size(), 1);
        fs.heal();
        click(d->ButtonOk);
    });
    EXPECT_EQ(ui.errors(), QStringList{QStringLiteral("Cannot create file ") +
                                       dir.path("users/bob/passwords.dat")});
    EXPECT_EQ(vaultPlain(QStringLiteral("bob")),
              (QList<QByteArray>{"a|b|c", "n|l|" + generated + "||||||"}));
}

TEST_F(EntryDialogs, NewCategoryInTheDialogIsWrittenAndAddedWithZero) {
    open({"x|y|z|Mail"}, {"Work"});
    add([&](TFormAdd* d) {
        ui.answerInput(QStringLiteral("Mail"));
        click(d->ButtonNewCat);
        EXPECT_EQ(d->ComboBoxCat->currentText(), QStringLiteral("Mail"));
        EXPECT_EQ(dir.read("users/bob/categories.dat"), crlf({"Work", "Mail"}));
    });
    EXPECT_EQ(ui.shown[1].title, QStringLiteral("New Category"));
    EXPECT_EQ(ui.shown[1].text, QStringLiteral("Category name: []"));
    EXPECT_EQ(form->CategoryNode(2)->text(0), QStringLiteral("Mail (0)"));
    EXPECT_EQ(form->session().categories().size(), 2);
}

TEST_F(EntryDialogs, EditMessageHasNoCarriageReturnAfterThePasswordLine) {
    open({"T|L|P"});
    selectRows({0});
    edit([&](TFormEdit* d) {
        d->EditPassword->clear();
        click(d->ButtonOk);
        d->EditName->clear();
        click(d->ButtonOk);
        click(d->ButtonOk);
    });
    EXPECT_EQ(ui.messages(),
              (QStringList{QStringLiteral("Please enter a password."),
                           QStringLiteral("Please enter a name.\rPlease enter a password."),
                           QStringLiteral("Please enter a name.\rPlease enter a password.")}));
}

TEST_F(EntryDialogs, EditShowsTheRowAndStoresAtItsEntryIndex) {
    open({"A|u|p1|Mail", "B|v|p2|Mail|link|c|1|2|3"}, {"Mail", "Work", "Mail"});
    clickNode(2);
    clickNode(0);
    selectRows({1});
    edit([&](TFormEdit* d) {
        EXPECT_EQ(d->EditName->text(), QStringLiteral("B"));
        EXPECT_EQ(d->EditPassword->text(), QStringLiteral("p2"));
        EXPECT_EQ(d->ComboBoxCat->currentIndex(), 2);  // the last equal name
        EXPECT_EQ(d->EditUrl->text(), QStringLiteral("link"));
        EXPECT_EQ(d->EditSoftwareSerial->text(), QStringLiteral("3"));
        d->ComboBoxCat->setCurrentIndex(1);
        type(d->EditComments, QStringLiteral("!"));
        click(d->ButtonOk);
    });
    EXPECT_EQ(vaultPlain(QStringLiteral("bob")),
              (QList<QByteArray>{"A|u|p1|Mail", "B|v|p2|Work|link|c!|1|2|3"}));
    EXPECT_EQ(form->CategoryNode(2)->text(0), QStringLiteral("Work (1)"));
    EXPECT_EQ(form->ui.TreeViewCat->currentItem(), form->CategoryNode(0));
    EXPECT_EQ(form->ui.ListModel->cellText(1, 5), QStringLiteral("c!"));
}

TEST_F(EntryDialogs, EditWithRenamedCategoryShowsNone) {
    open({"A|u|p|Gone"}, {"Mail"});
    selectRows({0});
    edit([&](TFormEdit* d) { EXPECT_EQ(d->ComboBoxCat->currentIndex(), -1); });
}

TEST_F(EntryDialogs, HiddenPasswordIsShownMaskedAndKeptWhenUntouched) {
    open({"A|u|secret|"});
    form->MHidePasswordsClick();
    selectRows({0});
    edit([&](TFormEdit* d) {
        EXPECT_EQ(d->EditPassword->text(), QStringLiteral("secret"));
        EXPECT_EQ(d->EditPassword->echoMode(), QLineEdit::Password);
        type(d->EditLogin, QStringLiteral("2"));
        click(d->ButtonOk);
    });
    EXPECT_EQ(vaultPlain(QStringLiteral("bob")), QList<QByteArray>{"A|u2|secret||||||"});
}

TEST_F(EntryDialogs, CategoryMadeInACancelledEditDialogRemains) {
    open({"A|u|p"}, {"Work"});
    selectRows({0});
    edit([&](TFormEdit* d) {
        ui.answerInput(QStringLiteral("Fresh"));
        click(d->ButtonNewCat);
        click(d->ButtonCancel);
    });
    EXPECT_EQ(form->session().categories(), (core::LineList{"Work", "Fresh"}));
    EXPECT_EQ(form->CategoryNode(2)->text(0), QStringLiteral("Fresh (0)"));
    EXPECT_EQ(dir.read("users/bob/categories.dat"), crlf({"Work", "Fresh"}));
    EXPECT_EQ(vaultPlain(QStringLiteral("bob")), QList<QByteArray>{"A|u|p"});
}

TEST_F(EntryDialogs, DoubleClickWithSeveralRowsOpensTheFirstOnce) {
    open({"A|u|p", "B|v|q", "C|w|r"});
    selectRows({1, 2});
    QString shown;
    ui.answerModal([&](QDialog* d) {
        shown = static_cast<TFormEdit*>(d)->EditName->text();
        d->reject();
    });
    form->ListView1DblClick();
    EXPECT_EQ(shown, QStringLiteral("B"));
    EXPECT_EQ(ui.kinds(), QStringList{QStringLiteral("modal")});
    form->ui.ListView1->clearSelection();
    form->ListView1DblClick();
    form->ui.AEdit->trigger();
    EXPECT_EQ(ui.messages(), QStringList{QStringLiteral("Please select an entry first.")});
}

// Rows that look alike (a login inside another, identical lines, no login at
// all) each edit, delete and copy exactly the stored line they were built from.
TEST_F(EntryDialogs, EachRowActsOnItsOwnStoredEntry) {
    open({});
    const QList<QList<QByteArray>> vaults = {{"Mail|bob|pw-bob", "Mail|bobby|pw-bobby", "X||px"},
                                             {"Mail|bobby|pw-bobby", "Mail|bob|pw-bob", "X||px"},
                                             {"Mail|bob|same", "Mail|bob|same", "X||px"}};
    auto load = [&](const QList<QByteArray>& plain) {
        QList<QByteArray> stored;
        for (const QByteArray& line : plain) {
            stored << core::Scramble(line);
        }
        dir.write(QStringLiteral("list.dat"), testing_support::crlf(stored));
        form->session().load(dir.path("list.dat"));
        form->FillEntryList();
    };
    auto plain = [&] {
        QList<QByteArray> lines;
        for (const QByteArray& line : form->session().entries()) {
            lines << core::Scramble(line);
        }
        return lines;
    };
    for (const QList<QByteArray>& vault : vaults) {
        load(vault);
        if (!form->HidePasswords) {
            form->MHidePasswordsClick();
        }
        QList<int> indexes;
        for (int r = 0; r < 3; ++r) {
            selectRows({r});
            form->ui.PMCopyPassword->trigger();
            EXPECT_EQ(ui.clipboard, form->ui.ListModel->row(r).field(core::Password))
                << vault[0].data();
            EXPECT_EQ(vault[form->FindEntryIndex(r)], form->ui.ListModel->row(r).plainLine());
            indexes << form->FindEntryIndex(r);
        }
        std::sort(indexes.begin(), indexes.end());
        EXPECT_EQ(indexes, (QList<int>{0, 1, 2})) << vault[0].data();
        // Edit the row shown second: only its own line changes.
        const int k = form->FindEntryIndex(1);
        selectRows({1});
        edit([&](TFormEdit* d) {
            type(d->EditComments, QStringLiteral("!"));
            click(d->ButtonOk);
        });
        QList<QByteArray> expected = vault;
        expected[k] = vault[k] + "|||!|||";
        EXPECT_EQ(vaultPlain(QStringLiteral("bob")), expected) << vault[0].data();
        // Delete the row shown second, then the two rows left of the three.
        load(vault);
        const int gone = form->FindEntryIndex(1);
        selectRows({1});
        ui.answerQuestion(true);
        form->ui.ADelete->trigger();
        expected = vault;
        expected.removeAt(gone);
        EXPECT_EQ(plain(), expected) << vault[0].data();
        EXPECT_EQ(plain()[form->FindEntryIndex(0)], form->ui.ListModel->row(0).plainLine());
        EXPECT_EQ(plain()[form->FindEntryIndex(1)], form->ui.ListModel->row(1).plainLine());
        selectRows({0, 1});
        ui.answerQuestion(true);
        form->ui.ADelete->trigger();
        EXPECT_TRUE(form->session().entries().isEmpty());
        EXPECT_EQ(form->ui.ListModel->rowCount(), 0);
    }
    EXPECT_TRUE(ui.messages().isEmpty());
}

TEST_F(EntryDialogs, DeleteAsksThenRemovesEachLookedUpAnewAndLeavesTheFile) {
    open({"a|u|p|Work", "b|u|p|Work", "c|u|p|Home", "d|u|p|Home"}, {"Work", "Home"});
    const QByteArray vault = dir.read("users/bob/passwords.dat");
    selectRows({0, 2, 3});
    ui.answerQuestion(false);
    form->ui.ADelete->trigger();
    EXPECT_EQ(form->session().entries().size(), 4);
    ASSERT_EQ(ui.shown.size(), 1);
    EXPECT_EQ(ui.shown[0].title, QStringLiteral("Delete Entries"));
    EXPECT_EQ(ui.shown[0].text, QStringLiteral("Delete the selected entries?"));
    ui.answerQuestion(true);
    activate();
    form->ui.ListView1->setFocus();
    QTest::keyClick(form->ui.ListView1, Qt::Key_Delete);
    EXPECT_EQ(form->session().entries(), core::LineList{core::Scramble("b|u|p|Work")});
    EXPECT_EQ(column(0), QStringList{QStringLiteral("b")});
    EXPECT_EQ(form->CategoryNode(0)->text(0), QStringLiteral("All Passwords (1)"));
    EXPECT_EQ(form->CategoryNode(2)->text(0), QStringLiteral("Home (0)"));
    EXPECT_EQ(form->ui.StatusPanels[0]->text(), QStringLiteral(" Passwords: 1"));
    EXPECT_EQ(dir.read("users/bob/passwords.dat"), vault);
}

TEST_F(EntryDialogs, DeleteKeyWithoutSelectionAsksNothing) {
    open({"a|u|p"});
    activate();
    form->ui.ListView1->setFocus();
    QTest::keyClick(form->ui.ListView1, Qt::Key_Delete);
    EXPECT_EQ(ui.kinds(), QStringList{QStringLiteral("message")});
    EXPECT_EQ(ui.messages(), QStringList{QStringLiteral("Please select an entry first.")});
}

TEST_F(EntryDialogs, LinkButtonOpensTheListsRowNotTheDialogsText) {
    open({"a|u|p||row.example.org"});
    add([&](TFormAdd* d) {
        type(d->EditUrl, QStringLiteral("typed.example.org"));
        click(d->ButtonUrl);
        selectRows({0});
        click(d->ButtonUrl);
    });
    EXPECT_EQ(ui.messages(), QStringList{QStringLiteral("Please select an entry first.")});
    EXPECT_EQ(ui.opened, QStringList{QStringLiteral("http://row.example.org")});
}

TEST_F(EntryDialogs, DialogLayout) {
    open({});
    add([&](TFormAdd* d) {
        EXPECT_EQ(d->windowTitle(), QStringLiteral("Add Data"));
        EXPECT_EQ(d->LabelUrl->text(), QStringLiteral("Website:"));
        EXPECT_EQ(d->ComboBoxCat->maxVisibleItems(), 20);
        EXPECT_FALSE(d->ComboBoxCat->isEditable());
        EXPECT_FALSE(d->ButtonOk->autoDefault());
        EXPECT_FALSE(d->ButtonOk->isDefault());
        // Enter and Escape end nothing.
        QTest::keyClick(d->EditName, Qt::Key_Return);
        QTest::keyClick(d->EditName, Qt::Key_Escape);
        EXPECT_TRUE(d->isVisible());
    });
    EXPECT_EQ(form->ui.FormEdit->LabelUrl->text(), QStringLiteral("Url:"));
    EXPECT_EQ(form->ui.FormEdit->windowTitle(), QStringLiteral("Edit Data"));
    EXPECT_EQ(form->ui.FormEdit->ButtonUrl->text(), QStringLiteral("->"));
}
