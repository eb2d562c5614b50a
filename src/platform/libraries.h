// Libraries: loading one and calling an entry point that takes no argument
// (a COM library's registration functions).
#pragma once

#include <string_view>

namespace quellon::platform {

enum class LibraryCall {
    kNotLoaded,     // the file is not a library this system can load
    kNoEntryPoint,  // loaded, but it has no such entry point
    kCalled,        // the entry point ran (its result is not looked at)
};

class Libraries {
public:
    virtual ~Libraries() = default;
    // Loads the library at a Windows path, calls the named entry point and
    // unloads the library again.
    virtual LibraryCall CallEntryPoint(std::string_view path, std::string_view entryPoint) = 0;
};

}  // namespace quellon::platform
