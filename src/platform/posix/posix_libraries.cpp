#include <dlfcn.h>

#include "platform/posix/backend_classes.h"

namespace quellon::posix {

platform::LibraryCall PosixLibraries::CallEntryPoint(std::string_view path,
                                                     std::string_view entryPoint) {
    std::optional<std::filesystem::path> file = machine_.Resolve(path);
    if (!file) {
        return platform::LibraryCall::kNotLoaded;
    }
    void* library = ::dlopen(file->c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        return platform::LibraryCall::kNotLoaded;
    }
    const std::string name(entryPoint);
    void* symbol = ::dlsym(library, name.c_str());
    platform::LibraryCall result = platform::LibraryCall::kNoEntryPoint;
    if (symbol != nullptr) {
        // The registration functions take nothing and return a status code.
        using EntryPoint = long (*)();
        reinterpret_cast<EntryPoint>(symbol)();
        result = platform::LibraryCall::kCalled;
    }
    ::dlclose(library);
    return result;
}

}  // namespace quellon::posix
