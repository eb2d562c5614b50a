// The window listing the files a removal run could not delete.
#pragma once

#include "ui/controls.h"
#include "ui/host.h"

namespace quellon::removal {

class FrmDelete : public ui::Window {
public:
    explicit FrmDelete(ui::Host& host);

    // Shows the window in front of the others.
    void Show();
    // "Copy List": every path, each followed by CR LF, on the clipboard.
    void Command2_Click();

    ui::ListView lstProblem;
    ui::Button Command1{"Ok"}, Command2{"Copy List"};
    ui::Label Label1{
        "The following files could not be deleted.  You should save your work, close all "
        "running programs (especially browsers) and try to delete them again."};
    ui::Label Label2{
        "If you still cannot delete them, you should start your computer in Safe Mode and "
        "either scan again or delete them manually."};

private:
    ui::Host& host_;
};

}  // namespace quellon::removal
