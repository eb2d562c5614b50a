// A main window over a temporary machine, with helpers for removal runs.
#pragma once

#include "support/form_fixture.h"
#include "support/quarantine_log.h"

namespace quellon::testing {

class RemovalTest : public FormTest {
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
};

}  // namespace quellon::testing
