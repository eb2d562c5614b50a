#include "platform/posix/backend.h"

#include <unistd.h>

#include <cstdlib>

#include "platform/posix/backend_classes.h"
#include "platform/posix/curl_http.h"
#include "platform/posix/io.h"
#include "platform/posix/openssl_signatures.h"
#include "platform/posix/wine_prefix.h"

namespace quellon::posix {

namespace fs = std::filesystem;

struct Backend::Impl {
    Impl(fs::path machineRoot, fs::path configFolder)
        : machine(std::move(machineRoot)),
          files(machine),
          registry(MakeMachineRegistry(machine.Root())),
          processes(machine),
          shell(machine),
          settings(std::move(configFolder)),
          libraries(machine),
          restorePoints(machine),
          download(http, files),
          webPage(http),
          platform{files,     *registry,     processes, shell,   settings,
                   libraries, restorePoints, download,  webPage, signatures} {}

    MachineRoot machine;
    PosixFiles files;
    std::unique_ptr<platform::Registry> registry;
    PosixProcesses processes;
    PosixShell shell;
    IniSettings settings;
    PosixLibraries libraries;
    PosixRestorePoints restorePoints;
    CurlHttpClient http;
    platform::HttpDownload download;
    platform::HttpWebPage webPage;
    OpenSslSignatures signatures;
    platform::Platform platform;
};

Backend::Backend(fs::path machineRoot, fs::path configFolder)
    : impl_(std::make_unique<Impl>(std::move(machineRoot), std::move(configFolder))) {}

Backend::~Backend() = default;

platform::Platform& Backend::Platform() {
    return impl_->platform;
}

const MachineRoot& Backend::Machine() const {
    return impl_->machine;
}

std::string Backend::WindowsPathOf(const fs::path& linuxPath) const {
    impl_->machine.Grant(linuxPath);
    return impl_->machine.ToWindows(linuxPath);
}

fs::path ExecutableFolder() {
    const std::optional<std::string> target = io::ReadLink("/proc/self/exe");
    if (!target) {
        return {};
    }
    return fs::path(*target).parent_path();
}

fs::path DefaultConfigFolder() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && xdg[0] == '/') {
        return fs::path(xdg) / "quellon-pro";
    }
    const char* home = std::getenv("HOME");
    return fs::path(home != nullptr ? home : ".") / ".config" / "quellon-pro";
}

}  // namespace quellon::posix
