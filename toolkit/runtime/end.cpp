#include "toolkit/runtime/end.h"

#include <array>
#include <cstdio>
#include <cstdlib>

namespace tivaro::rt {
namespace {

std::array<Restorer, 8> g_restorers{};
int g_count = 0;
EndHandler g_end_handler = nullptr;

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

void SetEndHandler(EndHandler handler) noexcept {
    g_end_handler = handler;
}

void EndProgram(int exit_code) {
    RunRestorers();
    std::fflush(nullptr);
    if (g_end_handler != nullptr) g_end_handler(exit_code);
    std::_Exit(exit_code);
}

void EndForLostDisplay(const char* what) {
    std::fprintf(stderr, "tivaro: %s\n", what);
    EndProgram(1);
}

}  // namespace tivaro::rt
