// A library with the registration entry points of a COM library, loaded by
// the removal tests: each call appends its name to the file named by
// QUELLON_REGISTRATION_LOG.
#include <cstdio>
#include <cstdlib>

namespace {

long Note(const char* what) {
    const char* path = std::getenv("QUELLON_REGISTRATION_LOG");
    if (path == nullptr) {
        return 1;
    }
    if (std::FILE* f = std::fopen(path, "ab")) {
        std::fputs(what, f);
        std::fputs("\n", f);
        std::fclose(f);
    }
    return 0;
}

}  // namespace

extern "C" long DllRegisterServer() {
    return Note("register");
}

extern "C" long DllUnregisterServer() {
    return Note("unregister");
}
