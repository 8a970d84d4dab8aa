// A vault of 100,000 entries: every result must be right (times are the benchmark's business).
#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>
#include <random>

#include "AppFixture.h"
#include "mainwindow/EntryListModel.h"
#include "platform/SysUtils.h"

using testing_support::AppFixture;

class LargeVault : public AppFixture {};

TEST_F(LargeVault, HundredThousandEntries) {
    std::mt19937 random(7);
    QList<QByteArray> lines;
    QList<QByteArray> categories;
    for (int c = 0; c < 50; ++c) {
        categories << "Category" + QByteArray::number(c);
    }
    for (int i = 0; i < 100000; ++i) {
        QByteArray title;
        const int length = 5 + int(random() % 30);
        for (int k = 0; k < length; ++k) {
            title.append(char((random() % 2 ? 'a' : 'A') + random() % 26));
        }
        lines << title + "|user" + QByteArray::number(i) + "|pw" + QByteArray::number(i % 977) +
                     "|" + categories[int(random() % 50)] + "|http://x/" + QByteArray::number(i) +
                     "|comment||" + QByteArray::number(i % 13);
    }
    openUser(lines, categories);
    ASSERT_EQ(form->ui.ListModel->rowCount(), 100000);
    EXPECT_EQ(form->ui.StatusPanels[0]->text(), QStringLiteral(" Passwords: 100000"));
    for (int r = 1; r < 100000; ++r) {
        ASSERT_LE(platform::AnsiCompareStr(form->ui.ListModel->cellText(r - 1, 0),
                                           form->ui.ListModel->cellText(r, 0)),
                  0)
            << r;
    }
    // Each count equals a plain scan; substrings: Category1 also occurs in Category10..19.
    int total = 0;
    for (int c = 1; c <= 50; ++c) {
        int expected = 0;
        for (const QByteArray& l : lines) {
            expected += l.contains(categories[c - 1]) ? 1 : 0;
        }
        EXPECT_EQ(form->CategoryNode(c)->text(0), QString::fromLatin1(categories[c - 1]) +
                                                      QStringLiteral(" (") +
                                                      QString::number(expected) + QLatin1Char(')'));
        total += expected;
    }
    EXPECT_GT(total, 100000);

    clickNode(1);
    int inFirst = 0;
    for (const QByteArray& l : lines) {
        inFirst += l.contains("Category0") ? 1 : 0;
    }
    EXPECT_EQ(form->ui.ListModel->rowCount(), inFirst);
    clickNode(0);
    form->ListView1ColumnClick(7);  // Credit Card: "0".."12"
    for (int r = 1; r < 100000; ++r) {
        ASSERT_LE(platform::CompareText(form->ui.ListModel->row(r - 1).field(7),
                                        form->ui.ListModel->row(r).field(7)),
                  0);
    }
    form->ListView1ColumnClick(0);
    activate();
    form->ui.EditSearch->setFocus();
    type(form->ui.EditSearch, QStringLiteral("qz"));
    const QList<int> selected = selectedRows();
    ASSERT_LE(selected.size(), 1);
    for (int r = 0; r < (selected.isEmpty() ? 100000 : selected[0]); ++r) {
        ASSERT_FALSE(form->ui.ListModel->cellText(r, 0).startsWith(QStringLiteral("qz"),
                                                                   Qt::CaseInsensitive));
    }
    if (!selected.isEmpty()) {
        EXPECT_TRUE(form->ui.ListModel->cellText(selected[0], 0)
                        .startsWith(QStringLiteral("qz"), Qt::CaseInsensitive));
    }
    form->MHidePasswordsClick();
    EXPECT_EQ(form->ui.ListModel->cellText(99999, 2), QStringLiteral("**********"));
    form->MHidePasswordsClick();
    EXPECT_EQ(form->ui.ListModel->rowCount(), 100000);
    const int index = form->FindEntryIndex(5);
    EXPECT_EQ(core::Scramble(form->session().entries()[index]),
              form->ui.ListModel->row(5).plainLine());
}
