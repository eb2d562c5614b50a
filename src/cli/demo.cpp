#include "cli/demo.h"

#include <cstdint>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <string_view>
#include <system_error>

namespace quellon::cli {
namespace {

namespace fs = std::filesystem;

constexpr int kExitOk = 0;
constexpr int kExitError = 2;

// Folders of the default Windows XP layout, below drive_c, in the case that
// the default Windows paths use.
constexpr std::string_view kFolders[] = {
    "WINDOWS/system32",
    "Documents and Settings/User/Desktop",
    "Documents and Settings/User/Cookies",
    "Documents and Settings/User/Start Menu/Programs",
    "Program Files",
};

constexpr std::string_view kCookieFolder = "Documents and Settings/User/Cookies";

// A file planted below drive_c. A file with a company carries version data
// naming it; the others hold a line of text.
struct PlantedFile {
    std::string_view path;
    std::string_view company;
    std::string_view description;
};

constexpr PlantedFile kFiles[] = {
    // Listed in the starter definitions.
    {"WINDOWS/system32/qpadbar.dll", "", "QP AdBar Toolbar browser helper"},
    {"WINDOWS/system32/drivers/qpnetflt.sys", "", "QP AdBar network filter"},
    {"Program Files/QP AdBar/qpadbar.exe", "QP AdBar Software", "QP AdBar Toolbar"},
    {"qpdial.ini", "", "[Dialer99]"},
    {"Documents and Settings/User/Desktop/Dialer99 Connect.lnk", "", "Dialer99 connection"},
    {"WINDOWS/system32/d99modem.dll", "", "Dialer99 modem helper"},
    {"WINDOWS/popperads.ini", "", "[PopperAds]"},
    {"WINDOWS/system32/popperhk.dll", "", "PopperAds hook"},
    {"Program Files/SearchHelper/shelper.dll", "", "SearchHelper engine"},
    {"WINDOWS/system32/shbho.dll", "", "SearchHelper browser object"},
    {"TickerTock/Data/ttweather.dat", "", "TickerTock weather cache"},
    {"Program Files/ClickCounter 2000/clickcount2k.exe", "Example Clickware Co.",
     "ClickCounter 2000"},
    {"WINDOWS/system32/clickcount2k.dll", "", "ClickCounter 2000 hook"},
    // Listed too, but published by Microsoft: a scan passes it over.
    {"WINDOWS/system32/qpstatus.dll", "Microsoft Corporation", "Status bar extension"},
    // Not listed anywhere.
    {"Program Files/TrayClock/trayclock.exe", "Example Clockworks Ltd.", "Tray clock"},
    {"Documents and Settings/User/Desktop/Shopping list.txt", "", "Milk, bread, coffee"},
};

// A cookie file in the user's cookie folder. The scan takes the text between
// "@" and "[" of the name as key and the domain from the host line that
// holds it; `blocked` tells whether a starter pattern matches that domain.
struct Cookie {
    std::string_view fileName;
    std::string_view host;
    bool blocked;
};

constexpr Cookie kCookies[] = {
    {"user@qpadbar[1].txt", "qpadbar.example/", true},                          // plain domain
    {"user@www.dialer99[1].txt", "www.dialer99.example/", true},                // "www." is dropped
    {"user@ads.searchhelper[1].txt", "ads.searchhelper.example/", true},        // *
    {"user@stats7.tickertock[1].txt", "stats7.tickertock.example/", true},      // ?
    {"user@ads42.popperads[1].txt", "ads42.popperads.example/", true},          // #
    {"user@cdnb.qpadbar[1].txt", "cdnb.qpadbar.example/", true},                // [list]
    {"user@countx.clickcount2k[1].txt", "countx.clickcount2k.example/", true},  // [!list]
    {"user@track12.dialer99[2].txt", "track12.dialer99.example/", true},        // [0-9] ranges
    {"user@weather-news[1].txt", "weather-news.example/", false},
    {"user@count5.clickcount2k[1].txt", "count5.clickcount2k.example/", false},
    {"user@statsxy.tickertock[1].txt", "statsxy.tickertock.example/", false},
    {"user@tracker.dialer99[1].txt", "tracker.dialer99.example/", false},
};

// Keys and values named by the starter registry definitions, across the
// hives, among harmless ones.
constexpr std::string_view kRegistry = R"(Windows Registry Editor Version 5.00

[HKEY_CLASSES_ROOT\CLSID\{5A1E0B7C-3D2F-4E61-9C0A-7B51AD0BA001}]
@="QP AdBar Toolbar"

[HKEY_CLASSES_ROOT\CLSID\{5A1E0B7C-3D2F-4E61-9C0A-7B51AD0BA001}\InprocServer32]
@="C:\\WINDOWS\\system32\\qpadbar.dll"
"ThreadingModel"="Apartment"

[HKEY_CLASSES_ROOT\QPAdBar.Toolbar]
@="QP AdBar Toolbar"

[HKEY_CLASSES_ROOT\txtfile]
@="Text Document"

[HKEY_CURRENT_USER\Control Panel\Desktop]
"Wallpaper"=""
"ScreenSaveActive"="1"

[HKEY_CURRENT_USER\Software\Microsoft\Internet Explorer\Main]
"Start Page"="http://search.popperads.example/"

[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Run]
"PopperAds"="C:\\Program Files\\PopperAds\\popperads.exe /tray"
"TrayClock"="C:\\Program Files\\TrayClock\\trayclock.exe"

[HKEY_CURRENT_USER\Software\QP AdBar]
"InstallDir"="C:\\Program Files\\QP AdBar"
"Visible"=dword:00000001

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Run]
"Dialer99"="C:\\Program Files\\Dialer99\\dialer99.exe -silent"

[HKEY_LOCAL_MACHINE\Software\PopperAds\Options]
"mode=popunder"=dword:00000001
"interval"=dword:0000003c

[HKEY_LOCAL_MACHINE\Software\QPOrphanKey]

[HKEY_LOCAL_MACHINE\Software\SearchHelper]
"Version"="2.1"

[HKEY_LOCAL_MACHINE\Software\TickerTock]
"City"="Springfield"

[HKEY_LOCAL_MACHINE\Software\TrayClock]
"Format"="24h"

[HKEY_USERS\.DEFAULT\Control Panel\International]
"sShortDate"="M/d/yyyy"

[HKEY_USERS\.DEFAULT\Software\PopperAds]
"Installed"=dword:00000001

[HKEY_USERS\.DEFAULT\Software\QP AdBar]
"Toolbar Visible"=dword:00000001

[HKEY_CURRENT_CONFIG\Software\TickerTock]
"LastUpdate"="12/7/2026"

[HKEY_CURRENT_CONFIG\System\CurrentControlSet\Control\Print\Printers]

[HKEY_DYN_DATA\QPAdBar\Counters]
"Clicks"=dword:00000017
)";

constexpr std::string_view kMachineIni = R"(; The demo machine: Windows XP folders on drive C:
[Folders]
Windows=C:\WINDOWS
System=C:\WINDOWS\system32
Desktop=C:\Documents and Settings\User\Desktop
Cookies=C:\Documents and Settings\User\Cookies
Programs=C:\Documents and Settings\User\Start Menu\Programs

[Version]
PlatformId=2
Major=5
Minor=1

[Drives]
C=Fixed Disk
)";

constexpr std::string_view kProcessScriptName = "start-demo-process.sh";
constexpr std::string_view kProcessExe = "qpbarsvc.exe";

constexpr std::string_view kProcessScript = R"sh(#!/usr/bin/env bash
# Starts a stand-in for the QP AdBar Toolbar's background program on this demo
# machine: a copy of sleep named qpbarsvc.exe, which a scan finds in memory and
# stops. Left alone it ends by itself after ten minutes. Prints its process id.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd -P)"
folder="$root/drive_c/Program Files/QP AdBar"
exe="$folder/qpbarsvc.exe"
mkdir -p "$folder"
# A running copy cannot be overwritten, but it can be replaced.
rm -f "$exe"
cp -L "$(command -v sleep)" "$exe"
chmod 755 "$exe"
# The copy runs as the child of a shell that waits for it, so that it is
# collected as soon as it is stopped; its argv[0] stays "sleep" for builds of
# sleep that look at their own name.
setsid nohup bash -c '(exec -a sleep "$0" 600) & wait' "$exe" </dev/null >/dev/null 2>&1 &
for _ in $(seq 50); do
    for link in /proc/[0-9]*/exe; do
        if [[ "$(readlink "$link" 2>/dev/null)" == "$exe" ]]; then
            pid="${link#/proc/}"
            echo "${pid%/exe}"
            exit 0
        fi
    done
    sleep 0.1
done
echo "start-demo-process.sh: $exe did not start" >&2
exit 1
)sh";

// Text with LF line ends turned into CR LF.
std::string WithCrLf(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (char c : text) {
        if (c == '\n') {
            out += '\r';
        }
        out += c;
    }
    return out;
}

// --- Version data --------------------------------------------------------

void PutWord(std::string& bytes, size_t at, std::uint32_t value) {
    bytes[at] = static_cast<char>(value & 0xFF);
    bytes[at + 1] = static_cast<char>((value >> 8) & 0xFF);
}

void AppendDword(std::string& bytes, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

// UTF-16LE of ASCII text with its terminating NUL.
std::string WideZ(std::string_view text) {
    std::string out;
    for (char c : text) {
        out += c;
        out += '\0';
    }
    return out + std::string(2, '\0');
}

void PadTo32Bits(std::string& bytes) {
    bytes.resize((bytes.size() + 3) / 4 * 4, '\0');
}

// One block of a version resource: wLength, wValueLength, wType, the key in
// UTF-16LE with its NUL, padding to 32 bits, the value, then the child
// blocks, each starting on a 32-bit boundary. Offsets count from the block's
// start, which lies on a 32-bit boundary of the file.
std::string VersionBlock(std::string_view key, std::string_view value, std::uint32_t valueLength,
                         std::uint32_t type, std::initializer_list<std::string> children = {}) {
    std::string block(6, '\0');
    block += WideZ(key);
    PadTo32Bits(block);
    block += value;
    for (const std::string& child : children) {
        PadTo32Bits(block);
        block += child;
    }
    PutWord(block, 0, static_cast<std::uint32_t>(block.size()));
    PutWord(block, 2, valueLength);
    PutWord(block, 4, type);
    return block;
}

// A String entry: its value length counts UTF-16 characters with the NUL.
std::string VersionString(std::string_view key, std::string_view text) {
    return VersionBlock(key, WideZ(text), static_cast<std::uint32_t>(text.size() + 1), 1);
}

std::string FixedFileInfo() {
    std::string info;
    AppendDword(info, 0xFEEF04BD);  // signature
    AppendDword(info, 0x00010000);  // structure version
    AppendDword(info, 0x00010000);  // file version 1.0.0.0
    AppendDword(info, 0);
    AppendDword(info, 0x00010000);  // product version 1.0.0.0
    AppendDword(info, 0);
    AppendDword(info, 0x3F);  // flags mask
    AppendDword(info, 0);     // flags
    AppendDword(info, 0x4);   // 32-bit Windows
    AppendDword(info, 0x1);   // application
    AppendDword(info, 0);     // subtype
    AppendDword(info, 0);     // date
    AppendDword(info, 0);
    return info;
}

// An executable image stand-in whose only resource is its version data.
std::string ExecutableWithVersion(std::string_view company, std::string_view description) {
    const std::string strings = VersionBlock(
        "040904b0", "", 0, 1,
        {VersionString("CompanyName", company), VersionString("FileDescription", description),
         VersionString("FileVersion", "1.0.0.0"), VersionString("ProductName", description)});
    const std::string translation =
        VersionBlock("Translation", std::string("\x09\x04\xb0\x04", 4), 4, 0);
    const std::string info = FixedFileInfo();
    const std::string resource =
        VersionBlock("VS_VERSION_INFO", info, static_cast<std::uint32_t>(info.size()), 0,
                     {VersionBlock("StringFileInfo", "", 0, 1, {strings}),
                      VersionBlock("VarFileInfo", "", 0, 1, {translation})});
    std::string image = "MZ";
    image.resize(0x200, '\0');
    image += resource;
    return image;
}

// --- Writing ---------------------------------------------------------------

std::string CookieContent(const Cookie& cookie) {
    // The layout of the classic cookie files: name, value, host and path,
    // flags, expiry and creation times, "*" after each cookie.
    std::string out = "id\n5f3e8a1c90d24b67\n";
    out += cookie.host;
    out += "\n1536\n2912348160\n31052713\n1847635200\n30812390\n*\n";
    return out;
}

std::string WindowsPath(std::string_view belowDriveC) {
    std::string out = "C:\\";
    for (char c : belowDriveC) {
        out += c == '/' ? '\\' : c;
    }
    return out;
}

class Writer {
public:
    explicit Writer(std::ostream& err) : err_(err) {}

    bool Folder(const fs::path& path) {
        std::error_code ec;
        fs::create_directories(path, ec);
        if (ec) {
            err_ << "quellon-cli: cannot create " << path << ": " << ec.message() << '\n';
            return false;
        }
        return true;
    }

    bool File(const fs::path& path, std::string_view bytes) {
        if (!Folder(path.parent_path())) {
            return false;
        }
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!file.flush()) {
            err_ << "quellon-cli: cannot write " << path << '\n';
            return false;
        }
        return true;
    }

private:
    std::ostream& err_;
};

// Quoted for a POSIX shell, so that a folder with blanks can be pasted.
std::string ShellQuoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return out + "'";
}

}  // namespace

DemoContent Demo() {
    DemoContent demo;
    for (const PlantedFile& f : kFiles) {
        std::string path(f.path);
        for (char& c : path) {
            c = c == '/' ? '\\' : c;
        }
        demo.files.push_back({path, f.company.empty()
                                        ? WithCrLf(std::string(f.description) + "\n")
                                        : ExecutableWithVersion(f.company, f.description)});
    }
    for (const Cookie& c : kCookies) {
        demo.cookies.push_back({std::string(c.fileName), CookieContent(c)});
    }
    demo.cookies.push_back(
        {"index.dat", std::string("Client UrlCache MMF Ver 5.2") + std::string(37, '\0')});
    demo.registry = WithCrLf(kRegistry);
    demo.processName = std::string(kProcessExe);
    demo.processCompany = "QP AdBar Software";
    // The version data without the image stand-in in front of it.
    demo.processVersionData =
        ExecutableWithVersion(demo.processCompany, "QP AdBar Toolbar service").substr(0x200);
    return demo;
}

int MakeDemo(const fs::path& dir, std::ostream& out, std::ostream& err) {
    std::error_code ec;
    if (fs::exists(dir, ec) && (!fs::is_directory(dir, ec) || !fs::is_empty(dir, ec))) {
        err << "quellon-cli: " << dir << " already exists and is not an empty folder; "
            << "the demo machine needs a new one\n";
        return kExitError;
    }
    Writer write(err);
    const fs::path driveC = dir / "drive_c";
    for (std::string_view folder : kFolders) {
        if (!write.Folder(driveC / folder)) {
            return kExitError;
        }
    }
    if (!write.Folder(dir / "config")) {
        return kExitError;
    }

    out << "Demo machine written to " << dir.string() << ":\n";
    for (const PlantedFile& f : kFiles) {
        const std::string bytes = f.company.empty()
                                      ? WithCrLf(std::string(f.description) + "\n")
                                      : ExecutableWithVersion(f.company, f.description);
        if (!write.File(driveC / f.path, bytes)) {
            return kExitError;
        }
        out << "  file    " << WindowsPath(f.path);
        if (!f.company.empty()) {
            out << "  (company \"" << f.company << "\")";
        }
        out << '\n';
    }
    int blocked = 0;
    for (const Cookie& c : kCookies) {
        if (!write.File(driveC / kCookieFolder / c.fileName, CookieContent(c))) {
            return kExitError;
        }
        blocked += c.blocked ? 1 : 0;
    }
    // The cache index lives among the cookies and belongs to no site.
    if (!write.File(driveC / kCookieFolder / "index.dat",
                    std::string("Client UrlCache MMF Ver 5.2") + std::string(37, '\0'))) {
        return kExitError;
    }
    out << "  cookies " << WindowsPath(kCookieFolder) << ": " << std::size(kCookies) + 1
        << " files, " << blocked << " from blocked sites\n";

    const fs::path script = dir / kProcessScriptName;
    if (!write.File(dir / "registry.reg", WithCrLf(kRegistry)) ||
        !write.File(dir / "machine.ini", WithCrLf(kMachineIni)) ||
        !write.File(script, kProcessScript)) {
        return kExitError;
    }
    fs::permissions(script, fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec,
                    fs::perm_options::add, ec);
    if (ec) {
        err << "quellon-cli: cannot make " << script << " executable: " << ec.message() << '\n';
        return kExitError;
    }
    out << "  registry.reg, machine.ini, config/\n"
        << "  " << kProcessScriptName << " starts a program named " << kProcessExe
        << " for the memory scan\n"
        << "\nTo scan it:\n"
        << "  " << ShellQuoted(script.string()) << '\n'
        << "  quellon-cli --machine " << ShellQuoted(dir.string()) << " --config "
        << ShellQuoted((dir / "config").string()) << " scan\n";
    return kExitOk;
}

}  // namespace quellon::cli
