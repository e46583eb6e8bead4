#include "assets/assets.h"

#include <string>

#include "toolkit/runtime/errors.h"

namespace tivaro::assets {

std::span<const unsigned char> Find(std::string_view name) {
    for (const Entry* e = kEntries; e->name != nullptr; ++e) {
        if (name == e->name) return {e->data, static_cast<std::size_t>(e->size)};
    }
    throw rt::RuntimeError(rt::ErrorNumber::InvalidProcedureCall,
                           "no embedded picture named " + std::string(name));
}

}  // namespace tivaro::assets
