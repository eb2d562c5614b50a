// The scan report, Scan_Log.txt in the program folder: what one scan
// inspected and found, the exclusions and the quarantine log as they stand.
#pragma once

#include <string>
#include <string_view>

#include "platform/files.h"
#include "ui/controls.h"
#include "ui/host.h"

namespace quellon::report {

inline constexpr std::string_view kReportFileName = "Scan_Log.txt";

struct ReportInput {
    std::string productName;
    int major = 0;
    int minor = 0;
    std::string scanStarted;
    std::string scanFinished;
    // The counter captions as the main window shows them.
    std::string memoryInspected;
    std::string registryInspected;
    std::string filesInspected;
    // The removal list: each row's text and its location (sub-item 1).
    const ui::ListView& removalList;
    std::string programFolder;
};

// The report's text, with the exclusion file and the quarantine log read
// from the program folder.
std::string ReportText(const ReportInput& input, platform::FileSystem& fs);
// Replaces the report file with the report of this scan.
bool MakeReport(const ReportInput& input, platform::FileSystem& fs);

// The report window: the report file shown in a text box.
class FrmReport : public ui::Window {
public:
    FrmReport(platform::FileSystem& fs, ui::Host& host, std::string reportPath,
              std::string productName);
    // Reads the report file into the text box (empty when there is none).
    void Form_Load();
    ui::TextBox txtReport;
    ui::Button cmdOk{"OK"};

private:
    platform::FileSystem& fs_;
    ui::Host& host_;
    std::string reportPath_;
};

}  // namespace quellon::report
