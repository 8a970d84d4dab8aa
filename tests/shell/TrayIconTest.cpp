#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "AppFixture.h"
#include "accounts/FormLogin.h"
#include "shell/TrayIcon.h"

using testing_support::AppFixture;

class Tray : public AppFixture {
protected:
    static void settle() { QTest::qWait(20); }
};

TEST_F(Tray, PresentFromTheStartWithItsMenuAndTheCaptionAsTooltip) {
    installLanguage();
    bool clickedBeforeLogin = false;
    start([&](TFormLogin* d) {
        EXPECT_TRUE(form->ui.StTrayIcon1->active());
        EXPECT_EQ(form->ui.StTrayIcon1->icon()->contextMenu(), form->ui.PopupMenuTray);
        EXPECT_EQ(form->ui.StTrayIcon1->icon()->toolTip(), QStringLiteral("Vorrel 1.8"));
        EXPECT_FALSE(form->ui.StTrayIcon1->icon()->icon().isNull());
        form->ui.StTrayIcon1->activate(QSystemTrayIcon::Trigger);
        form->ui.StTrayIcon1->activate(QSystemTrayIcon::DoubleClick);
        form->ui.PMTrayAdd->trigger();
        settle();
        clickedBeforeLogin = form->isVisible();
        click(d->ButtonExit);
    });
    EXPECT_FALSE(clickedBeforeLogin);
    EXPECT_FALSE(form->ui.PMUnlock->isVisible());
    form->ui.StTrayIcon1->setHint(QString(80, QLatin1Char('x')));
    EXPECT_EQ(form->ui.StTrayIcon1->hint().size(), 63);
    EXPECT_EQ(form->ui.StTrayIcon1->icon()->toolTip().size(), 63);
}

TEST_F(Tray, MinimizeHidesInTheTrayAndAClickBringsItBack) {
    openUser({"a|u|p"});
    activate();
    form->showMinimized();
    settle();
    EXPECT_FALSE(form->isVisible());
    form->ui.StTrayIcon1->activate(QSystemTrayIcon::Trigger);
    settle();
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(form->isMinimized());
    form->hide();
    form->ui.StTrayIcon1->activate(QSystemTrayIcon::DoubleClick);
    EXPECT_TRUE(form->isVisible());
}

TEST_F(Tray, CloseBoxEndsTheProgramWithSaving) {
    openUser({"a|u|p"});
    EXPECT_TRUE(closeMain());
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(dir.exists(QStringLiteral("users/bob/settings.dat")));
}

TEST_F(Tray, WhileLockedClickAndAddDoNothingButExitSaves) {
    openUser({"a|u|p"});
    activate();
    form->MLockClick();
    settle();
    EXPECT_FALSE(form->isVisible());
    form->ui.StTrayIcon1->activate(QSystemTrayIcon::Trigger);
    form->ui.StTrayIcon1->activate(QSystemTrayIcon::DoubleClick);
    form->ui.PMTrayAdd->trigger();
    settle();
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(ui.texts(QStringLiteral("modal")).isEmpty());
    form->ui.PMTrayExit->trigger();
    EXPECT_EQ(vaultPlain(QStringLiteral("bob")), QList<QByteArray>{"a|u|p"});
    EXPECT_TRUE(dir.exists(QStringLiteral("vorrel.ini")));
}

TEST_F(Tray, AddRestoresTheWindowAndRunsTheAddCommand) {
    openUser({});
    form->hide();
    ui.answerModal([](QDialog* d) { d->reject(); });
    form->ui.PMTrayAdd->trigger();
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(ui.texts(QStringLiteral("modal")), QStringList{QStringLiteral("FormAdd")});
}

TEST_F(Tray, GoingAwayWhileHiddenBringsTheWindowToTheTaskbarAndComingBackShowsTheIcon) {
    openUser({"a|u|p"});
    EXPECT_TRUE(form->ui.StTrayIcon1->TrayCheckTimer->isActive());
    activate();
    form->MLockClick();
    settle();
    ASSERT_FALSE(form->isVisible());
    // The panel with the notification area is gone.
    ui.tray = false;
    form->ui.StTrayIcon1->CheckTray();
    settle();
    EXPECT_FALSE(form->ui.StTrayIcon1->active());
    EXPECT_FALSE(form->ui.StTrayIcon1->icon()->isVisible());
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(form->isMinimized());
    EXPECT_FALSE(form->centralWidget()->isVisible());  // still locked
    // From the taskbar: the password first.
    ui.answerInput(QStringLiteral("pass"));
    form->showNormal();
    settle();
    EXPECT_FALSE(form->locked());
    EXPECT_TRUE(form->centralWidget()->isVisible());
    // The notification area is back: so is the icon, and minimizing hides in it again.
    ui.tray = true;
    form->ui.StTrayIcon1->CheckTray();
    EXPECT_TRUE(form->ui.StTrayIcon1->active());
    EXPECT_TRUE(form->ui.StTrayIcon1->icon()->isVisible());
    form->showMinimized();
    settle();
    EXPECT_FALSE(form->isVisible());
}
