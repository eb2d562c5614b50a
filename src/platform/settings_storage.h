// The per-user store of setting strings, addressed by application, section and key.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quellon::platform {

struct SettingEntry {
    std::string section, key, value;
};

// A lock held for as long as the object lives.
class HeldLock {
public:
    virtual ~HeldLock() = default;
};

// What an attempt to take a lock of the store found.
struct LockAttempt {
    enum class State {
        kTaken,          // `lock` holds it now
        kHeldElsewhere,  // another program (or another holder here) has it
        kUnavailable,    // no lock can be made (an unwritable folder ...)
    };
    State state = State::kUnavailable;
    std::unique_ptr<HeldLock> lock;
};

class SettingsStorage {
public:
    virtual ~SettingsStorage() = default;
    virtual std::optional<std::string> Get(std::string_view app, std::string_view section,
                                           std::string_view key) = 0;
    virtual bool Set(std::string_view app, std::string_view section, std::string_view key,
                     std::string_view value) = 0;
    // Every stored entry of an application, in stored order.
    virtual std::vector<SettingEntry> List(std::string_view app) = 0;
    // The applications that have entries.
    virtual std::vector<std::string> Applications() = 0;
    // Takes, without waiting, the lock called `name` that every program of
    // the user whose settings these are shares (the window, the command
    // line, several of them at once). Two holders exclude each other also
    // inside one program. A holder that ends without releasing it (killed)
    // leaves it free.
    virtual LockAttempt TryLock(std::string_view name) = 0;

    // Keys set between BeginBatch and its matching EndBatch (batches nest;
    // the outermost one counts) are kept in memory, where reads see them,
    // and go out together when the outermost batch ends: one write of each
    // application's file, as atomic as a single key's. EndBatch says whether
    // every held key was stored. A store whose writes cost little may write
    // each key at once, as without a batch.
    virtual void BeginBatch() {}
    virtual bool EndBatch() { return true; }
};

}  // namespace quellon::platform
