// regedit's text files: what a hand-written or exported file holds, what is
// skipped, and that a written file reads back as the registry it came from.
#include "formats/reg_file.h"

#include <gtest/gtest.h>

#include <string>

#include "common/ansi.h"

namespace quellon::formats::reg {
namespace {

std::string Data(const File& file, Hive hive, std::string_view path, std::string_view name) {
    const Key* key = const_cast<Tree&>(file.tree).Find(hive, path);
    if (key == nullptr) {
        return "<no key>";
    }
    const RegValue* value = key->FindValue(name);
    return value == nullptr ? "<no value>" : value->data;
}

File Read(std::string_view bytes) {
    File file;
    Parse(bytes, file);
    return file;
}

TEST(RegFile, ValuesOfEveryKindAreReadAsTheRegistryHoldsThem) {
    const File file = Read(
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Acme]\r\n"
        "@=\"default\"\r\n"
        "\"Quoted\"=\"a \\\"b\\\" c:\\\\d\"\r\n"
        "\"Count\"=dword:0000002a\r\n"
        "\"Bytes\"=hex:01,ff,\\\r\n"
        "  00\r\n"
        "\"Expand\"=hex(2):25,00,41,00,25,00,00,00\r\n"
        "\"Odd type\"=hex(100):aa\r\n");
    EXPECT_FALSE(file.utf16);
    EXPECT_FALSE(file.regedit4);
    EXPECT_EQ(Data(file, kHkeyLocalMachine, "software\\ACME", ""), std::string("default\0", 8));
    EXPECT_EQ(Data(file, kHkeyLocalMachine, "Software\\Acme", "quoted"),
              std::string("a \"b\" c:\\d\0", 11));
    EXPECT_EQ(Data(file, kHkeyLocalMachine, "Software\\Acme", "Count"),
              std::string("\x2a\0\0\0", 4));
    EXPECT_EQ(Data(file, kHkeyLocalMachine, "Software\\Acme", "Bytes"),
              std::string("\x01\xff\x00", 3));
    // Text kinds in hex are UTF-16 in version 5 files; the program sees ANSI.
    EXPECT_EQ(Data(file, kHkeyLocalMachine, "Software\\Acme", "Expand"), std::string("%A%\0", 4));
    const Key* acme = file.tree.Hives()[2].root->Child("Software")->Child("Acme");
    ASSERT_NE(acme, nullptr);
    EXPECT_EQ(static_cast<std::uint32_t>(acme->FindValue("Odd type")->type), 0x100u);
}

TEST(RegFile, WhatCannotBeUnderstoodIsSkippedAndTheRestKept) {
    const File file = Read(
        "REGEDIT4\n"
        "[HKEY_NOWHERE\\Lost]\n"
        "\"InLost\"=\"x\"\n"
        "[HKEY_CURRENT_USER\\Kept\n"
        "\"NoKey\"=\"x\"\n"
        "[HKCU\\Kept]\n"
        "\"Unclosed=\"x\"\n"
        "\"BadDword\"=dword:123456789\n"
        "\"BadHex\"=hex:1,2g\n"
        "\"NoEquals\" \"x\"\n"
        "\"Trailing\"=\"x\" junk\n"
        "\"Good\"=\"yes\"\n");
    EXPECT_TRUE(file.regedit4);
    EXPECT_EQ(Data(file, kHkeyCurrentUser, "Kept", "Good"), std::string("yes\0", 4));
    for (const char* name : {"Unclosed", "BadDword", "BadHex", "NoEquals", "Trailing", "NoKey"}) {
        EXPECT_EQ(Data(file, kHkeyCurrentUser, "Kept", name), "<no value>") << name;
    }
    EXPECT_EQ(file.tree.Hives()[0].root->Children().size(), 0u);
}

TEST(RegFile, RemovalLinesDeleteKeysAndValuesButNeverAHive) {
    const File file = Read(
        "Windows Registry Editor Version 5.00\r\n"
        "[HKEY_CURRENT_USER\\A\\B]\r\n\"V\"=\"1\"\r\n\"W\"=\"2\"\r\n"
        "[HKEY_CURRENT_USER\\A]\r\n\"W\"=-\r\n"
        "[HKEY_CURRENT_USER\\A\\B]\r\n\"W\"=-\r\n"
        "[-HKEY_LOCAL_MACHINE\\Gone]\r\n"
        "[HKEY_LOCAL_MACHINE\\Gone\\Deep]\r\n"
        "[-HKEY_LOCAL_MACHINE\\Gone]\r\n"
        "[-HKEY_CURRENT_USER]\r\n");
    EXPECT_EQ(Data(file, kHkeyCurrentUser, "A\\B", "V"), std::string("1\0", 2));
    EXPECT_EQ(Data(file, kHkeyCurrentUser, "A\\B", "W"), "<no value>");
    EXPECT_EQ(Data(file, kHkeyLocalMachine, "Gone", ""), "<no key>");
}

TEST(RegFile, WrittenFilesReadBackAsTheSameRegistryInTheirOwnEncoding) {
    const std::string text =
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_CURRENT_USER\\Software\\Caf\xe9]\r\n"
        "\"Name \\\"q\\\"\"=\"line\\\\path \xe9\"\r\n"
        "\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
        "\"Crlf\"=hex(1):61,00,0d,00,0a,00,00,00\r\n"
        "\"N\"=dword:ffffffff\r\n\r\n";
    for (bool utf16 : {false, true}) {
        const std::string bytes = utf16 ? "\xFF\xFE" + ansi::ToUtf16Le(text) : text;
        const File first = Read(bytes);
        EXPECT_EQ(first.utf16, utf16);
        EXPECT_EQ(Data(first, kHkeyCurrentUser, "Software\\Caf\xe9", "Name \"q\""),
                  std::string("line\\path \xe9\0", 12));
        // A text with a line break cannot stand quoted on one line.
        EXPECT_EQ(Data(first, kHkeyCurrentUser, "Software\\Caf\xe9", "Crlf"),
                  std::string("a\r\n\0", 4));
        const std::string written = Write(first);
        const File second = Read(written);
        EXPECT_EQ(second.utf16, utf16);
        EXPECT_EQ(Write(second), written);
        for (const char* name : {"Name \"q\"", "Multi", "Crlf", "N"}) {
            EXPECT_EQ(Data(second, kHkeyCurrentUser, "Software\\Caf\xe9", name),
                      Data(first, kHkeyCurrentUser, "Software\\Caf\xe9", name))
                << name;
        }
    }
}

}  // namespace
}  // namespace quellon::formats::reg
