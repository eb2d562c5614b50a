#include "removal/frm_delete.h"

#include "common/text.h"

namespace quellon::removal {

FrmDelete::FrmDelete(ui::Host& host) : ui::Window("Files Not Deleted"), host_(host) {
    lstProblem.columns = {"Location"};
    SetVisible(false);
    Command1.onClick = [this] { SetVisible(false); };
    Command2.onClick = [this] { Command2_Click(); };
}

void FrmDelete::Show() {
    SetVisible(true);
    BringToFront();
}

void FrmDelete::Command2_Click() {
    std::string list;
    for (const auto& item : lstProblem.Items()) {
        list.append(item.text).append(text::kCrLf);
    }
    host_.SetClipboardText(list);
}

}  // namespace quellon::removal
