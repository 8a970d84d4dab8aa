#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>

#include "AppFixture.h"
#include "about/AboutBox.h"

using testing_support::AppFixture;

class About : public AppFixture {
protected:
    static QColor siteColor(TAboutBox* box) {
        return box->LabelSite->palette().color(QPalette::WindowText);
    }
    static void moveOver(QWidget* w, QPoint at) {
        QMouseEvent move(QEvent::MouseMove, QPointF(at), QPointF(w->mapToGlobal(at)), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(w, &move);
    }
};

TEST_F(About, DesignAndTexts) {
    openUser({});
    ui.answerModal([](QDialog* d) {
        auto* box = static_cast<TAboutBox*>(d);
        EXPECT_EQ(box->windowTitle(), QStringLiteral("About Program"));
        EXPECT_EQ(box->LabelTitle->text(), QStringLiteral("Vorrel 1.8"));
        EXPECT_TRUE(box->LabelTitle->font().bold());
        EXPECT_EQ(box->LabelTitle->palette().color(QPalette::WindowText), QColor(0, 0, 0x80));
        EXPECT_EQ(box->LabelAbout->palette().color(QPalette::WindowText), QColor(0, 0, 0xFF));
        EXPECT_EQ(box->LabelAuthor->text(), QStringLiteral("The Vorrel team"));
        EXPECT_TRUE(box->LabelEmail->wordWrap());
        EXPECT_TRUE(box->LabelEmail->text().contains(QLatin1String("example.org")));
        EXPECT_TRUE(box->LabelSite->font().underline());
        EXPECT_GE(box->width(), 275);
        EXPECT_GE(box->height(), 162);
        EXPECT_TRUE(box->OKButton->isDefault());
        click(box->OKButton);
    });
    form->ui.MAboutProgram->trigger();
}

TEST_F(About, LinkTurnsRedOnHoverAndBlueOverTheFreePanel) {
    openUser({});
    ui.answerModal([](QDialog* d) {
        auto* box = static_cast<TAboutBox*>(d);
        moveOver(box->LabelSite, box->LabelSite->rect().center());
        EXPECT_EQ(siteColor(box), QColor(0xFF, 0, 0));
        EXPECT_EQ(box->LabelSite->cursor().shape(), Qt::PointingHandCursor);
        // Onto another label: still red.
        moveOver(box->LabelAuthor, box->LabelAuthor->rect().center());
        EXPECT_EQ(siteColor(box), QColor(0xFF, 0, 0));
        moveOver(box->Panel1, QPoint(box->Panel1->width() - 3, box->Panel1->height() - 3));
        EXPECT_EQ(siteColor(box), QColor(0, 0, 0xFF));
        EXPECT_EQ(box->LabelSite->cursor().shape(), Qt::PointingHandCursor);
        d->accept();
    });
    form->ui.MAboutProgram->trigger();
}

TEST_F(About, PressOpensWhateverTheLabelShows) {
    openUser({});
    dir.write(QStringLiteral("language/English.ini"),
              "[Interface]\r\nAboutBox->LabelSite->Caption=https://other.example.org/page\r\n");
    ui.answerModal([](QDialog* d) {
        auto* box = static_cast<TAboutBox*>(d);
        QTest::mouseClick(box->LabelSite, Qt::LeftButton);
        QTest::mouseClick(box->LabelSite, Qt::RightButton);
        box->LabelSite->clear();
        QTest::mouseClick(box->LabelSite, Qt::LeftButton);
        d->accept();
    });
    form->ui.MAboutProgram->trigger();
    EXPECT_EQ(ui.opened, (QStringList{"https://other.example.org/page",
                                      "https://other.example.org/page", ""}));
}

TEST_F(About, LinkReactsOnlyOverItsText) {
    openUser({});
    ui.answerModal([](QDialog* d) {
        auto* box = static_cast<TAboutBox*>(d);
        QLabel* site = box->LabelSite;
        EXPECT_LE(site->width(), site->sizeHint().width());
        // Right of the address, on the same line: the free panel.
        const QPoint beside(site->geometry().right() + 10, site->geometry().center().y());
        ASSERT_LT(beside.x(), box->Panel1->width() - 3);
        moveOver(site, site->rect().center());
        EXPECT_EQ(siteColor(box), QColor(0xFF, 0, 0));
        moveOver(box->Panel1, beside);
        EXPECT_EQ(siteColor(box), QColor(0, 0, 0xFF));
        QTest::mouseClick(box->Panel1, Qt::LeftButton, Qt::NoModifier, beside);
        d->accept();
    });
    form->ui.MAboutProgram->trigger();
    EXPECT_TRUE(ui.opened.isEmpty());
}
