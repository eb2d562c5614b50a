#include "support/test_machine.h"

#include <fstream>
#include <sstream>

namespace quellon::testing {

namespace fs = std::filesystem;

void WriteBytes(const fs::path& path, std::string_view bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

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

void TestMachine::HomeFile(std::string_view name, std::string_view bytes) {
    WriteBytes(home_ / fs::path(name), bytes);
}

std::string TestMachine::ReadHome(std::string_view name) const {
    return ReadBytes(home_ / fs::path(name));
}

posix::Backend& TestMachine::Backend() {
    if (!backend_) {
        backend_ = std::make_unique<posix::Backend>(machine_, config_);
    }
    return *backend_;
}

}  // namespace quellon::testing
