// "tivaro --still WIDTHxHEIGHT[@SCALE] FILE": the preview's still picture written as a PNG
// file, for a settings window that shows the preview where no window of ours can be put
// into it (Wayland, or GTK 4 anywhere). The picture is the one /p shows in a pane of that
// size at that display scale: the same preview form, hosted the same way, presented in a
// window system with no screen (platform/picture) instead of the pane. It needs no
// display and no OpenGL. FILE "-" is standard output.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/picture/picture_backend.h"

namespace tivaro::app {

// What was wrong with the command line, in one plain line.
class StillUsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct StillRequest {
    std::int32_t width = 0;  // the pane, device pixels
    std::int32_t height = 0;
    std::int32_t dpi = 96;  // its display scale: 96 x SCALE
    std::string file;       // "-": standard output
};

// The pane's side, in device pixels, is 1 to this; the scale 1 to 4.
inline constexpr std::int32_t kLargestStillSide = 2048;

// Nothing when the command line does not ask for a still; a StillUsageError when it does
// and something is missing, malformed or out of range.
std::optional<StillRequest> ParseStillOptions(std::span<const std::string> args);

// The pane showing the preview: the program's backend is this picture's meanwhile.
platform::picture::Picture DrawStill(std::int32_t width, std::int32_t height, std::int32_t dpi);

// The picture as a PNG file's bytes (8-bit RGB).
std::vector<unsigned char> EncodePng(const platform::picture::Picture& picture);

// Draws the still and writes it; raises std::runtime_error with the file's name and the
// system's reason when it cannot be written.
void WriteStill(const StillRequest& request);

// A command line that asks for a still: writes it, and gives the program's exit code (2 for a
// command line it cannot take, 1 when the still cannot be written, each said in one line).
// Nothing for any other command line.
std::optional<int> RunStillCommand(std::span<const std::string> args);

}  // namespace tivaro::app
