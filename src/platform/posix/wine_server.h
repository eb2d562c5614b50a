// A Wine prefix's server and Windows programs run in the prefix (internal).
//
// While a prefix's wineserver runs, Wine holds the prefix's registry in
// memory: it saves it into the prefix's .reg files every 30 seconds and
// when the server ends, over whatever the files hold then. A server keeps
// its socket and a lock file in its own folder, server-<dev>-<inode> (the
// prefix folder's device and inode in hex), under /tmp/.wine-<uid>/, or,
// with Debian's Wine, under $TMPDIR (else /tmp) in the folder whose name the
// prefix's file "wineserver" holds; the server holds a write lock on that
// lock file for as long as it runs.
#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace quellon::posix::wine {

// The folder of the server that serves the prefix now; nullopt when none does.
std::optional<std::filesystem::path> RunningServer(const std::filesystem::path& prefix);

// The lock a server of the prefix holds for as long as it runs, held here
// instead: while it is, no server of the prefix can start (a Wine program
// started meanwhile waits for it), so the prefix's registry files can be
// read, changed and replaced without a server saving its memory over them.
class ServerLock {
public:
    enum class State {
        kHeld,        // held here until the object goes
        kServerRuns,  // a server holds it (runs, or is still saving on exit)
        kFailed,      // the server's folder cannot be made or locked
    };
    ServerLock() = default;
    ~ServerLock();
    ServerLock(ServerLock&& other) noexcept;
    ServerLock& operator=(ServerLock&& other) noexcept;
    ServerLock(const ServerLock&) = delete;
    ServerLock& operator=(const ServerLock&) = delete;

    State state() const { return state_; }
    // The lock files held.
    const std::vector<std::filesystem::path>& Files() const { return files_; }

    // Takes the lock file of every folder a server of the prefix uses: Wine's
    // own (/tmp/.wine-<uid>/server-<dev>-<inode>, made as Wine makes it when
    // missing) and the one the prefix's file "wineserver" names (Debian's
    // Wine), with a write lock on the whole file, as the server takes it.
    // A lock is a lock of this process: nothing else in it may open and
    // close these files while it is held (RunningServer does).
    static ServerLock Take(const std::filesystem::path& prefix);

private:
    void Release();

    State state_ = State::kFailed;
    std::vector<int> fds_;
    std::vector<std::filesystem::path> files_;
};

// The Wine loader that talks to the server of that folder: the loader
// beside the running server's own program (so that client and server are of
// one Wine), else "wine" found in PATH.
std::optional<std::filesystem::path> FindLoader(const std::filesystem::path& serverFolder);

struct RunResult {
    bool started = false;
    bool timedOut = false;
    int exitCode = -1;   // the program's exit status when it ended by itself
    std::string output;  // what it wrote to standard output and standard error
};

// Runs a Windows program in the prefix: `loader` with `args`, in `folder`,
// with WINEPREFIX set to the prefix and Wine's debug output off; stopped
// after `timeoutMs`.
RunResult Run(const std::filesystem::path& loader, const std::filesystem::path& prefix,
              const std::vector<std::string>& args, const std::filesystem::path& folder,
              int timeoutMs);

// The registry as the running server holds it, saved through Wine (a small
// Windows program saves the keys): HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER
// and HKEY_USERS\.DEFAULT in Wine's file format, each empty when it could
// not be saved; nullopt when the program could not run.
std::optional<std::array<std::string, 3>> SaveRegistry(const std::filesystem::path& prefix,
                                                       const std::filesystem::path& serverFolder);

// A new folder for a run's files that Wine reaches through a drive of the
// prefix: below $TMPDIR (or /tmp) when the prefix has its Z: drive, else
// below the prefix's C:\windows\temp. nullopt when none can be made.
std::optional<std::filesystem::path> MakeRunFolder(const std::filesystem::path& prefix);

}  // namespace quellon::posix::wine
