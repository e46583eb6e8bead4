#include "toolkit/runtime/end.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace tivaro::rt {
namespace {

// The restorers, newest first, as a list that only ever grows: registering allocates (never
// from a signal handler), running only reads the list and flips each entry's flag, which is
// safe in a signal handler. Entries are never freed; they stay reachable from g_newest.
struct Registered {
    Restorer restorer;
    Registered* older;
    std::atomic<bool> ran{false};
};
std::atomic<Registered*> g_newest{nullptr};
static_assert(std::atomic<Registered*>::is_always_lock_free, "read in a signal handler");
static_assert(std::atomic<bool>::is_always_lock_free, "written in a signal handler");

EndHandler g_end_handler = nullptr;

}  // namespace

void AddRestorer(Restorer restorer) {
    auto* entry = new Registered{restorer, g_newest.load(std::memory_order_relaxed)};
    // Published only once it is whole, for a handler that runs the list meanwhile.
    while (!g_newest.compare_exchange_weak(entry->older, entry, std::memory_order_release,
                                           std::memory_order_relaxed)) {
    }
}

void RunRestorers() noexcept {
    // Last registered runs first; each runs once even if a restorer ends the program (or a
    // signal handler runs the list while it is being run).
    for (Registered* entry = g_newest.load(std::memory_order_acquire); entry != nullptr;
         entry = entry->older) {
        if (!entry->ran.exchange(true, std::memory_order_acq_rel)) entry->restorer();
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
