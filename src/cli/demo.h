// The demo machine: a machine root with items planted for every entry kind
// of the starter definition set, so that a first scan shows real detections.
#pragma once

#include <filesystem>
#include <ostream>

namespace quellon::cli {

// Writes the demo machine into `dir` (created when missing; it must be empty
// when it exists): drive_c with planted files and cookies, registry.reg,
// machine.ini and start-demo-process.sh, which starts a program that the
// memory scan finds. Prints what it wrote to `out`. Returns 0, or 2 with a
// message on `err`.
int MakeDemo(const std::filesystem::path& dir, std::ostream& out, std::ostream& err);

}  // namespace quellon::cli
