#include "removal/quarantine_log.h"

#include "common/text.h"

namespace quellon::removal {

void QuarantineLogReader::Line(std::string_view line) {
    if (!pendingName_.empty() && text::StartsWithNoCase(line, kLogLocationMark)) {
        origins_[text::Upper(pendingName_)] = {std::string(line.substr(kLogLocationMark.size())),
                                               pendingTime_};
        pendingName_.clear();
        return;
    }
    pendingName_.clear();
    const size_t mark = line.find(kLogFileMark);
    if (mark != std::string_view::npos) {
        pendingTime_.assign(line.substr(0, mark));
        pendingName_.assign(line.substr(mark + kLogFileMark.size()));
    }
}

std::optional<QuarantineOrigin> QuarantineLogReader::Find(std::string_view name) const {
    if (auto it = origins_.find(text::Upper(name)); it != origins_.end()) {
        return it->second;
    }
    return std::nullopt;
}

}  // namespace quellon::removal
