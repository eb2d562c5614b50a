// How the program and its restart companion talk: the companion's file name
// beside the program and the environment variables that carry what it needs.
// The program starts the companion without arguments just before it ends
// after Live Update downloaded new definitions; the companion waits until the
// program has ended and starts it again with the same folders.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quellon::platform {

// The companion's file name, in the folder of the program's executable.
#ifdef _WIN32
inline constexpr std::string_view kRestartCompanionName = "AppRestart.exe";
#else
inline constexpr std::string_view kRestartCompanionName = "quellon-restart";
#endif

// The program to start again (its full path).
inline constexpr const char* kRestartProgramVariable = "QUELLON_RESTART_PROGRAM";
// The process to wait for, in decimal.
inline constexpr const char* kRestartPidVariable = "QUELLON_RESTART_PID";
// The folders of the new start, as the program reads them at start-up.
inline constexpr const char* kHomeVariable = "QUELLON_HOME";
inline constexpr const char* kMachineVariable = "QUELLON_MACHINE";
inline constexpr const char* kConfigVariable = "QUELLON_CONFIG";

// The variables the companion is started with (beside the inherited ones):
// the program, its process and each folder that is set.
inline std::vector<std::pair<std::string, std::string>> RestartEnvironment(
    const std::filesystem::path& program, std::uint32_t pid, const std::filesystem::path& home,
    const std::filesystem::path& machine, const std::filesystem::path& config) {
    std::vector<std::pair<std::string, std::string>> env;
    auto folder = [&env](const char* name, const std::filesystem::path& path) {
        if (!path.empty()) {
            env.emplace_back(name, path.string());
        }
    };
    folder(kHomeVariable, home);
    folder(kMachineVariable, machine);
    folder(kConfigVariable, config);
    env.emplace_back(kRestartProgramVariable, program.string());
    env.emplace_back(kRestartPidVariable, std::to_string(pid));
    return env;
}

// Starts the companion program `companion` detached, without arguments, with
// `environment` set beside this program's own variables; each value reaches
// it exactly as given (no shell reads it). False when the companion is not
// an executable file, a variable's name is not a plain name, or it cannot
// start. Each backend implements it over its StartDetached.
bool StartCompanionDetached(const std::filesystem::path& companion,
                            const std::vector<std::pair<std::string, std::string>>& environment);

}  // namespace quellon::platform
