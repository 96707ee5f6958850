// vrl_stress: runs the real vrlsensord on a simulated SMC image and attacks it
// while one admitted client keeps requesting: first every attacker at once,
// then hostile bundles probing the client gate one kind at a time (a quarter
// of the duration each, 2 to 30 s); see docs/RELIABILITY.md.
//
//   vrl_stress --service PATH [--duration SECONDS] [--refused-exe PATH]...
//   vrl_stress --probe SOCKET SECONDS     (child mode: gate probing)
//
// The tool must itself run from inside a bundle whose identifier the service
// admits; the --refused-exe copies must not be.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <sstream>
#include <thread>
#include <vector>

#include <unistd.h>

#include "tests/stress/AdmittedClient.h"
#include "tests/stress/Attackers.h"
#include "tests/stress/GateAttacks.h"
#include "tests/support/ServiceProcess.h"
#include "tests/support/ServiceWire.h"
#include "tests/support/TemporaryDirectory.h"

namespace fs = std::filesystem;
using namespace vrl::stress;
using namespace vrl::test;
using std::chrono::milliseconds;
using std::chrono::seconds;

namespace {

constexpr const char* kImage = R"({"model":"MacBookPro11,1","unavailable":false,"keys":[
 {"key":"TC0P","type":"sp78","bytes":"2f80"},
 {"key":"TA0P","type":"sp78","bytes":"2a40"},
 {"key":"TW0P","type":"sp78","bytes":"3300"},
 {"key":"F0ID","type":"ch8*","bytes":"4c656674"},
 {"key":"F0Ac","type":"fpe2","bytes":"1f40"},
 {"key":"F0Mn","type":"fpe2","bytes":"1f40"},
 {"key":"F0Mx","type":"fpe2","bytes":"5dc0"}]})";

struct Options {
    fs::path service;
    double duration = 10.0;
    std::vector<fs::path> refusedExecutables;
};

struct Figures {
    ProcessFigures start;
    ProcessFigures warm;
    ProcessFigures end;
};

std::optional<Options> parseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (i + 1 >= argc) return std::nullopt;
        if (arg == "--service") options.service = argv[++i];
        else if (arg == "--duration") options.duration = std::atof(argv[++i]);
        else if (arg == "--refused-exe") options.refusedExecutables.emplace_back(argv[++i]);
        else return std::nullopt;
    }
    if (options.service.empty() || options.duration <= 0) return std::nullopt;
    return options;
}

int probeMain(const std::string& socketPath, double secondsToRun) {
    StopFlag stop{false};
    GateCounters counters;
    std::thread prober([&] { gateProbe(socketPath, stop, counters); });
    std::this_thread::sleep_for(std::chrono::duration<double>(secondsToRun));
    stop = true;
    prober.join();
    std::printf("refused %ld admitted %ld\n", counters.refused.load(), counters.admitted.load());
    return 0;
}

// What the image above must read as; every reply is then compared with it.
bool baselineMatchesImage(const WireModel& model) {
    auto is = [&](const char* key, double value, const char* type) {
        auto it = model.find(key);
        return it != model.end() && it->second.value == value && it->second.type == type;
    };
    auto fan = model.find("F0Ac");
    return is("TC0P", 47.5, "temperature") && is("TA0P", 42.25, "temperature") && is("F0Ac", 2000.0, "fans") &&
           fan->second.title == "Left" && fan->second.minvalue && fan->second.maxvalue;
}

RoundTrips timedRun(AdmittedClient& client, double secondsToRun) {
    RoundTrips record;
    StopFlag stop{false};
    std::thread worker([&] { client.run(stop, record); });
    std::this_thread::sleep_for(std::chrono::duration<double>(secondsToRun));
    stop = true;
    worker.join();
    return record;
}

struct Attack {
    AttackCounters random, huge, truncated, shape, nonReader;
    CrowdCounters crowd;
    GateCounters gate;
};

// A hostile peer is another local user, whose checks count against a share
// of the gate of its own; as root the tool can be one (nobody), otherwise the
// probes share the admitted client's user.
std::optional<uid_t> proberUser() {
    constexpr uid_t kNobody = 65534;
    if (::geteuid() != 0) return std::nullopt;
    return kNobody;
}

// Runs a refused prober process for the attack window and adds up its counts.
void runProber(const fs::path& executable, const std::string& socketPath, double secondsToRun, GateCounters& gate) {
    const RunResult run =
        runProgram({executable.string(), "--probe", socketPath, std::to_string(secondsToRun)}, proberUser());
    if (run.status != 0) return;
    long refused = 0, admitted = 0;
    std::istringstream in(run.output);
    std::string word;
    in >> word >> refused >> word >> admitted;
    gate.refused += refused;
    gate.admitted += admitted;
}

void append(RoundTrips& into, const RoundTrips& more) {
    into.answered += more.answered;
    into.wrong += more.wrong;
    into.unanswered += more.unanswered;
    into.micros.insert(into.micros.end(), more.micros.begin(), more.micros.end());
}

// The start figures are taken once the attack has warmed up: first-time
// allocations for a full house of connections are not growth.
RoundTrips attackedRun(AdmittedClient& client, const Options& options, const std::string& socketPath,
                       double secondsToRun, Attack& attack, ServiceProcess& service, Figures& figures) {
    StopFlag stop{false};
    std::vector<std::thread> threads;
    auto spawn = [&](std::function<void()> body) { threads.emplace_back(std::move(body)); };
    spawn([&] { randomBytesAttack(socketPath, stop, attack.random); });
    spawn([&] { randomBytesAttack(socketPath, stop, attack.random); });
    spawn([&] { hugeLengthAttack(socketPath, stop, attack.huge); });
    spawn([&] { truncatedFrameAttack(socketPath, stop, attack.truncated); });
    spawn([&] { wrongShapeAttack(socketPath, stop, attack.shape); });
    spawn([&] { nonReaderAttack(socketPath, stop, attack.nonReader); });
    spawn([&] { idleCrowd(socketPath, 300, stop, attack.crowd); });
    for (const auto& exe : options.refusedExecutables)
        spawn([&, exe] { runProber(exe, socketPath, secondsToRun, attack.gate); });
    double warmUp = std::min(3.0, secondsToRun * 0.3);
    RoundTrips record = timedRun(client, warmUp);
    figures.warm = service.figures();
    append(record, timedRun(client, secondsToRun - warmUp));
    stop = true;
    for (auto& t : threads) t.join();
    return record;
}

// Descriptors may take a moment to close after the attackers hang up.
ProcessFigures settledFigures(ServiceProcess& service, long startFds) {
    ProcessFigures figures = service.figures();
    for (int i = 0; i < 50 && figures.openFds > startFds; ++i) {
        std::this_thread::sleep_for(milliseconds(100));
        figures = service.figures();
    }
    return figures;
}

void printAttack(const char* name, const AttackCounters& c) {
    std::printf("  %-18s attempts %7ld  closed by service %7ld  misbehaved %ld\n", name, c.attempts.load(),
                c.closedByService.load(), c.misbehaved.load());
}

bool report(const RoundTrips& quiet, const RoundTrips& attacked, const Attack& attack, const Figures& figures,
            bool alive) {
    std::printf("admitted client: answered %ld, answered wrongly %ld, unanswered %ld\n",
                quiet.answered + attacked.answered, quiet.wrong + attacked.wrong,
                quiet.unanswered + attacked.unanswered);
    std::printf("round trip without attackers: median %.1f us, p99 %.1f us (%ld requests)\n", quiet.percentile(50),
                quiet.percentile(99), quiet.answered);
    std::printf("round trip under attack:      median %.1f us, p99 %.1f us (%ld requests)\n", attacked.percentile(50),
                attacked.percentile(99), attacked.answered);
    printAttack("random bytes", attack.random);
    printAttack("huge length", attack.huge);
    printAttack("truncated frames", attack.truncated);
    printAttack("wrong shape", attack.shape);
    printAttack("never reads", attack.nonReader);
    std::printf("  idle crowd: opened %ld, kept %ld (at most %ld at once), closed beyond the limit %ld,"
                " connect failed %ld\n",
                attack.crowd.opened.load(), attack.crowd.heldOpen.load(), attack.crowd.mostKeptAtOnce.load(),
                attack.crowd.closedByService.load(), attack.crowd.failedToConnect.load());
    std::printf("connections refused by the gate: %ld (admitted wrongly: %ld)\n", attack.gate.refused.load(),
                attack.gate.admitted.load());
    std::printf("service VmRSS %ld -> %ld -> %ld kB, RssAnon %ld -> %ld -> %ld kB (start, warmed up, end),"
                " open descriptors %ld -> %ld, alive %s\n",
                figures.start.vmRssKb, figures.warm.vmRssKb, figures.end.vmRssKb, figures.start.rssAnonKb,
                figures.warm.rssAnonKb, figures.end.rssAnonKb, figures.start.openFds, figures.end.openFds,
                alive ? "yes" : "no");

    long misbehaved = attack.random.misbehaved + attack.huge.misbehaved + attack.shape.misbehaved +
                      attack.nonReader.misbehaved;
    // Growth is judged against 10 % or 1 MiB, whichever is more: the idle
    // service is now so small that the malloc arenas of its four threads
    // settling move it by a few hundred kB, while a leak of even a dozen bytes
    // per connection over the attack's hundred thousand passes 1 MiB.
    const long growthKb = figures.end.rssAnonKb - figures.warm.rssAnonKb;
    const bool grew = growthKb >= std::max(1024L, figures.warm.rssAnonKb / 10);
    std::vector<std::string> failures;
    if (quiet.wrong + attacked.wrong > 0) failures.push_back("wrong replies");
    if (quiet.unanswered + attacked.unanswered > 0) failures.push_back("unanswered requests");
    if (attacked.answered == 0) failures.push_back("no request answered under attack");
    if (!alive) failures.push_back("service died");
    if (figures.end.openFds > figures.start.openFds) failures.push_back("descriptors not back to the start figure");
    if (grew) failures.push_back("RssAnon grew by 10 % and 1 MiB or more after warm-up");
    if (misbehaved > 0) failures.push_back("bad input not handled as it must be");
    if (attack.gate.admitted > 0) failures.push_back("the gate admitted a foreign executable");
    // The admitted client holds one of the 256 slots itself.
    if (attack.crowd.mostKeptAtOnce > 255) failures.push_back("more than 256 connections kept open");
    for (const auto& f : failures) std::printf("FAIL: %s\n", f.c_str());
    std::printf("%s\n", failures.empty() ? "PASS" : "FAILED");
    return failures.empty();
}

struct GateRun {
    std::string name;
    RoundTrips trips;
    long refused = 0;
    long admitted = 0;
    double serviceCpuPercent = 0;
};

constexpr int kProbersPerGateAttack = 2;

// The admitted client's round trips and the service's CPU share over a run of
// secondsToRun while beside() runs; stop is set when the run ends.
GateRun measuredRun(AdmittedClient& client, ServiceProcess& service, double secondsToRun,
                    const std::function<void(StopFlag& stop)>& beside) {
    GateRun run;
    StopFlag stop{false};
    std::thread besideThread([&] { beside(stop); });
    const double cpuBefore = service.figures().cpuSeconds;
    const auto started = Clock::now();
    run.trips = timedRun(client, secondsToRun);
    const double elapsed = std::chrono::duration<double>(Clock::now() - started).count();
    run.serviceCpuPercent = 100.0 * (service.figures().cpuSeconds - cpuBefore) / elapsed;
    stop = true;
    besideThread.join();
    return run;
}

// Hostile bundles probing the gate, one kind at a time, each after a quiet
// run of the same length for comparison.
std::vector<GateRun> gateAttackRuns(AdmittedClient& client, ServiceProcess& service, const std::string& socketPath,
                                    const fs::path& work, double secondsEach) {
    std::vector<GateRun> runs;
    runs.push_back(measuredRun(client, service, secondsEach, [](StopFlag&) {}));
    runs.back().name = "none (quiet)";
    const fs::path self = fs::read_symlink("/proc/self/exe");
    for (const GateAttack& attack : prepareGateAttacks(work, self)) {
        GateCounters gate;
        runs.push_back(measuredRun(client, service, secondsEach, [&](StopFlag& stop) {
            std::vector<std::thread> threads;
            if (attack.meanwhile) threads.emplace_back([&] { attack.meanwhile(stop); });
            for (int i = 0; i < kProbersPerGateAttack; ++i)
                threads.emplace_back([&] { runProber(attack.prober, socketPath, secondsEach, gate); });
            for (auto& t : threads) t.join();
        }));
        runs.back().name = attack.name;
        runs.back().refused = gate.refused.load();
        runs.back().admitted = gate.admitted.load();
    }
    return runs;
}

bool reportGateRuns(const std::vector<GateRun>& runs, bool alive) {
    std::printf("client gate under hostile bundles (%d probing processes each):\n", kProbersPerGateAttack);
    std::printf("  %-14s %9s %9s %9s %9s %9s %10s %12s\n", "attack", "refused", "admitted", "p50 us", "p99 us",
                "max us", "requests", "service CPU");
    std::vector<std::string> failures;
    for (const GateRun& run : runs) {
        std::printf("  %-14s %9ld %9ld %9.1f %9.1f %9.1f %10ld %11.0f%%\n", run.name.c_str(), run.refused, run.admitted, run.trips.percentile(50), run.trips.percentile(99),
                    run.trips.percentile(100), run.trips.answered, run.serviceCpuPercent);
        if (run.admitted > 0) failures.push_back(run.name + ": the gate admitted a hostile bundle");
        if (run.trips.wrong > 0 || run.trips.unanswered > 0)
            failures.push_back(run.name + ": the admitted client was answered wrongly or not at all");
        if (run.trips.answered == 0) failures.push_back(run.name + ": the admitted client was not served");
    }
    if (!alive) failures.push_back("service died under the gate attacks");
    for (const auto& f : failures) std::printf("FAIL: %s\n", f.c_str());
    std::printf("%s\n", failures.empty() ? "PASS" : "FAILED");
    return failures.empty();
}

int stressMain(const Options& options) {
    // The probes, maybe running as another user, reach the socket and their bundles.
    const vrl::test::TemporaryDirectory scratch("vrl-stress", vrl::test::kReachableByEveryone);
    const fs::path& work = scratch.path();
    fs::path image = work / "image.json";
    std::ofstream(image) << kImage;
    std::string socketPath = (work / "vrlsensord.sock").string();

    int status = 1;
    {
        ServiceProcess service({options.service.string(), "--socket", socketPath, "--smc-image", image.string()});
        if (!service.waitUntilServing(socketPath, seconds(15))) {
            std::fprintf(stderr, "vrl_stress: the service did not start serving on %s\n", socketPath.c_str());
        } else if (auto baseline = fetchModel(socketPath, seconds(3)); !baseline || !baselineMatchesImage(*baseline)) {
            std::fprintf(stderr, "vrl_stress: the first reply does not show the image's readings:\n");
            if (baseline)
                for (const auto& [key, entry] : *baseline)
                    std::fprintf(stderr, "  %s %s = %g %s (%s)\n", key.c_str(), entry.title.c_str(), entry.value,
                                 entry.unit.c_str(), entry.type.c_str());
        } else {
            AdmittedClient client(socketPath, *baseline);
            client.connect();
            double quietSeconds = std::max(2.0, options.duration * 0.2);
            RoundTrips quiet = timedRun(client, quietSeconds);
            Figures figures;
            figures.start = service.figures();
            Attack attack;
            RoundTrips attacked = attackedRun(client, options, socketPath, options.duration - quietSeconds, attack,
                                              service, figures);
            figures.end = settledFigures(service, figures.start.openFds);
            bool alive = service.alive();
            const bool attacksPassed = report(quiet, attacked, attack, figures, alive);
            const std::vector<GateRun> gateRuns =
                gateAttackRuns(client, service, socketPath, work, std::clamp(options.duration * 0.25, 2.0, 30.0));
            const bool gatePassed = reportGateRuns(gateRuns, service.alive());
            status = attacksPassed && gatePassed ? 0 : 1;
        }
        service.stop();
    }
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--probe") return probeMain(argv[2], std::atof(argv[3]));
    auto options = parseOptions(argc, argv);
    if (!options) {
        std::fprintf(stderr,
                     "usage: vrl_stress --service PATH [--duration SECONDS] [--refused-exe PATH]...\n"
                     "       vrl_stress --probe SOCKET SECONDS\n");
        return 2;
    }
    return stressMain(*options);
}
