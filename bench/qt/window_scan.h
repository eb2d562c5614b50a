// The scan through the window beside the scan through the command line.
#pragma once

namespace quellon::bench {

// `quellon-bench-qt scan [--files N] [--registry N] [--patterns N]
// [--cookies N] [--pairs N]`: prints each pair and the medians.
int WindowScanMain(int argc, char** argv);

}  // namespace quellon::bench
