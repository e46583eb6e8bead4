#include "this_program.h"

#include "failure.h"

namespace tivaro::idle {

std::filesystem::path ThisProgram() {
    std::error_code error;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) throw Failure("cannot tell where this program lies: " + error.message());
    return self;
}

std::filesystem::path SaverBesideThisProgram() {
    return ThisProgram().parent_path() / "tivaro";
}

}  // namespace tivaro::idle
