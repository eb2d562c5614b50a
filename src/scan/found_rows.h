// A faster answer to "does the result list hold a row for this spyware
// already" for the scanners that ask it once per hit.
#pragma once

#include <set>
#include <string>
#include <string_view>

#include "ui/controls.h"

namespace quellon::scan {

// Answers list.FindPrefix(prefix).has_value() from a sorted copy of the
// upper-cased row texts instead of a walk over every row. The copy follows
// the list as rows are added; should the list shrink it is rebuilt. A phase
// only adds rows to the result list while it runs.
class FoundRows {
public:
    explicit FoundRows(const ui::ListView& list) : list_(list) {}
    bool HasPrefix(std::string_view prefix);

private:
    void Sync();

    const ui::ListView& list_;
    std::multiset<std::string, std::less<>> upper_;
    size_t indexed_ = 0;
    std::string key_;
    // The last prefix found: hits of one spyware tend to come in a row, and
    // a row that is there stays there while the list only grows.
    std::string lastFound_, lastFoundAsGiven_;
    bool hasLastFound_ = false;
};

}  // namespace quellon::scan
