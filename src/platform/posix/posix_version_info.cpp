// Linux programs carry no version resource.
#include "platform/version_info.h"

namespace quellon::platform {

std::optional<std::string> ProgramComments() {
    return std::nullopt;
}

}  // namespace quellon::platform
