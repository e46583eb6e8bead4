#include "autostart.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "config_home.h"
#include "failure.h"
#include "session_lock.h"
#include "this_program.h"

namespace tivaro::idle {
namespace {

namespace fs = std::filesystem;

// An Exec argument, quoted as the desktop entry format wants when it must be.
std::string Quoted(const std::string& arg) {
    if (arg.find_first_of(" \t\n\"'\\><~|&;$*?#()`") == std::string::npos) return arg;
    std::string out = "\"";
    for (char c : arg) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

std::vector<std::string> Command(const Options& options) {
    std::vector<std::string> command = {ThisProgram().string()};
    if (options.after_given)
        command.insert(command.end(), {"--after", std::to_string(options.after_seconds)});
    return command;
}

std::string EntryText(const std::vector<std::string>& command) {
    std::string exec;
    for (const std::string& arg : command) {
        if (!exec.empty()) exec += ' ';
        exec += Quoted(arg);
    }
    // The format's own escapes: a backslash in a string value is written twice.
    std::string escaped;
    for (char c : exec) escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Tivaro idle watch\n"
           "Comment=Starts the Tivaro screen saver when the session is idle\n"
           "Exec=" +
           escaped +
           "\n"
           "X-GNOME-Autostart-enabled=true\n"
           "NoDisplay=true\n";
}

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteEntry(const fs::path& path, const std::string& text) {
    std::error_code error;
    fs::create_directories(path.parent_path(), error);
    const fs::path temporary = path.string() + ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
        if (!out.flush()) throw Failure("cannot write " + temporary.string());
    }
    fs::rename(temporary, path, error);
    if (error) throw Failure("cannot write " + path.string() + ": " + error.message());
}

// Starts a tivaro-idle of its own session (not this terminal's), output to /dev/null; its pid
// once it holds the session's lock, or 0 when it ended first.
pid_t StartDetached(const std::vector<std::string>& command) {
    const pid_t child = fork();
    if (child < 0) throw Failure("cannot start tivaro-idle: fork failed");
    if (child == 0) {
        setsid();
        const int null = open("/dev/null", O_RDWR);
        for (int fd = 0; fd < 3; ++fd) dup2(null, fd);
        if (null > 2) close(null);
        std::vector<char*> argv;
        for (const std::string& arg : command) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    for (int i = 0; i < 500; ++i) {
        if (SessionLock::Holder() == child) return child;
        if (waitpid(child, nullptr, WNOHANG) == child) return 0;
        usleep(10 * 1000);
    }
    return child;  // slow to start, but running
}

// Ends the tivaro-idle of this session; waits until it has let go of the lock.
void StopRunning(pid_t pid) {
    if (kill(pid, SIGTERM) != 0)
        throw Failure("cannot stop tivaro-idle (pid " + std::to_string(pid) + ")");
    for (int i = 0; i < 1000 && SessionLock::Holder() == pid; ++i) usleep(10 * 1000);
}

}  // namespace

std::string Install(const Options& options) {
    const fs::path path = AutostartEntryPath();
    const std::vector<std::string> command = Command(options);
    const std::string text = EntryText(command);
    const bool had = fs::exists(path) && ReadAll(path) == text;
    if (!had) WriteEntry(path, text);
    pid_t pid = SessionLock::Holder();
    const bool ran = pid != 0;
    if (!ran) pid = StartDetached(command);
    const std::string running = pid != 0 ? "(pid " + std::to_string(pid) + ")" : "";
    if (had && ran)
        return "already installed: " + path.string() + " is in place and tivaro-idle runs " +
               running;
    return (had ? path.string() + " was in place already" : "wrote " + path.string()) + "; " +
           (ran        ? "tivaro-idle runs already " + running
            : pid != 0 ? "started tivaro-idle " + running
                       : "tivaro-idle did not start now (run it in a terminal to see why); it "
                         "starts with your next session");
}

std::string Uninstall() {
    const fs::path path = AutostartEntryPath();
    std::error_code error;
    const bool had = fs::remove(path, error);
    if (error) throw Failure("cannot remove " + path.string() + ": " + error.message());
    const pid_t pid = SessionLock::Holder();
    if (pid != 0) StopRunning(pid);
    if (!had && pid == 0)
        return "already uninstalled: no " + path.string() + " and no tivaro-idle running";
    return (had ? "removed " + path.string() : "no " + path.string() + " to remove") + "; " +
           (pid != 0 ? "stopped tivaro-idle (pid " + std::to_string(pid) + ")"
                     : "no tivaro-idle was running");
}

}  // namespace tivaro::idle
