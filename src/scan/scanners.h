// The four scanners of a scan and the helpers other parts of the program use.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "scan/company_name.h"
#include "scan/scan_context.h"

namespace quellon::scan {

// Known files named in FileDefinition.dat, each looked up at its one path.
void ScanKnownFiles(ScanContext& ctx);

// Registry keys and values named in RegistryDefinition.dat.
void ScanRegistry(ScanContext& ctx);
// Hive code for a definition's hive digit; sets the current hive name.
platform::Hive HiveFromDigit(std::string_view digit, std::string& currentHiveName);
bool RegistryKeyExists(platform::Registry& reg, platform::Hive hive, std::string_view subKey);
bool RegistryValueExists(platform::Registry& reg, platform::Hive hive, std::string_view subKey,
                         std::string_view valueName);

// Running programs named in ExeDefinition.dat; the variant follows the
// machine's platform id.
void ScanRunningProcesses(ScanContext& ctx);
void ScanProcessesNT(ScanContext& ctx);
void ScanProcesses9x(ScanContext& ctx);
void ReportMemoryDetection(ScanContext& ctx, const std::string& name, const std::string& company);

// Cookies of the user's cookie folder whose domain matches BlockedCookies.dat.
void ScanCookies(ScanContext& ctx);
std::string GetCookieFolder(platform::Shell& shell, int csidl);
void LoadBlockedCookies(ScanContext& ctx, std::string_view path);
std::string GetCookieKey(std::string_view path);
std::string GetCookieDomain(platform::FileSystem& fs, std::string_view path);
// The domain in a cookie file's bytes for its key: the text of the first
// field holding the key from the key up to the next "/"; "False" when none.
std::string CookieDomainFromBytes(std::string_view key, std::string_view bytes);

// Process helpers.
std::vector<platform::ProcessEntry> ListRunningProcesses(platform::Processes& procs);
bool KillProcessById(platform::Processes& procs, std::uint32_t pid, std::uint32_t exitCode);
// True when the process could be opened and terminated.
bool TerminateProcessById(platform::Processes& procs, std::uint32_t pid);
bool StopProcessByName(platform::Processes& procs, std::string_view name);
std::string NormalizeSystemPath(platform::Shell& shell, std::string_view path);
// The company name in a file's version data (scan/company_name.h searches it).
std::string GetCompanyName(platform::FileSystem& fs, std::string_view path);

}  // namespace quellon::scan
