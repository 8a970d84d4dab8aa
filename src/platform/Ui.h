#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <functional>
#include <optional>

class QDialog;
class QWidget;

namespace platform {

// A file dialog as the program asks for it. The filter list is
// "description|pattern|description|pattern..."; filter indexes count from 1.
struct FileDialogRequest {
    QString title;
    QString initialDir;
    QString fileName;
    QString filter;
    int filterIndex = 1;
    // Called when the user picks another file type, with the new index and
    // the text of the file-name box; returns the new text for the box.
    std::function<QString(int filterIndex, const QString& fileNameText)> onTypeChange;
};

struct FileDialogResult {
    QString fileName;  // full path
    int filterIndex = 1;
};

// The list font of the main window: name, size in points, colour and style.
struct FontChoice {
    QFont font;
    QColor color;
};

// Every box, dialog and desktop facility the program uses. The real one shows
// Qt's dialogs; tests install a scripted one. Nothing else in the program may
// open a modal window of its own.
class Ui {
public:
    virtual ~Ui() = default;
    // A plain message box; its caption is the application title.
    virtual void showMessage(const QString& text) = 0;
    // Title, prompt, one edit field; false when cancelled, else value holds the
    // text. A secret field shows "*" for every character typed.
    virtual bool inputQuery(const QString& title, const QString& prompt, QString& value,
                            bool secret = false) = 0;
    // The same box for a new password: shown as it is typed, so it can be
    // checked, but copied out of the box only through copySecret.
    virtual bool inputNewPassword(const QString& title, const QString& prompt, QString& value,
                                  const std::function<void(const QString&)>& /*copySecret*/) {
        return inputQuery(title, prompt, value);
    }
    // OK/Cancel question without icon; true for OK.
    virtual bool askOkCancel(const QString& text, const QString& title) = 0;
    virtual std::optional<FileDialogResult> openFile(const FileDialogRequest& request) = 0;
    virtual std::optional<FileDialogResult> saveFile(const FileDialogRequest& request) = 0;
    virtual bool chooseFont(FontChoice& choice) = 0;
    virtual void shellOpen(const QString& target) = 0;
    virtual void clearClipboard() = 0;
    virtual void setClipboardText(const QString& text) = 0;
    // The application's standard error box.
    virtual void showError(const QString& text) = 0;
    // Shows one of the program's own dialogs modally; returns its result code.
    virtual int showModal(QDialog* dialog) = 0;
    // Whether the desktop has a notification area for the tray icon.
    virtual bool trayAvailable() = 0;

    // The lock: every box and dialog open now closes as if cancelled, the
    // innermost first, and each of the calls above that showed one reports
    // Cancel. From then on every box is refused at once, as cancelled, so
    // the code after a closed box cannot show another, until allowModals().
    // The error box alone is never refused. Pop-up menus close too.
    virtual void cancelModals() = 0;
    virtual void allowModals() = 0;
    // Puts a text on the clipboard marked as a secret, where the desktop has a
    // convention for it, so clipboard managers and histories leave it out.
    virtual void setSecretClipboardText(const QString& text) { setClipboardText(text); }
    // The text the clipboard holds now.
    virtual QString clipboardText() = 0;
};

Ui& ui();
// Installs another implementation; nullptr brings the real one back.
void setUi(Ui* replacement);

void setApplicationTitle(const QString& title);
QString applicationTitle();

// The real implementation over Qt.
class QtUi : public Ui {
public:
    void showMessage(const QString& text) override;
    bool inputQuery(const QString& title, const QString& prompt, QString& value,
                    bool secret = false) override;
    bool inputNewPassword(const QString& title, const QString& prompt, QString& value,
                          const std::function<void(const QString&)>& copySecret) override;
    bool askOkCancel(const QString& text, const QString& title) override;
    std::optional<FileDialogResult> openFile(const FileDialogRequest& request) override;
    std::optional<FileDialogResult> saveFile(const FileDialogRequest& request) override;
    bool chooseFont(FontChoice& choice) override;
    void shellOpen(const QString& target) override;
    void clearClipboard() override;
    void setClipboardText(const QString& text) override;
    void showError(const QString& text) override;
    int showModal(QDialog* dialog) override;
    bool trayAvailable() override;
    void cancelModals() override;
    void allowModals() override;
    void setSecretClipboardText(const QString& text) override;
    QString clipboardText() override;
};

// Closes every pop-up menu that is open (a context menu offers Copy Password).
void closePopups();

// Turns "desc|pattern|desc|pattern" into Qt's "desc (pattern)" filters.
QStringList qtFilters(const QString& filter);

}  // namespace platform
