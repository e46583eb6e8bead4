#include "platform/scale/display_scale.h"

#include "toolkit/runtime/errors.h"
#include "toolkit/runtime/numeric.h"

namespace tivaro::platform {
namespace {

constexpr std::int32_t kLowestDpi = 24;
constexpr std::int32_t kHighestDpi = 960;

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

}  // namespace

double ScaleForDpi(std::int32_t dpi) {
    return dpi > 0 ? static_cast<double>(dpi) / kDesignDpi : 1.0;
}

std::int32_t DpiFromResources(std::string_view resources) {
    std::int32_t dpi = kDesignDpi;
    while (!resources.empty()) {
        const std::size_t end = resources.find('\n');
        const std::string_view line = resources.substr(0, end);
        resources = end == std::string_view::npos ? std::string_view{} : resources.substr(end + 1);
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos || Trimmed(line.substr(0, colon)) != "Xft.dpi")
            continue;
        // The last setting wins, as in the resource database.
        try {
            const std::int32_t value = rt::RoundToI32(rt::ReadNumber(line.substr(colon + 1)));
            dpi = value >= kLowestDpi && value <= kHighestDpi ? value : kDesignDpi;
        } catch (const rt::RuntimeError&) {
            dpi = kDesignDpi;
        }
    }
    return dpi;
}

}  // namespace tivaro::platform
