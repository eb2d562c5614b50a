// What it costs to let window events run inside the scan loop: the
// known-file phase over a generated definition set, once with a host whose
// DoEvents does nothing and once with the window host (time-sliced
// processEvents), with and without the main window on screen, and once
// with processEvents after every item for comparison.
//
// usage: quellon-bench-qt [LINES] [RUNS] [window]   (defaults 100000 and 7;
//        "window" measures only the run with the window on screen)
//        quellon-bench-qt scan ...   (the whole scan, window beside command
//        line: see window_scan.h)
#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "app/frm_main.h"
#include "definitions/codec.h"
#include "gui/qt/main_window.h"
#include "gui/qt/qt_front_end.h"
#include "gui/qt/qt_host.h"
#include "platform/backend_factory.h"
#include "settings/settings_store.h"
#include "window_scan.h"

namespace {

namespace fs = std::filesystem;
using namespace quellon;

// The engine with everything of the window host but pending events.
class NoEventsHost : public gui::QtHost {
public:
    using QtHost::QtHost;
    void DoEvents() override {}
};

// Pending events after every single item.
class EveryItemHost : public gui::QtHost {
public:
    using QtHost::QtHost;
    void DoEvents() override { QCoreApplication::processEvents(); }
};

void Write(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

struct Machine {
    fs::path dir, root, home, config;
};

Machine Generate(int lines) {
    Machine m;
    m.dir = fs::temp_directory_path() /
            ("quellon-bench-qt-" + std::to_string(static_cast<long>(::getpid())));
    fs::remove_all(m.dir);
    m.root = m.dir / "machine";
    m.home = m.dir / "home";
    m.config = m.dir / "config";
    fs::create_directories(m.root / "drive_c" / "WINDOWS" / "system32");
    fs::create_directories(m.config);
    std::string text;
    text.reserve(static_cast<size_t>(lines) * 40);
    char name[64];
    for (int i = 0; i < lines; ++i) {
        std::snprintf(name, sizeof name, "qb%06d.dll=Bench Adware %04d", i, i / 20);
        text += definitions::EncodeDefinitionLine(name);
        text += "\r\n";
        // One file in a thousand is present, so the result lists fill too.
        if (i % 1000 == 0) {
            std::snprintf(name, sizeof name, "qb%06d.dll", i);
            Write(m.root / "drive_c" / "WINDOWS" / "system32" / name, "x");
        }
    }
    Write(m.home / "FileDefinition.dat", text);
    for (const char* empty :
         {"RegistryDefinition.dat", "ExeDefinition.dat", "BlockedCookies.dat"}) {
        Write(m.home / empty, "");
    }
    return m;
}

// Processor time of the whole process (all threads), in milliseconds: less
// disturbed than wall time when other programs share the machine.
double CpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_nsec) / 1e6;
}

struct Measured {
    double medianMs = 0;
    double cpuMs = 0;  // median processor time
    double minMs = 0;
    std::uint64_t slices = 0;
    std::uint64_t calls = 0;
    double eventMs = 0;  // inside processEvents, per run
    size_t found = 0;
};

Measured Measure(const Machine& m, gui::QtHost& host, bool window, int runs) {
    auto backend = platform::MakeBackend({m.root, m.config});
    app::AppInfo info;
    info.programFolder = backend->WindowsPathOf(m.home);
    gui::QtFrontEnd frontEnd(info, host, {}, nullptr);
    app::FrmMain form(info, backend->Get(), host, frontEnd);
    using settings::kOptionAndSettings;
    namespace keys = settings::keys;
    for (auto key : {keys::kChkScanCookies, keys::kChkSweepMemory, keys::kChkScanRegistry,
                     keys::kChkMakeLog}) {
        form.Settings().SaveCheck(kOptionAndSettings, key, false);
    }
    form.LoadDefinitions();
    form.LoadDriveList();
    form.LoadSettingsIntoForm();
    std::unique_ptr<gui::MainWindow> view;
    if (window) {
        view = std::make_unique<gui::MainWindow>(form, host, frontEnd);
        view->Present();
        QCoreApplication::processEvents();
    }
    std::vector<double> times, cpu;
    for (int run = 0; run <= runs; ++run) {
        const double cpuStart = CpuMs();
        const auto start = std::chrono::steady_clock::now();
        form.StartScan();
        const auto end = std::chrono::steady_clock::now();
        const double cpuEnd = CpuMs();
        if (run > 0) {  // the first run warms the file system caches
            times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
            cpu.push_back(cpuEnd - cpuStart);
        }
    }
    std::sort(times.begin(), times.end());
    std::sort(cpu.begin(), cpu.end());
    Measured r;
    r.medianMs = times[times.size() / 2];
    r.cpuMs = cpu[cpu.size() / 2];
    r.minMs = times.front();
    r.slices = host.EventSlices();
    r.calls = host.DoEventsCalls();
    r.eventMs = std::chrono::duration<double, std::milli>(host.EventTime()).count() / (runs + 1);
    r.found = form.lvwFilesToBeDeleted.Count();
    view.reset();
    return r;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    if (argc > 1 && std::string(argv[1]) == "scan") {
        return bench::WindowScanMain(argc - 2, argv + 2);
    }
    const int lines = argc > 1 ? std::max(1000, std::atoi(argv[1])) : 100000;
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 7;
    const Machine m = Generate(lines);
    std::printf(
        "known-file phase, %d definition lines, median of %d runs (wall and processor time)\n",
        lines, runs);

    auto resolver = platform::MakeBackend({m.root, m.config});
    const auto localPathOf = [&resolver](std::string_view path) {
        return resolver->LocalPathOf(path);
    };
    NoEventsHost bare(localPathOf);
    gui::QtHost sliced(localPathOf);
    gui::QtHost slicedWindow(localPathOf);
    EveryItemHost every(localPathOf);

    if (argc > 3 && std::string(argv[3]) == "window") {
        const Measured r = Measure(m, slicedWindow, true, runs);
        std::printf(
            "window host, time-sliced, window shown: %.1f ms (cpu %.1f ms), %.1f ms "
            "running events\n",
            r.medianMs, r.cpuMs, r.eventMs);
        fs::remove_all(m.dir);
        return 0;
    }
    const Measured r0 = Measure(m, bare, false, runs);
    const Measured r1 = Measure(m, sliced, false, runs);
    const Measured r2 = Measure(m, slicedWindow, true, runs);
    const Measured r3 = Measure(m, every, false, runs);
    const auto line = [&](const char* what, const Measured& r) {
        std::printf("%-40s %7.1f ms (min %6.1f) ratio %.3f | cpu %7.1f ms ratio %.3f", what,
                    r.medianMs, r.minMs, r.medianMs / r0.medianMs, r.cpuMs, r.cpuMs / r0.cpuMs);
        if (r.slices > 0) {
            std::printf(" | %llu slices, %.1f ms in them",
                        static_cast<unsigned long long>(r.slices / static_cast<unsigned>(runs + 1)),
                        r.eventMs);
        }
        std::printf("\n");
    };
    line("DoEvents does nothing", r0);
    line("window host, time-sliced (no window)", r1);
    line("window host, time-sliced, window shown", r2);
    line("processEvents after every item", r3);
    std::printf("files found per run: %zu\n", r0.found);
    std::error_code ec;
    fs::remove_all(m.dir, ec);
    return 0;
}
