// Ending the program at once: forms are dropped without their unload events and the
// process exits. Restorers registered here (the cursor, the screen-saver-running flag)
// still run first, so the desktop is left as it was found.
#pragma once

namespace tivaro::rt {

using Restorer = void (*)();
// Registers one more restorer; there is no limit. Not from a signal handler (it allocates).
void AddRestorer(Restorer restorer);
// Runs each restorer not yet run, the last registered first. Safe in a signal handler.
void RunRestorers() noexcept;
[[noreturn]] void EndProgram(int exit_code = 0);
// The window system went away (its server or compositor): says so on stderr in one line,
// "tivaro: <what>", and ends with exit code 1, the restorers run first.
[[noreturn]] void EndForLostDisplay(const char* what);

// What ending does after the restorers: exit the process. Tests install a handler that
// throws instead, so that code which ends the program can be run in a test.
using EndHandler = void (*)(int exit_code);
void SetEndHandler(EndHandler handler) noexcept;

}  // namespace tivaro::rt
