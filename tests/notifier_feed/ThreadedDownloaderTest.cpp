// Downloads against a real HTTP server on 127.0.0.1 that the test starts.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include <asio/executor_work_guard.hpp>
#include <asio/io_context.hpp>

#include "platform/network/CurlHttpClient.h"
#include "platform/network/SystemReachability.h"
#include "tests/support/CountingDownloaderDelegate.h"
#include "tests/support/PortServer.h"
#include "update-notifier/feed/QMXMLDownloader.h"

namespace {

using namespace std::chrono_literals;
using platform::network::Url;
using qm::QMXMLDownloader;

QMXMLDownloader::Options shortened(std::chrono::milliseconds timeout, std::chrono::milliseconds deadline = 300s,
                                   std::size_t maxBody = 16u << 20) {
    QMXMLDownloader::Options options;
    options.timeout = timeout;
    options.deadline = deadline;
    options.maxBody = maxBody;
    return options;
}

class ThreadedDownloaderTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(server.port(), 0) << "feed server did not start"; }

    std::optional<Url> url(const std::string& path) const { return Url::parse(server.url(path)).value(); }

    std::unique_ptr<QMXMLDownloader> downloader(const std::string& path, QMXMLDownloader::Options options = {}) {
        return std::make_unique<QMXMLDownloader>(io, reachability, http, delegate, url(path), options);
    }

    // Runs the main loop until the download has been reported, or gives up.
    void runUntilFinished(std::chrono::seconds limit = 10s) {
        io.restart();
        auto guard = asio::make_work_guard(io);
        const auto end = std::chrono::steady_clock::now() + limit;
        while (delegate.downloadsFinished == 0 && std::chrono::steady_clock::now() < end) io.run_one_for(50ms);
        // Let anything wrongly posted after the end show up.
        io.run_for(200ms);
    }

    asio::io_context io;
    platform::network::SystemReachability reachability;
    platform::network::CurlHttpClient http{io};
    vrl::test::CountingDownloaderDelegate delegate;
    vrl::test::PortServer server{FEED_SERVER_SCRIPT};
};

TEST_F(ThreadedDownloaderTest, ChunkedBodyBecomesTheFeedTextAndRedirectsAreFollowed) {
    auto direct = downloader("/ok");
    direct->startDownload();
    EXPECT_EQ(direct->xmlcontent(), std::optional<std::string>(""));
    runUntilFinished();
    EXPECT_EQ(delegate.downloadsFinished, 1);
    ASSERT_TRUE(direct->xmlcontent());
    EXPECT_NE(direct->xmlcontent()->find("<title>One</title>"), std::string::npos);

    delegate.downloadsFinished = 0;
    auto redirected = downloader("/redirect");
    redirected->startDownload();
    runUntilFinished();
    EXPECT_EQ(delegate.downloadsFinished, 1);
    EXPECT_EQ(redirected->xmlcontent(), direct->xmlcontent());
}

TEST_F(ThreadedDownloaderTest, RefusedStatusEndsOnceWithEmptyText) {
    auto missing = downloader("/missing");
    missing->startDownload();
    runUntilFinished();
    EXPECT_EQ(delegate.downloadsFinished, 1);
    EXPECT_EQ(missing->xmlcontent(), std::optional<std::string>(""));

    delegate.downloadsFinished = 0;
    auto endless = downloader("/loop");
    endless->startDownload();
    runUntilFinished();
    EXPECT_EQ(delegate.downloadsFinished, 1);
    EXPECT_EQ(endless->xmlcontent(), std::optional<std::string>(""));
}

TEST_F(ThreadedDownloaderTest, BodyTextStopsAtZeroByteAndMustBeUtf8) {
    auto empty = downloader("/empty");
    auto zero = downloader("/zero");
    auto invalid = downloader("/badutf8");
    empty->startDownload();
    runUntilFinished();
    zero->startDownload();
    delegate.downloadsFinished = 0;
    runUntilFinished();
    invalid->startDownload();
    delegate.downloadsFinished = 0;
    runUntilFinished();
    EXPECT_EQ(empty->xmlcontent(), std::optional<std::string>(""));
    EXPECT_EQ(zero->xmlcontent(), std::optional<std::string>("before"));
    EXPECT_FALSE(invalid->xmlcontent().has_value());
}

TEST_F(ThreadedDownloaderTest, SilentServerTimesOut) {
    auto silent = downloader("/silent", shortened(1000ms));
    const auto start = std::chrono::steady_clock::now();
    silent->startDownload();
    runUntilFinished();
    EXPECT_EQ(delegate.downloadsFinished, 1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    EXPECT_EQ(silent->xmlcontent(), std::optional<std::string>(""));
}

TEST_F(ThreadedDownloaderTest, TrickleIsCutOffByTheDeadline) {
    auto trickle = downloader("/trickle", shortened(1000ms, 1500ms));
    trickle->startDownload();
    runUntilFinished();
    EXPECT_EQ(delegate.downloadsFinished, 1);
    EXPECT_EQ(trickle->xmlcontent(), std::optional<std::string>(""));
}

TEST_F(ThreadedDownloaderTest, BodyOverTheCapFailsLikeAConnectionFailure) {
    auto huge = downloader("/huge", shortened(30s, 300s, 256u << 10));
    huge->startDownload();
    runUntilFinished();
    EXPECT_EQ(delegate.downloadsFinished, 1);
    EXPECT_EQ(huge->xmlcontent(), std::optional<std::string>(""));
}

TEST_F(ThreadedDownloaderTest, SendsTheNotifierUserAgent) {
    auto agent = downloader("/useragent");
    agent->startDownload();
    runUntilFinished();
    EXPECT_EQ(agent->xmlcontent(), std::optional<std::string>(std::string("vrlupdatenotifier/") + VRL_VERSION));
}

TEST_F(ThreadedDownloaderTest, RefusedConnectionAndMissingUrlFinishOnce) {
    // The server's port is closed once the server is gone.
    server.stop();
    auto refused = downloader("/ok");
    refused->startDownload();
    runUntilFinished();
    EXPECT_EQ(delegate.downloadsFinished, 1);
    EXPECT_EQ(refused->xmlcontent(), std::optional<std::string>(""));

    delegate.downloadsFinished = 0;
    QMXMLDownloader nowhere(io, reachability, http, delegate, std::nullopt);
    nowhere.startDownload();
    runUntilFinished();
    EXPECT_EQ(delegate.downloadsFinished, 1);
}

TEST_F(ThreadedDownloaderTest, DestroyedWhileTransferRunsTellsNobody) {
    auto silent = downloader("/silent");
    silent->startDownload();
    io.run_for(200ms);
    silent.reset();
    io.restart();
    io.run_for(300ms);
    EXPECT_EQ(delegate.downloadsFinished, 0);
}

TEST_F(ThreadedDownloaderTest, ReachabilityIsAnsweredOnTheMainLoop) {
    const auto answer = [&](std::optional<Url> where) {
        QMXMLDownloader checker(io, reachability, http, delegate, std::move(where));
        delegate.reachabilityAnswers = 0;
        checker.checkIfInternetConnection();
        io.restart();
        auto guard = asio::make_work_guard(io);
        const auto end = std::chrono::steady_clock::now() + 10s;
        while (delegate.reachabilityAnswers == 0 && std::chrono::steady_clock::now() < end) io.run_one_for(50ms);
        EXPECT_EQ(delegate.reachabilityAnswers, 1);
        return checker.isNetWorkReachable();
    };
    EXPECT_TRUE(answer(Url::parse("http://127.0.0.1/feed.xml").value()));
    EXPECT_TRUE(answer(Url::parse("http://localhost/feed.xml").value()));
    EXPECT_FALSE(answer(Url::parse("http://nonexistent.invalid/feed.xml").value()));
    EXPECT_FALSE(answer(Url::parse("file:///tmp/feed.xml").value()));
    EXPECT_FALSE(answer(std::nullopt));
}

}  // namespace
