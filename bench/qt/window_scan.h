// The scan through the window beside the scan through the command line.
#pragma once

namespace quellon::bench {

// `quellon-bench-qt scan [--files N] [--registry N] [--patterns N]
// [--cookies N] [--pairs N] [--only cli|window]`: prints each pair and the
// medians. With QUELLON_BENCH_EVENTS set it also prints, for each scan
// through the window, how many runs of events it made and their time.
int WindowScanMain(int argc, char** argv);

}  // namespace quellon::bench
