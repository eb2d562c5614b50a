// A main window over a temporary machine, with helpers for removal runs.
#pragma once

#include "../scan/scan_fixture.h"

namespace quellon::testing {

class RemovalTest : public ScanTest {
protected:
    void SetUp() override { host.SetNow(DateTime{2026, 12, 7, 10, 35, 12}); }

    // "Select All" and "Delete", answering Yes to the question.
    void RemoveAll() {
        Form().cmdSelectAll.Click();
        host.ExpectMsgBox("Are you sure you want to delete the selected files?",
                          ui::MsgResult::kYes);
        Form().Command4.Click();
    }

    std::filesystem::path QuarantinePath(std::string_view name = {}) {
        auto folder = machine.Home() / "quarantine";
        return name.empty() ? folder : folder / std::string(name);
    }
    std::string Log() { return ReadBytes(QuarantinePath("QuarantineLog.txt")); }
    std::string Read(std::string_view windowsPath) {
        return machine.Platform().files.ReadAll(windowsPath).value_or("");
    }
    bool Exists(std::string_view windowsPath) {
        return machine.Platform().files.LookupFile(windowsPath).has_value();
    }
    static std::string FileEntry(std::string_view name, std::string_view location) {
        return "12/7/2026 10:35:12 AM - File: " + std::string(name) +
               "\r\nLocation: " + std::string(location) + "\r\n\r\n\r\n";
    }
    static std::string KeyEntry(std::string_view key, std::string_view value) {
        return "12/7/2026 10:35:12 AM - Key: " + std::string(key) +
               "\r\nValue: " + std::string(value) + "\r\n\r\n\r\n";
    }
};

}  // namespace quellon::testing
