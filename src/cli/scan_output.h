// What quellon-cli prints of a scan (scan, and watch for a scheduled scan).
#pragma once

#include <ostream>

#include "app/frm_main.h"

namespace quellon::cli {

// "found<TAB>text" per row of the result list, "item<TAB>text<TAB>location"
// per row of the removal list, then the status text.
void PrintScanResults(app::FrmMain& form, std::ostream& out);
// "problem<TAB>path" per file a removal could not delete.
void PrintRemovalProblems(app::FrmMain& form, std::ostream& out);
// Whether the scan found anything.
bool FoundAnything(app::FrmMain& form);
// "quellon-cli: passed over FILE line N: why" for a live definition a scan
// passed over, what the line holds escaped.
std::string PassedOverText(definitions::Kind kind, std::size_t line, const std::string& reason);

}  // namespace quellon::cli
