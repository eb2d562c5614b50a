// The backend's web page and download against a real HTTP server on
// 127.0.0.1 (libcurl on Linux, WinINet under Wine).
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "support/http_server.h"
#include "support/test_machine.h"

namespace quellon::testing {
namespace {

using Clock = std::chrono::steady_clock;
using platform::HttpFailure;

class NetTest : public ::testing::Test {
protected:
    platform::WebPage& Page() { return machine.Platform().webPage; }

    // Polls the page until its navigation has ended; false after 20 s.
    bool Load(std::string_view url) {
        Page().Navigate(url);
        const auto until = Clock::now() + std::chrono::seconds(20);
        while (!Page().NavigationCompleted() && Clock::now() < until) {
            Page().Poll(10);
        }
        return Page().NavigationCompleted();
    }

    platform::DownloadResult Fetch(
        std::string_view url, std::string_view destination,
        const platform::HttpLimits& limits = platform::DownloadLimits()) {
        auto job = machine.Platform().download.Start(url, destination, limits);
        const auto until = Clock::now() + std::chrono::seconds(30);
        while (!job->Poll(10) && Clock::now() < until) {
        }
        return job->Result();
    }

    std::string Home(std::string_view name) {
        return machine.HomeWindowsPath() + "\\" + std::string(name);
    }

    TestMachine machine;
    HttpServer server;
};

TEST_F(NetTest, APageLoadsThroughItsStatesAndReadsAsText) {
    server.ServeBody("/p.htm",
                     "<html><head><title>T</title></head><body><p>caf\xC3\xA9 &amp; "
                     "<b>bold</b></p><!-- hidden --></body></html>",
                     200, "text/html; charset=utf-8");
    EXPECT_FALSE(Page().HasBody());
    Page().Navigate(server.Url("/p.htm"));
    EXPECT_TRUE(Page().Busy());
    EXPECT_EQ(Page().ReadyState(), platform::kReadyStateLoading);
    EXPECT_FALSE(Page().NavigationCompleted());
    ASSERT_TRUE(Load(server.Url("/p.htm")));
    EXPECT_FALSE(Page().Busy());
    EXPECT_EQ(Page().ReadyState(), platform::kReadyStateComplete);
    EXPECT_FALSE(Page().Failed());
    EXPECT_EQ(Page().HttpStatus(), 200);
    ASSERT_TRUE(Page().HasBody());
    // The header's charset decides: UTF-8 read into Windows-1252.
    EXPECT_EQ(Page().BodyText(), "caf\xE9 & bold");
    ASSERT_GE(Page().ElementCount(), 5u);
    EXPECT_EQ(Page().ElementText(0), "T\r\ncaf\xE9 & bold");
    EXPECT_EQ(Page().ElementText(Page().ElementCount() - 1), "bold");
    // A new navigation clears the document first.
    Page().Navigate(server.Url("/p.htm"));
    EXPECT_FALSE(Page().HasBody());
    EXPECT_EQ(Page().ElementCount(), 0u);
}

TEST_F(NetTest, ErrorStatusesAndRefusedConnectionsFailOutright) {
    server.ServeBody("/500.htm", "<html><body>Defination version : 9</body></html>", 500);
    ASSERT_TRUE(Load(server.Url("/missing.htm")));
    EXPECT_TRUE(Page().Failed());
    EXPECT_EQ(Page().HttpStatus(), 404);
    EXPECT_FALSE(Page().HasBody());
    ASSERT_TRUE(Load(server.Url("/500.htm")));
    EXPECT_TRUE(Page().Failed());
    EXPECT_EQ(Page().Failure(), HttpFailure::kNone);
    EXPECT_EQ(Page().HttpStatus(), 500);
    EXPECT_EQ(Page().ElementCount(), 0u);

    const auto started = Clock::now();
    ASSERT_TRUE(Load("http://127.0.0.1:" + std::to_string(HttpServer::RefusedPort()) + "/x"));
    EXPECT_TRUE(Page().Failed());
    EXPECT_EQ(Page().Failure(), HttpFailure::kConnect);
    EXPECT_EQ(Page().HttpStatus(), 0);
    EXPECT_LT(Clock::now() - started, std::chrono::seconds(5));

    ASSERT_TRUE(Load("ftp://127.0.0.1/x"));
    EXPECT_TRUE(Page().Failed());
}

TEST_F(NetTest, RedirectsAreFollowed) {
    server.Redirect("/old.htm", server.Url("/new.htm"), 301);
    server.ServeBody("/new.htm", "moved here");
    ASSERT_TRUE(Load(server.Url("/old.htm")));
    EXPECT_FALSE(Page().Failed());
    EXPECT_EQ(Page().BodyText(), "moved here");
    EXPECT_EQ(server.Requests("/new.htm"), 1);
}

TEST_F(NetTest, ADownloadWritesTheWholeBodyOrNothing) {
    const std::string body = "line one\r\nline two\r\n";
    server.ServeBody("/data.dat", body, 200, "application/octet-stream");
    const auto ok = Fetch(server.Url("/data.dat"), Home("out.dat"));
    EXPECT_TRUE(ok.status.ok()) << ok.status.reason();
    EXPECT_EQ(ok.httpStatus, 200);
    EXPECT_EQ(ok.bytes, static_cast<std::int64_t>(body.size()));
    EXPECT_EQ(machine.ReadHome("out.dat"), body);

    // Chunked transfer coding arrives whole too.
    HttpServer::Route chunked;
    chunked.mode = HttpServer::Route::Mode::kChunked;
    chunked.body = std::string(100, 'c') + "\r\n";
    server.Serve("/chunked.dat", chunked);
    EXPECT_TRUE(Fetch(server.Url("/chunked.dat"), Home("chunked.dat")).status.ok());
    EXPECT_EQ(machine.ReadHome("chunked.dat"), chunked.body);

    // Every failure leaves the destination as it was.
    machine.HomeFile("keep.dat", "old contents");
    HttpServer::Route cut;
    cut.mode = HttpServer::Route::Mode::kTruncated;
    cut.body = "only the first part\r\n";
    cut.missingBytes = 100;
    server.Serve("/cut.dat", cut);
    const auto truncated = Fetch(server.Url("/cut.dat"), Home("keep.dat"));
    EXPECT_FALSE(truncated.status.ok());
    EXPECT_EQ(truncated.failure, HttpFailure::kCut) << truncated.status.reason();
    EXPECT_EQ(machine.ReadHome("keep.dat"), "old contents");

    server.ServeBody("/error.dat", "x\r\n", 500);
    const auto error = Fetch(server.Url("/error.dat"), Home("keep.dat"));
    EXPECT_FALSE(error.status.ok());
    EXPECT_EQ(error.httpStatus, 500);
    EXPECT_FALSE(error.status.reason().empty());
    EXPECT_EQ(machine.ReadHome("keep.dat"), "old contents");

    const auto missing = Fetch(server.Url("/none.dat"), Home("new.dat"));
    EXPECT_FALSE(missing.status.ok());
    EXPECT_EQ(missing.httpStatus, 404);
    EXPECT_FALSE(std::filesystem::exists(machine.Home() / "new.dat"));

    const auto refused = Fetch(
        "http://127.0.0.1:" + std::to_string(HttpServer::RefusedPort()) + "/x", Home("keep.dat"));
    EXPECT_FALSE(refused.status.ok());
    EXPECT_EQ(refused.failure, HttpFailure::kConnect) << refused.status.reason();
    EXPECT_EQ(machine.ReadHome("keep.dat"), "old contents");
}

TEST_F(NetTest, TheLimitsEndTransfersThatGoOnTooLong) {
    machine.HomeFile("keep.dat", "old");
    server.ServeBody("/big.dat", std::string(5000, 'b'));
    platform::HttpLimits small = platform::DownloadLimits();
    small.maxBytes = 1000;
    const auto big = Fetch(server.Url("/big.dat"), Home("keep.dat"), small);
    EXPECT_FALSE(big.status.ok());
    EXPECT_EQ(big.failure, HttpFailure::kTooLarge) << big.status.reason();

    // A server that stops sending is given up after the stall time.
    HttpServer::Route trickle;
    trickle.mode = HttpServer::Route::Mode::kTrickle;
    trickle.body = "abcdefghij";
    trickle.delayMs = 2500;
    server.Serve("/slow.dat", trickle);
    platform::HttpLimits impatient = platform::DownloadLimits();
    impatient.stallTimeoutMs = 1000;
    const auto started = Clock::now();
    const auto slow = Fetch(server.Url("/slow.dat"), Home("keep.dat"), impatient);
    EXPECT_FALSE(slow.status.ok());
    EXPECT_EQ(slow.failure, HttpFailure::kTimeout) << slow.status.reason();
    EXPECT_LT(Clock::now() - started, std::chrono::seconds(10));
    EXPECT_EQ(machine.ReadHome("keep.dat"), "old");
}

TEST_F(NetTest, PagesOfOneSiteShareAConnectionLinuxOnly) {
    server.ServeBody("/a.htm", "a");
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(Load(server.Url("/a.htm")));
        EXPECT_FALSE(Page().Failed());
    }
    EXPECT_EQ(server.Requests("/a.htm"), 4);
    EXPECT_EQ(server.Connections(), 1);
}

}  // namespace
}  // namespace quellon::testing
