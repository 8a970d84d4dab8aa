#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QSplitter>
#include <QTest>
#include <QTreeWidget>

#include "AppFixture.h"
#include "core/PasswordEntry.h"
#include "mainwindow/EntryListModel.h"
#include "mainwindow/ListView.h"

using testing_support::AppFixture;

class EntryList : public AppFixture {};

TEST_F(EntryList, EmptyVaultShowsNoRowsAndTheCounts) {
    openUser({}, {"Work", "Home"});
    EXPECT_EQ(form->ui.ListModel->rowCount(), 0);
    EXPECT_EQ(form->ui.StatusPanels[0]->text(), QStringLiteral(" Passwords: 0"));
    EXPECT_EQ(form->ui.StatusPanels[1]->text(), QStringLiteral(" Categories: 3"));
    EXPECT_EQ(form->ui.StatusPanels[2]->text(), QString());
}

TEST_F(EntryList, ColumnsRowsAndCells) {
    openUser({"abc", "1|2|3|4|5|6|7|8|9|10|11|12", "t|l"});
    EXPECT_EQ(form->ui.ListModel->columnCount(), 9);
    QStringList headers;
    for (int c = 0; c < 9; ++c) {
        headers << form->ui.ListModel->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
    }
    EXPECT_EQ(headers, (QStringList{"Title", "Login", "Password", "Category", "Link", "Comments",
                                    "PIN Code", "Credit Card", "Software Serial"}));
    ASSERT_EQ(form->ui.ListModel->rowCount(), 3);
    // Row 0 is the empty Title of "abc", which goes to the Login column.
    EXPECT_EQ(form->ui.ListModel->cellText(0, 0), QString());
    EXPECT_EQ(form->ui.ListModel->cellText(0, 1), QStringLiteral("abc"));
    QStringList twelve;
    for (int c = 0; c < 9; ++c) {
        twelve << form->ui.ListModel->cellText(1, c);
    }
    EXPECT_EQ(twelve, (QStringList{"1", "2", "3", "4", "5", "6", "7", "8", "9"}));
    for (int c = 2; c < 9; ++c) {
        EXPECT_EQ(form->ui.ListModel->cellText(2, c), QString()) << c;
    }
    // Never edited in place; several whole rows may be selected.
    EXPECT_FALSE(form->ui.ListModel->flags(form->ui.ListModel->index(0, 0)) & Qt::ItemIsEditable);
    EXPECT_EQ(form->ui.ListView1->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_EQ(form->ui.ListView1->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_EQ(form->ui.ListView1->selectionBehavior(), QAbstractItemView::SelectRows);
}

TEST_F(EntryList, CategoryFilterIsACaseSensitiveSubstringOfTheWholeLine) {
    openUser({"Bank card|u|p|Cards", "bank card|u|p|Cards", "Acc|u|p|Bank", "Other|u|p|Home"},
             {"Bank", "Cards", ""});
    clickNode(1);  // Bank
    EXPECT_EQ(form->SelectedCategoryIndex, 1);
    EXPECT_EQ(column(0), (QStringList{"Acc", "Bank card"}));
    clickNode(2);  // Cards
    EXPECT_EQ(column(0), (QStringList{"bank card", "Bank card"}));
    clickNode(3);  // an empty name shows nothing
    EXPECT_EQ(form->ui.ListModel->rowCount(), 0);
    clickNode(0);
    EXPECT_EQ(form->ui.ListModel->rowCount(), 4);
    // With no node selected, nothing is shown.
    form->ui.TreeViewCat->clearSelection();
    form->TreeViewCatClick();
    EXPECT_EQ(form->ui.ListModel->rowCount(), 0);
    EXPECT_EQ(form->SelectedCategoryIndex, -1);
}

TEST_F(EntryList, RowsStandInLocaleTitleOrderAfterEveryFill) {
    openUser({"beta|1", "Alpha|2", "alpha|3", "Beta|4",
              "\xc9"
              "clair|5",
              "eclair|6", "zed|7"});
    EXPECT_EQ(column(0), (QStringList{"alpha", "Alpha", "beta", "Beta", "eclair",
                                      QString::fromUtf8("\u00c9clair"), "zed"}));
    form->ListView1ColumnClick(1);
    form->ListView1ColumnClick(1);
    EXPECT_EQ(column(1).first(), QStringLiteral("7"));
    clickNode(0);
    EXPECT_EQ(column(0).first(), QStringLiteral("alpha"));
}

TEST_F(EntryList, ColumnClicksAlternateAndAnotherColumnStartsAscending) {
    openUser({"b|x|p|c|L2||9", "a|z|p|c|L3||10", "c|y|p|c|L1||100"});
    QHeaderView* header = form->ui.ListView1->header();
    auto clickHeader = [&](int c) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier,
                          QPoint(header->sectionViewportPosition(c) + 5, header->height() / 2));
    };
    activate();
    clickHeader(0);
    EXPECT_EQ(column(0), (QStringList{"a", "b", "c"}));
    clickHeader(0);
    EXPECT_EQ(column(0), (QStringList{"c", "b", "a"}));
    clickHeader(0);
    EXPECT_EQ(column(0), (QStringList{"a", "b", "c"}));
    form->ListView1ColumnClick(1);
    EXPECT_EQ(column(1), (QStringList{"x", "y", "z"}));
    form->ListView1ColumnClick(4);
    EXPECT_EQ(column(4), (QStringList{"L1", "L2", "L3"}));
    // Text order: 10 and 100 sort before 9.
    form->ListView1ColumnClick(6);
    EXPECT_EQ(column(6), (QStringList{"10", "100", "9"}));
    EXPECT_EQ(form->SortColumn, 6);
    EXPECT_EQ(form->SortDirection, -1);
}

TEST_F(EntryList, SortKeepsTheSelectionWithItsRows) {
    openUser({"a|3", "b|2", "c|1"});
    selectRows({0});  // "a"
    form->ListView1ColumnClick(1);
    EXPECT_EQ(column(0), (QStringList{"c", "b", "a"}));
    EXPECT_EQ(selectedRows(), QList<int>{2});
    EXPECT_EQ(form->CurrentEntry.row(), 2);
}

TEST_F(EntryList, SearchSelectsOnlyTheFirstTitleStartingWithTheText) {
    openUser({"xba|1", "Bank|2", "bar|3", "BAZ|4", "apple|5"});
    activate();
    form->ui.EditSearch->setFocus();
    ASSERT_TRUE(form->ui.EditSearch->hasFocus());
    type(form->ui.EditSearch, QStringLiteral("ba"));
    EXPECT_EQ(column(0), (QStringList{"apple", "Bank", "bar", "BAZ", "xba"}));
    EXPECT_EQ(selectedRows(), QList<int>{1});
    EXPECT_EQ(form->CurrentEntry.row(), 1);
    type(form->ui.EditSearch, QStringLiteral("z"));
    EXPECT_EQ(selectedRows(), QList<int>{3});
    type(form->ui.EditSearch, QStringLiteral("q"));
    EXPECT_TRUE(selectedRows().isEmpty());
    selectRows({0, 2});
    form->ui.EditSearch->setFocus();
    form->ui.EditSearch->clear();
    EXPECT_TRUE(selectedRows().isEmpty());
    EXPECT_TRUE(form->ui.EditSearch->hasFocus());
}

TEST_F(EntryList, RowsShowTheLinesOfTheirFillReadAsStored) {
    openUser({"Zeta|abcdefghijklmnopqrsT|p", "Alpha|ABCDEFGHIJKLMNOPQRSu|p",
              "\xc9"
              "clair|e|p",
              "eclair|f|p"});
    // Sorting past the first sixteen bytes, letters compared without case.
    form->ListView1ColumnClick(1);
    EXPECT_EQ(column(1).mid(0, 2), (QStringList{"abcdefghijklmnopqrsT", "ABCDEFGHIJKLMNOPQRSu"}));
    // The search's prefix of an accented title, lower-cased.
    clickNode(0);
    activate();
    form->ui.EditSearch->setFocus();
    form->ui.EditSearch->setText(QString::fromUtf8("\u00e9c"));
    EXPECT_EQ(selectedRows(), QList<int>{2});
    // A stored line changed behind the list (as an edit does before its
    // refill) shows only after the next fill.
    form->session().replaceEntry(0, core::SplitRecord("Beta|b|p"));
    EXPECT_EQ(column(0),
              (QStringList{"Alpha", "eclair", QString::fromUtf8("\u00c9clair"), "Zeta"}));
    form->FillEntryList();
    EXPECT_EQ(column(0),
              (QStringList{"Alpha", "Beta", "eclair", QString::fromUtf8("\u00c9clair")}));
}

TEST_F(EntryList, SearchDoesNothingWhileTheBoxIsNotFocused) {
    openUser({"Bank|2", "bar|3"});
    activate();
    form->ui.ListView1->setFocus();
    selectRows({1});
    form->ui.EditSearch->setText(QStringLiteral("ba"));
    EXPECT_EQ(selectedRows(), QList<int>{1});
    EXPECT_TRUE(form->ui.EditSearch->hasFocus());  // it takes the focus all the same
}

TEST_F(EntryList, HidingMasksInPlaceShowingRefills) {
    openUser({"b|u|secret|c", "a|u", "c|u||c", "d|u|pw"});
    form->ListView1ColumnClick(0);
    form->ListView1ColumnClick(0);  // descending
    selectRows({1});
    const QStringList before = column(0);
    activate();
    QTest::keyClick(form.get(), Qt::Key_H, Qt::ControlModifier);
    EXPECT_TRUE(form->HidePasswords);
    EXPECT_TRUE(form->ui.MHidePasswords->isChecked());
    EXPECT_EQ(column(2), QStringList(4, QStringLiteral("**********")));
    EXPECT_EQ(column(0), before);
    EXPECT_EQ(selectedRows(), QList<int>{1});
    form->MHidePasswordsClick();
    EXPECT_FALSE(form->HidePasswords);
    EXPECT_EQ(column(0), (QStringList{"a", "b", "c", "d"}));
    EXPECT_EQ(column(2), (QStringList{"", "secret", "", "pw"}));
    EXPECT_TRUE(selectedRows().isEmpty());
    EXPECT_TRUE(closeMain());
    EXPECT_TRUE(dir.read("vorrel.ini").contains("hidden=0"));
}

TEST_F(EntryList, HiddenStateIsStoredAtClose) {
    openUser({"a|u|p"});
    form->MHidePasswordsClick();
    EXPECT_TRUE(closeMain());
    EXPECT_TRUE(dir.read("vorrel.ini").contains("hidden=1\r\n"));
}

TEST_F(EntryList, EveryColumnGetsAThirdOfTheListWidthLessTwenty) {
    openUser({"a|u|p"});
    form->ui.ListView1->resize(517, 300);
    form->FormResize();
    for (int c = 0; c < 9; ++c) {
        EXPECT_EQ(form->ui.ListView1->header()->sectionSize(c), 82) << c;
    }
    form->resize(900, 500);
    activate();
    form->resize(1000, 500);
    const int expected = (form->ui.ListView1->width() - 20) / 6;
    EXPECT_EQ(form->ui.ListView1->header()->sectionSize(8), expected);
}

TEST_F(EntryList, WidthsSetByHandSurviveASplitterDragAndResetOnAWindowResize) {
    openUser({"a|u|p"});
    activate();
    QHeaderView* header = form->ui.ListView1->header();
    header->resizeSection(0, 250);
    const QList<int> sizes = form->ui.Splitter1->sizes();
    form->ui.Splitter1->setSizes({sizes[0] + 60, sizes[1] - 60});
    ASSERT_NE(form->ui.Splitter1->sizes(), sizes);
    EXPECT_EQ(header->sectionSize(0), 250);
    form->resize(form->width() + 40, form->height());
    EXPECT_EQ(header->sectionSize(0), (form->ui.ListView1->width() - 20) / 6);
}

TEST_F(EntryList, RowLookupFindsTheRowsOwnEntry) {
    openUser({"Mail|bob|p1", "Mail|bobby|p2"});
    ASSERT_EQ(column(1), (QStringList{"bob", "bobby"}));
    auto lookup = [&](int row) { return form->FindEntryIndex(row); };
    EXPECT_EQ(lookup(0), 0);
    EXPECT_EQ(lookup(1), 1);
    EXPECT_EQ(form->session().entryPassword(lookup(0)), QByteArray("p1"));
    dir.write(QStringLiteral("list.dat"), testing_support::crlf({core::Scramble("Mail|bobby|p2"),
                                                                 core::Scramble("Mail|bob|p1")}));
    form->session().load(dir.path("list.dat"));
    form->FillEntryList();
    ASSERT_EQ(column(1), (QStringList{"bobby", "bob"}));
    EXPECT_EQ(lookup(0), 0);
    EXPECT_EQ(lookup(1), 1);
}

TEST_F(EntryList, CurrentEntryFollowsTheLastSelectionAndIsGoneAfterAFill) {
    openUser({"a|1", "b|2", "c|3"});
    EXPECT_FALSE(form->CurrentEntry.isValid());
    activate();
    const QRect rect = form->ui.ListView1->visualRect(form->ui.ListModel->index(2, 0));
    QTest::mouseClick(form->ui.ListView1->viewport(), Qt::LeftButton, Qt::NoModifier,
                      rect.center());
    EXPECT_EQ(form->CurrentEntry.row(), 2);
    form->ui.ListView1->selectionModel()->clearSelection();
    EXPECT_EQ(form->CurrentEntry.row(), 2);  // unselecting changes nothing
    form->FillEntryList();
    EXPECT_FALSE(form->CurrentEntry.isValid());
}

TEST_F(EntryList, SetFontGivesTheFontToTreeListAndSearchAndSavesIt) {
    openUser({"a|1"});
    ui.answerFont(std::nullopt);
    form->ui.MFont->trigger();
    EXPECT_FALSE(dir.exists(QStringLiteral("users/bob/settings.dat")));
    platform::FontChoice choice;
    choice.font = QFont(QStringLiteral("DejaVu Serif"), 13);
    choice.color = QColor(0x80, 0, 0);
    ui.answerFont(choice);
    form->ui.MFont->trigger();
    for (QWidget* w :
         {static_cast<QWidget*>(form->ui.TreeViewCat), static_cast<QWidget*>(form->ui.ListView1),
          static_cast<QWidget*>(form->ui.EditSearch)}) {
        EXPECT_EQ(w->font().pointSize(), 13);
        EXPECT_EQ(w->palette().color(QPalette::Text), QColor(0x80, 0, 0));
    }
    EXPECT_EQ(
        dir.read("users/bob/settings.dat"),
        QByteArray("[Options]\r\nKey=0\r\nKeyFile=\r\nFont Name=DejaVu Serif\r\nFont Size=13\r\n"
                   "Font Color=clMaroon\r\n"));
}

TEST_F(EntryList, StoredFontComesBackAtLogin) {
    installLanguage();
    dir.makeUser(QStringLiteral("bob"), "pass", {"a|1"});
    dir.write(
        QStringLiteral("users/bob/settings.dat"),
        "[Options]\r\nFont Name=DejaVu Sans Mono\r\nFont Size=15\r\nFont Color=$00008000\r\n");
    loginAs(QStringLiteral("bob"), QStringLiteral("pass"));
    EXPECT_EQ(form->ui.ListView1->font().pointSize(), 15);
    EXPECT_EQ(form->ui.EditSearch->font().family(), QStringLiteral("DejaVu Sans Mono"));
    EXPECT_EQ(form->ui.TreeViewCat->palette().color(QPalette::Text), QColor(0, 0x80, 0));
    EXPECT_TRUE(closeMain());
    EXPECT_TRUE(dir.read("users/bob/settings.dat").contains("Font Color=clGreen\r\n"));
}

TEST_F(EntryList, ModelStaysConsistentThroughEveryChange) {
    openUser({"b|u|p|Work", "a|u|p|Home", "c|v|q|Work"}, {"Work", "Home"});
    QAbstractItemModelTester tester(form->ui.ListModel,
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    clickNode(1);
    form->ListView1ColumnClick(0);
    form->MHidePasswordsClick();
    form->MHidePasswordsClick();
    clickNode(0);
    form->ui.ListModel->removeRowsWithEntries({1});
    form->ui.ListModel->setColumnCaption(3, QStringLiteral("Kategorie"));
    form->ui.AClear->trigger();
    EXPECT_EQ(form->ui.ListModel->rowCount(), 0);
}
