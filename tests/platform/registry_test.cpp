// The registry file: parsing regedit exports, changes and write-back.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "common/ansi.h"
#include "platform/registry.h"
#include "support/test_machine.h"

namespace quellon::formats {
// Found by argument lookup for the values compared below.
static bool operator==(const RegValue& a, const RegValue& b) {
    return a.type == b.type && a.data == b.data;
}
static void PrintTo(const RegValue& v, std::ostream* os) {
    *os << "type " << static_cast<std::uint32_t>(v.type) << " data \"";
    for (char c : v.data) {
        auto b = static_cast<unsigned char>(c);
        if (b >= 0x20 && b < 0x7F) {
            *os << c;
        } else {
            *os << "\\x" << std::hex << static_cast<int>(b) << std::dec;
        }
    }
    *os << '"';
}
}  // namespace quellon::formats

namespace quellon::posix {
namespace {

using platform::kHkeyCurrentUser;
using platform::kHkeyLocalMachine;
using platform::RegType;
using platform::RegValue;
using testing::ReadBytes;
using testing::TestMachine;

constexpr std::uint32_t kAccess = platform::kKeyAllAccessMask63;

RegValue Str(std::string_view s) {
    return {RegType::kString, std::string(s) + '\0'};
}

// The value, or a kNone value when the key or value is missing.
RegValue Query(platform::Registry& reg, platform::Hive hive, std::string_view key,
               std::string_view name) {
    platform::RegKey k = reg.OpenKey(hive, key, kAccess);
    if (k == 0) {
        return {};
    }
    std::optional<RegValue> v = reg.QueryValue(k, name);
    reg.CloseKey(k);
    return v ? *v : RegValue{};
}

bool Exists(platform::Registry& reg, platform::Hive hive, std::string_view key) {
    platform::RegKey k = reg.OpenKey(hive, key, kAccess);
    reg.CloseKey(k);
    return k != 0;
}

constexpr std::string_view kExport =
    "Windows Registry Editor Version 5.00\r\n"
    "\r\n"
    "; exported for a test\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Bad Corp\\Toolbar]\r\n"
    "@=\"default text\"\r\n"
    "\"Path\"=\"C:\\\\Program Files\\\\Bad \\\"Corp\\\"\\\\\"\r\n"
    "\"Count\"=dword:0000000a\r\n"
    "\"Blob\"=hex:00,01,\\\r\n"
    "  ff,10\r\n"
    "\"Expand\"=hex(2):25,00,41,00,25,00,00,00\r\n"
    "\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
    "\"Big\"=hex(b):01,00,00,00,00,00,00,00\r\n"
    "\"Gone\"=\"soon\"\r\n"
    "\"Gone\"=-\r\n"
    "\"Broken\"=dword:xyz\r\n"
    "this line is not understood\r\n"
    "\"Unclosed=\"x\"\r\n"
    "\"After\"=\"still loaded\"\r\n"
    "\r\n"
    "[HKEY_CURRENT_USER\\Software\\Deep\\A\\B\\C]\r\n"
    "\"x\"=\"1\"\r\n"
    "\r\n"
    "[HKEY_CURRENT_USER\\Software\\Doomed\\Child]\r\n"
    "[-HKEY_CURRENT_USER\\Software\\Doomed]\r\n"
    "\"orphan\"=\"dropped\"\r\n"
    "[HKEY_NOWHERE\\Key]\r\n"
    "\"lost\"=\"x\"\r\n"
    "[HKCU\\Short]\r\n";

void CheckExport(platform::Registry& reg) {
    const char* toolbar = "\\software\\BAD CORP\\toolbar";
    EXPECT_EQ(Query(reg, kHkeyLocalMachine, toolbar, ""), Str("default text"));
    EXPECT_EQ(Query(reg, kHkeyLocalMachine, toolbar, "path"),
              Str("C:\\Program Files\\Bad \"Corp\"\\"));
    EXPECT_EQ(Query(reg, kHkeyLocalMachine, toolbar, "Count"),
              (RegValue{RegType::kDword, std::string("\x0a\0\0\0", 4)}));
    EXPECT_EQ(Query(reg, kHkeyLocalMachine, toolbar, "Blob"),
              (RegValue{RegType::kBinary, std::string("\x00\x01\xff\x10", 4)}));
    EXPECT_EQ(Query(reg, kHkeyLocalMachine, toolbar, "Expand"),
              (RegValue{RegType::kExpandString, std::string("%A%\0", 4)}));
    EXPECT_EQ(Query(reg, kHkeyLocalMachine, toolbar, "Multi"),
              (RegValue{RegType::kMultiString, std::string("a\0b\0\0", 5)}));
    EXPECT_EQ(Query(reg, kHkeyLocalMachine, toolbar, "Big"),
              (RegValue{RegType::kQword, std::string("\x01\0\0\0\0\0\0\0", 8)}));
    EXPECT_EQ(Query(reg, kHkeyLocalMachine, toolbar, "Gone").type, RegType::kNone);
    EXPECT_EQ(Query(reg, kHkeyLocalMachine, toolbar, "Broken").type, RegType::kNone);
    EXPECT_EQ(Query(reg, kHkeyLocalMachine, toolbar, "After"), Str("still loaded"));
    EXPECT_TRUE(Exists(reg, kHkeyCurrentUser, "Software\\Deep\\A"));
    EXPECT_TRUE(Exists(reg, kHkeyCurrentUser, "Software\\Deep\\A\\B\\C"));
    EXPECT_FALSE(Exists(reg, kHkeyCurrentUser, "Software\\Deep\\A\\B\\C\\D"));
    EXPECT_FALSE(Exists(reg, kHkeyCurrentUser, "Software\\Doomed"));
    EXPECT_TRUE(Exists(reg, kHkeyCurrentUser, "Short"));
    EXPECT_TRUE(Exists(reg, kHkeyCurrentUser, ""));
    EXPECT_FALSE(Exists(reg, 0, ""));
    EXPECT_FALSE(Exists(reg, 0x80000010u, ""));
}

TEST(RegistryTest, ReadsAnsiExports) {
    TestMachine m;
    m.WriteRegistry(kExport);
    CheckExport(m.Platform().registry);
}

TEST(RegistryTest, ReadsUtf16ExportsAndWritesThemBackAsUtf16) {
    TestMachine m;
    m.WriteRegistry("\xFF\xFE" +
                    ansi::ToUtf16Le(std::string(kExport) +
                                    "[HKEY_CURRENT_USER\\Caf\xE9]\r\n\"n\xE9\"=\"\xE9t\xE9\"\r\n"));
    platform::Registry& reg = m.Platform().registry;
    CheckExport(reg);
    EXPECT_EQ(Query(reg, kHkeyCurrentUser, "CAF\xC9", "N\xC9"), Str("\xE9t\xE9"));
    platform::RegKey k = reg.CreateKey(kHkeyCurrentUser, "New");
    ASSERT_NE(k, 0u);
    EXPECT_TRUE(reg.SetValue(k, "v", Str("1")));
    reg.CloseKey(k);
    std::string written = ReadBytes(m.Root() / "registry.reg");
    ASSERT_GE(written.size(), 2u);
    EXPECT_EQ(written.substr(0, 2), "\xFF\xFE");
    EXPECT_NE(ansi::FromUtf16Le(written.substr(2)).find("[HKEY_CURRENT_USER\\Caf\xE9]\r\n"),
              std::string::npos);
    TestMachine again;
    again.WriteRegistry(written);
    CheckExport(again.Platform().registry);
    EXPECT_EQ(Query(again.Platform().registry, kHkeyCurrentUser, "new", "V"), Str("1"));
}

TEST(RegistryTest, AcceptsRegedit4) {
    TestMachine m;
    m.WriteRegistry("REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Old]\n\"e\"=hex(2):25,41,25,00\n");
    EXPECT_EQ(Query(m.Platform().registry, kHkeyLocalMachine, "Software\\Old", "e"),
              (RegValue{RegType::kExpandString, std::string("%A%\0", 4)}));
}

TEST(RegistryTest, ChangesAreWrittenBackAndReadAgain) {
    TestMachine m;
    m.WriteRegistry(kExport);
    platform::Registry& reg = m.Platform().registry;
    platform::RegKey run =
        reg.CreateKey(kHkeyLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Run");
    ASSERT_NE(run, 0u);
    EXPECT_TRUE(reg.SetValue(run, "Bad \"One\"", Str("C:\\bad.exe /q")));
    EXPECT_TRUE(reg.SetValue(run, "", Str("")));
    EXPECT_TRUE(reg.SetValue(run, "dw", {RegType::kDword, std::string("\x78\x56\x34\x12", 4)}));
    EXPECT_TRUE(reg.SetValue(run, "odd", {RegType::kString, std::string("no end\r\nnul")}));
    EXPECT_TRUE(reg.SetValue(run, "raw", {static_cast<RegType>(0x2a), std::string("\x01", 1)}));
    EXPECT_TRUE(reg.SetValue(run, "BAD \"ONE\"", Str("replaced")));
    reg.CloseKey(run);
    EXPECT_TRUE(reg.DeleteKeyTree(kHkeyCurrentUser, "SOFTWARE\\deep"));
    EXPECT_FALSE(reg.DeleteKeyTree(kHkeyCurrentUser, "Software\\Deep"));
    EXPECT_FALSE(reg.DeleteKeyTree(kHkeyCurrentUser, ""));
    platform::RegKey toolbar = reg.OpenKey(kHkeyLocalMachine, "Software\\Bad Corp\\Toolbar", 63);
    EXPECT_TRUE(reg.DeleteValue(toolbar, "COUNT"));
    EXPECT_FALSE(reg.DeleteValue(toolbar, "Count"));
    // A handle into a deleted tree opens nothing any more.
    EXPECT_TRUE(reg.DeleteKeyTree(kHkeyLocalMachine, "Software\\Bad Corp"));
    EXPECT_EQ(reg.QueryValue(toolbar, ""), std::nullopt);
    EXPECT_FALSE(reg.SetValue(toolbar, "x", Str("x")));
    reg.CloseKey(toolbar);

    std::string written = ReadBytes(m.Root() / "registry.reg");
    EXPECT_EQ(written.substr(0, 40), "Windows Registry Editor Version 5.00\r\n\r\n");
    EXPECT_NE(written.find("\"Bad \\\"One\\\"\"=\"replaced\"\r\n"), std::string::npos);
    EXPECT_NE(written.find("\"dw\"=dword:12345678\r\n"), std::string::npos);
    EXPECT_NE(written.find("\"raw\"=hex(2a):01\r\n"), std::string::npos);

    TestMachine again;
    again.WriteRegistry(written);
    platform::Registry& reg2 = again.Platform().registry;
    const char* runKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    EXPECT_EQ(Query(reg2, kHkeyLocalMachine, runKey, "bad \"one\""), Str("replaced"));
    EXPECT_EQ(Query(reg2, kHkeyLocalMachine, runKey, ""), Str(""));
    EXPECT_EQ(Query(reg2, kHkeyLocalMachine, runKey, "dw"),
              (RegValue{RegType::kDword, std::string("\x78\x56\x34\x12", 4)}));
    EXPECT_EQ(Query(reg2, kHkeyLocalMachine, runKey, "odd"),
              (RegValue{RegType::kString, std::string("no end\r\nnul")}));
    EXPECT_EQ(Query(reg2, kHkeyLocalMachine, runKey, "raw"),
              (RegValue{static_cast<RegType>(0x2a), std::string("\x01", 1)}));
    EXPECT_FALSE(Exists(reg2, kHkeyCurrentUser, "Software\\Deep"));
    EXPECT_TRUE(Exists(reg2, kHkeyCurrentUser, "Software"));
    EXPECT_FALSE(Exists(reg2, kHkeyLocalMachine, "Software\\Bad Corp"));
}

TEST(RegistryTest, NewRegistryIsCreatedOnFirstChangeOnly) {
    TestMachine m;
    platform::Registry& reg = m.Platform().registry;
    EXPECT_EQ(reg.OpenKey(kHkeyLocalMachine, "Software", kAccess), 0u);
    EXPECT_FALSE(std::filesystem::exists(m.Root() / "registry.reg"));
    platform::RegKey k = reg.CreateKey(kHkeyLocalMachine, "Software\\X");
    ASSERT_NE(k, 0u);
    reg.CloseKey(k);
    EXPECT_EQ(ReadBytes(m.Root() / "registry.reg"),
              "Windows Registry Editor Version 5.00\r\n\r\n"
              "[HKEY_LOCAL_MACHINE\\Software]\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\X]\r\n\r\n");
}

TEST(RegistryTest, HiveNames) {
    EXPECT_EQ(platform::HiveName(platform::kHkeyLocalMachine), "HKEY_LOCAL_MACHINE");
    EXPECT_EQ(platform::HiveName(platform::kHkeyDynData), "HKEY_DYN_DATA");
    EXPECT_EQ(platform::HiveName(0), "");
    EXPECT_EQ(platform::HiveFromName("hkey_current_config"), platform::kHkeyCurrentConfig);
    EXPECT_EQ(platform::HiveFromName("HKU"), platform::kHkeyUsers);
    EXPECT_EQ(platform::HiveFromName("hkcr"), platform::kHkeyClassesRoot);
    EXPECT_EQ(platform::HiveFromName("HKEY_LOCAL"), std::nullopt);
    EXPECT_EQ(platform::HiveFromName(""), std::nullopt);
}

TEST(RegistryTest, LargeFilesLoadQuickly) {
    TestMachine m;
    std::string file = "Windows Registry Editor Version 5.00\r\n\r\n";
    for (int i = 0; i < 100000; ++i) {
        file += "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID\\{" + std::to_string(i) +
                "}\\InprocServer32]\r\n@=\"C:\\\\WINDOWS\\\\system32\\\\x" + std::to_string(i) +
                ".dll\"\r\n\"ThreadingModel\"=\"Apartment\"\r\n\r\n";
    }
    m.WriteRegistry(file);
    auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(Exists(m.Platform().registry, kHkeyLocalMachine,
                       "software\\classes\\clsid\\{99999}\\inprocserver32"));
    for (int i = 0; i < 100000; i += 7) {
        ASSERT_TRUE(Exists(m.Platform().registry, kHkeyLocalMachine,
                           "SOFTWARE\\Classes\\CLSID\\{" + std::to_string(i) + "}"));
    }
    auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start);
    EXPECT_LT(seconds.count(), 10.0);
}

}  // namespace
}  // namespace quellon::posix
