#include "cli/cli_front_end.h"

namespace quellon::cli {

void CliFrontEnd::ShowModal(ui::Window& window) {
    window.SetVisible(true);
    if (answer) {
        answer(window);
    }
    window.SetVisible(false);
}

void CliFrontEnd::ShowAlertAndWait(ui::Window& alert, const std::function<bool()>& answered) {
    alert.SetVisible(true);
    if (answer) {
        answer(alert);
    }
    if (!answered()) {
        alert.SetVisible(false);
    }
}

void CliFrontEnd::ShowAbout() {
    err_ << info_.productName << ' ' << info_.major << '.' << info_.minor << ", "
         << info_.companyName << ": spyware and adware protection\n";
}

}  // namespace quellon::cli
