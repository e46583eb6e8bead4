// The pictures stored with the program, embedded in the executable.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

namespace tivaro::assets {

struct Entry {
    const char* name;
    const unsigned char* data;
    unsigned long long size;
};
extern const Entry kEntries[];

// The bytes of the embedded file `name` (its file name in assets/); raises the runtime's
// invalid-argument error when there is none.
std::span<const unsigned char> Find(std::string_view name);

}  // namespace tivaro::assets
