#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <asio/executor_work_guard.hpp>

#include "platform/network/ReachabilityFlags.h"
#include "tests/support/CapturedStderr.h"
#include "tests/support/ManualTimers.h"
#include "update-notifier/app/AppDelegate.h"
#include "update-notifier/app/OneShotCheck.h"
#include "update-notifier/app/QMPluginsUpdater.h"

namespace {

using namespace std::chrono_literals;
using platform::notifications::UserNotification;
using platform::notifications::UserNotificationCenter;
using platform::notifications::UserNotificationCenterDelegate;

// Answers every host alike. Asked on the downloader's worker thread, read by
// the test only after the answer has come back to the main loop.
class FakeReachability final : public platform::network::Reachability {
public:
    std::uint32_t flagsForHost(const std::string& host) override {
        testedHosts.push_back(host);
        return reachable ? platform::network::kReachable : 0;
    }
    bool reachable = true;
    std::vector<std::string> testedHosts;
};

// What a transfer ends with: a transport failure, or a response and, with
// status 200, the body.
struct Reply {
    long status = 200;
    std::string body;
    std::string transportError;
};

Reply feedOffering(const std::string& version) {
    return {200, "<rss><channel><item><enclosure sparkle:version=\"" + version + "\"/></item></channel></rss>", {}};
}

// Holds each transfer until the test answers it, on the main thread as the
// real client delivers.
class FakeHttp final : public platform::network::HttpClient {
public:
    class Connection final : public platform::network::HttpConnection {
    public:
        void cancel() override {}
    };

    std::unique_ptr<platform::network::HttpConnection> start(const platform::network::HttpRequest& request,
                                                              platform::network::HttpConnectionDelegate& d) override {
        requestedUrls.push_back(request.url.string());
        delegate = &d;
        return std::make_unique<Connection>();
    }

    void answer(const Reply& reply) {
        ASSERT_NE(delegate, nullptr) << "no transfer is running";
        auto& d = *std::exchange(delegate, nullptr);
        if (!reply.transportError.empty()) return d.connectionDidFailWithError(reply.transportError);
        d.connectionDidReceiveResponse(reply.status);
        if (reply.status != 200) return;
        d.connectionDidReceiveData(reply.body);
        d.connectionDidFinishLoading();
    }

    std::vector<std::string> requestedUrls;
    platform::network::HttpConnectionDelegate* delegate = nullptr;
};

class FakeCenter final : public UserNotificationCenter {
public:
    void setDelegate(UserNotificationCenterDelegate* d) override { delegate = d; }
    bool deliverNotification(const UserNotification& n) override {
        if (delegate && !delegate->userNotificationCenterShouldPresentNotification(*this, n)) return false;
        if (!serviceAvailable) return false;
        delivered.push_back(n);
        return true;
    }
    UserNotificationCenterDelegate* delegate = nullptr;
    bool serviceAvailable = true;
    std::vector<UserNotification> delivered;
};

class UpdaterTest : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::create_directories(notifierApp / "Contents/Resources/en.lproj"); }
    void TearDown() override { std::filesystem::remove_all(dir); }

    void writeInfo(const std::string& entries) {
        std::ofstream(infoPlist) << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                    "<plist version=\"1.0\"><dict>"
                                 << entries << "</dict></plist>\n";
    }

    void translate(const std::string& key, const std::string& text) {
        std::ofstream(notifierApp / "Contents/Resources/en.lproj/Localizable.strings")
            << "\"" << key << "\" = \"" << text << "\";\n";
    }

    std::unique_ptr<qm::QMPluginsUpdater> start() {
        return std::make_unique<qm::QMPluginsUpdater>(system, qm::kCheckInterval);
    }

    // Runs the main loop until the downloader's reachability answer is back.
    void answerReachability() {
        io.restart();
        const auto guard = asio::make_work_guard(io);
        ASSERT_EQ(io.run_one_for(5s), 1u) << "no reachability answer";
    }

    // One full cycle; the transfer, if the host was reachable, ends with `reply`.
    void check(qm::QMPluginsUpdater& updater, const Reply& reply) {
        updater.timeToCheckForUpdate();
        answerReachability();
        if (http.delegate) http.answer(reply);
    }

    std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                ("notifier-app-" + std::to_string(::getpid()) + "-" +
                                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::path notifierApp = dir / "Host.app/Contents/Library/LoginItems/vrlupdatenotifier.app";
    std::filesystem::path infoPlist = dir / "Host.app/Contents/Info.plist";
    const platform::foundation::Bundle bundle =
        platform::foundation::Bundle::forExecutable(notifierApp / "Contents/MacOS/vrlupdatenotifier");
    asio::io_context io;
    FakeReachability reachability;
    FakeHttp http;
    vrl::test::ManualTimers timers;
    FakeCenter center;
    qm::NotifierSystem system{io, reachability, http, timers, center, bundle};
    vrl::test::CapturedStderr log;
};

TEST_F(UpdaterTest, StartSequenceReadsHostInfoAndStartsTimerWithoutChecking) {
    writeInfo("<key>SUFeedURL</key><string>http://h/app cast.xml</string>"
              "<key>CFBundleVersion</key><string>130</string>");
    auto updater = start();
    EXPECT_EQ(timers.period, qm::kCheckInterval);
    EXPECT_EQ(timers.running, 1);
    EXPECT_EQ(center.delegate, updater.get());
    // The scheduler's request, the reachability answer and the download all
    // reach the coordinator.
    timers.tick(1.7e9);
    EXPECT_FALSE(updater->isCurrentlyChecking());
    timers.tick(1.7e9 + qm::kCheckInterval);
    answerReachability();
    EXPECT_EQ(reachability.testedHosts, std::vector<std::string>{"h"});
    EXPECT_EQ(http.requestedUrls, std::vector<std::string>{"http://h/app%20cast.xml"});
    http.answer(feedOffering("130"));
    EXPECT_EQ(log.debugLines(),
              std::vector<std::string>{"check: up to date: installed version 130, newest published 130"});
}

TEST_F(UpdaterTest, MissingFileOrKeysLeaveAddressAndVersionAbsent) {
    const std::string noAddress = "check: no feed address (no usable \"SUFeedURL\" in the host's Info.plist)";
    const std::pair<std::optional<std::string>, std::string> cases[] = {
        {std::nullopt, noAddress},
        {"<key>CFBundleVersion</key><string>7</string>", noAddress},
        {"<key>SUFeedURL</key><string>http://h/a.xml</string>",
         "check: newer version 130 published, installed version (none); first sighting of a newer version, "
         "announced at the next check"},
    };
    for (const auto& [entries, lastLine] : cases) {
        std::filesystem::remove_all(infoPlist);
        if (entries) writeInfo(*entries);
        auto updater = start();
        check(*updater, feedOffering("130"));
        ASSERT_FALSE(log.debugLines().empty());
        EXPECT_EQ(log.debugLines().back(), lastLine);
    }
    EXPECT_EQ(http.requestedUrls.size(), 1u);
}

TEST_F(UpdaterTest, AnnouncesEachGreaterVersionOnce) {
    writeInfo("<key>SUFeedURL</key><string>http://h/a.xml</string>");
    auto updater = start();
    check(*updater, feedOffering("135"));  // the parser arms itself
    EXPECT_TRUE(center.delivered.empty());
    check(*updater, feedOffering("135"));
    ASSERT_EQ(center.delivered.size(), 1u);
    EXPECT_EQ(center.delivered[0].title, "Vorrel Plugins Manager");
    EXPECT_EQ(center.delivered[0].informativeText, "A new version is available");
    EXPECT_EQ(center.delivered[0].soundName, "message-new-instant");
    EXPECT_TRUE(center.delivered[0].hasActionButton);
    EXPECT_FALSE(center.delivered[0].hasReplyButton);
    check(*updater, feedOffering("135"));
    EXPECT_EQ(center.delivered.size(), 1u);
    check(*updater, feedOffering("140"));
    EXPECT_EQ(center.delivered.size(), 2u);
    check(*updater, feedOffering("135"));  // the parser keeps the greater offer
    EXPECT_EQ(center.delivered.size(), 2u);
    EXPECT_EQ(http.requestedUrls.size(), 5u);
    EXPECT_TRUE(log.otherLines().empty());
    EXPECT_FALSE(updater->isCurrentlyChecking());
}

TEST_F(UpdaterTest, TicksDuringACycleAreDropped) {
    writeInfo("<key>SUFeedURL</key><string>http://h/a.xml</string>");
    auto updater = start();
    updater->timeToCheckForUpdate();
    EXPECT_TRUE(updater->isCurrentlyChecking());
    updater->timeToCheckForUpdate();
    answerReachability();
    updater->timeToCheckForUpdate();
    EXPECT_EQ(http.requestedUrls.size(), 1u);
    http.answer(feedOffering("1"));
    EXPECT_FALSE(updater->isCurrentlyChecking());
    updater->timeToCheckForUpdate();
    answerReachability();
    updater.reset();  // joins any reachability test still running
    EXPECT_EQ(reachability.testedHosts.size(), 2u);
}

TEST_F(UpdaterTest, FailedChecksLogAndFreeTheNextTick) {
    writeInfo("<key>SUFeedURL</key><string>http://h/a.xml</string>");
    auto updater = start();
    reachability.reachable = false;
    updater->timeToCheckForUpdate();
    answerReachability();
    EXPECT_TRUE(http.requestedUrls.empty());
    EXPECT_FALSE(updater->isCurrentlyChecking());

    reachability.reachable = true;
    check(*updater, {200, "\xff\xfe", {}});  // no UTF-8: no feed text
    check(*updater, {200, "", {}});
    EXPECT_TRUE(center.delivered.empty());
    EXPECT_EQ(log.otherLines(), std::vector<std::string>(3, "Cannot check Vorrel Plugins Manager updates status"));
    EXPECT_EQ(reachability.testedHosts.size(), 3u);
    EXPECT_FALSE(updater->isCurrentlyChecking());
}

TEST_F(UpdaterTest, UndeliveredAnnouncementGoesToTheLogInTheUsersLanguage) {
    writeInfo("<key>SUFeedURL</key><string>http://h/a.xml</string>");
    translate("A new version is available", "Eine neue Version ist verfügbar");
    center.serviceAvailable = false;
    auto updater = start();
    check(*updater, feedOffering("2"));
    check(*updater, feedOffering("2"));
    EXPECT_TRUE(center.delivered.empty());
    EXPECT_EQ(log.otherLines(), std::vector<std::string>{"Vorrel Plugins Manager: Eine neue Version ist verfügbar"});
    // Not delivered still counts as announced: the log already holds it.
    check(*updater, feedOffering("2"));
    EXPECT_EQ(log.otherLines().size(), 1u);
}

TEST_F(UpdaterTest, TheDelegateOwnsTheCoordinatorFromLaunchToTermination) {
    qm::AppDelegate delegate(system, 60);
    EXPECT_EQ(delegate.pluginsupdater(), nullptr);
    delegate.applicationDidFinishLaunching();
    qm::QMPluginsUpdater* updater = delegate.pluginsupdater();
    ASSERT_NE(updater, nullptr);
    delegate.applicationDidFinishLaunching();
    EXPECT_EQ(delegate.pluginsupdater(), updater);
    EXPECT_EQ(timers.scheduled, 1);
    EXPECT_EQ(timers.running, 1);
    EXPECT_EQ(timers.period, 60);

    delegate.applicationWillTerminate();
    EXPECT_EQ(delegate.pluginsupdater(), nullptr);
    EXPECT_EQ(timers.running, 0);
    // The center outlives the coordinator and must not call it any more.
    EXPECT_EQ(center.delegate, nullptr);
    delegate.applicationWillTerminate();
}

TEST_F(UpdaterTest, VersionZeroOrUnnumberedIsNeverAnnounced) {
    writeInfo("<key>SUFeedURL</key><string>http://h/a.xml</string>");
    auto updater = start();
    for (const char* version : {"beta", "beta", "0", "0"}) check(*updater, feedOffering(version));
    check(*updater, {200, "<rss><channel><item><enclosure/></item></channel></rss>", {}});
    EXPECT_TRUE(center.delivered.empty());
}

// Each way the Info.plist can fail has its own words, once, at debug priority.
TEST_F(UpdaterTest, EachInfoPlistFailureSaysWhatIsWrong) {
    const std::string path = infoPlist.string();
    const std::pair<std::function<void()>, std::string> cases[] = {
        {[] {}, "no Info.plist at " + path},
        {[this] { std::filesystem::create_directory(infoPlist); },
         "cannot read the host's Info.plist: " + path + " is a directory, not a regular file"},
        {[this] { std::ofstream(infoPlist) << "<?xml version=\"1.0\"?><plist><dict><key>SU"; },
         path + " is not a property list with a dictionary at its top"},
        {[this] { std::ofstream(infoPlist) << "\x89PNG garbage"; },
         path + " is not a property list with a dictionary at its top"},
        {[this] { writeInfo("<key>CFBundleVersion</key><string>7</string>"); }, "no \"SUFeedURL\" in " + path},
    };
    for (const auto& [make, message] : cases) {
        std::filesystem::remove_all(infoPlist);
        make();
        log.clear();
        auto updater = start();
        EXPECT_EQ(log.debugLines(), std::vector<std::string>{message + ": no check can succeed"});
        check(*updater, feedOffering("135"));
        EXPECT_TRUE(http.requestedUrls.empty());
    }
}

// At debug priority every check says how it ended; the decisions and the
// notice line stay as they were.
TEST_F(UpdaterTest, EveryCheckLogsItsOutcome) {
    writeInfo("<key>SUFeedURL</key><string>http://h/a.xml</string><key>CFBundleVersion</key><string>130</string>");
    auto updater = start();
    reachability.reachable = false;
    check(*updater, feedOffering("130"));
    reachability.reachable = true;
    check(*updater, {200, {}, "Maximum (5) redirects followed"});
    check(*updater, {200, "<html><body>Moved</body></html>", {}});
    check(*updater, {200, "plain text", {}});
    check(*updater, feedOffering("130"));
    for (int sighting = 0; sighting < 3; ++sighting) check(*updater, feedOffering("135"));
    EXPECT_EQ(log.debugLines(), (std::vector<std::string>{
                                    "check: the feed's host h is unreachable",
                                    "check: feed download failed: Maximum (5) redirects followed",
                                    "check: the feed is no appcast: it is an XML document whose root element is "
                                    "<html>, not <rss>",
                                    "check: the feed is no appcast: it is not XML",
                                    "check: up to date: installed version 130, newest published 130",
                                    "check: newer version 135 published, installed version 130; first sighting of "
                                    "a newer version, announced at the next check",
                                    "check: newer version 135 published, installed version 130; second sighting of "
                                    "a newer version, announcing it",
                                    "check: newer version 135 published, installed version 130; already announced",
                                }));
    EXPECT_EQ(log.otherLines(), std::vector<std::string>(2, "Cannot check Vorrel Plugins Manager updates status"));
    EXPECT_EQ(center.delivered.size(), 1u);
}

// The one-shot check decides at once, from the first sighting, and announces
// only when asked.
TEST_F(UpdaterTest, OneShotCheckGivesOneOutcomeAndAnnouncesOnlyWhenAsked) {
    struct Case {
        bool hasFeed;
        bool reachable;
        Reply reply;
        bool notify;
        qm::CheckVerdict verdict;
        std::string text;
        std::size_t delivered;
    };
    const std::string path = infoPlist.string();
    const Case cases[] = {
        {false, true, feedOffering("135"), false, qm::CheckVerdict::couldNotCheck, "no \"SUFeedURL\" in " + path, 0},
        {true, false, feedOffering("135"), false, qm::CheckVerdict::couldNotCheck, "unreachable", 0},
        {true, true, {404, {}, {}}, false, qm::CheckVerdict::couldNotCheck, "feed download failed: HTTP status 404", 0},
        {true, true, {200, "<html/>", {}}, false, qm::CheckVerdict::couldNotCheck, "root element is <html>", 0},
        {true, true, feedOffering("130"), true, qm::CheckVerdict::upToDate, "up to date: installed version 130", 0},
        {true, true, feedOffering("135"), false, qm::CheckVerdict::newerPublished, "newer version 135 published", 0},
        {true, true, feedOffering("135"), true, qm::CheckVerdict::newerPublished, "newer version 135 published", 1},
    };
    for (const Case& c : cases) {
        writeInfo((c.hasFeed ? "<key>SUFeedURL</key><string>http://h/a.xml</string>" : "") +
                  std::string("<key>CFBundleVersion</key><string>130</string>"));
        center.delivered.clear();
        reachability.reachable = c.reachable;
        std::vector<qm::CheckOutcome> outcomes;
        qm::OneShotCheck once(system, c.notify,
                              [&outcomes](const qm::CheckOutcome& outcome) { outcomes.push_back(outcome); });
        once.start();
        if (c.hasFeed) answerReachability();
        if (c.hasFeed && c.reachable) http.answer(c.reply);
        ASSERT_EQ(outcomes.size(), 1u) << c.text;
        EXPECT_EQ(outcomes[0].verdict, c.verdict) << outcomes[0].text;
        EXPECT_NE(outcomes[0].text.find(c.text), std::string::npos) << outcomes[0].text;
        EXPECT_EQ(center.delivered.size(), c.delivered) << c.text;
    }
}

}  // namespace
