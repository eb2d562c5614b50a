#include "removal/system_restore.h"

namespace quellon::removal {
namespace {

constexpr size_t kDescriptionLength = 64;

}  // namespace

bool SystemRestore::IsSystemRestoreAvailable() {
    const auto v = platform_.processes.Version();
    if (!v) {
        return false;
    }
    return (v->platformId == 1 && v->minor == 90) || (v->platformId == 2 && v->major > 5) ||
           (v->major == 5 && v->minor == 1);
}

bool SystemRestore::BeginRestorePoint(std::string_view description,
                                      std::uint32_t restorePointType) {
    lastError_ = 0;
    lastErrorText_.clear();
    if (sequence_ != 0) {
        lastError_ = kErrorRestorePointOpen;
        lastErrorText_ = "You must End the previous restore point first.";
        return false;
    }
    const auto sequence =
        platform_.restorePoints.SetRestorePoint(platform::kBeginSystemChange, restorePointType, 0,
                                                description.substr(0, kDescriptionLength));
    if (!sequence) {
        return false;
    }
    sequence_ = *sequence;
    return true;
}

bool SystemRestore::EndRestorePoint() {
    const auto ended =
        platform_.restorePoints.SetRestorePoint(platform::kEndSystemChange, 0, sequence_, {});
    sequence_ = 0;
    return ended.has_value();
}

}  // namespace quellon::removal
