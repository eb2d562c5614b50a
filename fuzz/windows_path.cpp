// Windows paths from definition lines and logs: a path the rules accept is
// absolute and plain, reads back as itself once worked out, and a machine
// root resolves it to a place inside its drives (or the one folder let in),
// never outside.
#include <unistd.h>

#include "common/winpath.h"
#include "fuzz.h"
#include "platform/posix/backend.h"

namespace {

namespace fs = std::filesystem;

// A machine root made once for the whole run: drive C, a program folder
// beside it that Windows paths may reach through Z:.
struct Machine {
    fs::path dir;
    fs::path home;
    std::unique_ptr<quellon::posix::Backend> backend;
    std::string homeWindows;
    Machine() {
        char pattern[] = "/tmp/quellon-fuzz-XXXXXX";
        dir = ::mkdtemp(pattern);
        fs::create_directories(dir / "machine" / "drive_c" / "WINDOWS");
        home = dir / "home";
        fs::create_directories(home);
        backend = std::make_unique<quellon::posix::Backend>(dir / "machine", dir / "config");
        homeWindows = backend->WindowsPathOf(home);
    }
    ~Machine() {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
};

bool Inside(const fs::path& p, const fs::path& folder) {
    const std::string s = p.lexically_normal().string();
    const std::string f = folder.lexically_normal().string();
    return s == f || (s.size() > f.size() && s.compare(0, f.size(), f) == 0 &&
                      (f.back() == '/' || s[f.size()] == '/'));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    using namespace quellon;
    static Machine machine;
    const std::string_view path(reinterpret_cast<const char*>(data), size);
    if (const auto normal = winpath::Normalize(path)) {
        FUZZ_CHECK(winpath::IsDriveLetter(normal->drive));
        std::string again(1, normal->drive);
        again += ":";
        for (const std::string_view c : normal->components) {
            FUZZ_CHECK(winpath::IsPlainComponent(c));
            again.append(1, '\\').append(c);
        }
        if (normal->components.empty()) {
            again += '\\';
        }
        const auto twice = winpath::Normalize(again);
        FUZZ_CHECK(twice && twice->components.size() == normal->components.size());
    }
    const auto& root = machine.backend->Machine();
    if (const auto resolved = root.Resolve(path)) {
        FUZZ_CHECK(Inside(*resolved, machine.dir / "machine") || Inside(*resolved, machine.home));
    }
    // The same below the folder that was let in.
    const std::string below = machine.homeWindows + "\\" + std::string(path);
    if (const auto resolved = root.Resolve(below)) {
        FUZZ_CHECK(Inside(*resolved, machine.dir / "machine") || Inside(*resolved, machine.home));
    }
    return 0;
}
