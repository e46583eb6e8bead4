// The program's modules: each Linux backend (X11 + GLX, Wayland + EGL) is a private shared
// object, tivaro-x11.so or tivaro-wayland.so, that the program loads once a start has chosen
// its window system, and the fonts (FreeType + fontconfig) are tivaro-text.so, loaded when
// the first font is opened; so a run maps only the libraries it uses. A module takes the
// rest of the program (the runtime, the posix helpers, the pictures) from the executable,
// which exports them.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/backend.h"
#include "toolkit/text/font.h"

namespace tivaro::platform::loader {

enum class Module { X11, Wayland, Text };

// What the program asks of a module's backend.
struct OpenRequest {
    bool want_layer_shell = true;  // Wayland: false takes fullscreen xdg-shell windows
    // X11: the saver will cover the screen and take the input; the keyboard and the pointer
    // are held from the moment the display opens.
    bool take_input_now = false;
};

// What a module's backend gives back beside itself.
struct Opened {
    Backend* backend = nullptr;    // the caller owns it
    NativeWindow root = 0;         // X11: the screen's root window
    bool has_layer_shell = false;  // Wayland: surfaces are layer-shell surfaces
};

// The functions a module exports, by these names; both raise what the backend raises.
using OpenFunction = void (*)(const OpenRequest& request, Opened& out);
inline constexpr char kOpenSymbol[] = "tivaro_module_open";
// Wayland only: whether a compositor answers at the socket the environment names.
using AnswersFunction = bool (*)();
inline constexpr char kAnswersSymbol[] = "tivaro_module_compositor_answers";

// The text module's function: the FreeType font for a description (text::OpenFont).
using OpenFontFunction = void (*)(const text::FontDesc& desc, std::int32_t dpi,
                                  std::shared_ptr<const text::Font>& out);
inline constexpr char kOpenFontSymbol[] = "tivaro_module_open_font";

// Loads the module (once; it stays loaded for the life of the process, for its code must
// outlive what it made) and finds the function `name` in it. A missing or broken module
// raises a SetupError naming it.
void* Entry(Module module, const char* name);

struct LoadedBackend {
    std::unique_ptr<Backend> backend;
    NativeWindow root = 0;
    bool has_layer_shell = false;
};

// Opens the module's backend.
LoadedBackend OpenBackend(Module module, const OpenRequest& request);

// Whether a Wayland compositor answers (loads the Wayland module to ask).
bool WaylandCompositorAnswers();

}  // namespace tivaro::platform::loader
