// The small window Live Update shows while it checks and downloads.
#pragma once

#include "ui/controls.h"

namespace quellon::update {

class FrmDownload : public ui::Window {
public:
    FrmDownload() : ui::Window("Live Update") { SetVisible(false); }

    // What is being checked or fetched.
    ui::Label lblStatus;
};

}  // namespace quellon::update
