#include "report/report.h"

#include "common/text.h"
#include "definitions/definition_set.h"
#include "ui/host.h"

namespace quellon::report {
namespace {

constexpr std::string_view kCrLf = text::kCrLf;

// Each line followed by CR LF, then "Total Lines = " and the count; lines
// that are empty or one blank are passed over when `skipBlank` is set. Empty
// when the file cannot be read.
std::string ReadSection(platform::FileSystem& fs, const std::string& path, bool skipBlank) {
    auto lines = fs.OpenLines(path);
    if (!lines) {
        return {};
    }
    std::string out;
    std::int64_t count = 0;
    std::string line;
    while (lines->Next(line)) {
        if (skipBlank && (line.empty() || line == " ")) {
            continue;
        }
        out.append(line).append(kCrLf);
        ++count;
    }
    out.append("Total Lines = ").append(text::ToDecimal(count));
    return out;
}

}  // namespace

std::string ReportText(const ReportInput& in, platform::FileSystem& fs) {
    const std::string quarantineLog =
        definitions::JoinPath(in.programFolder, "quarantine\\QuarantineLog.txt");
    const std::string exclusionFile = definitions::JoinPath(in.programFolder, "ENoSignature.txt");
    const std::string quarantine = definitions::FileExists(fs, quarantineLog)
                                       ? ReadSection(fs, quarantineLog, false)
                                       : std::string();
    const std::string exclusions = definitions::FileExists(fs, exclusionFile)
                                       ? ReadSection(fs, exclusionFile, true)
                                       : std::string();

    std::string out;
    // Every write is its text followed by CR LF.
    auto write = [&out](std::string_view part) { out.append(part).append(kCrLf); };
    const std::string stars(68, '*');
    const std::string rule(23, '-');
    write(stars + std::string(kCrLf));
    write(std::string(19, ' ') + in.productName + "v" + std::to_string(in.major) + "." +
          std::to_string(in.minor) + "   Scan Report." + std::string(kCrLf));
    write(stars + std::string(kCrLf));
    write(rule + std::string(kCrLf));
    write(" Scan Started at  : " + in.scanStarted + std::string(kCrLf));
    write(" Scan Finished at : " + in.scanFinished + std::string(kCrLf));
    write(rule + std::string(kCrLf));
    for (int i = 0; i < 3; ++i) {
        write(kCrLf);
    }
    write(" 1)Total Number of Cookies and Processes inspected: " + in.memoryInspected +
          std::string(kCrLf));
    write(" 2)Total Number of Registry entries inspected: " + in.registryInspected +
          std::string(kCrLf));
    write(" 3)Total Number of Files/Folders inspected: " + in.filesInspected + std::string(kCrLf));
    write(kCrLf);
    write("[Threats Detected]" + std::string(kCrLf) + std::string(kCrLf));
    for (const auto& item : in.removalList.Items()) {
        write(item.text + std::string(kCrLf));
        write(item.SubItem(1) + std::string(kCrLf) + std::string(kCrLf));
    }
    write("Total = " + text::ToDecimal(static_cast<std::int64_t>(in.removalList.Count())) +
          std::string(kCrLf));
    if (!exclusions.empty()) {
        write(std::string(kCrLf) + "[Files Currently Excluded]" + std::string(kCrLf) +
              std::string(kCrLf) + exclusions + std::string(kCrLf));
    }
    if (!quarantine.empty()) {
        write(std::string(kCrLf) + "[Current Quarantine Log]" + std::string(kCrLf) +
              std::string(kCrLf) + quarantine + std::string(kCrLf) + std::string(kCrLf));
    }
    write(kCrLf);
    write(std::string(21, '=') + "End Of Report.");
    return out;
}

bool MakeReport(const ReportInput& input, platform::FileSystem& fs) {
    // Written whole in place of the old report, so a failure leaves the old
    // one or the new one, never a mixture.
    return fs.WriteAtomic(definitions::JoinPath(input.programFolder, kReportFileName),
                          ReportText(input, fs));
}

FrmReport::FrmReport(platform::FileSystem& fs, ui::Host& host, std::string reportPath,
                     std::string productName)
    : ui::Window(std::move(productName) + " Log"),
      fs_(fs),
      host_(host),
      reportPath_(std::move(reportPath)) {
    SetVisible(false);
    cmdOk.onClick = [this] { SetVisible(false); };
}

void FrmReport::Form_Load() {
    std::string text;
    if (definitions::FileExists(fs_, reportPath_)) {
        if (auto lines = fs_.OpenLines(reportPath_)) {
            std::string line;
            while (lines->Next(line)) {
                if (!text::TrimView(line).empty()) {
                    text.append(line);
                }
                text.append(kCrLf);
                host_.DoEvents();
            }
        }
    }
    txtReport.SetText(std::move(text));
}

}  // namespace quellon::report
