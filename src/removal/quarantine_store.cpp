#include "removal/quarantine_store.h"

#include <optional>
#include <set>

#include "common/datetime.h"
#include "common/text.h"
#include "definitions/definition_set.h"
#include "removal/quarantine_log.h"
#include "scan/scanners.h"

namespace quellon::removal {
namespace {

constexpr int kAttempts = 8;
// Numbered names name.001 .. name.999 after the bare name itself.
constexpr int kMaxNumber = 999;

// The text after the last "\"; nullopt when there is none.
std::optional<std::string_view> BareName(std::string_view path) {
    const size_t slash = path.rfind('\\');
    if (slash == std::string_view::npos) {
        return std::nullopt;
    }
    return path.substr(slash + 1);
}

std::string Numbered(std::string_view name, int n) {
    std::string out(name);
    out += '.';
    const std::string digits = std::to_string(n);
    out.append(3 - std::min<size_t>(3, digits.size()), '0').append(digits);
    return out;
}

// A name the quarantine folder can hold as a file of its own.
bool UsableName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of("\\/:") == std::string_view::npos;
}

}  // namespace

QuarantineStore::QuarantineStore(platform::Platform& platform, ui::Host& host,
                                 std::string programFolder)
    : platform_(platform),
      host_(host),
      folder_(definitions::JoinPath(programFolder, kQuarantineFolderName)),
      logPath_(definitions::JoinPath(folder_, kQuarantineLogName)) {}

void QuarantineStore::BeginRun() {
    copies_.clear();
    taken_.reset();
}

std::string QuarantineStore::Timestamp() {
    return FormatGeneralDate(host_.Now());
}

bool QuarantineStore::AppendLog(std::string_view entry) {
    return platform_.files.Append(logPath_, entry);
}

bool QuarantineStore::AppendFileEntry(std::string_view fullPath, std::string_view name) {
    std::string entry = Timestamp();
    entry.append(kLogFileMark).append(name).append(text::kCrLf);
    entry.append(kLogLocationMark).append(fullPath).append(text::kCrLf);
    entry.append(text::kCrLf).append(text::kCrLf);
    return AppendLog(entry);
}

void QuarantineStore::LogQuarantinedFile(std::string_view fullPath, std::string_view name) {
    if (FirstRemovalPass) {
        AppendFileEntry(fullPath, name);
    }
}

void QuarantineStore::LogRemovedRegistryEntry(std::string_view keyText,
                                              std::string_view valueText) {
    if (!FirstRemovalPass) {
        return;
    }
    std::string entry = Timestamp();
    entry.append(" - Key: ").append(keyText).append(text::kCrLf);
    entry.append("Value: ").append(valueText).append(text::kCrLf);
    entry.append(text::kCrLf).append(text::kCrLf);
    AppendLog(entry);
}

std::string QuarantineStore::CopyToFreeName(std::string_view path, std::string_view name) {
    if (!UsableName(name)) {
        return {};
    }
    // The names taken are listed once a run (the listing holds hidden files
    // too, which a look-up would not see) and again only when a copy fails.
    auto listTaken = [this] {
        taken_.emplace();
        // A file that happens to carry the log's name never becomes the log.
        taken_->insert(text::Upper(kQuarantineLogName));
        if (auto files = platform_.files.ListFiles(folder_)) {
            for (const auto& f : *files) {
                taken_->insert(text::Upper(f.name));
            }
        }
    };
    if (!taken_) {
        listTaken();
    }
    for (int n = 0; n <= kMaxNumber; ++n) {
        const std::string candidate = n == 0 ? std::string(name) : Numbered(name, n);
        const std::string target = definitions::JoinPath(folder_, candidate);
        const std::string upper = text::Upper(candidate);
        if (taken_->count(upper) != 0 || platform_.files.FolderExists(target)) {
            continue;
        }
        if (platform_.files.CopyNew(path, target)) {
            taken_->insert(upper);
            return candidate;
        }
        // Taken meanwhile: try the next name. Anything else (source not
        // readable, folder missing, disk full) ends the attempt.
        listTaken();
        if (taken_->count(upper) == 0) {
            return {};
        }
    }
    return {};
}

bool QuarantineStore::Secure(std::string_view path, std::string_view name) {
    const std::string key = text::Upper(path);
    auto it = copies_.find(key);
    if (it != copies_.end() &&
        !definitions::FileExists(platform_.files,
                                 definitions::JoinPath(folder_, it->second.name))) {
        copies_.erase(it);  // the copy went away since: make a new one
        it = copies_.end();
    }
    if (it == copies_.end()) {
        std::string copy = CopyToFreeName(path, name);
        if (copy.empty()) {
            return false;
        }
        it = copies_.emplace(key, Copy{std::move(copy), false}).first;
    }
    // The entry is written before the file is deleted, and a file is never
    // deleted while its entry is missing.
    if (!it->second.logged) {
        it->second.logged = AppendFileEntry(path, it->second.name);
    }
    return it->second.logged;
}

std::int16_t QuarantineStore::QuarantineExecutable(std::string_view path) {
    const auto name = BareName(path);
    if (!name) {
        return 0;
    }
    if (!definitions::FileExists(platform_.files, path)) {
        return -1;
    }
    if (!scan::StopProcessByName(platform_.processes, *name)) {
        return 2;
    }
    return MoveToQuarantine(path, *name) ? 1 : 0;
}

bool QuarantineStore::MoveToQuarantine(std::string_view path, std::string_view name) {
    auto listed = [&] {
        auto found = platform_.files.LookupFile(path);
        return found && text::EqualsNoCase(*found, name);
    };
    if (!listed()) {
        return false;
    }
    bool attempted = false;
    for (int i = 0; i < kAttempts; ++i) {
        if (listed() && Secure(path, name)) {
            platform_.files.Delete(path);
            attempted = true;
        }
        host_.DoEvents();
    }
    return attempted;
}

std::int16_t QuarantineStore::QuarantineLibrary(std::string_view path,
                                                std::uintptr_t windowHandle) {
    if (!BareName(path)) {
        return 0;
    }
    if (!definitions::FileExists(platform_.files, path)) {
        return -1;
    }
    CallDllRegistration(windowHandle, path, false);
    // Unregistering may have taken the file away: then there is nothing to keep.
    if (!definitions::FileExists(platform_.files, path) || !Secure(path, *BareName(path))) {
        return 0;
    }
    return platform_.files.Delete(path) ? 1 : 0;
}

bool QuarantineStore::QuarantineFile(std::string_view path) {
    const auto name = BareName(path);
    if (!name || !platform_.files.LookupFile(path)) {
        return false;
    }
    if (!Secure(path, *name)) {
        return false;
    }
    for (int i = 0; i < kAttempts; ++i) {
        platform_.files.Delete(path);
        host_.DoEvents();
    }
    return true;
}

void QuarantineStore::QuarantineCookie(std::string_view path) {
    const auto name = BareName(path);
    if (name && Secure(path, *name)) {
        platform_.files.Delete(path);
    }
}

bool QuarantineStore::CallDllRegistration(std::uintptr_t, std::string_view path, bool doRegister) {
    platform_.libraries.CallEntryPoint(path,
                                       doRegister ? "DllRegisterServer" : "DllUnregisterServer");
    return true;
}

std::vector<QuarantinedFile> QuarantineStore::List() {
    QuarantineLogReader log;
    if (auto lines = platform_.files.OpenLines(logPath_)) {
        std::string line;
        while (lines->Next(line)) {
            log.Line(line);
        }
    }
    std::vector<QuarantinedFile> out;
    auto files = platform_.files.ListFiles(folder_);
    if (!files) {
        return out;
    }
    for (const auto& f : *files) {
        // A hidden name is a copy still being written (or cut short by a
        // crash), never a quarantined file: a scan finds no hidden file.
        if (text::EqualsNoCase(f.name, kQuarantineLogName) || f.name.starts_with('.')) {
            continue;
        }
        QuarantinedFile q{f.name, {}, {}};
        if (auto origin = log.Find(f.name)) {
            q.location = std::move(origin->location);
            q.quarantinedAt = std::move(origin->quarantinedAt);
        }
        out.push_back(std::move(q));
    }
    return out;
}

RestoreResult QuarantineStore::Restore(std::string_view name, std::string_view target,
                                       std::string* restoredTo) {
    std::optional<QuarantinedFile> copy;
    for (auto& q : List()) {
        if (text::EqualsNoCase(q.name, name)) {
            copy = std::move(q);
            break;
        }
    }
    if (!copy) {
        return RestoreResult::kNotInQuarantine;
    }
    const std::string to(target.empty() ? std::string_view(copy->location) : target);
    if (to.empty()) {
        return RestoreResult::kNoLocation;
    }
    if (restoredTo != nullptr) {
        *restoredTo = to;
    }
    auto& fs = platform_.files;
    if (fs.LookupFile(to) || fs.FolderExists(to)) {
        return RestoreResult::kTargetExists;
    }
    const size_t slash = to.rfind('\\');
    if (slash == std::string::npos || !UsableName(to.substr(slash + 1))) {
        return RestoreResult::kFailed;
    }
    // The folder it came from may have gone with the rest of the program.
    fs.CreateFolder(to.substr(0, slash));
    const std::string source = definitions::JoinPath(folder_, copy->name);
    // A move where it can (it never replaces a file), else a copy; the copy
    // leaves the quarantine only once it is back.
    if (fs.Rename(source, to)) {
        return RestoreResult::kRestored;
    }
    if (!fs.CopyNew(source, to)) {
        return fs.LookupFile(to) ? RestoreResult::kTargetExists : RestoreResult::kFailed;
    }
    fs.Delete(source);
    return RestoreResult::kRestored;
}

}  // namespace quellon::removal
