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
           fonts_.empty() && modals_.empty();
}

void ScriptedUi::clearShown() {
    shown.clear();
    fileRequests.clear();
    typeChangeTexts.clear();
}

void ScriptedUi::showMessage(const QString& text) {
    shown.append({QStringLiteral("message"), platform::applicationTitle(), text});
}

bool ScriptedUi::inputQuery(const QString& title, const QString& prompt, QString& value,
                            bool secret) {
    shown.append(
        {QStringLiteral("input"), title, prompt + QStringLiteral(" [") + value + QLatin1Char(']')});
    secretInputs << secret;
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
}

void ScriptedUi::setClipboardText(const QString& text) {
    shown.append({QStringLiteral("clipboard"), QString(), text});
    clipboard = text;
}

void ScriptedUi::showError(const QString& text) {
    shown.append({QStringLiteral("error"), platform::applicationTitle(), text});
}

int ScriptedUi::showModal(QDialog* dialog) {
    shown.append({QStringLiteral("modal"), dialog->windowTitle(), dialog->objectName()});
    if (modals_.empty()) {
        unexpected << QStringLiteral("modal ") + dialog->objectName();
        return QDialog::Rejected;
    }
    std::function<void(QDialog*)> handler = modals_.front();
    modals_.pop_front();
    dialog->setResult(QDialog::Rejected);
    dialog->show();
    handler(dialog);
    if (dialog->isVisible()) {
        unexpected << QStringLiteral("left open: ") + dialog->objectName();
        dialog->hide();
    }
    return dialog->result();
}

}  // namespace testing_support
