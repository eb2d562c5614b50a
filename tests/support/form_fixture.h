// The form builder of the tests: a main window over a temporary machine,
// program folder and settings folder, with a scripted host and front-end.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

#include "app/frm_main.h"
#include "definitions/codec.h"
#include "scan/scanners.h"
#include "support/scripted_front_end.h"
#include "support/scripted_host.h"
#include "support/signing.h"
#include "support/test_machine.h"

namespace quellon::testing {

// Encoded definition file text: each plain line scrambled, CR LF after each.
inline std::string Definitions(std::initializer_list<std::string_view> plainLines) {
    std::string out;
    for (auto line : plainLines) {
        out += definitions::EncodeDefinitionLine(line);
        out += "\r\n";
    }
    return out;
}

class FormTest : public ::testing::Test {
protected:
    // One key for every form test of the program.
    static TestSigner& Signer() {
        static TestSigner signer;
        return signer;
    }

    // Writes all four definition files (empty unless given).
    void WriteDefinitions(std::initializer_list<std::string_view> files = {},
                          std::initializer_list<std::string_view> registry = {},
                          std::initializer_list<std::string_view> exes = {},
                          std::initializer_list<std::string_view> cookies = {}) {
        machine.HomeFile("FileDefinition.dat", Definitions(files));
        machine.HomeFile("RegistryDefinition.dat", Definitions(registry));
        machine.HomeFile("ExeDefinition.dat", Definitions(exes));
        machine.HomeFile("BlockedCookies.dat", Definitions(cookies));
    }

    app::FrmMain& Form() {
        if (!form_) {
            app::AppInfo info;
            info.programFolder = machine.HomeWindowsPath();
            // The form trusts the tests' own signing key, as the program
            // trusts the keys in UpdateKeys beside it.
            info.updateKeys = {Signer().Key().publicKey};
            form_ = std::make_unique<app::FrmMain>(info, machine.Platform(), host, frontEnd);
            form_->LoadDefinitions();
            form_->LoadDriveList();
            form_->LoadSettingsIntoForm();
        }
        return *form_;
    }

    // Runs a scan with only the named phases on (the known-file phase always runs).
    void Scan(bool cookies = true, bool memory = true, bool registry = true) {
        auto& s = Form().Settings();
        s.SaveCheck(settings::kOptionAndSettings, settings::keys::kChkScanCookies, cookies);
        s.SaveCheck(settings::kOptionAndSettings, settings::keys::kChkSweepMemory, memory);
        s.SaveCheck(settings::kOptionAndSettings, settings::keys::kChkScanRegistry, registry);
        Form().StartScan();
    }

    std::vector<std::string> Texts(const ui::ListView& list) const {
        std::vector<std::string> out;
        for (const auto& row : list.Items()) {
            out.push_back(row.text);
        }
        return out;
    }
    std::vector<std::string> Texts(const ui::ActionList& list) const {
        std::vector<std::string> out;
        for (size_t i = 0; i < list.Count(); ++i) {
            out.emplace_back(list.Item(i).text);
        }
        return out;
    }
    std::vector<std::string> Texts(const ui::PackedList& list) const {
        std::vector<std::string> out;
        for (size_t i = 0; i < list.Count(); ++i) {
            out.emplace_back(list.Text(i));
        }
        return out;
    }

    // The machine's cookie folder with a trailing backslash.
    std::string CookieFolder() {
        return machine.Platform().shell.SpecialFolder(platform::kCsidlCookies).value_or("") + "\\";
    }

    std::string Stored(std::string_view section, std::string_view key) {
        return Form().Settings().Get(section, key, "<absent>");
    }

    TestMachine machine;
    ScriptedHost host;
    ScriptedFrontEnd frontEnd;

private:
    std::unique_ptr<app::FrmMain> form_;
};

}  // namespace quellon::testing
