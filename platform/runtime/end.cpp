#include "platform/runtime/end.h"

#include <array>
#include <cstdio>
#include <cstdlib>

namespace tivaro::rt {
namespace {

std::array<Restorer, 8> g_restorers{};
int g_count = 0;

}  // namespace

void AddRestorer(Restorer restorer) {
    if (g_count < static_cast<int>(g_restorers.size())) g_restorers[g_count++] = restorer;
}

void RunRestorers() noexcept {
    // Last registered runs first; each runs once even if a restorer ends the program.
    while (g_count > 0) {
        Restorer r = g_restorers[--g_count];
        r();
    }
}

void EndProgram(int exit_code) {
    RunRestorers();
    std::fflush(nullptr);
    std::_Exit(exit_code);
}

}  // namespace tivaro::rt
