#pragma once

#include <utility>

#include "platform/Errors.h"
#include "platform/Ui.h"

namespace platform {

// The one place where platform failures are caught: runs a command, and when
// it fails shows the failure in the standard error box. What the command did
// before the failure stays done. Returns false when the command failed.
template <class F>
bool guarded(F&& command) {
    try {
        std::forward<F>(command)();
        return true;
    } catch (const PlatformError& e) {
        ui().showError(e.message());
    } catch (const std::exception& e) {
        ui().showError(QString::fromLocal8Bit(e.what()));
    }
    return false;
}

// A slot that runs the command through guarded().
template <class F>
auto command(F&& f) {
    return [f = std::forward<F>(f)](auto&&...) { guarded(f); };
}

}  // namespace platform
