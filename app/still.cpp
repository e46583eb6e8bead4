#include "app/still.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <string_view>

#include "app/velkor_r.h"
#include "toolkit/forms/application.h"

// stb_image_write encodes only pictures the program drew itself. Third-party code, included
// as a system header.
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb/stb_image_write.h>

namespace tivaro::app {
namespace {

constexpr char kNotASize[] = " is not a size: give WIDTHxHEIGHT in pixels, such as 152x112";
constexpr char kForm[] = "tivaro --still WIDTHxHEIGHT[@SCALE] FILE";

[[noreturn]] void Refuse(const std::string& why) {
    throw StillUsageError("--still: " + why);
}

// "text", quoted for a message. (Built by appending: GCC 12 at -O3 takes a literal joined to
// a temporary string for an overlapping copy.)
std::string Quoted(std::string_view text) {
    std::string quoted = "\"";
    quoted.append(text).append("\"");
    return quoted;
}

std::int32_t Side(std::string_view text, std::string_view size) {
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size()) {
        Refuse(Quoted(size).append(kNotASize));
    }
    if (value < 1 || value > kLargestStillSide) {
        Refuse(Quoted(size).append(": each side must be 1 to " + std::to_string(kLargestStillSide) +
                                   " pixels"));
    }
    return value;
}

std::int32_t Dpi(std::string_view text) {
    double scale = 0;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), scale, std::chars_format::fixed);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size() ||
        !(scale >= 1.0 && scale <= 4.0)) {
        Refuse("the scale \"" + std::string(text) + "\" must be a number from 1 to 4");
    }
    return static_cast<std::int32_t>(std::lround(96.0 * scale));
}

void WriteAll(std::FILE* out, const std::vector<unsigned char>& bytes, const std::string& name) {
    if (std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size() || std::fflush(out) != 0) {
        throw std::runtime_error("cannot write " + name + ": " + std::strerror(errno));
    }
}

}  // namespace

std::optional<StillRequest> ParseStillOptions(std::span<const std::string> args) {
    const auto asked = std::find(args.begin(), args.end(), "--still");
    if (asked == args.end()) return std::nullopt;
    if (asked != args.begin() || args.size() != 3) {
        Refuse(std::string("takes a size and a file, and nothing else: ") + kForm);
    }
    const std::string_view given = args[1];
    const std::size_t at = given.find('@');
    const std::string_view size = given.substr(0, at);
    const std::size_t x = size.find('x');
    if (x == std::string_view::npos) {
        Refuse(Quoted(given).append(kNotASize));
    }
    StillRequest request;
    request.width = Side(size.substr(0, x), given);
    request.height = Side(size.substr(x + 1), given);
    if (at != std::string_view::npos) request.dpi = Dpi(given.substr(at + 1));
    request.file = args[2];
    if (request.file.empty()) Refuse("the file's name is empty (\"-\" is standard output)");
    return request;
}

platform::picture::Picture DrawStill(std::int32_t width, std::int32_t height, std::int32_t dpi) {
    platform::picture::PictureBackend pane({width, height}, dpi);
    platform::SetCurrent(&pane);
    // The form goes with the picture's window system, whatever happens in between.
    struct Leave {
        ~Leave() {
            Velkor_R::Instance().Unload();
            platform::SetCurrent(nullptr);
        }
    } leave;
    HostPreview(static_cast<std::int32_t>(pane.Pane()));
    forms::Application::Get().RunTimersAndPaints();
    return pane.PanePicture();
}

std::vector<unsigned char> EncodePng(const platform::picture::Picture& picture) {
    std::vector<unsigned char> rgb;
    rgb.reserve(picture.pixels.size() * 3);
    for (const std::uint32_t pixel : picture.pixels) {
        rgb.push_back(static_cast<unsigned char>(pixel >> 16));
        rgb.push_back(static_cast<unsigned char>(pixel >> 8));
        rgb.push_back(static_cast<unsigned char>(pixel));
    }
    std::vector<unsigned char> png;
    const auto append = [](void* context, void* data, int size) {
        auto* out = static_cast<std::vector<unsigned char>*>(context);
        const auto* bytes = static_cast<const unsigned char*>(data);
        out->insert(out->end(), bytes, bytes + size);
    };
    if (stbi_write_png_to_func(append, &png, picture.width, picture.height, 3, rgb.data(),
                               picture.width * 3) == 0) {
        throw std::runtime_error("the picture could not be encoded as PNG");
    }
    return png;
}

void WriteStill(const StillRequest& request) {
    const std::vector<unsigned char> png =
        EncodePng(DrawStill(request.width, request.height, request.dpi));
    if (request.file == "-") {
        WriteAll(stdout, png, "standard output");
        return;
    }
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> out(
        std::fopen(request.file.c_str(), "wb"), &std::fclose);
    if (!out)
        throw std::runtime_error("cannot write " + request.file + ": " + std::strerror(errno));
    WriteAll(out.get(), png, request.file);
}

std::optional<int> RunStillCommand(std::span<const std::string> args) {
    try {
        const auto still = ParseStillOptions(args);
        if (!still) return std::nullopt;
        WriteStill(*still);
        return 0;
    } catch (const StillUsageError& e) {
        std::fprintf(stderr, "tivaro: %s\n", e.what());
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tivaro: %s\n", e.what());
        return 1;
    }
}

}  // namespace tivaro::app
