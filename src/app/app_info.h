// The names and version the program takes from its version information.
#pragma once

#include <string>

namespace quellon::app {

struct AppInfo {
    std::string productName = "Quellon Pro";
    std::string companyName = "Quellon Software";
    std::string comments = "quellon.example";  // the web-site name
    int major = 1;
    int minor = 6;
    // The program's file name without extension.
    std::string exeName = "quellon-pro";
    // The program folder as a Windows path, without trailing "\".
    std::string programFolder;
};

}  // namespace quellon::app
