#include "platform/Ui.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QUrl>

#include "platform/FontDialog.h"
#include "platform/SecretField.h"
#include "platform/Widgets.h"

namespace platform {

namespace {
QtUi g_real;
Ui* g_ui = &g_real;
QString g_title;

// The boxes and dialogs open now, the innermost last.
QList<QPointer<QDialog>> g_open;
// Counts the locks, so a box can tell that one came while it was open.
quint64 g_cancels = 0;
// Set by a lock: no box opens until the program allows them again.
bool g_refusing = false;

// Shows a box modally; nothing when a lock closed or refused it.
std::optional<int> runModal(QDialog& dialog, bool refusable = true) {
    if (g_refusing && refusable) {
        return std::nullopt;
    }
    const quint64 cancels = g_cancels;
    g_open.append(&dialog);
    const int result = dialog.exec();
    g_open.removeLast();
    if (g_cancels != cancels) {
        return std::nullopt;
    }
    return result;
}
}  // namespace

Ui& ui() {
    return *g_ui;
}
void setUi(Ui* replacement) {
    g_ui = replacement ? replacement : &g_real;
}

void setApplicationTitle(const QString& title) {
    g_title = title;
}
QString applicationTitle() {
    return g_title;
}

QStringList qtFilters(const QString& filter) {
    QStringList result;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        // Descriptions usually name their patterns already: "Text File (*.txt)".
        const QString named = QLatin1Char('(') + patterns + QLatin1Char(')');
        result << (parts[i].endsWith(named) ? parts[i]
                                            : QStringLiteral("%1 (%2)").arg(parts[i], patterns));
    }
    if (result.isEmpty()) {
        result << QStringLiteral("(*)");
    }
    return result;
}

void QtUi::showMessage(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, applicationTitle(), text, QMessageBox::Ok,
                    QApplication::activeWindow());
    fitTitle(&box);
    runModal(box);
}

namespace {

bool runInputBox(const QString& title, const QString& prompt, QString& value, bool secret,
                 const std::function<void(const QString&)>& copySecret) {
    QInputDialog dialog(QApplication::activeWindow());
    dialog.setWindowTitle(title);
    dialog.setLabelText(prompt);
    dialog.setTextValue(value);
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setMinimumWidth(titleWidth(&dialog));
    if (QLineEdit* edit = dialog.findChild<QLineEdit*>()) {
        if (secret) {
            setPasswordChar(edit);
        }
        if (copySecret) {
            guardSecretField(edit, copySecret);
        }
        edit->setMaxLength(255);
        edit->selectAll();
    }
    if (runModal(dialog) != QDialog::Accepted) {
        return false;
    }
    value = dialog.textValue();
    return true;
}

}  // namespace

bool QtUi::inputQuery(const QString& title, const QString& prompt, QString& value, bool secret) {
    return runInputBox(title, prompt, value, secret, {});
}

bool QtUi::inputNewPassword(const QString& title, const QString& prompt, QString& value,
                            const std::function<void(const QString&)>& copySecret) {
    return runInputBox(title, prompt, value, false, copySecret);
}

bool QtUi::askOkCancel(const QString& text, const QString& title) {
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok | QMessageBox::Cancel,
                    QApplication::activeWindow());
    fitTitle(&box);
    return runModal(box) == QMessageBox::Ok;
}

namespace {

std::optional<FileDialogResult> runFileDialog(const FileDialogRequest& request, bool save) {
    QFileDialog dialog(QApplication::activeWindow(), request.title, request.initialDir);
    // Qt's own dialog, so the type-change rule can reach the file-name box.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    const QStringList filters = qtFilters(request.filter);
    dialog.setNameFilters(filters);
    const int index = std::clamp(request.filterIndex, 1, int(filters.size()));
    dialog.selectNameFilter(filters.value(index - 1));
    if (!request.fileName.isEmpty()) {
        dialog.selectFile(request.fileName);
    }
    if (request.onTypeChange) {
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                         [&dialog, &request, filters](const QString& chosen) {
                             QLineEdit* box =
                                 dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                             if (!box) {
                                 return;
                             }
                             const int newIndex = int(filters.indexOf(chosen)) + 1;
                             box->setText(request.onTypeChange(newIndex, box->text().left(259)));
                         });
    }
    if (runModal(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    FileDialogResult result;
    result.fileName = dialog.selectedFiles().first();
    result.filterIndex = int(filters.indexOf(dialog.selectedNameFilter())) + 1;
    return result;
}

}  // namespace

std::optional<FileDialogResult> QtUi::openFile(const FileDialogRequest& request) {
    return runFileDialog(request, false);
}

std::optional<FileDialogResult> QtUi::saveFile(const FileDialogRequest& request) {
    return runFileDialog(request, true);
}

bool QtUi::chooseFont(FontChoice& choice) {
    FontDialog dialog(choice, QApplication::activeWindow());
    if (runModal(dialog) != QDialog::Accepted) {
        return false;
    }
    choice = dialog.choice();
    return true;
}

void QtUi::shellOpen(const QString& target) {
    QDesktopServices::openUrl(QUrl(target));
}

void QtUi::clearClipboard() {
    QApplication::clipboard()->clear();
}

void QtUi::setClipboardText(const QString& text) {
    QApplication::clipboard()->setText(text);
}

void QtUi::showError(const QString& text) {
    QMessageBox box(QMessageBox::Critical, applicationTitle(), text, QMessageBox::Ok,
                    QApplication::activeWindow());
    fitTitle(&box);
    // A failure is always reported, also while the boxes are refused.
    runModal(box, false);
}

int QtUi::showModal(QDialog* dialog) {
    return runModal(*dialog).value_or(QDialog::Rejected);
}

}  // namespace platform

namespace platform {

bool QtUi::trayAvailable() {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

}  // namespace platform

namespace platform {

void QtUi::cancelModals() {
    g_refusing = true;
    ++g_cancels;
    // Innermost first: each nested loop ends as its box returns.
    for (auto it = g_open.crbegin(); it != g_open.crend(); ++it) {
        if (*it) {
            (*it)->reject();
        }
    }
    closePopups();
}

void closePopups() {
    // A menu's submenu is a popup of its own: bounded, as a menu may reopen.
    for (int i = 0; i < 10 && QApplication::activePopupWidget(); ++i) {
        QApplication::activePopupWidget()->close();
    }
}

void QtUi::allowModals() {
    g_refusing = false;
}

namespace {

// The clipboard content of a copied password: its text, marked as a secret in
// the ways the platform's clipboard managers understand.
QMimeData* secretMimeData(const QString& text) {
    auto* data = new QMimeData;
    data->setText(text);
#ifdef Q_OS_WIN
    // Kept out of clipboard monitors, the clipboard history and the cloud clipboard.
    const QByteArray no(4, '\0');  // a DWORD 0
    data->setData(
        QStringLiteral(
            "application/x-qt-windows-mime;value=\"ExcludeClipboardContentFromMonitorProcessing\""),
        no);
    data->setData(
        QStringLiteral("application/x-qt-windows-mime;value=\"CanIncludeInClipboardHistory\""), no);
    data->setData(
        QStringLiteral("application/x-qt-windows-mime;value=\"CanUploadToCloudClipboard\""), no);
#else
    // The hint the clipboard managers of Linux desktops honour (Klipper and others).
    data->setData(QStringLiteral("x-kde-passwordManagerHint"), QByteArrayLiteral("secret"));
#endif
    return data;
}

}  // namespace

void QtUi::setSecretClipboardText(const QString& text) {
    QApplication::clipboard()->setMimeData(secretMimeData(text));
}

QString QtUi::clipboardText() {
    return QApplication::clipboard()->text();
}

}  // namespace platform
