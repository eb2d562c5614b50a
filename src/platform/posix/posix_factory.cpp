// The Linux backend behind the front-ends' backend factory.
#include "platform/backend_factory.h"
#include "platform/posix/backend.h"
#include "platform/posix/console.h"

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

private:
    posix::Backend backend_;
};

}  // namespace

std::unique_ptr<BackendHandle> MakeBackend(const BackendOptions& options) {
    return std::make_unique<PosixHandle>(options);
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

void UseBinaryStandardStreams() {
    // Linux streams never translate line ends.
}

bool StderrIsTerminal() {
    return posix::StderrIsTerminal();
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

}  // namespace quellon::platform
