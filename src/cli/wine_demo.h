// The demo machine as a real Wine prefix: made with wineboot, with the
// demo's traces of every kind planted in Wine's own places and through Wine
// itself.
#pragma once

#include <filesystem>
#include <ostream>

namespace quellon::cli {

// Makes the prefix in `dir` (new, or an empty folder): wineboot --init,
// then the demo's files in the prefix's folders (the ones its registry
// names), its cookies in the prefix's cookie folder, its registry keys
// imported with Wine's reg, and start-demo-process.sh, which starts the
// demo's adware stand-in, a small Windows program, under Wine. Wine runs
// with the prefix's own home folder (dir/home), so that the prefix's links
// to the user's folders point there and not into the user's own home.
// Returns 0, or 2 with a message on `err` (also when wine is missing).
int MakeWineDemo(const std::filesystem::path& dir, std::ostream& out, std::ostream& err);

}  // namespace quellon::cli
