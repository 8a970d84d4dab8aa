#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <vector>

namespace language {

// What one key of a language file sets: a window's title, a caption or a
// message string. The keys are read in the order of the list; the texts the
// key list has no place for are in the section "Messages".
struct Target {
    QByteArray key;
    std::function<QString()> get;
    std::function<void(const QString&)> set;
    const char* section = "Interface";
};
using Targets = std::vector<Target>;

}  // namespace language
