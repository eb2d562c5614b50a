// Reading QuarantineLog.txt back: where each copy in the quarantine came
// from and when it was put there.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace quellon::removal {

inline constexpr std::string_view kLogFileMark = " - File: ";
inline constexpr std::string_view kLogLocationMark = "Location: ";

struct QuarantineOrigin {
    std::string location;
    std::string quarantinedAt;
};

// Takes the log a line at a time. A file entry is a line with " - File: "
// (the time before it, the copy's name after it) followed directly by its
// "Location: " line; the newest entry for a name (names compared without
// regard to case) tells where that copy came from.
class QuarantineLogReader {
public:
    void Line(std::string_view line);
    std::optional<QuarantineOrigin> Find(std::string_view name) const;
    size_t Count() const { return origins_.size(); }

private:
    std::map<std::string, QuarantineOrigin, std::less<>> origins_;  // by upper-cased name
    std::string pendingName_, pendingTime_;
};

}  // namespace quellon::removal
