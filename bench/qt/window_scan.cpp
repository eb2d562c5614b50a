// The whole scan through the window beside the same scan through the
// command line: one benchmark machine (files, registry values and cookies,
// about half of the definitions present), the scan from Start to its report,
// once with the command line's host and once with the main window on screen
// and its time-sliced event handling, in pairs taken in turn.
#include "window_scan.h"

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "app/application.h"
#include "app/frm_main.h"
#include "bench_machine.h"
#include "cli/cli_front_end.h"
#include "cli/cli_host.h"
#include "gui/qt/main_window.h"
#include "gui/qt/qt_front_end.h"
#include "gui/qt/qt_host.h"

namespace quellon::bench {
namespace {

namespace fs = std::filesystem;

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

struct Run {
    double ms = 0;
    std::string traces;  // the scan page's count
    size_t rows = 0;     // rows of the results list
    size_t reportBytes = 0;
};

size_t ReportBytes(const fs::path& home) {
    std::error_code ec;
    const auto size = fs::file_size(home / "Scan_Log.txt", ec);
    return ec ? 0 : static_cast<size_t>(size);
}

Run Result(app::FrmMain& form, double ms, const fs::path& home) {
    return {ms, form.lbltracesFound.Caption(),
            form.lvwPicRemoveListOfSpywareFoundAndToBeRemoved.Count(), ReportBytes(home)};
}

// The scan as `quellon-cli scan` makes it.
Run CommandLineScan(const app::Folders& folders, const fs::path& home) {
    fs::remove(home / "Scan_Log.txt");
    app::Application application(folders);
    std::ostringstream err;
    cli::CliHost host(err);
    cli::CliFrontEnd frontEnd(err, application.Info());
    app::FrmMain& form = application.MakeMainForm(host, frontEnd);
    const auto start = Clock::now();
    {
        const auto batch = form.Settings().Batch();
        form.LoadDefinitions();
        form.LoadDriveList();
        form.LoadSettingsIntoForm();
        form.StartScan();
    }
    Run r = Result(form, Ms(Clock::now() - start), home);
    application.DestroyMainForm();
    return r;
}

// The same scan started from the window on screen, as "Scan Now" does. The
// window is made and shown first, as it is when the user clicks; what the
// scan left to draw is part of the scan.
Run WindowScan(const app::Folders& folders, const fs::path& home, double* longestWaitMs) {
    fs::remove(home / "Scan_Log.txt");
    app::Application application(folders);
    platform::BackendHandle& backend = application.Backend();
    gui::QtHost host(
        [&backend](std::string_view windowsPath) { return backend.LocalPathOf(windowsPath); });
    gui::QtFrontEnd frontEnd(application.Info(), host, {}, nullptr);
    app::FrmMain& form = application.MakeMainForm(host, frontEnd);
    Run r;
    {
        auto view = std::make_unique<gui::MainWindow>(form, host, frontEnd);
        const auto start = Clock::now();
        form.LoadDefinitions();
        form.LoadDriveList();
        form.LoadSettingsIntoForm();
        const auto loaded = Clock::now();
        view->Present();
        QCoreApplication::processEvents();
        const auto shown = Clock::now();
        form.cmdScanNow.Click();
        QCoreApplication::processEvents();
        const auto end = Clock::now();
        r = Result(form, Ms(loaded - start) + Ms(end - shown), home);
        if (std::getenv("QUELLON_BENCH_EVENTS") != nullptr) {
            std::printf("  %llu runs of events, %.0f ms in them\n",
                        static_cast<unsigned long long>(host.EventSlices()),
                        std::chrono::duration<double, std::milli>(host.EventTime()).count());
        }
        if (longestWaitMs != nullptr) {
            *longestWaitMs =
                std::chrono::duration<double, std::milli>(host.LongestEventWait()).count();
        }
    }
    application.DestroyMainForm();
    return r;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int WindowScanMain(int argc, char** argv) {
    Sizes sizes;
    sizes.processes = 0;
    int pairs = 5;
    std::string only;  // "cli" or "window": that scan alone, for a profiler
    for (int i = 0; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        const int n = std::atoi(argv[i + 1]);
        if (a == "--only" &&
            (std::string(argv[i + 1]) == "cli" || std::string(argv[i + 1]) == "window")) {
            only = argv[i + 1];
        } else if (a == "--files") {
            sizes.fileLines = n;
        } else if (a == "--registry") {
            sizes.registryLines = n;
        } else if (a == "--patterns") {
            sizes.cookiePatterns = n;
        } else if (a == "--cookies") {
            sizes.cookieFiles = n;
        } else if (a == "--pairs") {
            pairs = std::max(1, n);
        } else {
            std::fprintf(stderr,
                         "usage: quellon-bench-qt scan [--files N] [--registry N] "
                         "[--patterns N] [--cookies N] [--pairs N] [--only cli|window]\n");
            return 2;
        }
    }
    const fs::path parent =
        fs::temp_directory_path() / ("quellon-bench-scan-" + std::to_string(::getpid()));
    fs::create_directories(parent);
    const BenchMachine m = Generate(parent, sizes);
    const app::Folders folders{m.home, m.root, m.config};
    if (!only.empty()) {
        std::printf("machine ready\n");
        std::fflush(stdout);
        std::vector<double> times;
        for (int i = 0; i < pairs; ++i) {
            times.push_back(only == "cli" ? CommandLineScan(folders, m.home).ms
                                          : WindowScan(folders, m.home, nullptr).ms);
        }
        std::printf("%s scan: median %.0f ms of %d\n", only.c_str(), Median(times), pairs);
        fs::remove_all(parent);
        return 0;
    }

    // The first of each warms the caches and stores the new profile's
    // defaults.
    const Run warmCli = CommandLineScan(folders, m.home);
    const Run warmWindow = WindowScan(folders, m.home, nullptr);
    if (warmCli.rows == 0 || warmCli.traces != warmWindow.traces ||
        warmCli.rows != warmWindow.rows || warmCli.reportBytes == 0 ||
        warmCli.reportBytes != warmWindow.reportBytes) {
        std::fprintf(stderr,
                     "the two scans differ: %s and %s traces, %zu and %zu rows, reports of %zu "
                     "and %zu bytes\n",
                     warmCli.traces.c_str(), warmWindow.traces.c_str(), warmCli.rows,
                     warmWindow.rows, warmCli.reportBytes, warmWindow.reportBytes);
        fs::remove_all(parent);
        return 1;
    }
    std::vector<double> cli, window, ratios, waits;
    for (int i = 0; i < pairs; ++i) {
        // Taken in turn, the order changing, so a slow moment of the
        // machine falls on both.
        Run c, w;
        double wait = 0;
        if (i % 2 == 0) {
            c = CommandLineScan(folders, m.home);
            w = WindowScan(folders, m.home, &wait);
        } else {
            w = WindowScan(folders, m.home, &wait);
            c = CommandLineScan(folders, m.home);
        }
        waits.push_back(wait);
        cli.push_back(c.ms);
        window.push_back(w.ms);
        ratios.push_back(w.ms / c.ms);
        std::printf(
            "pair %d: command line %.0f ms, window %.0f ms, %.2fx; longest wait for "
            "events %.0f ms\n",
            i + 1, c.ms, w.ms, w.ms / c.ms, wait);
    }
    std::printf(
        "whole scan to its report, %s traces, %zu rows in the results list: command line %.0f ms, "
        "window %.0f ms (medians of %d pairs); median ratio %.2fx; longest wait for events "
        "%.0f ms (median)\n",
        warmCli.traces.c_str(), warmCli.rows, Median(cli), Median(window), pairs, Median(ratios),
        Median(waits));
    fs::remove_all(parent);
    return 0;
}

}  // namespace quellon::bench
