// Main, the entry procedure: the single-instance check, then the mode letter of the
// command line chooses the saver, the preview or the settings dialog.
#pragma once

#include <string>
#include <string_view>

namespace tivaro::Velkor_B {

// The command line from the character at `position` (1-based) to its end. Characters
// are UTF-8 sequences; a byte that is not valid UTF-8 counts as one character.
std::string_view CharactersFrom(std::string_view text, int position);
// The upper-cased character at position 2, or "" for a shorter command line.
std::string ModeLetter(std::string_view command_line);

void Main(std::string_view command_line);

}  // namespace tivaro::Velkor_B
