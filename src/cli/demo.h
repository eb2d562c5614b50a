// The demo machine: a machine root with items planted for every entry kind
// of the starter definition set, so that a first scan shows real detections.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace quellon::cli {

// Writes the demo machine into `dir` (created when missing; it must be empty
// when it exists): drive_c with planted files and cookies, registry.reg,
// machine.ini and start-demo-process.sh, which starts a program that the
// memory scan finds. Prints what it wrote to `out`. Returns 0, or 2 with a
// message on `err`.
int MakeDemo(const std::filesystem::path& dir, std::ostream& out, std::ostream& err);

// What the demo machine plants, for laying it out another way (a Wine prefix).
struct DemoContent {
    struct File {
        std::string path;  // below C:\ in the Windows XP layout ("WINDOWS\system32\x.dll")
        std::string bytes;
    };
    struct Cookie {
        std::string fileName;
        std::string bytes;
    };
    std::vector<File> files;
    std::vector<Cookie> cookies;  // the cache index among them
    std::string registry;         // regedit text, CR LF
    std::string processName;      // the running program the memory scan finds
    std::string processCompany;
    std::string processVersionData;  // its version data (to append to a program)
};
DemoContent Demo();

}  // namespace quellon::cli
