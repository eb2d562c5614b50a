#include "cli/cli.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/frm_main.h"
#include "cli/cli_front_end.h"
#include "cli/cli_host.h"
#include "cli/commands.h"
#include "cli/demo.h"
#include "cli/read_file.h"
#include "cli/scan_output.h"
#include "cli/wine_demo.h"
#include "common/lines.h"
#include "common/result.h"
#include "common/text.h"
#include "common/winpath.h"
#include "definitions/codec.h"
#include "platform/backend_factory.h"

namespace quellon::cli {
namespace {

namespace fs = std::filesystem;

constexpr const char* kUsage =
    "usage: quellon-cli [--home DIR] [--machine DIR] [--config DIR] COMMAND [ARGS]\n"
    "\n"
    "commands:\n"
    "  scan [--complete] [--remove]             run a scan with the stored options;\n"
    "                                           --remove then quarantines everything found\n"
    "                                           and prints what could not be deleted\n"
    "  quarantine list                          the quarantined files and where they were\n"
    "  quarantine restore NAME [--to PATH]      put a quarantined file back (never\n"
    "                                           overwrites an existing file)\n"
    "  settings get APP SECTION KEY [DEFAULT]   print a stored setting\n"
    "  settings set APP SECTION KEY VALUE       store a setting\n"
    "  settings list [APP]                      print every stored setting\n"
    "  decode FILE                              print a definition file decoded\n"
    "  encode FILE [--output OUT]               encode plain definition lines\n"
    "  shield memory [--memory-answer stop|allow]\n"
    "                                           one tick of the memory shield\n"
    "  shield homepage [--homepage-answer yes|no]\n"
    "                                           one tick of the home-page shield\n"
    "  watch [--memory-answer stop|allow] [--homepage-answer yes|no] [--seconds N]\n"
    "                                           run the shields, the scheduled scans and\n"
    "                                           the automatic update as the program does\n"
    "                                           in the tray, until Ctrl-C, SIGTERM or N s\n"
    "  schedule show                            the stored schedule and its next scan\n"
    "  schedule set DAY HH:MM:SS [--auto-delete|--no-auto-delete]\n"
    "                                           scan on DAY (daily, monday ... sunday,\n"
    "                                           never) at that time, as Apply stores it\n"
    "  schedule set date DD/MM/YYYY HH:MM:SS [--auto-delete|--no-auto-delete]\n"
    "                                           scan once, on that date at that time\n"
    "  schedule off                             switch scheduled scans off\n"
    "  update [--site SITE]                     Live Update: download the definition files\n"
    "                                           whose version differs (or QUELLON_UPDATE_SITE)\n"
    "  publish PLAIN_DIR SITE_DIR --version N --key PRIVATE\n"
    "                                           write the site Live Update reads: version\n"
    "                                           pages, encoded definition files and their\n"
    "                                           signatures made with the maker's key\n"
    "  keygen PRIVATE PUBLIC                    write a new signing key pair (never over\n"
    "                                           an existing file); the public key goes in\n"
    "                                           UpdateKeys beside the programs\n"
    "  make-demo DIR                            write a demo machine\n"
    "  make-demo --wine DIR                     make a demo Wine prefix with wineboot\n"
    "\n"
    "options (or the environment variables QUELLON_HOME, QUELLON_MACHINE, QUELLON_CONFIG):\n"
    "  --home DIR      the program folder (definitions, exclusions, report)\n"
    "  --machine DIR   the machine root (drive_c, registry.reg, machine.ini)\n"
    "  --config DIR    the folder of the settings store\n"
    "\n"
    "exit status: 0 nothing found, 1 something found (for shield: an alert or a\n"
    "restored page), 2 error (for shield and watch also: an answer that could not\n"
    "be carried out, printed as stop-failed, allow-failed or restore-failed)\n";

// A live progress line on a terminal; nothing otherwise.
class ProgressLine {
public:
    ProgressLine(app::FrmMain& form, std::ostream& err) : form_(form), err_(err) {
        if (!platform::StderrIsTerminal()) {
            return;
        }
        live_ = true;
        columns_ = platform::TerminalColumns();
        form_.lblStatus.Observe([this] { Draw(); });
    }
    ~ProgressLine() { Clear(); }
    // A line of its own, with the progress line drawn again below it.
    void Say(std::string_view line) {
        Clear();
        err_ << line << '\n' << std::flush;
    }
    void Clear() {
        if (live_ && drawn_) {
            err_ << "\r\033[K" << std::flush;
            drawn_ = false;
        }
    }

private:
    void Draw() {
        std::string status = text::Replace(form_.lblStatus.Caption(), "\r\n", " ");
        const int percent = static_cast<int>(form_.pb2.Value());
        std::string line = "[";
        line += percent < 10 ? "  " : percent < 100 ? " " : "";
        line += std::to_string(percent);
        line += "%] ";
        line += status;
        if (columns_ > 1 && static_cast<int>(line.size()) >= columns_) {
            line.resize(static_cast<size_t>(columns_ - 1));
        }
        err_ << "\r\033[K" << line << std::flush;
        drawn_ = true;
    }

    app::FrmMain& form_;
    std::ostream& err_;
    bool live_ = false;
    bool drawn_ = false;
    int columns_ = 80;
};

Result<int> Scan(const Options& o, bool complete, bool remove, std::ostream& out,
                 std::ostream& err) {
    if (Status folders = app::CheckFolders(o.folders); !folders) {
        return folders;
    }
    app::Application application(o.folders);
    CliHost host(err);
    CliFrontEnd frontEnd(err, application.Info());
    app::FrmMain& form = application.MakeMainForm(host, frontEnd);
    // The form ends before the host and front-end it was made with, which
    // were made after the application and so end before it.
    struct EndForm {
        app::Application& application;
        ~EndForm() { application.DestroyMainForm(); }
    } endForm{application};
    host.onInterrupt = [&form] { form.RequestStop(); };
    platform::CatchInterrupts(host.InterruptFlag());

    {
        // What the scan stores (the options shown, on a new profile their
        // defaults, and the scan's dates) goes out in one write at its end.
        const auto batch = form.Settings().Batch();
        form.LoadDefinitions();
        form.LoadDriveList();
        form.LoadSettingsIntoForm();
        if (complete) {
            form.optScanAllSelectedHardDrive.SetValue(true);
        }
        ProgressLine progress(form, err);
        // A definition that names what none may is said, one line each.
        form.ScanContext().onPassedOver = [&progress](definitions::Kind kind, std::size_t line,
                                                      const std::string& reason) {
            progress.Say(PassedOverText(kind, line, reason));
        };
        form.StartScan();
        form.ScanContext().onPassedOver = nullptr;
    }
    if (!form.LastScanRan()) {
        // The scan's own message has said why.
        return Status::Failure("");
    }
    PrintScanResults(form, out);
    const bool found = FoundAnything(form);
    if (remove && found && !form.Session().StopRequested) {
        // As after a scheduled scan with automatic deletion: no questions.
        form.Session().UnattendedRemoval = true;
        form.RemoveAllFound();
        form.Session().UnattendedRemoval = false;
        PrintRemovalProblems(form, out);
    }
    return found ? kExitFound : kExitClean;
}

Result<int> Quarantine(const Options& o, std::ostream& out, std::ostream& err) {
    const auto& a = o.args;
    const bool list = a.size() == 2 && a[1] == "list";
    const bool restore = (a.size() == 3 || (a.size() == 5 && a[3] == "--to")) && a[1] == "restore";
    if (!list && !restore) {
        return Usage();
    }
    if (Status folders = app::CheckFolders(o.folders); !folders) {
        return folders;
    }
    app::Application application(o.folders);
    CliHost host(err);
    removal::QuarantineStore store(application.Platform(), host, application.Info().programFolder);
    if (list) {
        for (const auto& f : store.List()) {
            // A name or a logged place may hold any byte but NUL: one line is
            // always one file.
            out << text::EscapeControls(f.name) << '\t' << text::EscapeControls(f.location) << '\t'
                << text::EscapeControls(f.quarantinedAt) << '\n';
        }
        return kExitClean;
    }
    std::string target;
    if (a.size() == 5) {
        // A Windows path is taken as it is; any other path is a local one.
        const std::string& to = a[4];
        const bool windowsPath = winpath::IsAbsolute(to);
        std::error_code ec;
        target = windowsPath ? to : application.Backend().WindowsPathOf(fs::absolute(to, ec));
    }
    std::string restoredTo;
    switch (store.Restore(a[2], target, &restoredTo)) {
        case removal::RestoreResult::kRestored:
            out << "restored\t" << text::EscapeControls(a[2]) << '\t'
                << text::EscapeControls(restoredTo) << '\n';
            return kExitClean;
        case removal::RestoreResult::kNotInQuarantine:
            return Result<int>::Failure("\"" + a[2] + "\" is not in the quarantine folder " +
                                        store.Folder());
        case removal::RestoreResult::kNoLocation:
            return Result<int>::Failure("the quarantine log does not say where \"" + a[2] +
                                        "\" came from; give --to PATH");
        case removal::RestoreResult::kTargetExists:
            return Result<int>::Failure(
                restoredTo +
                " already exists; nothing was overwritten and the copy stays in quarantine");
        case removal::RestoreResult::kFailed:
            break;
    }
    return Result<int>::Failure("\"" + a[2] + "\" could not be restored to " + restoredTo);
}

Result<int> Settings(const Options& o, std::ostream& out) {
    const auto& a = o.args;
    auto backend = platform::MakeBackend({o.folders.machine, o.folders.config});
    auto& store = backend->Get().settings;
    if (a.size() >= 5 && a.size() <= 6 && a[1] == "get") {
        if (auto v = store.Get(a[2], a[3], a[4])) {
            out << *v << '\n';
            return kExitClean;
        }
        if (a.size() == 6) {
            out << a[5] << '\n';
            return kExitClean;
        }
        return kExitFound;
    }
    if (a.size() == 6 && a[1] == "set") {
        if (!store.Set(a[2], a[3], a[4], a[5])) {
            return Result<int>::Failure("the setting could not be stored in \"" +
                                        o.folders.config.string() + "\"");
        }
        return kExitClean;
    }
    if (a.size() <= 3 && a.size() >= 2 && a[1] == "list") {
        std::vector<std::string> apps;
        if (a.size() == 3) {
            apps.push_back(a[2]);
        } else {
            apps = store.Applications();
        }
        for (const auto& app : apps) {
            for (const auto& e : store.List(app)) {
                out << app << '\t' << e.section << '\t' << e.key << '\t' << e.value << '\n';
            }
        }
        return kExitClean;
    }
    return Usage();
}

Result<std::string> ReadFile(const std::string& path) {
    std::optional<std::string> bytes = ReadWholeFile(path);
    if (!bytes) {
        return Result<std::string>::Failure("cannot read " + path);
    }
    return std::move(*bytes);
}

Result<int> Decode(const std::vector<std::string>& a, std::ostream& out) {
    if (a.size() != 2) {
        return Usage();
    }
    auto data = ReadFile(a[1]);
    if (!data) {
        return data.status();
    }
    for (const auto& line : lines::SplitLines(*data)) {
        out << definitions::DecodeDefinitionLine(line) << '\n';
    }
    return kExitClean;
}

Result<int> Encode(const std::vector<std::string>& a, std::ostream& out, std::ostream& err) {
    std::string input, output;
    for (size_t i = 1; i < a.size(); ++i) {
        if (a[i] == "--output" && i + 1 < a.size()) {
            output = a[++i];
        } else if (input.empty()) {
            input = a[i];
        } else {
            return Usage();
        }
    }
    if (input.empty()) {
        return Usage();
    }
    auto data = ReadFile(input);
    if (!data) {
        return data.status();
    }
    std::string encoded;
    int lineNo = 0;
    int lossy = 0;
    for (const auto& line : lines::SplitLines(*data)) {
        ++lineNo;
        bool lossless = true;
        encoded += definitions::EncodeDefinitionLine(line, &lossless);
        encoded += "\r\n";
        if (!lossless) {
            ++lossy;
            err << input << ':' << lineNo
                << ": holds a byte between 192 and 253 that reads back as a letter or digit\n";
        }
    }
    if (output.empty()) {
        out << encoded;
    } else {
        const fs::path target(output);
        const fs::path temp = target.string() + ".tmp";
        {
            std::ofstream file(temp, std::ios::binary | std::ios::trunc);
            file << encoded;
            if (!file.flush()) {
                return Result<int>::Failure("cannot write " + output);
            }
        }
        std::error_code ec;
        fs::rename(temp, target, ec);
        if (ec) {
            return Result<int>::Failure("cannot write " + output);
        }
    }
    return lossy > 0 ? kExitFound : kExitClean;
}

Result<int> RunCommand(const Options& o, std::ostream& out, std::ostream& err) {
    const std::string& command = o.args[0];
    if (command == "scan") {
        bool complete = false;
        bool remove = false;
        for (size_t i = 1; i < o.args.size(); ++i) {
            if (o.args[i] == "--complete") {
                complete = true;
            } else if (o.args[i] == "--remove") {
                remove = true;
            } else {
                return Usage();
            }
        }
        return Scan(o, complete, remove, out, err);
    }
    if (command == "quarantine") {
        return Quarantine(o, out, err);
    }
    if (command == "settings") {
        return Settings(o, out);
    }
    if (command == "decode") {
        return Decode(o.args, out);
    }
    if (command == "encode") {
        return Encode(o.args, out, err);
    }
    if (command == "shield") {
        return Shield(o, out, err);
    }
    if (command == "watch") {
        return Watch(o, out, err);
    }
    if (command == "update") {
        return Update(o, out, err);
    }
    if (command == "publish") {
        return Publish(o, out, err);
    }
    if (command == "keygen") {
        return Keygen(o, out, err);
    }
    if (command == "schedule") {
        return Schedule(o, out, err);
    }
    if (command == "make-demo" && o.args.size() == 2) {
        return MakeDemo(o.args[1], out, err);
    }
    if (command == "make-demo" && o.args.size() == 3 && o.args[1] == "--wine") {
        return MakeWineDemo(o.args[2], out, err);
    }
    return Result<int>::Failure("unknown command \"" + command + "\"\n" + kUsage);
}

}  // namespace

int Run(int argc, char** argv, std::ostream& out, std::ostream& err) {
    Options o;
    o.folders = app::FoldersFromEnvironment();
    o.args.assign(argv + std::min(argc, 1), argv + argc);
    if (Status parsed = app::TakeFolderOptions(o.args, o.folders); !parsed) {
        err << "quellon-cli: " << parsed.reason() << '\n';
        return kExitError;
    }
    if (o.args.empty() || o.args[0] == "help" || o.args[0] == "--help" || o.args[0] == "-h") {
        (o.args.empty() ? err : out) << kUsage;
        return o.args.empty() ? kExitError : kExitClean;
    }
    const Result<int> result = RunCommand(o, out, err);
    if (result) {
        return result.value();
    }
    if (result.reason() == kUsageFailure) {
        err << kUsage;
    } else if (!result.reason().empty()) {
        err << "quellon-cli: " << result.reason() << '\n';
    }
    return kExitError;
}

}  // namespace quellon::cli
