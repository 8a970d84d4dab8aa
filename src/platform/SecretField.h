#pragma once

#include <QString>
#include <functional>

class QLineEdit;

namespace platform {

// A field that may show a password as it is typed. Its text leaves it only
// through copySecret (Ctrl+C, Cut, the context menu's Copy and Cut), and
// never through the X11 primary selection, which any program may read.
// While the field masks its text, Qt copies nothing from it anyway.
void guardSecretField(QLineEdit* field, std::function<void(const QString&)> copySecret);

}  // namespace platform
