// A faster answer to "does the result list hold a row for this spyware
// already" for the scanners that ask it once per hit.
#pragma once

#include <functional>
#include <memory_resource>
#include <set>
#include <string>
#include <string_view>
#include <unordered_set>

#include "ui/controls.h"

namespace quellon::scan {

// Answers list.FindPrefix(prefix).has_value() from upper-cased copies of
// the rows instead of a walk over every row. The copies follow the list as
// rows are added; should the list shrink they are made again. A phase only
// adds rows to the result list while it runs.
//
// The scanners ask with a spyware name and " - Found": each row is kept up
// to the end of every " - FOUND" in it, so that such a prefix, found or
// not, is one hash look-up. Any other prefix is searched in a sorted copy of
// the rows, made when first asked for. The copies live in one arena: a
// phase that finds thousands of names asks the allocator for none of them
// one by one.
class FoundRows {
public:
    explicit FoundRows(const ui::ListView& list) : list_(list) {}
    bool HasPrefix(std::string_view prefix);

private:
    void Sync();

    struct ViewHash {
        using is_transparent = void;
        size_t operator()(std::string_view s) const noexcept {
            return std::hash<std::string_view>{}(s);
        }
    };

    const ui::ListView& list_;
    std::pmr::monotonic_buffer_resource arena_;
    std::pmr::unordered_set<std::pmr::string, ViewHash, std::equal_to<>> foundEnds_{&arena_};
    size_t indexed_ = 0;
    bool sorted_ = false;
    std::pmr::multiset<std::pmr::string, std::less<>> upper_{&arena_};
    size_t sortedIndexed_ = 0;
    std::string key_, row_;
    // The last prefix found: hits of one spyware tend to come in a row, and
    // a row that is there stays there while the list only grows.
    std::string lastFound_, lastFoundAsGiven_;
    bool hasLastFound_ = false;
    // The last prefix not found: its row is mostly the next one added.
    std::string lastMissed_, lastMissedAsGiven_;
    bool hasLastMissed_ = false;
};

}  // namespace quellon::scan
