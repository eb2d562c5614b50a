// The Linux backend behind the front-ends' backend factory.
#include "platform/backend_factory.h"
#include "platform/posix/backend.h"
#include "platform/posix/console.h"
#include "platform/posix/openssl_signatures.h"
#include "platform/posix/xdg_autostart.h"
#include "platform/restart_protocol.h"

#include <unistd.h>

#include <cstdlib>

namespace quellon::platform {

namespace {

class PosixHandle : public BackendHandle {
public:
    explicit PosixHandle(const BackendOptions& options)
        : backend_(options.machine, options.config) {}
    Platform& Get() override { return backend_.Platform(); }
    std::string WindowsPathOf(const std::filesystem::path& local) const override {
        return backend_.WindowsPathOf(local);
    }
    std::optional<std::filesystem::path> LocalPathOf(std::string_view windowsPath) const override {
        return backend_.Machine().Resolve(windowsPath);
    }

private:
    posix::Backend backend_;
};

}  // namespace

std::unique_ptr<BackendHandle> MakeBackend(const BackendOptions& options) {
    return std::make_unique<PosixHandle>(options);
}

std::unique_ptr<Signatures> MakeSignatures() {
    return std::make_unique<posix::OpenSslSignatures>();
}

bool UsesMachineRoot() {
    return true;
}

std::filesystem::path ExecutableFolder() {
    return posix::ExecutableFolder();
}

std::filesystem::path DefaultConfigFolder() {
    return posix::DefaultConfigFolder();
}

std::filesystem::path DefaultMachineFolder() {
    auto env = [](const char* name) -> const char* {
        const char* v = std::getenv(name);
        return v != nullptr && *v != '\0' ? v : nullptr;
    };
    if (const char* prefix = env("WINEPREFIX")) {
        return prefix;
    }
    if (const char* home = env("HOME")) {
        return std::filesystem::path(home) / ".wine";
    }
    return ".wine";
}

std::filesystem::path DefaultUserDataFolder() {
    // A relative $XDG_DATA_HOME is ignored, as freedesktop.org's base-directory rules say.
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg != nullptr && xdg[0] == '/') {
        return std::filesystem::path(xdg) / "quellon-pro";
    }
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] == '\0') {
        return {};
    }
    return std::filesystem::path(home) / ".local" / "share" / "quellon-pro";
}

std::unique_ptr<StartupRegistration> MakeStartupRegistration(
    const std::string& name, const std::string& displayName,
    const std::filesystem::path& executable, const std::filesystem::path& folder) {
    return std::make_unique<posix::XdgAutostart>(name, displayName, executable, folder);
}

void UseBinaryStandardStreams() {
    // Linux streams never translate line ends.
}

bool StderrIsTerminal() {
    return posix::StderrIsTerminal();
}

bool StdinIsTerminal() {
    return posix::StdinIsTerminal();
}

int TerminalColumns() {
    return posix::TerminalColumns();
}

void CatchInterrupts(std::atomic<bool>& flag) {
    posix::CatchInterrupts(flag);
}

bool StartDetached(std::string_view commandLine) {
    return posix::StartDetached(commandLine);
}

bool StartCompanionDetached(const std::filesystem::path& companion,
                            const std::vector<std::pair<std::string, std::string>>& environment) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(companion, ec) ||
        ::access(companion.c_str(), X_OK) != 0) {
        return false;
    }
    // The shell that backgrounds the program sees each value in single
    // quotes only; the names go unquoted, so only plain names pass.
    std::string line;
    for (const auto& [name, value] : environment) {
        const bool plain = !name.empty() && (name[0] < '0' || name[0] > '9') &&
                           name.find_first_not_of(
                               "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_") ==
                               std::string::npos;
        if (!plain) {
            return false;
        }
        line += name + "=" + QuoteProgram(value) + " ";
    }
    return StartDetached(line + QuoteProgram(companion.string()));
}

std::string QuoteProgram(std::string_view path) {
    // For /bin/sh: in single quotes, each single quote as '\''.
    std::string out = "'";
    for (char c : path) {
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return out + "'";
}

bool WaitForProcessEnd(std::uint32_t pid, std::chrono::milliseconds limit) {
    return posix::WaitForProcessEnd(pid, limit);
}

}  // namespace quellon::platform
