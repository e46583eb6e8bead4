// The `programs` resource of the X screen-saver daemon's settings files: the user's
// ~/.xscreensaver and the system's app-defaults file. Text in, text out: every line that is
// not part of the change is kept byte for byte.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tivaro::xss {

// A settings file this code cannot work with (e.g. a system file with no list of programs).
class ListError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One entry of a programs list, as the daemon reads it: "- GL: "label" command args".
struct ProgramEntry {
    bool enabled = true;
    std::string command;  // the command line, without the dash, visual and label
    std::string program;  // its first word without any folder ("tivaro")
};

// The entries of the programs resource in a settings file, in order (the daemon numbers
// them from 1 in that order); the app-defaults spelling "*programs:" counts too. An empty
// list when the file has no programs resource.
std::vector<ProgramEntry> ListPrograms(std::string_view file);

// True when the file has a programs resource at all (an empty one included).
bool HasProgramsResource(std::string_view file);

// The line the daemon's settings program writes for an enabled entry running `command`:
// four tabs, the command, tabs to the right-hand column, then the escaped newline and the
// continuation mark ("\n\").
std::string EntryLine(std::string_view command);

// `userFile` with an entry running `command` added at the end of its programs list; the
// list's order is kept, so "selected:" still names the same entry. A file without a programs
// resource gets one made of the system's list (`systemDefaults`, the app-defaults file) plus
// the new entry, appended at its end: the daemon would otherwise have used the system's
// list, and a list of one would lose it. An empty `userFile` is a file that does not exist
// yet. Raises ListError when a system list is needed and `systemDefaults` has none.
std::string AddProgram(std::string_view userFile, std::string_view systemDefaults,
                       std::string_view command);

}  // namespace tivaro::xss
