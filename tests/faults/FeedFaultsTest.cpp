// Feed faults against a local server that misbehaves on purpose, through the
// downloader's own code path with shortened limits. For each fault: the
// outcome the coordinator acts on, memory bounded, and the next check works.
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

#include <asio/executor_work_guard.hpp>
#include <asio/io_context.hpp>

#include "platform/network/CurlHttpClient.h"
#include "platform/network/SystemReachability.h"
#include "tests/support/CountingDownloaderDelegate.h"
#include "tests/support/PortServer.h"
#include "tests/support/ProcStatus.h"
#include "update-notifier/feed/QMXMLDownloader.h"
#include "update-notifier/feed/QMXMLParser.h"

using namespace std::chrono;

namespace {

long rssAnonKb() { return static_cast<long>(vrl::test::statusField("/proc/self/status", "RssAnon").value_or(-1)); }

// A port on which nothing listens: bound, then released.
int closedPort() {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    ::close(fd);
    return ntohs(addr.sin_port);
}

struct Outcome {
    std::optional<std::string> xmlcontent;
    int downloadsFinished = 0;
    milliseconds took{0};
    long rssGrowthKb = 0;
    std::string failureReason;
};

qm::QMXMLDownloader::Options shortLimits() {
    qm::QMXMLDownloader::Options options;
    options.timeout = milliseconds(1000);
    options.deadline = milliseconds(3000);
    options.maxBody = 1u << 20;
    return options;
}

// One download on a fresh main loop, run until downloadFinished (or 15 s).
Outcome download(const std::string& url, qm::QMXMLDownloader::Options options = shortLimits()) {
    asio::io_context io;
    auto guard = asio::make_work_guard(io);
    platform::network::SystemReachability reachability;
    platform::network::CurlHttpClient http(io);
    vrl::test::CountingDownloaderDelegate delegate;
    long rssBefore = rssAnonKb();
    auto start = steady_clock::now();
    Outcome outcome;
    {
        qm::QMXMLDownloader downloader(io, reachability, http, delegate, platform::network::Url::parse(url).value(),
                                       options);
        downloader.startDownload();
        while (delegate.downloadsFinished == 0 && steady_clock::now() - start < seconds(15))
            io.run_one_for(milliseconds(50));
        // A second message would show up here.
        io.run_for(milliseconds(100));
        outcome.xmlcontent = downloader.xmlcontent();
        outcome.failureReason = downloader.failureReason();
    }
    outcome.took = duration_cast<milliseconds>(steady_clock::now() - start);
    outcome.downloadsFinished = delegate.downloadsFinished;
    outcome.rssGrowthKb = rssAnonKb() - rssBefore;
    return outcome;
}

bool coordinatorWouldLog(const Outcome& outcome) { return !outcome.xmlcontent || outcome.xmlcontent->empty(); }

// One line per case for the record of the run.
void report(const std::string& name, const Outcome& outcome) {
    std::printf("%-22s xmlcontent %-8s downloadFinished x%d  %5lld ms  RssAnon %+ld kB  %s\n", name.c_str(),
                !outcome.xmlcontent ? "absent" : outcome.xmlcontent->empty() ? "empty" : "text", outcome.downloadsFinished,
                static_cast<long long>(outcome.took.count()), outcome.rssGrowthKb, outcome.failureReason.c_str());
}

class FeedFaults : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(server_.port(), 0) << "fault server did not start"; }

    // After every fault the next check downloads and parses normally.
    void expectNextCheckWorks() {
        Outcome next = download(server_.url("/good"));
        ASSERT_FALSE(coordinatorWouldLog(next));
        qm::QMXMLParser parser{"100"};
        parser.setXmlcontent(*next.xmlcontent);
        EXPECT_EQ(parser.currentVersionAvailable(), std::optional<std::string>("200"));
    }

    // `reason`: a phrase of what the log says at debug priority.
    void expectFailedDownload(const std::string& path, milliseconds within, const std::string& reason) {
        SCOPED_TRACE(path);
        Outcome outcome = download(server_.url(path));
        report(path, outcome);
        EXPECT_TRUE(coordinatorWouldLog(outcome));
        EXPECT_NE(outcome.failureReason.find(reason), std::string::npos) << outcome.failureReason;
        EXPECT_EQ(outcome.downloadsFinished, 1);
        EXPECT_LT(outcome.took, within);
        EXPECT_LT(outcome.rssGrowthKb, 8 * 1024);
        expectNextCheckWorks();
    }

    vrl::test::PortServer server_{VRL_FAULT_FEED_SERVER};
};

TEST_F(FeedFaults, FailedTransfersEndOnceWithEmptyContentAndTheNextCheckRuns) {
    expectFailedDownload("/404", seconds(3), "HTTP status 404");
    expectFailedDownload("/500", seconds(3), "HTTP status 500");
    expectFailedDownload("/loop", seconds(3), "Maximum (5) redirects followed");
    // Silence past the idle timeout of 1 s.
    expectFailedDownload("/hang", seconds(5), "Operation too slow");
    // A byte every 100 ms never trips the idle timeout; the 3-s deadline ends it.
    expectFailedDownload("/trickle", seconds(6), "Operation timed out");
    // An endless body stops at the 1-MiB cap, not in memory.
    expectFailedDownload("/huge", seconds(5), "the body is longer than 1048576 bytes");

    Outcome refused = download("http://127.0.0.1:" + std::to_string(closedPort()) + "/feed");
    report("connection refused", refused);
    EXPECT_TRUE(coordinatorWouldLog(refused));
    EXPECT_NE(refused.failureReason.find("Failed to connect"), std::string::npos) << refused.failureReason;
    EXPECT_EQ(refused.downloadsFinished, 1);
    expectNextCheckWorks();
}

TEST_F(FeedFaults, UndecodableBodiesGiveNoText) {
    Outcome invalid = download(server_.url("/badutf8"));
    report("/badutf8", invalid);
    EXPECT_EQ(invalid.downloadsFinished, 1);
    EXPECT_FALSE(invalid.xmlcontent.has_value()) << "invalid UTF-8 must leave xmlcontent absent";
    EXPECT_EQ(invalid.failureReason, "the body is not valid UTF-8");

    Outcome zeroFirst = download(server_.url("/zerofirst"));
    report("/zerofirst", zeroFirst);
    EXPECT_EQ(zeroFirst.downloadsFinished, 1);
    EXPECT_EQ(zeroFirst.xmlcontent, std::optional<std::string>(""));
    expectNextCheckWorks();
}

// Feeds that download fine but must not move the parser: it keeps the version
// it already found, within bounded time and memory.
class HostileFeeds : public FeedFaults {
protected:
    void SetUp() override {
        FeedFaults::SetUp();
        auto good = download(server_.url("/good"));
        ASSERT_TRUE(good.xmlcontent);
        parser_.setXmlcontent(*good.xmlcontent);
        ASSERT_EQ(parser_.currentVersionAvailable(), std::optional<std::string>("200"));
    }

    void expectParserUnchanged(const std::string& path) {
        SCOPED_TRACE(path);
        Outcome outcome = download(server_.url(path));
        report(path, outcome);
        ASSERT_FALSE(coordinatorWouldLog(outcome));
        long before = rssAnonKb();
        auto start = steady_clock::now();
        parser_.setXmlcontent(*outcome.xmlcontent);
        EXPECT_LT(steady_clock::now() - start, seconds(2));
        EXPECT_LT(rssAnonKb() - before, 8 * 1024);
        std::printf("%-22s parsed: version %s, RssAnon %+ld kB\n", path.c_str(),
                    parser_.currentVersionAvailable().value_or("(none)").c_str(), rssAnonKb() - before);
        EXPECT_EQ(parser_.currentVersionAvailable(), std::optional<std::string>("200"));
    }

    qm::QMXMLParser parser_{"100"};
};

TEST_F(HostileFeeds, MalformedXmlAndAnEntityBombLeaveTheParserAsItWas) {
    expectParserUnchanged("/malformed");
    // The bomb's entities are never expanded; libxml2's amplification limit
    // refuses the document outright, so it offers nothing, within the
    // bounds of an ordinary feed.
    expectParserUnchanged("/bomb");
    expectNextCheckWorks();
}

TEST_F(HostileFeeds, AnExternalEntityNamingALocalFileIsNeverRead) {
    char pattern[] = "/tmp/vrl-secret-XXXXXX";
    int fd = ::mkstemp(pattern);
    ASSERT_GE(fd, 0);
    const std::string secret = "7777777 top secret";
    ASSERT_EQ(::write(fd, secret.data(), secret.size()), static_cast<ssize_t>(secret.size()));
    ::close(fd);
    int watch = ::inotify_init1(IN_NONBLOCK);
    ASSERT_GE(::inotify_add_watch(watch, pattern, IN_OPEN | IN_ACCESS), 0);

    Outcome outcome = download(server_.url(std::string("/external?file=") + pattern));
    report("/external", outcome);
    ASSERT_FALSE(coordinatorWouldLog(outcome));
    parser_.setXmlcontent(*outcome.xmlcontent);
    EXPECT_EQ(parser_.currentVersionAvailable(), std::optional<std::string>("200"));

    char events[4096];
    EXPECT_LE(::read(watch, events, sizeof events), 0) << "the feed made the parser open " << pattern;
    auto version = parser_.currentVersionAvailable().value_or("");
    EXPECT_EQ(version.find("7777777"), std::string::npos);
    ::close(watch);
    ::unlink(pattern);
}

TEST_F(HostileFeeds, AHundredThousandItemsParseWithinBounds) {
    Outcome outcome = download(server_.url("/items?count=100000"), qm::QMXMLDownloader::Options{});
    ASSERT_FALSE(coordinatorWouldLog(outcome));
    long before = rssAnonKb();
    auto start = steady_clock::now();
    parser_.setXmlcontent(*outcome.xmlcontent);
    auto took = steady_clock::now() - start;
    EXPECT_EQ(parser_.currentVersionAvailable(), std::optional<std::string>("100000"));
    EXPECT_LT(took, seconds(10));
    std::printf("100000 items: %zu bytes, parsed in %lld ms, RssAnon +%ld kB\n", outcome.xmlcontent->size(),
                static_cast<long long>(duration_cast<milliseconds>(took).count()), rssAnonKb() - before);
    EXPECT_LT(rssAnonKb() - before, 256 * 1024);
}

}  // namespace
