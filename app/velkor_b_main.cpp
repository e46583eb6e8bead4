#include "app/velkor_b_main.h"

#include <string>

#include "app/captions.h"
#include "app/velkor_b.h"
#include "app/velkor_r.h"
#include "platform/backend.h"
#include "toolkit/runtime/end.h"
#include "toolkit/runtime/errors.h"
#include "toolkit/runtime/numeric.h"
#include "saver/velkor_s.h"
#include "settings/velkor_p.h"

namespace tivaro::Velkor_B {
namespace {

using app::kSaverCaption;
using app::kSettingsCaption;

// Length in bytes of the character that starts at text[i]: a whole UTF-8 sequence, or a
// single byte where the text is not valid UTF-8.
std::size_t CharLength(std::string_view text, std::size_t i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t n = lead < 0x80           ? 1
                    : (lead >> 5) == 0x6  ? 2
                    : (lead >> 4) == 0xE  ? 3
                    : (lead >> 3) == 0x1E ? 4
                                          : 1;
    if (i + n > text.size()) return 1;
    for (std::size_t k = 1; k < n; ++k) {
        if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return 1;
    }
    return n;
}

void RestoreDesktop() {
    platform::Current().ShowCursor(true);
    platform::Current().SetScreenSaverRunning(false);
}

}  // namespace

std::string_view CharactersFrom(std::string_view text, int position) {
    std::size_t i = 0;
    for (int p = 1; p < position && i < text.size(); ++p) i += CharLength(text, i);
    return text.substr(std::min(i, text.size()));
}

std::string ModeLetter(std::string_view command_line) {
    const std::string_view rest = CharactersFrom(command_line, 2);
    if (rest.empty()) return {};
    std::string letter(rest.substr(0, CharLength(rest, 0)));
    if (letter.size() == 1 && letter[0] >= 'a' && letter[0] <= 'z')
        letter[0] = static_cast<char>(letter[0] - 'a' + 'A');
    return letter;
}

void Main(std::string_view command_line) {
    auto& platform = platform::Current();
    const bool saver_running = platform::Windows().FindWindowByCaption(kSaverCaption) != 0;
    const bool settings_open = platform::Windows().FindWindowByCaption(kSettingsCaption) != 0;
    if (saver_running || settings_open) rt::EndProgram(0);

    if (ModeLetter(command_line) == "P") {
        const double handle = rt::ReadNumber(CharactersFrom(command_line, 4));
        app::HostPreview(rt::RoundToI32(handle));
        return;
    }

    FragmentCount = 300;

    if (ModeLetter(command_line) == "C") {
        settings::Velkor_P::Instance().ShowModal();
        rt::EndProgram(0);
    }

    if (!command_line.empty() && ModeLetter(command_line) != "S") rt::EndProgram(0);

    if (ModeLetter(command_line) == "S") {
        platform.ShowCursor(false);
        SetSystemKeysEnabled(rt::kFalse);
        // The cursor and the flag are given back however the program ends.
        rt::AddRestorer(&RestoreDesktop);
    }

    saver::Velkor_S::Instance().Load();
}

void HostSaver(std::uint64_t window) {
    if (!platform::Windows().GetWindowRect(window)) {
        rt::StandardErrorMessage("window " + std::to_string(window) +
                                 " is not a window; nothing to draw the saver in");
    }
    FragmentCount = 300;
    saver::Velkor_S::Instance().HostIn(window);
    saver::Velkor_S::Instance().Load();
}

void SaverBehind() {
    FragmentCount = 300;
    saver::Velkor_S::Instance().RunBehind();
    saver::Velkor_S::Instance().Load();
}

}  // namespace tivaro::Velkor_B
