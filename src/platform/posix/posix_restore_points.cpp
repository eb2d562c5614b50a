#include <charconv>
#include <system_error>

#include "platform/posix/backend_classes.h"
#include "platform/posix/io.h"

namespace quellon::posix {
namespace {

namespace fs = std::filesystem;

std::optional<std::int64_t> SequenceOf(const fs::path& folder) {
    const std::string name = folder.filename().string();
    std::int64_t n = 0;
    const auto [end, ec] = std::from_chars(name.data(), name.data() + name.size(), n);
    if (ec != std::errc() || end != name.data() + name.size() || n <= 0) {
        return std::nullopt;
    }
    return n;
}

std::string Info(std::string_view description, std::uint32_t type, std::string_view state) {
    std::string text = "Description: ";
    text.append(description).append("\r\nType: ").append(std::to_string(type));
    text.append("\r\nState: ").append(state).append("\r\n");
    return text;
}

}  // namespace

std::optional<std::int64_t> PosixRestorePoints::SetRestorePoint(std::uint32_t eventType,
                                                                std::uint32_t restorePointType,
                                                                std::int64_t sequence,
                                                                std::string_view description) {
    const fs::path points = machine_.Root() / "restore-points";
    std::error_code ec;
    if (eventType == platform::kEndSystemChange) {
        const fs::path point = points / std::to_string(sequence);
        std::optional<std::string> info = io::ReadFile(point / "info.txt");
        if (sequence <= 0 || !info) {
            return std::nullopt;
        }
        const size_t state = info->rfind("State: begun");
        if (state == std::string::npos) {
            return std::nullopt;
        }
        info->replace(state, 12, "State: ended");
        if (!io::WriteFileAtomic(point / "info.txt", *info)) {
            return std::nullopt;
        }
        return sequence;
    }
    if (eventType != platform::kBeginSystemChange) {
        return std::nullopt;
    }
    io::FaultPoint();
    fs::create_directories(points, ec);
    std::int64_t next = 1;
    for (fs::directory_iterator it(points, ec), end; !ec && it != end; it.increment(ec)) {
        if (std::optional<std::int64_t> n = SequenceOf(it->path()); n && *n >= next) {
            next = *n + 1;
        }
    }
    const fs::path point = points / std::to_string(next);
    if (ec || !fs::create_directory(point, ec) || ec) {
        return std::nullopt;
    }
    // The registry files are written whole after every change, so the
    // copies are the registry as it stands now: registry.reg, or a Wine
    // prefix's own files. A machine without any has an empty registry.
    for (const char* name : {"registry.reg", "system.reg", "user.reg", "userdef.reg"}) {
        const fs::path registry = machine_.Root() / name;
        if (fs::exists(registry, ec) &&
            !fs::copy_file(registry, point / name, fs::copy_options::none, ec)) {
            fs::remove_all(point, ec);
            return std::nullopt;
        }
    }
    if (!io::WriteFileAtomic(point / "info.txt", Info(description, restorePointType, "begun"))) {
        fs::remove_all(point, ec);
        return std::nullopt;
    }
    return next;
}

}  // namespace quellon::posix
