#pragma once

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <initializer_list>
#include <utility>
#include <vector>

#include "localization/LanguageTarget.h"

// What a language key sets: a window's title, a caption or a message string.
namespace language {

inline Target windowCaption(const char* key, QWidget* window) {
    return {key, [window] { return window->windowTitle(); },
            [window](const QString& s) { window->setWindowTitle(s); }};
}

inline Target caption(const char* key, QLabel* label) {
    return {key, [label] { return label->text(); },
            [label](const QString& s) { label->setText(s); }};
}

inline Target caption(const char* key, QAbstractButton* button) {
    return {key, [button] { return button->text(); },
            [button](const QString& s) { button->setText(s); }};
}

inline Target caption(const char* key, QGroupBox* box) {
    return {key, [box] { return box->title(); }, [box](const QString& s) { box->setTitle(s); }};
}

inline Target caption(const char* key, QAction* action) {
    return {key, [action] { return action->text(); },
            [action](const QString& s) { action->setText(s); }};
}

inline Target caption(const char* key, QMenu* menu) {
    return {key, [menu] { return menu->title(); }, [menu](const QString& s) { menu->setTitle(s); }};
}

inline Target text(const char* key, QString& target) {
    return {key, [&target] { return target; }, [&target](const QString& s) { target = s; }};
}

// A text the key list has no place for: read from the section "Messages".
inline Target message(Target target) {
    target.section = "Messages";
    return target;
}

// Message strings, each under its key, in the order the language files hold them.
inline void appendMessages(std::vector<Target>& t,
                           std::initializer_list<std::pair<const char*, QString*>> texts) {
    for (const auto& [key, target] : texts) {
        t.push_back(message(text(key, *target)));
    }
}

}  // namespace language
