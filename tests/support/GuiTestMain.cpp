// Window tests run on the offscreen platform: no display is needed.
#include <gtest/gtest.h>

#include <QApplication>

#include "platform/Ui.h"

namespace {
QtMessageHandler g_default = nullptr;

// The offscreen platform reports what it cannot do for real windows; that is
// expected here and would bury the test output.
void filterMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.contains(QLatin1String("propagateSizeHints")) ||
        message.contains(QLatin1String("XDG_RUNTIME_DIR")) ||
        message.contains(QLatin1String("systemTrayWindowChanged")) ||
        message.contains(QLatin1String("does not support raise")) ||
        message.contains(QLatin1String("grabbing the keyboard"))) {
        return;
    }
    g_default(type, context, message);
}
}  // namespace

int main(int argc, char** argv) {
    // Away from the machine's buses: its screen lock must not lock the
    // windows under test, and each of them starts without a bus to find.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/vorrel-tests-session-bus");
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/vorrel-tests-system-bus");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    g_default = qInstallMessageHandler(filterMessages);
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
