// The parts of TestMachine that are the same on every system.
#include "support/test_machine.h"

#include <cstdio>
#include <fstream>

namespace quellon::testing {

namespace fs = std::filesystem;

void WriteBytes(const fs::path& path, std::string_view bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadBytes(const fs::path& path) {
    // C's stdio: a file that goes away during the read (a process's file in
    // /proc whose process ends) gives what was read, never an exception.
    std::string out;
    std::FILE* file = std::fopen(path.string().c_str(), "rb");
    if (file == nullptr) {
        return out;
    }
    char buffer[4096];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        out.append(buffer, n);
    }
    std::fclose(file);
    return out;
}

void TestMachine::HomeFile(std::string_view name, std::string_view bytes) {
    WriteBytes(home_ / fs::path(name), bytes);
}

std::string TestMachine::ReadHome(std::string_view name) const {
    return ReadBytes(home_ / fs::path(name));
}

}  // namespace quellon::testing
