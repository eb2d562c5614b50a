// The counting behind a host's DoEvents that looks for pending events only
// at every 64th call (reading the clock after every scanned item would cost
// more than the item): a single call and a run of calls look at the same
// places.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>

namespace quellon::ui {

inline constexpr std::uint64_t kEventCheckEvery = 64;

// Counts one call in `calls`; true when this call looks for events.
inline bool CountEventCheck(std::uint64_t& calls) {
    return (++calls % kEventCheckEvery) == 0;
}

// Counts a run of up to `count` calls in `calls`, each made only while
// `stop` (which an event may set) is not set, and runs `look` where a
// looking call falls; returns how many calls were made.
template <class Look>
std::size_t CountEventChecks(std::uint64_t& calls, std::size_t count, const bool& stop,
                             Look&& look) {
    std::size_t made = 0;
    while (made < count && !stop) {
        const auto toLook = static_cast<std::size_t>(kEventCheckEvery - calls % kEventCheckEvery);
        if (count - made < toLook) {
            calls += count - made;
            return count;
        }
        calls += toLook;
        made += toLook;
        look();
    }
    return made;
}

// How long after a run of pending events that `took` the next may run, for
// a host whose shortest wait is `slice`: nine times as long as the run took
// (a window drawn whole takes a while), so the events take at most a tenth
// of a scan's time, but never more than a tenth of a second, so the window
// follows the scan and Stop answers at once. A slice of zero never waits.
inline std::chrono::nanoseconds NextEventSlice(std::chrono::milliseconds slice,
                                               std::chrono::nanoseconds took) {
    if (slice.count() <= 0) {
        return std::chrono::nanoseconds{0};
    }
    const std::chrono::nanoseconds shortest = slice;
    const std::chrono::nanoseconds longest =
        std::max<std::chrono::nanoseconds>(shortest, std::chrono::milliseconds{100});
    return std::clamp<std::chrono::nanoseconds>(took * 9, shortest, longest);
}

}  // namespace quellon::ui
