// tivaro-idle: run in the user's session, it starts the Tivaro screen saver when the session
// has been idle for a while, on any Linux desktop, and keeps out of the way of programs that
// hold the screen awake and of the session's lock.
#include <cstdio>
#include <exception>

#include "autostart.h"
#include "command_line.h"
#include "failure.h"
#include "idle_settings.h"
#include "run_watch.h"
#include "this_program.h"

int main(int argc, char** argv) {
    using namespace tivaro::idle;
    try {
        const Options options = ParseCommandLine(argc, argv);
        switch (options.mode) {
            case Options::Mode::Help:
                PrintUsage(stdout, SaverBesideThisProgram().string(), IdleSettingsPath().string());
                return 0;
            case Options::Mode::Install:
                std::printf("tivaro-idle: %s\n", Install(options).c_str());
                return 0;
            case Options::Mode::Uninstall:
                std::printf("tivaro-idle: %s\n", Uninstall().c_str());
                return 0;
            case Options::Mode::Watch:
                return RunWatch(options);
        }
    } catch (const UsageError& error) {
        std::fprintf(stderr, "tivaro-idle: %s\n", error.what());
        return 2;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tivaro-idle: %s\n", error.what());
        return 1;
    }
    return 1;
}
