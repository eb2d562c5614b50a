#include "cli/scan_output.h"

namespace quellon::cli {

void PrintScanResults(app::FrmMain& form, std::ostream& out) {
    for (const auto& row : form.lvwSpywareFound.Items()) {
        out << "found\t" << row.text << '\n';
    }
    for (const auto& row : form.lvwPicRemoveListOfSpywareFoundAndToBeRemoved.Items()) {
        out << "item\t" << row.text << '\t' << row.SubItem(1) << '\n';
    }
    out << form.lblStatus.Caption() << '\n';
}

void PrintRemovalProblems(app::FrmMain& form, std::ostream& out) {
    for (const auto& row : form.frmDelete.lstProblem.Items()) {
        out << "problem\t" << row.text << '\n';
    }
}

bool FoundAnything(app::FrmMain& form) {
    return form.lvwSpywareFound.Count() > 0 ||
           form.lvwPicRemoveListOfSpywareFoundAndToBeRemoved.Count() > 0;
}

}  // namespace quellon::cli
