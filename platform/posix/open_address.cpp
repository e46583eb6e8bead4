// Opening an address with the desktop's default handler: xdg-open, started without a
// shell (the address is one argument, never parsed), detached so that it is never our
// child once we return, and never waited for.
#include "platform/posix/open_address.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

namespace tivaro::platform::posix {

void OpenWithDesktop(std::string_view address, int connection_fd) {
    const std::string arg(address);
    const pid_t child = fork();
    if (child < 0) return;
    if (child == 0) {
        // First child: start the opener in a grandchild and leave at once, so the
        // opener is adopted by init and no zombie or child of ours remains.
        setsid();
        const pid_t grandchild = fork();
        if (grandchild == 0) {
            const int null_fd = open("/dev/null", O_RDWR);
            if (null_fd >= 0) {
                dup2(null_fd, STDIN_FILENO);
                dup2(null_fd, STDOUT_FILENO);
                if (null_fd > STDERR_FILENO) close(null_fd);
            }
            if (connection_fd >= 0) close(connection_fd);
            char* argv[] = {const_cast<char*>("xdg-open"), const_cast<char*>(arg.c_str()), nullptr};
            execvp("xdg-open", argv);
            _exit(127);
        }
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);  // the first child leaves at once
}

}  // namespace tivaro::platform::posix
