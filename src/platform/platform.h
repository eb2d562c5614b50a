// One platform: the backend's implementations of every area, bundled.
#pragma once

#include "platform/download.h"
#include "platform/files.h"
#include "platform/libraries.h"
#include "platform/processes.h"
#include "platform/registry.h"
#include "platform/restore_points.h"
#include "platform/settings_storage.h"
#include "platform/shell.h"
#include "platform/signatures.h"
#include "platform/web_page.h"

namespace quellon::platform {

struct Platform {
    FileSystem& files;
    Registry& registry;
    Processes& processes;
    Shell& shell;
    SettingsStorage& settings;
    Libraries& libraries;
    RestorePoints& restorePoints;
    Download& download;
    WebPage& webPage;
    Signatures& signatures;
};

}  // namespace quellon::platform
