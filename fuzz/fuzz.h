// What the fuzz targets share: taking an input apart into the pieces a
// target needs, and a check that stops the run with a report when an
// invariant fails (libFuzzer keeps the input that did it).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/files.h"
#include "ui/host.h"

namespace quellon::fuzz {

// The input as text, taken apart from the front.
class Input {
public:
    Input(const std::uint8_t* data, size_t size)
        : rest_(reinterpret_cast<const char*>(data), size) {}
    std::string_view Rest() const { return rest_; }
    bool Empty() const { return rest_.empty(); }
    // One byte (0 when none is left).
    std::uint8_t Byte() {
        if (rest_.empty()) {
            return 0;
        }
        const auto b = static_cast<std::uint8_t>(rest_.front());
        rest_.remove_prefix(1);
        return b;
    }
    // The text up to the next `separator` (or the rest), without it.
    std::string_view Until(char separator) {
        const size_t at = rest_.find(separator);
        const std::string_view piece = rest_.substr(0, at);
        rest_.remove_prefix(at == std::string_view::npos ? rest_.size() : at + 1);
        return piece;
    }

private:
    std::string_view rest_;
};

// A host and a file system for the parts that are made with them but are
// fed their input directly.
class NoHost : public ui::Host {
public:
    ui::MsgResult MsgBox(std::string_view, int, std::string_view) override {
        return ui::MsgResult::kOk;
    }
    void DoEvents() override {}
    DateTime Now() override { return {}; }
    void SetClipboardText(std::string_view) override {}
    bool StartProgram(std::string_view, bool) override { return false; }
    bool OpenDocument(std::string_view) override { return false; }
    void EndProgram() override {}
    void AddTimer(ui::Timer&) override {}
    void RemoveTimer(ui::Timer&) override {}
};

class NoFiles : public platform::FileSystem {
public:
    std::optional<std::string> LookupFile(std::string_view) override { return std::nullopt; }
    bool FolderExists(std::string_view) override { return false; }
    std::optional<std::vector<platform::FileEntry>> ListFiles(std::string_view) override {
        return std::nullopt;
    }
    std::unique_ptr<platform::LineReader> OpenLines(std::string_view) override { return nullptr; }
    std::optional<std::string> ReadAll(std::string_view) override { return std::nullopt; }
    std::unique_ptr<platform::ByteReader> OpenRead(std::string_view) override { return nullptr; }
    bool Append(std::string_view, std::string_view) override { return false; }
    bool WriteAtomic(std::string_view, std::string_view) override { return false; }
    bool Delete(std::string_view) override { return false; }
    bool Rename(std::string_view, std::string_view) override { return false; }
    bool CopyNew(std::string_view, std::string_view) override { return false; }
    bool CreateFolder(std::string_view) override { return false; }
    std::unique_ptr<platform::LookupBatch> StartLookupBatch() override { return nullptr; }
    std::string HostRootDrives() override { return {}; }
};

[[noreturn]] inline void Fail(const char* what, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: invariant failed: %s\n", file, line, what);
    std::abort();
}

}  // namespace quellon::fuzz

// Stops the run when `condition` does not hold.
#define FUZZ_CHECK(condition)                                      \
    do {                                                           \
        if (!(condition)) {                                        \
            ::quellon::fuzz::Fail(#condition, __FILE__, __LINE__); \
        }                                                          \
    } while (false)
