// The parts of TestMachine that are the same on every system.
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

void TestMachine::HomeFile(std::string_view name, std::string_view bytes) {
    WriteBytes(home_ / fs::path(name), bytes);
}

std::string TestMachine::ReadHome(std::string_view name) const {
    return ReadBytes(home_ / fs::path(name));
}

}  // namespace quellon::testing
