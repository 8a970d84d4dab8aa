#include "AppFixture.h"

#include "core/VaultCrypto.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "accounts/FormLogin.h"
#include "accounts/FormPassphrase.h"
#include "accounts/VaultCommands.h"
#include "core/PasswordEntry.h"
#include "mainwindow/EntryListModel.h"
#include "mainwindow/ListView.h"
#include "platform/CodePage.h"
#include "platform/TextList.h"

namespace testing_support {

CheapKeyDerivation::CheapKeyDerivation() {
    core::crypto::setNewFileKdfParams(core::crypto::KdfParams{1, 8192});
}

CheapKeyDerivation::~CheapKeyDerivation() {
    core::crypto::setNewFileKdfParams(std::nullopt);
}

QString sourcePath(const QString& relative) {
    return QStringLiteral(VORREL_SOURCE_DIR) + QLatin1Char('/') + relative;
}

void AppFixture::SetUp() {
    platform::setStorageCodePage("windows-1252");
}

void AppFixture::TearDown() {
    EXPECT_TRUE(ui.unexpected.isEmpty()) << ui.unexpected.join(QStringLiteral("; ")).toStdString();
    if (form) {
        form->hide();
    }
    form.reset();
    platform::setStorageCodePage(QByteArray());
}

void AppFixture::installLanguage(const QString& name) {
    QFile source(sourcePath(QStringLiteral("language/") + name + QStringLiteral(".ini")));
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    dir.write(QStringLiteral("language/") + name + QStringLiteral(".ini"), source.readAll());
}

void AppFixture::start(const std::function<void(TFormLogin*)>& drive) {
    form = std::make_unique<TForm1>(executable.isEmpty() ? dir.exe() : executable, dataFolder);
    // Changes on disk are taken when a test settles the watch, not by the clock.
    form->session().watch().setSettleMs(24 * 3600 * 1000);
    ui.answerModal([drive](QDialog* d) { drive(static_cast<TFormLogin*>(d)); });
    form->FormCreate();
    // The login writes the backup once the window has painted.
    if (form->loggedIn()) {
        (void)QTest::qWaitFor(
            [this] { return !form->session().backupDue() || !ui.errors().isEmpty(); }, 2000);
    }
}

void AppFixture::type(QWidget* widget, const QString& text) {
    for (QChar c : text) {
        if (c.unicode() >= 0x20 && c.unicode() < 0x7F) {
            QTest::keyClick(widget, char(c.unicode()));
        } else {
            // A character no key of the test keyboard produces, as an input method sends it.
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(widget, &press);
            QApplication::sendEvent(widget, &release);
        }
    }
}

void AppFixture::click(QWidget* widget) {
    QTest::mouseClick(widget, Qt::LeftButton);
}

void AppFixture::fillLogin(TFormLogin* d, const QString& login, const QString& password) {
    d->ComboBoxLogin->lineEdit()->clear();
    d->EditPassword->clear();
    type(d->ComboBoxLogin->lineEdit(), login);
    type(d->EditPassword, password);
}

void AppFixture::loginAs(const QString& login, const QString& password) {
    start([&](TFormLogin* d) {
        fillLogin(d, login, password);
        click(d->ButtonLogin);
    });
}

void AppFixture::newUser(const QString& login, const QString& password) {
    start([&](TFormLogin* d) {
        fillLogin(d, login, password);
        click(d->ButtonNewUser);
    });
}

TFormLogin* AppFixture::login() const {
    return form->ui.FormLogin;
}

void AppFixture::encryptVault(const QString& passphrase, const QString& password) {
    ui.answerInput(password);
    answerPassphrase(passphrase, passphrase);
    form->ui.VaultCommands->MEncryptVault->trigger();
}

void AppFixture::answerPassphrase(const QString& passphrase, const QString& confirm) {
    ui.answerModal([passphrase, confirm](QDialog* d) {
        auto* f = static_cast<TFormPassphrase*>(d);
        type(f->EditPassphrase, passphrase);
        type(f->EditConfirm, confirm);
        click(f->ButtonOk);
        if (f->isVisible()) {
            click(f->ButtonCancel);
        }
    });
}

bool AppFixture::closeMain() {
    return form->close();
}

QList<QByteArray> AppFixture::vaultPlain(const QString& login) const {
    QList<QByteArray> plain;
    for (const QByteArray& line : platform::parseTextLines(
             dir.read(QStringLiteral("users/") + login + QStringLiteral("/passwords.dat")))) {
        plain << core::Scramble(line);
    }
    return plain;
}

}  // namespace testing_support

namespace testing_support {

void AppFixture::activate() {
    form->show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
}

void AppFixture::clickNode(int absoluteIndex, Qt::MouseButton button) {
    QTreeWidgetItem* node = form->CategoryNode(absoluteIndex);
    ASSERT_NE(node, nullptr);
    QTreeWidget* tree = form->ui.TreeViewCat;
    tree->scrollToItem(node);
    const QPoint at = tree->visualItemRect(node).center();
    QTest::mouseClick(tree->viewport(), button, Qt::NoModifier, at);
}

QStringList AppFixture::column(int column) const {
    QStringList cells;
    for (int r = 0; r < form->ui.ListModel->rowCount(); ++r) {
        cells << form->ui.ListModel->cellText(r, column);
    }
    return cells;
}

QList<int> AppFixture::selectedRows() const {
    return form->SelectedRows();
}

void AppFixture::selectRows(const QList<int>& rows) {
    QItemSelection selection;
    for (int r : rows) {
        selection.select(form->ui.ListModel->index(r, 0), form->ui.ListModel->index(r, 8));
    }
    form->ui.ListView1->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    if (!rows.isEmpty()) {
        form->ui.ListView1->selectionModel()->setCurrentIndex(
            form->ui.ListModel->index(rows.last(), 0), QItemSelectionModel::NoUpdate);
    }
}

void AppFixture::openUser(const QList<QByteArray>& plainLines,
                          const QList<QByteArray>& categories) {
    installLanguage();
    dir.makeUser(QStringLiteral("bob"), "pass", plainLines, categories);
    loginAs(QStringLiteral("bob"), QStringLiteral("pass"));
    ASSERT_TRUE(form->loggedIn());
    ui.clearShown();
}

}  // namespace testing_support
