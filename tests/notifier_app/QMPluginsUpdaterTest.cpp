#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <functional>
#include <map>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "update-notifier/app/AppDelegate.h"
#include "update-notifier/app/OneShotCheck.h"
#include "update-notifier/app/QMPluginsUpdater.h"

namespace {

using platform::notifications::UserNotification;
using platform::notifications::UserNotificationCenter;
using platform::notifications::UserNotificationCenterDelegate;

// What the fakes saw and what they answer; shared with the test body.
struct World {
    std::optional<std::string> downloaderAddress;
    std::optional<std::string> installedVersion;
    double schedulerInterval = 0;
    bool timerStarted = false;
    int schedulersAlive = 0;
    qm::QMUpdateTimerDelegate* schedulerDelegate = nullptr;
    qm::QMXMLDownloaderDelegate* downloaderDelegate = nullptr;
    int reachabilityTests = 0;
    int downloads = 0;
    bool reachable = true;
    std::string failureReason;
    std::optional<std::string> content;
    std::vector<std::string> parsed;
    // The parser's answer to each parse: version offered, and whether it is new.
    std::optional<std::string> offered;
    bool newVersion = false;
    std::vector<UserNotification> delivered;
    bool serviceAvailable = true;
    std::vector<std::string> log;  // the lines of notice priority
    std::vector<std::string> debug;  // the lines of debug priority
    std::map<std::string, std::string> translations;
};

class FakeScheduler final : public qm::UpdateScheduler {
public:
    FakeScheduler(World& w, qm::QMUpdateTimerDelegate& d) : w(w) {
        ++w.schedulersAlive;
        w.schedulerDelegate = &d;
    }
    ~FakeScheduler() override { --w.schedulersAlive; }
    void startTimer() override { w.timerStarted = true; }
    World& w;
};

class FakeDownloader final : public qm::UpdateDownloader {
public:
    FakeDownloader(World& w, qm::QMXMLDownloaderDelegate& d) : w(w) { w.downloaderDelegate = &d; }
    void checkIfInternetConnection() override { ++w.reachabilityTests; }
    bool isNetWorkReachable() const override { return w.reachable; }
    void startDownload() override { ++w.downloads; }
    const std::optional<std::string>& xmlcontent() const override { return w.content; }
    const std::string& failureReason() const override { return w.failureReason; }
    World& w;
};

class FakeParser final : public qm::UpdateParser {
public:
    explicit FakeParser(World& w) : w(w) {}
    void setCurrentInstalledVersion(std::optional<std::string> v) override { w.installedVersion = v; }
    void setXmlcontent(std::string c) override {
        w.parsed.push_back(std::move(c));
        available = w.offered;
    }
    bool isNewVersionAvailable() const override { return w.newVersion; }
    const std::optional<std::string>& currentVersionAvailable() const override { return available; }
    World& w;
    std::optional<std::string> available;
};

class FakeCenter final : public UserNotificationCenter {
public:
    explicit FakeCenter(World& w) : w(w) {}
    void setDelegate(UserNotificationCenterDelegate* d) override { delegate = d; }
    bool deliverNotification(const UserNotification& n) override {
        if (delegate && !delegate->userNotificationCenterShouldPresentNotification(*this, n)) return false;
        if (!w.serviceAvailable) return false;
        w.delivered.push_back(n);
        return true;
    }
    World& w;
    UserNotificationCenterDelegate* delegate = nullptr;
};

class FakeEnvironment final : public qm::UpdaterEnvironment {
public:
    FakeEnvironment(World& w, std::filesystem::path info) : w(w), info(std::move(info)) {}
    std::filesystem::path hostInfoPlist() const override { return info; }
    std::unique_ptr<qm::UpdateDownloader> makeDownloader(const std::optional<std::string>& address,
                                                         qm::QMXMLDownloaderDelegate& delegate) override {
        w.downloaderAddress = address;
        return std::make_unique<FakeDownloader>(w, delegate);
    }
    std::unique_ptr<qm::UpdateParser> makeParser() override { return std::make_unique<FakeParser>(w); }
    std::unique_ptr<qm::UpdateScheduler> makeScheduler(double interval, qm::QMUpdateTimerDelegate& delegate) override {
        w.schedulerInterval = interval;
        return std::make_unique<FakeScheduler>(w, delegate);
    }
    std::string localizedString(const std::string& key) const override {
        const auto found = w.translations.find(key);
        return found == w.translations.end() ? key : found->second;
    }
    void log(platform::log::Priority priority, std::string_view line) override {
        if (priority == platform::log::Priority::notice) w.log.emplace_back(line);
        if (priority == platform::log::Priority::debug) w.debug.emplace_back(line);
    }
    World& w;
    std::filesystem::path info;
};

class UpdaterTest : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::create_directories(dir); }
    void TearDown() override { std::filesystem::remove_all(dir); }

    void writeInfo(const std::string& entries) {
        std::ofstream(dir / "Info.plist") << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                             "<plist version=\"1.0\"><dict>"
                                          << entries << "</dict></plist>\n";
    }

    std::unique_ptr<qm::QMPluginsUpdater> start() {
        return std::make_unique<qm::QMPluginsUpdater>(environment, center, qm::kCheckInterval);
    }

    // One full cycle with the downloader answering the given text.
    void check(qm::QMPluginsUpdater& updater, std::optional<std::string> text, std::optional<std::string> offered,
               bool isNew) {
        w.content = std::move(text);
        w.offered = std::move(offered);
        w.newVersion = isNew;
        updater.timeToCheckForUpdate();
        updater.internetConnectedContinueCheckForUpdate();
        updater.downloadFinished();
    }

    std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                ("notifier-app-" + std::to_string(::getpid()) + "-" +
                                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
    World w;
    FakeCenter center{w};
    FakeEnvironment environment{w, dir / "Info.plist"};
};

TEST_F(UpdaterTest, StartSequenceReadsHostInfoAndStartsTimerWithoutChecking) {
    writeInfo("<key>SUFeedURL</key><string>http://h/app cast.xml</string>"
              "<key>CFBundleVersion</key><string>130</string>");
    auto updater = start();
    EXPECT_EQ(w.downloaderAddress, "http://h/app%20cast.xml");
    EXPECT_EQ(w.installedVersion, "130");
    EXPECT_EQ(w.schedulerInterval, qm::kCheckInterval);
    EXPECT_TRUE(w.timerStarted);
    EXPECT_EQ(w.reachabilityTests, 0);
    EXPECT_EQ(center.delegate, updater.get());
    EXPECT_EQ(w.schedulerDelegate, updater.get());
    EXPECT_EQ(w.downloaderDelegate, updater.get());
}

TEST_F(UpdaterTest, MissingFileOrKeysLeaveAddressAndVersionAbsent) {
    auto noFile = start();
    EXPECT_EQ(w.downloaderAddress, std::nullopt);
    EXPECT_EQ(w.installedVersion, std::nullopt);

    writeInfo("<key>CFBundleVersion</key><string>7</string>");
    auto noFeed = start();
    EXPECT_EQ(w.downloaderAddress, std::nullopt);
    EXPECT_EQ(w.installedVersion, "7");
}

TEST_F(UpdaterTest, AnnouncesEachGreaterVersionOnce) {
    auto updater = start();
    check(*updater, "feed135", "135", false);  // the parser arms itself
    EXPECT_TRUE(w.delivered.empty());
    check(*updater, "feed135", "135", true);
    ASSERT_EQ(w.delivered.size(), 1u);
    EXPECT_EQ(w.delivered[0].title, "Vorrel Plugins Manager");
    EXPECT_EQ(w.delivered[0].informativeText, "A new version is available");
    EXPECT_EQ(w.delivered[0].soundName, "message-new-instant");
    EXPECT_TRUE(w.delivered[0].hasActionButton);
    EXPECT_FALSE(w.delivered[0].hasReplyButton);
    check(*updater, "feed135", "135", true);
    EXPECT_EQ(w.delivered.size(), 1u);
    check(*updater, "feed140", "140", true);
    EXPECT_EQ(w.delivered.size(), 2u);
    check(*updater, "feed135", "140", true);  // the parser keeps the greater offer
    EXPECT_EQ(w.delivered.size(), 2u);
    EXPECT_EQ(w.parsed, (std::vector<std::string>{"feed135", "feed135", "feed135", "feed140", "feed135"}));
    EXPECT_TRUE(w.log.empty());
    EXPECT_FALSE(updater->isCurrentlyChecking());
}

TEST_F(UpdaterTest, TicksDuringACycleAreDropped) {
    auto updater = start();
    updater->timeToCheckForUpdate();
    EXPECT_TRUE(updater->isCurrentlyChecking());
    updater->timeToCheckForUpdate();
    EXPECT_EQ(w.reachabilityTests, 1);
    updater->internetConnectedContinueCheckForUpdate();
    updater->timeToCheckForUpdate();
    EXPECT_EQ(w.reachabilityTests, 1);
    EXPECT_EQ(w.downloads, 1);
    w.content = "feed";
    updater->downloadFinished();
    updater->timeToCheckForUpdate();
    EXPECT_EQ(w.reachabilityTests, 2);
}

TEST_F(UpdaterTest, FailedChecksLogAndFreeTheNextTick) {
    auto updater = start();
    w.reachable = false;
    updater->timeToCheckForUpdate();
    updater->internetConnectedContinueCheckForUpdate();
    EXPECT_EQ(w.downloads, 0);
    EXPECT_FALSE(updater->isCurrentlyChecking());

    w.reachable = true;
    check(*updater, std::nullopt, "135", true);
    check(*updater, std::string(), "135", true);
    EXPECT_TRUE(w.parsed.empty());
    EXPECT_TRUE(w.delivered.empty());
    EXPECT_EQ(w.log, std::vector<std::string>(3, "Cannot check Vorrel Plugins Manager updates status"));
    EXPECT_EQ(w.reachabilityTests, 3);
    EXPECT_FALSE(updater->isCurrentlyChecking());
}

TEST_F(UpdaterTest, UndeliveredAnnouncementGoesToTheLogInTheUsersLanguage) {
    w.translations["A new version is available"] = "Eine neue Version ist verfügbar";
    w.serviceAvailable = false;
    auto updater = start();
    check(*updater, "feed", "2", true);
    EXPECT_TRUE(w.delivered.empty());
    EXPECT_EQ(w.log, std::vector<std::string>{"Vorrel Plugins Manager: Eine neue Version ist verfügbar"});
    // Not delivered still counts as announced: the log already holds it.
    check(*updater, "feed", "2", true);
    EXPECT_EQ(w.log.size(), 1u);
}

TEST_F(UpdaterTest, TheDelegateOwnsTheCoordinatorFromLaunchToTermination) {
    qm::AppDelegate delegate(environment, center, 60);
    EXPECT_EQ(delegate.pluginsupdater(), nullptr);
    delegate.applicationDidFinishLaunching();
    qm::QMPluginsUpdater* updater = delegate.pluginsupdater();
    ASSERT_NE(updater, nullptr);
    delegate.applicationDidFinishLaunching();
    EXPECT_EQ(delegate.pluginsupdater(), updater);
    EXPECT_EQ(w.schedulersAlive, 1);
    EXPECT_EQ(w.schedulerInterval, 60);
    EXPECT_TRUE(w.timerStarted);

    delegate.applicationWillTerminate();
    EXPECT_EQ(delegate.pluginsupdater(), nullptr);
    EXPECT_EQ(w.schedulersAlive, 0);
    // The center outlives the coordinator and must not call it any more.
    EXPECT_EQ(center.delegate, nullptr);
    delegate.applicationWillTerminate();
}

TEST_F(UpdaterTest, VersionZeroOrUnnumberedIsNeverAnnounced) {
    auto updater = start();
    check(*updater, "feed", "beta", true);
    check(*updater, "feed", std::nullopt, true);
    EXPECT_TRUE(w.delivered.empty());
}

// Each way the Info.plist can fail has its own words, once, at debug priority.
TEST_F(UpdaterTest, EachInfoPlistFailureSaysWhatIsWrong) {
    const std::string path = (dir / "Info.plist").string();
    const std::pair<std::function<void()>, std::string> cases[] = {
        {[] {}, "no Info.plist at " + path},
        {[this] { std::filesystem::create_directory(dir / "Info.plist"); },
         "cannot read the host's Info.plist: " + path + " is a directory, not a regular file"},
        {[this] { std::ofstream(dir / "Info.plist") << "<?xml version=\"1.0\"?><plist><dict><key>SU"; },
         path + " is not a property list with a dictionary at its top"},
        {[this] { std::ofstream(dir / "Info.plist") << "\x89PNG garbage"; },
         path + " is not a property list with a dictionary at its top"},
        {[this] { writeInfo("<key>CFBundleVersion</key><string>7</string>"); }, "no \"SUFeedURL\" in " + path},
    };
    for (const auto& [make, message] : cases) {
        std::filesystem::remove_all(dir / "Info.plist");
        make();
        w.debug.clear();
        auto updater = start();
        EXPECT_EQ(w.debug, std::vector<std::string>{message + ": no check can succeed"});
        EXPECT_EQ(w.downloaderAddress, std::nullopt);
    }
}

// At debug priority every check says how it ended; the decisions and the
// notice line stay as they were.
TEST_F(UpdaterTest, EveryCheckLogsItsOutcome) {
    writeInfo("<key>SUFeedURL</key><string>http://h/a.xml</string><key>CFBundleVersion</key><string>130</string>");
    auto updater = start();
    w.reachable = false;
    w.failureReason = "the feed's host h is unreachable";
    updater->timeToCheckForUpdate();
    updater->internetConnectedContinueCheckForUpdate();
    w.reachable = true;
    w.failureReason = "Maximum (5) redirects followed";
    check(*updater, std::string(), std::nullopt, false);
    w.failureReason.clear();
    check(*updater, "<html><body>Moved</body></html>", std::nullopt, false);
    check(*updater, "plain text", std::nullopt, false);
    check(*updater, "<rss/>", "130", false);
    check(*updater, "<rss/>", "135", false);
    check(*updater, "<rss/>", "135", true);
    check(*updater, "<rss/>", "135", true);
    EXPECT_EQ(w.debug, (std::vector<std::string>{
                           "check: the feed's host h is unreachable",
                           "check: feed download failed: Maximum (5) redirects followed",
                           "check: the feed is no appcast: it is an XML document whose root element is <html>, "
                           "not <rss>",
                           "check: the feed is no appcast: it is not XML",
                           "check: up to date: installed version 130, newest published 130",
                           "check: newer version 135 published, installed version 130; first sighting of a newer "
                           "version, announced at the next check",
                           "check: newer version 135 published, installed version 130; second sighting of a newer "
                           "version, announcing it",
                           "check: newer version 135 published, installed version 130; already announced",
                       }));
    EXPECT_EQ(w.log, std::vector<std::string>(2, "Cannot check Vorrel Plugins Manager updates status"));
    EXPECT_EQ(w.delivered.size(), 1u);
}

// The one-shot check decides at once, from the first sighting, and announces
// only when asked.
TEST_F(UpdaterTest, OneShotCheckGivesOneOutcomeAndAnnouncesOnlyWhenAsked) {
    struct Case {
        bool hasFeed;
        bool reachable;
        std::optional<std::string> content;
        std::optional<std::string> offered;
        bool notify;
        qm::CheckVerdict verdict;
        std::string text;
        std::size_t delivered;
    };
    const std::string path = (dir / "Info.plist").string();
    const Case cases[] = {
        {false, true, "<rss/>", "135", false, qm::CheckVerdict::couldNotCheck, "no \"SUFeedURL\" in " + path, 0},
        {true, false, "<rss/>", "135", false, qm::CheckVerdict::couldNotCheck, "unreachable", 0},
        {true, true, "", "135", false, qm::CheckVerdict::couldNotCheck, "feed download failed: HTTP status 404", 0},
        {true, true, "<html/>", "135", false, qm::CheckVerdict::couldNotCheck, "root element is <html>", 0},
        {true, true, "<rss/>", "130", true, qm::CheckVerdict::upToDate, "up to date: installed version 130", 0},
        {true, true, "<rss/>", "135", false, qm::CheckVerdict::newerPublished, "newer version 135 published", 0},
        {true, true, "<rss/>", "135", true, qm::CheckVerdict::newerPublished, "newer version 135 published", 1},
    };
    for (const Case& c : cases) {
        writeInfo((c.hasFeed ? "<key>SUFeedURL</key><string>http://h/a.xml</string>" : "") +
                  std::string("<key>CFBundleVersion</key><string>130</string>"));
        w = World{};
        w.reachable = c.reachable;
        w.failureReason = c.reachable ? "HTTP status 404" : "the feed's host h is unreachable";
        w.content = c.content;
        w.offered = c.offered;
        std::vector<qm::CheckOutcome> outcomes;
        qm::OneShotCheck once(environment, center, c.notify,
                              [&outcomes](const qm::CheckOutcome& outcome) { outcomes.push_back(outcome); });
        once.start();
        if (c.hasFeed) once.internetConnectedContinueCheckForUpdate();
        if (c.hasFeed && c.reachable) once.downloadFinished();
        ASSERT_EQ(outcomes.size(), 1u) << c.text;
        EXPECT_EQ(outcomes[0].verdict, c.verdict) << outcomes[0].text;
        EXPECT_NE(outcomes[0].text.find(c.text), std::string::npos) << outcomes[0].text;
        EXPECT_EQ(w.delivered.size(), c.delivered) << c.text;
    }
}

}  // namespace
