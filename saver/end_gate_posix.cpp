#include "saver/end_gate.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

#include "toolkit/runtime/errors.h"

namespace tivaro::saver {
namespace {

constexpr const char* kVariable = "TIVARO_END_GATE";

[[noreturn]] void Refuse(std::string_view text, const std::string& why) {
    throw rt::RuntimeError(rt::ErrorNumber::InvalidProcedureCall,
                           std::string(kVariable) + ": \"" + std::string(text) + "\" " + why);
}

}  // namespace

EndGate EndGate::FromEnvironment() {
    const char* value = std::getenv(kVariable);
    if (value == nullptr || *value == '\0') return EndGate();
    const std::string_view text(value);
    int fd = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), fd);
    if (error != std::errc{} || end != text.data() + text.size() || fd < 3) {
        Refuse(text, "is not a descriptor number (3 or more)");
    }
    int type = 0;
    socklen_t size = sizeof type;
    if (getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &size) != 0 || type != SOCK_STREAM) {
        Refuse(text, "is not an open stream socket");
    }
    fcntl(fd, F_SETFD, FD_CLOEXEC);  // the saver's own children have no say
    unsetenv(kVariable);
    return EndGate(fd);
}

EndGate::EndGate(EndGate&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), waiting_(std::exchange(other.waiting_, false)) {}

EndGate& EndGate::operator=(EndGate&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) close(fd_);
        fd_ = std::exchange(other.fd_, -1);
        waiting_ = std::exchange(other.waiting_, false);
    }
    return *this;
}

EndGate::~EndGate() {
    if (fd_ >= 0) close(fd_);
}

bool EndGate::Ask() {
    if (fd_ < 0) return false;
    if (waiting_) return true;
    // A gate that cannot be asked (its other end gone) holds nothing.
    if (send(fd_, "end\n", 4, MSG_NOSIGNAL) != 4) return false;
    waiting_ = true;
    return true;
}

EndGate::Answer EndGate::Take() {
    if (!waiting_) return Answer::None;
    pollfd p{fd_, POLLIN, 0};
    if (poll(&p, 1, 0) <= 0) return Answer::None;
    char line[16];
    const ssize_t got = recv(fd_, line, sizeof line, MSG_DONTWAIT);
    if (got < 0 && (errno == EAGAIN || errno == EINTR)) return Answer::None;
    waiting_ = false;
    // Each answer is one short line, sent as one write to a question asked once.
    if (got > 0 && std::string_view(line, static_cast<std::size_t>(got)) == "stay\n") {
        return Answer::Stay;
    }
    return Answer::Go;  // "go", or the gate closed: nothing holds the end any more
}

}  // namespace tivaro::saver
