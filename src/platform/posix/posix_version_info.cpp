// Linux programs carry no version resource.
#include "platform/backend_factory.h"

namespace quellon::platform {

std::optional<std::string> ProgramComments() {
    return std::nullopt;
}

}  // namespace quellon::platform
