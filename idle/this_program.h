// Where this program and the saver of the same installation lie.
#pragma once

#include <filesystem>

namespace tivaro::idle {

// This program's own file, whatever PATH entry or link started it (/proc/self/exe).
std::filesystem::path ThisProgram();

// The saver beside this program: installed, /usr/bin/tivaro (a link to the X screen-saver
// daemon's copy in libexec) beside /usr/bin/tivaro-idle; in a build tree the build's
// app/tivaro, where the build puts tivaro-idle too.
std::filesystem::path SaverBesideThisProgram();

}  // namespace tivaro::idle
