#pragma once

namespace platform {

// Set to 1, it leaves the process as it started: debuggable and able to
// write a core file.
inline constexpr const char* kDebuggableVariable = "VORREL_DEBUGGABLE";

// Keeps the memory of the process, where the keys and open entries live,
// from other processes of the same user and from core files: no debugger
// can attach and no core file is written. Linux only; elsewhere nothing.
void hardenProcess();

}  // namespace platform
