#include "cli/cli_front_end.h"

namespace quellon::cli {

void CliFrontEnd::ShowAlertAndWait(ui::Window& alert, const std::function<bool()>& answered) {
    if (!answered()) {
        alert.SetVisible(false);
    }
}

void CliFrontEnd::ShowAbout() {
    err_ << info_.productName << ' ' << info_.major << '.' << info_.minor << ", "
         << info_.companyName << ": spyware and adware protection\n";
}

}  // namespace quellon::cli
