// TestMachine on Windows: the machine is the real one. Planted files and
// registry contents go to their real places and are taken away again by the
// destructor; the settings store lives in a registry key of the test's own.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "formats/reg_file.h"
#include "support/test_machine.h"

namespace quellon::testing {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kTestSettingsKey = "Software\\Quellon Pro Tests";

std::string SettingsKeyOf(const TempDir& dir) {
    return std::string(kTestSettingsKey) + "\\" + dir.path().filename().string();
}

// Imports one key of a parsed regedit file and its sub-keys, recording how to
// undo each change: a key that did not exist is deleted with its sub-keys, a
// value of a key that existed gets its old state back.
void ImportKey(platform::Registry& registry, platform::Hive hive, const std::string& path,
               const formats::reg::Key& key, bool insideNewKey,
               std::vector<std::function<void()>>& undo) {
    bool newKey = insideNewKey;
    if (!path.empty() && !insideNewKey) {
        const platform::RegKey existing = registry.OpenKey(hive, path, KEY_READ);
        if (existing == 0) {
            newKey = true;
            undo.push_back([&registry, hive, path] { registry.DeleteKeyTree(hive, path); });
        }
        registry.CloseKey(existing);
    }
    if (!path.empty()) {
        const platform::RegKey handle = registry.CreateKey(hive, path);
        EXPECT_NE(handle, 0u) << "cannot create " << platform::HiveName(hive) << "\\" << path;
        for (const auto& value : key.Values()) {
            if (!newKey) {
                std::optional<platform::RegValue> old = registry.QueryValue(handle, value.name);
                undo.push_back([&registry, hive, path, name = value.name, old] {
                    const platform::RegKey k = registry.CreateKey(hive, path);
                    if (old) {
                        registry.SetValue(k, name, *old);
                    } else {
                        registry.DeleteValue(k, name);
                    }
                    registry.CloseKey(k);
                });
            }
            EXPECT_TRUE(registry.SetValue(handle, value.name, value.value))
                << "cannot set " << path << "\\" << value.name;
        }
        registry.CloseKey(handle);
    }
    for (const formats::reg::Key* child : key.Children()) {
        const std::string childPath = path.empty() ? child->Name() : path + "\\" + child->Name();
        ImportKey(registry, hive, childPath, *child, newKey, undo);
    }
}

}  // namespace

TestMachine::TestMachine()
    : machine_(dir_.path() / "machine"),
      home_(dir_.path() / "home"),
      config_(dir_.path() / "config") {
    fs::create_directories(machine_);
    fs::create_directories(home_);
    fs::create_directories(config_);
}

TestMachine::~TestMachine() {
    for (auto step = undo_.rbegin(); step != undo_.rend(); ++step) {
        (*step)();
    }
    undo_.clear();
    Backend().Platform().registry.DeleteKeyTree(platform::kHkeyCurrentUser, SettingsKeyOf(dir_));
    // The parent key of every test's settings goes when it is empty.
    ::RegDeleteKeyA(HKEY_CURRENT_USER, std::string(kTestSettingsKey).c_str());
    backend_.reset();
}

fs::path TestMachine::PlantFile(std::string_view windowsPath, std::string_view bytes) {
    const fs::path target = win32::PathFromAnsi(windowsPath);
    if (!target.has_root_path() || !target.has_filename()) {
        ADD_FAILURE() << "not a full path: " << windowsPath;
        return {};
    }
    // The folders that are missing, from the top, are created and removed again.
    std::vector<fs::path> missing;
    for (fs::path p = target.parent_path(); !p.empty() && p != p.root_path(); p = p.parent_path()) {
        std::error_code ec;
        if (fs::is_directory(p, ec)) {
            break;
        }
        missing.push_back(p);
    }
    std::reverse(missing.begin(), missing.end());
    for (const fs::path& folder : missing) {
        std::error_code ec;
        fs::create_directory(folder, ec);
        undo_.push_back([folder] {
            std::error_code ignored;
            fs::remove(folder, ignored);  // only when it is empty
        });
    }
    std::error_code ec;
    if (fs::exists(target, ec)) {
        undo_.push_back([target, old = ReadBytes(target)] { WriteBytes(target, old); });
    } else {
        undo_.push_back([target] {
            std::error_code ignored;
            fs::remove(target, ignored);
        });
    }
    WriteBytes(target, bytes);
    return target;
}

fs::path TestMachine::PlantLinuxFile(std::string_view relative, std::string_view) {
    ADD_FAILURE() << "Windows has no machine root to plant " << relative
                  << " in: the test is one for Linux only";
    return {};
}

void TestMachine::WriteRegistry(std::string_view text) {
    formats::reg::File file;
    formats::reg::Parse(text, file);
    platform::Registry& registry = Backend().Platform().registry;
    for (const auto& hive : file.tree.Hives()) {
        ImportKey(registry, hive.hive, "", *hive.root, false, undo_);
    }
}

void TestMachine::WriteMachineIni(std::string_view) {
    ADD_FAILURE() << "Windows reports its own folders, version and drives: "
                     "the test is one for Linux only";
}

fs::path TestMachine::ProgramsFolder() const {
    return dir_.path() / "programs";
}

win32::Backend& TestMachine::Backend() {
    if (!backend_) {
        backend_ = std::make_unique<win32::Backend>(SettingsKeyOf(dir_));
    }
    return *backend_;
}

}  // namespace quellon::testing
