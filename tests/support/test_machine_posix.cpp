#include "support/test_machine.h"

#include <fstream>
#include <sstream>

namespace quellon::testing {

namespace fs = std::filesystem;

TestMachine::TestMachine()
    : machine_(dir_.path() / "machine"),
      home_(dir_.path() / "home"),
      config_(dir_.path() / "config") {
    fs::create_directories(machine_ / "drive_c");
    fs::create_directories(home_);
    fs::create_directories(config_);
}

TestMachine::~TestMachine() = default;

fs::path TestMachine::PlantFile(std::string_view windowsPath, std::string_view bytes) {
    std::optional<fs::path> target = posix::MachineRoot(machine_).Resolve(windowsPath);
    if (!target) {
        return {};
    }
    WriteBytes(*target, bytes);
    return *target;
}

fs::path TestMachine::PlantLinuxFile(std::string_view relative, std::string_view bytes) {
    fs::path target = machine_ / fs::path(relative);
    WriteBytes(target, bytes);
    return target;
}

void TestMachine::WriteRegistry(std::string_view text) {
    WriteBytes(machine_ / "registry.reg", text);
}

void TestMachine::WriteMachineIni(std::string_view text) {
    WriteBytes(machine_ / "machine.ini", text);
}

fs::path TestMachine::ProgramsFolder() const {
    return machine_ / "drive_c" / "Program Files";
}

posix::Backend& TestMachine::Backend() {
    if (!backend_) {
        backend_ = std::make_unique<posix::Backend>(machine_, config_);
    }
    return *backend_;
}

}  // namespace quellon::testing
