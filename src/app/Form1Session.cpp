// The logged-in user's session in the window: the login, what the session
// tells, and the tree and list that show it.
#include <QFont>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPaintEvent>
#include <QTimer>
#include <QTreeWidget>
#include <limits>

#include "accounts/FormLogin.h"
#include "accounts/VaultCommands.h"
#include "app/ConflictCopies.h"
#include "app/Form1.h"
#include "app/Reopen.h"
#include "mainwindow/EntryDialogs.h"
#include "mainwindow/EntryListModel.h"
#include "mainwindow/InactivityWatch.h"
#include "mainwindow/ListView.h"
#include "mainwindow/SecretClipboard.h"
#include "platform/Guard.h"
#include "platform/Widgets.h"

namespace {

// Runs once, just after the widget's first paint.
class AfterFirstPaint : public QObject {
public:
    AfterFirstPaint(QWidget* widget, std::function<void()> run)
        : QObject(widget), run_(std::move(run)) {
        widget->installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            QTimer::singleShot(0, parent(), [run = run_] { platform::guarded(run); });
            deleteLater();
        }
        return false;
    }

private:
    std::function<void()> run_;
};

}  // namespace

void TForm1::WireSession() {
    session_.setTexts(texts.Files);
    connect(&session_, &session::UserSession::merged, this, [this](int fromElsewhere) {
        ShowSession();
        if (fromElsewhere > 0) {
            ui.StatusPanels[2]->setText(
                core::pluralForm(texts.Files.mergedIn, fromElsewhere).arg(fromElsewhere));
        }
    });
    connect(&session_, &session::UserSession::notice, this,
            [](const QString& text) { platform::ui().showMessage(text); });
    connect(&session_, &session::UserSession::stateChanged, this, [this] { ShowSessionState(); });
    connect(&session_, &session::UserSession::changesWaiting, this,
            [this] { TakeChangesWhenFree(); });
    TakeChangesTimer = new QTimer(this);
    TakeChangesTimer->setSingleShot(true);
    connect(TakeChangesTimer, &QTimer::timeout, this, [this] { TakeChangesWhenFree(); });
}

void TForm1::WireDialogs() {
    connect(ui.FormLogin, &TFormLogin::loginRequested, this,
            [this](const QString& login, const QByteArray& password) {
                platform::guarded([&] { ButtonLoginClick(login, password); });
            });
    connect(ui.FormLogin, &TFormLogin::newUserRequested, this,
            [this](const QString& login, const QByteArray& password) {
                platform::guarded([&] { ButtonNewUserClick(login, password); });
            });
    connect(ui.FormLogin, &TFormLogin::exitRequested, this, [this] { Terminate(); });
    connect(ui.FormLogin, &TFormLogin::closing, this, [this] {
        if (!loggedIn()) {
            terminated_ = true;
        }
    });
    for (TEntryDialog* dialog :
         {static_cast<TEntryDialog*>(ui.FormAdd), static_cast<TEntryDialog*>(ui.FormEdit)}) {
        connect(dialog, &TEntryDialog::secretCopied, ui.Clipboard, &SecretClipboard::copy);
        connect(dialog, &TEntryDialog::openLinkRequested, this,
                platform::command([this] { PMOpenUrlClick(); }));
        connect(dialog, &TEntryDialog::categoryAdded, this, [this] {
            const int k = int(session_.categories().size());
            auto* node = new QTreeWidgetItem(QStringList{NodeCaption(k, 0)});
            node->setData(0, Qt::UserRole, session_.categories().last());
            ui.TreeViewCat->topLevelItem(0)->addChild(node);
        });
    }
    connect(ui.FormAdd, &TFormAdd::added, this, [this](const QByteArray& category) {
        RefreshCategoryCaptions();
        // By name: a merge may have moved the category in the list.
        SelectNode(int(session_.categories().indexOf(category)) + 1);
        TreeViewCatClick();
    });
    connect(ui.FormEdit, &TFormEdit::edited, this, [this] {
        RefreshCategoryCaptions();
        FillEntryList();
    });
}

// ---- Login ----------------------------------------------------------------------------

void TForm1::ButtonLoginClick(const QString& login, const QByteArray& password) {
    // Whatever an earlier attempt opened goes first.
    session_.forget();
    std::unique_ptr<core::UserLogin> user;
    {
        const platform::BusyCursor busy;  // the key derivation of an encrypted user
        user = accounts_.check(login, password, texts.Files);
    }
    if (!user) {
        platform::ui().showMessage(ui.FormLogin->StringWrongPassword);
        return;
    }
    // From the designed caption, so a login retried after a failure adds the name once.
    setWindowTitle(DesignedCaption() + QStringLiteral(" - ") + login);
    if (user->keyFileDue() && !KeyFileCheck(*user)) {
        ui.FormLogin->done(QDialog::Rejected);
        return;
    }
    std::unique_ptr<core::UserStore> store = user->open();
    const core::UserSettings& s = store->settings();
    ListFont.font = QFont(s.fontName, s.fontSize);
    ListFont.color = platform::toQColor(s.fontColor);
    ApplyListFont();
    session_.open(std::move(store), login, password, [this](const QString& why) {
        return platform::ui().askOkCancel(
            why + QLatin1Char('\r') + ui.VaultCommands->StringUseNewerBackup, windowTitle());
    });
    ShowCategories();
    offerConflictCopies(*this);
    FillEntryList();
    ui.VaultCommands->UpdateMenu();
    ui.Inactivity->update();
    // The backup once the window shows: its write is no part of the wait.
    new AfterFirstPaint(ui.ListView1->viewport(), [this] { session_.writeBackup(); });
    show();
    ui.FormLogin->LoggedIn();
}

void TForm1::ButtonNewUserClick(const QString& login, const QByteArray& password) {
    switch (accounts_.create(login, password)) {
        case session::Accounts::Created::InvalidName:
            return;
        case session::Accounts::Created::Exists:
            platform::ui().showMessage(ui.FormLogin->StringUser + login +
                                       ui.FormLogin->StringExists);
            return;
        case session::Accounts::Created::Done:
            break;
    }
    Settings.users.append(login);
    if (Settings.usersCount < std::numeric_limits<int>::max()) {
        ++Settings.usersCount;
    }
    ButtonLoginClick(login, password);
}

bool TForm1::FilesCurrent() {
    return session_.formatUnchanged() || reopenFiles(*this);
}

void TForm1::TakeChangesWhenFree() {
    if (!loggedIn() || !session_.watch().pending()) {
        return;
    }
    if (locked() || platform::modalOpen()) {
        if (!locked()) {
            TakeChangesTimer->start(1000);  // the dialog's close is not announced
        }
        return;
    }
    platform::guarded([this] { session_.takeChanges(); });
    if (!session_.watch().pending()) {
        offerConflictCopies(*this);
    }
}

// ---- The view ---------------------------------------------------------------------------

void TForm1::ApplyListFont() {
    for (QWidget* w : {static_cast<QWidget*>(ui.TreeViewCat), static_cast<QWidget*>(ui.ListView1),
                       static_cast<QWidget*>(ui.EditSearch)}) {
        platform::applyListFont(w, ListFont.font, ListFont.color);
    }
}

QString TForm1::NodeCaption(int k, int count) const {
    const QString name = k == 0 ? texts.StringAllPasswords : CategoryName(k);
    return name + QStringLiteral(" (") + QString::number(count) + QLatin1Char(')');
}

QString TForm1::CategoryName(int k) const {
    return session_.text(session_.categories().value(k - 1));
}

void TForm1::ShowCategories() {
    const core::LineList& names = session_.categories();
    const QList<int> counts = core::categoryCounts(session_.entries(), names);
    ui.TreeViewCat->clear();
    auto* root = new QTreeWidgetItem(QStringList{NodeCaption(0, int(session_.entries().size()))});
    QList<QTreeWidgetItem*> children;
    children.reserve(names.size());
    for (int i = 1; i <= names.size(); ++i) {
        auto* node = new QTreeWidgetItem(QStringList{NodeCaption(i, counts[i - 1])});
        node->setData(0, Qt::UserRole, names[i - 1]);
        children.append(node);
    }
    root->addChildren(children);
    ui.TreeViewCat->addTopLevelItem(root);
    ui.TreeViewCat->setCurrentItem(root);
    ui.TreeViewCat->expandAll();
}

void TForm1::ShowSession() {
    const int node = SelectedNodeIndex();
    const QTreeWidgetItem* selected = node > 0 ? CategoryNode(node) : nullptr;
    const QByteArray category =
        selected ? selected->data(0, Qt::UserRole).toByteArray() : QByteArray();
    const QByteArray current =
        CurrentEntry.isValid() ? ui.ListModel->row(CurrentEntry.row()).line : QByteArray();
    ShowCategories();
    SelectNode(selected ? int(session_.categories().indexOf(category)) + 1 : 0);
    TreeViewCatClick();
    const qsizetype k = current.isNull() ? -1 : session_.entries().indexOf(current);
    for (int r = 0; k >= 0 && r < ui.ListModel->rowCount(); ++r) {
        if (ui.ListModel->row(r).entry == k) {
            ui.ListView1->selectionModel()->setCurrentIndex(
                ui.ListModel->index(r, 0),
                QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            break;
        }
    }
    ShowSessionState();
}

void TForm1::ShowSessionState() {
    QLabel* panel = ui.StatusPanels[2];
    if (session_.unsaved()) {
        panel->setText(texts.Files.unsaved);
    } else if (session_.formatChangedElsewhere()) {
        panel->setText(texts.Files.changedElsewhereStatus);
    } else if (panel->text() == texts.Files.unsaved ||
               panel->text() == texts.Files.changedElsewhereStatus) {
        panel->clear();
    }
}
