#include <QApplication>
#include <QIcon>
#include <memory>

#include "app/Form1.h"
#include "platform/Guard.h"
#include "platform/Hardening.h"
#include "platform/Memory.h"

int main(int argc, char* argv[]) {
    platform::hardenProcess();
    platform::returnLargeBuffersToTheSystem();
    platform::fillFreedMemory();
    QApplication application(argc, argv);
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
        form1 = std::make_unique<TForm1>();
        form1->FormCreate();
    });
    if (!started || !form1 || form1->Terminated || !form1->LoggedIn) {
        return 0;
    }
    QApplication::exec();
    return 0;
}
