#include <QLabel>
#include <QMenu>
#include <QTest>
#include <QTreeWidget>

#include "AppFixture.h"
#include "mainwindow/EntryListModel.h"
#include "mainwindow/ListView.h"

using testing_support::AppFixture;

class CategoryTree : public AppFixture {
protected:
    QString caption(int node) const { return form->CategoryNode(node)->text(0); }
    int childCount() const { return form->ui.TreeViewCat->topLevelItem(0)->childCount(); }
};

TEST_F(CategoryTree, CountsAreSubstringTestsOverWholeLines) {
    openUser({"a|u|p|Mail", "b|u|p|Mail", "Mail Server|u|p|Work"}, {"Mail", "Work", "mail"});
    EXPECT_EQ(caption(0), QStringLiteral("All Passwords (3)"));
    EXPECT_EQ(caption(1), QStringLiteral("Mail (3)"));
    EXPECT_EQ(caption(2), QStringLiteral("Work (1)"));
    EXPECT_EQ(caption(3), QStringLiteral("mail (0)"));
    EXPECT_TRUE(form->ui.TreeViewCat->isExpanded(form->ui.TreeViewCat->model()->index(0, 0)));
    EXPECT_EQ(form->ui.TreeViewCat->indentation(), 19);
    EXPECT_EQ(form->ui.TreeViewCat->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_EQ(form->ui.TreeViewCat->currentItem(), form->CategoryNode(0));
}

TEST_F(CategoryTree, NewProposesItsTitleAndAppendsEvenDuplicates) {
    openUser({"a|u|p|Mail"}, {"Work"});
    ui.answerInput(QStringLiteral("Mail"));
    ui.answerInput(QStringLiteral("Mail"));
    form->ui.MCatNew->trigger();
    form->ui.PMCatNew->trigger();
    ASSERT_EQ(ui.shown.size(), 2);
    EXPECT_EQ(ui.shown[0].title, QStringLiteral("New Category"));
    EXPECT_EQ(ui.shown[0].text, QStringLiteral("Category name: [New Category]"));
    EXPECT_EQ(childCount(), 3);
    EXPECT_EQ(caption(2), QStringLiteral("Mail (1)"));
    EXPECT_EQ(caption(3), QStringLiteral("Mail (1)"));
    EXPECT_EQ(form->session().categories().size(), 3);
    // The new node is selected; the list and the selected category index stay.
    EXPECT_EQ(form->ui.TreeViewCat->currentItem(), form->CategoryNode(3));
    EXPECT_EQ(form->SelectedCategoryIndex, 0);
    EXPECT_EQ(form->ui.ListModel->rowCount(), 1);
    // The status bar shows the old figure until the next count.
    EXPECT_EQ(form->ui.StatusPanels[1]->text(), QStringLiteral(" Categories: 2"));
    clickNode(2);
    EXPECT_EQ(form->ui.ListModel->rowCount(), 1);
}

TEST_F(CategoryTree, NewCancelledSelectsTheLastCategory) {
    openUser({}, {"A", "B"});
    ui.answerInput(std::nullopt);
    form->MCatNewClick();
    EXPECT_EQ(childCount(), 2);
    EXPECT_EQ(form->ui.TreeViewCat->currentItem(), form->CategoryNode(2));
}

TEST_F(CategoryTree, NamesThatWouldBreakTheFormatAreRefusedAndTheBoxComesAgain) {
    openUser({}, {"A"});
    ui.answerInput(QStringLiteral("bad|name"));
    ui.answerInput(QString::fromUtf8("x\u00b9"));
    ui.answerInput(QStringLiteral("good"));
    form->MCatNewClick();
    EXPECT_EQ(
        ui.messages(),
        (QStringList{QStringLiteral("The character \"|\" (U+007C) cannot be stored."),
                     QString::fromUtf8("The character \"\u00b9\" (U+00B9) cannot be stored.")}));
    // The box comes back with the refused text in it.
    EXPECT_EQ(ui.texts(QStringLiteral("input"))[1], QStringLiteral("Category name: [bad|name]"));
    EXPECT_EQ(form->session().categories(), (core::LineList{"A", "good"}));
}

TEST_F(CategoryTree, RenameLeavesTheEntriesAndCountsTheNewName) {
    openUser({"a|u|p|Mail", "b|u|p|Mail"}, {"Mail"});
    clickNode(1);
    ui.answerInput(QStringLiteral("Email"));
    form->ui.MCatRename->trigger();
    EXPECT_EQ(ui.shown[0].title, QStringLiteral("Rename Category"));
    EXPECT_EQ(ui.shown[0].text, QStringLiteral("Category name: [Mail]"));
    EXPECT_EQ(caption(1), QStringLiteral("Email (0)"));
    EXPECT_EQ(form->ui.ListModel->rowCount(), 2);  // not refilled
    EXPECT_EQ(form->session().entries(),
              (core::LineList{core::Scramble("a|u|p|Mail"), core::Scramble("b|u|p|Mail")}));
    // Double-click renames too; the root is never renamed.
    activate();
    const QPoint at = form->ui.TreeViewCat->visualItemRect(form->CategoryNode(1)).center();
    ui.answerInput(QStringLiteral("Mail"));
    QTest::mouseDClick(form->ui.TreeViewCat->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    EXPECT_EQ(caption(1), QStringLiteral("Mail (2)"));
    clickNode(0);
    form->ui.MCatRename->trigger();
    form->ui.MCatDelete->trigger();
    EXPECT_EQ(childCount(), 1);
    ui.answerInput(std::nullopt);
    clickNode(1);
    form->ui.PMCatRename->trigger();
    EXPECT_EQ(caption(1), QStringLiteral("Mail (2)"));
}

TEST_F(CategoryTree, DeleteAsksNothingKeepsEntriesAndShowsTheNeighbour) {
    openUser({"a|u|p|Mail", "b|u|p|Work", "c|u|p|Home"}, {"Mail", "Work", "Home"});
    clickNode(2);  // Work
    EXPECT_EQ(form->ui.ListModel->rowCount(), 1);
    form->ui.MCatDelete->trigger();
    EXPECT_TRUE(ui.shown.isEmpty());
    EXPECT_EQ(form->session().categories(), (core::LineList{"Mail", "Home"}));
    EXPECT_EQ(childCount(), 2);
    EXPECT_EQ(form->SelectedCategoryIndex, 2);  // Home took the place
    EXPECT_EQ(column(0), QStringList{QStringLiteral("c")});
    EXPECT_EQ(form->ui.StatusPanels[1]->text(), QStringLiteral(" Categories: 3"));
    form->ui.PMCatDelete->trigger();  // Home, the last one: Mail before it is chosen
    EXPECT_EQ(form->SelectedCategoryIndex, 1);
    form->ui.MCatDelete->trigger();
    EXPECT_EQ(form->SelectedCategoryIndex, 0);
    EXPECT_EQ(form->ui.ListModel->rowCount(), 3);
    EXPECT_EQ(form->session().entries().size(), 3);
}

TEST_F(CategoryTree, RightClickSelectsWithoutRefilling) {
    openUser({"a|u|p|Mail", "b|u|p|Work"}, {"Mail", "Work"});
    clickNode(1);
    EXPECT_EQ(column(0), QStringList{QStringLiteral("a")});
    activate();
    form->TreeViewCatContextPopup(
        form->ui.TreeViewCat->visualItemRect(form->CategoryNode(2)).center());
    form->ui.PopupMenu2->hide();
    EXPECT_EQ(form->ui.TreeViewCat->currentItem(), form->CategoryNode(2));
    EXPECT_EQ(column(0), QStringList{QStringLiteral("a")});
    EXPECT_EQ(form->SelectedCategoryIndex, 1);
    // Its commands then act on that node.
    form->ui.PMCatDelete->trigger();
    EXPECT_EQ(form->session().categories(), core::LineList{"Mail"});
}

// Clicks on empty space and attempts to deselect leave the chosen node, so
// the list and the commands always have a category to act on.
TEST_F(CategoryTree, ExactlyOneNodeStaysSelected) {
    openUser({"a|u|p|Mail", "b|u|p|Work"}, {"Mail", "Work"});
    activate();
    clickNode(1);
    QWidget* viewport = form->ui.TreeViewCat->viewport();
    const QPoint empty(5, viewport->height() - 5);
    ASSERT_EQ(form->ui.TreeViewCat->itemAt(empty), nullptr);
    const QPoint node = form->ui.TreeViewCat->visualItemRect(form->CategoryNode(1)).center();
    const std::function<void()> attempts[] = {
        [&] { QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, empty); },
        [&] { QTest::mouseClick(viewport, Qt::LeftButton, Qt::ControlModifier, node); },
        [&] {
            QTest::mouseClick(viewport, Qt::RightButton, Qt::NoModifier, empty);
            form->TreeViewCatContextPopup(empty);
            form->ui.PopupMenu2->hide();
        },
        [&] {
            form->ui.TreeViewCat->setFocus();
            QTest::keyClick(form->ui.TreeViewCat, Qt::Key_Space, Qt::ControlModifier);
        }};
    for (const auto& attempt : attempts) {
        attempt();
        EXPECT_EQ(form->SelectedNodeIndex(), 1);
        EXPECT_EQ(column(0), QStringList{QStringLiteral("a")});
    }
    ui.answerInput(QStringLiteral("Post"));
    form->ui.PMCatRename->trigger();
    EXPECT_EQ(form->session().categories(), (core::LineList{"Post", "Work"}));
}

TEST_F(CategoryTree, RefreshCaptionsFollowsTheStoredLines) {
    openUser({"a|u|p|Mail"}, {"Mail", "Work"});
    form->session().addEntry(core::SplitRecord("b|u|p|Work"));
    form->session().addEntry(core::SplitRecord("c|u|p|Work"));
    form->RefreshCategoryCaptions();
    EXPECT_EQ(caption(0), QStringLiteral("All Passwords (3)"));
    EXPECT_EQ(caption(2), QStringLiteral("Work (2)"));
}
