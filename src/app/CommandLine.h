#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The program's options: --data FOLDER, --help and --version.
namespace commandline {

// Prints the help or the version when either is asked for, and says so.
// Runs before Qt opens a display, so both work without one; Qt's own
// options are still among the arguments then, and are passed over.
bool answeredAtOnce(const QStringList& arguments);

// The options once Qt has taken its own: the --data folder, empty when not
// given. Nothing when the command line is wrong; the mistake was printed.
std::optional<QString> dataOption(const QStringList& arguments);

}  // namespace commandline
