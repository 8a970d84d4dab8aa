#include "ScriptedUi.h"

#include <QDialog>

namespace testing_support {

ScriptedUi::ScriptedUi() {
    platform::setUi(this);
}
ScriptedUi::~ScriptedUi() {
    platform::setUi(nullptr);
}

void ScriptedUi::answerInput(std::optional<QString> text) {
    inputs_.push_back(std::move(text));
}
void ScriptedUi::answerQuestion(bool ok) {
    questions_.push_back(ok);
}

void ScriptedUi::answerOpenFile(std::optional<QString> path, int filterIndex) {
    FileAnswer a;
    if (path) {
        a.result = platform::FileDialogResult{*path, filterIndex};
    }
    opens_.push_back(a);
}

void ScriptedUi::answerSaveFile(std::optional<QString> path, int filterIndex,
                                QList<int> typeChanges) {
    FileAnswer a;
    if (path) {
        a.result = platform::FileDialogResult{*path, filterIndex};
    }
    a.typeChanges = std::move(typeChanges);
    saves_.push_back(a);
}

void ScriptedUi::answerFont(std::optional<platform::FontChoice> choice) {
    fonts_.push_back(std::move(choice));
}

void ScriptedUi::answerModal(std::function<void(QDialog*)> handler) {
    modals_.push_back(std::move(handler));
}

void ScriptedUi::whileOpen(const QString& kind, std::function<void()> action) {
    whileOpen_.emplace_back(kind, std::move(action));
}

bool ScriptedUi::opens(const QString& kind, bool refusable) {
    if (refusing_ && refusable) {
        cancelled << kind;
        return false;
    }
    openCancels_.append(cancels_);
    for (auto it = whileOpen_.begin(); it != whileOpen_.end(); ++it) {
        if (it->first == kind) {
            const std::function<void()> action = std::move(it->second);
            whileOpen_.erase(it);
            action();
            break;
        }
    }
    return true;
}

bool ScriptedUi::closed(const QString& kind) {
    const bool byLock = openCancels_.takeLast() != cancels_;
    if (byLock) {
        cancelled << kind;
    }
    return byLock;
}

void ScriptedUi::cancelModals() {
    refusing_ = true;
    ++cancels_;
    for (auto it = openDialogs_.crbegin(); it != openDialogs_.crend(); ++it) {
        (*it)->reject();
    }
    platform::closePopups();
}

void ScriptedUi::allowModals() {
    refusing_ = false;
}

void ScriptedUi::setSecretClipboardText(const QString& text) {
    setClipboardText(text);
    clipboardSecret = true;
}

QString ScriptedUi::clipboardText() {
    return clipboard.value_or(QString());
}

QStringList ScriptedUi::texts(const QString& kind) const {
    QStringList result;
    for (const Shown& s : shown) {
        if (s.kind == kind) {
            result << s.text;
        }
    }
    return result;
}

QStringList ScriptedUi::kinds() const {
    QStringList result;
    for (const Shown& s : shown) {
        result << s.kind;
    }
    return result;
}

bool ScriptedUi::allAnswersUsed() const {
    return inputs_.empty() && questions_.empty() && opens_.empty() && saves_.empty() &&
           fonts_.empty() && modals_.empty() && whileOpen_.empty();
}

void ScriptedUi::clearShown() {
    shown.clear();
    fileRequests.clear();
    typeChangeTexts.clear();
}

void ScriptedUi::showMessage(const QString& text) {
    shown.append({QStringLiteral("message"), platform::applicationTitle(), text});
    if (opens(QStringLiteral("message"))) {
        closed(QStringLiteral("message"));
    }
}

bool ScriptedUi::inputQuery(const QString& title, const QString& prompt, QString& value,
                            bool secret) {
    shown.append(
        {QStringLiteral("input"), title, prompt + QStringLiteral(" [") + value + QLatin1Char(']')});
    secretInputs << secret;
    if (!opens(QStringLiteral("input")) || closed(QStringLiteral("input"))) {
        return false;
    }
    if (inputs_.empty()) {
        unexpected << QStringLiteral("input: ") + title;
        return false;
    }
    std::optional<QString> answer = inputs_.front();
    inputs_.pop_front();
    if (!answer) {
        return false;
    }
    value = *answer;
    return true;
}

bool ScriptedUi::askOkCancel(const QString& text, const QString& title) {
    shown.append({QStringLiteral("question"), title, text});
    if (!opens(QStringLiteral("question")) || closed(QStringLiteral("question"))) {
        return false;
    }
    if (questions_.empty()) {
        unexpected << QStringLiteral("question: ") + text;
        return false;
    }
    const bool ok = questions_.front();
    questions_.pop_front();
    return ok;
}

std::optional<platform::FileDialogResult> ScriptedUi::file(
    const QString& kind, const platform::FileDialogRequest& request,
    std::deque<FileAnswer>& queue) {
    shown.append({kind, request.title, request.initialDir + QLatin1Char('|') + request.fileName});
    fileRequests.append(request);
    if (!opens(kind) || closed(kind)) {
        return std::nullopt;
    }
    if (queue.empty()) {
        unexpected << kind + QStringLiteral(" dialog");
        return std::nullopt;
    }
    FileAnswer answer = queue.front();
    queue.pop_front();
    QString boxText = request.fileName;
    for (int index : answer.typeChanges) {
        if (request.onTypeChange) {
            boxText = request.onTypeChange(index, boxText);
        }
        typeChangeTexts << boxText;
    }
    return answer.result;
}

std::optional<platform::FileDialogResult> ScriptedUi::openFile(
    const platform::FileDialogRequest& request) {
    return file(QStringLiteral("open"), request, opens_);
}

std::optional<platform::FileDialogResult> ScriptedUi::saveFile(
    const platform::FileDialogRequest& request) {
    return file(QStringLiteral("save"), request, saves_);
}

bool ScriptedUi::chooseFont(platform::FontChoice& choice) {
    shown.append({QStringLiteral("font"), QString(), choice.font.family()});
    if (!opens(QStringLiteral("font")) || closed(QStringLiteral("font"))) {
        return false;
    }
    if (fonts_.empty()) {
        unexpected << QStringLiteral("font dialog");
        return false;
    }
    std::optional<platform::FontChoice> answer = fonts_.front();
    fonts_.pop_front();
    if (!answer) {
        return false;
    }
    choice = *answer;
    return true;
}

void ScriptedUi::shellOpen(const QString& target) {
    shown.append({QStringLiteral("shell"), QString(), target});
    opened << target;
}

void ScriptedUi::clearClipboard() {
    clipboard.reset();
    clipboardSecret = false;
}

void ScriptedUi::setClipboardText(const QString& text) {
    shown.append({QStringLiteral("clipboard"), QString(), text});
    clipboard = text;
    clipboardSecret = false;
}

void ScriptedUi::showError(const QString& text) {
    shown.append({QStringLiteral("error"), platform::applicationTitle(), text});
    if (opens(QStringLiteral("error"), false)) {
        closed(QStringLiteral("error"));
    }
}

int ScriptedUi::showModal(QDialog* dialog) {
    shown.append({QStringLiteral("modal"), dialog->windowTitle(), dialog->objectName()});
    if (refusing_) {
        cancelled << QStringLiteral("modal");
        return QDialog::Rejected;
    }
    if (modals_.empty()) {
        unexpected << QStringLiteral("modal ") + dialog->objectName();
        return QDialog::Rejected;
    }
    std::function<void(QDialog*)> handler = modals_.front();
    modals_.pop_front();
    dialog->setResult(QDialog::Rejected);
    dialog->show();
    // The handler is what happens while the dialog is up; a lock in it closes it.
    openCancels_.append(cancels_);
    openDialogs_.append(dialog);
    handler(dialog);
    openDialogs_.removeLast();
    closed(QStringLiteral("modal"));
    if (dialog->isVisible()) {
        unexpected << QStringLiteral("left open: ") + dialog->objectName();
        dialog->hide();
    }
    return dialog->result();
}

}  // namespace testing_support
