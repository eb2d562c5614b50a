#include "common/text.h"
#include "scan/company_name.h"
#include "scan/scanners.h"

namespace quellon::scan {
namespace {

bool IsNtFamily(platform::Processes& procs) {
    auto v = procs.Version();
    return v && v->platformId == 2;
}

// The name form used to compare process names: the first 15 characters of a
// long name, else the upper-cased text before the first "."; a name without
// "." stays as it is.
std::string NameForm(std::string_view name) {
    if (name.size() >= 16) {
        return std::string(name.substr(0, 15));
    }
    const size_t dot = name.find('.');
    if (dot != std::string_view::npos) {
        return text::Upper(name.substr(0, dot));
    }
    return std::string(name);
}

}  // namespace

std::string GetCompanyName(platform::FileSystem& fs, std::string_view path) {
    std::unique_ptr<platform::ByteReader> reader = fs.OpenRead(path);
    return reader ? CompanyNameFromReader(*reader) : std::string();
}

std::string NormalizeSystemPath(platform::Shell& shell, std::string_view path) {
    const std::string_view trimmed = text::TrimView(path);
    const std::string upper = text::Upper(trimmed);
    const size_t at = upper.rfind("SYSTEM32\\");
    if (at == std::string::npos) {
        return std::string(path);
    }
    std::string system = shell.SystemDirectory();
    if (system.size() > 255) {
        system.resize(255);
    }
    return system + "\\" + std::string(trimmed.substr(at + 9));
}

std::vector<platform::ProcessEntry> ListRunningProcesses(platform::Processes& procs) {
    auto snapshot = procs.Snapshot();
    return snapshot ? std::move(*snapshot) : std::vector<platform::ProcessEntry>{};
}

bool KillProcessById(platform::Processes& procs, std::uint32_t pid, std::uint32_t exitCode) {
    const bool nt = IsNtFamily(procs);
    if (nt && !procs.SetDebugPrivilege(true)) {
        return false;
    }
    const bool killed = procs.Terminate(pid, platform::kProcessAllAccess, exitCode);
    if (nt) {
        procs.SetDebugPrivilege(false);
    }
    return killed;
}

bool TerminateProcessById(platform::Processes& procs, std::uint32_t pid) {
    if (!procs.CanOpen(pid, platform::kProcessTerminate)) {
        return false;
    }
    const std::uint32_t code = procs.ExitCode(pid).value_or(0);
    return procs.Terminate(pid, platform::kProcessTerminate, code);
}

bool StopProcessByName(platform::Processes& procs, std::string_view name) {
    // The 8.3 short form: without ".exe", at most six characters, then "~1".
    std::string shortForm = text::ReplaceNoCase(name, ".exe", "");
    if (shortForm.size() >= 7) {
        shortForm.resize(6);
    }
    shortForm = text::Upper(shortForm) + "~1";
    const std::string target = NameForm(name);

    std::uint32_t pid = 0;
    for (const auto& entry : ListRunningProcesses(procs)) {
        const std::string form = NameForm(entry.exeFile);
        const std::string_view trimmed = text::TrimView(form);
        if (text::EqualsNoCase(trimmed, text::TrimView(target)) ||
            text::EqualsNoCase(trimmed, text::TrimView(shortForm))) {
            pid = entry.pid;
            break;
        }
    }
    for (int attempt = 0; attempt < 11; ++attempt) {
        if (KillProcessById(procs, pid, 0)) {
            return true;
        }
        if (procs.Wait(pid, 1) != platform::WaitResult::kTimeout) {
            return true;
        }
    }
    return false;
}

}  // namespace quellon::scan
