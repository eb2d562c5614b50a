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

// The programs trust only the keys in UpdateKeys beside themselves, so each
// test runs a copy of them in a program folder of its own, whose UpdateKeys
// holds the public half of a key pair the test makes: the build's own
// programs trust the maker's key alone.
class CliUpdate : public CliOnMachine {
protected:
    void SetUp() override {
        CliOnMachine::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        site_ = tmp_.path() / "site";
        built_ = bin_;
        bin_ = tmp_.path() / "program";
        fs::create_directories(bin_ / "UpdateKeys");
        for (const char* program : {"quellon-cli", "quellon-restart"}) {
            fs::copy_file(built_ / program, bin_ / program);
        }
        key_ = tmp_.path() / "maker" / "maker.key";
        fs::create_directories(key_.parent_path());
        const Result made =
            Cli({"keygen", key_.string(), (bin_ / "UpdateKeys" / "test.pub").string()});
        ASSERT_EQ(made.status, 0) << made.err;
    }
    Result Publish(const fs::path& plain, const std::string& version) {
        return Cli({"publish", plain.string(), site_.string(), "--version", version, "--key",
                    key_.string()});
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
    // The folder of the built programs, and the test's maker key.
    fs::path built_, key_;
    testing::HttpServer server_;
};

TEST_F(CliUpdate, APublishedSiteIsDownloadedAndInstalledAtTheNextStart) {
    const Result published = Publish(SourceFolder() / "data" / "definitions", "7");
    ASSERT_EQ(published.status, 0) << published.err;
    EXPECT_EQ(published.Tagged("wrote").size(), 12u);
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
        EXPECT_EQ(ReadAll(home_ / ("DL" + std::string(file) + ".sig")),
                  ReadAll(site_ / "definitions/data" / (std::string(file) + ".sig")))
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
        ASSERT_EQ(Cli({"publish", plain.string(), (tmp_.path() / "old").string(), "--version", "1",
                       "--key", key_.string()})
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
                WriteAll(home_ / ("DL" + std::string(file) + ".sig"),
                         ReadAll(site_ / "definitions" / "data" / (std::string(file) + ".sig")));
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

TEST_F(CliUpdate, KeygenWritesAPairOnceAndPublishNeedsItsPrivateHalf) {
    const fs::path priv = tmp_.path() / "k" / "new.key";
    const fs::path pub = tmp_.path() / "k" / "new.pub";
    fs::create_directories(priv.parent_path());
    const Result made = Cli({"keygen", priv.string(), pub.string()});
    ASSERT_EQ(made.status, 0) << made.err;
    EXPECT_EQ(ReadAll(priv).rfind("quellon-private-key 1\n", 0), 0u);
    EXPECT_EQ(ReadAll(pub).rfind("quellon-public-key 1\n", 0), 0u);
    // Only its owner may read the private key.
    EXPECT_EQ(fs::status(priv).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    // Never over an existing key: the maker's key is not lost to a typo.
    const std::string before = ReadAll(priv);
    const Result again = Cli({"keygen", priv.string(), (tmp_.path() / "k" / "other.pub").string()});
    EXPECT_EQ(again.status, 2);
    EXPECT_NE(again.err.find("there already"), std::string::npos) << again.err;
    EXPECT_EQ(ReadAll(priv), before);
    EXPECT_FALSE(fs::exists(tmp_.path() / "k" / "other.pub"));

    const fs::path plain = SourceFolder() / "data" / "definitions";
    const Result unsigned_ = Cli({"publish", plain.string(), site_.string(), "--version", "3"});
    EXPECT_EQ(unsigned_.status, 2);
    EXPECT_NE(unsigned_.err.find("--key"), std::string::npos) << unsigned_.err;
    const Result publicHalf =
        Cli({"publish", plain.string(), site_.string(), "--version", "3", "--key", pub.string()});
    EXPECT_EQ(publicHalf.status, 2);
    EXPECT_NE(publicHalf.err.find("not a private key"), std::string::npos) << publicHalf.err;
    EXPECT_FALSE(fs::exists(site_));
}

// Whatever the site serves, only what the test's maker key signed becomes
// a "DL" file, and a refused kind fails the run (exit status 2).
TEST_F(CliUpdate, OnlyWhatTheTrustedKeySignedIsTaken) {
    ASSERT_EQ(Publish(SourceFolder() / "data" / "definitions", "7").status, 0);
    ServeSite();
    // The file list signed by another key, the executable list unsigned.
    const fs::path otherKey = tmp_.path() / "other.key";
    ASSERT_EQ(Cli({"keygen", otherKey.string(), (tmp_.path() / "other.pub").string()}).status, 0);
    const fs::path otherSite = tmp_.path() / "other-site";
    ASSERT_EQ(Cli({"publish", (SourceFolder() / "data" / "definitions").string(),
                   otherSite.string(), "--version", "7", "--key", otherKey.string()})
                  .status,
              0);
    server_.ServeBody("/definitions/data/FileDefinition.dat.sig",
                      ReadAll(otherSite / "definitions/data/FileDefinition.dat.sig"));
    server_.ServeBody("/definitions/data/ExeDefinition.dat.sig", "", 404);
    const Result r = Run({"update", "--site", Site()});
    EXPECT_EQ(r.status, 2) << r.out << r.err;
    EXPECT_EQ(r.Tagged("downloaded").size(), 2u) << r.out;
    EXPECT_NE(r.err.find("FileDefinition.dat: the signature is not the maker's"), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("ExeDefinition.dat: the signature: "), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(home_ / "DLFileDefinition.dat"));
    EXPECT_FALSE(fs::exists(home_ / "DLExeDefinition.dat"));
    EXPECT_EQ(
        Run({"settings", "get", "Quellon Pro", "OptionAndSettings", "FileDefinition", "none"}).out,
        "none\n");

    // The built program trusts the maker's key alone: the test key, even in
    // the program folder named with --home, opens nothing there.
    fs::create_directories(home_ / "UpdateKeys");
    fs::copy_file(bin_ / "UpdateKeys" / "test.pub", home_ / "UpdateKeys" / "test.pub");
    ServeSite();
    const fs::path copy = bin_;
    bin_ = built_;
    const Result built = Run({"update", "--site", Site()});
    bin_ = copy;
    EXPECT_EQ(built.status, 2) << built.out << built.err;
    EXPECT_TRUE(built.Tagged("downloaded").empty()) << built.out;
    EXPECT_FALSE(fs::exists(home_ / "DLRegistryDefinition.dat"));
}

// A "DL" file changed on disk after its download (or planted without its
// signature) is set aside at the next start; its kind's stored version goes
// back, so the same run's check fetches the kind again.
TEST_F(CliUpdate, APlantedDownloadIsSetAsideAndTheKindIsFetchedAgain) {
    ASSERT_EQ(Publish(SourceFolder() / "data" / "definitions", "7").status, 0);
    ServeSite();
    ASSERT_EQ(Run({"update", "--site", Site()}).status, 1);
    ASSERT_EQ(Run({"update", "--site", Site()}).status, 0);  // installs version 7
    const std::string live = ReadAll(home_ / "FileDefinition.dat");

    // Version 8 is out; a hostile file sits where its download would be.
    const fs::path plain = tmp_.path() / "plain";
    fs::copy(SourceFolder() / "data" / "definitions", plain);
    std::ofstream(plain / "FileDefinition.txt", std::ios::app) << "eight.dll=Eight\r\n";
    ASSERT_EQ(Publish(plain, "8").status, 0);
    ServeSite();
    const std::string planted =
        definitions::EncodeDefinitionLine("thesis.odt=Wiper|C:\\users\\me\\Documents") + "\r\n";
    WriteAll(home_ / "DLFileDefinition.dat", planted);
    ASSERT_EQ(
        Run({"settings", "set", "Quellon Pro", "OptionAndSettings", "FileDefinition", "8"}).status,
        0);
    const Result r = Run({"update", "--site", Site()});
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_EQ(ReadAll(home_ / "FileDefinition.dat"), live);
    EXPECT_EQ(ReadAll(home_ / "DLFileDefinition.dat.rejected"), planted);
    EXPECT_NE(r.err.find("DLFileDefinition.dat was set aside, not installed: it has no signature"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(r.Tagged("downloaded").size(), 4u) << r.out;
    EXPECT_EQ(ReadAll(home_ / "DLFileDefinition.dat"),
              ReadAll(site_ / "definitions/data/FileDefinition.dat"));

    // The same, when the version the program had is the site's: the stored
    // version goes back to the live file's signed one and nothing is
    // fetched; the planted file never becomes live.
    ASSERT_EQ(Run({"scan"}).status <= 1, true);  // installs version 8
    const std::string eight = ReadAll(home_ / "FileDefinition.dat");
    WriteAll(home_ / "DLFileDefinition.dat", planted);
    WriteAll(home_ / "DLFileDefinition.dat.sig",
             ReadAll(site_ / "definitions/data/ExeDefinition.dat.sig"));
    ASSERT_EQ(
        Run({"settings", "set", "Quellon Pro", "OptionAndSettings", "FileDefinition", "9"}).status,
        0);
    const Result again = Run({"update", "--site", Site()});
    EXPECT_EQ(again.status, 0) << again.out << again.err;
    EXPECT_EQ(ReadAll(home_ / "FileDefinition.dat"), eight);
    EXPECT_EQ(Run({"settings", "get", "Quellon Pro", "OptionAndSettings", "FileDefinition"}).out,
              "8\n");
}

// A release older than the installed one, though the maker signed it, is a
// replay: refused, and the newer files stay.
TEST_F(CliUpdate, AnOlderSignedReleaseAfterANewerOneIsRefused) {
    const fs::path oldSite = tmp_.path() / "old-site";
    ASSERT_EQ(Cli({"publish", (SourceFolder() / "data" / "definitions").string(), oldSite.string(),
                   "--version", "4", "--key", key_.string()})
                  .status,
              0);
    const fs::path plain = tmp_.path() / "plain";
    fs::copy(SourceFolder() / "data" / "definitions", plain);
    std::ofstream(plain / "ExeDefinition.txt", std::ios::app) << "newer.exe\r\n";
    ASSERT_EQ(Publish(plain, "5").status, 0);
    ServeSite();
    ASSERT_EQ(Run({"update", "--site", Site()}).status, 1);
    ASSERT_EQ(Run({"update", "--site", Site()}).status, 0);
    const std::string five = ReadAll(home_ / "ExeDefinition.dat");

    site_ = oldSite;
    ServeSite();
    const Result replay = Run({"update", "--site", Site()});
    EXPECT_EQ(replay.status, 2) << replay.out << replay.err;
    EXPECT_TRUE(replay.Tagged("downloaded").empty()) << replay.out;
    EXPECT_NE(replay.err.find("older than the installed version 5"), std::string::npos)
        << replay.err;
    EXPECT_FALSE(fs::exists(home_ / "DLExeDefinition.dat"));
    EXPECT_EQ(ReadAll(home_ / "ExeDefinition.dat"), five);
}

}  // namespace
}  // namespace quellon::cli
