// The settings store: one INI file per application, escaped so that every
// byte reads back as written, updated under a lock and replaced atomically.
// Reads are served from memory: the background timers read settings again
// and again, and the file is read again only when its stamp changed.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "common/text.h"
#include "formats/ini_file.h"
#include "platform/posix/backend_classes.h"
#include "platform/posix/io.h"

namespace quellon::posix {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kExtension = ".ini";

// A file name from an application name: bytes that are unsafe or ambiguous
// in a file name become %XX.
std::string FileNameOf(std::string_view app) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (size_t i = 0; i < app.size(); ++i) {
        auto c = static_cast<unsigned char>(app[i]);
        bool unsafe = c < 0x20 || c >= 0x7F || c == '/' || c == '\\' || c == '%' || c == ':' ||
                      c == '*' || c == '?' || c == '"' || c == '<' || c == '>' || c == '|' ||
                      (i == 0 && c == '.');
        if (unsafe) {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + std::string(kExtension);
}

using formats::ini::Section;

// The entries of a file, unescaped, grouped by section in first-seen order.
std::vector<Section> Load(const fs::path& file) {
    std::optional<std::string> bytes = io::ReadFile(file);
    return bytes ? formats::ini::ReadSections(*bytes) : std::vector<Section>{};
}

IniSettings::Stamp StampOf(const fs::path& file) {
    IniSettings::Stamp s;
    struct stat st {};
    if (::stat(file.c_str(), &st) == 0) {
        s.exists = true;
        s.device = static_cast<std::uint64_t>(st.st_dev);
        s.inode = static_cast<std::uint64_t>(st.st_ino);
        s.size = static_cast<std::int64_t>(st.st_size);
        s.mtimeSec = static_cast<std::int64_t>(st.st_mtim.tv_sec);
        s.mtimeNsec = static_cast<std::int64_t>(st.st_mtim.tv_nsec);
        s.ctimeSec = static_cast<std::int64_t>(st.st_ctim.tv_sec);
        s.ctimeNsec = static_cast<std::int64_t>(st.st_ctim.tv_nsec);
    }
    return s;
}

std::string Serialize(const std::vector<Section>& sections) {
    return formats::ini::WriteSections(sections);
}

// Gives `key` of `section` (both found without regard to case, added at the
// end when absent) the value; false when it held that value already.
bool SetIn(std::vector<Section>& sections, std::string_view section, std::string_view key,
           std::string_view value) {
    auto s = std::find_if(sections.begin(), sections.end(),
                          [&](const Section& x) { return text::EqualsNoCase(x.name, section); });
    if (s == sections.end()) {
        sections.push_back({std::string(section), {}});
        s = sections.end() - 1;
    }
    auto kv = std::find_if(s->entries.begin(), s->entries.end(),
                           [&](const auto& e) { return text::EqualsNoCase(e.first, key); });
    if (kv == s->entries.end()) {
        s->entries.emplace_back(std::string(key), std::string(value));
    } else if (kv->second == value) {
        return false;
    } else {
        kv->second = std::string(value);
    }
    return true;
}

}  // namespace

fs::path IniSettings::FileOf(std::string_view app) const {
    return folder_ / FileNameOf(app);
}

IniSettings::Copy& IniSettings::Current(std::string_view app) {
    auto it = copies_.find(app);
    if (it == copies_.end()) {
        it = copies_.emplace(std::string(app), Copy{}).first;
    }
    Copy& copy = it->second;
    const fs::path file = FileOf(app);
    const Stamp stamp = StampOf(file);
    if (copy.loaded && stamp == copy.stamp) {
        return copy;
    }
    // Stamped before the read: a change made while reading shows at the
    // next look.
    copy.stamp = stamp;
    copy.sections = stamp.exists ? Load(file) : std::vector<Section>{};
    copy.loaded = true;
    ++fileReads_;
    return copy;
}

std::optional<std::string> IniSettings::Get(std::string_view app, std::string_view section,
                                            std::string_view key) {
    const std::lock_guard<std::mutex> guard(mutex_);
    if (auto held = held_.find(app); held != held_.end()) {
        // The last key set wins, as it would in the file.
        for (auto e = held->second.rbegin(); e != held->second.rend(); ++e) {
            if (text::EqualsNoCase(e->section, section) && text::EqualsNoCase(e->key, key)) {
                return e->value;
            }
        }
    }
    for (const Section& s : Current(app).sections) {
        if (!text::EqualsNoCase(s.name, section)) {
            continue;
        }
        for (const auto& [k, v] : s.entries) {
            if (text::EqualsNoCase(k, key)) {
                return v;
            }
        }
        return std::nullopt;
    }
    return std::nullopt;
}

bool IniSettings::Set(std::string_view app, std::string_view section, std::string_view key,
                      std::string_view value) {
    {
        const std::lock_guard<std::mutex> guard(mutex_);
        if (batchDepth_ > 0) {
            auto held = held_.find(app);
            if (held == held_.end()) {
                held = held_.emplace(std::string(app), std::vector<formats::ini::Entry>{}).first;
            }
            held->second.push_back({std::string(section), std::string(key), std::string(value)});
            return true;
        }
    }
    return Store(app, {{std::string(section), std::string(key), std::string(value)}});
}

void IniSettings::BeginBatch() {
    const std::lock_guard<std::mutex> guard(mutex_);
    ++batchDepth_;
}

bool IniSettings::EndBatch() {
    std::map<std::string, std::vector<formats::ini::Entry>, std::less<>> held;
    {
        const std::lock_guard<std::mutex> guard(mutex_);
        if (batchDepth_ == 0 || --batchDepth_ > 0) {
            return true;
        }
        held.swap(held_);
    }
    bool ok = true;
    for (const auto& [app, keys] : held) {
        ok = Store(app, keys) && ok;
    }
    return ok;
}

bool IniSettings::Store(std::string_view app, const std::vector<formats::ini::Entry>& keys) {
    std::error_code ec;
    fs::create_directories(folder_, ec);
    const fs::path file = FileOf(app);
    const fs::path lockPath = file.string() + ".lock";
    io::FaultPoint();
    io::Fd lock(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666));
    if (!lock.Valid()) {
        return false;
    }
    while (::flock(lock.Get(), LOCK_EX) != 0) {
        if (errno != EINTR) {
            return false;
        }
    }
    // The lock is released when `lock` closes.
    std::vector<Section> sections = Load(file);
    bool changed = false;
    for (const formats::ini::Entry& e : keys) {
        changed = SetIn(sections, e.section, e.key, e.value) || changed;
    }
    if (!changed) {
        Keep(app, file, std::move(sections));
        return true;
    }
    if (!io::WriteFileAtomic(file, Serialize(sections))) {
        // Whatever the file holds now is read at the next look.
        const std::lock_guard<std::mutex> guard(mutex_);
        copies_.erase(std::string(app));
        return false;
    }
    Keep(app, file, std::move(sections));
    return true;
}

void IniSettings::Keep(std::string_view app, const fs::path& file, std::vector<Section> sections) {
    const std::lock_guard<std::mutex> guard(mutex_);
    Copy& copy = copies_[std::string(app)];
    copy.loaded = true;
    copy.stamp = StampOf(file);
    copy.sections = std::move(sections);
}

std::vector<platform::SettingEntry> IniSettings::List(std::string_view app) {
    std::vector<platform::SettingEntry> entries;
    const std::lock_guard<std::mutex> guard(mutex_);
    const std::vector<Section>* sections = &Current(app).sections;
    std::vector<Section> withHeld;
    if (auto held = held_.find(app); held != held_.end()) {
        withHeld = *sections;
        for (const formats::ini::Entry& e : held->second) {
            SetIn(withHeld, e.section, e.key, e.value);
        }
        sections = &withHeld;
    }
    for (const Section& s : *sections) {
        for (const auto& [k, v] : s.entries) {
            entries.push_back({s.name, k, v});
        }
    }
    return entries;
}

std::vector<std::string> IniSettings::Applications() {
    std::vector<std::string> apps;
    DIR* dir = ::opendir(folder_.c_str());
    if (dir == nullptr) {
        return apps;
    }
    while (dirent* entry = ::readdir(dir)) {
        std::string_view name = entry->d_name;
        if (name.size() <= kExtension.size() || name.front() == '.' ||
            name.substr(name.size() - kExtension.size()) != kExtension) {
            continue;
        }
        apps.push_back(formats::ini::Unescape(name.substr(0, name.size() - kExtension.size())));
    }
    ::closedir(dir);
    std::sort(apps.begin(), apps.end());
    return apps;
}

}  // namespace quellon::posix

namespace quellon::posix {

namespace {

class FlockHeld : public platform::HeldLock {
public:
    explicit FlockHeld(io::Fd fd) : fd_(std::move(fd)) {}
    // Closing the descriptor releases the lock.
    ~FlockHeld() override = default;

private:
    io::Fd fd_;
};

}  // namespace

platform::LockAttempt IniSettings::TryLock(std::string_view name) {
    platform::LockAttempt attempt;
    if (name.empty() || name.find_first_of("/\\") != std::string_view::npos || name[0] == '.') {
        return attempt;
    }
    std::error_code ec;
    fs::create_directories(folder_, ec);
    const fs::path file = folder_ / (std::string(name) + ".lock");
    io::Fd fd(::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!fd.Valid()) {
        return attempt;
    }
    while (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK) {
            attempt.state = platform::LockAttempt::State::kHeldElsewhere;
            return attempt;
        }
        if (errno != EINTR) {
            return attempt;
        }
    }
    attempt.state = platform::LockAttempt::State::kTaken;
    attempt.lock = std::make_unique<FlockHeld>(std::move(fd));
    return attempt;
}

}  // namespace quellon::posix
