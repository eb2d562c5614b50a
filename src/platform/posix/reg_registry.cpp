// The registry over one regedit text file, read on first use, read again
// when it changed on disk (another program's change: the shields run for
// hours), and written back whole after every change.
#include <sys/stat.h>

#include <chrono>
#include <unordered_map>

#include "formats/reg_file.h"
#include "platform/posix/backend_classes.h"
#include "platform/posix/io.h"

namespace quellon::posix {

namespace {

class FileRegistry : public platform::Registry {
public:
    explicit FileRegistry(std::filesystem::path file) : file_(std::move(file)) {}

    platform::RegKey OpenKey(platform::Hive hive, std::string_view subKey,
                             std::uint32_t /*access*/) override {
        Load();
        return HandleFor(data_.tree.Find(hive, subKey));
    }

    platform::RegKey CreateKey(platform::Hive hive, std::string_view subKey) override {
        Load();
        bool created = false;
        formats::reg::Key* key = data_.tree.Create(hive, subKey, &created);
        if (key == nullptr || (created && !Save())) {
            return 0;
        }
        return HandleFor(key);
    }

    void CloseKey(platform::RegKey key) override { handles_.erase(key); }

    std::optional<platform::RegValue> QueryValue(platform::RegKey handle,
                                                 std::string_view name) override {
        formats::reg::Key* key = KeyOf(handle);
        if (key == nullptr) {
            return std::nullopt;
        }
        const platform::RegValue* value = key->FindValue(name);
        if (value == nullptr) {
            return std::nullopt;
        }
        return *value;
    }

    bool SetValue(platform::RegKey handle, std::string_view name,
                  const platform::RegValue& value) override {
        formats::reg::Key* key = KeyOf(handle);
        if (key == nullptr) {
            return false;
        }
        key->SetValue(name, value);
        return Save();
    }

    bool DeleteValue(platform::RegKey handle, std::string_view name) override {
        formats::reg::Key* key = KeyOf(handle);
        if (key == nullptr || !key->DeleteValue(name)) {
            return false;
        }
        return Save();
    }

    bool DeleteKeyTree(platform::Hive hive, std::string_view subKey) override {
        Load();
        formats::reg::Key* key = data_.tree.Find(hive, subKey);
        if (key == nullptr || key->Parent() == nullptr) {
            return false;  // missing, or a hive itself
        }
        // Handles to the deleted keys stay valid numbers but open nothing.
        for (auto& [handle, open] : handles_) {
            for (formats::reg::Key* k = open; k != nullptr; k = k->Parent()) {
                if (k == key) {
                    open = nullptr;
                    break;
                }
            }
        }
        key->Parent()->RemoveChild(key->Name());
        return Save();
    }

private:
    // What tells a file that another program changed.
    struct Stamp {
        bool exists = false;
        ino_t ino = 0;
        off_t size = 0;
        timespec mtime{};
        bool operator==(const Stamp& o) const {
            return exists == o.exists && ino == o.ino && size == o.size &&
                   mtime.tv_sec == o.mtime.tv_sec && mtime.tv_nsec == o.mtime.tv_nsec;
        }
    };
    Stamp StampNow() const {
        Stamp s;
        struct stat st {};
        if (::stat(file_.c_str(), &st) == 0) {
            s = {true, st.st_ino, st.st_size, st.st_mtim};
        }
        return s;
    }

    void Load() {
        if (loaded_) {
            // Looked at again now and then, and only while no key is open
            // (an open key points into the tree).
            const auto now = std::chrono::steady_clock::now();
            if (!handles_.empty() || now - lastCheck_ < kRecheck) {
                return;
            }
            lastCheck_ = now;
            if (StampNow() == stamp_) {
                return;
            }
            data_ = formats::reg::File();
            writable_ = true;
        }
        loaded_ = true;
        lastCheck_ = std::chrono::steady_clock::now();
        stamp_ = StampNow();
        if (!stamp_.exists) {
            return;  // a new registry
        }
        std::optional<std::string> bytes = io::ReadFile(file_);
        if (!bytes) {
            // Never replace a registry that exists but cannot be read.
            writable_ = false;
            return;
        }
        formats::reg::Parse(*bytes, data_);
    }

    bool Save() {
        if (!writable_ || !io::WriteFileAtomic(file_, formats::reg::Write(data_))) {
            return false;
        }
        stamp_ = StampNow();
        return true;
    }

    static constexpr std::chrono::milliseconds kRecheck{100};

    platform::RegKey HandleFor(formats::reg::Key* key) {
        if (key == nullptr) {
            return 0;
        }
        platform::RegKey handle = nextHandle_++;
        handles_[handle] = key;
        return handle;
    }

    formats::reg::Key* KeyOf(platform::RegKey handle) {
        auto it = handles_.find(handle);
        return it == handles_.end() ? nullptr : it->second;
    }

    std::filesystem::path file_;
    bool loaded_ = false;
    bool writable_ = true;
    Stamp stamp_;
    std::chrono::steady_clock::time_point lastCheck_;
    formats::reg::File data_;
    std::unordered_map<platform::RegKey, formats::reg::Key*> handles_;
    platform::RegKey nextHandle_ = 0x100;
};

}  // namespace

std::unique_ptr<platform::Registry> MakeFileRegistry(std::filesystem::path file) {
    return std::make_unique<FileRegistry>(std::move(file));
}

}  // namespace quellon::posix
