// The benchmark machine on Windows: the real machine the benchmark runs on
// (under Wine, its prefix). What it plants sits in folders and keys named
// "Quellon Bench" and in cookie files whose user is "quellonbench"; they are
// removed after the run, and before it in case a broken run left them.
#include <windows.h>
// After windows.h, which it needs.
#include <shlobj.h>

#include <stdexcept>

#include "bench_machine.h"

namespace quellon::bench {

namespace fs = std::filesystem;

namespace {

constexpr wchar_t kName[] = L"Quellon Bench";
constexpr char kCookieUser[] = "quellonbench";

// The predefined keys in the order of the definition files' hive digits.
const HKEY kHives[6] = {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER,   HKEY_LOCAL_MACHINE,
                        HKEY_USERS,        HKEY_CURRENT_CONFIG, HKEY_DYN_DATA};
// Below which key of each hive the benchmark's keys go (the settings store of
// the benchmark's engine lies below the second, see bench_win32.cpp).
const char* const kKeyBases[6] = {
    "Quellon Bench\\CLSID",           "Software\\Quellon Bench",
    "SOFTWARE\\Quellon Bench",        ".DEFAULT\\Software\\Quellon Bench",
    "Software\\Quellon Bench\\Fonts", "Quellon Bench\\Enum"};
// The keys removed afterwards: the benchmark's own top keys.
const wchar_t* const kOwnKeys[6] = {
    L"Quellon Bench",           L"Software\\Quellon Bench",
    L"SOFTWARE\\Quellon Bench", L".DEFAULT\\Software\\Quellon Bench",
    L"Software\\Quellon Bench", L"Quellon Bench"};

// A special folder; empty when it is not there and `create` is false.
fs::path SpecialFolder(int csidl, bool create = false) {
    wchar_t buffer[MAX_PATH + 1] = {};
    if (::SHGetSpecialFolderPathW(nullptr, buffer, csidl, create ? TRUE : FALSE) &&
        buffer[0] != L'\0') {
        return fs::path(buffer);
    }
    if (!create) {
        return {};
    }
    throw std::runtime_error("the system names no folder for CSIDL " + std::to_string(csidl));
}

fs::path NeededFolder(int csidl) {
    fs::path folder = SpecialFolder(csidl);
    if (folder.empty()) {
        throw std::runtime_error("the system names no folder for CSIDL " + std::to_string(csidl));
    }
    return folder;
}

fs::path WindowsFolder() {
    wchar_t buffer[MAX_PATH + 1] = {};
    const UINT n = ::GetWindowsDirectoryW(buffer, MAX_PATH);
    if (n == 0 || n > MAX_PATH) {
        throw std::runtime_error("the system names no Windows folder");
    }
    return fs::path(std::wstring(buffer, n));
}

fs::path SystemFolder() {
    wchar_t buffer[MAX_PATH + 1] = {};
    const UINT n = ::GetSystemDirectoryW(buffer, MAX_PATH);
    if (n == 0 || n > MAX_PATH) {
        throw std::runtime_error("the system names no system folder");
    }
    return fs::path(std::wstring(buffer, n));
}

// The drive the engine takes program files from: that of the Programs menu.
fs::path DriveRoot() {
    const std::wstring programs = NeededFolder(CSIDL_PROGRAMS).wstring();
    return fs::path(programs.substr(0, 3));
}

// Every folder the benchmark plants files in, each its own, and the user's
// cookie folder (empty when there is none).
struct Folders {
    fs::path dir, system, drivers, desktop, windows, driveTemp, cookies;
};

Folders OwnFolders() {
    Folders f;
    const fs::path windows = WindowsFolder();
    f.dir = DriveRoot() / L"Program Files" / kName;
    f.system = SystemFolder() / kName;
    f.drivers = windows / L"system32" / L"drivers" / kName;
    f.desktop = NeededFolder(CSIDL_DESKTOPDIRECTORY) / kName;
    f.windows = windows / kName;
    f.driveTemp = DriveRoot() / kName;
    f.cookies = SpecialFolder(CSIDL_COOKIES);
    return f;
}

bool IsOwnCookie(const fs::path& file) {
    const std::string name = file.filename().string();
    const std::string prefix = std::string(kCookieUser) + "@";
    return name.size() > prefix.size() &&
           ::CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, name.data(),
                            static_cast<int>(prefix.size()), prefix.data(),
                            static_cast<int>(prefix.size())) == CSTR_EQUAL;
}

bool RemoveFolder(const fs::path& folder) {
    std::error_code ec;
    fs::remove_all(folder, ec);
    return !fs::exists(folder, ec) && !ec;
}

}  // namespace

BenchMachine MachineAt(const fs::path& dir) {
    BenchMachine m;
    m.dir = dir;
    m.home = dir / L"Program";
    return m;
}

BenchMachine PrepareMachine(const fs::path&, Layout& l) {
    const Folders f = OwnFolders();
    BenchMachine m = MachineAt(f.dir);
    fs::create_directories(m.home);
    l.systemPrefix = "Quellon Bench\\";
    l.system = f.system;
    l.pfilesPrefix = "Quellon Bench\\";
    l.programFiles = f.dir;
    l.driversToken = "[wDir]system32\\drivers\\Quellon Bench";
    l.drivers = f.drivers;
    l.desktopToken = "[dDir]Quellon Bench";
    l.desktop = f.desktop;
    l.windowsToken = "[wDir]Quellon Bench";
    l.windows = f.windows;
    l.drivePrefix = "Quellon Bench\\";
    l.driveTemp = f.driveTemp;
    for (int i = 0; i < 6; ++i) {
        l.keyBase[i] = kKeyBases[i];
    }
    // The user's real cookie folder, which may not be there yet (the shell
    // then makes it); nothing but the benchmark's own files is written
    // into it.
    m.madeCookieFolder = f.cookies.empty();
    m.cookieFolder = m.madeCookieFolder ? SpecialFolder(CSIDL_COOKIES, true) : f.cookies;
    l.cookies = m.cookieFolder;
    l.cookieUser = kCookieUser;
    l.cookieIndex = false;
    for (const fs::path& p : {f.system, f.drivers, f.desktop, f.windows, f.driveTemp}) {
        fs::create_directories(p);
    }
    return m;
}

int PlantRegistry(const BenchMachine&, const std::vector<PlannedKey>& keys) {
    int lines = 0;
    static const char kData[] = "bench data";
    for (const PlannedKey& key : keys) {
        HKEY k = nullptr;
        // A hive this system does not have (dyn data) takes nothing.
        if (::RegCreateKeyExA(kHives[key.hive], key.subKey.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                              nullptr, &k, nullptr) != ERROR_SUCCESS) {
            continue;
        }
        bool ok = true;
        for (const std::string& value : key.values) {
            ok = ok &&
                 ::RegSetValueExA(k, value.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(kData),
                                  sizeof kData) == ERROR_SUCCESS;
        }
        ::RegCloseKey(k);
        if (!ok) {
            throw std::runtime_error("cannot set the values of " + key.subKey);
        }
        lines += key.lines;
    }
    return lines;
}

void RemoveMachine(const BenchMachine& m) {
    RemoveLeftovers();
    if (m.madeCookieFolder) {
        // Only when empty: the user may have put cookies there meanwhile.
        std::error_code ec;
        fs::remove(m.cookieFolder, ec);
    }
}

bool RemoveLeftovers() {
    bool clean = true;
    Folders f;
    try {
        f = OwnFolders();
    } catch (const std::exception&) {
        return false;
    }
    for (const fs::path& p : {f.dir, f.system, f.drivers, f.desktop, f.windows, f.driveTemp}) {
        clean = RemoveFolder(p) && clean;
    }
    std::error_code ec;
    if (!f.cookies.empty() && fs::is_directory(f.cookies, ec)) {
        std::vector<fs::path> own;
        for (fs::directory_iterator it(f.cookies, ec), end; !ec && it != end; it.increment(ec)) {
            if (IsOwnCookie(it->path())) {
                own.push_back(it->path());
            }
        }
        clean = clean && !ec;
        for (const fs::path& p : own) {
            std::error_code removed;
            clean = fs::remove(p, removed) && clean;
        }
    }
    for (int i = 0; i < 6; ++i) {
        const LONG rc = ::RegDeleteTreeW(kHives[i], kOwnKeys[i]);
        if (rc == ERROR_SUCCESS) {
            ::RegDeleteKeyW(kHives[i], kOwnKeys[i]);
        } else if (rc != ERROR_FILE_NOT_FOUND && rc != ERROR_INVALID_HANDLE && rc != ERROR_BADKEY) {
            clean = false;
        }
        HKEY left = nullptr;
        if (::RegOpenKeyExW(kHives[i], kOwnKeys[i], 0, KEY_READ, &left) == ERROR_SUCCESS) {
            ::RegCloseKey(left);
            clean = false;
        }
    }
    return clean;
}

}  // namespace quellon::bench
