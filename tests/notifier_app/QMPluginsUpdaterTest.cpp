#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <map>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "update-notifier/app/AppDelegate.h"
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
    std::optional<std::string> content;
    std::vector<std::string> parsed;
    // The parser's answer to each parse: version offered, and whether it is new.
    std::optional<std::string> offered;
    bool newVersion = false;
    std::vector<UserNotification> delivered;
    bool serviceAvailable = true;
    std::vector<std::string> log;  // the lines of notice priority
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

}  // namespace
