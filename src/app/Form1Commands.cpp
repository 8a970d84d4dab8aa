// Clipboard, links, keys and the small commands of the menus.
#include <QApplication>
#include <QKeyEvent>
#include <QTimer>

#include "about/AboutBox.h"
#include "app/Form1.h"
#include "export/FormExport.h"
#include "mainwindow/EntryListModel.h"
#include "mainwindow/SecretClipboard.h"
#include "platform/CodePage.h"

namespace {
enum class Copy { Login, Password, Link };
}

static void copyField(TForm1& form, Copy what) {
    if (!form.CurrentEntry.isValid() || form.locked()) {
        return;
    }
    const EntryRow& row = form.ui.ListModel->row(form.CurrentEntry.row());
    QByteArray text;
    switch (what) {
        case Copy::Login:
            text = row.field(core::Login);
            break;
        case Copy::Link:
            text = row.field(core::Link);
            break;
        case Copy::Password:
            if (form.HidePasswords) {
                const int k = form.FindEntryIndex(form.CurrentEntry.row());
                if (k < 0) {
                    return;
                }
                text = form.session().entryPassword(k);
            } else {
                text = row.field(core::Password);
            }
            break;
    }
    if (what == Copy::Password) {
        form.ui.Clipboard->copy(form.session().text(text));
        return;
    }
    platform::ui().clearClipboard();
    platform::ui().setClipboardText(form.session().text(text));
}

void TForm1::PMCopyLoginClick() {
    copyField(*this, Copy::Login);
}
void TForm1::PMCopyPasswordClick() {
    copyField(*this, Copy::Password);
}
void TForm1::PMCopyLinkClick() {
    copyField(*this, Copy::Link);
}

void TForm1::PMOpenUrlClick() {
    const QList<int> rows = SelectedRows();
    if (rows.isEmpty()) {
        platform::ui().showMessage(texts.StringSelectField);
        return;
    }
    QString link = session_.text(ui.ListModel->row(rows.first()).field(core::Link));
    if (!link.contains(QLatin1String("http://")) && !link.contains(QLatin1String("https://"))) {
        link.prepend(QLatin1String("http://"));
    }
    platform::ui().shellOpen(link);
}

void TForm1::FormKeyDown(QKeyEvent* event) {
    // Only a key that reaches the window itself: keys typed in the list, the
    // tree or the search box belong to them.
    QWidget* focused = QApplication::focusWidget();
    if (event->key() == Qt::Key_Escape && (!focused || focused == this)) {
        event->accept();
        close();
        return;
    }
    event->ignore();
}

void TForm1::keyPressEvent(QKeyEvent* event) {
    FormKeyDown(event);
}

void TForm1::MExportClick() {
    LoadLanguage(Settings.language);
    platform::ui().showModal(ui.FormExport);
}

void TForm1::AAboutExecute() {
    LoadLanguage(Settings.language);
    platform::ui().showModal(ui.AboutBox);
}
