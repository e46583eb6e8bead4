// Main, the entry procedure: the single-instance check, then the mode letter of the
// command line chooses the saver, the preview or the settings dialog.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tivaro::Velkor_B {

// The command line from the character at `position` (1-based) to its end. Characters
// are UTF-8 sequences; a byte that is not valid UTF-8 counts as one character.
std::string_view CharactersFrom(std::string_view text, int position);
// The upper-cased character at position 2, or "" for a shorter command line.
std::string ModeLetter(std::string_view command_line);

void Main(std::string_view command_line);

// The saver inside a window of another program (the X screen-saver daemon's conventions):
// no instance check, no hidden cursor, no screen-saver flag. A `window` that is not a
// window ends the program with the standard error message.
void HostSaver(std::uint64_t window);

// The saver as the picture behind a screen locker: every monitor covered, behind every
// other window, no input taken and no instance check; a termination signal ends it.
void SaverBehind();

}  // namespace tivaro::Velkor_B
