// The registry of a real Wine prefix, over Wine's own files: system.reg
// (HKEY_LOCAL_MACHINE), user.reg (the user's key under HKEY_USERS, which is
// HKEY_CURRENT_USER) and userdef.reg (HKEY_USERS\.DEFAULT). HKEY_CLASSES_ROOT
// is the user's Software\Classes over the machine's, and HKEY_CURRENT_CONFIG
// the machine's current hardware profile, as on Windows; symbolic links
// between keys are followed.
//
// While no wineserver runs for the prefix, a change is written into the file
// it belongs to (that file alone, changed only in the lines of the keys and
// values concerned, written beside it and renamed over it). While one runs,
// Wine holds the registry in memory and would overwrite the files: then
// reading takes a copy of Wine's memory (a small Windows program saves the
// keys through Wine), and a change is made through Wine's own reg program,
// or, when that cannot be done, refused with a note that says how to go on.
#include <sys/stat.h>

#include <chrono>
#include <functional>
#include <unordered_map>
#include <utility>

#include "common/ansi.h"
#include "formats/wine_reg_file.h"
#include "platform/posix/backend_classes.h"
#include "platform/posix/io.h"
#include "platform/posix/wine_prefix.h"
#include "platform/posix/wine_server.h"

namespace quellon::posix {

namespace fs = std::filesystem;
namespace winereg = formats::winereg;
using winereg::Text;
using winereg::TextView;

namespace {

enum FileId { kSystem = 0, kUser = 1, kUserDefault = 2, kFileCount = 3 };

constexpr TextView kDefaultRoots[kFileCount] = {
    u"REGISTRY\\Machine", u"REGISTRY\\User\\S-1-5-21-0-0-0-1000", u"REGISTRY\\User\\.Default"};
// The hive a file's keys are reached from in Wine's reg program.
constexpr const char* kRegRoots[kFileCount] = {"HKLM", "HKCU", "HKU\\.DEFAULT"};

constexpr auto kRecheck = std::chrono::milliseconds(100);
constexpr auto kSnapshotAge = std::chrono::seconds(2);
constexpr int kWineTimeoutMs = 60000;
constexpr int kMaxLinks = 8;

struct Stamp {
    bool exists = false;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    timespec mtime{};
    bool operator==(const Stamp& o) const {
        return exists == o.exists && dev == o.dev && ino == o.ino && size == o.size &&
               mtime.tv_sec == o.mtime.tv_sec && mtime.tv_nsec == o.mtime.tv_nsec;
    }
};

Stamp StampOf(const fs::path& p) {
    Stamp s;
    struct stat st {};
    if (::stat(p.c_str(), &st) == 0) {
        s.exists = true;
        s.dev = st.st_dev;
        s.ino = st.st_ino;
        s.size = st.st_size;
        s.mtime = st.st_mtim;
    }
    return s;
}

std::uint64_t FileTimeNow() {
    using namespace std::chrono;
    const auto since1970 =
        duration_cast<nanoseconds>(system_clock::now().time_since_epoch()).count() / 100;
    return 116444736000000000ULL + static_cast<std::uint64_t>(since1970);
}

std::vector<Text> Split(TextView path) {
    std::vector<Text> parts;
    while (!path.empty()) {
        const size_t cut = path.find(u'\\');
        if (cut != 0) {
            parts.emplace_back(path.substr(0, cut));
        }
        if (cut == TextView::npos) {
            break;
        }
        path.remove_prefix(cut + 1);
    }
    return parts;
}

Text Join(const std::vector<Text>& parts, size_t from = 0) {
    Text out;
    for (size_t i = from; i < parts.size(); ++i) {
        if (!out.empty()) {
            out += u'\\';
        }
        out += parts[i];
    }
    return out;
}

// UTF-8 for the command line of a Wine program.
std::string Utf8(TextView text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        std::uint32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[++i] - 0xDC00);
        }
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

bool IsStringType(platform::RegType type) {
    return type == platform::RegType::kString || type == platform::RegType::kExpandString ||
           type == platform::RegType::kMultiString;
}

// A key's place after links are followed: a file and the path in it.
struct Target {
    FileId file;
    Text path;
};

// A place a hive's key is looked for: the file and the path in it.
struct Place {
    FileId file;
    Text path;
};

class WineRegistry : public platform::Registry {
public:
    explicit WineRegistry(fs::path root) : root_(std::move(root)) {
        for (int i = 0; i < kFileCount; ++i) {
            files_[i].path = root_ / kWineRegistryFiles[i];
        }
    }

    platform::RegKey OpenKey(platform::Hive hive, std::string_view subKey,
                             std::uint32_t /*access*/) override {
        Refresh(false);
        bool usersRoot = false;
        for (const Place& p : PlacesOf(hive, subKey, usersRoot)) {
            if (Resolve(p, Mode::kExisting)) {
                return NewHandle(hive, subKey);
            }
        }
        return usersRoot ? NewHandle(hive, subKey) : 0;
    }

    platform::RegKey CreateKey(platform::Hive hive, std::string_view subKey) override {
        Refresh(true);
        bool usersRoot = false;
        const std::vector<Place> places = PlacesOf(hive, subKey, usersRoot);
        if (usersRoot) {
            return NewHandle(hive, subKey);
        }
        for (const Place& p : places) {
            if (Resolve(p, Mode::kExisting)) {
                return NewHandle(hive, subKey);
            }
        }
        // A new key goes where Windows puts it: for HKEY_CLASSES_ROOT the
        // machine's classes (the last place).
        if (places.empty()) {
            return 0;
        }
        std::optional<Target> t = Resolve(places.back(), Mode::kCreate);
        if (!t) {
            return 0;
        }
        const Target target = *t;
        const bool ok = Change(target.file,
                               [&](winereg::Document& doc) {
                                   doc.Create(target.path, FileTimeNow());
                                   return true;
                               },
                               {"add", RegKeyName(target), "/f"});
        return ok ? NewHandle(hive, subKey) : 0;
    }

    void CloseKey(platform::RegKey key) override { handles_.erase(key); }

    std::optional<platform::RegValue> QueryValue(platform::RegKey handle,
                                                 std::string_view name) override {
        auto it = handles_.find(handle);
        if (it == handles_.end()) {
            return std::nullopt;
        }
        bool usersRoot = false;
        const Text wanted = winereg::FromAnsi(name);
        for (const Place& p : PlacesOf(it->second.hive, it->second.subKey, usersRoot)) {
            std::optional<Target> t = Resolve(p, Mode::kExisting);
            const winereg::Key* key = t ? files_[t->file].doc.Find(t->path) : nullptr;
            const winereg::Value* v = key != nullptr ? key->FindValue(wanted) : nullptr;
            if (v != nullptr) {
                platform::RegValue out;
                out.type = static_cast<platform::RegType>(v->type);
                // The program reads values as the ANSI API gives them.
                out.data = IsStringType(out.type) ? ansi::FromUtf16Le(v->data) : v->data;
                return out;
            }
        }
        return std::nullopt;
    }

    bool SetValue(platform::RegKey handle, std::string_view name,
                  const platform::RegValue& value) override {
        auto it = handles_.find(handle);
        if (it == handles_.end()) {
            return false;
        }
        Refresh(true);
        bool usersRoot = false;
        for (const Place& p : PlacesOf(it->second.hive, it->second.subKey, usersRoot)) {
            std::optional<Target> t = Resolve(p, Mode::kExisting);
            if (!t) {
                continue;
            }
            const Target target = *t;
            winereg::Value v;
            v.name = winereg::FromAnsi(name);
            v.type = static_cast<std::uint32_t>(value.type);
            v.data = IsStringType(value.type) ? ansi::ToUtf16Le(value.data) : value.data;
            return Change(
                target.file,
                [&](winereg::Document& doc) {
                    winereg::Key* key = doc.Find(target.path);
                    if (key == nullptr) {
                        return false;
                    }
                    doc.SetValue(*key, v, FileTimeNow());
                    return true;
                },
                RegAddValue(target, v));
        }
        return false;
    }

    bool DeleteValue(platform::RegKey handle, std::string_view name) override {
        auto it = handles_.find(handle);
        if (it == handles_.end()) {
            return false;
        }
        Refresh(true);
        bool usersRoot = false;
        bool deleted = false, failed = false;
        const Text wanted = winereg::FromAnsi(name);
        for (const Place& p : PlacesOf(it->second.hive, it->second.subKey, usersRoot)) {
            std::optional<Target> t = Resolve(p, Mode::kExisting);
            const winereg::Key* key = t ? files_[t->file].doc.Find(t->path) : nullptr;
            if (key == nullptr || key->FindValue(wanted) == nullptr) {
                continue;
            }
            const Target target = *t;
            std::vector<std::string> command{"delete", RegKeyName(target)};
            if (wanted.empty()) {
                command.push_back("/ve");
            } else {
                command.push_back("/v");
                command.push_back(Utf8(wanted));
            }
            command.push_back("/f");
            const bool ok = Change(
                target.file,
                [&](winereg::Document& doc) {
                    winereg::Key* k = doc.Find(target.path);
                    return k != nullptr && doc.DeleteValue(*k, wanted, FileTimeNow());
                },
                command);
            (ok ? deleted : failed) = true;
        }
        return deleted && !failed;
    }

    bool DeleteKeyTree(platform::Hive hive, std::string_view subKey) override {
        Refresh(true);
        bool usersRoot = false;
        bool deleted = false, failed = false;
        for (const Place& p : PlacesOf(hive, subKey, usersRoot)) {
            std::optional<Target> t = Resolve(p, Mode::kNoFollowLast);
            if (!t || Split(t->path).empty()) {
                continue;  // missing, or the root of a file
            }
            const Target target = *t;
            const bool ok = Change(target.file,
                                   [&](winereg::Document& doc) {
                                       winereg::Key* k = doc.Find(target.path);
                                       return k != nullptr && doc.DeleteTree(*k, FileTimeNow());
                                   },
                                   {"delete", RegKeyName(target), "/f"});
            (ok ? deleted : failed) = true;
        }
        return deleted && !failed;
    }

    std::string TakeFailureNote() override { return std::exchange(note_, {}); }

private:
    struct File {
        fs::path path;
        winereg::Document doc;
        Stamp stamp;  // of the file the document was read from
        bool loaded = false;
        // False when the file is there but cannot be read or is not in
        // Wine's format: it is then never replaced.
        bool writable = true;
        bool fromServer = false;  // the document is a copy of the running server's memory
    };
    struct Handle {
        platform::Hive hive;
        std::string subKey;
    };
    enum class Mode {
        kExisting,      // the key must be there; every link is followed
        kCreate,        // the part that is there is followed, the rest appended
        kNoFollowLast,  // the key must be there; a link as its last part is the key itself
    };

    platform::RegKey NewHandle(platform::Hive hive, std::string_view subKey) {
        const platform::RegKey h = nextHandle_++;
        handles_[h] = Handle{hive, std::string(subKey)};
        return h;
    }

    // The root of a file as Wine names it ("REGISTRY\Machine").
    Text RootOf(int id) const {
        const Text& rel = files_[id].doc.RelativeTo();
        if (rel.empty()) {
            return Text(kDefaultRoots[id]);
        }
        std::vector<Text> parts = Split(rel);
        if (parts.empty() || !winereg::EqualsNoCase(parts[0], u"REGISTRY")) {
            parts.insert(parts.begin(), u"REGISTRY");
        }
        return Join(parts);
    }

    // The name of the user's key under HKEY_USERS (the user's SID).
    Text UserSid() const {
        const std::vector<Text> parts = Split(RootOf(kUser));
        return parts.size() >= 3 ? parts.back() : Text(u"S-1-5-21-0-0-0-1000");
    }

    std::vector<Place> PlacesOf(platform::Hive hive, std::string_view subKey, bool& usersRoot) {
        usersRoot = false;
        const Text sub = winereg::FromAnsi(subKey);
        auto below = [&](TextView base) {
            Text path(base);
            if (!sub.empty()) {
                path += u'\\';
                path += sub;
            }
            return path;
        };
        switch (hive) {
            case platform::kHkeyLocalMachine:
                return {{kSystem, sub}};
            case platform::kHkeyCurrentUser:
                return {{kUser, sub}};
            case platform::kHkeyClassesRoot:
                return {{kUser, below(u"Software\\Classes")},
                        {kSystem, below(u"Software\\Classes")}};
            case platform::kHkeyCurrentConfig:
                return {{kSystem, below(u"System\\CurrentControlSet\\Hardware Profiles\\Current")}};
            case platform::kHkeyUsers: {
                const std::vector<Text> parts = Split(sub);
                if (parts.empty()) {
                    usersRoot = true;
                    return {};
                }
                if (winereg::EqualsNoCase(parts[0], u".Default")) {
                    return {{kUserDefault, Join(parts, 1)}};
                }
                if (winereg::EqualsNoCase(parts[0], UserSid())) {
                    return {{kUser, Join(parts, 1)}};
                }
                return {};
            }
            default:
                return {};
        }
    }

    // The file and path a link's target ("\REGISTRY\Machine\...") names.
    std::optional<Target> LinkPlace(TextView target) const {
        const std::vector<Text> parts = Split(target);
        for (int id = 0; id < kFileCount; ++id) {
            const std::vector<Text> root = Split(RootOf(id));
            if (parts.size() < root.size()) {
                continue;
            }
            bool match = true;
            for (size_t i = 0; i < root.size() && match; ++i) {
                match = winereg::EqualsNoCase(parts[i], root[i]);
            }
            if (match) {
                return Target{static_cast<FileId>(id), Join(parts, root.size())};
            }
        }
        return std::nullopt;
    }

    std::optional<Target> Resolve(const Place& place, Mode mode) {
        FileId file = place.file;
        std::vector<Text> parts = Split(place.path);
        for (int links = 0; links <= kMaxLinks; ++links) {
            Load(file);
            const winereg::Key* key = &files_[file].doc.Root();
            Text walked;
            bool followed = false;
            for (size_t i = 0; i < parts.size(); ++i) {
                const winereg::Key* child = key->Child(parts[i]);
                if (child == nullptr) {
                    if (mode != Mode::kCreate) {
                        return std::nullopt;
                    }
                    Text path = walked;
                    for (size_t k = i; k < parts.size(); ++k) {
                        if (!path.empty()) {
                            path += u'\\';
                        }
                        path += parts[k];
                    }
                    return Target{file, std::move(path)};
                }
                const bool last = i + 1 == parts.size();
                if (child->IsLink() && !(last && mode == Mode::kNoFollowLast)) {
                    std::optional<Text> to = child->LinkTarget();
                    std::optional<Target> next = to ? LinkPlace(*to) : std::nullopt;
                    if (!next) {
                        return std::nullopt;
                    }
                    std::vector<Text> rest = Split(next->path);
                    rest.insert(rest.end(), parts.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                                parts.end());
                    file = next->file;
                    parts = std::move(rest);
                    followed = true;
                    break;
                }
                if (!walked.empty()) {
                    walked += u'\\';
                }
                walked += child->Name();
                key = child;
            }
            if (!followed) {
                return Target{file, std::move(walked)};
            }
        }
        return std::nullopt;  // links in a circle
    }

    std::string RegKeyName(const Target& t) const {
        std::string name = kRegRoots[t.file];
        if (!t.path.empty()) {
            name += '\\';
            name += Utf8(t.path);
        }
        return name;
    }

    // reg add for a value; empty when reg cannot write a value of its type.
    std::vector<std::string> RegAddValue(const Target& t, const winereg::Value& v) const {
        std::vector<std::string> c{"add", RegKeyName(t)};
        if (v.name.empty()) {
            c.push_back("/ve");
        } else {
            c.push_back("/v");
            c.push_back(Utf8(v.name));
        }
        const Text text = winereg::FromUtf16Le(v.data);
        auto withoutNuls = [&](size_t keep) {
            Text s = text;
            while (s.size() > keep && s.back() == u'\0') {
                s.pop_back();
            }
            return s;
        };
        std::string type, data;
        switch (v.type) {
            case 1:
            case 2: {
                const Text s = withoutNuls(0);
                if (s.find(u'\0') != Text::npos) {
                    return {};
                }
                type = v.type == 1 ? "REG_SZ" : "REG_EXPAND_SZ";
                data = Utf8(s);
                break;
            }
            case 7: {
                // Strings separated by a character none of them holds.
                const Text s = withoutNuls(0);
                char16_t sep = 0;
                for (char16_t c16 : std::u16string_view(u"|#~^;,!")) {
                    if (s.find(c16) == Text::npos) {
                        sep = c16;
                        break;
                    }
                }
                if (sep == 0) {
                    return {};
                }
                Text joined = s;
                for (char16_t& ch : joined) {
                    if (ch == u'\0') {
                        ch = sep;
                    }
                }
                type = "REG_MULTI_SZ";
                c.push_back("/s");
                c.push_back(std::string(1, static_cast<char>(sep)));
                data = Utf8(joined);
                break;
            }
            case 4: {
                if (v.data.size() != 4) {
                    return {};
                }
                std::uint32_t d = 0;
                for (int i = 3; i >= 0; --i) {
                    d = (d << 8) | static_cast<unsigned char>(v.data[static_cast<size_t>(i)]);
                }
                type = "REG_DWORD";
                data = std::to_string(d);
                break;
            }
            case 0:
            case 3: {
                static constexpr char kHex[] = "0123456789abcdef";
                for (char b : v.data) {
                    data += kHex[static_cast<unsigned char>(b) >> 4];
                    data += kHex[static_cast<unsigned char>(b) & 0x0F];
                }
                type = v.type == 0 ? "REG_NONE" : "REG_BINARY";
                break;
            }
            default:
                return {};
        }
        c.push_back("/t");
        c.push_back(type);
        c.push_back("/d");
        c.push_back(data);
        c.push_back("/f");
        return c;
    }

    // --- Reading the files and Wine's memory ---------------------------

    void Load(int id) {
        File& f = files_[id];
        if (!f.loaded) {
            ReadFromDisk(f);
        }
    }

    void ReadFromDisk(File& f) {
        f.loaded = true;
        f.fromServer = false;
        f.stamp = StampOf(f.path);
        f.doc = winereg::Document();
        f.writable = true;
        if (!f.stamp.exists) {
            return;  // a new file
        }
        std::optional<std::string> bytes = io::ReadFile(f.path);
        if (!bytes) {
            f.writable = false;
            return;
        }
        f.doc = winereg::Document::Parse(*bytes);
        f.writable = f.doc.Valid();
    }

    // Makes the documents current: re-read files that changed on disk, or,
    // while Wine runs, a new copy of its memory now and then.
    void Refresh(bool forChange) {
        const auto now = std::chrono::steady_clock::now();
        if (!forChange && checked_ && now - lastCheck_ < kRecheck) {
            return;
        }
        checked_ = true;
        lastCheck_ = now;
        server_ = wine::RunningServer(root_);
        if (server_) {
            if (!snapshot_ || now - lastSnapshot_ >= kSnapshotAge) {
                TakeSnapshot();
                lastSnapshot_ = now;
            }
            return;
        }
        snapshot_ = false;
        for (File& f : files_) {
            if (f.loaded && (f.fromServer || !(StampOf(f.path) == f.stamp))) {
                ReadFromDisk(f);
            }
        }
    }

    // Asks Wine for its registry as it holds it: a Windows program in the
    // prefix saves the keys into a folder of its own.
    void TakeSnapshot() {
        snapshot_ = false;
        const std::optional<std::array<std::string, 3>> saved = wine::SaveRegistry(root_, *server_);
        if (!saved) {
            return;
        }
        snapshot_ = true;
        for (int id = 0; id < kFileCount; ++id) {
            winereg::Document doc = winereg::Document::Parse((*saved)[id]);
            if (doc.Valid()) {
                files_[id].doc = std::move(doc);
                files_[id].loaded = true;
                files_[id].fromServer = true;
                files_[id].writable = true;
            } else {
                Load(id);  // what the file holds, as good as it gets
            }
        }
    }

    // --- Changing ------------------------------------------------------

    // Makes a change in one file: `apply` changes a document; `command` is
    // the same change as arguments of Wine's reg program.
    bool Change(FileId id, const std::function<bool(winereg::Document&)>& apply,
                const std::vector<std::string>& command) {
        File& f = files_[id];
        if (server_) {
            return ChangeThroughWine(f, apply, command);
        }
        if (f.fromServer || !(StampOf(f.path) == f.stamp)) {
            ReadFromDisk(f);  // changed by someone else since it was read
        }
        if (!f.writable) {
            note_ = f.path.string() +
                    " cannot be read as a Wine registry file, so it is left as it is.";
            return false;
        }
        if (!f.doc.Valid()) {
            // A new file, in the form of the prefix's others.
            const std::string arch =
                files_[kSystem].doc.Arch().empty() ? "win64" : files_[kSystem].doc.Arch();
            f.doc =
                winereg::Document::New(id == kUser ? RootOf(kUser) : Text(kDefaultRoots[id]), arch);
        }
        if (!apply(f.doc)) {
            return false;
        }
        if (!io::WriteFileAtomic(f.path, f.doc.Write())) {
            note_ = "The registry file " + f.path.string() + " could not be written.";
            ReadFromDisk(f);
            return false;
        }
        f.stamp = StampOf(f.path);
        return true;
    }

    bool ChangeThroughWine(File& f, const std::function<bool(winereg::Document&)>& apply,
                           const std::vector<std::string>& command) {
        std::string why;
        if (command.empty()) {
            why = "Wine's reg program cannot write a value of this type.";
        } else {
            const std::optional<fs::path> loader = wine::FindLoader(*server_);
            const std::optional<fs::path> folder = wine::MakeRunFolder(root_);
            if (!loader) {
                why = "Wine's loader (wine) was not found.";
            } else if (!folder) {
                why = "no folder for Wine's reg program could be made.";
            } else {
                std::vector<std::string> args{"reg"};
                args.insert(args.end(), command.begin(), command.end());
                const wine::RunResult run =
                    wine::Run(*loader, root_, args, *folder, kWineTimeoutMs);
                if (run.started && !run.timedOut && run.exitCode == 0) {
                    apply(f.doc);  // the copy held here follows Wine's memory
                    std::error_code ec;
                    fs::remove_all(*folder, ec);
                    return true;
                }
                why = run.timedOut ? "Wine's reg program did not finish."
                                   : "Wine's reg program failed: " + FirstLine(run.output);
            }
            if (folder) {
                std::error_code ec;
                fs::remove_all(*folder, ec);
            }
        }
        note_ = "Wine is running in " + root_.string() +
                " and holds its registry in memory, and the change could not be made through "
                "Wine (" +
                why +
                ") Close the Windows programs of that prefix, or end its Wine with \"WINEPREFIX=" +
                root_.string() + " wineserver -k\", then remove again.";
        return false;
    }

    static std::string FirstLine(std::string_view text) {
        while (!text.empty() && (text.front() == '\n' || text.front() == '\r')) {
            text.remove_prefix(1);
        }
        text = text.substr(0, text.find_first_of("\r\n"));
        return text.empty() ? std::string("no message") : std::string(text);
    }

    fs::path root_;
    File files_[kFileCount];
    std::unordered_map<platform::RegKey, Handle> handles_;
    platform::RegKey nextHandle_ = 0x100;
    std::optional<fs::path> server_;
    bool checked_ = false;
    bool snapshot_ = false;
    std::chrono::steady_clock::time_point lastCheck_, lastSnapshot_;
    std::string note_;
};

}  // namespace

bool HasWineRegistry(const fs::path& root) {
    std::error_code ec;
    for (const char* name : kWineRegistryFiles) {
        if (fs::exists(root / name, ec)) {
            return true;
        }
    }
    return false;
}

bool IsWinePrefix(const fs::path& root) {
    std::error_code ec;
    return HasWineRegistry(root) || fs::exists(root / ".update-timestamp", ec) ||
           wine::RunningServer(root).has_value();
}

std::unique_ptr<platform::Registry> MakeMachineRegistry(const fs::path& root) {
    if (IsWinePrefix(root)) {
        return std::make_unique<WineRegistry>(root);
    }
    return MakeFileRegistry(root / "registry.reg");
}

}  // namespace quellon::posix
