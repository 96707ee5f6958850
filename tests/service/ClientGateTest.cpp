// The client gate against real peer processes: copies of a small peer program
// in bundles of every kind a hostile local user can make, connecting to a
// real Unix socket.
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <thread>

#include <gtest/gtest.h>

#include "sensor-service/server/gate/ClientGate.h"
#include "sensor-service/server/gate/GateQuota.h"
#include "sensor-service/server/gate/RefusalLog.h"
#include "tests/stress/HostileBundle.h"
#include "tests/support/ChildProcess.h"

namespace vrl {
namespace {

namespace fs = std::filesystem;
using stress::infoPlistSaying;
using std::chrono::seconds;

constexpr uid_t kNobody = 65534;

// The real parser, with a hook that runs first: to count parses, or to hold
// a check as a file its owner never finishes serving would.
class HookedParser final : public InfoPlistParser {
public:
    explicit HookedParser(std::function<void(std::string_view)> hook) : hook_(std::move(hook)) {}
    std::optional<platform::foundation::StringDictionary> parse(std::string_view bytes) const override {
        hook_(bytes);
        return PropertyListParser().parse(bytes);
    }

private:
    std::function<void(std::string_view)> hook_;
};

class GateTree : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "client-gate-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
        // Peers running as another user must reach their bundles and the socket.
        fs::permissions(root_, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                   fs::perms::others_read | fs::perms::others_exec);
        listener_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        socketPath_ = (root_ / "gate.sock").string();
        std::strncpy(address.sun_path, socketPath_.c_str(), sizeof address.sun_path - 1);
        ASSERT_EQ(::bind(listener_, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
        ASSERT_EQ(::chmod(socketPath_.c_str(), 0777), 0);
        ASSERT_EQ(::listen(listener_, 512), 0);
    }

    void TearDown() override {
        for (int fd : accepted_) ::close(fd);
        peers_.clear();
        ::close(listener_);
        fs::remove_all(root_);
    }

    // A copy of the peer at <bundle>/Contents/MacOS/peer with the given Info.plist.
    fs::path bundle(const std::string& name, const std::string& plist) {
        const fs::path macos = root_ / name / "Contents" / "MacOS";
        fs::create_directories(macos);
        fs::copy_file(CLIENT_GATE_PEER, macos / "peer");
        std::ofstream(root_ / name / "Contents" / "Info.plist", std::ios::binary) << plist;
        for (fs::path dir = macos; dir != root_; dir = dir.parent_path())
            fs::permissions(dir, fs::perms::others_read | fs::perms::others_exec, fs::perm_options::add);
        return macos / "peer";
    }

    vrl::test::ChildProcess& spawn(const fs::path& exe, const std::string& count,
                                   std::optional<uid_t> user = std::nullopt) {
        std::vector<std::string> args{exe.string(), socketPath_, count};
        if (user) args.push_back(std::to_string(*user));
        peers_.push_back(std::make_unique<vrl::test::ChildProcess>([argv = vrl::test::execArguments(args)] {
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }));
        return *peers_.back();
    }

    // The next connection, kept until the test ends.
    int acceptOne() {
        const int fd = acceptNext();
        accepted_.push_back(fd);
        return fd;
    }
    // The next connection as a socket of the loop, for the gate to take.
    ClientGate::Socket acceptSocket() { return {io_, asio::local::stream_protocol(), acceptNext()}; }

    static pid_t peerPid(int fd) {
        ucred cred{};
        socklen_t len = sizeof cred;
        ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len);
        return cred.pid;
    }

    int acceptNext() const {
        pollfd p{listener_, POLLIN, 0};
        if (::poll(&p, 1, 10000) != 1) return -1;
        return ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    }

    bool decide(ClientGate& gate, const fs::path& exe) {
        spawn(exe, "1");
        const int fd = acceptOne();
        return fd >= 0 && gate.listenerShouldAcceptNewConnection(fd);
    }

    // Runs the loop until done() or 20 s have passed; false on the latter.
    bool runUntil(const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + seconds(20);
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            io_.restart();
            io_.run_for(std::chrono::milliseconds(10));
        }
        return true;
    }

    fs::path root_;
    std::string socketPath_;
    int listener_ = -1;
    std::vector<int> accepted_;
    std::vector<std::unique_ptr<vrl::test::ChildProcess>> peers_;
    asio::io_context io_;
};

TEST_F(GateTree, AdmitsOnlyTheApplicationBundleWithTheExactIdentifier) {
    ClientGate gate(io_, ClientGate::Limits{}, std::make_unique<PropertyListParser>());
    const std::string right = kClientBundleIdentifier;
    EXPECT_TRUE(decide(gate, bundle("Good.app", infoPlistSaying(right))));

    EXPECT_FALSE(decide(gate, bundle("Good.bundle", infoPlistSaying(right)))) << "a bundle, but no application";
    EXPECT_FALSE(decide(gate, bundle("Shout.APP", infoPlistSaying(right))));
    EXPECT_FALSE(decide(gate, bundle("Case.app", infoPlistSaying("com.quenmoor.Vorrel"))));
    EXPECT_FALSE(decide(gate, bundle("Upper.app", infoPlistSaying("COM.QUENMOOR.VORREL"))));
    EXPECT_FALSE(decide(gate, bundle("Other.app", infoPlistSaying("com.example.monitor"))));
    EXPECT_FALSE(decide(gate, bundle("Huge.app", infoPlistSaying(right, 7u << 20)))) << "7 MiB, never read";

    const fs::path fifo = bundle("Fifo.app", "");
    fs::remove(root_ / "Fifo.app/Contents/Info.plist");
    ASSERT_EQ(mkfifo((root_ / "Fifo.app/Contents/Info.plist").c_str(), 0644), 0);
    EXPECT_FALSE(decide(gate, fifo)) << "a FIFO nobody writes is refused, not waited on";

    fs::create_directories(root_ / "bin");
    fs::copy_file(CLIENT_GATE_PEER, root_ / "bin/peer");
    EXPECT_FALSE(decide(gate, root_ / "bin/peer")) << "outside any bundle";

    // The identity is pinned to the process that connected: once it has gone,
    // nothing /proc could say about its pid counts.
    vrl::test::ChildProcess& gone = spawn(root_ / "Good.app/Contents/MacOS/peer", "exit");
    const int fd = acceptOne();
    ASSERT_TRUE(gone.stop().has_value());
    EXPECT_FALSE(gate.listenerShouldAcceptNewConnection(fd));
}

// A rename of the bundle changes neither file's identity, so the cache must
// not stand in for the rule that only X.app is an application.
TEST_F(GateTree, RememberedVerdictsCostNoParseAndNeverOutliveAChange) {
    std::atomic<int> parses{0};
    ClientGate gate(io_, ClientGate::Limits{}, std::make_unique<HookedParser>([&parses](std::string_view) { ++parses; }));
    const fs::path big = bundle("Big.app", infoPlistSaying("com.example.monitor", 60000));
    for (int i = 0; i < 4; ++i) EXPECT_FALSE(decide(gate, big));
    EXPECT_EQ(parses, 1) << "a refused peer that comes back is not parsed again";

    std::ofstream(root_ / "Big.app/Contents/Info.plist", std::ios::binary) << infoPlistSaying(kClientBundleIdentifier);
    EXPECT_TRUE(decide(gate, big)) << "a rewritten Info.plist is read again";
    EXPECT_EQ(parses, 2);

    const fs::path huge = bundle("Huge.app", infoPlistSaying(kClientBundleIdentifier, 7u << 20));
    EXPECT_FALSE(decide(gate, huge));
    EXPECT_FALSE(decide(gate, huge));
    EXPECT_EQ(parses, 2) << "over the limit: refused by its size, never parsed";

    fs::rename(root_ / "Big.app", root_ / "Big.bundle");
    EXPECT_FALSE(decide(gate, root_ / "Big.bundle/Contents/MacOS/peer"));
}

// Every kind of hostile bundle at once, with one Info.plist swapped for a FIFO
// while its peers connect: each refused, and the application's connections,
// arriving among them, all admitted.
TEST_F(GateTree, HostilePeersAreRefusedWhileTheApplicationIsAdmitted) {
    ClientGate gate(io_, ClientGate::Limits{2, 1000, 999, 1, 256}, std::make_unique<PropertyListParser>());
    const std::string right = kClientBundleIdentifier;
    const fs::path fifo = bundle("Fifo.app", "");
    fs::remove(root_ / "Fifo.app/Contents/Info.plist");
    ASSERT_EQ(mkfifo((root_ / "Fifo.app/Contents/Info.plist").c_str(), 0644), 0);
    const fs::path swapped = bundle("Swap.app", infoPlistSaying("com.example.monitor"));
    std::atomic<bool> stop{false};
    std::thread swapper([&] { stress::keepSwappingWithFifo(root_ / "Swap.app/Contents/Info.plist", stop); });

    std::map<pid_t, bool> shouldAdmit;
    shouldAdmit[spawn(fifo, "30").pid()] = false;
    shouldAdmit[spawn(swapped, "30").pid()] = false;
    shouldAdmit[spawn(bundle("Huge.app", infoPlistSaying(right, 7u << 20)), "30").pid()] = false;
    shouldAdmit[spawn(bundle("Good.bundle", infoPlistSaying(right)), "30").pid()] = false;
    shouldAdmit[spawn(bundle("Good.app", infoPlistSaying(right)), "10").pid()] = true;

    int verdicts = 0, wrong = 0, admitted = 0;
    for (int i = 0; i < 130; ++i) {
        ClientGate::Socket socket = acceptSocket();
        ASSERT_TRUE(socket.is_open());
        const bool expected = shouldAdmit.at(peerPid(socket.native_handle()));
        gate.check(std::move(socket), [&, expected](ClientGate::Socket, bool verdict) {
            ++verdicts;
            admitted += verdict;
            if (verdict != expected) ++wrong;
        });
        io_.poll();
    }
    EXPECT_TRUE(runUntil([&] { return verdicts == 130; })) << verdicts << " verdicts";
    stop = true;
    swapper.join();
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(admitted, 10);
}

// A user whose checks never end (here held in the parser; in life an
// Info.plist on a file system it serves and never answers) holds at most its
// share of the workers; its connections beyond its share of the places wait
// in borrowed places while any are free, and another user's application,
// arriving when every place is taken, takes one back and is still admitted.
TEST_F(GateTree, AUserWithStalledChecksCannotCrowdOutTheApplication) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to run a peer as another user";
    struct Stall {
        std::mutex mutex;
        std::condition_variable released;
        bool open = false;
        std::atomic<int> held{0};
        void release() {
            { const std::lock_guard lock(mutex); open = true; }
            released.notify_all();
        }
    };
    auto stall = std::make_shared<Stall>();
    ClientGate gate(io_, ClientGate::Limits{3, 6, 4, 2, 256}, std::make_unique<HookedParser>([stall](std::string_view bytes) {
        if (bytes.find("com.example.stall") == std::string_view::npos) return;
        ++stall->held;
        std::unique_lock lock(stall->mutex);
        stall->released.wait(lock, [&] { return stall->open; });
    }));
    // Destroyed before the gate, which joins its workers.
    const std::unique_ptr<Stall, std::function<void(Stall*)>> releaseAtEnd(stall.get(), [](Stall* s) { s->release(); });

    spawn(bundle("Stall.app", infoPlistSaying("com.example.stall")), "7", kNobody);
    int refusals = 0;
    for (int i = 0; i < 7; ++i) {
        ClientGate::Socket socket = acceptSocket();
        ASSERT_TRUE(socket.is_open());
        gate.check(std::move(socket), [&](ClientGate::Socket, bool verdict) {
            EXPECT_FALSE(verdict);
            ++refusals;
        });
    }
    // Six places, all borrowed beyond the share of four; the seventh finds none.
    ASSERT_TRUE(runUntil([&] { return refusals == 1 && stall->held == 2; }));

    std::optional<bool> application;
    spawn(bundle("Good.app", infoPlistSaying(kClientBundleIdentifier)), "1");
    gate.check(acceptSocket(), [&](ClientGate::Socket, bool verdict) { application = verdict; });
    ASSERT_TRUE(runUntil([&] { return application.has_value(); }));
    EXPECT_TRUE(*application);
    EXPECT_EQ(refusals, 2) << "one borrowed place taken back; the stalled checks are still held";

    stall->release();
    EXPECT_TRUE(runUntil([&] { return refusals == 7; }));
}

// However many peers are refused, the log gets a few lines a window, and the
// first line of a later window says how many were left out.
TEST(RefusalLog, WritesAFewLinesAMinuteAndCountsTheRest) {
    int pair[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair), 0);
    const std::string line = "debug: refused client: pid " + std::to_string(::getpid()) + ", " +
                             fs::read_symlink("/proc/self/exe").string() + "\n";
    RefusalLog log(3, std::chrono::minutes(1));
    const auto start = RefusalLog::Clock::now();

    ::testing::internal::CaptureStderr();
    for (int i = 0; i < 1000; ++i) log.refused(pair[0], start + std::chrono::milliseconds(50 * i));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), line + line + line) << "50 s of refusals";

    ::testing::internal::CaptureStderr();
    log.refused(pair[0], start + std::chrono::seconds(60));
    log.refused(pair[0], start + std::chrono::seconds(61));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "debug: 997 more refused clients not logged\n" + line + line);
    ::close(pair[0]);
    ::close(pair[1]);
}

TEST(GateQuota, CapsWaitingChecksInAllAndRunningPerUserAndLendsFreePlaces) {
    GateQuota quota(4, 2, 1);
    EXPECT_TRUE(quota.tryAdmit(1));
    EXPECT_TRUE(quota.tryAdmit(1));
    EXPECT_FALSE(quota.isBorrowing(1)) << "exactly its share";
    EXPECT_TRUE(quota.tryAdmit(1)) << "a free place is lent beyond the share";
    EXPECT_TRUE(quota.isBorrowing(1));
    EXPECT_FALSE(quota.mayReclaim(1)) << "a borrower takes nothing back";
    EXPECT_TRUE(quota.tryAdmit(2));
    EXPECT_FALSE(quota.tryAdmit(3)) << "all places taken";
    EXPECT_TRUE(quota.mayReclaim(3)) << "but user 3 may take back user 1's borrowed one";
    quota.withdrawn(1);
    EXPECT_FALSE(quota.isBorrowing(1));
    EXPECT_TRUE(quota.tryAdmit(3));
    EXPECT_FALSE(quota.tryAdmit(1)) << "full again";
    EXPECT_TRUE(quota.mayReclaim(2)) << "user 2 is under its share";
    quota.withdrawn(3);

    EXPECT_TRUE(quota.mayStart(1));
    quota.started(1);
    EXPECT_FALSE(quota.mayStart(1)) << "user 1's second check waits for its first";
    EXPECT_TRUE(quota.mayStart(2));
    quota.finished(1);
    EXPECT_TRUE(quota.mayStart(1));
    EXPECT_TRUE(quota.tryAdmit(3)) << "a place given back goes to whoever asks";
}

}  // namespace
}  // namespace vrl
