#include "cli/scan_output.h"

#include "common/text.h"
#include "definitions/definition_reach.h"

namespace quellon::cli {

std::string PassedOverText(definitions::Kind kind, std::size_t line, const std::string& reason) {
    return "quellon-cli: passed over " + std::string(definitions::FileNameOf(kind)) + " line " +
           std::to_string(line) + ": " + definitions::EscapeForOutput(reason);
}

void PrintScanResults(app::FrmMain& form, std::ostream& out) {
    for (const auto& row : form.lvwSpywareFound.Items()) {
        out << "found\t" << text::EscapeControls(row.text) << '\n';
    }
    for (const auto& row : form.lvwPicRemoveListOfSpywareFoundAndToBeRemoved.Items()) {
        out << "item\t" << text::EscapeControls(row.text) << '\t'
            << text::EscapeControls(row.SubItem(1)) << '\n';
    }
    out << text::EscapeControls(form.lblStatus.Caption()) << '\n';
}

void PrintRemovalProblems(app::FrmMain& form, std::ostream& out) {
    for (const auto& row : form.frmDelete.lstProblem.Items()) {
        out << "problem\t" << text::EscapeControls(row.text) << '\n';
    }
}

bool FoundAnything(app::FrmMain& form) {
    return form.lvwSpywareFound.Count() > 0 ||
           form.lvwPicRemoveListOfSpywareFoundAndToBeRemoved.Count() > 0;
}

}  // namespace quellon::cli
