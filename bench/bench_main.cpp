// quellon-bench: times every scan phase of the real engine on a generated
// machine, next to a bare loop that does only the system work the phase
// cannot avoid, and prints one table.
//
// Bare loops (what each ratio is measured against; a phase and its bare loop
// take turns at running first):
//   start-up     open, read to the end and close the four definition files.
//   cookies      list the cookie folder (Linux: opendir/readdir; Windows:
//                FindFirstFile/FindNextFile), then open, read to the end and
//                close every file in it.
//   processes    Linux: list /proc and readlink /proc/<pid>/exe of every
//                process. Windows: the tool-help snapshot, then OpenProcess,
//                EnumProcessModules and GetModuleFileNameEx of every process.
//   registry     for every definition with a known hive: open the key, query
//                the value when one is named, close the key (Linux: on the
//                backend's parsed registry, the same calls the phase makes;
//                Windows: RegOpenKeyEx/RegQueryValueEx/RegCloseKey).
//   known files  look up the path of every definition, precomputed (Linux:
//                lstat; Windows: FindFirstFile as the backend's look-up);
//                for every path that is a regular file also open, read to the
//                end and close (the phase must read each present file for its
//                company name). The paths come ready-made in their stored
//                case; the phase works each one out from its Windows path.
// What differs by system lives in bench_posix.cpp and bench_win32.cpp.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/frm_main.h"
#include "bench_machine.h"
#include "bench_platform.h"
#include "cli/cli_front_end.h"
#include "scan/scanners.h"
#include "ui/host.h"

namespace quellon::bench {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// A front-end that shows nothing: every message box is answered OK (and
// counted: the benchmark expects none), events are counted and dropped.
class NullHost : public ui::Host {
public:
    ui::MsgResult MsgBox(std::string_view text, int, std::string_view) override {
        ++boxes;
        std::cerr << "unexpected message box: " << text << "\n";
        return ui::MsgResult::kOk;
    }
    void DoEvents() override {
        ++events;
        if (timeGaps) {
            MarkCheck();
        }
    }
    std::size_t DoEventsAfter(std::size_t count, const bool& stop) override {
        if (oneByOne) {
            return ui::Host::DoEventsAfter(count, stop);
        }
        if (stop) {
            return 0;
        }
        events += static_cast<long>(count);
        if (timeGaps) {
            MarkCheck();
        }
        return count;
    }
    // The longest time between two event checks since `StartGaps`.
    void StartGaps(bool checksOneByOne) {
        timeGaps = true;
        oneByOne = checksOneByOne;
        longestGap = Clock::duration::zero();
        lastCheck = Clock::now();
    }
    double StopGaps() {
        MarkCheck();
        timeGaps = oneByOne = false;
        return std::chrono::duration<double, std::milli>(longestGap).count();
    }
    DateTime Now() override { return DateTime::FromUnixSeconds(1700000000); }
    void SetClipboardText(std::string_view) override {}
    bool StartProgram(std::string_view, bool) override { return false; }
    bool OpenDocument(std::string_view) override { return false; }
    void EndProgram() override {}
    void AddTimer(ui::Timer&) override {}
    void RemoveTimer(ui::Timer&) override {}

    long boxes = 0;
    long events = 0;

private:
    void MarkCheck() {
        const Clock::time_point now = Clock::now();
        longestGap = std::max(longestGap, now - lastCheck);
        lastCheck = now;
    }
    // Off while phases are timed: reading the clock at every check would
    // cost more than the check.
    bool timeGaps = false;
    // A run of checks made one call at a time, as the phases made them
    // before runs were handed over.
    bool oneByOne = false;
    Clock::time_point lastCheck;
    Clock::duration longestGap{};
};

// One program run over the machine: backend, host and main window.
struct Engine {
    Engine(const BenchMachine& m) : backend(MakeBenchBackend(m)), frontEnd(std::cerr, {}) {
        app::AppInfo info;
        info.programFolder = backend->ProgramFolder();
        form = std::make_unique<app::FrmMain>(info, backend->Get(), host, frontEnd);
    }
    std::unique_ptr<BenchBackend> backend;
    NullHost host;
    cli::CliFrontEnd frontEnd;
    std::unique_ptr<app::FrmMain> form;
};

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Lets the allocator finish with what was freed before a timed run. A run
// starts after the rows of the one before it were cleared: tens of
// thousands of small blocks, which glibc merges lazily, at the next large
// request. Without this, the phase (whose first large request falls in its
// timed run) pays for the benchmark's own clearing, and the bare loop (which
// makes none) does not. A called operator new is not a new-expression, so
// the pair cannot be optimized away.
void SettleHeap() {
    ::operator delete(::operator new(64 * 1024));
}

template <typename Fn>
double Time(Fn&& fn) {
    SettleHeap();
    const auto start = Clock::now();
    fn();
    return MsSince(start);
}

// What StartScan does before the phases, so that one phase can run alone.
void BeginPhase(app::FrmMain& form, const char* prefix) {
    form.cmdScan.SetEnabled(false);
    auto& s = form.Session();
    s.ScanRunning = true;
    s.counters = scan::ScanCounters{};
    s.StopRequested = false;
    s.StatusPrefix = prefix;
    form.lvwSpywareFound.Clear();
    form.lvwPicRemoveListOfSpywareFoundAndToBeRemoved.Clear();
    for (ui::ActionList* l :
         {&form.lvwFilesToBeDeleted, &form.lvwRegistryToBeDeleted, &form.lvwCookiesToDelete}) {
        l->Clear();
    }
    form.lvwFileNotFounds.Clear();
}

// Runs a phase and its bare loop, the phase first in even runs and second
// in odd ones, so that neither always meets the caches the other warmed.
template <typename PhaseFn, typename BareFn>
void InTurn(int rep, PhaseFn engine, BareFn bare) {
    if (rep % 2 == 0) {
        engine();
        bare();
    } else {
        bare();
        engine();
    }
}

void EndPhase(app::FrmMain& form) {
    form.cmdScan.SetEnabled(true);
    form.Session().ScanRunning = false;
}

struct Series {
    std::vector<double> ms;
    double Median() const {
        std::vector<double> v = ms;
        std::sort(v.begin(), v.end());
        if (v.empty()) {
            return 0;
        }
        const size_t n = v.size();
        return n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    }
    double Min() const { return ms.empty() ? 0 : *std::min_element(ms.begin(), ms.end()); }
    double Max() const { return ms.empty() ? 0 : *std::max_element(ms.begin(), ms.end()); }
};

struct Row {
    std::string phase;
    std::string items;
    Series engine;
    Series bare;
    bool hasBare = true;
};

struct Options {
    Sizes sizes = DefaultSizes();
    int reps = 7;
    bool keep = false;
    fs::path parent;
    std::string measureMemory;  // internal: run one scan over this folder
    long idleFor = -1;          // internal: an idle process of this parent
    bool removeLeftovers = false;
    // Phases to time (all when empty): cookies, processes, registry, files, scan.
    std::string phases;
    bool Wants(const char* phase) const {
        return phases.empty() ||
               ("," + phases + ",").find("," + std::string(phase) + ",") != std::string::npos;
    }
};

void Usage() {
    std::cerr << "usage: quellon-bench [--files N] [--registry N] [--exes N] [--patterns N]\n"
                 "                     [--cookies N] [--processes N] [--reps N] [--tmp DIR]\n"
                 "                     [--phases cookies,processes,shield,registry,files,scan]\n"
                 "                     [--keep] [--remove-leftovers]\n"
                 "--tmp is where the machine goes on Linux; on Windows the machine is the\n"
                 "real one, and --remove-leftovers removes what a broken run planted there.\n";
}

std::optional<Options> ParseOptions(int argc, char** argv) {
    Options o;
    const char* tmp = std::getenv("TMPDIR");
    o.parent = tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            Usage();
            std::exit(0);
        }
        auto number = [&](int& target) {
            if (i + 1 >= argc) {
                return false;
            }
            char* end = nullptr;
            const long v = std::strtol(argv[++i], &end, 10);
            if (*end != '\0' || v < 0 || v > 10000000) {
                return false;
            }
            target = static_cast<int>(v);
            return true;
        };
        bool ok = true;
        if (a == "--files") {
            ok = number(o.sizes.fileLines);
        } else if (a == "--registry") {
            ok = number(o.sizes.registryLines);
        } else if (a == "--exes") {
            ok = number(o.sizes.exeLines);
        } else if (a == "--patterns") {
            ok = number(o.sizes.cookiePatterns);
        } else if (a == "--cookies") {
            ok = number(o.sizes.cookieFiles);
        } else if (a == "--processes") {
            ok = number(o.sizes.processes);
        } else if (a == "--reps") {
            ok = number(o.reps) && o.reps > 0;
        } else if (a == "--tmp" && i + 1 < argc) {
            o.parent = argv[++i];
        } else if (a == "--phases" && i + 1 < argc) {
            o.phases = argv[++i];
        } else if (a == "--keep") {
            o.keep = true;
        } else if (a == "--remove-leftovers") {
            o.removeLeftovers = true;
        } else if (a == "--idle-for" && i + 1 < argc) {
            o.idleFor = std::strtol(argv[++i], nullptr, 10);
        } else if (a == "--measure-memory" && i + 1 < argc) {
            o.measureMemory = argv[++i];
        } else {
            ok = false;
        }
        if (!ok) {
            Usage();
            return std::nullopt;
        }
    }
    return o;
}

int RunOneScan(const fs::path& dir) {
    const BenchMachine m = MachineAt(dir);
    {
        Engine e(m);
        e.form->LoadDefinitions();
        e.form->StartScan();
        if (e.host.boxes != 0) {
            return 1;
        }
    }
    const long kib = OwnPeakKiB();
    std::FILE* f = std::fopen(PeakFile(dir).string().c_str(), "w");
    if (f == nullptr) {
        return 3;
    }
    std::fprintf(f, "%ld\n", kib);
    return std::fclose(f) == 0 ? 0 : 3;
}

std::string Fixed(double v, int decimals) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, v);
    return buffer;
}

void PrintTable(const std::vector<Row>& rows) {
    std::printf("| phase | items | median ms | bare loop ms | ratio | engine min-max ms |\n");
    std::printf("|---|---|---:|---:|---:|---|\n");
    for (const Row& r : rows) {
        const double e = r.engine.Median();
        const double b = r.bare.Median();
        std::printf("| %s | %s | %s | %s | %s | %s-%s |\n", r.phase.c_str(), r.items.c_str(),
                    Fixed(e, 1).c_str(), r.hasBare ? Fixed(b, 1).c_str() : "-",
                    r.hasBare && b > 0 ? (Fixed(e / b, 2) + "x").c_str() : "-",
                    Fixed(r.engine.Min(), 1).c_str(), Fixed(r.engine.Max(), 1).c_str());
    }
}

int Run(const Options& o) {
    const Sizes& s = o.sizes;
    if (!RemoveLeftovers()) {
        std::cerr << "quellon-bench: what an earlier run planted could not all be removed\n";
        return 2;
    }
    std::cerr << "Generating the machine ...\n";
    const auto genStart = Clock::now();
    BenchMachine m = Generate(o.parent, s);
    // Whatever ends the run, what it planted goes (unless kept).
    struct Remover {
        const BenchMachine& m;
        bool keep;
        ~Remover() {
            if (!keep) {
                RemoveMachine(m);
            }
        }
    } remover{m, o.keep};
    std::cerr << "  " << m.dir.string() << " (" << Fixed(MsSince(genStart) / 1000, 1) << " s)\n";
    IdleProcesses sleepers(m, s.processes);

    Row startup{
        "start-up (load + count definitions)",
        std::to_string(s.fileLines + s.registryLines + s.exeLines + s.cookiePatterns) + " lines",
        {},
        {}};
    Row regLoad{RegistryLoadLabel(), "", {}, {}, false};
    Row cookies{"cookies",
                std::to_string(s.cookieFiles) + " files x " + std::to_string(s.cookiePatterns) +
                    " patterns",
                {},
                {}};
    Row processes{"processes", "", {}, {}};
    // The memory shield's tick as its timer runs it, outside a scan: the
    // definitions were read by the tick before, this one only re-splits them.
    Row shield{"memory-shield tick (processor time, after the first)", "", {}, {}};
    Row registry{"registry", std::to_string(s.registryLines) + " lines", {}, {}};
    Row files{"known files", std::to_string(s.fileLines) + " lines", {}, {}};
    Row whole{"whole scan (fresh start, StartScan)", "", {}, {}, false};

    long found[4] = {0, 0, 0, 0};
    long doEvents = 0;
    // The longest gap between two event checks in the cookie phase, runs
    // handed over [0] and checked one by one [1].
    Series cookieGaps[2];
    for (int rep = 0; rep < o.reps; ++rep) {
        std::cerr << "  run " << rep + 1 << "/" << o.reps << "\r" << std::flush;
        {
            Engine e(m);
            auto& form = *e.form;
            auto& ctx = form.ScanContext();
            startup.engine.ms.push_back(Time([&] { form.LoadDefinitions(); }));
            startup.bare.ms.push_back(Time([&] { BareStartup(m); }));
            regLoad.engine.ms.push_back(Time([&] {
                const auto key =
                    ctx.platform.registry.OpenKey(platform::kHkeyLocalMachine, "SOFTWARE", 63);
                if (key != 0) {
                    ctx.platform.registry.CloseKey(key);
                }
            }));

            if (o.Wants("cookies")) {
                InTurn(
                    rep,
                    [&] {
                        BeginPhase(form, "Detecting Cookies: ");
                        const long events0 = e.host.events;
                        cookies.engine.ms.push_back(Time([&] { scan::ScanCookies(ctx); }));
                        doEvents = e.host.events - events0;
                        found[0] = static_cast<long>(form.lvwCookiesToDelete.Count());
                        EndPhase(form);
                    },
                    [&] { cookies.bare.ms.push_back(Time([&] { BareCookies(m); })); });
                // How long Stop or Pause may wait: the longest time between
                // two event checks, with runs of checks handed over and made
                // one by one (outside the timed runs).
                for (const bool oneByOne : {false, true}) {
                    BeginPhase(form, "Detecting Cookies: ");
                    e.host.StartGaps(oneByOne);
                    scan::ScanCookies(ctx);
                    cookieGaps[oneByOne ? 1 : 0].ms.push_back(e.host.StopGaps());
                    EndPhase(form);
                }
            }
            if (o.Wants("processes")) {
                InTurn(
                    rep,
                    [&] {
                        BeginPhase(form, "Inspecting Memory: ");
                        processes.engine.ms.push_back(Time([&] { form.ScanRunningProcesses(); }));
                        EndPhase(form);
                    },
                    [&] { processes.bare.ms.push_back(Time([&] { BareProcesses(); })); });
                processes.items = form.lblTotalNoOfRunningItems.Caption() + " processes, " +
                                  std::to_string(s.exeLines) + " names";
            }
            if (o.Wants("shield")) {
                // The timer looks only while the window is not shown: it
                // sits in the tray, as it does for days.
                form.SendToTray();
                form.tmrMemoryInspected_Timer();  // reads the definitions
                if (form.lblTotalNoOfRunningItems.Caption().empty() ||
                    form.lblTotalNoOfRunningItems.Caption() == "0") {
                    std::cerr << "the memory shield's tick listed no processes\n";
                    return 1;
                }
                InTurn(
                    rep,
                    [&] {
                        shield.engine.ms.push_back(CpuMs([&] { form.tmrMemoryInspected_Timer(); }));
                    },
                    [&] { shield.bare.ms.push_back(CpuMs([&] { BareProcesses(); })); });
                shield.items = form.lblTotalNoOfRunningItems.Caption() + " processes, " +
                               std::to_string(s.exeLines) + " names";
            }
            if (o.Wants("registry")) {
                InTurn(
                    rep,
                    [&] {
                        BeginPhase(form, "Scanning Registry: ");
                        registry.engine.ms.push_back(Time([&] { scan::ScanRegistry(ctx); }));
                        found[1] = static_cast<long>(form.lvwRegistryToBeDeleted.Count());
                        EndPhase(form);
                    },
                    [&] {
                        registry.bare.ms.push_back(
                            Time([&] { BareRegistry(m, ctx.platform.registry); }));
                    });
            }
            if (o.Wants("files")) {
                InTurn(
                    rep,
                    [&] {
                        BeginPhase(form, "Scanning Known Spyware/Adware: ");
                        files.engine.ms.push_back(Time([&] { scan::ScanKnownFiles(ctx); }));
                        found[2] = static_cast<long>(form.lvwFilesToBeDeleted.Count());
                        found[3] = static_cast<long>(form.lvwSpywareFound.Count());
                        EndPhase(form);
                    },
                    [&] { files.bare.ms.push_back(Time([&] { BareFiles(m); })); });
            }
            if (e.host.boxes != 0) {
                return 1;
            }
        }
        if (o.Wants("scan")) {
            Engine e(m);
            e.form->LoadDefinitions();
            whole.engine.ms.push_back(Time([&] { e.form->StartScan(); }));
        }
    }
    std::cerr << "\n";
    const Peak peak = MeasureScanMemory(m);

    std::printf(
        "Machine: %d file lines (%d present), %d registry lines (%d present), "
        "%d executable names, %d cookie patterns, %d cookie files, %zu extra processes.\n",
        s.fileLines, m.filesPresent, s.registryLines, m.registryPresent, s.exeLines,
        s.cookiePatterns, s.cookieFiles, sleepers.Count());
    std::printf(
        "Found: %ld cookies, %ld registry entries, %ld files; %ld DoEvents calls in the "
        "cookie phase.\n",
        found[0], found[1], found[2], doEvents);
    if (!cookieGaps[0].ms.empty()) {
        std::printf(
            "Longest time between two event checks in the cookie phase: %s ms (checked one by "
            "one: %s ms).\n",
            Fixed(cookieGaps[0].Median(), 3).c_str(), Fixed(cookieGaps[1].Median(), 3).c_str());
    }
    std::printf("Medians of %d runs.\n\n", o.reps);
    std::vector<Row> rows = {startup, regLoad};
    for (auto [row, name] : {std::pair{&cookies, "cookies"}, std::pair{&processes, "processes"},
                             std::pair{&shield, "shield"}, std::pair{&registry, "registry"},
                             std::pair{&files, "files"}, std::pair{&whole, "scan"}}) {
        if (o.Wants(name)) {
            rows.push_back(*row);
        }
    }
    PrintTable(rows);
    std::printf("\nPeak memory of one whole scan in a fresh process (start-up included; %s): ",
                PeakName());
    if (peak.kib >= 0) {
        std::printf("%s MiB\n", Fixed(static_cast<double>(peak.kib) / 1024, 1).c_str());
    } else {
        std::printf("not measured: %s\n", peak.why.c_str());
    }
    if (o.keep) {
        std::printf("Machine kept in %s\n", m.dir.string().c_str());
    }
    return 0;
}

}  // namespace
}  // namespace quellon::bench

int main(int argc, char** argv) {
    using namespace quellon::bench;
    const auto options = ParseOptions(argc, argv);
    if (!options) {
        return 2;
    }
    try {
        if (options->idleFor >= 0) {
            return IdleUntilParentEnds(static_cast<unsigned long>(options->idleFor));
        }
        if (options->removeLeftovers) {
            return RemoveLeftovers() ? 0 : 1;
        }
        if (!options->measureMemory.empty()) {
            return RunOneScan(options->measureMemory);
        }
        return Run(*options);
    } catch (const std::exception& ex) {
        std::cerr << "quellon-bench: " << ex.what() << "\n";
        return 2;
    }
}
