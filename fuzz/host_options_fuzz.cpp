// The X screen-saver daemon's options and XSCREENSAVER_WINDOW. The input is split at NUL
// bytes: the first piece is the variable (absent when the input starts with 0xFF), the
// others the arguments. Only a daemon option makes a request; a request names a window
// only when an id was given; anything refused is refused with InvalidProcedureCall; an
// id that is read prints back as itself.
#include <cinttypes>
#include <cstdio>
#include <string>
#include <vector>

#include "app/host_options.h"
#include "check.h"
#include "toolkit/runtime/errors.h"

using namespace tivaro;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = fuzz::AsText(data, size);
    std::vector<std::string> pieces;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = input.find('\0', start);
        pieces.emplace_back(input.substr(start, end - start));
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    const bool no_variable = !pieces[0].empty() && pieces[0][0] == '\xFF';
    const std::string variable = pieces[0];
    const std::vector<std::string> args(pieces.begin() + 1, pieces.end());
    bool root = false;
    bool window_id = false;
    for (const std::string& a : args) {
        root = root || a == "-root" || a == "--root";
        window_id = window_id || a == "-window-id" || a == "--window-id";
    }

    try {
        const auto request = app::ParseHostOptions(args, no_variable ? nullptr : variable.c_str());
        TIVARO_FUZZ_EXPECT(request.has_value() == (root || window_id), input);
        if (request && request->window == 0) {
            TIVARO_FUZZ_EXPECT(root && !window_id && (no_variable || variable.empty()), input);
        }
    } catch (const rt::RuntimeError& e) {
        TIVARO_FUZZ_EXPECT(e.number() == rt::ErrorNumber::InvalidProcedureCall, input);
        TIVARO_FUZZ_EXPECT(root || window_id, input);
    }

    // Each piece on its own as a window id.
    for (const std::string& piece : pieces) {
        std::uint32_t id = 0;
        try {
            id = app::ParseWindowId(piece, "id");
        } catch (const rt::RuntimeError& e) {
            TIVARO_FUZZ_EXPECT(e.number() == rt::ErrorNumber::InvalidProcedureCall, input);
            continue;
        }
        TIVARO_FUZZ_EXPECT(id != 0, input);
        char hex[16];
        char decimal[16];
        std::snprintf(hex, sizeof hex, "0x%" PRIx32, id);
        std::snprintf(decimal, sizeof decimal, "%" PRIu32, id);
        TIVARO_FUZZ_EXPECT(app::ParseWindowId(hex, "id") == id, input);
        TIVARO_FUZZ_EXPECT(app::ParseWindowId(decimal, "id") == id, input);
    }
    return 0;
}
