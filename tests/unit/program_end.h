// Lets tests run code that ends the program: while a ProgramEndCatcher lives, ending the
// program throws ProgramEnded (with the exit code) instead of leaving the process.
#pragma once

#include "toolkit/runtime/end.h"

namespace tivaro::testing {

struct ProgramEnded {
    int exit_code;
};

class ProgramEndCatcher {
public:
    ProgramEndCatcher() {
        rt::SetEndHandler([](int code) { throw ProgramEnded{code}; });
    }
    ~ProgramEndCatcher() { rt::SetEndHandler(nullptr); }
};

}  // namespace tivaro::testing
