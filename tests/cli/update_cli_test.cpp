// quellon-cli publish and update against a real HTTP server on 127.0.0.1,
// and the restart companion with a real process to wait for.
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <iostream>
#include <map>
#include <thread>

#include "cli_fixture.h"
#include "support/http_server.h"

namespace quellon::cli {
namespace {

const char* const kDataFiles[] = {"RegistryDefinition.dat", "FileDefinition.dat",
                                  "ExeDefinition.dat", "BlockedCookies.dat"};

class CliUpdate : public CliOnMachine {
protected:
    void SetUp() override {
        CliOnMachine::SetUp();
        site_ = tmp_.path() / "site";
    }
    Result Publish(const fs::path& plain, const std::string& version) {
        return Cli({"publish", plain.string(), site_.string(), "--version", version});
    }
    // Every file of the published site, under its path.
    void ServeSite() {
        for (const auto& entry : fs::recursive_directory_iterator(site_)) {
            if (entry.is_regular_file()) {
                const std::string path = "/" + fs::relative(entry.path(), site_).generic_string();
                server_.ServeBody(
                    path, ReadAll(entry.path()), 200,
                    entry.path().extension() == ".dat" ? "application/octet-stream" : "text/html");
            }
        }
    }
    std::string Site() const { return "127.0.0.1:" + std::to_string(server_.Port()); }

    fs::path site_;
    testing::HttpServer server_;
};

TEST_F(CliUpdate, APublishedSiteIsDownloadedAndInstalledAtTheNextStart) {
    const Result published = Publish(SourceFolder() / "data" / "definitions", "7");
    ASSERT_EQ(published.status, 0) << published.err;
    EXPECT_EQ(published.Tagged("wrote").size(), 8u);
    EXPECT_NE(ReadAll(site_ / "definitions/version/E.HTM").find("Defination version : 7"),
              std::string::npos);
    ServeSite();

    // Nothing in the program folder: every kind is missing and downloaded.
    const Result first = Run({"update", "--site", Site()});
    EXPECT_EQ(first.status, 1) << first.err;
    const std::vector<std::string> downloaded = first.Tagged("downloaded");
    ASSERT_EQ(downloaded.size(), 4u) << first.out << first.err;
    for (const std::string& row : downloaded) {
        EXPECT_EQ(row.substr(row.find('\t') + 1), "7") << row;
    }
    for (const char* file : kDataFiles) {
        EXPECT_EQ(ReadAll(home_ / ("DL" + std::string(file))),
                  ReadAll(site_ / "definitions/data" / file))
            << file;
    }

    // The next start puts the downloads in place; the site has nothing newer.
    const int dataRequests = server_.Requests("/definitions/data/ExeDefinition.dat");
    const Result second = Run({"update", "--site", Site()});
    EXPECT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(WithoutCr(second.out),
              "You are using the most recent definition list (version 7).\n");
    EXPECT_EQ(server_.Requests("/definitions/data/ExeDefinition.dat"), dataRequests);
    for (const char* file : kDataFiles) {
        EXPECT_FALSE(fs::exists(home_ / ("DL" + std::string(file)))) << file;
        EXPECT_EQ(ReadAll(home_ / file), ReadAll(site_ / "definitions/data" / file)) << file;
    }
    // The installed definitions are the ones a scan uses.
    EXPECT_LE(Run({"scan"}).status, 1);
}

TEST_F(CliUpdate, AnErrorPageOrNoServerDownloadsNothingOfItsKind) {
    ASSERT_EQ(Publish(SourceFolder() / "data" / "definitions", "3").status, 0);
    ServeSite();
    server_.ServeBody("/definitions/version/E.HTM",
                      "<html><body>The page cannot be displayed</body></html>", 200);
    // Each kind stands alone: the three good pages are taken, the error page
    // is not read as version 0 and its kind is said to have failed.
    const Result errorPage = Run({"update", "--site", Site()});
    EXPECT_EQ(errorPage.status, 2) << errorPage.out << errorPage.err;
    EXPECT_EQ(errorPage.Tagged("downloaded").size(), 3u) << errorPage.out;
    EXPECT_NE(errorPage.err.find("ExeDefinition.dat: "), std::string::npos) << errorPage.err;
    EXPECT_FALSE(fs::exists(home_ / "DLExeDefinition.dat"));
    EXPECT_EQ(server_.Requests("/definitions/data/ExeDefinition.dat"), 0);

    const Result refused = Run(
        {"update", "--site", "127.0.0.1:" + std::to_string(testing::HttpServer::RefusedPort())});
    EXPECT_EQ(refused.status, 2) << refused.out << refused.err;
    EXPECT_EQ(refused.out, "");
    EXPECT_FALSE(fs::exists(home_ / "DLExeDefinition.dat"));
}

TEST_F(CliUpdate, PublishWritesNothingWhenAnyFileIsUnfit) {
    const fs::path plain = tmp_.path() / "plain";
    fs::create_directories(plain);
    for (const char* name : {"RegistryDefinition", "FileDefinition", "ExeDefinition"}) {
        fs::copy_file(SourceFolder() / "data" / "definitions" / (std::string(name) + ".txt"),
                      plain / (std::string(name) + ".txt"));
    }
    // The cookie list is the last kind written; a byte the encoding cannot
    // carry stops the whole site.
    WriteAll(plain / "BlockedCookies.txt", "tracker\xC8.example\r\n");
    const Result unfit = Publish(plain, "4");
    EXPECT_EQ(unfit.status, 2) << unfit.err;
    EXPECT_NE(unfit.err.find("BlockedCookies.txt"), std::string::npos) << unfit.err;
    EXPECT_FALSE(fs::exists(site_));

    fs::remove(plain / "BlockedCookies.txt");
    const Result missing = Publish(plain, "4");
    EXPECT_EQ(missing.status, 2);
    EXPECT_FALSE(fs::exists(site_));
    EXPECT_EQ(Publish(plain, "4x").status, 2);
}

TEST_F(CliUpdate, PublishRefusesALineThatReachesBeyondTheMachineByFileAndLine) {
    const fs::path plain = tmp_.path() / "plain";
    fs::create_directories(plain);
    for (const char* name :
         {"RegistryDefinition", "FileDefinition", "ExeDefinition", "BlockedCookies"}) {
        fs::copy_file(SourceFolder() / "data" / "definitions" / (std::string(name) + ".txt"),
                      plain / (std::string(name) + ".txt"));
    }
    struct Hostile {
        const char* file;
        std::string line;
    };
    const Hostile hostile[] = {
        {"FileDefinition.txt", "thesis.odt=Wiper|Z:\\home\\me"},
        {"FileDefinition.txt", "thesis.odt=Wiper|z:"},
        {"FileDefinition.txt", "x.dll=Wiper|\\\\\\\\host\\share"},
        {"FileDefinition.txt", "x.dll=Wiper|\\\\?\\C:\\WINDOWS"},
        {"FileDefinition.txt", "x.dll=Wiper|\\\\.\\C:\\WINDOWS"},
        {"FileDefinition.txt", "..\\..\\x.dll=Wiper"},
        {"FileDefinition.txt", "x.dll=Wiper|[wDir]..\\.."},
        {"RegistryDefinition.txt", "1^Software\\Microsoft\\Windows\\CurrentVersion\\Run^=Wiper"},
        {"RegistryDefinition.txt", "2^SYSTEM\\CurrentControlSet\\Services^=Wiper"},
        {"RegistryDefinition.txt", "3^S-1-5-21-1-2-3-1000^=Wiper"},
    };
    for (const Hostile& h : hostile) {
        const fs::path path = plain / h.file;
        const std::string good = ReadAll(path);
        const size_t lines = static_cast<size_t>(std::count(good.begin(), good.end(), '\n'));
        WriteAll(path, good + h.line + "\r\n");
        const Result refused = Publish(plain, "5");
        EXPECT_EQ(refused.status, 2) << h.line;
        EXPECT_NE(refused.err.find(h.file), std::string::npos) << refused.err;
        // ("\\?\" is no file definition at all: "?" is no path character.)
        EXPECT_NE(refused.err.find("line " + std::to_string(lines + 1) + " "), std::string::npos)
            << h.line << ": " << refused.err;
        EXPECT_FALSE(fs::exists(site_)) << h.line;
        WriteAll(path, good);
    }
    // A value inside the Run key is what spyware leaves, and may be named.
    const fs::path registry = plain / "RegistryDefinition.txt";
    WriteAll(registry,
             ReadAll(registry) + "1^Software\\Microsoft\\Windows\\CurrentVersion\\Run^Spy=Spy\r\n");
    EXPECT_EQ(Publish(plain, "5").status, 0);
}

TEST_F(CliOnMachine, AScanSaysWhichLiveDefinitionItPassedOver) {
    WriteDefinitions("FileDefinition.dat",
                     {"qpok.dll=Fine|[wDir]", "thesis.odt=Wiper|Z:\\tmp\x1b[2J"});
    const Result scan = Run({"scan"});
    EXPECT_EQ(scan.status, 0) << scan.err;
    EXPECT_NE(scan.err.find("passed over FileDefinition.dat line 2: a path through Z:"),
              std::string::npos)
        << scan.err;
    // What the line holds is shown escaped, never sent to the terminal.
    EXPECT_EQ(scan.err.find('\x1b'), std::string::npos) << scan.err;
    EXPECT_NE(scan.err.find("\\x1B[2J"), std::string::npos) << scan.err;
}

// Live Update and the install at the next start, killed (SIGKILL) at every
// point where they are about to change a file: afterwards each live file is
// the old one or the new one, a "DL" file is absent or the whole new file,
// the next start loads the definitions, and one more update and start leave
// the new set in place.
class CliUpdateKilled : public CliUpdate {
protected:
    void SetUp() override {
        CliUpdate::SetUp();
        // The old set, published as version 1, is what the program has; the
        // site offers version 2, each list one line longer.
        const fs::path plain = tmp_.path() / "plain";
        fs::copy(SourceFolder() / "data" / "definitions", plain);
        ASSERT_EQ(Cli({"publish", plain.string(), (tmp_.path() / "old").string(), "--version", "1"})
                      .status,
                  0);
        for (const char* name : {"RegistryDefinition", "FileDefinition", "ExeDefinition"}) {
            std::ofstream(plain / (std::string(name) + ".txt"), std::ios::app)
                << (std::string(name) == "RegistryDefinition"
                        ? "2^SOFTWARE\\KilledWare^=KilledWare\r\n"
                    : std::string(name) == "FileDefinition" ? "killed.dll=KilledWare\r\n"
                                                            : "killed.exe\r\n");
        }
        std::ofstream(plain / "BlockedCookies.txt", std::ios::app) << "killed.example\r\n";
        ASSERT_EQ(Publish(plain, "2").status, 0);
        ServeSite();
        for (const char* file : kDataFiles) {
            old_[file] = ReadAll(tmp_.path() / "old" / "definitions" / "data" / file);
            new_[file] = ReadAll(site_ / "definitions" / "data" / file);
            ASSERT_NE(old_[file], new_[file]);
        }
    }
    // The program as it stood before the run: the old files, version 1.
    void Fresh(bool downloaded) {
        fs::remove_all(home_);
        fs::remove_all(tmp_.path() / "config");
        fs::create_directories(home_);
        for (const char* file : kDataFiles) {
            WriteAll(home_ / file, old_[file]);
            if (downloaded) {
                WriteAll(home_ / ("DL" + std::string(file)), new_[file]);
            }
        }
        for (const char* key :
             {"RegistryDefinition", "FileDefinition", "EXEDefinition", "CookieDefinition"}) {
            ASSERT_EQ(Run({"settings", "set", "Quellon Pro", "OptionAndSettings", key,
                           downloaded ? "2" : "1"})
                          .status,
                      0);
        }
    }
    Result RunWith(const std::string& env, const std::vector<std::string>& args) {
        std::string command = env + " " + Quoted((bin_ / "quellon-cli").string()) + " --home " +
                              Quoted(home_.string()) + " --machine " +
                              Quoted((tmp_.path() / "machine").string()) + " --config " +
                              Quoted((tmp_.path() / "config").string());
        for (const std::string& a : args) {
            command += " " + Quoted(a);
        }
        return Shell(command);
    }
    void CheckLoads(long point) {
        for (const char* file : kDataFiles) {
            const std::string live = ReadAll(home_ / file);
            EXPECT_TRUE(live == old_[file] || live == new_[file])
                << "kill point " << point << ": " << file << " is neither set's";
            const fs::path dl = home_ / ("DL" + std::string(file));
            EXPECT_TRUE(!fs::exists(dl) || ReadAll(dl) == new_[file])
                << "kill point " << point << ": a part of DL" << file << " stands";
        }
        const Result start = Run({"scan"});
        EXPECT_LE(start.status, 1) << "kill point " << point << ": " << start.err;
        const Result again = Run({"update", "--site", Site()});
        EXPECT_LE(again.status, 1) << "kill point " << point << ": " << again.err;
        ASSERT_LE(Run({"scan"}).status, 1);
        for (const char* file : kDataFiles) {
            EXPECT_EQ(ReadAll(home_ / file), new_[file])
                << "kill point " << point << ": " << file << " after the next update";
        }
    }
    // Counts the run's fault points, then kills it at each one in turn.
    void KillEverywhere(bool downloaded, const std::vector<std::string>& args) {
        Fresh(downloaded);
        const fs::path countFile = tmp_.path() / "points";
        const Result whole = RunWith("QUELLON_FAULT_COUNT=" + Quoted(countFile.string()), args);
        ASSERT_LE(whole.status, 1) << whole.err;
        const long points = std::stol(ReadAll(countFile));
        ASSERT_GE(points, downloaded ? 4 : 8) << "too few points where the run changes a file";
        for (long point = 1; point <= points; ++point) {
            Fresh(downloaded);
            const Result r = RunWith("QUELLON_FAULT_KILL_AT=" + std::to_string(point), args);
            EXPECT_TRUE(r.status == 128 + SIGKILL || r.status == -1)
                << "kill point " << point << ": " << r.status << " " << r.err;
            CheckLoads(point);
            if (HasFatalFailure()) {
                return;
            }
        }
        std::cout << (downloaded ? "install" : "update") << " killed at " << points << " points\n";
    }

    std::map<std::string, std::string> old_, new_;
};

TEST_F(CliUpdateKilled, AnUpdateKilledAnywhereLeavesDefinitionsThatLoad) {
    KillEverywhere(false, {"update", "--site", Site()});
}

TEST_F(CliUpdateKilled, AnInstallKilledAnywhereLeavesDefinitionsThatLoad) {
    KillEverywhere(true, {"scan"});
}

TEST_F(CliUpdate, TheCompanionWaitsForTheProgramToEndThenStartsIt) {
    const fs::path companion = bin_ / "quellon-restart";
    ASSERT_TRUE(fs::exists(companion));
    const Result bare = Shell(Quoted(companion.string()));
    EXPECT_EQ(bare.status, 2);
    EXPECT_NE(bare.err.find("QUELLON_RESTART_PROGRAM"), std::string::npos);

    // The "program": a script that notes when it started.
    const fs::path marker = tmp_.path() / "started";
    const fs::path program = tmp_.path() / "program with space";
    WriteAll(program, "#!/bin/sh\ndate +%s%N > " + Quoted(marker.string()) + "\n");
    fs::permissions(program, fs::perms::owner_all);

    const pid_t old = fork();
    ASSERT_GE(old, 0);
    if (old == 0) {
        ::usleep(700 * 1000);
        ::_exit(0);
    }
    const auto before = std::chrono::steady_clock::now();
    const Result restarted =
        Shell("QUELLON_RESTART_PROGRAM=" + Quoted(program.string()) +
              " QUELLON_RESTART_PID=" + std::to_string(old) + " " + Quoted(companion.string()));
    const auto waited = std::chrono::steady_clock::now() - before;
    // The waited-for process is a child of this test, so it is reaped here
    // while the companion waits; it ends on its own.
    EXPECT_EQ(restarted.status, 0) << restarted.err;
    EXPECT_GE(waited, std::chrono::milliseconds(500));
    for (int i = 0; i < 100 && !fs::exists(marker); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_TRUE(fs::exists(marker));
}

}  // namespace
}  // namespace quellon::cli
