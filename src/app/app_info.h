// The names and version the program takes from its version information.
#pragma once

#include <string>
#include <vector>

#include "platform/signatures.h"

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
    // The folder of the program's own files (the executable, the help file,
    // the restart companion) when it is not the program folder: an installed
    // copy keeps its data in a per-user program folder. Empty otherwise.
    std::string installFolder;

    // The maker's public keys Live Update trusts: those in the folder
    // "UpdateKeys" beside the executable, and no others.
    std::vector<platform::PublicKey> updateKeys;

    const std::string& InstallFolder() const {
        return installFolder.empty() ? programFolder : installFolder;
    }
};

}  // namespace quellon::app
