#include "platform/SecretField.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>

namespace platform {

namespace {

class SecretFieldGuard : public QObject {
public:
    SecretFieldGuard(QLineEdit* field, std::function<void(const QString&)> copySecret)
        : QObject(field), field_(field), copySecret_(std::move(copySecret)) {
        field->installEventFilter(this);
        QClipboard* clipboard = QGuiApplication::clipboard();
        if (clipboard->supportsSelection()) {
            // Qt puts selected text on the selection as the mouse button or
            // the key that selected it comes up, and says so at once: taken
            // back then, before this program answers anyone asking for it.
            connect(clipboard, &QClipboard::selectionChanged, this, [this, clipboard] {
                if (shown() && field_->hasSelectedText() && clipboard->ownsSelection() &&
                    clipboard->text(QClipboard::Selection) == field_->selectedText()) {
                    clipboard->clear(QClipboard::Selection);
                }
            });
        }
    }

protected:
    bool eventFilter(QObject* /*watched*/, QEvent* event) override {
        if (!shown()) {
            return false;
        }
        if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            const bool cut = key->matches(QKeySequence::Cut);
            if (!cut && !key->matches(QKeySequence::Copy)) {
                return false;
            }
            copySelection(cut);
            event->accept();
            return true;
        }
        if (event->type() == QEvent::ContextMenu) {
            showMenu(static_cast<QContextMenuEvent*>(event)->globalPos());
            return true;
        }
        return false;
    }

private:
    bool shown() const { return field_->echoMode() == QLineEdit::Normal; }

    void copySelection(bool cut) {
        if (!field_->hasSelectedText()) {
            return;
        }
        copySecret_(field_->selectedText());
        if (cut && !field_->isReadOnly()) {
            field_->del();
        }
    }

    // Qt's own menu, its Copy and Cut turned to the secret copy. Its actions
    // carry no names: they are known by their captions, in Qt's language.
    void showMenu(const QPoint& at) {
        QMenu* menu = field_->createStandardContextMenu();
        menu->setAttribute(Qt::WA_DeleteOnClose);
        for (QAction* action : menu->actions()) {
            const QString caption = action->text().section(QLatin1Char('\t'), 0, 0);
            const bool cut = caption == QLineEdit::tr("Cu&t");
            if (cut || caption == QLineEdit::tr("&Copy")) {
                QObject::disconnect(action, &QAction::triggered, nullptr, nullptr);
                connect(action, &QAction::triggered, this, [this, cut] { copySelection(cut); });
            }
        }
        menu->popup(at);
    }

    QLineEdit* field_;
    std::function<void(const QString&)> copySecret_;
};

}  // namespace

void guardSecretField(QLineEdit* field, std::function<void(const QString&)> copySecret) {
    new SecretFieldGuard(field, std::move(copySecret));
}

}  // namespace platform
