#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <optional>

#include "platform/Ui.h"

namespace testing_support {

// One box, dialog or desktop call the program made, in order.
struct Shown {
    QString kind;  // message, input, question, open, save, font, shell, clipboard, error, modal
    QString title;
    QString text;
};

// A file dialog answer: optional type changes the user makes while the
// dialog is open, then the chosen file (or Cancel).
struct FileAnswer {
    std::optional<platform::FileDialogResult> result;
    QList<int> typeChanges;  // filter indexes picked before accepting
};

// The program's boxes and dialogs answered from queues, everything recorded.
// Constructing it installs it; destroying it brings the real one back.
class ScriptedUi : public platform::Ui {
public:
    ScriptedUi();
    ~ScriptedUi() override;

    // ---- answers, used in the order they were queued
    void answerInput(std::optional<QString> text);  // nullopt: Cancel
    void answerQuestion(bool ok);
    void answerOpenFile(std::optional<QString> path, int filterIndex = 1);
    void answerSaveFile(std::optional<QString> path, int filterIndex = 1,
                        QList<int> typeChanges = {});
    void answerFont(std::optional<platform::FontChoice> choice);
    // Runs while the dialog is shown; it must close the dialog.
    void answerModal(std::function<void(QDialog*)> handler);
    // Runs action the next time a box of this kind is up (message, input,
    // question, open, save, font, error), as a timer tick or a key can while
    // a box waits; for the program's own dialogs answerModal's handler is that
    // time. A lock in it closes the box as cancelled, and the box then takes
    // no queued answer.
    void whileOpen(const QString& kind, std::function<void()> action);

    // ---- what was shown
    QList<Shown> shown;
    QList<platform::FileDialogRequest> fileRequests;
    QStringList typeChangeTexts;       // the file-name box after each type change
    std::optional<QString> clipboard;  // nullopt: empty clipboard
    QStringList opened;                // texts handed to the shell
    QStringList unexpected;            // boxes shown with no answer queued
    QList<bool> secretInputs;          // for each input box: whether it hid its text
    QStringList cancelled;             // kinds of the boxes a lock closed or refused
    bool clipboardSecret = false;      // the clipboard's text is marked as a secret

    QStringList texts(const QString& kind) const;
    QStringList messages() const { return texts(QStringLiteral("message")); }
    QStringList errors() const { return texts(QStringLiteral("error")); }
    QStringList kinds() const;
    bool allAnswersUsed() const;
    void clearShown();

    // ---- platform::Ui
    void showMessage(const QString& text) override;
    bool inputQuery(const QString& title, const QString& prompt, QString& value,
                    bool secret = false) override;
    bool askOkCancel(const QString& text, const QString& title) override;
    std::optional<platform::FileDialogResult> openFile(
        const platform::FileDialogRequest& request) override;
    std::optional<platform::FileDialogResult> saveFile(
        const platform::FileDialogRequest& request) override;
    bool chooseFont(platform::FontChoice& choice) override;
    void shellOpen(const QString& target) override;
    void clearClipboard() override;
    void setClipboardText(const QString& text) override;
    void showError(const QString& text) override;
    int showModal(QDialog* dialog) override;
    bool trayAvailable() override { return tray; }
    bool tray = true;  // whether the desktop offers a notification area
    void cancelModals() override;
    void allowModals() override;
    void setSecretClipboardText(const QString& text) override;
    QString clipboardText() override;

private:
    std::optional<platform::FileDialogResult> file(const QString& kind,
                                                   const platform::FileDialogRequest& request,
                                                   std::deque<FileAnswer>& queue);

    std::deque<std::optional<QString>> inputs_;
    std::deque<bool> questions_;
    std::deque<FileAnswer> opens_;
    std::deque<FileAnswer> saves_;
    std::deque<std::optional<platform::FontChoice>> fonts_;
    std::deque<std::function<void(QDialog*)>> modals_;

    // A box comes up: false when the lock refuses it. Otherwise what the test
    // wanted done while it is up runs; closed() then tells whether a lock
    // closed it meanwhile.
    bool opens(const QString& kind, bool refusable = true);
    bool closed(const QString& kind);
    std::deque<std::pair<QString, std::function<void()>>> whileOpen_;
    QList<QDialog*> openDialogs_;  // the program's dialogs shown now, innermost last
    QList<quint64> openCancels_;   // the lock count when each open box came up
    quint64 cancels_ = 0;
    bool refusing_ = false;
};

}  // namespace testing_support
