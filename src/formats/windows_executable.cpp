#include "formats/windows_executable.h"

#include <initializer_list>
#include <map>
#include <vector>

namespace quellon::formats::winexe {

namespace {

constexpr std::uint32_t kSectionRva = 0x1000;
constexpr std::uint32_t kFileAlignment = 0x200;
constexpr std::uint32_t kSectionAlignment = 0x1000;
constexpr std::uint64_t kImageBase = 0x140000000ULL;

std::uint32_t AlignUp(std::uint32_t v, std::uint32_t a) {
    return (v + a - 1) / a * a;
}

// Writes the low `bytes` bytes of v (at most 8), little-endian.
void Put(std::string& s, size_t at, std::uint64_t v, int bytes) {
    for (int i = 0; i < bytes && i < 8; ++i) {
        s[at + static_cast<size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
    }
}

void Zeros(std::string& s, size_t n) {
    s.append(n, '\0');
}

// One section holding code, data and the import tables, assembled by hand:
// instructions that reach data or imported functions RIP-relative name a
// symbol, resolved when the image is built.
class Image {
public:
    void Bytes(std::initializer_list<std::uint8_t> bytes) {
        for (std::uint8_t b : bytes) {
            section_ += static_cast<char>(b);
        }
    }
    // An instruction ending in a 32-bit displacement relative to its end.
    void RipRelative(std::initializer_list<std::uint8_t> opcode, std::string symbol) {
        Bytes(opcode);
        fixups_.push_back({section_.size(), std::move(symbol)});
        Zeros(section_, 4);
    }
    // call [imported function]
    void Call(const std::string& function) { RipRelative({0xFF, 0x15}, "imp:" + function); }
    void Label(const std::string& name) { symbols_[name] = section_.size(); }
    // A name for a place inside another symbol's data.
    void Alias(const std::string& name, const std::string& of, size_t offset) {
        symbols_[name] = symbols_.at(of) + offset;
    }
    void Data(const std::string& name, std::string_view bytes) {
        Align(8);
        Label(name);
        section_ += bytes;
    }
    void Import(std::string dll, std::vector<std::string> functions) {
        imports_.push_back({std::move(dll), std::move(functions)});
    }

    std::string Build(std::string_view extra) {
        LayImports();
        for (const Fixup& f : fixups_) {
            const auto target = static_cast<std::int64_t>(symbols_.at(f.symbol));
            Put(section_, f.at,
                static_cast<std::uint64_t>(target - static_cast<std::int64_t>(f.at + 4)), 4);
        }
        const auto virtualSize = static_cast<std::uint32_t>(section_.size());
        const std::uint32_t rawSize = AlignUp(virtualSize, kFileAlignment);
        std::string file(kFileAlignment, '\0');
        // DOS header: "MZ" and where the PE header starts.
        file[0] = 'M';
        file[1] = 'Z';
        Put(file, 0x3C, 0x40, 4);
        size_t at = 0x40;
        file.replace(at, 4, std::string("PE\0\0", 4));
        at += 4;
        // File header.
        Put(file, at, 0x8664, 2);       // x86-64
        Put(file, at + 2, 1, 2);        // one section
        Put(file, at + 16, 0xF0, 2);    // size of the optional header
        Put(file, at + 18, 0x0023, 2);  // relocations stripped, executable, large addresses
        at += 20;
        // Optional header (PE32+).
        const size_t opt = at;
        Put(file, opt, 0x20B, 2);
        Put(file, opt + 4, rawSize, 4);       // size of code
        Put(file, opt + 16, kSectionRva, 4);  // entry point: the start of the section
        Put(file, opt + 20, kSectionRva, 4);  // base of code
        Put(file, opt + 24, kImageBase, 8);
        Put(file, opt + 32, kSectionAlignment, 4);
        Put(file, opt + 36, kFileAlignment, 4);
        Put(file, opt + 40, 6, 2);  // operating system 6.0
        Put(file, opt + 48, 6, 2);  // subsystem 6.0
        Put(file, opt + 56, kSectionRva + AlignUp(virtualSize, kSectionAlignment), 4);
        Put(file, opt + 60, kFileAlignment, 4);  // size of the headers
        Put(file, opt + 68, 3, 2);               // console subsystem
        Put(file, opt + 72, 0x100000, 8);        // stack reserve
        Put(file, opt + 80, 0x1000, 8);          // stack commit
        Put(file, opt + 88, 0x100000, 8);        // heap reserve
        Put(file, opt + 96, 0x1000, 8);          // heap commit
        Put(file, opt + 108, 16, 4);             // data directories
        Put(file, opt + 112 + 8 * 1, kSectionRva + importDirectory_, 4);
        Put(file, opt + 112 + 8 * 1 + 4, importDirectorySize_, 4);
        Put(file, opt + 112 + 8 * 12, kSectionRva + iat_, 4);
        Put(file, opt + 112 + 8 * 12 + 4, iatSize_, 4);
        at = opt + 0xF0;
        // The section.
        file.replace(at, 5, ".text");
        Put(file, at + 8, virtualSize, 4);
        Put(file, at + 12, kSectionRva, 4);
        Put(file, at + 16, rawSize, 4);
        Put(file, at + 20, kFileAlignment, 4);  // where its bytes start in the file
        Put(file, at + 36, 0xE0000060, 4);      // code, data; read, write, execute
        std::string body = section_;
        body.resize(rawSize, '\0');
        return file + body + std::string(extra);
    }

private:
    void Align(size_t n) { section_.resize((section_.size() + n - 1) / n * n, '\0'); }

    void LayImports() {
        Align(8);
        importDirectory_ = static_cast<std::uint32_t>(section_.size());
        importDirectorySize_ = static_cast<std::uint32_t>((imports_.size() + 1) * 20);
        Zeros(section_, importDirectorySize_);
        struct Thunks {
            size_t lookup, address;
        };
        std::vector<Thunks> thunks;
        for (const auto& imp : imports_) {
            Align(8);
            const size_t lookup = section_.size();
            Zeros(section_, (imp.functions.size() + 1) * 8);
            thunks.push_back({lookup, 0});
        }
        Align(8);
        iat_ = static_cast<std::uint32_t>(section_.size());
        for (size_t i = 0; i < imports_.size(); ++i) {
            thunks[i].address = section_.size();
            for (size_t f = 0; f < imports_[i].functions.size(); ++f) {
                symbols_["imp:" + imports_[i].functions[f]] = section_.size() + 8 * f;
            }
            Zeros(section_, (imports_[i].functions.size() + 1) * 8);
        }
        iatSize_ = static_cast<std::uint32_t>(section_.size()) - iat_;
        for (size_t i = 0; i < imports_.size(); ++i) {
            const auto& imp = imports_[i];
            for (size_t f = 0; f < imp.functions.size(); ++f) {
                Align(2);
                const auto hintName = kSectionRva + static_cast<std::uint32_t>(section_.size());
                Zeros(section_, 2);  // hint
                section_ += imp.functions[f];
                section_ += '\0';
                Put(section_, thunks[i].lookup + 8 * f, hintName, 8);
                Put(section_, thunks[i].address + 8 * f, hintName, 8);
            }
            const auto name = kSectionRva + static_cast<std::uint32_t>(section_.size());
            section_ += imp.dll;
            section_ += '\0';
            const size_t d = importDirectory_ + 20 * i;
            Put(section_, d, kSectionRva + thunks[i].lookup, 4);
            Put(section_, d + 12, name, 4);
            Put(section_, d + 16, kSectionRva + thunks[i].address, 4);
        }
    }

    struct Fixup {
        size_t at;
        std::string symbol;
    };
    struct Dll {
        std::string dll;
        std::vector<std::string> functions;
    };
    std::string section_;
    std::map<std::string, size_t> symbols_;
    std::vector<Fixup> fixups_;
    std::vector<Dll> imports_;
    std::uint32_t importDirectory_ = 0, importDirectorySize_ = 0, iat_ = 0, iatSize_ = 0;
};

// mov rcx, <a predefined registry key> (the handle, sign-extended to 64 bits)
void LoadHive(Image& image, std::uint8_t low) {
    image.Bytes({0x48, 0xC7, 0xC1, low, 0x00, 0x00, 0x80});
}

// RegSaveKeyA(rcx, file, NULL)
void SaveKey(Image& image, const std::string& file) {
    image.RipRelative({0x48, 0x8D, 0x15}, file);  // lea rdx, [file]
    image.Bytes({0x45, 0x31, 0xC0});              // xor r8d, r8d
    image.Call("RegSaveKeyA");
}

}  // namespace

std::string RegistrySaveProgram() {
    Image image;
    image.Bytes({0x48, 0x83, 0xEC, 0x38});  // sub rsp, 0x38: shadow space, two arguments, alignment
    // OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token)
    image.Bytes({0x48, 0xC7, 0xC1, 0xFF, 0xFF, 0xFF, 0xFF});  // mov rcx, -1
    image.Bytes({0xBA, 0x20, 0x00, 0x00, 0x00});              // mov edx, 0x20
    image.RipRelative({0x4C, 0x8D, 0x05}, "token");           // lea r8, [token]
    image.Call("OpenProcessToken");
    // LookupPrivilegeValueA(NULL, "SeBackupPrivilege", &privileges.Luid)
    image.Bytes({0x31, 0xC9});                               // xor ecx, ecx
    image.RipRelative({0x48, 0x8D, 0x15}, "privilegeName");  // lea rdx, [name]
    image.RipRelative({0x4C, 0x8D, 0x05}, "privilegeLuid");  // lea r8, [luid]
    image.Call("LookupPrivilegeValueA");
    // AdjustTokenPrivileges(token, FALSE, &privileges, 0, NULL, NULL)
    image.RipRelative({0x48, 0x8B, 0x0D}, "token");           // mov rcx, [token]
    image.Bytes({0x31, 0xD2});                                // xor edx, edx
    image.RipRelative({0x4C, 0x8D, 0x05}, "privileges");      // lea r8, [privileges]
    image.Bytes({0x45, 0x31, 0xC9});                          // xor r9d, r9d
    image.Bytes({0x48, 0xC7, 0x44, 0x24, 0x20, 0, 0, 0, 0});  // mov qword [rsp+0x20], 0
    image.Bytes({0x48, 0xC7, 0x44, 0x24, 0x28, 0, 0, 0, 0});  // mov qword [rsp+0x28], 0
    image.Call("AdjustTokenPrivileges");
    LoadHive(image, 0x02);  // HKEY_LOCAL_MACHINE
    SaveKey(image, "fileMachine");
    LoadHive(image, 0x01);  // HKEY_CURRENT_USER
    SaveKey(image, "fileUser");
    // RegOpenKeyExA(HKEY_USERS, ".Default", 0, KEY_READ, &key)
    LoadHive(image, 0x03);
    image.RipRelative({0x48, 0x8D, 0x15}, "dotDefault");  // lea rdx, [".Default"]
    image.Bytes({0x45, 0x31, 0xC0});                      // xor r8d, r8d
    image.Bytes({0x41, 0xB9, 0x19, 0x00, 0x02, 0x00});    // mov r9d, KEY_READ
    image.RipRelative({0x48, 0x8D, 0x05}, "key");         // lea rax, [key]
    image.Bytes({0x48, 0x89, 0x44, 0x24, 0x20});          // mov [rsp+0x20], rax
    image.Call("RegOpenKeyExA");
    image.RipRelative({0x48, 0x8B, 0x0D}, "key");  // mov rcx, [key] (0 when not opened)
    SaveKey(image, "fileDefault");
    image.Bytes({0x31, 0xC9});  // ExitProcess(0)
    image.Call("ExitProcess");

    image.Data("token", std::string(8, '\0'));
    image.Data("key", std::string(8, '\0'));
    // TOKEN_PRIVILEGES: one privilege, its LUID filled in by the look-up, enabled.
    std::string privileges(16, '\0');
    Put(privileges, 0, 1, 4);
    Put(privileges, 12, 2, 4);
    image.Data("privileges", privileges);
    image.Alias("privilegeLuid", "privileges", 4);
    image.Data("privilegeName", std::string("SeBackupPrivilege", 18));
    image.Data("fileMachine", std::string("machine", 8));
    image.Data("fileUser", std::string("user", 5));
    image.Data("fileDefault", std::string("userdef", 8));
    image.Data("dotDefault", std::string(".Default", 9));
    image.Import("KERNEL32.dll", {"ExitProcess"});
    image.Import("ADVAPI32.dll", {"OpenProcessToken", "LookupPrivilegeValueA",
                                  "AdjustTokenPrivileges", "RegSaveKeyA", "RegOpenKeyExA"});
    return image.Build({});
}

std::string SleepingProgram(std::uint32_t seconds, std::string_view extra) {
    const std::uint32_t ms = seconds >= 0xFFFFFFFFu / 1000 ? 0xFFFFFFFFu : seconds * 1000;
    Image image;
    image.Bytes({0x48, 0x83, 0xEC, 0x28});  // sub rsp, 0x28
    image.Bytes({0xB9, static_cast<std::uint8_t>(ms & 0xFF),
                 static_cast<std::uint8_t>((ms >> 8) & 0xFF),
                 static_cast<std::uint8_t>((ms >> 16) & 0xFF),
                 static_cast<std::uint8_t>(ms >> 24)});  // mov ecx, ms
    image.Call("Sleep");
    image.Bytes({0x31, 0xC9});  // ExitProcess(0)
    image.Call("ExitProcess");
    image.Import("KERNEL32.dll", {"Sleep", "ExitProcess"});
    return image.Build(extra);
}

}  // namespace quellon::formats::winexe
