#include <QApplication>
#include <QIcon>
#include <memory>
#include <optional>

#include "app/CommandLine.h"
#include "app/Form1.h"
#include "platform/Guard.h"
#include "platform/Hardening.h"
#include "platform/Memory.h"
#include "platform/Places.h"

namespace {

QStringList rawArguments(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    return arguments;
}

}  // namespace

int main(int argc, char* argv[]) {
    // --help and --version answer before anything else, without a display.
    if (commandline::answeredAtOnce(rawArguments(argc, argv))) {
        return 0;
    }
    platform::hardenProcess();
    platform::returnLargeBuffersToTheSystem();
    platform::fillFreedMemory();
    QApplication application(argc, argv);
    const std::optional<QString> dataOption = commandline::dataOption(QApplication::arguments());
    if (!dataOption) {
        return 2;
    }
    // The desktop entry's name: desktops that go by it find the icon and the menu entry.
    QGuiApplication::setDesktopFileName(QStringLiteral(VORREL_APP_ID));
    platform::setApplicationTitle(QStringLiteral("Vorrel"));
    // Before any window exists: the main window, the tray icon and the About
    // box all take the application's icon.
    QIcon icon;
    for (const int size : {16, 32, 48, 64, 128, 256}) {
        icon.addFile(QStringLiteral(":/icons/vorrel-%1.png").arg(size), QSize(size, size));
    }
    QApplication::setWindowIcon(icon);
    // The tray icon and hidden dialogs must not end the program on their own.
    QApplication::setQuitOnLastWindowClosed(false);

    std::unique_ptr<TForm1> form1;
    const bool started = platform::guarded([&] {
        // Decided once, here: the windows take the folder and never look for another.
        const QString exe = QCoreApplication::applicationFilePath();
        const QString dataFolder =
            platform::decideDataFolder(platform::dataFolderSources(exe, *dataOption));
        if (!platform::makeDataFolder(dataFolder)) {
            platform::raiseCannotCreate(dataFolder);
        }
        form1 = std::make_unique<TForm1>(exe, dataFolder);
        form1->FormCreate();
    });
    if (!started || !form1 || form1->terminated() || !form1->loggedIn()) {
        return 0;
    }
    QApplication::exec();
    return 0;
}
