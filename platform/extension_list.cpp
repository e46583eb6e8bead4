#include "platform/extension_list.h"

namespace tivaro::platform {

bool ListsExtension(const char* list, std::string_view name) {
    if (list == nullptr || name.empty()) return false;
    const std::string_view all(list);
    for (std::size_t at = all.find(name); at != std::string_view::npos;
         at = all.find(name, at + 1)) {
        const bool starts = at == 0 || all[at - 1] == ' ';
        const bool ends = at + name.size() == all.size() || all[at + name.size()] == ' ';
        if (starts && ends) return true;
    }
    return false;
}

}  // namespace tivaro::platform
