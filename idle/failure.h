// How tivaro-idle's errors travel: raised, caught once in main and printed as one line.
#pragma once

#include <stdexcept>

namespace tivaro::idle {

// Ends the program with status 1; the text is its one line.
class Failure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A command line the program does not understand: status 2.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace tivaro::idle
