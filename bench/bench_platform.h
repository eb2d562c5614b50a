// What the benchmark does differently on each system: where the machine is
// planted, the bare loops' system calls, the clock of processor time, idle
// processes and peak memory. bench_posix.cpp and bench_win32.cpp each
// implement all of it; the build picks one.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "bench_machine.h"
#include "platform/platform.h"

namespace quellon::bench {

// The sizes used when no option names one (smaller where the system calls
// are slow).
Sizes DefaultSizes();

// The engine's backend over the benchmark machine.
class BenchBackend {
public:
    virtual ~BenchBackend() = default;
    virtual platform::Platform& Get() = 0;
    // The Windows path of the program folder (the definition files).
    virtual std::string ProgramFolder() const = 0;
};
std::unique_ptr<BenchBackend> MakeBenchBackend(const BenchMachine& m);

// The row that times the backend's first registry look-up.
const char* RegistryLoadLabel();

// The processor time a call takes, in milliseconds.
double CpuMs(const std::function<void()>& fn);

// The bare loops (see bench_main.cpp); each returns what it found, so that
// no work can be left out.
std::size_t BareStartup(const BenchMachine& m);
std::size_t BareCookies(const BenchMachine& m);
std::size_t BareProcesses();
std::size_t BareRegistry(const BenchMachine& m, platform::Registry& reg);
std::size_t BareFiles(const BenchMachine& m);

// Processes named like programs, running until the object goes.
class IdleProcesses {
public:
    IdleProcesses(const BenchMachine& m, int count);
    ~IdleProcesses();
    IdleProcesses(const IdleProcesses&) = delete;
    IdleProcesses& operator=(const IdleProcesses&) = delete;
    std::size_t Count() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Peak memory of one whole scan in a fresh process, in KiB, or why it was
// not measured. The fresh process is this program with --measure-memory.
struct Peak {
    long kib = -1;
    std::string why;
};
Peak MeasureScanMemory(const BenchMachine& m);
// The peak memory of this process so far, in KiB; -1 when unknown.
long OwnPeakKiB();
// What the peak is called in the report.
const char* PeakName();

// Where the fresh process writes its peak.
inline std::filesystem::path PeakFile(const std::filesystem::path& dir) {
    return dir / "scan-peak-kib";
}

// Waits (the idle processes' body) until the process `parent` has ended,
// an hour at most.
int IdleUntilParentEnds(unsigned long parent);

}  // namespace quellon::bench
