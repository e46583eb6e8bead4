#include "app/host_options.h"

#include <charconv>

#include "toolkit/runtime/errors.h"

namespace tivaro::app {
namespace {

[[noreturn]] void Refuse(const std::string& message) {
    throw rt::RuntimeError(rt::ErrorNumber::InvalidProcedureCall, message);
}

}  // namespace

std::uint32_t ParseWindowId(std::string_view text, std::string_view what) {
    int base = 10;
    std::string_view digits = text;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        base = 16;
        digits.remove_prefix(2);
    }
    std::uint32_t id = 0;
    const auto [end, error] =
        std::from_chars(digits.data(), digits.data() + digits.size(), id, base);
    if (digits.empty() || error != std::errc{} || end != digits.data() + digits.size() || id == 0) {
        Refuse(std::string(what) + ": \"" + std::string(text) +
               "\" is not a window id (hexadecimal 0x... or decimal, not 0)");
    }
    return id;
}

std::optional<HostRequest> ParseHostOptions(std::span<const std::string> args,
                                            const char* xscreensaver_window) {
    std::optional<HostRequest> window_id;
    bool root = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "-root" || arg == "--root") {
            root = true;
        } else if (arg == "-window-id" || arg == "--window-id") {
            if (i + 1 >= args.size()) Refuse(arg + " needs a window id");
            window_id = HostRequest{ParseWindowId(args[++i], arg)};
        }
    }
    if (window_id) return window_id;
    if (!root) return std::nullopt;
    if (xscreensaver_window == nullptr || *xscreensaver_window == '\0') return HostRequest{};
    return HostRequest{ParseWindowId(xscreensaver_window, "XSCREENSAVER_WINDOW")};
}

}  // namespace tivaro::app
